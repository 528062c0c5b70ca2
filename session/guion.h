#pragma once
// The script runner: runs an SQL script file on the session connection in batches cut at "GO"
// lines, with the destructive-command guard, placeholders, repeated cycles and an error log.

#include <string>

class DB_Dll;

void Ejecutar(const std::string& Ruta, bool& Permitido);
// The same run on the connection of `Destino` (the statistics file of the embedded engine);
// "<DATABASE>" and the confidentiality setting still come from the session.
void Ejecutar(const std::string& Ruta, bool& Permitido, DB_Dll& Destino);

// What opens the error log for the operator at the end of a run (default
// utilidad::AbrirDocumento). nullptr: the log is written but never opened, as in the batch
// mode, where nobody is there to read it.
using AbridorDocumento = void (*)(const std::string& ruta);
void EstablecerAbridorRegistro(AbridorDocumento abridor);

// Where the run's error log and the generated provisioning script go: TEMP, trimmed, or the
// utility library's alternative folder.
std::string CarpetaTemporal();
