#include <cstdio>

#include "app/comandos.h"
#include "data/conexiones.h"
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

int ComandoAltaUsuario(const std::string& carpeta, const std::string& empresa,
                       const std::string& usuario, bool administrador) {
  try {
    const std::string archivo = ArchivoEmpresaSQLite("sqlite:" + carpeta, empresa);
    RegistrarUsuario(archivo, usuario, administrador);
    std::printf("%s\n", archivo.c_str());
    return 0;
  } catch (const plataforma::ErrorEjecucion& e) {
    std::fprintf(stderr, "alta-usuario: %s\n", e.Description.c_str());
    return 1;
  }
}
