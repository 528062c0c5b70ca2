// The SQL Server functions and the KVCI collation as a loadable SQLite extension: the one the
// Windows build ships beside the program for the ODBC driver (LoadExt=), and the one the sqlite3
// shell loads for the benchmarks' baseline:
//   sqlite3 -cmd ".load libextension_sqlite" -cmd ".open company.db" < statements.sql

#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT3

#include "platform/sqlite_funciones.h"

namespace {

int AlAbrir(sqlite3* db, char**, const sqlite3_api_routines* api) {
  return plataforma::RegistrarEnConexion(db, api);
}

}  // namespace

#ifdef _WIN32
#define EXPORTADA __declspec(dllexport)
#else
#define EXPORTADA __attribute__((visibility("default")))
#endif

extern "C" EXPORTADA int sqlite3_extension_init(sqlite3* db, char**,
                                                const sqlite3_api_routines* api) {
  // The connection that loads it (the driver's), and every one opened afterwards (the shell's
  // ".open"), which is why the extension must stay loaded when that first connection closes.
  int rc = plataforma::RegistrarEnConexion(db, api);
  if (rc == SQLITE_OK) rc = sqlite3_auto_extension(reinterpret_cast<void (*)()>(AlAbrir));
  return rc == SQLITE_OK ? SQLITE_OK_LOAD_PERMANENTLY : rc;
}
