// The functions reach every SQLite connection of the process, the ODBC driver's included: the
// driver links the same libsqlite3 as the program.

#include <sqlite3.h>

#include <mutex>

#include "platform/sqlite_funciones.h"

namespace plataforma {
namespace {

int AlAbrir(sqlite3* db, char**, const sqlite3_api_routines* api) {
  return RegistrarEnConexion(db, api);
}

}  // namespace

void RegistrarFuncionesSqlite() {
  static std::once_flag una;
  std::call_once(una, [] { sqlite3_auto_extension(reinterpret_cast<void (*)()>(AlAbrir)); });
}

}  // namespace plataforma
