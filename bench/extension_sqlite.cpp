// A loadable extension for SQLite's own shell: the functions and the KVCI collation that the
// company schema and the converted statements rely on, so the benchmarks' baseline can replay
// our statements in `sqlite3`. They are registered for the connections opened after the load:
//   sqlite3 -cmd ".load libextension_sqlite" -cmd ".open company.db" < statements.sql

#include <sqlite3.h>

#include "platform/sqlite_funciones.h"

extern "C" __attribute__((visibility("default"))) int sqlite3_extension_init(
    sqlite3*, char**, const sqlite3_api_routines*) {
  plataforma::RegistrarFuncionesSqlite();
  // The shell unloads an extension when it closes the connection that loaded it; the
  // registration must outlive that first connection.
  return SQLITE_OK_LOAD_PERMANENTLY;
}
