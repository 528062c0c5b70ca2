#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "data/db_dll.h"
#include "platform/ado.h"
#include "tests/support/conexion_memoria.h"
#include "tests/support/prueba_base.h"

namespace {

const char* const kOracle = "Provider=OraOLEDB.Oracle.1;Data Source=KV;User ID=kv;";

// An Oracle connection that records what it receives. A statement that contains FALLA fails
// as a missing table does; one that contains SIN_RESULTADO succeeds with the no-result status
// in its error list. INSERT reports 1 row, UPDATE 3, DELETE 2.
class ConexionGrabadora : public ConexionEnMemoria {
 public:
  ConexionGrabadora() : ConexionEnMemoria(kOracle, "KV") {}
  std::vector<std::string> recibido;

  std::optional<ado::Resultado> Execute(const std::string& text, int32_t* n, int32_t) override {
    errores_.Clear();
    recibido.push_back(text);
    if (text.find("FALLA") != std::string::npos) {
      errores_.Add({ado::kDbEErrorsInCommand, 942, "", "ORA-00942: table or view does not exist",
                    "OraOLEDB"});
      throw plataforma::ErrorEjecucion(ado::kDbEErrorsInCommand,
                                       "ORA-00942: table or view does not exist");
    }
    if (text.find("SIN_RESULTADO") != std::string::npos) {
      errores_.Add({ado::kDbSNoResult, 0, "", "No result", "OraOLEDB"});
    }
    int32_t filas = text.rfind("INSERT", 0) == 0   ? 1
                    : text.rfind("UPDATE", 0) == 0 ? 3
                    : text.rfind("DELETE", 0) == 0 ? 2
                                                   : 0;
    if (n) *n = filas;
    return std::nullopt;
  }
  void BeginTrans() override { recibido.push_back("<begin>"); }
  void CommitTrans() override { recibido.push_back("<commit>"); }
  void RollbackTrans() override { recibido.push_back("<rollback>"); }
};

class LoteOracleTest : public PruebaBase {
 protected:
  void SetUp() override {
    PruebaBase::SetUp();
    cnn = std::make_shared<ConexionGrabadora>();
    db.gCnn = cnn;
    db.gConnString = kOracle;
    db.gOpenFlag = true;
    db.gEsAdmin = true;
  }

  // Runs a batch as the writers do and returns the affected rows.
  int32_t Ejecutar(std::string lote) {
    int32_t filas = 0;
    db.EjecutaConsultaSQL(lote, &filas);
    return filas;
  }

