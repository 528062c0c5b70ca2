#pragma once
// The ODBC calls that carry text, with the program's UTF-8 on our side: on Linux the narrow
// entry points of unixODBC, which pass UTF-8 through unchanged; on Windows the wide-character
// (W) entry points, converting to UTF-16 and back, so that no text depends on the machine's
// ANSI code page. Also what the system decides about drivers: the defaults, the paths a driver
// is given, and what the embedded engine's connections need.
//
// Only the platform layer's ODBC connection includes this header.

#ifdef _WIN32
#include <windows.h>  // Windows's ODBC headers are written on its base types
#endif
#include <sql.h>
#include <sqlext.h>

#include <string>
#include <vector>

#include "platform/odbc_conexion.h"

namespace ado::odbc {

SQLRETURN Conectar(SQLHDBC dbc, const std::string& texto);
SQLRETURN EjecutarDirecto(SQLHSTMT st, const std::string& texto);
// Record `i` of the handle's diagnostics; false when there is no such record.
bool Diagnostico(SQLSMALLINT tipo, SQLHANDLE h, SQLSMALLINT i, std::string& estado,
                 SQLINTEGER& nativo, std::string& mensaje);
// The name, the SQL type and the declared type name of a result column.
void DescribirColumna(SQLHSTMT st, SQLUSMALLINT col, std::string& nombre, SQLSMALLINT& tipo,
                      std::string& nombreTipo);
// A whole character column, in pieces when it is long; `nulo` for NULL. False on a driver error.
bool LeerTexto(SQLHSTMT st, SQLUSMALLINT col, std::string& texto, bool& nulo);
// Descriptions of the drivers the driver manager knows.
std::vector<std::string> DriversRegistrados(SQLHENV env);
SQLRETURN Tablas(SQLHSTMT st);
bool CatalogoActual(SQLHDBC dbc, std::string& catalogo);
SQLRETURN CambiarCatalogo(SQLHDBC dbc, const std::string& catalogo);

// The drivers tried for an engine, in order, when no variable names one: the first that the
// driver manager knows is used; when it knows none, `biblioteca` (a driver named by its file)
// if there is one, else the first name.
struct DriversPorDefecto {
  std::vector<std::string> nombres;
  std::string biblioteca;
};
DriversPorDefecto DriversDe(MotorOdbc motor);
// The name of the driver that a library path of DriversDe stands for; `driver` otherwise.
std::string NombreDelDriver(const std::string& driver);

// The database file as the embedded engine's driver must be given it.
std::string RutaParaElDriver(const std::string& ruta);
// Attributes added to every connection text of the embedded engine ("" or "Key=value;...").
std::string AtributosSqlite();
// The extension those attributes load, for the error when its functions are missing; empty
// where the functions need no extension (the check after connecting is then skipped).
std::string ExtensionSqlite();

}  // namespace ado::odbc
