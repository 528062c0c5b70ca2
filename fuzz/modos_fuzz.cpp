// libFuzzer target: whole import runs of every mode on a small company in a temporary folder
// (the first byte of an input picks the mode, the rest is the file).
#include <cstdlib>
#include <filesystem>

#include "fuzz/entradas.h"
#include "platform/archivos.h"

namespace {
std::string carpeta;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  carpeta = (std::filesystem::temp_directory_path() / "importador-fuzz-modos").string();
  std::filesystem::remove_all(carpeta);
  std::filesystem::create_directories(carpeta);
  plataforma::EstablecerCarpetaPrograma(carpeta + "/");
  entradas_fuzz::AbrirEmpresaFuzz(carpeta);
  if (!DB().gOpenFlag) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
  entradas_fuzz::Modo(datos, largo, carpeta);
  return 0;
}
