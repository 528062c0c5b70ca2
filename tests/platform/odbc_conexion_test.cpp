// The ODBC connection against real SQLite database files, FreeTDS against a closed port, and
// the translation of the suite's connection texts.

#include "platform/odbc_conexion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "tests/support/base_sqlite.h"

namespace {

using ado::OdbcConnection;
using plataforma::ErrorEjecucion;

// Runs `f` and returns the error it raised; fails the test when it raised none.
template <typename F>
ErrorEjecucion ErrorDe(F&& f) {
  try {
    f();
  } catch (const ErrorEjecucion& e) {
    return e;
  }
  ADD_FAILURE() << "no error was raised";
  return ErrorEjecucion(0, "");
}

class ConexionOdbc : public PruebaSQLite {};

TEST_F(ConexionOdbc, ExecuteCountsAffectedRowsAndNoMatchIsZero) {
  Ejecutar("CREATE TABLE T (ID INTEGER PRIMARY KEY, NOMBRE VARCHAR(20))");
  EXPECT_EQ(Ejecutar("INSERT INTO T VALUES (1, 'uno')"), 1);
  EXPECT_EQ(Ejecutar("INSERT INTO T VALUES (2, 'dos')"), 1);
  EXPECT_EQ(Ejecutar("UPDATE T SET NOMBRE = 'x'"), 2);
  // The driver answers SQL_NO_DATA for an UPDATE or DELETE that matches nothing.
  EXPECT_EQ(Ejecutar("UPDATE T SET NOMBRE = 'y' WHERE ID = 99"), 0);
  EXPECT_EQ(Ejecutar("DELETE FROM T WHERE ID = 99"), 0);
  EXPECT_EQ(cnn->Errors().Count(), 0u);
  EXPECT_EQ(Ejecutar("DELETE FROM T"), 2);
  // A query gives its rows and no count.
  int32_t n = -5;
  auto r = cnn->Execute("SELECT * FROM T", &n);
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->columnas.size(), 2u);
  EXPECT_EQ(n, 0);
}

TEST_F(ConexionOdbc, FailureFillsTheErrorListAndRaisesItsFirstEntry) {
  Ejecutar("CREATE TABLE C (U VARCHAR(5) UNIQUE, N INT CONSTRAINT CK_N CHECK (N > 0))");
  Ejecutar("INSERT INTO C VALUES ('a', 1)");
  struct Caso {
    const char* sql;
    int32_t numero;
    int32_t nativo;
    const char* mensaje;
  } casos[] = {
      {"INSERT INTO C VALUES ('a', 2)", ado::kDbEIntegrityViolation, 19,
       "[SQLite]UNIQUE constraint failed: C.U (19)"},
      {"INSERT INTO C VALUES ('b', 0)", ado::kDbEIntegrityViolation, 19,
       "[SQLite]CHECK constraint failed: CK_N (19)"},
      {"SELECT * FROM NO_ESTA", ado::kDbENoTable, 1, "[SQLite]no such table: NO_ESTA (1)"},
      {"SELEC 1", ado::kDbEErrorsInCommand, 1, "near \"SELEC\": syntax error"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.sql);
    ErrorEjecucion e = ErrorDe([&] { cnn->Execute(c.sql); });
    // The driver gives exactly one record per failure.
    ASSERT_EQ(cnn->Errors().Count(), 1u);
    const ado::Error& primero = cnn->Errors().Item(0);
    EXPECT_EQ(primero.Number, c.numero);
    EXPECT_EQ(primero.NativeError, c.nativo);
    EXPECT_EQ(primero.SQLState, "HY000");
    EXPECT_NE(primero.Description.find(c.mensaje), std::string::npos) << primero.Description;
    EXPECT_EQ(primero.Source, "SQLite3");
    EXPECT_EQ(e.Number, c.numero);
    EXPECT_EQ(e.Description, primero.Description);
  }
  // The next execution starts with an empty list.
  Ejecutar("INSERT INTO C VALUES ('c', 3)");
  EXPECT_EQ(cnn->Errors().Count(), 0u);
  EXPECT_EQ(ContarFilas("C"), 2);
}

