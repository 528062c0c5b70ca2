#pragma once
// The program's commands besides the window; each returns the process exit status.

#include <string>

// importador crear-empresa CARPETA NOMBRE
int ComandoCrearEmpresa(const std::string& carpeta, const std::string& nombre);

// importador alta-usuario CARPETA EMPRESA USUARIO [--administrador]: registers a user of the
// embedded company CARPETA/EMPRESA.db, who may then open sessions on it.
int ComandoAltaUsuario(const std::string& carpeta, const std::string& empresa,
                       const std::string& usuario, bool administrador);

// importador demo [CARPETA]: a company DEMO in CARPETA (default a new temporary folder), every
// sample file imported twice in batch mode, the journal's totals. 0 when the journal balances
// and the second pass posted nothing.
int ComandoDemo(const std::string& carpeta);

// importador [PARAMETERS]: the import window; its load runs the start-up with `parametros`.
// Returns 2 without a display or when no connection resulted.
int ComandoVentana(int argc, char** argv, const std::string& parametros);
