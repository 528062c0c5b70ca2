// The ODBC connection against real SQLite database files, and the translation of the suite's
// connection texts.

#include "platform/odbc_conexion.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/base_sqlite.h"

namespace {

using ado::OdbcConnection;
using plataforma::ErrorEjecucion;

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
}

}  // namespace