TEST_F(ConexionOdbc, BatchStopsAtTheFailingStatementAndKeepsTheEarlierOnes) {
  Ejecutar("CREATE TABLE B (ID INT PRIMARY KEY)");
  EXPECT_THROW(cnn->Execute("BEGIN TRANSACTION; INSERT INTO B VALUES (1); "
                            "INSERT INTO B VALUES (1); INSERT INTO B VALUES (2)"),
               ErrorEjecucion);
  ASSERT_EQ(cnn->Errors().Count(), 1u);
  EXPECT_EQ(cnn->Errors().Item(0).Number, ado::kDbEIntegrityViolation);
  // The transaction stays open: the caller decides, here by rolling back.
  cnn->RollbackTrans();
  EXPECT_EQ(ContarFilas("B"), 0);
}

TEST_F(ConexionOdbc, TransactionsCommitAndRollBack) {
  Ejecutar("CREATE TABLE X (ID INT)");
  cnn->BeginTrans();
  Ejecutar("INSERT INTO X VALUES (1)");
  cnn->CommitTrans();
  cnn->BeginTrans();
  Ejecutar("INSERT INTO X VALUES (2)");
  cnn->RollbackTrans();
  EXPECT_EQ(Consultar("SELECT ID FROM X"), (std::vector<std::vector<std::string>>{{"1"}}));
  // The rollback reached the file: a second connection sees the same.
  OdbcConnection otra;
  otra.Open(CadenaConexion());
  auto r = otra.Execute("SELECT COUNT(*) FROM X");
  ASSERT_TRUE(r);
  EXPECT_EQ(PruebaSQLite::ComoTexto(r->filas.at(0).at(0)), "1");
  otra.Close();
  EXPECT_THROW(cnn->CommitTrans(), ErrorEjecucion);  // none is active
}

TEST_F(ConexionOdbc, TableCatalogueNamesTablesAndViews) {
  Ejecutar("CREATE TABLE ta_usuarios (nombre VARCHAR(20))");
  Ejecutar("CREATE VIEW SS_USUARIOS AS SELECT * FROM ta_usuarios");
  std::vector<std::string> nombres = cnn->TableNames();
  EXPECT_NE(std::find(nombres.begin(), nombres.end(), "ta_usuarios"), nombres.end());
  EXPECT_NE(std::find(nombres.begin(), nombres.end(), "SS_USUARIOS"), nombres.end());
}

TEST_F(ConexionOdbc, StateErrorsOfTheConnection) {
  cnn->Close();
  EXPECT_EQ(cnn->State(), ado::adStateClosed);
  EXPECT_EQ(ErrorDe([&] { cnn->Execute("SELECT 1"); }).Number, ado::adErrInvalidConnection);
  EXPECT_EQ(ErrorDe([&] { cnn->TableNames(); }).Number, ado::adErrInvalidConnection);
  EXPECT_EQ(ErrorDe([&] { cnn->BeginTrans(); }).Number, ado::adErrInvalidConnection);
  EXPECT_EQ(ErrorDe([&] { cnn->Close(); }).Number, ado::adErrObjectClosed);
  ado::Recordset rs;
  EXPECT_EQ(ErrorDe([&] { rs.Open("SELECT 1", cnn); }).Number, ado::adErrInvalidConnection);

  // Opened again with its own text; opening it twice is refused.
  cnn->Open();
  EXPECT_EQ(cnn->State(), ado::adStateOpen);
  EXPECT_EQ(ErrorDe([&] { cnn->Open(); }).Number, ado::adErrObjectOpen);
  EXPECT_EQ(cnn->State(), ado::adStateOpen);
}

TEST_F(ConexionOdbc, MissingDatabaseFileFailsAndIsNotCreated) {
  OdbcConnection c;
  std::string ruta = Ruta("no_existe.db");
  ErrorEjecucion e = ErrorDe([&] { c.Open("Provider=SQLite;Data Source=" + ruta + ";"); });
  EXPECT_EQ(e.Number, ado::kEFail);
  ASSERT_GE(c.Errors().Count(), 1u);
  EXPECT_EQ(c.Errors().Item(0).Number, ado::kEFail);
  EXPECT_EQ(c.Errors().Item(0).NativeError, 14);
  EXPECT_EQ(c.State(), ado::adStateClosed);
  EXPECT_FALSE(std::filesystem::exists(ruta));
}

