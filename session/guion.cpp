// The script runner: cuts a script into batches, guards against table-dropping commands, runs
// the batches in cycles until no object is missing any more and logs the unexpected errors.

#include "session/guion.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "data/aviso_operador.h"
#include "data/configuracion.h"
#include "data/db_dll.h"
#include "data/reintento.h"
#include "data/traza.h"
#include "data/valores_sesion.h"
#include "platform/archivos.h"
#include "platform/dialogos.h"
#include "platform/error_ejecucion.h"
#include "platform/regional.h"
#include "utility/utilidades.h"

namespace {

using plataforma::ErrorEjecucion;
using utilidad::Trim;

constexpr const char* kCrLf = "\r\n";
constexpr const char* kBom = "\xEF\xBB\xBF";
constexpr const char* kClaveAcceso = "QWTX@";
constexpr int kMaximoCiclos = 20;
// Invalid object name: the batch names an object that a later batch creates.
constexpr int32_t kObjetoInexistente = 208;
// Errors of a repeated creation, or of an object that is still missing: never logged.
constexpr int32_t kNoRegistrados[] = {208, 1913, 1779, 1781, 2714, 2729};

AbridorDocumento gAbridor = utilidad::AbrirDocumento;

bool Contiene(const std::string& texto, const char* buscado) {
  return texto.find(buscado) != std::string::npos;
}

bool EmpiezaCon(const std::string& texto, const char* prefijo) {
  return texto.rfind(prefijo, 0) == 0;
}

std::string Reemplazar(const std::string& texto, const std::string& buscar,
                       const std::string& reemplazo) {
  return utilidad::ReemplazaTexto(texto, buscar, reemplazo);
}

// Script<h><m><s>.TXT, each number without leading zeros.
std::string RutaRegistro() {
  plataforma::FechaHora ahora = plataforma::Ahora();
  return utilidad::RutaConBarra(CarpetaTemporal()) + "Script" + std::to_string(ahora.hora) +
         std::to_string(ahora.minuto) + std::to_string(ahora.segundo) + ".TXT";
}

// True when the bytes are well-formed UTF-8 (then the script is passed on as it is).
bool EsUtf8(const std::string& s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t largo = c < 0x80             ? 1
                   : (c & 0xE0) == 0xC0 ? 2
                   : (c & 0xF0) == 0xE0 ? 3
                   : (c & 0xF8) == 0xF0 ? 4
                                        : 0;
    if (largo == 0 || (largo == 2 && c < 0xC2) || i + largo > s.size()) return false;
    for (size_t k = 1; k < largo; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += largo;
  }
  return true;
}

std::string LeerBytes(const std::string& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  if (!f) {
    throw ErrorEjecucion(plataforma::kErrArchivoNoEncontrado,
                         "No se puede abrir el archivo " + ruta);
  }
  std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (f.bad()) {
    throw ErrorEjecucion(plataforma::kErrAccesoRuta, "No se puede leer el archivo " + ruta);
  }
  return bytes;
}

// Lines end at CR LF, at a lone CR or at a lone LF (scripts written on this platform).
std::vector<std::string> Lineas(const std::string& bytes) {
  std::vector<std::string> lineas;
  std::string actual;
  for (size_t i = 0; i < bytes.size(); ++i) {
    char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lineas.push_back(actual);
      actual.clear();
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      actual += c;
    }
  }
  if (!actual.empty()) lineas.push_back(actual);
  return lineas;
}

bool ComandoDestructivo(const std::string& linea) {
  if (!Contiene(linea, "drop table") && !Contiene(linea, "truncate table")) return false;
  return !Contiene(linea, "TRUNCATE TABLE AC_VentasFormTStock") &&
         !Contiene(linea, "TRUNCATE TABLE MA_CUENTAS_SALDOS") &&
         !Contiene(linea, "DROP TABLE #TTEmp");
}

// Asks for the access code; false (after the warning) when the operator does not know it.
bool PermiteComando(const std::string& linea) {
  std::string clave = plataforma::DialogosActuales().InputBox(
      std::string("Ingresa la Clave para permitir ejecutar este comando..") + kCrLf + linea,
      "Atencion", "");
  if (clave == kClaveAcceso) return true;
  plataforma::MsgBox(std::string("SE HA DETECTADO UN COMANDO DE ELIMINACION DE TABLA... NO ESTA "
                                 "PERMITIDO LA EJECUCION DE ESTOS COMANDOS...") +
                         kCrLf + "OPERACION ABORTADA!!!",
                     plataforma::vbCritical, "ATENCION!");
  return false;
}

