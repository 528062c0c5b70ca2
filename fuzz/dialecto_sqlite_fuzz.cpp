// libFuzzer target: entradas_fuzz::DialectoSQLite (see fuzz/entradas.h).
#include "fuzz/entradas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
  entradas_fuzz::DialectoSQLite(datos, largo);
  return 0;
}