TEST_F(ConexionOdbc, PropertiesAreKept) {
  cnn->SetCommandTimeout(5);
  cnn->SetCursorLocation(ado::adUseClient);
  cnn->SetIsolationLevel(ado::adXactSerializable);
  cnn->SetDefaultDatabase("EMPRESA");
  EXPECT_EQ(cnn->CommandTimeout(), 5);
  EXPECT_EQ(cnn->CursorLocation(), ado::adUseClient);
  EXPECT_EQ(cnn->IsolationLevel(), ado::adXactSerializable);
  EXPECT_EQ(cnn->DefaultDatabase(), "EMPRESA");
  EXPECT_EQ(Ejecutar("CREATE TABLE P (ID INT)"), 0);  // statements still run
}

TEST_F(ConexionOdbc, EveryHandleIsFreed) {
  cnn->Close();
  const ado::HandlesOdbc antes = ado::HandlesOdbcPendientes();
  {
    auto c = std::make_shared<OdbcConnection>();
    c->Open(CadenaConexion());
    c->Execute("CREATE TABLE H (ID INT PRIMARY KEY)");
    c->Execute("INSERT INTO H VALUES (1)");
    EXPECT_THROW(c->Execute("INSERT INTO H VALUES (1)"), ErrorEjecucion);
    EXPECT_THROW(c->Execute("SELECT * FROM NADA"), ErrorEjecucion);
    c->TableNames();
    ado::Recordset rs;
    rs.Open("SELECT * FROM H", c);
    rs.Close();
    OdbcConnection fallida;
    EXPECT_THROW(fallida.Open("Provider=SQLite;Data Source=" + Ruta("x/y.db") + ";"),
                 ErrorEjecucion);
    c->Close();
    OdbcConnection abierta;  // freed by its destructor
    abierta.Open(CadenaConexion());
    abierta.Execute("SELECT 1");
  }
  EXPECT_EQ(ado::HandlesOdbcPendientes(), antes);
  EXPECT_EQ(antes, ado::HandlesOdbc{});
}

// Nothing listens on port 1: FreeTDS fails at once, with more than one diagnostic record.
TEST(ConexionFreeTds, RefusedConnectionListsEveryRecord) {
  OdbcConnection c;
  auto inicio = std::chrono::steady_clock::now();
  ErrorEjecucion e = ErrorDe(
      [&] { c.Open("PROVIDER=SQLOLEDB;Server=127.0.0.1,1;Database =EMPRESA;UId=sa;Pwd=x;"); });
  EXPECT_LT(std::chrono::steady_clock::now() - inicio, std::chrono::seconds(10));
  EXPECT_EQ(e.Number, ado::kEFail);
  ASSERT_GE(c.Errors().Count(), 2u);
  bool nativo20009 = false;
  for (const ado::Error& r : c.Errors().Items()) {
    EXPECT_EQ(r.Number, ado::kEFail);
    EXPECT_EQ(r.SQLState.substr(0, 2), "08") << r.Description;
    nativo20009 = nativo20009 || r.NativeError == 20009;
  }
  EXPECT_TRUE(nativo20009);
  EXPECT_EQ(e.Description, c.Errors().Item(0).Description);
  EXPECT_EQ(c.State(), ado::adStateClosed);
  EXPECT_EQ(ado::HandlesOdbcPendientes(), ado::HandlesOdbc{});
}

TEST(NumeroDeDiagnostico, FromStateOrSqliteCode) {
  using ado::MotorOdbc;
  struct Caso {
    const char* estado;
    int32_t nativo;
    const char* mensaje;
    MotorOdbc motor;
    int32_t numero;
  } casos[] = {
      {"23000", 2627, "Violation of PRIMARY KEY", MotorOdbc::SqlServer,
       ado::kDbEIntegrityViolation},
      {"42S02", 208, "Invalid object name 'X'.", MotorOdbc::SqlServer, ado::kDbENoTable},
      {"08S01", 20009, "Unable to connect", MotorOdbc::SqlServer, ado::kEFail},
      {"42000", 102, "Incorrect syntax", MotorOdbc::SqlServer, ado::kDbEErrorsInCommand},
      {"01000", 5701, "Changed database context", MotorOdbc::SqlServer, 0},
      {"22001", 8152, "String or binary data would be truncated", MotorOdbc::SqlServer,
       ado::kDbEErrorsInCommand},
      {"HY000", 19, "[SQLite]UNIQUE constraint failed", MotorOdbc::SQLite,
       ado::kDbEIntegrityViolation},
      {"HY000", 1, "[SQLite]no such table: T (1)", MotorOdbc::SQLite, ado::kDbENoTable},
      {"HY000", 1, "[SQLite]near \"X\": syntax error", MotorOdbc::SQLite, ado::kDbEErrorsInCommand},
  };
  for (const Caso& c : casos) {
    EXPECT_EQ(ado::NumeroDeDiagnostico(c.estado, c.nativo, c.mensaje, c.motor), c.numero)
        << c.estado << " " << c.mensaje;
  }
}

