// importador demo [CARPETA]: the whole job on the embedded engine. It creates the company DEMO
// with a small chart of accounts, customers and settings, copies the sample files of every mode,
// imports each one by running this program in batch mode, prints the journal's totals, and runs
// everything a second time to show that a re-import posts nothing.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "app/comandos.h"
#include "data/conexiones.h"
#include "data/empresa.h"
#include "platform/ado.h"
#include "platform/archivos.h"
#include "platform/error_ejecucion.h"
#include "platform/sistema.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kEmpresa = "DEMO";
constexpr const char* kOperador = "OPERADOR";
constexpr const char* kClave = "demo";

// The company's data: accounts, customers, fiscal years, settings and the operator. Amount
// columns are not involved; dates are ISO text, as the embedded engine stores them.
constexpr const char* kDatosEmpresa = R"(
INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES
  ('111', 'Caja y bancos', 1),
  ('111010002', 'Valores a depositar', 0),
  ('111020001', 'Banco Galicia cuenta corriente', 0),
  ('11201', 'Deudores por ventas', 1),
  ('112010005', 'PEREZ JUAN', 0),
  ('112010006', 'GOMEZ  ANA', 0),
  ('112010007', 'Ferretería Núñez', 0),
  ('112010008', 'MUÑOZ JOSÉ', 0),
  ('112010009', 'IBÁÑEZ RAÚL', 0),
  ('112010012', 'Taller Ñandú', 0),
  ('112010123', 'Panadería La Espiga', 0),
  ('112014567', 'Ferretería Güemes', 0),
  ('13101', 'Mercaderías', 0),
  ('21101', 'Proveedores', 1),
  ('211010042', 'ACME Insumos', 0),
  ('211010043', 'Distribuidora Añelo', 0),
  ('21105', 'Remuneraciones a pagar', 1),
  ('41101', 'Ventas', 0),
  ('511', 'Apertura de valores', 0);
INSERT INTO VT_CLIENTES (Codigo, RAZON_SOCIAL) VALUES
  ('112010005', 'PEREZ JUAN'),
  ('112010006', 'GOMEZ  ANA'),
  ('112010007', 'Ferretería Núñez'),
  ('112010008', 'MUÑOZ JOSÉ'),
  ('112010009', 'IBÁÑEZ RAÚL'),
  ('112010012', 'Taller Ñandú'),
  ('112010123', 'Panadería La Espiga'),
  ('112014567', 'Ferretería Güemes');
INSERT INTO MA_CUENTASADIC (CODIGO, NUMERO_DOCUMENTO, IVA, CLASE) VALUES
  ('112010005', '20-12345678-3', 'CF', 1),
  ('112010006', '27-23456789-4', 'CF', 1),
  ('112010007', '30-70123456-7', 'RI', 1),
  ('112010008', '20-34567890-1', 'CF', 1),
  ('112010009', '20-45678901-2', 'MT', 5),
  ('112010012', '30-70987654-3', 'RI', 1),
  ('112010123', '30-71234567-8', 'RI', 2),
  ('112014567', '30-69876543-2', 'RI', 2);
INSERT INTO MV_EJERCICIOS (Periodo, [FECHA DESDE], [FECHA HASTA], Descripcion) VALUES
  (2019, '2019-01-01 00:00:00', '2019-12-31 00:00:00', 'Ejercicio 2019'),
  (2020, '2020-01-01 00:00:00', '2020-12-31 00:00:00', 'Ejercicio 2020');
INSERT INTO TA_CONFIGURACION (Grupo, Clave, Valor) VALUES
  ('Contabilidad', 'CUENTAVENTASDEFAULTINS', '41101'),
  ('General', 'CANTIDADDECIMALES', '2'),
  ('Seguridad', 'SS_CONFIDENCIALIDAD', 'NO'),
  ('Contabilidad', 'UTILIZARFECHADIA', 'NO');
INSERT INTO TA_USUARIOS (Nombre, Administrador, Unegocio) VALUES ('OPERADOR', 0, '   1');
)";

// One batch run: an import mode (0-6) or, with modo -1, the price-list tool.
struct Corrida {
  int modo;
  const char* archivo;
  const char* titulo;
};

