// The built program as the command-line tests run it.

#include "tests/support/programa.h"

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <sstream>

std::string RutaPrograma() {
#ifdef IMPORTADOR_PROGRAMA
  return IMPORTADOR_PROGRAMA;
#else
  // The test binary lives in build/tests/; the program in build/app/.
  std::array<char, 4096> ruta{};
  ssize_t n = readlink("/proc/self/exe", ruta.data(), ruta.size() - 1);
  std::string propio(ruta.data(), n > 0 ? static_cast<size_t>(n) : 0);
  return propio.substr(0, propio.rfind("/tests/")) + "/app/importador";
#endif
}

std::string LeerArchivo(const std::string& ruta) {
  std::ifstream f(ruta);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

CorridaPrograma CorrerPrograma(const std::string& carpeta, const std::string& argumentos,
                               const std::string& antes) {
  const std::string salida = carpeta + "salida.txt";
  const std::string errores = carpeta + "errores.txt";
  const std::string orden = antes + "IMPORTADOR_CARPETA=" + carpeta + " " + RutaPrograma() + " " +
                            argumentos + " >" + salida + " 2>" + errores + " </dev/null";
  int estado = std::system(orden.c_str());
  CorridaPrograma corrida;
  corrida.salida = LeerArchivo(salida);
  corrida.errores = LeerArchivo(errores);
  corrida.estado = WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
  return corrida;
}
