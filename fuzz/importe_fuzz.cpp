// libFuzzer target: entradas_fuzz::Importe (see fuzz/entradas.h).
#include "fuzz/entradas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
  entradas_fuzz::Importe(datos, largo);
  return 0;
}