// Driver names are pinned by the variables, so the texts do not depend on odbcinst.ini.
class TraduccionConexion : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("IMPORTADOR_ODBC_SQLSERVER", "FreeTDS", 1);
    ::setenv("IMPORTADOR_ODBC_ORACLE", "Oracle 19", 1);
    ::setenv("IMPORTADOR_ODBC_SQLITE", "SQLite3", 1);
  }
  void TearDown() override {
    ::unsetenv("IMPORTADOR_ODBC_SQLSERVER");
    ::unsetenv("IMPORTADOR_ODBC_ORACLE");
    ::unsetenv("IMPORTADOR_ODBC_SQLITE");
  }
};

TEST_F(TraduccionConexion, SuiteTextsBecomeOdbcTexts) {
  const std::string tds = ";UID=sa;PWD=clave;TDS_Version=7.4;ClientCharset=UTF-8;";
  struct Caso {
    const char* texto;
    std::string odbc;
  } casos[] = {
      {"PROVIDER=SQLOLEDB;Server=srv;Database =EMPRESA;UId=sa;Pwd=clave;",
       "DRIVER=FreeTDS;Server=srv;Database=EMPRESA" + tds},
      {"provider=sqloledb; server = srv,1433 ;DATABASE =EMPRESA;uid=sa;pwd=clave;",
       "DRIVER=FreeTDS;Server=srv;Port=1433;Database=EMPRESA" + tds},
      {"PROVIDER=SQLOLEDB;Server=srv:1500;Database =EMPRESA;UId=sa;Pwd=clave;",
       "DRIVER=FreeTDS;Server=srv;Port=1500;Database=EMPRESA" + tds},
      {"PROVIDER=SQLOLEDB;Server=srv\\ORBENA;Database =EMPRESA;UId=sa;Pwd=clave;",
       "DRIVER=FreeTDS;Server=srv\\ORBENA;Database=EMPRESA" + tds},
      {"PROVIDER=SQLOLEDB;Server=(local);Database =;UId=sa;Pwd=clave;",
       "DRIVER=FreeTDS;Server=127.0.0.1" + tds},
      {"PROVIDER=SQLOLEDB;Server=srv;Database =EMPRESA;UId=sa;Pwd=a;b;",
       "DRIVER=FreeTDS;Server=srv;Database=EMPRESA;UID=sa;PWD=a;TDS_Version=7.4;"
       "ClientCharset=UTF-8;"},
      {"Provider=OraOLEDB.Oracle.1;Data Source=ORCL;User Id=kv;Password=p}w;",
       "DRIVER={Oracle 19};DBQ=ORCL;UID=kv;PWD={p}}w};"},
      {"Provider=SQLite;Data Source=/tmp/empresa.db;",
       "DRIVER=SQLite3;Database=/tmp/empresa.db;NoCreat=1;Timeout=60000;"},
      {"Provider=SQLite;Data Source=/tmp/nueva.db;Create=1;",
       "DRIVER=SQLite3;Database=/tmp/nueva.db;Timeout=60000;"},
      {"DRIVER=SQLite3;Database=/tmp/x.db;", "driver=SQLite3;database=/tmp/x.db;"},
  };
  for (const Caso& c : casos) {
    EXPECT_EQ(ado::TraducirCadenaConexion(c.texto), c.odbc) << c.texto;
  }
}

TEST(MotorDe, ProviderNamesTheEngine) {
  EXPECT_EQ(ado::MotorDe("PROVIDER=SQLOLEDB;Server=s;"), ado::MotorOdbc::SqlServer);
  EXPECT_EQ(ado::MotorDe("Provider=OraOLEDB.Oracle.1;Data Source=x;"), ado::MotorOdbc::Oracle);
  EXPECT_EQ(ado::MotorDe("Provider=SQLite;Data Source=x;"), ado::MotorOdbc::SQLite);
  EXPECT_EQ(ado::MotorDe("DRIVER=SQLite3;Database=x;"), ado::MotorOdbc::SQLite);
  EXPECT_EQ(ado::MotorDe("Server=s;Database=d;"), ado::MotorOdbc::SqlServer);
}

}  // namespace
