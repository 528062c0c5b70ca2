// Texts beyond ASCII through the ODBC connection and back, as the driver stores them: values,
// column and table names, and the driver's messages. On Windows they travel as UTF-16 through
// the wide-character entry points, so they survive whatever the ANSI code page (the characters
// below include some that no Western code page holds).

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/odbc_conexion.h"
#include "tests/support/base_sqlite.h"

namespace {

class TextoOdbc : public PruebaSQLite {};

TEST_F(TextoOdbc, ValoresIdaYVueltaConSusCaracteres) {
  // A text longer than one piece of the column reader, with a two-byte letter across the edge.
  const std::string largo = std::string(2046, 'a') + "ñÑ" + std::string(3000, 'b') + "é";
  struct Caso {
    std::string texto;
    int caracteres;  // as the database counts them: a mangled text would count its bytes
  } casos[] = {
      {"NUÑEZ JOSÉ", 10},
      {"Núñez", 5},
      {"€ 1.500,00 – “Güemes”", 21},
      {"Łódź Ωμέγα", 10},
      {"日本語", 3},
      {largo, 5049},
  };
  Ejecutar("CREATE TABLE T (Id INTEGER, Nombre VARCHAR(6000))");
  int id = 0;
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.texto.substr(0, 40));
    ++id;
    Ejecutar("INSERT INTO T VALUES (" + std::to_string(id) + ", '" + c.texto + "')");
    const auto filas =
        Consultar("SELECT Nombre, length(Nombre) FROM T WHERE Id = " + std::to_string(id));
    ASSERT_EQ(filas.size(), 1u);
    EXPECT_EQ(filas[0][0], c.texto);
    EXPECT_EQ(filas[0][1], std::to_string(c.caracteres));
    // And found by the text itself: the statement's literal reached the driver intact.
    EXPECT_EQ(ContarFilas("T", "Nombre = '" + c.texto + "'"), 1);
  }
}

TEST_F(TextoOdbc, NombresYMensajesConSusCaracteres) {
  Ejecutar("CREATE TABLE [Señas] ([Año] INTEGER, [Dirección] VARCHAR(40))");
  auto r = cnn->Execute("SELECT [Año], [Dirección] AS [Calle Núñez] FROM [Señas]");
  ASSERT_TRUE(r.has_value());
  ASSERT_EQ(r->columnas.size(), 2u);
  EXPECT_EQ(r->columnas[0].nombre, "Año");
  EXPECT_EQ(r->columnas[1].nombre, "Calle Núñez");

  const std::vector<std::string> tablas = cnn->TableNames();
  EXPECT_NE(std::find(tablas.begin(), tablas.end(), "Señas"), tablas.end());

  try {
    cnn->Execute("SELECT * FROM [Tabla Ñandú]");
    ADD_FAILURE() << "the missing table was not reported";
  } catch (const plataforma::ErrorEjecucion& e) {
    EXPECT_NE(e.Description.find("Tabla Ñandú"), std::string::npos) << e.Description;
  }
}

}  // namespace
