#pragma once
// Servers, connection texts and engines: the one place that knows how the three engines are
// named. A server "sqlite:<folder>" is the embedded engine, whose company <base> is the file
// <folder>/<base>.db; a server holding "#" is Oracle; any other a SQL Server. The engine of a
// connection text is the one its provider (or driver) names.

#include <cstddef>
#include <string>

// The platform a connection text names.
enum class Plataforma { SqlServer, Oracle, SQLite };
// By its Provider key, or its DRIVER/DSN (an ODBC driver of another kind is sent SQL Server's
// dialect); a file path or server name that holds another engine's name changes nothing.
Plataforma PlataformaDe(const std::string& connectionString);
// The value of `clave` in a connection text (any case), empty when absent.
std::string ValorDeConexion(const std::string& connectionString, const std::string& clave);

// The embedded engine's server mark, and the server of a folder.
inline constexpr const char* kMarcaSQLite = "sqlite:";
bool EsServidorSQLite(const std::string& servidor);  // begins with the mark, in any case
std::string ServidorSQLite(const std::string& carpeta);
std::string CarpetaSQLite(const std::string& servidor);  // what follows the mark
// <folder>/<base>.db of an embedded server.
std::string ArchivoEmpresaSQLite(const std::string& servidor, const std::string& base);

// Where the port part (":" and what follows) of a server text begins; npos when it has none.
// The ":" of the embedded engine's mark is not a port separator.
size_t InicioPuerto(const std::string& servidor);
// The bare server name: what follows the first "/", before the first ":".
std::string ExtraerServidor(const std::string& Servidor);

// The connection texts of the three engines, as the suite writes them.
std::string CadenaConexionSQLite(const std::string& archivo);  // never creates the file
std::string CadenaConexionOracle(const std::string& base, const std::string& usuario,
                                 const std::string& password);
std::string CadenaConexionSqlServer(const std::string& proveedor, const std::string& servidor,
                                    const std::string& base, const std::string& usuario,
                                    const std::string& password);
