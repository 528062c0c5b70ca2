// libFuzzer target: entradas_fuzz::DialectoOracle (see fuzz/entradas.h), then the input as a quoted
// value, which must come back unchanged through the conversion.
#include <cstdio>
#include <cstdlib>

#include "fuzz/entradas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
  entradas_fuzz::DialectoOracle(datos, largo);
  const std::string fallo = entradas_fuzz::ValorIntactoOracle(datos, largo);
  if (!fallo.empty()) {
    std::fprintf(stderr, "%s\n", fallo.c_str());
    std::abort();
  }
  return 0;
}
