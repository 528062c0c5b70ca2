#pragma once
// Session values, process-wide: set once at start-up and read everywhere.

#include <cstdint>
#include <string>

// From the parameter string (start-up).
extern std::string gUsuarioLogeado;  // the operator: the session connection's user name
extern std::string gCaja;            // cash-box code ("1" when the parameter is absent)
extern std::string gParametroAdicional;
// Session settings (loaded after connecting).
extern std::string gTablaConfiguracion;  // empty until the first configuration read
extern std::string gCantidadDecimales;   // decimals of amounts, as Cfg returned it
extern bool gConfidencialidad;
extern std::string gUnidadNegocio;  // "   1" when the operator has none
extern bool gUtilizarFechaDia;
// Statistics database.
extern int16_t gTimeOut;

// Back to the values of a process that has just started (tests start each case from here).
void ReiniciarValoresSesion();