  DB_Dll db;
  std::shared_ptr<ConexionGrabadora> cnn;
};

using Recibido = std::vector<std::string>;

TEST_F(LoteOracleTest, WorkedExampleBeginsInsertsOneByOneAndCommits) {
  int32_t filas = Ejecutar(
      "BEGIN TRANSACTION\r\rINSERT INTO T VALUES (1)\rINSERT INTO U VALUES (2)\r"
      "COMMIT TRANSACTION");
  EXPECT_EQ(cnn->recibido, (Recibido{"<begin>", "INSERT INTO T VALUES (1)",
                                     "INSERT INTO U VALUES (2)", "<commit>"}));
  EXPECT_EQ(filas, 2);
  EXPECT_EQ(cnn->Errors().Count(), 0u);
}

TEST_F(LoteOracleTest, TransactionWordsBecomeConnectionCalls) {
  struct Caso {
    const char* lote;
    Recibido esperado;
  };
  const Caso casos[] = {
      {"BEGIN TRANS INSERT INTO T VALUES (1) COMMIT TRANS",
       {"<begin>", "INSERT INTO T VALUES (1)", "<commit>"}},
      {"begin transaction\r\ndelete FROM T\r\nrollback transaction",
       {"<begin>", "delete FROM T", "<rollback>"}},
      {"COMMIT TRANSACTION", {"<commit>"}},
      {"ROLLBACK TRANSACTION", {"<rollback>"}},
  };
  for (const Caso& c : casos) {
    cnn->recibido.clear();
    Ejecutar(c.lote);
    EXPECT_EQ(cnn->recibido, c.esperado) << c.lote;
  }
}

TEST_F(LoteOracleTest, WriterBatchRunsEachStatementConverted) {
  // The batch of EjecutaSentencias: CR-separated lines with empty ones between.
  int32_t filas = Ejecutar(
      "BEGIN TRANSACTION \r\r\rSET NOCOUNT ON\r"
      "IF NOT EXISTS(SELECT FECHA FROM MA_CALENDARIO WHERE FECHA='15/01/2020') INSERT INTO "
      "MA_CALENDARIO (FECHA) VALUES('15/01/2020')\r\r"
      "UPDATE MA_CUENTAS SET [Descripcion] = 'X' WHERE CODIGO = '1101'\r\r\r");
  EXPECT_EQ(cnn->recibido,
            (Recibido{"<begin>",
                      "INSERT INTO MA_CALENDARIO (FECHA) SELECT TO_DATE('15/01/2020','DD/MM/YYYY')"
                      " FROM DUAL WHERE NOT EXISTS(SELECT FECHA FROM MA_CALENDARIO WHERE "
                      "FECHA=TO_DATE('15/01/2020','DD/MM/YYYY'))",
                      "UPDATE MA_CUENTAS SET \"Descripcion\" = 'X' WHERE CODIGO = '1101'"}));
  EXPECT_EQ(filas, 1 + 3);
}

TEST_F(LoteOracleTest, IfNotExistsThatGuardsNoInsertIsSkipped) {
  Ejecutar("IF NOT EXISTS(SELECT * FROM T WHERE A = 1) UPDATE T SET A = 2");
  EXPECT_EQ(cnn->recibido, (Recibido{"UPDATE T SET A = 2"}));
}

TEST_F(LoteOracleTest, AffectedRowsAreSummedOverExecutedStatements) {
  int32_t filas = Ejecutar("UPDATE T SET A = 1 DELETE FROM U INSERT INTO V VALUES (1)");
  EXPECT_EQ(filas, 3 + 2 + 1);
}

TEST_F(LoteOracleTest, FailingStatementEndsTheBatchWithItsError) {
  Ejecutar(
      "BEGIN TRANSACTION \r\rINSERT INTO T VALUES (1)\rINSERT INTO FALLA VALUES (2)\r"
      "INSERT INTO U VALUES (3)\r");
  EXPECT_EQ(cnn->recibido,
            (Recibido{"<begin>", "INSERT INTO T VALUES (1)", "INSERT INTO FALLA VALUES (2)"}));
  ASSERT_EQ(cnn->Errors().Count(), 1u);
  EXPECT_EQ(cnn->Errors().Item(0).NativeError, 942);
}

TEST_F(LoteOracleTest, LoneNoResultStatusIsCleared) {
  Ejecutar("UPDATE SIN_RESULTADO SET A = 1");
  EXPECT_EQ(cnn->Errors().Count(), 0u);
}

TEST_F(LoteOracleTest, LiteralsNeitherCutNorChangeTheBatch) {
  Ejecutar(
      "BEGIN TRANSACTION \r\r"
      "INSERT INTO MV_ASIENTOS (CONCEPTO,TC) VALUES ('Saldos UPDATE 2004','FC')\r\r"
      "INSERT INTO MV_ASIENTOS (CONCEPTO) VALUES ('Pago [laptop ] ISNULL(')\r\r"
      "INSERT INTO MV_ASIENTOS (CONCEPTO) VALUES ('IF NOT EXISTS SET NOCOUNT ON "
      "COMMIT TRANSACTION')\r\r"
      "INSERT INTO MV_ASIENTOS (CONCEPTO) VALUES ('linea 1\rlinea 2')\r");
  EXPECT_EQ(cnn->recibido,
            (Recibido{"<begin>",
                      "INSERT INTO MV_ASIENTOS (CONCEPTO,TC) VALUES ('Saldos UPDATE 2004','FC')",
                      "INSERT INTO MV_ASIENTOS (CONCEPTO) VALUES ('Pago [laptop ] ISNULL(')",
                      "INSERT INTO MV_ASIENTOS (CONCEPTO) VALUES ('IF NOT EXISTS SET NOCOUNT ON "
                      "COMMIT TRANSACTION')",
                      "INSERT INTO MV_ASIENTOS (CONCEPTO) VALUES ('linea 1\rlinea 2')"}));
}

TEST_F(LoteOracleTest, UnconvertibleStatementIsReportedInTheErrorList) {
  Ejecutar("BEGIN TRANSACTION \r\rINSERT INTO T VALUES ('abc)\r");
  EXPECT_EQ(cnn->recibido, (Recibido{"<begin>"}));
  ASSERT_EQ(cnn->Errors().Count(), 1u);
  EXPECT_NE(cnn->Errors().Item(0).Description.find("apostrofo"), std::string::npos);
}

}  // namespace
