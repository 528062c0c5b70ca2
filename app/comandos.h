#pragma once
// The program's commands besides the window; each returns the process exit status.

#include <string>

// importador crear-empresa CARPETA NOMBRE
int ComandoCrearEmpresa(const std::string& carpeta, const std::string& nombre);
