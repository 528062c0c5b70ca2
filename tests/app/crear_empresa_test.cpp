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
    return Correr("crear-empresa '" + carpeta + "' '" + nombre + "'");
  }
  int Correr(const std::string& argumentos) {
    CorridaPrograma corrida = CorrerPrograma(carpeta_, argumentos);
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

// A new company has no users; alta-usuario registers those a session accepts, once each.
TEST_F(CrearEmpresaComando, AltaUsuarioRegistraQuienPuedeEntrar) {
  std::filesystem::create_directory(Ruta("empresas"));
  const std::string carpeta = Ruta("empresas");
  ASSERT_EQ(Correr(carpeta, "NUEVA"), 0) << errores;
  const std::string archivo = carpeta + "/NUEVA.db";
  ASSERT_EQ(Correr("alta-usuario '" + carpeta + "' NUEVA ' operador '"), 0) << errores;
  EXPECT_EQ(salida, archivo + "\n");
  ASSERT_EQ(Correr("alta-usuario --administrador '" + carpeta + "' NUEVA JEFE"), 0) << errores;

  struct Caso {
    std::string argumentos, mensaje;
  } casos[] = {
      {"'" + carpeta + "' NUEVA OPERADOR", "El usuario OPERADOR ya está registrado en " + archivo},
      {"'" + carpeta + "' OTRA X", "No existe la empresa " + carpeta + "/OTRA.db"},
      {"'" + carpeta + "' NUEVA ' '", "Falta el nombre del usuario"},
      {"'" + carpeta + "' NUEVA " + std::string(51, 'U'), "No se pudo registrar el usuario"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.argumentos);
    EXPECT_EQ(Correr("alta-usuario " + c.argumentos), 1);
    EXPECT_NE(errores.find(c.mensaje), std::string::npos) << errores;
  }

  // The session of a registered user opens: a start-up alone completes.
  EXPECT_EQ(Correr("--lote '@Server=sqlite:" + carpeta + ";@DbName=NUEVA;@Usuario=Operador;'"), 0)
      << errores;
  EXPECT_NE(Correr("--lote '@Server=sqlite:" + carpeta + ";@DbName=NUEVA;@Usuario=OTRO;'"), 0);
}

}  // namespace
