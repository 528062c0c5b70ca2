// The SQL Server functions and the KVCI collation, as the SQLite driver's connections see them.

#include <gtest/gtest.h>

#include <ctime>

#include "platform/sqlite_funciones.h"
#include "tests/support/base_sqlite.h"

namespace {

class FuncionesSqlite : public PruebaSQLite {
 protected:
  std::string Uno(const std::string& expresion) {
    auto filas = Consultar("SELECT " + expresion);
    return filas.empty() ? "<no rows>" : filas[0][0];
  }
};

TEST_F(FuncionesSqlite, LenIsNullAndGetDate) {
  struct Caso {
    const char* expresion;
    const char* resultado;
  } casos[] = {
      {"len('abc   ')", "3"},
      {"len('   abc')", "6"},
      {"len('')", "0"},
      {"len('    ')", "0"},
      {"len('ñandú')", "5"},
      {"len(NULL)", "NULL"},
      {"len(12.5)", "4"},
      // ISNULL is an operator word of SQLite: the function is reached with its name quoted.
      {"[isnull](NULL, 'x')", "x"},
      {"\"isnull\"('a', 'x')", "a"},
      {"[isnull](NULL, NULL)", "NULL"},
  };
  for (const Caso& c : casos) EXPECT_EQ(Uno(c.expresion), c.resultado) << c.expresion;

  std::string ahora = Uno("getdate()");
  ASSERT_EQ(ahora.size(), 19u) << ahora;
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  char hoy[16];
  std::strftime(hoy, sizeof hoy, "%Y-%m-%d", &local);
  EXPECT_EQ(ahora.substr(0, 10), hoy);
  EXPECT_EQ(ahora[10], ' ');
}

TEST_F(FuncionesSqlite, KvciIgnoresCaseAccentedCaseAndTrailingBlanks) {
  struct Caso {
    const char* a;
    const char* b;
    bool iguales;
  } casos[] = {
      {"ABC", "abc", true},     {"ABC ", "abc", true},     {"    ", "", true},
      {"ÁRBOL", "árbol", true}, {"PEÑA", "peña", true},    {"ÑANDÚ", "ñandú", true},
      {" abc", "abc", false},   {"arbol", "árbol", false}, {"abc", "abd", false},
      {"×", "÷", false},
  };
  for (const Caso& c : casos) {
    std::string sql =
        std::string("CASE WHEN '") + c.a + "' = '" + c.b + "' COLLATE KVCI THEN 1 ELSE 0 END";
    EXPECT_EQ(Uno(sql), c.iguales ? "1" : "0") << c.a << " vs " << c.b;
  }
}

TEST_F(FuncionesSqlite, KvciColumnsFindAndKeepUniqueRegardlessOfCase) {
  Ejecutar("CREATE TABLE CU (CODIGO VARCHAR(10) COLLATE KVCI PRIMARY KEY, NOMBRE VARCHAR(30))");
  Ejecutar("INSERT INTO CU VALUES ('peña', 'x')");
  EXPECT_EQ(ContarFilas("CU", "CODIGO = 'PEÑA  '"), 1);
  EXPECT_THROW(cnn->Execute("INSERT INTO CU VALUES ('PEÑA ', 'y')"), plataforma::ErrorEjecucion);
  EXPECT_EQ(cnn->Errors().Item(0).Number, ado::kDbEIntegrityViolation);
  Ejecutar("INSERT INTO CU VALUES ('Pena', 'z')");
  EXPECT_EQ(Consultar("SELECT CODIGO FROM CU ORDER BY CODIGO"),
            (std::vector<std::vector<std::string>>{{"Pena"}, {"peña"}}));
}

TEST(CompararKvci, OrdersByFoldedLetters) {
  EXPECT_LT(plataforma::CompararKvci("abc", "ABD"), 0);
  EXPECT_GT(plataforma::CompararKvci("abcd", "ABC  "), 0);
  EXPECT_EQ(plataforma::CompararKvci("\xC3", "\xC3"), 0);  // a cut sequence compares as bytes
  EXPECT_LT(plataforma::CompararKvci("z", "á"), 0);
}

}  // namespace
