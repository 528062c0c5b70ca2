// Entry point: the window, the batch mode and the commands that need no window. The batch mode,
// --help and --version never create a Qt application: they run on a machine without a display.
#include <CLI/CLI.hpp>
#include <iostream>
#include <string>
#include <vector>

#include "app/comandos.h"
#include "app/lote.h"
#include "app/uso.h"

namespace {

constexpr const char* kPie = R"(Modo por lotes:
  importador --lote --modo N --archivo ARCHIVO [--cuenta C] [--concepto T]
             [--ante-error abortar|ignorar] [--max-rechazos N] [--esperar SEGUNDOS]
             [--ensayo] [--informe-json ARCHIVO] [--traza ARCHIVO] PARAMETROS
  importador --lote --lista ARCHIVO [--esperar SEGUNDOS] [--ensayo] [--informe-json ARCHIVO]
             [--traza ARCHIVO] PARAMETROS
  importador --lote [--traza ARCHIVO] PARAMETROS

  PARAMETROS es la cadena de inicio (los argumentos sueltos unidos por un blanco), por ejemplo
  '@Server=sqlite:/srv/empresas;@DbName=EMPRESA;@Usuario=OPERADOR;@Password=x;'.
  El modo por lotes se conecta, elige la opción N (que propone su contrapartida), pone
  --cuenta como contrapartida si se da, escribe la ruta y el concepto y pulsa "Ejecutar".
  Modos: 0 saldos de clientes, 1 saldos de proveedores, 2 empleados, 3 cheques de terceros,
  4 cheques propios, 5 remitos pendientes de facturar, 6 órdenes de trabajo pendientes de
  remitir. --lista reasigna en cambio las listas de precios de los clientes. Sin una ni otra
  solo se inicia la sesión: una prueba de la conexión que además crea la base de estadísticas.
  PARAMETROS debe nombrar @Server y @Usuario: el modo por lotes no puede mostrar el diálogo de
  conexión.

  Cualquier usuario del equipo ve la línea de comandos en la lista de procesos: dé la
  contraseña aparte, en la variable de entorno IMPORTADOR_CLAVE o en un archivo que solo usted
  pueda leer (--clave-archivo ARCHIVO, que gana sobre la variable); se usa cuando PARAMETROS no
  trae @Password.

  Cada diálogo se escribe en la salida de errores como "TÍTULO: TEXTO" y se contesta por regla:
  Aceptar -> Aceptar, Sí/No -> No, anular/reintentar/ignorar -> --ante-error (abortar: Anular,
  el valor por omisión; ignorar: Ignorar), reintentar/cancelar -> Cancelar, un cuadro de
  entrada -> vacío. El resumen de la corrida va a la salida estándar; si la salida de errores
  es una terminal, en ella se dibuja una barra de avance.

  --ensayo hace un ensayo: la corrida entera se ejecuta contra la base (cada búsqueda, control
  de repetidos y numeración) dentro de una transacción que se deshace al final, y el resumen
  empieza con "ENSAYO: no se grabó nada" (también con --lista).

  Cada corrida escribe su informe junto a ARCHIVO (ARCHIVO sin su extensión + ".informe.txt";
  con --informe-json también en JSON) y, si hubo líneas sin registrar, el archivo de líneas
  rechazadas (".rechazados" + la extensión; corríjalo e impórtelo tal cual) y sus motivos
  (".rechazados.motivos.csv"); en la carpeta del programa si no se puede escribir en la de
  ARCHIVO.

