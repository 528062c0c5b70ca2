// libFuzzer target: entradas_fuzz::DialectoSQLite (see fuzz/entradas.h), then the input as a quoted
// value, which must come back unchanged through the conversion.
#include <cstdio>
#include <cstdlib>

#include "fuzz/entradas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
  entradas_fuzz::DialectoSQLite(datos, largo);
  const std::string fallo = entradas_fuzz::ValorIntactoSQLite(datos, largo);
  if (!fallo.empty()) {
    std::fprintf(stderr, "%s\n", fallo.c_str());
    std::abort();
  }
  return 0;
}
