#include "session/inicio.h"

#include <filesystem>
#include <optional>
#include <utility>

#include "data/conexiones.h"
#include "data/db_dll.h"
#include "data/reintento.h"
#include "data/valores_sesion.h"
#include "platform/archivos.h"
#include "platform/error_ejecucion.h"
#include "session/ajustes.h"
#include "session/estadisticas.h"
#include "utility/utilidades.h"

namespace {

using plataforma::ErrorEjecucion;
using utilidad::Trim;

std::string& LineaDeComandos() {
  static std::string linea;
  return linea;
}

std::optional<std::string>& ClaveAparte() {
  static std::optional<std::string> clave;
  return clave;
}

// The value of one token: nullopt when the token is absent, empty when no ";" closes it
// (except "@ParametroAdicional", which then takes the 19 characters after the token).
std::optional<std::string> ExtraerValor(const std::string& cadena, const std::string& token) {
  const long largo = static_cast<long>(token.size());
  const long p = static_cast<long>(utilidad::InStrSinCaso(cadena, token));
  if (p == 0) return std::nullopt;
  const long e = static_cast<long>(utilidad::InStrSinCaso(cadena, ";", p));
  long l = e - largo - p;
  if (l < 0) {
    if (!utilidad::IgualSinCaso(token, "@ParametroAdicional")) return std::string();
    l = largo;
  }
  const size_t inicio = static_cast<size_t>(p - 1 + largo);
  std::string valor = inicio < cadena.size() ? cadena.substr(inicio, l) : std::string();
  return Trim(utilidad::QuitarCaracteres(valor, "="));
}

std::string ValorOAusente(const std::string& cadena, const std::string& token,
                          const std::string& ausente) {
  return ExtraerValor(cadena, token).value_or(ausente);
}

// True when something the search-definition lookup would list is at `ruta`.
bool ExisteArchivoComun(const std::string& ruta) {
  std::error_code ec;
  return std::filesystem::is_regular_file(plataforma::RutaFs(ruta), ec);
}

// Runs one start-up step. An invalid-argument failure skips only that step (true: go on); any
// other failure stops start-up (false).
template <typename Paso>
bool Ejecutar(Paso&& paso) {
  return IntentarPaso(paso, [](const ErrorEjecucion& e) {
    return e.Number == plataforma::kErrArgumentoInvalido ? TrasFalla::Seguir : TrasFalla::Salir;
  });
}

}  // namespace

void EstablecerLineaDeComandos(const std::string& linea) { LineaDeComandos() = linea; }

void EstablecerClaveAparte(std::optional<std::string> clave) { ClaveAparte() = std::move(clave); }

ParametrosInicio ExtraerParametros(const std::string& Parametros) {
  ParametrosInicio p;
  p.parametroAdicional = ValorOAusente(Parametros, "@ParametroAdicional", "");
  p.servidor = ValorOAusente(Parametros, "@Server", "");
  p.base = ValorOAusente(Parametros, "@DbName", "");
  p.usuario = ValorOAusente(Parametros, "@Usuario", "");
  p.password = ValorOAusente(Parametros, "@Password", "");
  p.caja = ValorOAusente(Parametros, "@Caja", "1");
  return p;
}

void AplicarMarcaOracle(ParametrosInicio& p, std::string& ConnString) {
  if (EsServidorSQLite(p.servidor) || p.servidor.empty() || p.servidor[0] != '#') return;
  p.servidor.erase(0, 1);
  if (ConnString.empty()) {
    ConnString = CadenaConexionOracle(p.base, p.usuario, p.password);
  }
}

bool IniciarSesion(bool LeerIni, const std::string& Parametros, std::string& ConnString,
                   int32_t CursorLocation, bool RegistraAcceso) {
  DB_Dll& db = DB();
  // After a failure that stops start-up the program goes on only with an open session.
  auto abierta = [&db] { return db.gOpenFlag; };

  std::string rutaPrograma;
  if (!Ejecutar([&] { rutaPrograma = utilidad::RutaConBarra(plataforma::CarpetaPrograma()); })) {
    return abierta();
  }

  const std::string cadena = Parametros.empty() ? LineaDeComandos() : Parametros;
  ParametrosInicio valores = ExtraerParametros(cadena);
  // Taken as it is: no "=" is removed from it, unlike from a value of the string.
  if (ClaveAparte() && !ExtraerValor(cadena, "@Password")) valores.password = *ClaveAparte();
  gParametroAdicional = valores.parametroAdicional;
  gCaja = valores.caja;

  AplicarMarcaOracle(valores, ConnString);
  // The embedded engine's folder goes to the data-access object as it is ("/" is part of it).
  const bool esSQLite = EsServidorSQLite(valores.servidor);

  db.gUsuario = valores.usuario;
  db.gDBName = valores.base;
  db.gUserPassWord = valores.password;
  db.gServidor = esSQLite ? valores.servidor : ExtraerServidor(valores.servidor);

  const bool pide = Trim(valores.servidor).empty() || Trim(valores.usuario).empty();
  if (!Ejecutar([&] { db.OpenServerADODB(pide, CursorLocation, ConnString, true, true); })) {
    return abierta();
  }
  if (!db.gOpenFlag) return false;

  Ejecutar([] { ConectarEstadisticas(); });  // ignores its own failures
  gUsuarioLogeado = db.gUsuario;

  if (!Ejecutar([&] {
        db.Cnn().SetCommandTimeout(gTimeOut);
        db.Cnn().SetIsolationLevel(ado::adXactReadUncommitted);
      })) {
    return abierta();
  }

  if (!db.gDBName.empty()) {
    const std::string consultas = rutaPrograma + "consultas.kvx";
    bool seguir = Ejecutar([&] { db.Cnn().SetDefaultDatabase(db.gDBName); }) && Ejecutar([&] {
                    if (!ExisteArchivoComun(consultas)) CrearMascarasConsultas(consultas);
                  }) &&
                  Ejecutar([&] { db.Cnn().SetDefaultDatabase(db.gDBName); });
    if (!seguir) return abierta();
    Ejecutar([] { CargarConfiguracion(); });
  }

  if (RegistraAcceso) Ejecutar([] { RegistrarAcceso(""); });
  return true;
}
