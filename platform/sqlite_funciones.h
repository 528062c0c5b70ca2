#pragma once
// SQL Server functions and the KVCI collation for the embedded engine, so the suite's SQL runs
// on SQLite unchanged: getdate() (local 'yyyy-mm-dd hh:mm:ss'), len(x) (characters without
// the trailing blanks), isnull(a, b) (ISNULL is an operator word of SQLite, so SQL reaches it
// as [isnull](a, b); IFNULL does the same), and COLLATE KVCI (letter case of ASCII and accented
// Latin-1 letters ignored, trailing blanks ignored).
//
// Registered for every SQLite connection the process opens afterwards, the ODBC driver's
// included (it shares this process's libsqlite3).

#include <string_view>

namespace plataforma {

// Idempotent; the ODBC connection calls it before its first SQLite connect.
void RegistrarFuncionesSqlite();

// The KVCI comparison: negative, zero or positive.
int CompararKvci(std::string_view a, std::string_view b);

}  // namespace plataforma
