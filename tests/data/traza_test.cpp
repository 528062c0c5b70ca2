// The statement trace: one JSON line per statement with the exact texts.
#include "data/traza.h"

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "data/db_dll.h"
#include "tests/support/empresa.h"

namespace {

class PruebaTraza : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    archivo = Ruta("traza.jsonl");
    EstablecerTraza(archivo);
  }
  void TearDown() override {
    EstablecerTraza("");
    PruebaEmpresa::TearDown();
  }
  std::vector<nlohmann::json> Lineas() {
    std::vector<nlohmann::json> lineas;
    std::ifstream f(archivo);
    std::string linea;
    while (std::getline(f, linea)) lineas.push_back(nlohmann::json::parse(linea));
    return lineas;
  }
  std::string archivo;
};

TEST_F(PruebaTraza, UnLoteGuardaElTextoCompuestoYCadaSentenciaEnviada) {
  std::string lote =
      "BEGIN TRANSACTION \r\r"
      "INSERT INTO @Admin_MA_CUENTAS (CODIGO) VALUES ('A1')\r\r"
      "COMMIT TRANSACTION";
  const std::string compuesto = lote;
  DB().EjecutaConsultaSQL(lote);
  auto lineas = Lineas();
  ASSERT_EQ(lineas.size(), 1u);
  EXPECT_EQ(lineas[0]["op"], "execute");
  EXPECT_EQ(lineas[0]["sql"], compuesto);
  EXPECT_EQ(lineas[0]["sent"],
            nlohmann::json::array({"BEGIN IMMEDIATE TRANSACTION",
                                   "INSERT INTO MA_CUENTAS (CODIGO) VALUES ('A1')",
                                   "COMMIT TRANSACTION"}));
  EXPECT_EQ(lineas[0]["errors"], nlohmann::json::array());
  EXPECT_EQ(lineas[0]["rows"], 1);
}

TEST_F(PruebaTraza, UnaSentenciaRechazadaGuardaSusErroresYFilasNulas) {
  std::string sql = "INSERT INTO NO_EXISTE (A) VALUES (1)";
  DB().EjecutaConsultaSQL(sql);
  auto lineas = Lineas();
  ASSERT_EQ(lineas.size(), 1u);
  ASSERT_EQ(lineas[0]["errors"].size(), 1u);
  EXPECT_EQ(lineas[0]["errors"][0]["native"], 208);
  EXPECT_EQ(lineas[0]["errors"][0]["state"], "HY000");
  EXPECT_NE(lineas[0]["errors"][0]["description"].get<std::string>().find("NO_EXISTE"),
            std::string::npos);
  EXPECT_TRUE(lineas[0]["rows"].is_null());
}

TEST_F(PruebaTraza, UnaConsultaGuardaLaFormaConvertida) {
  Ejecutar("INSERT INTO MA_CUENTAS (CODIGO) VALUES ('1'), ('2')");
  ado::Recordset rs;
  std::string sql = "SELECT TOP 1 * FROM MA_CUENTAS WITH(NOLOCK) WHERE CODIGO = '1'";
  DB().AbrirRecordset(sql, rs);
  auto lineas = Lineas();
  ASSERT_EQ(lineas.size(), 1u);
  EXPECT_EQ(lineas[0]["op"], "open");
  EXPECT_EQ(lineas[0]["sql"], "SELECT TOP 1 * FROM MA_CUENTAS WITH(NOLOCK) WHERE CODIGO = '1'");
  ASSERT_EQ(lineas[0]["sent"].size(), 1u);
  std::string enviado = lineas[0]["sent"][0];
  EXPECT_EQ(enviado.find("TOP"), std::string::npos) << enviado;
  EXPECT_NE(enviado.find("SS_MA_CUENTAS"), std::string::npos) << enviado;
  EXPECT_EQ(lineas[0]["rows"], 1);
}

TEST(OcultaClaves, LasClavesDeLosInicioDeSesionNoSeEscriben) {
  struct Caso {
    const char* sql;
    const char* esperado;
  } casos[] = {
      {"EXEC  sp_addlogin N'KV_ESTADISTICAS', 'QX_SECRETA', 'KV_ESTADISTICAS','Spanish'",
       "EXEC  sp_addlogin N'KV_ESTADISTICAS', '****', 'KV_ESTADISTICAS','Spanish'"},
      {"CREATE LOGIN kv WITH PASSWORD = 'x1', DEFAULT_DATABASE = kv",
       "CREATE LOGIN kv WITH PASSWORD = '****', DEFAULT_DATABASE = kv"},
      {"INSERT INTO T (A) VALUES ('PASSWORD = ''x''')",
       "INSERT INTO T (A) VALUES ('PASSWORD = ''x''')"},
  };
  for (const auto& c : casos) EXPECT_EQ(OcultaClaves(c.sql), c.esperado);
}

}  // namespace
