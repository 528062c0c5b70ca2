// ODBC texts on Linux: unixODBC's narrow entry points, which hand UTF-8 to the drivers
// unchanged; the drivers of Debian's packages, by name or by their library.

#include <vector>

#include "platform/odbc_texto.h"

namespace ado::odbc {
namespace {

constexpr const char* kBibliotecaFreeTds = "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so";
constexpr const char* kBibliotecaSqlite = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";

SQLCHAR* Texto(const std::string& texto) {
  return reinterpret_cast<SQLCHAR*>(const_cast<char*>(texto.c_str()));
}

}  // namespace

SQLRETURN Conectar(SQLHDBC dbc, const std::string& texto) {
  return SQLDriverConnect(dbc, nullptr, Texto(texto), SQL_NTS, nullptr, 0, nullptr,
                          SQL_DRIVER_NOPROMPT);
}

SQLRETURN EjecutarDirecto(SQLHSTMT st, const std::string& texto) {
  return SQLExecDirect(st, Texto(texto), SQL_NTS);
}

bool Diagnostico(SQLSMALLINT tipo, SQLHANDLE h, SQLSMALLINT i, std::string& estado,
                 SQLINTEGER& nativo, std::string& mensaje) {
  SQLCHAR codigo[6] = {0};
  std::vector<SQLCHAR> texto(1024);
  SQLSMALLINT largo = 0;
  if (!SQL_SUCCEEDED(SQLGetDiagRec(tipo, h, i, codigo, &nativo, texto.data(),
                                   static_cast<SQLSMALLINT>(texto.size()), &largo))) {
    return false;
  }
  if (largo >= static_cast<SQLSMALLINT>(texto.size())) {
    texto.resize(static_cast<size_t>(largo) + 1);
    SQLGetDiagRec(tipo, h, i, codigo, &nativo, texto.data(),
                  static_cast<SQLSMALLINT>(texto.size()), &largo);
  }
  estado = reinterpret_cast<char*>(codigo);
  mensaje = reinterpret_cast<char*>(texto.data());
  return true;
}

void DescribirColumna(SQLHSTMT st, SQLUSMALLINT col, std::string& nombre, SQLSMALLINT& tipo,
                      std::string& nombreTipo) {
  SQLCHAR texto[256] = {0};
  SQLSMALLINT largo = 0, decimales = 0, nulos = 0;
  SQLULEN tamano = 0;
  SQLDescribeCol(st, col, texto, sizeof texto, &largo, &tipo, &tamano, &decimales, &nulos);
  nombre = reinterpret_cast<char*>(texto);
  SQLCHAR tipoTexto[128] = {0};
  SQLSMALLINT largoTipo = 0;
  SQLColAttribute(st, col, SQL_DESC_TYPE_NAME, tipoTexto, sizeof tipoTexto, &largoTipo, nullptr);
  nombreTipo = reinterpret_cast<char*>(tipoTexto);
}

bool LeerTexto(SQLHSTMT st, SQLUSMALLINT col, std::string& texto, bool& nulo) {
  texto.clear();
  nulo = false;
  char buf[4096];
  for (;;) {
    SQLLEN ind = 0;
    SQLRETURN rc = SQLGetData(st, col, SQL_C_CHAR, buf, sizeof buf, &ind);
    if (rc == SQL_NO_DATA) break;
    if (!SQL_SUCCEEDED(rc)) return false;
    if (ind == SQL_NULL_DATA) {
      nulo = true;
      return true;
    }
    size_t pieza = (ind == SQL_NO_TOTAL || ind >= static_cast<SQLLEN>(sizeof buf))
                       ? sizeof buf - 1
                       : static_cast<size_t>(ind);
    texto.append(buf, pieza);
    if (rc == SQL_SUCCESS) break;
  }
  return true;
}

std::vector<std::string> DriversRegistrados(SQLHENV env) {
  std::vector<std::string> drivers;
  SQLCHAR descripcion[256];
  SQLCHAR atributos[2048];
  SQLSMALLINT largoDescripcion = 0, largoAtributos = 0;
  SQLUSMALLINT direccion = SQL_FETCH_FIRST;
  while (SQL_SUCCEEDED(SQLDrivers(env, direccion, descripcion, sizeof descripcion,
                                  &largoDescripcion, atributos, sizeof atributos,
                                  &largoAtributos))) {
    drivers.emplace_back(reinterpret_cast<char*>(descripcion));
    direccion = SQL_FETCH_NEXT;
  }
  return drivers;
}

SQLRETURN Tablas(SQLHSTMT st) {
  return SQLTables(st, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
}

bool CatalogoActual(SQLHDBC dbc, std::string& catalogo) {
  SQLCHAR texto[256] = {0};
  SQLINTEGER largo = 0;
  if (!SQL_SUCCEEDED(
          SQLGetConnectAttr(dbc, SQL_ATTR_CURRENT_CATALOG, texto, sizeof texto, &largo))) {
    return false;
  }
  catalogo = reinterpret_cast<char*>(texto);
  return true;
}

SQLRETURN CambiarCatalogo(SQLHDBC dbc, const std::string& catalogo) {
  return SQLSetConnectAttr(dbc, SQL_ATTR_CURRENT_CATALOG, Texto(catalogo), SQL_NTS);
}

DriversPorDefecto DriversDe(MotorOdbc motor) {
  switch (motor) {
    case MotorOdbc::SQLite:
      return {{"SQLite3"}, kBibliotecaSqlite};
    case MotorOdbc::Oracle:
      return {{"Oracle"}, ""};
    default:
      return {{"FreeTDS"}, kBibliotecaFreeTds};
  }
}

std::string NombreDelDriver(const std::string& driver) {
  if (driver == kBibliotecaSqlite) return "SQLite3";
  if (driver == kBibliotecaFreeTds) return "FreeTDS";
  return driver;
}

std::string RutaParaElDriver(const std::string& ruta) { return ruta; }

// The driver shares this process's libsqlite3, which has the functions already.
std::string AtributosSqlite() { return ""; }

std::string ExtensionSqlite() { return ""; }

}  // namespace ado::odbc
