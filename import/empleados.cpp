// Employees: one ledger account per employee under the employees' title.

#include "import/contexto_corrida.h"

void ImportarEmpleados(ContextoCorrida& ctx) { (void)ctx; }
