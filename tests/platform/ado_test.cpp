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
    Ejecutar(
        "CREATE TABLE MV (ID INTEGER PRIMARY KEY, TC VARCHAR(4), IMPORTE DECIMAL(18,4), "
        "TASA REAL, FECHA DATETIME, [NUMERO ASIENTO] INT, NOTA VARCHAR(40))");
    Ejecutar(
        "INSERT INTO MV VALUES (1, 'FC', 1234.5678, 0.25, '2020-01-15 10:30:00', 7, "
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

template <typename F>
int32_t NumeroDe(F&& f) {
  try {
    f();
  } catch (const ErrorEjecucion& e) {
    return e.Number;
  }
  ADD_FAILURE() << "no error was raised";
  return 0;
}

TEST_F(RecordsetSQLite, AddNewInsertsOnlyTheFieldsSet) {
  ado::Recordset rs;
  rs.Open("SELECT * FROM [MV] WHERE ID = 0", cnn, ado::adOpenDynamic, ado::adLockOptimistic);
  EXPECT_TRUE(rs.EOF());
  rs.AddNew();
  EXPECT_EQ(rs.EditMode(), ado::adEditAdd);
  rs.Fields("ID").SetValue(int64_t{3});
  rs.Fields("TC").SetValue(std::string("R'X"));
  rs.Fields("IMPORTE").SetValue(Moneda{-1234505});
  rs.Fields("FECHA").SetValue(FechaHora{2021, 12, 31, 23, 59, 58});
  rs.Fields("NUMERO ASIENTO").SetValue(int64_t{9});
  rs.Update();
  EXPECT_EQ(rs.EditMode(), ado::adEditNone);
  EXPECT_EQ(Consultar("SELECT TC, IMPORTE, TASA, FECHA, [NUMERO ASIENTO] FROM MV WHERE ID = 3"),
            (std::vector<std::vector<std::string>>{
                {"R'X", "-123.4505", "NULL", "2021-12-31 23:59:58", "9"}}));
  // The new row stays the current one.
  EXPECT_EQ(rs.Fields("TC").Value(), Valor{std::string("R'X")});
  rs.Close();
}

TEST_F(RecordsetSQLite, EditingTheCurrentRowUpdatesThatRowOnly) {
  Ejecutar("INSERT INTO MV VALUES (3, 'NC', -0.5, NULL, NULL, NULL, 'otra')");
  ado::Recordset rs;
  rs.Open("SELECT * FROM MV WHERE ID >= 2 ORDER BY ID", cnn, ado::adOpenDynamic,
          ado::adLockOptimistic);
  // Row 2 holds NULLs: its WHERE must say IS NULL to find it.
  rs.Fields("NOTA").SetValue(std::string("editada"));
  EXPECT_EQ(rs.EditMode(), ado::adEditInProgress);
  rs.Fields("TASA").SetValue(1.5);
  rs.Update();
  EXPECT_EQ(
      Consultar("SELECT ID, NOTA, TASA FROM MV WHERE ID >= 2 ORDER BY ID"),
      (std::vector<std::vector<std::string>>{{"2", "editada", "1.5"}, {"3", "otra", "NULL"}}));
  rs.Close();
}

TEST_F(RecordsetSQLite, CancelUpdateDropsTheEditAndTheAddedRow) {
  ado::Recordset rs;
  rs.Open("SELECT * FROM MV ORDER BY ID", cnn, ado::adOpenDynamic, ado::adLockOptimistic);
  rs.Fields("TC").SetValue(std::string("ZZ"));
  rs.CancelUpdate();
  EXPECT_EQ(rs.Fields("TC").Value(), Valor{std::string("FC")});
  rs.AddNew();
  rs.Fields("ID").SetValue(int64_t{5});
  rs.CancelUpdate();
  EXPECT_EQ(rs.RecordCount(), 2);
  EXPECT_EQ(rs.Fields("ID").Value(), Valor{int64_t{1}});
  rs.Close();
  EXPECT_EQ(Consultar("SELECT TC FROM MV ORDER BY ID"),
            (std::vector<std::vector<std::string>>{{"FC"}, {"NC"}}));
}

TEST_F(RecordsetSQLite, RefusedUpdateKeepsTheEditPendingAndTheErrorListFilled) {
  ado::Recordset rs;
  rs.Open("SELECT ID, TC FROM MV WHERE ID = 1", cnn, ado::adOpenDynamic, ado::adLockOptimistic);
  rs.AddNew();
  rs.Fields("ID").SetValue(int64_t{1});  // already there
  EXPECT_EQ(NumeroDe([&] { rs.Update(); }), ado::kDbEIntegrityViolation);
  ASSERT_EQ(cnn->Errors().Count(), 1u);
  EXPECT_EQ(cnn->Errors().Item(0).NativeError, 19);
  EXPECT_EQ(rs.EditMode(), ado::adEditAdd);
  // A pending edit forbids the close until it is cancelled.
  EXPECT_EQ(NumeroDe([&] { rs.Close(); }), ado::adErrIllegalOperation);
  rs.CancelUpdate();
  rs.Close();
}

TEST_F(RecordsetSQLite, UpdateOfARowChangedMeanwhileIsReported) {
  ado::Recordset rs;
  rs.Open("SELECT * FROM MV WHERE ID = 1", cnn, ado::adOpenDynamic, ado::adLockOptimistic);
  Ejecutar("UPDATE MV SET TC = 'XX' WHERE ID = 1");
  rs.Fields("NOTA").SetValue(std::string("tarde"));
  EXPECT_EQ(NumeroDe([&] { rs.Update(); }), ado::kDbEConcurrencyViolation);
  EXPECT_EQ(cnn->Errors().Count(), 1u);
  rs.CancelUpdate();
  rs.Close();
  EXPECT_EQ(ContarFilas("MV", "NOTA = 'tarde'"), 0);
}

TEST_F(RecordsetSQLite, StateAndLockErrors) {
  ado::Recordset rs;
  EXPECT_EQ(NumeroDe([&] { rs.Close(); }), ado::adErrObjectClosed);
  EXPECT_EQ(NumeroDe([&] { rs.EOF(); }), ado::adErrObjectClosed);
  rs.Open("SELECT * FROM MV ORDER BY ID", cnn);
  EXPECT_EQ(NumeroDe([&] { rs.Open("SELECT 1", cnn); }), ado::adErrObjectOpen);
  EXPECT_EQ(NumeroDe([&] { rs.Fields("NO_HAY"); }), ado::adErrItemNotFound);
  EXPECT_EQ(NumeroDe([&] { rs.Fields("TC").SetValue(std::string("x")); }),
            ado::adErrFeatureNotAvailable);
  EXPECT_EQ(NumeroDe([&] { rs.AddNew(); }), ado::adErrFeatureNotAvailable);
  rs.MoveNext();
  rs.MoveNext();
  EXPECT_EQ(NumeroDe([&] { rs.MoveNext(); }), ado::adErrNoCurrentRecord);
  rs.MoveFirst();
  EXPECT_EQ(rs.Fields("ID").Value(), Valor{int64_t{1}});
  rs.Close();

  // A statement that returns no rows leaves the recordset closed.
  rs.Open("UPDATE MV SET TC = TC", cnn);
  EXPECT_EQ(rs.State(), ado::adStateClosed);
  // An empty result is open with BOF and EOF both true.
  rs.Open("SELECT * FROM MV WHERE ID = 0", cnn);
  EXPECT_TRUE(rs.BOF());
  EXPECT_TRUE(rs.EOF());
}

TEST_F(RecordsetSQLite, MovedRecordsetKeepsItsFields) {
  ado::Recordset a;
  a.Open("SELECT * FROM MV ORDER BY ID", cnn, ado::adOpenDynamic, ado::adLockOptimistic);
  ado::Recordset b(std::move(a));
  EXPECT_EQ(a.State(), ado::adStateClosed);
  b.Fields("TC").SetValue(std::string("MV"));
  b.Update();
  EXPECT_EQ(ContarFilas("MV", "TC = 'MV'"), 1);
}

TEST(Moneda, RoundsHalfAwayFromZeroToFourDecimals) {
  struct Caso {
    double valor;
    int64_t diezmilesimos;
  } casos[] = {
      {0.0, 0},         {1.5, 15000},           {2.00005, 20001}, {-2.00005, -20001},
      {2.00004, 20000}, {1234.56789, 12345679}, {-0.00004, 0},    {0.1 + 0.2, 3000},
  };
  for (const Caso& c : casos) {
    EXPECT_EQ(Moneda::DesdeDouble(c.valor).diezmilesimos, c.diezmilesimos) << c.valor;
  }
}

TEST(Moneda, ReadsDecimalTexts) {
  struct Caso {
    const char* texto;
    bool valido;
    int64_t diezmilesimos;
  } casos[] = {
      {"12.34", true, 123400},
      {"-12.34565", true, -123457},
      {"0", true, 0},
      {".5", true, 5000},
      {"1.5e-05", true, 0},
      {"1.5E+02", true, 1500000},
      {" 7 ", true, 70000},
      {"922337203685477.5807", true, INT64_MAX},
      {"922337203685478", false, 0},
      {"", false, 0},
      {"1,5", false, 0},
      {"abc", false, 0},
      {"-", false, 0},
  };
  for (const Caso& c : casos) {
    Moneda m;
    EXPECT_EQ(Moneda::DesdeTexto(c.texto, m), c.valido) << c.texto;
    if (c.valido) {
      EXPECT_EQ(m.diezmilesimos, c.diezmilesimos) << c.texto;
    }
  }
}

}  // namespace
