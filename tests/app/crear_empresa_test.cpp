// `importador crear-empresa CARPETA NOMBRE` as the operator runs it: exit status, the file it
// prints, and the message when it cannot create the company.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/prueba_base.h"

namespace {

std::string Programa() {
  // The test binary lives in build/tests/; the program in build/app/.
  std::array<char, 4096> ruta{};
  ssize_t n = readlink("/proc/self/exe", ruta.data(), ruta.size() - 1);
  std::string propio(ruta.data(), n > 0 ? static_cast<size_t>(n) : 0);
  return propio.substr(0, propio.rfind("/tests/")) + "/app/importador";
}

class CrearEmpresaComando : public PruebaBase {
 protected:
  int Correr(const std::string& carpeta, const std::string& nombre) {
    const std::string orden = "IMPORTADOR_CARPETA=" + carpeta_ + " " + Programa() +
                              " crear-empresa '" + carpeta + "' '" + nombre + "' >" +
                              Ruta("salida.txt") + " 2>" + Ruta("errores.txt") + " </dev/null";
    int estado = std::system(orden.c_str());
    salida = Leer(Ruta("salida.txt"));
    errores = Leer(Ruta("errores.txt"));
    return WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
  }
  static std::string Leer(const std::string& ruta) {
    std::ifstream f(ruta);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }
  std::string salida, errores;
};

TEST_F(CrearEmpresaComando, CreaLaEmpresaUnaVezYExplicaLoQueNoPuede) {
  std::filesystem::create_directory(Ruta("empresas"));
  const std::string carpeta = Ruta("empresas");
  const std::string archivo = carpeta + "/NUEVA.db";
  ASSERT_EQ(Correr(carpeta, "NUEVA"), 0) << errores;
  EXPECT_EQ(salida, archivo + "\n");
  EXPECT_TRUE(std::filesystem::exists(archivo));

  struct Caso {
    std::string carpeta, nombre, mensaje;
  } casos[] = {
      {carpeta, "NUEVA", "El archivo " + archivo + " ya existe"},
      {carpeta + "/falta", "X", "La carpeta " + carpeta + "/falta no existe"},
      {"/proc", "X", "/proc/X.db"},  // a folder nobody, not even root, can write into
      {carpeta, "", "Falta el nombre de la empresa"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.carpeta + " " + c.nombre);
    EXPECT_NE(Correr(c.carpeta, c.nombre), 0);
    EXPECT_NE(errores.find(c.mensaje), std::string::npos) << errores;
    EXPECT_EQ(salida, "");
  }
}

}  // namespace
