// libFuzzer target: entradas_fuzz::Parametros (see fuzz/entradas.h).
#include "fuzz/entradas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
  entradas_fuzz::Parametros(datos, largo);
  return 0;
}
