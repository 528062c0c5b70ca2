// The driver of Windows has a SQLite library of its own, out of this program's reach: it loads
// the functions from the extension (importador_sqlite.dll, see odbc_texto_win.cpp).

#include "platform/sqlite_funciones.h"

namespace plataforma {

void RegistrarFuncionesSqlite() {}

}  // namespace plataforma
