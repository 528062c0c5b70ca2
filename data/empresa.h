#pragma once
// Company databases of the embedded engine: the schema script, the connection text of a file,
// and the creation of a new company file (the `crear-empresa` command and the test fixtures).

#include <memory>
#include <string>
#include <vector>

namespace ado {
class Connection;
}

// The company schema (data/esquema_empresa.sql): statements each ending with ";" at the end
// of a line.
const char* EsquemaEmpresa();

// Creates a new, empty database file and returns a connection open on it. Raises
// plataforma::ErrorEjecucion naming the file when it already exists or cannot be created
// (missing or unwritable folder).
std::shared_ptr<ado::Connection> CrearBaseSQLite(const std::string& archivo);

// Runs a script of statements that end with ";" at the end of a line ("--" lines are comments)
// one statement at a time, each PLEGADO(<expression>) written out in built-in functions. Raises
// plataforma::ErrorEjecucion at the first statement the database refuses, with the statement and
// the database's description.
void EjecutarScriptSQLite(ado::Connection& conexion, const std::string& script);

// Creates <carpeta>/<nombre>.db with the company schema and returns its path. Raises
// plataforma::ErrorEjecucion with a message naming the file or folder when the file exists,
// the folder is missing or cannot be written, or the schema is refused; a half-made file is
// removed.
std::string CrearEmpresa(const std::string& carpeta, const std::string& nombre);

// Registers `usuario` (trimmed) in TA_USUARIOS of the company file `archivo`, as an
// administrator or not: the users an embedded session accepts. Raises plataforma::ErrorEjecucion
// with a message naming the file when it is missing, the name is empty or already registered,
// or the database refuses the row.
void RegistrarUsuario(const std::string& archivo, const std::string& usuario, bool administrador);

// A company made before its schema kept to SQLite's built-in collations: its text columns and
// indexes name the program's own collation KVCI, which this program still provides.
bool EsEmpresaConColacionPropia(ado::Connection& conexion);

// Gives such a company the folded indexes of the current schema that it lacks, so that its
// lookups stay indexed; nothing for any other database. Returns the database's description of
// each index it refused (a read-only file, a full disk), so the caller can say so.
std::vector<std::string> CompletarIndicesPlegados(ado::Connection& conexion);
