// `importador crear-empresa CARPETA NOMBRE` as the operator runs it: exit status, the file it
// prints, and the message when it cannot create the company.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/programa.h"
#include "tests/support/prueba_base.h"

namespace {

class CrearEmpresaComando : public PruebaBase {
 protected:
  int Correr(const std::string& carpeta, const std::string& nombre) {
    CorridaPrograma corrida =
        CorrerPrograma(carpeta_, "crear-empresa '" + carpeta + "' '" + nombre + "'");
    salida = corrida.salida;
    errores = corrida.errores;
    return corrida.estado;
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
