// The client-side recordset over a real SQLite database: typed fields, nulls, and rows added
// and edited through it; and the currency values the fields hold.

#include "platform/ado.h"

#include <gtest/gtest.h>

#include "tests/support/base_sqlite.h"

namespace {

using plataforma::ErrorEjecucion;
using plataforma::FechaHora;
using plataforma::Moneda;
using plataforma::Nulo;
using plataforma::Valor;

class RecordsetSQLite : public PruebaSQLite {
 protected:
  void SetUp() override {
    PruebaSQLite::SetUp();
    Ejecutar("CREATE TABLE MV (ID INTEGER PRIMARY KEY, TC VARCHAR(4), IMPORTE DECIMAL(18,4), "
             "TASA REAL, FECHA DATETIME, [NUMERO ASIENTO] INT, NOTA VARCHAR(40))");
    Ejecutar("INSERT INTO MV VALUES (1, 'FC', 1234.5678, 0.25, '2020-01-15 10:30:00', 7, "
             "'o''neill')");
    Ejecutar("INSERT INTO MV VALUES (2, 'NC', -0.5, NULL, NULL, NULL, NULL)");
  }
};

TEST_F(RecordsetSQLite, ReadsTypedFieldsAndNulls) {
  ado::Recordset rs;
  rs.Open("SELECT * FROM MV ORDER BY ID", cnn);
  ASSERT_EQ(rs.State(), ado::adStateOpen);
  EXPECT_FALSE(rs.BOF());
  EXPECT_FALSE(rs.EOF());
  EXPECT_EQ(rs.RecordCount(), 2);

  EXPECT_EQ(rs.Fields("id").Value(), Valor{int64_t{1}});
  EXPECT_EQ(rs.Fields("Tc").Value(), Valor{std::string("FC")});
  EXPECT_EQ(rs.Fields("IMPORTE").Type(), ado::adCurrency);
  EXPECT_EQ(rs.Fields("IMPORTE").Value(), Valor{Moneda{12345678}});
  EXPECT_EQ(rs.Fields("TASA").Type(), ado::adDouble);
  EXPECT_EQ(rs.Fields("TASA").Value(), Valor{0.25});
  EXPECT_EQ(rs.Fields("FECHA").Value(), Valor(FechaHora{2020, 1, 15, 10, 30, 0}));
  EXPECT_EQ(rs.Fields("numero asiento").Value(), Valor{int64_t{7}});
  EXPECT_EQ(rs.Fields("NOTA").Value(), Valor{std::string("o'neill")});

  rs.MoveNext();
  EXPECT_EQ(rs.Fields("IMPORTE").Value(), Valor{Moneda{-5000}});
  for (const char* nulo : {"TASA", "FECHA", "NUMERO ASIENTO", "NOTA"}) {
    EXPECT_TRUE(rs.Fields(nulo).IsNull()) << nulo;
  }
  rs.MoveNext();
  EXPECT_TRUE(rs.EOF());
  try {
    rs.Fields("ID").Value();
    ADD_FAILURE() << "a field at EOF has no value";
  } catch (const ErrorEjecucion& e) {
    EXPECT_EQ(e.Number, ado::adErrNoCurrentRecord);
  }
  rs.Close();
  EXPECT_EQ(rs.State(), ado::adStateClosed);
}

}  // namespace
