#pragma once
// Start-up: takes the connection parameters from the parameter string (or the command line),
// opens the session connection (asking for what is missing), and prepares the session:
// statistics connection and command time-out, search definitions, session settings,
// access-log row.

#include <cstdint>
#include <optional>
#include <string>

// The process command line without the program path; IniciarSesion reads it when Parametros
// is empty. The entry point sets it.
void EstablecerLineaDeComandos(const std::string& linea);

// A password given apart from the parameter string (the batch mode's environment variable or
// password file), which other local users cannot read as they read a command line. Start-up
// uses it when the parameter string has no "@Password"; nullopt: none.
void EstablecerClaveAparte(std::optional<std::string> clave);

// Returns false when no open connection resulted: the program must end at once. Without
// RegistraAcceso no access-log row is written (a batch-mode dry run leaves the company as it
// found it).
bool IniciarSesion(bool LeerIni, const std::string& Parametros, std::string& ConnString,
                   int32_t CursorLocation, bool RegistraAcceso = true);

// The values of the parameter string, as start-up extracts them (empty when absent; Caja "1").
struct ParametrosInicio {
  std::string parametroAdicional, servidor, base, usuario, password, caja;
};
ParametrosInicio ExtraerParametros(const std::string& Parametros);

// The Oracle mark: a leading "#" of the server value is dropped and, when ConnString is empty,
// ConnString becomes the Oracle connection text of the extracted values. A server value that
// begins with "sqlite:" (any case) is left alone: it names the embedded engine's folder.
void AplicarMarcaOracle(ParametrosInicio& p, std::string& ConnString);
