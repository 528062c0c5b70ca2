// Customer price-class reassignment from a tab-separated file.

#include "import/lista_precios.h"

ResumenLista CmdEjecutarLista_Click(const std::string& TxtLista) {
  (void)TxtLista;
  return {};
}
