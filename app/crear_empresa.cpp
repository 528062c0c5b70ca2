#include <cstdio>

#include "app/comandos.h"

int ComandoCrearEmpresa(const std::string& carpeta, const std::string& nombre) {
  std::fprintf(stderr, "crear-empresa: not built yet\n");
  return 1;
}
