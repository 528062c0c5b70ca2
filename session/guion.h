#pragma once
// The script runner: runs an SQL script file on the session connection in batches cut at "GO"
// lines, with the destructive-command guard, placeholders, repeated cycles and an error log.

#include <string>

void Ejecutar(const std::string& Ruta, bool& Permitido);