constexpr Corrida kCorridas[] = {
    {0, "saldos_clientes.txt", "Conformación Saldo Clientes"},
    {1, "saldos_proveedores.txt", "Conformación Saldo Proveedores"},
    {2, "empleados.csv", "Alta Empleados"},
    {3, "cheques_terceros.csv", "Cheques de Terceros"},
    {4, "cheques_propios.csv", "Cheques Propios"},
    {5, "pendientes.csv", "Remitos Pendientes de Facturar"},
    {6, "ot_pendientes.csv", "OT Pendientes de Remitir"},
    {-1, "lista_precios.txt", "Lista de precios de clientes"},
};

// The tables a run writes rows into; a second pass must leave every count as it was.
constexpr const char* kTablasEscritas[] = {"MV_ASIENTOS", "MA_CALENDARIO", "MA_CUENTAS",
                                           "V_MV_CPTE",   "V_TA_TAREAS",   "V_MV_CPTETAREAS"};

// The samples folder: IMPORTADOR_SAMPLES, else samples/ where the program's read-only files are
// (beside the program in an unpacked package, share/importador/ when installed), else samples/
// of the source tree this program was built from (the build tree).
fs::path CarpetaMuestras() {
  const std::string elegida = plataforma::Entorno("IMPORTADOR_SAMPLES");
  if (!elegida.empty()) return plataforma::RutaFs(elegida);
  std::error_code ec;
  const fs::path datos = plataforma::RutaFs(plataforma::ArchivoDeDatos("samples"));
  if (fs::is_directory(datos, ec)) return datos;
  return fs::path(__FILE__).parent_path().parent_path() / "samples";
}

// The folder of the demo: the one given (created when missing) or a new one under the
// temporary folder. Raises ErrorEjecucion naming the folder when it cannot be made.
fs::path PrepararCarpeta(const std::string& pedida) {
  std::error_code ec;
  if (!pedida.empty()) {
    fs::path carpeta = fs::absolute(plataforma::RutaFs(pedida), ec);
    if (!ec) fs::create_directories(carpeta, ec);
    if (ec) {
      throw plataforma::ErrorEjecucion(
          plataforma::kErrRutaNoEncontrada,
          "No se pudo crear la carpeta " + pedida + ": " + ec.message());
    }
    return carpeta;
  }
  const std::string nueva = plataforma::CrearCarpetaTemporal("importador-demo-");
  if (nueva.empty()) {
    throw plataforma::ErrorEjecucion(
        plataforma::kErrAccesoRuta,
        "No se pudo crear una carpeta en " + plataforma::CarpetaTemporal());
  }
  return plataforma::RutaFs(nueva);
}

// The files of the previous system are copied byte for byte (Windows-1252, CR LF).
fs::path CopiarMuestras(const fs::path& carpeta) {
  const fs::path origen = CarpetaMuestras();
  const fs::path destino = carpeta / "archivos";
  fs::create_directories(destino);
  for (const Corrida& c : kCorridas) {
    std::error_code ec;
    fs::copy_file(origen / c.archivo, destino / c.archivo, fs::copy_options::overwrite_existing,
                  ec);
    if (ec) {
      throw plataforma::ErrorEjecucion(
          plataforma::kErrArchivoNoEncontrado,
          "No se pudo copiar el archivo de muestra " + plataforma::TextoRuta(origen / c.archivo) +
              ": " + ec.message() + " (IMPORTADOR_SAMPLES nombra otra carpeta)");
    }
  }
  return destino;
}

// A word for the shell: quoted when it holds anything but plain path characters.
std::string ParaShell(const std::string& palabra) { return plataforma::PalabraDeOrden(palabra); }

// This program's path, for the command lines the demo prints.
std::string EstePrograma() {
  const std::string ruta = plataforma::RutaEjecutable();
  return ruta.empty() ? "importador" : ruta;
}

// Runs this program with the arguments and returns its exit status (-1 when it could not run
// or did not end normally). Its output goes straight to ours.
int CorrerPrograma(const std::vector<std::string>& argumentos) {
  std::cout << std::flush;
  std::cerr << std::flush;
  std::fflush(nullptr);
  return plataforma::EjecutarYEsperar(EstePrograma(), argumentos);
}

// Runs every mode once; returns how many runs did not end with status 0.
int Pasada(const fs::path& archivos, const std::string& parametros, const std::string& traza) {
  int fallidas = 0;
  for (const Corrida& c : kCorridas) {
    const std::string archivo = plataforma::TextoRuta(archivos / c.archivo);
    std::vector<std::string> args = {"--lote"};
    if (c.modo >= 0) {
      args.insert(args.end(), {"--modo", std::to_string(c.modo), "--archivo", archivo});
    } else {
      args.insert(args.end(), {"--lista", archivo});
    }
    args.insert(args.end(), {"--traza", traza, parametros});

    std::cout << "\n--- " << c.titulo << " (" << c.archivo << ")\n$ " << ParaShell(EstePrograma());
    for (const std::string& a : args) std::cout << " " << ParaShell(a);
    std::cout << "\n";
    const int estado = CorrerPrograma(args);
    if (estado != 0) {
      std::cout << "*** La corrida terminó con el estado " << estado << "\n";
      ++fallidas;
    }
  }
  return fallidas;
}

