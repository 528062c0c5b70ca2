#pragma once
// The configuration store: key/value rows of the company's configuration table, read over the
// session connection. The statistics database's twins (CfgKV, GrabaCfgKV) are in estadisticas.h.

#include <string>

// The value of `Clave` (one blank when the key is absent, empty with no open session);
// `ValorAux` receives the auxiliary value.
std::string Cfg(const std::string& Clave, std::string& ValorAux);
std::string Cfg(const std::string& Clave);