// Today's date a year later or earlier; 29 February becomes the 28th in a common year.
plataforma::FechaHora OtroAnio(int delta) {
  plataforma::FechaHora f = plataforma::Hoy();
  f.anio += delta;
  bool bisiesto = (f.anio % 4 == 0 && f.anio % 100 != 0) || f.anio % 400 == 0;
  if (f.mes == 2 && f.dia == 29 && !bisiesto) f.dia = 28;
  return f;
}

std::string ConMarcadores(std::string lote) {
  using plataforma::FormatoFecha;
  lote = Reemplazar(lote, "<DATE>", FormatoFecha(plataforma::Hoy()));
  lote = Reemplazar(lote, "<NOW>", plataforma::FormatoFechaHora(plataforma::Ahora()));
  lote = Reemplazar(lote, "<DATE+YEAR>", FormatoFecha(OtroAnio(1)));
  lote = Reemplazar(lote, "<DATE-YEAR>", FormatoFecha(OtroAnio(-1)));
  lote = Reemplazar(lote, "<DATABASE>", utilidad::Mayusculas(DB().gDBName));
  return lote;
}

std::string VistaCuentas(bool confidencial) {
  if (confidencial) {
    return "CREATE VIEW dbo.SS_MA_CUENTAS "
           " AS "
           " SELECT MA_CUENTAS.* "
           " FROM MA_CUENTAS_USUARIOS INNER JOIN "
           " MA_CUENTAS ON  "
           " MA_CUENTAS_USUARIOS.Cuenta = MA_CUENTAS.CODIGO INNER  "
           " Join TA_USUARIOS ON "
           " MA_CUENTAS_USUARIOS.GrupoUser = TA_USUARIOS.Grupo  "
           " Where (TA_USUARIOS.Nombre = SYSTEM_USER)";
  }
  return "CREATE VIEW dbo.SS_MA_CUENTAS "
         " AS "
         " SELECT * "
         " FROM MA_CUENTAS";
}

bool NoSeRegistra(int32_t nativo) {
  for (int32_t n : kNoRegistrados) {
    if (n == nativo) return true;
  }
  return false;
}

// Five lines: stars, date and time, the error, stars, the batch, stars. Login passwords in
// the batch (the provisioning script creates a login) are written as "****".
std::string EntradaRegistro(const ado::Error& e, const std::string& lote) {
  const std::string estrellas(112, '*');
  plataforma::FechaHora ahora = plataforma::Ahora();
  return estrellas + kCrLf + plataforma::FormatoFecha(ahora) + " - " +
         plataforma::FormatearFecha(ahora, "hh:nn:ss") + kCrLf + "  Error " +
         std::to_string(e.NativeError) + " " + OcultaClaves(e.Description) + kCrLf + estrellas +
         kCrLf + OcultaClaves(lote) + kCrLf + estrellas + kCrLf;
}

// The batches of the script; false when the guard stopped the run.
bool Cortar(const std::vector<std::string>& lineas, bool utf8, bool& Permitido,
            std::vector<std::string>& lotes) {
  lotes.assign(1, "");
  for (std::string linea : lineas) {
    std::string limpia = Trim(linea);
    if (EmpiezaCon(limpia, kBom)) linea = limpia.substr(3);
    if (!utf8) linea = plataforma::Cp1252AUtf8(linea);
    limpia = Trim(linea);
    if (EmpiezaCon(limpia, "--")) continue;
    if (ComandoDestructivo(linea) && !Permitido) {
      if (!PermiteComando(linea)) return false;
      Permitido = true;
    }
    if (limpia == "GO" || limpia == "/") {
      lotes.emplace_back();
    } else if (!limpia.empty()) {
      lotes.back() += linea + kCrLf;
    }
  }
  return true;
}

class Corrida {
 public:
  Corrida(const std::string& ruta, DB_Dll& destino) : ruta_(ruta), destino_(destino) {}

  void Ejecutar(bool& Permitido) {
    if (Preparar(Permitido)) {
      NoCount();
      Ciclos();
    }
    registro_.close();
    if (registrado_ && gParametroAdicional != "Automatica") {
      plataforma::MsgBox("Se detectaron errores, consulte el archivo " + rutaRegistro_,
                         plataforma::vbOKOnly, "");
      if (gAbridor) gAbridor(rutaRegistro_);
    }
  }