int64_t Entero(const plataforma::Valor& v) {
  if (const auto* n = std::get_if<int64_t>(&v)) return *n;
  if (const auto* d = std::get_if<double>(&v)) return static_cast<int64_t>(*d);
  if (const auto* m = std::get_if<plataforma::Moneda>(&v)) return m->diezmilesimos / 10000;
  if (const auto* s = std::get_if<std::string>(&v)) return std::atoll(s->c_str());
  return 0;
}

std::string Texto(const plataforma::Valor& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  if (std::holds_alternative<plataforma::Nulo>(v)) return "";
  return std::to_string(Entero(v));
}

// An amount in ten-thousandths as 1234.50.
std::string Importe(int64_t diezmilesimos) {
  char texto[40];
  const int64_t centavos = (diezmilesimos >= 0 ? diezmilesimos + 50 : diezmilesimos - 50) / 100;
  std::snprintf(texto, sizeof texto, "%s%lld.%02lld", centavos < 0 ? "-" : "",
                static_cast<long long>(std::llabs(centavos) / 100),
                static_cast<long long>(std::llabs(centavos) % 100));
  return texto;
}

std::vector<int64_t> ContarFilas(ado::Connection& cnn) {
  std::vector<int64_t> cuentas;
  for (const char* tabla : kTablasEscritas) {
    auto r = cnn.Execute(std::string("SELECT COUNT(*) FROM ") + tabla);
    cuentas.push_back(r && !r->filas.empty() ? Entero(r->filas[0][0]) : -1);
  }
  return cuentas;
}

// Prints every journal entry with its debits and credits, and the totals. An entry is the
// lines that share period, month, register type and entry number. True when every entry and
// the whole journal balance.
bool TotalesDelDiario(ado::Connection& cnn) {
  // Importe holds four decimals: summed as whole ten-thousandths, so equality is exact.
  auto r = cnn.Execute(
      "SELECT PERIODO, MES_OPERATIVO, [NUMERO ASIENTO], MIN(TC), MIN(LETRA), MIN(SUCURSAL), "
      "MIN(NUMERO), COUNT(*), "
      "SUM(CASE WHEN [Debe-Haber] = 'D' THEN CAST(ROUND(Importe * 10000) AS INTEGER) ELSE 0 "
      "END), "
      "SUM(CASE WHEN [Debe-Haber] = 'H' THEN CAST(ROUND(Importe * 10000) AS INTEGER) ELSE 0 "
      "END), "
      "SUM(CASE WHEN [Debe-Haber] IN ('D', 'H') THEN 0 ELSE 1 END) "
      "FROM MV_ASIENTOS GROUP BY PERIODO, MES_OPERATIVO, TIPO_REG, [NUMERO ASIENTO] "
      "ORDER BY PERIODO, MES_OPERATIVO, [NUMERO ASIENTO], MIN(TC), MIN(NUMERO)");
  std::printf("\nDiario (MV_ASIENTOS), asiento por asiento:\n");
  // Written out: printf pads bytes, and the accented letters take two.
  std::printf(
      "  Período Mes Asiento  Comprobante            Líneas"
      "           Debe          Haber\n");
  int64_t debe = 0, haber = 0, lineas = 0, desbalanceados = 0, asientos = 0;
  for (const auto& f : r ? r->filas : std::vector<std::vector<plataforma::Valor>>{}) {
    const std::string comprobante =
        Texto(f[3]) + " " + Texto(f[4]) + " " + Texto(f[5]) + "-" + Texto(f[6]);
    const int64_t d = Entero(f[8]), h = Entero(f[9]), sinLado = Entero(f[10]);
    const bool balancea = d == h && sinLado == 0;
    std::printf("  %-7s %3s %7s  %-22s %6lld %14s %14s%s\n", Texto(f[0]).c_str(),
                Texto(f[1]).c_str(), Texto(f[2]).c_str(), comprobante.c_str(),
                static_cast<long long>(Entero(f[7])), Importe(d).c_str(), Importe(h).c_str(),
                balancea ? "" : "  <- NO BALANCEA");
    ++asientos;
    lineas += Entero(f[7]);
    debe += d;
    haber += h;
    if (!balancea) ++desbalanceados;
  }
  const bool bien = desbalanceados == 0 && debe == haber;
  std::printf("Totales: %lld asientos, %lld líneas, Debe %s, Haber %s: %s\n",
              static_cast<long long>(asientos), static_cast<long long>(lineas),
              Importe(debe).c_str(), Importe(haber).c_str(),
              bien ? "el diario balancea (Debe = Haber en cada asiento y en total)"
                   : ("el diario NO balancea (" + std::to_string(desbalanceados) +
                      " asientos desbalanceados)")
                         .c_str());
  return bien;
}

