#pragma once
// The SQL Server dialect on its way to the embedded engine (SQLite), and SQLite's errors back
// into the SQL Server numbers the callers react to.
//
// The SQLite connection of the platform registers the functions the converted texts rely on:
// getdate(), len() and plegar(). The company schema uses SQLite's built-in collations and
// functions alone (Plegado), so any SQLite tool reads and writes its tables and indexes.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ado {
class Connection;
class ErrorCollection;
}  // namespace ado

// The collation of the text columns of a converted CREATE TABLE: built into every SQLite.
inline constexpr const char* kColacionDeColumnas = "NOCASE";

// SQL Server native errors that TraduceErroresSQLite writes.
inline constexpr int32_t kErrObjetoInexistente = 208;     // invalid object name
inline constexpr int32_t kErrObjetoExistente = 2714;      // an object of that name exists
inline constexpr int32_t kErrClaveDuplicada = 2627;       // UNIQUE or PRIMARY KEY violation
inline constexpr int32_t kErrTextoTruncado = 8152;        // a text longer than its column
inline constexpr int32_t kErrConflictoRestriccion = 547;  // FOREIGN KEY or CHECK conflict
inline constexpr int32_t kErrEsperaBloqueo = 1222;        // another writer held the lock too long

// The columns of each table and view of a database, in their declared order, and which of them
// hold dates (a declared type with DATE in it: DATE, DATETIME, SMALLDATETIME ...). Names are
// kept without their brackets and compared ignoring letter case.
class ColumnasDeFecha {
 public:
  // The columns of `tabla` (name, whether it holds dates), replacing any it had.
  void Definir(std::string_view tabla, std::vector<std::pair<std::string, bool>> columnas);
  bool Conoce(std::string_view tabla) const;
  bool EsFecha(std::string_view tabla, std::string_view columna) const;
  // Whether the column at `posicion` of the table's declared order holds dates.
  bool EsFecha(std::string_view tabla, size_t posicion) const;
  bool operator==(const ColumnasDeFecha&) const = default;

 private:
  std::map<std::string, std::vector<std::pair<std::string, bool>>> tablas_;
};

// Whether a declared column type is a date type of the server or of SQLite (DATE in it).
bool EsTipoDeFecha(std::string_view tipo);

// The tables of the CREATE TABLE statements of a script (T-SQL or the company schema).
ColumnasDeFecha ColumnasDeFechaDelGuion(const std::string& guion);

// The tables and views of a connected SQLite database, as its own schema declares them (so a
// company made by an older version, or the statistics database, answers for itself). Raises
// plataforma::ErrorEjecucion when the database refuses the read.
ColumnasDeFecha LeerColumnasDeFecha(ado::Connection& conexion);

// Cuts a T-SQL text (one statement, a batch of the import, or a block of a script) into the
// statements SQLite runs one by one, each converted: transaction words as the driver accepts
// them, TOP n as LIMIT n, table hints and dbo. gone, IF NOT EXISTS(...) INSERT ... VALUES(...)
// as a guarded INSERT ... SELECT, ISNULL as ifnull, and a text literal compared with a name or a
// function call as ComparacionPlegada writes it. A literal written into, or compared with, a
// date column of `fechas` (or of a table the text itself creates) that reads as a date
// (day/month/year or yyyy-mm-dd, with or without a time) is written in the engine's date form,
// 'yyyy-mm-dd hh:mm:ss'; every other literal stays as written, whatever it looks like.
// Statements with no meaning on SQLite (SET NOCOUNT, the trigger switches, server procedures run
// with EXEC) are left out of the list. Nothing is ever cut or rewritten inside a quoted literal.
std::vector<std::string> ConvierteSQLite(const std::string& lote, const ColumnasDeFecha& fechas);

// The key the company's indexes keep of a text, in SQLite's built-in functions alone, so any
// SQLite tool can evaluate them: a text of one-byte characters (ASCII) without its trailing
// blanks in small letters; any other text "~" and its length (folding keeps the length, so a
// text with accents shares the key of every other such text of its length).
std::string Plegado(std::string_view expresion);

// `expresion <operador> texto` as the suite's server compares names (letter case, Latin-1
// accents and trailing blanks ignored): an equality by the indexed key (Plegado) of the forms
// the text can match, with plegar(expresion) against the folded text where a key is shared by
// other texts; any other comparison by plegar alone.
std::string ComparacionPlegada(std::string_view expresion, std::string_view operador,
                               std::string_view texto);
// The same against a list: operador "IN" or "NOT IN" (or "=" with a single text).
std::string ComparacionPlegada(std::string_view expresion, std::string_view operador,
                               const std::vector<std::string>& textos);

// Every PLEGADO(<expression>) of a statement (outside its literals) as Plegado(<expression>):
// how the company schema writes its folded indexes.
std::string ExpandePlegados(const std::string& sentencia);

// IF NOT EXISTS(<sel>) INSERT INTO t (...) VALUES(<v>) as INSERT INTO t (...) SELECT <v><desde>
// WHERE NOT EXISTS(<sel>), one statement that keeps its guard on engines without IF (`desde` is
// "" for SQLite, " FROM DUAL" for Oracle). Works on a text whose literals are masked
// (literales::Enmascarado); any other text is returned as it is.
std::string InsercionCondicionada(const std::string& sentencia, const std::string& desde);

// Rewrites the native error of each entry that SQLite reported to the SQL Server number that
// the callers test (208, 2714, 2627, 8152, 547); descriptions are kept, other entries untouched.
// A CHECK constraint counts as a length check (8152) when its name ends in "_len" (the schema
// names them CK_<table>_<column>_len) or its failing expression calls length(); any other CHECK
// conflict is 547, as on the server.
void TraduceErroresSQLite(ado::ErrorCollection& errores);
