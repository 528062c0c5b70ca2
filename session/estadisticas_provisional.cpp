// Stands in for the statistics connection until it is written: start-up gets the default
// command time-out.
#include "data/valores_sesion.h"
#include "session/estadisticas.h"

void ConectarEstadisticas() { gTimeOut = 360; }
