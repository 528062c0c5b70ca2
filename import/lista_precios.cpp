// Customer price-class reassignment: each line of the tab-separated list names a customer by
// its account name and gives the price class to write into CLASE of MA_CUENTASADIC.

#include "import/lista_precios.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "data/bloqueo_importacion.h"
#include "data/db_dll.h"
#include "data/valores_sesion.h"
#include "import/contexto_corrida.h"
#include "platform/archivos.h"
#include "platform/dialogos.h"
#include "platform/error_ejecucion.h"
#include "platform/regional.h"
#include "platform/senales.h"
#include "utility/utilidades.h"

namespace {

using utilidad::Trim;

const char kTituloAplicacion[] = "Importador de saldos iniciales";

void Avisar(const std::string& texto) {
  plataforma::MsgBox(texto, plataforma::vbOKOnly, kTituloAplicacion);
}

const std::string& Campo(const std::vector<std::string>& campos, size_t i) {
  if (i >= campos.size()) {
    throw plataforma::ErrorEjecucion(plataforma::kErrIndiceFueraDeRango,
                                     "Subíndice fuera del intervalo");
  }
  return campos[i];
}

// The class goes into the UPDATE unquoted, so it must be a plain number and nothing else:
// digits with an optional sign and an optional "." followed by digits.
bool EsNumeroSimple(const std::string& texto) {
  size_t i = (!texto.empty() && texto[0] == '-') ? 1 : 0;
  const size_t enteros = texto.find_first_not_of("0123456789", i);
  const size_t finEnteros = enteros == std::string::npos ? texto.size() : enteros;
  if (finEnteros == i) return false;
  if (finEnteros == texto.size()) return true;
  if (texto[finEnteros] != '.' || finEnteros + 1 == texto.size()) return false;
  return texto.find_first_not_of("0123456789", finEnteros + 1) == std::string::npos;
}

// The lines of the file; false when the tool must stop (its message was shown).
bool ProcesarArchivo(plataforma::ArchivoTexto& archivo, const std::string& ruta,
                     ResumenLista& resumen, LeidoDelArchivo& leido) {
  long numeroLinea = 0;
  while (!archivo.EOF_()) {
    // A signal (batch mode) stops the tool after the line it was on: each update is its own.
    if (const plataforma::Senal senal = plataforma::SenalRecibida();
        senal != plataforma::Senal::Ninguna) {
      resumen.senal = plataforma::NombreDeSenal(senal);
      resumen.detenidoEnLinea = numeroLinea;
      Avisar("Proceso detenido por la señal " + resumen.senal + " después de la línea " +
             std::to_string(numeroLinea) + " de " + ruta + ". Lo actualizado se conserva.");
      return false;
    }
    const std::string linea = archivo.LeerLinea();
    ++numeroLinea;
    // A blank line (the one an editor leaves at the end) names no customer.
    if (Trim(utilidad::QuitarCaracteres(linea, "\t")).empty()) continue;
    const std::vector<std::string> campos = utilidad::Dividir(linea, "\t");
    if (Trim(Campo(campos, 2)).empty() || Trim(Campo(campos, 3)).empty()) continue;

    const std::string clase = Trim(Campo(campos, 3));
    // Account names are stored without single quotes; ask for the name the way it was stored.
    const std::string nombre = utilidad::QuitarCaracteres(Trim(Campo(campos, 2)), "'");
    leido.AnotarClase(nombre, clase);
    const std::string codigo = DB().DatosTabla("@ADMIN_MA_CUENTAS", nombre, "CODIGO", "DESCRIPCION",
                                               kTipoTexto, "", true, false);
    if (Trim(codigo).empty()) {
      ++resumen.nombresNoEncontrados;
      leido.ClaseNoAplicada();
      continue;
    }
    if (!EsNumeroSimple(clase)) {
      Avisar("Línea " + std::to_string(numeroLinea) + " de " + ruta + ": la clase de precio \"" +
             utilidad::Abreviado(clase) + "\" de " + nombre +
             " no es un número. No se actualizó ese cliente.");
      return false;
    }

    std::string sql = "UPDATE MA_CUENTASADIC SET CLASE = " + clase + " WHERE codigo = '" +
                      utilidad::QuitarCaracteres(codigo, "'") + "'";
    int32_t afectadas = 0;
    DB().EjecutaConsultaSQL(sql, &afectadas);
    ado::ErrorCollection& errores = DB().Cnn().Errors();
    if (errores.Count() > 0) {
      Avisar("Línea " + std::to_string(numeroLinea) + " de " + ruta + ": " +
             errores.Item(0).Description);
      return false;
    }
    // An account without additional data has no row to update: not counted as updated.
    if (afectadas > 0) {
      ++resumen.clasesActualizadas;
    } else {
      ++resumen.sinDatosAdicionales;
      leido.ClaseNoAplicada();
    }
  }
  return true;
}

}  // namespace

ResumenLista CmdEjecutarLista_Click(const std::string& TxtLista, bool ensayo) {
  ResumenLista resumen;
  resumen.ensayo = ensayo;
  resumen.archivo = TxtLista;
  resumen.inicio = plataforma::Ahora();
  resumen.empresa = DB().gDBName;
  resumen.operador = gUsuarioLogeado;
  resumen.equipo = utilidad::NombreMaquina();
  BloqueoImportacion bloqueo;
  if (!bloqueo.Tomar(kModoLista, TxtLista, resumen.empresaOcupada)) {
    plataforma::MsgBox(MensajeEmpresaOcupada(resumen.empresaOcupada),
                       plataforma::vbExclamation + plataforma::vbOKOnly, "Aviso al Usuario");
    return resumen;
  }
  // The operator is told at once; the price list's summary has no place for it.
  std::vector<std::string> avisos, errores;
  RehabilitarTriggersDejados(avisos, errores);
  TransaccionDeEnsayo transaccion;
  if (ensayo && !transaccion.Iniciar()) {
    Avisar("No se pudo comenzar la transacción del ensayo");
    resumen.fin = plataforma::Ahora();
    return resumen;
  }
  // Said last, whatever the end: the operator must not take what was shown as written.
  struct AvisoDeEnsayo {
    bool ensayo;
    ~AvisoDeEnsayo() {
      if (ensayo) Avisar("ENSAYO: no se grabó nada");
    }
  } aviso{ensayo};
  plataforma::ArchivoTexto archivo;
  LeidoDelArchivo leido;
  bool completo = false;
  try {
    archivo.Abrir(TxtLista);
    resumen.sha256Archivo = utilidad::Sha256Hex(archivo.Bytes());
    completo = ProcesarArchivo(archivo, TxtLista, resumen, leido);
    archivo.Cerrar();
  } catch (const plataforma::ErrorEjecucion& e) {
    if (archivo.Abierto()) archivo.Cerrar();
    Avisar("ERROR DETECTADO " + std::to_string(e.Number) + " " + e.Description + " ");
  } catch (const std::exception& e) {
    if (archivo.Abierto()) archivo.Cerrar();
    Avisar("ERROR DETECTADO " + std::to_string(plataforma::kErrArgumentoInvalido) + " " + e.what() +
           " ");
  }
  if (completo) {  // else the operator was told why; nothing more is sent
    Avisar("FINALIZADO");
    resumen.finalizado = true;
    // The classes as MA_CUENTASADIC holds them now, read once after the last line.
    resumen.conciliacion = Conciliar(leido, "");
  }
  resumen.fin = plataforma::Ahora();
  return resumen;
}
