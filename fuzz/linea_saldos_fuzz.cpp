// libFuzzer target: entradas_fuzz::LineaSaldos (see fuzz/entradas.h).
#include "fuzz/entradas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
  entradas_fuzz::LineaSaldos(datos, largo);
  return 0;
}
