#include "data/conexiones.h"

#include <optional>
#include <utility>

#include "platform/odbc_conexion.h"
#include "utility/utilidades.h"

Plataforma PlataformaDe(const std::string& connectionString) {
  // Asked again for every statement with the session's one text: the last answer is kept.
  thread_local std::optional<std::pair<std::string, Plataforma>> ultima;
  if (!ultima || ultima->first != connectionString) {
    Plataforma p = Plataforma::SqlServer;
    switch (ado::MotorDe(connectionString)) {
      case ado::MotorOdbc::Oracle:
        p = Plataforma::Oracle;
        break;
      case ado::MotorOdbc::SQLite:
        p = Plataforma::SQLite;
        break;
      case ado::MotorOdbc::SqlServer:
      case ado::MotorOdbc::Odbc:
        break;
    }
    ultima.emplace(connectionString, p);
  }
  return ultima->second;
}

std::string ValorDeConexion(const std::string& connectionString, const std::string& clave) {
  return ado::ValorDeCadena(connectionString, clave);
}

bool EsServidorSQLite(const std::string& servidor) {
  return utilidad::InStrSinCaso(servidor, kMarcaSQLite) == 1;
}

std::string ServidorSQLite(const std::string& carpeta) { return kMarcaSQLite + carpeta; }

std::string CarpetaSQLite(const std::string& servidor) {
  return EsServidorSQLite(servidor) ? servidor.substr(std::string(kMarcaSQLite).size()) : servidor;
}

std::string ArchivoEmpresaSQLite(const std::string& servidor, const std::string& base) {
  return utilidad::RutaConBarra(CarpetaSQLite(servidor)) + base + ".db";
}

size_t InicioPuerto(const std::string& servidor) {
  const size_t desde = EsServidorSQLite(servidor) ? std::string(kMarcaSQLite).size() : 0;
  return servidor.find(':', desde);
}

std::string ExtraerServidor(const std::string& Servidor) {
  std::string resultado = Servidor;
  if (size_t barra = resultado.find('/'); barra != std::string::npos) {
    resultado = resultado.substr(barra + 1);
  }
  if (size_t dos = resultado.find(':'); dos != std::string::npos) {
    resultado = resultado.substr(0, dos);
  }
  return resultado;
}

std::string CadenaConexionSQLite(const std::string& archivo) {
  return "Provider=SQLite;Data Source=" + archivo + ";";
}

std::string CadenaConexionOracle(const std::string& base, const std::string& usuario,
                                 const std::string& password) {
  return "Provider=OraOLEDB.Oracle.1;Data Source=" + base + ";User Id=" + usuario +
         ";Password=" + password + ";";
}

std::string CadenaConexionSqlServer(const std::string& proveedor, const std::string& servidor,
                                    const std::string& base, const std::string& usuario,
                                    const std::string& password) {
  return "PROVIDER=" + proveedor + ";" + "Server=" + servidor + ";" + "Database =" + base + ";" +
         "UId=" + usuario + ";" + "Pwd=" + password + ";";
}
