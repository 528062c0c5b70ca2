// ODBC texts on Windows: the wide-character (W) entry points of odbc32, every text converted
// between the program's UTF-8 and UTF-16, so that none depends on the ANSI code page. The
// default drivers are Microsoft's for SQL Server and the SQLite3 ODBC driver, which loads the
// program's functions from importador_sqlite.dll beside it.
//
// Under Wine, odbc32 hands every call to the host's unixODBC: the drivers are then the host's,
// which take host (Unix) paths; Wine's kernel32 tells the host path of a Windows one.

#include <windows.h>
// After windows.h:
#include <sql.h>
#include <sqlext.h>

#include <vector>

#include "platform/archivos.h"
#include "platform/odbc_texto.h"
#include "platform/sistema.h"
#include "platform/texto_win.h"

namespace ado::odbc {
namespace {

using plataforma::Ancho;
using plataforma::Utf8;

static_assert(sizeof(SQLWCHAR) == sizeof(wchar_t), "SQLWCHAR is UTF-16 on Windows");

SQLWCHAR* Texto(std::wstring& texto) { return reinterpret_cast<SQLWCHAR*>(texto.data()); }

std::string Utf8De(const SQLWCHAR* texto) {
  return Utf8(reinterpret_cast<const wchar_t*>(texto));
}

// Wine's export that gives the host path of a Windows path; null on Windows itself.
using RutaDelAnfitrion = char*(CDECL*)(const wchar_t*);
RutaDelAnfitrion FuncionDeWine() {
  static const RutaDelAnfitrion funcion = reinterpret_cast<RutaDelAnfitrion>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  return funcion;
}

}  // namespace

SQLRETURN Conectar(SQLHDBC dbc, const std::string& texto) {
  std::wstring ancho = Ancho(texto);
  return SQLDriverConnectW(dbc, nullptr, Texto(ancho), SQL_NTS, nullptr, 0, nullptr,
                           SQL_DRIVER_NOPROMPT);
}

SQLRETURN EjecutarDirecto(SQLHSTMT st, const std::string& texto) {
  std::wstring ancho = Ancho(texto);
  return SQLExecDirectW(st, Texto(ancho), SQL_NTS);
}

bool Diagnostico(SQLSMALLINT tipo, SQLHANDLE h, SQLSMALLINT i, std::string& estado,
                 SQLINTEGER& nativo, std::string& mensaje) {
  SQLWCHAR codigo[6] = {0};
  std::vector<SQLWCHAR> texto(1024);
  SQLSMALLINT largo = 0;  // in characters
  if (!SQL_SUCCEEDED(SQLGetDiagRecW(tipo, h, i, codigo, &nativo, texto.data(),
                                    static_cast<SQLSMALLINT>(texto.size()), &largo))) {
    return false;
  }
  if (largo >= static_cast<SQLSMALLINT>(texto.size())) {
    texto.resize(static_cast<size_t>(largo) + 1);
    SQLGetDiagRecW(tipo, h, i, codigo, &nativo, texto.data(),
                   static_cast<SQLSMALLINT>(texto.size()), &largo);
  }
  estado = Utf8De(codigo);
  mensaje = Utf8De(texto.data());
  return true;
}

void DescribirColumna(SQLHSTMT st, SQLUSMALLINT col, std::string& nombre, SQLSMALLINT& tipo,
                      std::string& nombreTipo) {
  SQLWCHAR texto[256] = {0};
  SQLSMALLINT largo = 0, decimales = 0, nulos = 0;
  SQLULEN tamano = 0;
  SQLDescribeColW(st, col, texto, 256, &largo, &tipo, &tamano, &decimales, &nulos);
  nombre = Utf8De(texto);
  SQLWCHAR tipoTexto[128] = {0};
  SQLSMALLINT largoTipo = 0;  // this length is in bytes
  SQLColAttributeW(st, col, SQL_DESC_TYPE_NAME, tipoTexto, sizeof tipoTexto, &largoTipo, nullptr);
  nombreTipo = Utf8De(tipoTexto);
}

bool LeerTexto(SQLHSTMT st, SQLUSMALLINT col, std::string& texto, bool& nulo) {
  texto.clear();
  nulo = false;
  // Converted once at the end, so that a character split between two pieces stays whole.
  std::wstring ancho;
  SQLWCHAR buf[2048];
  for (;;) {
    SQLLEN ind = 0;  // in bytes
    SQLRETURN rc = SQLGetData(st, col, SQL_C_WCHAR, buf, sizeof buf, &ind);
    if (rc == SQL_NO_DATA) break;
    if (!SQL_SUCCEEDED(rc)) return false;
    if (ind == SQL_NULL_DATA) {
      nulo = true;
      return true;
    }
    const size_t caben = sizeof buf / sizeof buf[0] - 1;
    size_t pieza = (ind == SQL_NO_TOTAL || ind >= static_cast<SQLLEN>(sizeof buf))
                       ? caben
                       : static_cast<size_t>(ind) / sizeof(SQLWCHAR);
    ancho.append(reinterpret_cast<const wchar_t*>(buf), pieza);
    if (rc == SQL_SUCCESS) break;
  }
  texto = Utf8(ancho);
  return true;
}

std::vector<std::string> DriversRegistrados(SQLHENV env) {
  std::vector<std::string> drivers;
  SQLWCHAR descripcion[256];
  SQLWCHAR atributos[2048];
  SQLSMALLINT largoDescripcion = 0, largoAtributos = 0;
  SQLUSMALLINT direccion = SQL_FETCH_FIRST;
  while (SQL_SUCCEEDED(SQLDriversW(env, direccion, descripcion, 256, &largoDescripcion,
                                   atributos, 2048, &largoAtributos))) {
    drivers.push_back(Utf8De(descripcion));
    direccion = SQL_FETCH_NEXT;
  }
  return drivers;
}

SQLRETURN Tablas(SQLHSTMT st) {
  return SQLTablesW(st, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
}

bool CatalogoActual(SQLHDBC dbc, std::string& catalogo) {
  SQLWCHAR texto[256] = {0};
  SQLINTEGER largo = 0;  // in bytes
  if (!SQL_SUCCEEDED(
          SQLGetConnectAttrW(dbc, SQL_ATTR_CURRENT_CATALOG, texto, sizeof texto, &largo))) {
    return false;
  }
  catalogo = Utf8De(texto);
  return true;
}

SQLRETURN CambiarCatalogo(SQLHDBC dbc, const std::string& catalogo) {
  std::wstring ancho = Ancho(catalogo);
  return SQLSetConnectAttrW(dbc, SQL_ATTR_CURRENT_CATALOG, Texto(ancho), SQL_NTS);
}

DriversPorDefecto DriversDe(MotorOdbc motor) {
  switch (motor) {
    case MotorOdbc::SQLite:
      // The SQLite ODBC driver's installer registers the first name; the second is the name
      // of the same driver in a Linux driver manager (under Wine).
      return {{"SQLite3 ODBC Driver", "SQLite3"}, ""};
    case MotorOdbc::Oracle:
      return {{"Oracle"}, ""};
    default:
      // Microsoft's current drivers when installed, else the one every Windows has; FreeTDS
      // is what a Linux driver manager offers under Wine.
      return {{"ODBC Driver 18 for SQL Server", "ODBC Driver 17 for SQL Server", "SQL Server",
               "FreeTDS"},
              ""};
  }
}

std::string NombreDelDriver(const std::string& driver) { return driver; }

std::string RutaParaElDriver(const std::string& ruta) {
  const RutaDelAnfitrion anfitrion = FuncionDeWine();
  // The engine's own names are no files: an in-memory database, a URI.
  if (!anfitrion || ruta.empty() || ruta == ":memory:" || ruta.rfind("file:", 0) == 0) {
    return ruta;
  }
  char* unix = anfitrion(Ancho(ruta).c_str());
  if (!unix) return ruta;
  std::string traducida = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return traducida;
}

std::string ExtensionSqlite() {
  const std::string elegida = plataforma::Entorno("IMPORTADOR_SQLITE_EXTENSION");
  if (!elegida.empty()) return elegida;
  std::string carpeta = plataforma::RutaEjecutable();
  carpeta.resize(carpeta.find_last_of('/') + 1);
  std::string dll = carpeta + "importador_sqlite.dll";
  for (char& c : dll) {
    if (c == '/') c = '\\';
  }
  return RutaParaElDriver(dll);
}

std::string AtributosSqlite() { return "LoadExt=" + ExtensionSqlite() + ";"; }

}  // namespace ado::odbc
