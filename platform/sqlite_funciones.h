#pragma once
// SQL Server functions and the KVCI collation for the embedded engine, so the suite's SQL runs
// on SQLite unchanged: getdate() (local 'yyyy-mm-dd hh:mm:ss'), len(x) (characters without
// the trailing blanks), isnull(a, b) (ISNULL is an operator word of SQLite, so SQL reaches it
// as [isnull](a, b); IFNULL does the same), plegar(x) (x as the suite's server compares names:
// PlegarTexto), and COLLATE KVCI (letter case of ASCII and accented Latin-1 letters ignored,
// trailing blanks ignored), which companies made by earlier versions name in their schema.
//
// On Linux they are registered for every SQLite connection the process opens afterwards, the
// ODBC driver's included (it shares this process's libsqlite3). On Windows the driver has a
// SQLite of its own: it loads them from the extension importador_sqlite.dll (LoadExt=).

#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_api_routines;

namespace plataforma {

// Idempotent; the ODBC connection calls it before its first SQLite connect. Does nothing where
// the driver loads the extension instead.
void RegistrarFuncionesSqlite();

// Registers the functions and the collation on one connection, through the routines of the
// SQLite library that opened it; SQLITE_OK or SQLite's error code.
int RegistrarEnConexion(sqlite3* db, const sqlite3_api_routines* api);

// A text as the suite's server compares names: trailing blanks dropped, ASCII letters in small
// letters, the accented Latin-1 letters as their base letter and the other Latin-1 capitals as
// their small letter. Every character stays one character, so the length is kept.
std::string PlegarTexto(std::string_view texto);

// Whether a text other than printable ASCII can fold to `plegado` (itself folded): only when
// `plegado` holds a letter that some accented letter folds to, or anything beyond ASCII.
bool PuedeVenirDeAcentos(std::string_view plegado);

// The KVCI comparison: negative, zero or positive.
int CompararKvci(std::string_view a, std::string_view b);

}  // namespace plataforma
