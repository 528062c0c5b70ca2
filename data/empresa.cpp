#include "data/empresa.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "data/conexiones.h"
#include "data/dialecto_sqlite.h"
#include "data/literales.h"
#include "platform/ado.h"
#include "platform/archivos.h"
#include "platform/error_ejecucion.h"
#include "platform/sistema.h"
#include "utility/utilidades.h"

namespace {

using plataforma::ErrorEjecucion;

constexpr int32_t kErrArchivoExiste = 58;  // file already exists
constexpr int32_t kErrAccesoArchivo = 75;  // path/file access error

// The statements of a script: text up to a ";" that ends a line; "--" lines are skipped.
std::vector<std::string> SentenciasDeScript(const std::string& script) {
  std::vector<std::string> sentencias;
  std::string actual;
  size_t inicio = 0;
  while (inicio <= script.size()) {
    size_t fin = script.find('\n', inicio);
    if (fin == std::string::npos) fin = script.size();
    std::string linea = script.substr(inicio, fin - inicio);
    if (!linea.empty() && linea.back() == '\r') linea.pop_back();
    inicio = fin + 1;
    std::string limpia = utilidad::Trim(linea);
    if (limpia.rfind("--", 0) == 0) continue;
    if (!actual.empty()) actual += "\n";
    actual += linea;
    if (!limpia.empty() && limpia.back() == ';') {
      actual = utilidad::Trim(actual);
      actual.pop_back();
      sentencias.push_back(actual);
      actual.clear();
    }
  }
  if (!utilidad::Trim(actual).empty()) sentencias.push_back(utilidad::Trim(actual));
  return sentencias;
}

void BorrarArchivos(const std::string& archivo) {
  std::error_code ec;
  for (const char* sufijo : {"", "-wal", "-shm", "-journal"}) {
    std::filesystem::remove(plataforma::RutaFs(archivo + sufijo), ec);
  }
}

}  // namespace

std::shared_ptr<ado::Connection> CrearBaseSQLite(const std::string& archivo) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::exists(plataforma::RutaFs(archivo), ec)) {
    throw ErrorEjecucion(kErrArchivoExiste, "El archivo " + archivo + " ya existe");
  }
  fs::path carpeta = plataforma::RutaFs(archivo).parent_path();
  if (carpeta.empty()) carpeta = ".";
  if (!fs::is_directory(carpeta, ec)) {
    throw ErrorEjecucion(plataforma::kErrRutaNoEncontrada,
                         "La carpeta " + plataforma::TextoRuta(carpeta) + " no existe");
  }
  if (!plataforma::CarpetaEscribible(plataforma::TextoRuta(carpeta))) {
    throw ErrorEjecucion(kErrAccesoArchivo,
                         "No se puede escribir en la carpeta " + plataforma::TextoRuta(carpeta));
  }
  auto conexion = ado::CrearConexion();
  try {
    conexion->Open(CadenaConexionSQLite(archivo) + "Create=1;");
  } catch (const ErrorEjecucion& e) {
    throw ErrorEjecucion(e.Number, "No se pudo crear " + archivo + ": " + e.Description);
  }
  return conexion;
}

void EjecutarScriptSQLite(ado::Connection& conexion, const std::string& script) {
  for (const auto& sentencia : SentenciasDeScript(script)) {
    try {
      conexion.Execute(ExpandePlegados(sentencia));
    } catch (const ErrorEjecucion& e) {
      throw ErrorEjecucion(e.Number, e.Description + " en la sentencia: " + sentencia);
    }
  }
}

std::string CrearEmpresa(const std::string& carpeta, const std::string& nombre) {
  if (utilidad::Trim(nombre).empty()) {
    throw ErrorEjecucion(plataforma::kErrArgumentoInvalido, "Falta el nombre de la empresa");
  }
  std::string archivo = utilidad::RutaConBarra(carpeta) + nombre + ".db";
  auto conexion = CrearBaseSQLite(archivo);
  try {
    EjecutarScriptSQLite(*conexion, EsquemaEmpresa());
    conexion->Close();
  } catch (const ErrorEjecucion& e) {
    if (conexion->State() == ado::adStateOpen) conexion->Close();
    BorrarArchivos(archivo);
    throw ErrorEjecucion(e.Number, "No se pudo crear la empresa " + archivo + ": " + e.Description);
  }
  return archivo;
}

bool EsEmpresaConColacionPropia(ado::Connection& conexion) {
  auto r = conexion.Execute(
      "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'MV_ASIENTOS' "
      "AND sql LIKE '%COLLATE KVCI%'");
  return r && !r->filas.empty();
}

std::vector<std::string> CompletarIndicesPlegados(ado::Connection& conexion) {
  std::vector<std::string> rechazados;
  if (!EsEmpresaConColacionPropia(conexion)) return rechazados;
  for (const auto& sentencia : SentenciasDeScript(EsquemaEmpresa())) {
    const size_t indice = sentencia.find(" INDEX ");
    if (sentencia.rfind("CREATE ", 0) != 0 || indice == std::string::npos ||
        sentencia.find("PLEGADO(") == std::string::npos) {
      continue;
    }
    const std::string siNoExiste = sentencia.substr(0, indice) + " INDEX IF NOT EXISTS " +
                                   sentencia.substr(indice + std::string(" INDEX ").size());
    try {
      conexion.Execute(ExpandePlegados(siNoExiste));
    } catch (const ErrorEjecucion& e) {
      rechazados.push_back(e.Description);
    }
  }
  return rechazados;
}

void RegistrarUsuario(const std::string& archivo, const std::string& usuario, bool administrador) {
  const std::string nombre = utilidad::Trim(usuario);
  if (nombre.empty()) {
    throw ErrorEjecucion(plataforma::kErrArgumentoInvalido, "Falta el nombre del usuario");
  }
  std::error_code ec;
  if (!std::filesystem::is_regular_file(plataforma::RutaFs(archivo), ec)) {
    throw ErrorEjecucion(plataforma::kErrArgumentoInvalido, "No existe la empresa " + archivo);
  }
  auto conexion = ado::CrearConexion();
  conexion->Open(CadenaConexionSQLite(archivo));
  try {
    const std::string literal = literales::ComoLiteral(nombre);
    // Compared as a session compares it: blanks around, letter case and accents ignored.
    auto existente = conexion->Execute("SELECT 1 FROM TA_USUARIOS WHERE " +
                                       ComparacionPlegada("LTRIM(RTRIM(Nombre))", "=", nombre));
    if (existente && !existente->filas.empty()) {
      throw ErrorEjecucion(plataforma::kErrArgumentoInvalido,
                           "El usuario " + nombre + " ya está registrado en " + archivo);
    }
    conexion->Execute("INSERT INTO TA_USUARIOS (Nombre, Administrador) VALUES (" + literal + ", " +
                      (administrador ? "1" : "0") + ")");
    conexion->Close();
  } catch (const ErrorEjecucion& e) {
    if (conexion->State() == ado::adStateOpen) conexion->Close();
    if (e.Description.find(archivo) != std::string::npos) throw;
    throw ErrorEjecucion(e.Number, "No se pudo registrar el usuario " + nombre + " en " + archivo +
                                       ": " + e.Description);
  }
}