 private:
  // Steps before the first cycle, each under the error dialog; false when the run must end.
  bool Preparar(bool& Permitido) {
    auto aviso = [](const ErrorEjecucion& e) { return AvisoOperador(e, 18, "Ejecutar"); };
    std::string bytes;
    std::vector<std::string> lineas;
    bool sigue = PasoConDialogo(
                     [&] {
                       rutaRegistro_ = RutaRegistro();
                       vistas_ = Contiene(ruta_, "VISTAS");
                       completo_ = Contiene(ruta_, "COMPLETO");
                       confidencial_ = vistas_ && Cfg("SS_Confidencialidad") == "SI";
                     },
                     aviso) &&
                 PasoConDialogo(
                     [&] {
                       registro_.open(rutaRegistro_, std::ios::app | std::ios::binary);
                       if (!registro_) {
                         throw ErrorEjecucion(plataforma::kErrAccesoRuta,
                                              "No se puede escribir el archivo " + rutaRegistro_);
                       }
                     },
                     aviso) &&
                 PasoConDialogo([&] { bytes = LeerBytes(ruta_); }, aviso) &&
                 PasoConDialogo([&] { lineas = Lineas(bytes); }, aviso);
    if (!sigue) return false;
    return Cortar(lineas, EsUtf8(bytes), Permitido, lotes_);
  }

  void NoCount() {
    std::string sql = "SET NOCOUNT ON";
    try {
      destino_.EjecutaConsultaSQL(sql);
      ado::ErrorCollection& errores = destino_.Cnn().Errors();
      if (errores.Count() > 0) {
        plataforma::MsgBox(errores.Item(0).Description, plataforma::vbOKOnly, "");
        errores.Clear();
      }
    } catch (const std::exception&) {
    }
  }

  void Ciclos() {
    for (int ciclo = 1; ciclo <= kMaximoCiclos; ++ciclo) {
      bool otraVez = false;
      for (const std::string& lote : lotes_) {
        try {
          Lote(lote, ciclo, otraVez);
        } catch (const std::exception&) {
          // From the first cycle on a failing step is skipped.
        }
      }
      if (!otraVez) return;
    }
  }

  void Lote(const std::string& original, int ciclo, bool& otraVez) {
    std::string lote = ConMarcadores(original);
    if ((vistas_ || completo_) && Contiene(lote, "CREATE VIEW dbo.SS_MA_CUENTAS")) {
      lote = VistaCuentas(confidencial_);
    }
    if (ciclo == 1) {
      if (!Contiene(lote, "FMT_ESTADISTICAFH") && !Trim(lote).empty()) Enviar(lote);
    } else {
      if (Contiene(lote, "drop ")) return;
      if (!Trim(lote).empty()) Enviar(lote);
    }
    ado::ErrorCollection& errores = destino_.Cnn().Errors();
    if (errores.Count() > 0) {
      const ado::Error& primero = errores.Item(0);
      if (!NoSeRegistra(primero.NativeError)) Registrar(primero, lote);
      if (!otraVez && primero.NativeError == kObjetoInexistente) otraVez = true;
    }
    errores.Clear();
  }

  // The text as the data-access object ran it (it may rewrite it) is what the log shows.
  void Enviar(std::string& lote) { destino_.EjecutaConsultaSQL(lote); }

  void Registrar(const ado::Error& e, const std::string& lote) {
    registro_ << plataforma::Utf8ACp1252(EntradaRegistro(e, lote));
    registro_.flush();
    if (registro_.good()) registrado_ = true;
  }

  const std::string ruta_;
  DB_Dll& destino_;
  std::string rutaRegistro_;
  std::ofstream registro_;
  bool vistas_ = false;
  bool completo_ = false;
  bool confidencial_ = false;
  bool registrado_ = false;
  std::vector<std::string> lotes_;
};

}  // namespace

void Ejecutar(const std::string& Ruta, bool& Permitido, DB_Dll& Destino) {
  if (Ruta.empty()) return;
  Corrida(Ruta, Destino).Ejecutar(Permitido);
}

void Ejecutar(const std::string& Ruta, bool& Permitido) { Ejecutar(Ruta, Permitido, DB()); }

void EstablecerAbridorRegistro(AbridorDocumento abridor) { gAbridor = abridor; }

std::string CarpetaTemporal() {
  std::string temp = Trim(plataforma::Entorno("TEMP"));
  return temp.empty() ? utilidad::CarpetaAlternativa() : temp;
}