// True when the second pass left every table as the first one did; prints what changed.
bool NadaDosVeces(const std::vector<int64_t>& antes, const std::vector<int64_t>& despues) {
  bool igual = true;
  // As many counts as tables, each named by its place in the list.
  for (size_t i = 0; i < std::size(kTablasEscritas) && i < antes.size(); ++i) {
    if (antes[i] == despues[i]) continue;
    std::printf("*** %s: %lld filas tras la primera pasada, %lld tras la segunda\n",
                kTablasEscritas[i], static_cast<long long>(antes[i]),
                static_cast<long long>(despues[i]));
    igual = false;
  }
  std::printf("%s\n", igual ? "Segunda pasada: nada se registró dos veces (0 filas nuevas)."
                            : "Segunda pasada: se registraron filas dos veces.");
  return igual;
}

}  // namespace

int ComandoDemo(const std::string& carpetaPedida) {
  try {
    const fs::path carpeta = PrepararCarpeta(carpetaPedida);
    const std::string textoCarpeta = plataforma::TextoRuta(carpeta);
    if (textoCarpeta.find_first_of(";'\"") != std::string::npos) {
      std::fprintf(stderr, "demo: la carpeta %s no puede llevar ';' ni comillas\n",
                   textoCarpeta.c_str());
      return 1;
    }
    std::printf("Carpeta de la demostración: %s\n", textoCarpeta.c_str());
    // The runs keep the program's own files where they always do; say where that is.
    std::printf("Archivos del programa (consultas.kvx, KVERR.LOG, BASES.TXT): %s\n",
                plataforma::CarpetaPrograma().c_str());

    const std::string base = CrearEmpresa(textoCarpeta, kEmpresa);
    auto cnn = ado::CrearConexion();
    cnn->Open(CadenaConexionSQLite(base));
    EjecutarScriptSQLite(*cnn, kDatosEmpresa);
    std::printf("Empresa %s creada: %s\n", kEmpresa, base.c_str());
    const fs::path archivos = CopiarMuestras(carpeta);
    std::printf("Archivos de muestra copiados en %s\n", plataforma::TextoRuta(archivos).c_str());

    const std::string parametros = "@Server=" + ServidorSQLite(textoCarpeta) +
                                   ";@DbName=" + kEmpresa + ";@Usuario=" + kOperador +
                                   ";@Password=" + kClave + ";";
    const std::string traza = plataforma::TextoRuta(carpeta / "traza.jsonl");

    std::printf("\n=== Primera pasada: cada modo importa su archivo\n");
    int fallidas = Pasada(archivos, parametros, traza);
    const bool balancea = TotalesDelDiario(*cnn);
    const std::vector<int64_t> antes = ContarFilas(*cnn);

    std::printf("\n=== Segunda pasada: los mismos archivos otra vez\n");
    fallidas += Pasada(archivos, parametros, traza);
    const bool unaVez = NadaDosVeces(antes, ContarFilas(*cnn));
    cnn->Close();

    std::printf("\nSentencias enviadas: %s\n", traza.c_str());
    std::printf("Para abrir la ventana sobre la misma empresa (necesita pantalla):\n  %s %s\n",
                ParaShell(EstePrograma()).c_str(), ParaShell(parametros).c_str());
    if (fallidas) std::printf("*** %d corridas no terminaron bien\n", fallidas);
    return balancea && unaVez && fallidas == 0 ? 0 : 1;
  } catch (const plataforma::ErrorEjecucion& e) {
    std::fprintf(stderr, "demo: %s\n", e.Description.c_str());
    return 1;
  } catch (const fs::filesystem_error& e) {
    std::fprintf(stderr, "demo: %s\n", e.what());
    return 1;
  }
}