  Una sola importación por empresa a la vez: una corrida que encuentra otra en curso dice quién
  tiene la empresa y termina con estado 4; --esperar SEGUNDOS espera antes hasta ese tiempo.

Estado de salida: 0 la corrida llegó a "Proceso Finalizado!!!" con cada línea registrada, ya
  importada o pasada por alto según el formato (--lista: "FINALIZADO"; solo el inicio: se
  completó), 3 llegó al final con líneas sin registrar (el resumen las nombra), 1 terminó antes,
  2 un error de uso, sin conexión o un archivo rechazado antes de grabar nada (vacío, con un
  byte NUL o con la forma de otro modo), 4 otra importación tenía la empresa.

Señales: SIGTERM, SIGINT (Ctrl+C) y SIGHUP detienen la corrida después de la línea en curso,
  como "Detener": escribe su resumen y su informe y termina con estado 1; una segunda señal la
  termina en el acto. Una salida cerrada (una tubería a head) o un límite de tamaño de archivo
  no la detienen: esas escrituras fallan, como en un disco lleno.)";

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "Importador de saldos iniciales: carga en la base de datos de una empresa los saldos, "
      "cheques, empleados y comprobantes pendientes que exportó el sistema anterior."};
  AyudaEnCastellano(app);
  app.failure_message(ErrorDeUsoEnCastellano);
  app.set_version_flag("--version", "importador 0.1.0", "Muestra la versión y termina");
  // The same options everywhere: on Windows "/x" would otherwise be read as an option, not a path.
  app.allow_windows_style_options(false);
  app.footer(kPie);

  std::string carpeta, nombre;
  auto* crear = app.add_subcommand("crear-empresa", "Crea una empresa vacía del motor embebido");
  crear->add_option("CARPETA", carpeta, "Carpeta del servidor embebido")
      ->type_name("TEXTO")
      ->required();
  crear->add_option("NOMBRE", nombre, "Nombre de la base de la empresa")
      ->type_name("TEXTO")
      ->required();

  std::string carpetaUsuario, empresaUsuario, usuario;
  bool administrador = false;
  auto* alta = app.add_subcommand(
      "alta-usuario", "Registra un usuario de una empresa embebida, que podrá luego importar");
  alta->add_option("CARPETA", carpetaUsuario, "Carpeta del servidor embebido")
      ->type_name("TEXTO")
      ->required();
  alta->add_option("EMPRESA", empresaUsuario, "Nombre de la base de la empresa")
      ->type_name("TEXTO")
      ->required();
  alta->add_option("USUARIO", usuario, "Nombre del usuario")->type_name("TEXTO")->required();
  alta->add_flag("--administrador", administrador, "El usuario es administrador");

  std::string carpetaDemo;
  auto* demo = app.add_subcommand(
      "demo",
      "Importa dos veces cada archivo de muestra en una empresa embebida nueva DEMO y la muestra");
  demo->add_option("CARPETA", carpetaDemo,
                   "Carpeta de la demostración (por omisión, una temporal nueva)")
      ->type_name("TEXTO");

  for (CLI::App* comando : {crear, alta, demo}) {
    comando->group("Comandos");
    comando->get_help_ptr()->group("Opciones");
    comando->footer("");
  }

  OpcionesLote lote;
  bool enLote = false;
  std::string anteError = "abortar";
  std::string cuenta, concepto;
  std::vector<std::string> parametros;
  auto* flagLote = app.add_flag("--lote", enLote, "Importa sin ventana ni operador");
  auto* optModo = app.add_option("--modo", lote.modo, "Modo de importación, de 0 a 6")
                      ->type_name("N")
                      ->check(CLI::Range(0, 6).description("de 0 a 6"))
                      ->needs(flagLote);
  auto* optArchivo = app.add_option("--archivo", lote.archivo, "Archivo a importar")
                         ->type_name("ARCHIVO")
                         ->needs(optModo);
  optModo->needs(optArchivo);
  auto* flagEnsayo =
      app.add_flag("--ensayo", lote.ensayo, "Ensayo: ejecuta todo y lo deshace al final");
  app.add_option("--cuenta", cuenta, "Cuenta de contrapartida")->type_name("C")->needs(optModo);
  app.add_option("--concepto", concepto, "Concepto de los asientos")
      ->type_name("T")
      ->needs(optModo);
  app.add_option("--ante-error", anteError, "Respuesta al diálogo de error de la corrida")
      ->type_name("abortar|ignorar")
      ->check(CLI::IsMember({"abortar", "ignorar"}).description(""))
      ->needs(flagLote);
  auto* optJson = app.add_option("--informe-json", lote.informeJson,
                                 "Escribe el informe de la corrida en JSON en ARCHIVO")
                      ->type_name("ARCHIVO")
                      ->needs(flagLote);
  app.add_option("--traza", lote.traza, "Agrega a ARCHIVO cada sentencia enviada (líneas JSON)")
      ->type_name("ARCHIVO")
      ->needs(flagLote);
  auto* optLista =
      app.add_option("--lista", lote.lista, "Archivo de clientes con su lista de precios")
          ->type_name("ARCHIVO")
          ->needs(flagLote)
          ->excludes(optModo);
  flagEnsayo->needs(flagLote);
  app.add_option("--max-rechazos", lote.maximoRechazos,
                 "Se detiene tras N líneas seguidas que la base rechaza igual (0: nunca)")
      ->type_name("N")
      ->check(CLI::Range(0, 1000000).description("de 0 a 1000000"))
      ->needs(flagLote);
  app.add_option("--esperar", lote.esperaSegundos,
                 "Espera hasta SEGUNDOS a que termine otra importación de la empresa")
      ->type_name("SEGUNDOS")
      ->check(CLI::Range(0, 86400).description("de 0 a 86400"))
      ->needs(flagLote);
  app.add_option("--clave-archivo", lote.archivoClave,
                 "Lee la contraseña de la primera línea de ARCHIVO (que solo su dueño puede "
                 "leer) cuando PARAMETROS no trae @Password")
      ->type_name("ARCHIVO")
      ->needs(flagLote);
  app.add_option("PARAMETROS", parametros, "Cadena de inicio")->type_name("TEXTO");

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);  // --help, --version
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kLoteUso;
  }

  if (*crear) return ComandoCrearEmpresa(carpeta, nombre);
  if (*alta) return ComandoAltaUsuario(carpetaUsuario, empresaUsuario, usuario, administrador);
  if (*demo) return ComandoDemo(carpetaDemo);
  if (enLote) {
    if (app.count("--cuenta")) lote.cuenta = cuenta;
    if (app.count("--concepto")) lote.concepto = concepto;
    lote.ignorarErrores = anteError == "ignorar";
    for (const std::string& p : parametros) {
      lote.parametros += (lote.parametros.empty() ? "" : " ") + p;
    }
    // The JSON report is the report of a run: of a mode or of the price list, never of the
    // start-up alone.
    if (optJson->count() && !optModo->count() && !optLista->count()) {
      std::cerr << "--informe-json necesita --modo o --lista\nVea --help." << std::endl;
      return kLoteUso;
    }
    return EjecutarLote(lote);
  }
  std::string lineaDeComandos;
  for (const std::string& p : parametros) {
    lineaDeComandos += (lineaDeComandos.empty() ? "" : " ") + p;
  }
  return ComandoVentana(argc, argv, lineaDeComandos);
}
