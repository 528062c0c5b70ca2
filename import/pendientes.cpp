// Pending delivery notes and work orders: headers, the task catalogue and task links.

#include "import/contexto_corrida.h"

void ImportarPendientes(ContextoCorrida& ctx) { (void)ctx; }
