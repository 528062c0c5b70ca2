#include <cstdio>

#include "app/comandos.h"
#include "data/empresa.h"
#include "platform/error_ejecucion.h"

int ComandoCrearEmpresa(const std::string& carpeta, const std::string& nombre) {
  try {
    std::string archivo = CrearEmpresa(carpeta, nombre);
    std::printf("%s\n", archivo.c_str());
    return 0;
  } catch (const plataforma::ErrorEjecucion& e) {
    std::fprintf(stderr, "crear-empresa: %s\n", e.Description.c_str());
    return 1;
  }
}
