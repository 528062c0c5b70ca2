#pragma once
// The statement trace: when IMPORTADOR_TRAZA names a file (or EstablecerTraza names one), every
// statement DB_Dll sends is appended to it as one JSON object per line:
//   {"op":"execute"|"open","sql":<text as composed>,"sent":[<texts handed to the driver>],
//    "errors":[{"number":…,"native":…,"state":…,"description":…}],"rows":<count or null>}
// Passwords in login statements are written as "****"; connection texts are never traced.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ado {
class ErrorCollection;
}

// Names the trace file; an empty name goes back to IMPORTADOR_TRAZA (no trace when unset).
void EstablecerTraza(const std::string& archivo);
// The trace file in use, empty when there is none.
std::string ArchivoTraza();
bool TrazaActiva();
// True once a trace line could not be written whole (a full disk, a file gone read-only): the
// trace no longer holds every statement, and the run must stop.
bool TrazaFallida();

// Appends one line; a trace file that cannot be written costs the line, never the statement.
void TrazarSentencia(const std::string& op, const std::string& sql,
                     const std::vector<std::string>& enviados, const ado::ErrorCollection& errores,
                     std::optional<int64_t> filas);

// The text with the password arguments of login statements (sp_addlogin, sp_password,
// CREATE/ALTER LOGIN ... PASSWORD =, Oracle's IDENTIFIED BY) replaced by "****".
std::string OcultaClaves(const std::string& texto);
