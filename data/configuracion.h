#pragma once
// The configuration store: key/value rows of the company's configuration table, read over the
// session connection. The statistics database's twins (CfgKV, GrabaCfgKV) are in estadisticas.h.

#include <string>

class DB_Dll;

// The value of `Clave` (one blank when the key is absent, empty with no open session);
// `ValorAux` receives the auxiliary value.
std::string Cfg(const std::string& Clave, std::string& ValorAux);
std::string Cfg(const std::string& Clave);

// The steps of Cfg read through `db`. With `ExigeAbierta`, a closed session (db.gOpenFlag false)
// gives the empty text without querying; `Rutina` names the caller in the error dialog.
std::string CfgEn(DB_Dll& db, const std::string& Clave, std::string& ValorAux, bool ExigeAbierta,
                  const std::string& Rutina);
