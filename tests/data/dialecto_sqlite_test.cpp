#include "data/dialecto_sqlite.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/db_dll.h"
#include "data/empresa.h"
#include "platform/ado.h"
#include "tests/support/empresa.h"
#include "tests/support/prueba_base.h"

namespace {

using Sentencias = std::vector<std::string>;

struct Caso {
  const char* nombre;
  std::string tsql;
  Sentencias sqlite;
};

const std::string kYRS = "\xC3\xBFRS";  // the register type ÿRS

// The company's tables, and T of the generic cases, whose date columns are E and F.
const ColumnasDeFecha& Fechas() {
  static const ColumnasDeFecha k = ColumnasDeFechaDelGuion(
      std::string(EsquemaEmpresa()) +
      "\nCREATE TABLE T (A VARCHAR(9), B VARCHAR(9), C VARCHAR(9), D VARCHAR(9), E DATETIME, "
      "F datetime, Importe MONEY, TC VARCHAR(4), ID INT);\n");
  return k;
}

std::vector<std::string> Convertidas(const std::string& tsql) {
  return ConvierteSQLite(tsql, Fechas());
}

// A name compared with a text for equality, as the embedded engine receives it.
std::string P(const char* expresion, const std::string& texto) {
  return ComparacionPlegada(expresion, "=", texto);
}
// The same against a list of texts.
std::string L(const char* expresion, const std::vector<std::string>& textos) {
  return ComparacionPlegada(expresion, "IN", textos);
}

// The texts the import sends, each with its SQLite form.
const std::vector<Caso>& Casos() {
  static const std::vector<Caso> k = {
      {"JournalVoucherQuery",
       "SELECT * FROM MV_ASIENTOS WHERE TC = 'FC' AND SUCURSAL = '0001'  AND NUMERO = "
       "'00001234'  AND LETRA = 'A' ",
       {"SELECT * FROM MV_ASIENTOS WHERE " + P("TC", "FC") + " AND " + P("SUCURSAL", "0001") +
        "  AND " + P("NUMERO", "00001234") + "  AND " + P("LETRA", "A")}},
      {"CalendarGuardedInsert",
       "IF NOT EXISTS(SELECT FECHA FROM MA_CALENDARIO WHERE FECHA='15/01/2020') INSERT INTO "
       "MA_CALENDARIO (FECHA) VALUES('15/01/2020')",
       {"INSERT INTO MA_CALENDARIO (FECHA) SELECT '2020-01-15 00:00:00' WHERE NOT EXISTS(SELECT "
        "FECHA FROM MA_CALENDARIO WHERE FECHA='2020-01-15 00:00:00')"}},
      {"PeriodQuery",
       "Select * from MV_EJERCICIOS  with(nolock)  where [FECHA DESDE] <= '15/01/2020' and "
       "[FECHA HASTA] >= '15/01/2020'",
       {"Select * from MV_EJERCICIOS where [FECHA DESDE] <= '2020-01-15 00:00:00' "
        "and [FECHA HASTA] >= '2020-01-15 00:00:00'"}},
      {"EntryNumberWithType",
       "SELECT MAX([NUMERO ASIENTO]) AS [NRO_ASIENTO] FROM MV_ASIENTOS WITH(NOLOCK) WHERE "
       "MES_OPERATIVO = 1 AND TIPO_REG = 'AP' AND PERIODO = 2020",
       {"SELECT MAX([NUMERO ASIENTO]) AS [NRO_ASIENTO] FROM MV_ASIENTOS WHERE MES_OPERATIVO = 1 "
        "AND " +
        P("TIPO_REG", "AP") + " AND PERIODO = 2020"}},
      {"EntryNumberWithoutType",
       "SELECT MAX([NUMERO ASIENTO]) AS [NRO_ASIENTO] FROM MV_ASIENTOS WITH(NOLOCK) WHERE "
       "MES_OPERATIVO = 1 AND (TIPO_REG = '" +
           kYRS + "' OR TIPO_REG = '') AND PERIODO = 2020",
       {"SELECT MAX([NUMERO ASIENTO]) AS [NRO_ASIENTO] FROM MV_ASIENTOS WHERE MES_OPERATIVO = 1 "
        "AND (" +
        L("TIPO_REG", {kYRS, ""}) + ") AND PERIODO = 2020"}},
      {"TextLists",
       "SELECT * FROM T WHERE (A = 'x' OR B = 'y') AND C IN ('P', 'q ') AND D NOT IN ('r') AND "
       "E IN ('15/01/2020')",
       {"SELECT * FROM T WHERE (" + P("A", "x") + " OR " + P("B", "y") + ") AND " +
        L("C", {"P", "q "}) +
        " AND plegar(D) NOT IN ('r') AND E IN "
        "('2020-01-15 00:00:00')"}},
      {"TextLookup",
       "SELECT TOP 1  * FROM MA_CUENTAS with(nolock)  WHERE LTRIM(RTRIM(Codigo)) ='11201'",
       {"SELECT * FROM MA_CUENTAS WHERE " + P("LTRIM(RTRIM(Codigo))", "11201") + " LIMIT 1"}},
      {"ConfigurationQuery",
       "SELECT VALOR, valoraux FROM TA_CONFIGURACION with(nolock)  WHERE CLAVE = 'CUENTA'",
       {"SELECT VALOR, valoraux FROM TA_CONFIGURACION WHERE " + P("CLAVE", "CUENTA")}},
      {"ErrorTableOpen",
       "select  top 1 * from AUX_ERR  with(nolock) ",
       {"select * from AUX_ERR LIMIT 1"}},
      {"EmployeeCode",
       "SELECT MAX(CODIGO) AS CODIGO FROM MA_CUENTAS WHERE CODIGO LIKE '2110%' and "
       "len(CODIGO)>4",
       {"SELECT MAX(CODIGO) AS CODIGO FROM MA_CUENTAS WHERE plegar(CODIGO) LIKE '2110%' "
        "and len(CODIGO)>4"}},
      {"ChequeNumber",
       "SELECT MAX(NUMERO) AS NUMERO FROM MV_ASIENTOS WHERE TC='CC' AND SUCURSAL='0001' AND "
       "LETRA='X'",
       {"SELECT MAX(NUMERO) AS NUMERO FROM MV_ASIENTOS WHERE " + P("TC", "CC") + " AND " +
        P("SUCURSAL", "0001") + " AND " + P("LETRA", "X")}},
      {"ServerDate", "select getDate() as fecha", {"select getDate() as fecha"}},
      {"WriterBatch",
       "BEGIN TRANSACTION \r\r\rIF NOT EXISTS(SELECT FECHA FROM MA_CALENDARIO WHERE "
       "FECHA='15/01/2020') INSERT INTO MA_CALENDARIO (FECHA) VALUES('15/01/2020')\r\r\r"
       "INSERT INTO MV_ASIENTOS (Fecha,Cuenta,Importe) VALUES ('15/01/2020','11201',1500)\r\r\r",
       {"BEGIN IMMEDIATE TRANSACTION",
        "INSERT INTO MA_CALENDARIO (FECHA) SELECT '2020-01-15 00:00:00' WHERE NOT EXISTS(SELECT "
        "FECHA FROM MA_CALENDARIO WHERE FECHA='2020-01-15 00:00:00')",
        "INSERT INTO MV_ASIENTOS (Fecha,Cuenta,Importe) VALUES ('2020-01-15 00:00:00','11201',"
        "1500)"}},
      {"UpdateOfTheBuilder",
       "UPDATE T SET Importe = 10.5,TC = 'FC'  WHERE ID = 7",
       {"UPDATE T SET Importe = 10.5,TC = 'FC'  WHERE ID = 7"}},
      {"UpdateComparesInItsConditions",
       "UPDATE T SET TC = CASE WHEN (A = 'x') THEN 'y' END, B = 'z' WHERE C = 'w'",
       {"UPDATE T SET TC = CASE WHEN (" + P("A", "x") + ") THEN 'y' END, B = 'z' WHERE " +
        P("C", "w")}},
      {"OperatorsBesidesEquality",
       "SELECT * FROM T WHERE A <> 'x' AND B NOT LIKE 'Y%' AND 'm' < C AND D + 'a' = 'ab'",
       {"SELECT * FROM T WHERE plegar(A) <> 'x' AND plegar(B) NOT LIKE 'y%' AND plegar(C) > 'm' "
        "AND D + 'a' = 'ab'"}},
      {"TransactionWords",
       "BEGIN TRAN\r\nCOMMIT TRAN\r\nROLLBACK TRANSACTION\r\nCOMMIT",
       {"BEGIN IMMEDIATE TRANSACTION", "COMMIT TRANSACTION", "ROLLBACK TRANSACTION",
        "COMMIT TRANSACTION"}},
      {"TransactionOnTheStatementLine",
       "BEGIN TRANSACTION INSERT INTO T (A) VALUES (1)",
       {"BEGIN IMMEDIATE TRANSACTION", "INSERT INTO T (A) VALUES (1)"}},
      {"ServerOnlyStatementsAreLeftOut",
       "SET NOCOUNT ON\r\nALTER TABLE MV_ASIENTOS DISABLE TRIGGER ALL\r\n"
       "alter table MV_ASIENTOS enable trigger all\r\n"
       "EXEC  sp_addlogin N'KV', 'KV', 'KV_ESTADISTICAS','Spanish'\r\n"
       " EXEC sp_addsrvrolemember N'KV', sysadmin EXEC sp_addsrvrolemember N'KV', dbcreator\r\n"
       "set nocount off",
       {}},
      {"IsnullAndDbo",
       "SELECT ISNULL(MAX(NUMERO),0) FROM dbo.MV_ASIENTOS",
       {"SELECT ifnull(MAX(NUMERO),0) FROM MV_ASIENTOS"}},
      {"ScriptBlockWithCrLf",
       "CREATE TABLE A (\r\n  X INT,\r\n  Y VARCHAR(10)\r\n)\r\nINSERT INTO A (X) VALUES (1)\r\n"
       "CREATE VIEW dbo.V \r\n AS \r\n SELECT * \r\n FROM A\r\n",
       {"CREATE TABLE A (\nX INT,\nY VARCHAR(10) COLLATE NOCASE CONSTRAINT CK_A_Y_len CHECK "
        "(length(Y) <= 10)\n)",
        "INSERT INTO A (X) VALUES (1)", "CREATE VIEW V\nAS\nSELECT *\nFROM A"}},
      {"TextColumnsOfANewTable",
       "CREATE TABLE dbo.[T] (Grupo VARCHAR(50) NULL, Clave NVARCHAR( 8 ) NOT NULL CONSTRAINT "
       "PK_T PRIMARY KEY, [Debe-Haber] CHAR(1), N INT DEFAULT 0, M VARCHAR(MAX), "
       "P VARCHAR(5) COLLATE NOCASE, D VARCHAR(9) DEFAULT 'a,b', CONSTRAINT U UNIQUE (Grupo))",
       {"CREATE TABLE [T] (Grupo VARCHAR(50) COLLATE NOCASE CONSTRAINT CK_T_Grupo_len CHECK "
        "(length(Grupo) <= 50) NULL, Clave NVARCHAR( 8 ) COLLATE NOCASE CONSTRAINT CK_T_Clave_len "
        "CHECK (length(Clave) <= 8) NOT NULL CONSTRAINT PK_T PRIMARY KEY, [Debe-Haber] CHAR(1) "
        "COLLATE NOCASE CONSTRAINT CK_T_DebeHaber_len CHECK (length([Debe-Haber]) <= 1), N INT "
        "DEFAULT 0, M VARCHAR(MAX), P VARCHAR(5) COLLATE NOCASE, D VARCHAR(9) COLLATE NOCASE "
        "CONSTRAINT CK_T_D_len CHECK (length(D) <= 9) DEFAULT 'a,b', CONSTRAINT U UNIQUE "
        "(Grupo))"}},
      {"SemicolonsOutsideLiterals",
       "DELETE FROM T WHERE C = 'a;b'; DELETE FROM U;",
       {"DELETE FROM T WHERE " + P("C", "a;b"), "DELETE FROM U"}},
      {"TopInASubquery",
       "SELECT * FROM T WHERE C = (SELECT TOP 1 C FROM U ORDER BY C)",
       {"SELECT * FROM T WHERE C = (SELECT C FROM U ORDER BY C LIMIT 1)"}},
      {"UnicodeLiteralAndQuote",
       "SELECT * FROM T WHERE N = N'O''Brien' OR 'A' = C",
       {"SELECT * FROM T WHERE " + P("N", "O'Brien") + " OR " + P("C", "A")}},
      {"DateWithTime",
       "INSERT INTO T (F) VALUES ('15/01/2020 10:30:00')",
       {"INSERT INTO T (F) VALUES ('2020-01-15 10:30:00')"}},
      {"OnlyValidDatesChange",
       "INSERT INTO MV_ASIENTOS (Fecha,Detalle,VENCIMIENTO) VALUES ('31/02/2020','Saldo al "
       "31/12/2004','2020-01-15')",
       {"INSERT INTO MV_ASIENTOS (Fecha,Detalle,VENCIMIENTO) VALUES ('31/02/2020','Saldo al "
        "31/12/2004','2020-01-15 00:00:00')"}},
      // A concept text is stored as written: nothing inside a literal cuts or is rewritten.
      {"LiteralsStayAsWritten",
       "INSERT INTO MV_ASIENTOS (Detalle) VALUES ('Saldos\rUPDATE TOP 1 with(nolock) ISNULL( "
       "dbo.x; SET NOCOUNT ON\r\nBEGIN TRAN')",
       {"INSERT INTO MV_ASIENTOS (Detalle) VALUES ('Saldos\rUPDATE TOP 1 with(nolock) ISNULL( "
        "dbo.x; SET NOCOUNT ON\r\nBEGIN TRAN')"}},
  };
  return k;
}

class DialectoSQLite : public PruebaBase {};

TEST_F(DialectoSQLite, EachTextTheImportSendsHasItsSQLiteForm) {
  for (const Caso& c : Casos()) {
    EXPECT_EQ(Convertidas(c.tsql), c.sqlite) << c.nombre;
  }
}

// A statement of many literals (the reconciliation's reads look a hundred vouchers up at once)
// keeps each literal in its place: literals 7x, 8x and 9x were once cut apart as blanks.
TEST_F(DialectoSQLite, ManyLiteralsKeepTheirPlaces) {
  std::string tsql = "SELECT * FROM T WHERE", sqlite = tsql;
  for (int i = 0; i < 120; ++i) {
    const std::string y = i ? " OR" : "";
    tsql += y + " (A = 'v" + std::to_string(i) + "' AND B = '" + std::to_string(i) + "')";
    sqlite +=
        y + " (" + P("A", "v" + std::to_string(i)) + " AND " + P("B", std::to_string(i)) + ")";
  }
  EXPECT_EQ(Convertidas(tsql), Sentencias{sqlite});
}

// A literal is written as a date only where a date column takes it or is compared with it; a
// concept, a cheque number or a name that looks like a date stays byte for byte.
TEST_F(DialectoSQLite, DatesOnlyWhereADateColumnTakesThem) {
  const std::string iso = "'2020-01-15 00:00:00'";
  const Caso casos[] = {
      {"InsertValues",
       "INSERT INTO MV_ASIENTOS (Fecha, Detalle, NROCOMPROBANTEBANCARIO, Importe, VENCIMIENTO) "
       "VALUES ('15/01/2020', '31/12/2023', '01/02/2020', 1500, '2020-01-15')",
       {"INSERT INTO MV_ASIENTOS (Fecha, Detalle, NROCOMPROBANTEBANCARIO, Importe, VENCIMIENTO) "
        "VALUES (" + iso + ", '31/12/2023', '01/02/2020', 1500, " + iso + ")"}},
      {"RowsOfValuesAndTheTableOrder",
       "INSERT INTO MA_CALENDARIO VALUES ('15/01/2020'), ('2020-01-15 10:30:00');"
       "INSERT INTO MV_EJERCICIOS VALUES (2020, '01/01/2020', '31/12/2020', '01/01/2020')",
       {"INSERT INTO MA_CALENDARIO VALUES (" + iso + "), ('2020-01-15 10:30:00')",
        "INSERT INTO MV_EJERCICIOS VALUES (2020, '2020-01-01 00:00:00', '2020-12-31 00:00:00', "
        "'01/01/2020')"}},
      {"InsertSelect",
       "INSERT INTO MV_ASIENTOS (Detalle, Fecha) SELECT '31/12/2023', '15/01/2020' WHERE NOT "
       "EXISTS(SELECT 1 FROM MV_ASIENTOS WHERE Fecha = '15/01/2020' AND Detalle = '31/12/2023')",
       {"INSERT INTO MV_ASIENTOS (Detalle, Fecha) SELECT '31/12/2023', " + iso +
        " WHERE NOT EXISTS(SELECT 1 FROM MV_ASIENTOS WHERE Fecha = " + iso + " AND " +
        P("Detalle", "31/12/2023") + ")"}},
      {"UpdateSetAndWhere",
       "UPDATE MV_ASIENTOS SET VENCIMIENTO = '15/01/2020', NROCOMPROBANTEBANCARIO = '01/02/2020' "
       "WHERE Fecha = '15/01/2020' AND Detalle = '31/12/2023'",
       {"UPDATE MV_ASIENTOS SET VENCIMIENTO = " + iso +
        ", NROCOMPROBANTEBANCARIO = '01/02/2020' WHERE Fecha = " + iso + " AND " +
        P("Detalle", "31/12/2023")}},
      {"QualifiedNamesAndAliases",
       "SELECT * FROM MV_ASIENTOS a INNER JOIN MA_CUENTAS AS c ON a.Cuenta = c.CODIGO WHERE "
       "a.[Fecha] >= '15/01/2020' AND c.Descripcion = '15/01/2020' AND '15/01/2020' < a.Fecha",
       {"SELECT * FROM MV_ASIENTOS a INNER JOIN MA_CUENTAS AS c ON a.Cuenta = c.CODIGO WHERE "
        "a.[Fecha] >= " + iso + " AND " + P("c.Descripcion", "15/01/2020") + " AND " + iso +
        " < a.Fecha"}},
      {"Between",
       "SELECT * FROM MV_ASIENTOS WHERE Fecha BETWEEN '01/01/2020' AND '15/01/2020' AND Detalle "
       "NOT BETWEEN '01/01/2020' AND '15/01/2020'",
       {"SELECT * FROM MV_ASIENTOS WHERE Fecha BETWEEN '2020-01-01 00:00:00' AND " + iso +
        " AND Detalle NOT BETWEEN '01/01/2020' AND '15/01/2020'"}},
      {"InLists",
       "SELECT * FROM MV_ASIENTOS WHERE Fecha IN ('15/01/2020', '2020-01-15') AND "
       "NROCOMPROBANTEBANCARIO IN ('01/02/2020', 'x') AND VENCIMIENTO NOT IN ('x', '15/01/2020')",
       {"SELECT * FROM MV_ASIENTOS WHERE Fecha IN (" + iso + ", " + iso + ") AND " +
        L("NROCOMPROBANTEBANCARIO", {"01/02/2020", "x"}) + " AND VENCIMIENTO NOT IN ('x', " +
        iso + ")"}},
      {"FunctionCallsAndLike",
       "SELECT * FROM MV_ASIENTOS WHERE LTRIM(RTRIM(NROCOMPROBANTEBANCARIO)) = '01/02/2020' AND "
       "Fecha LIKE '15/01/2020'",
       {"SELECT * FROM MV_ASIENTOS WHERE " +
        P("LTRIM(RTRIM(NROCOMPROBANTEBANCARIO))", "01/02/2020") + " AND Fecha LIKE '15/01/2020'"}},
      // AUX_ERR's fecha and the access log's Ingreso are texts, whatever other tables call fecha.
      {"TextColumnsNamedLikeDates",
       "INSERT INTO AUX_ERR (Proceso, fecha) VALUES ('x', '15/01/20 10:30');"
       "INSERT INTO Control_Acceso (Usuario, Ingreso) VALUES ('01/02/2020', '15/01/20 10:30')",
       {"INSERT INTO AUX_ERR (Proceso, fecha) VALUES ('x', '15/01/20 10:30')",
        "INSERT INTO Control_Acceso (Usuario, Ingreso) VALUES ('01/02/2020', '15/01/20 10:30')"}},
      {"NoColumnAtAll",
       "SELECT '15/01/2020' AS f, ifnull(NULL, '15/01/2020') FROM MV_ASIENTOS",
       {"SELECT '15/01/2020' AS f, ifnull(NULL, '15/01/2020') FROM MV_ASIENTOS"}},
      // A table the batch creates answers for the statements after it.
      {"TableCreatedInTheBatch",
       "CREATE TABLE N (Alta SMALLDATETIME, Nota INT)\r\nINSERT INTO N (Alta, Nota) VALUES "
       "('15/01/2020', '15/01/2020')",
       {"CREATE TABLE N (Alta SMALLDATETIME, Nota INT)",
        "INSERT INTO N (Alta, Nota) VALUES (" + iso + ", '15/01/2020')"}},
  };
  for (const Caso& c : casos) {
    EXPECT_EQ(Convertidas(c.tsql), c.sqlite) << c.nombre;
  }
}

TEST_F(DialectoSQLite, ErrorsGetTheServerNumbersCallersTest) {
  struct Traduccion {
    const char* descripcion;
    int32_t nativo;
  };
  const Traduccion casos[] = {
      {"[SQLite]no such table: MV_ASIENTOX (1)", 208},
      {"[SQLite]table A already exists (1)", 2714},
      {"[SQLite]index IX_A already exists (1)", 2714},
      {"[SQLite]view V already exists (1)", 2714},
      {"[SQLite]UNIQUE constraint failed: MA_CUENTAS.CODIGO (19)", 2627},
      {"[SQLite]CHECK constraint failed: CK_MV_ASIENTOS_TC_len (19)", 8152},
      {"[SQLite]CHECK constraint failed: length(TC) <= 4 (19)", 8152},
      {"[SQLite]CHECK constraint failed: CK_T_positivo (19)", 547},
      {"[SQLite]FOREIGN KEY constraint failed (19)", 547},
      {"[SQLite]NOT NULL constraint failed: T.C (19)", 19},
      {"[SQLite]near \"IF\": syntax error (1)", 1},
  };
  ado::ErrorCollection errores;
  for (const auto& c : casos) {
    int32_t original = c.nativo == 1 ? 1 : 19;
    errores.Add({ado::kEFail, original, "HY000", c.descripcion, "SQLite"});
  }
  TraduceErroresSQLite(errores);
  ASSERT_EQ(errores.Count(), std::size(casos));
  for (size_t i = 0; i < errores.Count(); ++i) {
    EXPECT_EQ(errores.Item(i).NativeError, casos[i].nativo) << casos[i].descripcion;
    EXPECT_EQ(errores.Item(i).Description, casos[i].descripcion);
  }
}

// The same texts on a company database, through the session as the import sends them.
class DialectoSQLiteEmpresa : public PruebaEmpresa {
 protected:
  DialectoSQLiteEmpresa() { administrador_ = true; }

  void Enviar(std::string sql) {
    DB().EjecutaConsultaSQL(sql);
    ASSERT_EQ(DB().gCnn->Errors().Count(), 0u)
        << sql << ": " << DB().gCnn->Errors().Item(0).Description;
  }
  // The rows a query finds, through AbrirRecordset.
  int Filas(std::string sql) {
    ado::Recordset rs;
    DB().AbrirRecordset(sql, rs);
    EXPECT_EQ(rs.State(), ado::adStateOpen) << sql;
    if (rs.State() != ado::adStateOpen) return -1;
    int n = 0;
    for (; !rs.EOF(); rs.MoveNext()) ++n;
    rs.Close();
    return n;
  }
  std::string Primero(std::string sql) {
    ado::Recordset rs;
    DB().AbrirRecordset(sql, rs);
    if (rs.State() != ado::adStateOpen || rs.EOF()) return "<none>";
    std::string v = TextoDePrueba(rs.Fields(size_t{0}).Value());
    rs.Close();
    return v;
  }
};

TEST_F(DialectoSQLiteEmpresa, GuardFindsADateTheDriverWrote) {
  Ejecutar("INSERT INTO MA_CALENDARIO (FECHA) VALUES ({ts '2020-01-16 00:00:00'})");
  Enviar(
      "IF NOT EXISTS(SELECT FECHA FROM MA_CALENDARIO WHERE FECHA='16/01/2020') INSERT INTO "
      "MA_CALENDARIO (FECHA) VALUES('16/01/2020')");
  EXPECT_EQ(ContarFilas("MA_CALENDARIO"), 1);
}

TEST_F(DialectoSQLiteEmpresa, CalendarRowIsWrittenOnce) {
  const std::string lote =
      "BEGIN TRANSACTION \r\r\rIF NOT EXISTS(SELECT FECHA FROM MA_CALENDARIO WHERE "
      "FECHA='15/01/2020') INSERT INTO MA_CALENDARIO (FECHA) VALUES('15/01/2020')\r\r\r";
  for (int vez = 0; vez < 2; ++vez) {
    Enviar(lote);
    Enviar("COMMIT TRANSACTION");
  }
  EXPECT_EQ(Consultar("SELECT FECHA FROM MA_CALENDARIO"),
            (std::vector<std::vector<std::string>>{{"2020-01-15 00:00:00"}}));
}

TEST_F(DialectoSQLiteEmpresa, ComparisonsIgnoreCaseAndTrailingBlanks) {
  Ejecutar(
      "INSERT INTO MV_ASIENTOS (TC, SUCURSAL, NUMERO, LETRA, TIPO_REG, MES_OPERATIVO, "
      "PERIODO, [NUMERO ASIENTO]) VALUES ('fc  ', '0001', '00001234', 'a', '    ', 1, 2020, "
      "41)");
  Ejecutar("INSERT INTO MA_CUENTAS (CODIGO, Descripcion) VALUES ('11201  ', 'Deudores')");
  EXPECT_EQ(Filas("SELECT * FROM MV_ASIENTOS WHERE TC = 'FC' AND SUCURSAL = '0001'  AND "
                  "NUMERO = '00001234'  AND LETRA = 'A' "),
            1);
  EXPECT_EQ(Primero("SELECT MAX([NUMERO ASIENTO]) AS [NRO_ASIENTO] FROM MV_ASIENTOS "
                    "WITH(NOLOCK) WHERE MES_OPERATIVO = 1 AND (TIPO_REG = '" +
                    kYRS + "' OR TIPO_REG = '') AND PERIODO = 2020"),
            "41");
  EXPECT_EQ(Filas("SELECT TOP 1  * FROM MA_CUENTAS with(nolock)  WHERE LTRIM(RTRIM(Codigo)) "
                  "='11201'"),
            1);
  EXPECT_EQ(DB().ExisteEnTabla("MA_CUENTAS", "11201", "Codigo", nullptr, kTipoTexto, "", true),
            Busqueda::Encontrada);
}

TEST_F(DialectoSQLiteEmpresa, PeriodIsFoundOnItsFirstAndLastDay) {
  AgregarEjercicio(2020);
  auto periodo = [&](const std::string& f) {
    return Primero("Select * from MV_EJERCICIOS  with(nolock)  where [FECHA DESDE] <= '" + f +
                   "' and [FECHA HASTA] >= '" + f + "'");
  };
  EXPECT_EQ(periodo("01/01/2020"), "2020");
  EXPECT_EQ(periodo("31/12/2020"), "2020");
  EXPECT_EQ(periodo("01/01/2021"), "<none>");
}

TEST_F(DialectoSQLiteEmpresa, EmployeeAndChequeMaximum) {
  Ejecutar("INSERT INTO MA_CUENTAS (CODIGO) VALUES ('2110'), ('21100007'), ('21100012')");
  Ejecutar(
      "INSERT INTO MV_ASIENTOS (TC, SUCURSAL, LETRA, NUMERO) VALUES "
      "('CC', '0001', 'X', '00000009'), ('CC', '0001', 'X', '00000010')");
  EXPECT_EQ(Primero("SELECT MAX(CODIGO) AS CODIGO FROM MA_CUENTAS WHERE CODIGO LIKE '2110%' "
                    "and len(CODIGO)>4"),
            "21100012");
  EXPECT_EQ(Primero("SELECT MAX(NUMERO) AS NUMERO FROM MV_ASIENTOS WHERE TC='CC' AND "
                    "SUCURSAL='0001' AND LETRA='X'"),
            "00000010");
  EXPECT_NE(Primero("select getDate() as fecha"), "<none>");
}

// The date columns a session knows are the company's own, views included, as its schema
// script declares them; a table the session creates later is learnt before its next statement.
TEST_F(DialectoSQLiteEmpresa, DateColumnsComeFromTheCompanysSchema) {
  const ColumnasDeFecha leidas = LeerColumnasDeFecha(Conexion());
  const ColumnasDeFecha delGuion = ColumnasDeFechaDelGuion(EsquemaEmpresa());
  struct Columna {
    const char* tabla;
    const char* columna;
    bool fecha;
  };
  const Columna columnas[] = {
      {"MV_ASIENTOS", "Fecha", true},          {"mv_asientos", "VENCIMIENTO", true},
      {"MV_ASIENTOS", "FechaHora_Grabacion", true}, {"MV_ASIENTOS", "Detalle", false},
      {"MV_ASIENTOS", "NROCOMPROBANTEBANCARIO", false}, {"MV_EJERCICIOS", "[FECHA DESDE]", true},
      {"MA_CALENDARIO", "FECHA", true},         {"AUX_ERR", "fecha", false},
      {"Control_Acceso", "Ingreso", false},     {"MA_CUENTAS", "Descripcion", false},
  };
  for (const Columna& c : columnas) {
    EXPECT_EQ(leidas.EsFecha(c.tabla, c.columna), c.fecha) << c.tabla << "." << c.columna;
    EXPECT_EQ(delGuion.EsFecha(c.tabla, c.columna), c.fecha) << c.tabla << "." << c.columna;
  }
  EXPECT_TRUE(leidas.EsFecha("MA_CALENDARIO", size_t{0}));
  EXPECT_TRUE(leidas.EsFecha("SS_MV_ASIENTOS", "vencimiento"));  // a view answers too

  Enviar("INSERT INTO MV_ASIENTOS (Fecha, Detalle, NROCOMPROBANTEBANCARIO) VALUES "
         "('15/01/2020', '31/12/2023', '01/02/2020')");
  EXPECT_EQ(Consultar("SELECT Fecha, Detalle, NROCOMPROBANTEBANCARIO FROM MV_ASIENTOS"),
            (std::vector<std::vector<std::string>>{
                {"2020-01-15 00:00:00", "31/12/2023", "01/02/2020"}}));
  EXPECT_EQ(Filas("SELECT * FROM MV_ASIENTOS WHERE LTRIM(RTRIM(NROCOMPROBANTEBANCARIO)) = "
                  "'01/02/2020' AND Fecha = '2020-01-15'"),
            1);

  Enviar("CREATE TABLE ALTAS (Alta DATETIME, Nota VARCHAR(20))");
  Enviar("INSERT INTO ALTAS (Alta, Nota) VALUES ('2020-01-15', '15/01/2020')");
  EXPECT_EQ(Consultar("SELECT Alta, Nota FROM ALTAS"),
            (std::vector<std::vector<std::string>>{{"2020-01-15 00:00:00", "15/01/2020"}}));
}

// A view left over a table that is gone cannot be read, and stops nothing else.
TEST_F(DialectoSQLiteEmpresa, AViewOverAMissingTableLeavesTheOtherDatesKnown) {
  Ejecutar("CREATE TABLE VIEJA (Alta DATETIME)");
  Ejecutar("CREATE VIEW V_VIEJA AS SELECT * FROM VIEJA");
  Ejecutar("DROP TABLE VIEJA");
  AbrirSesion(usuario_, administrador_);
  EXPECT_TRUE(LeerColumnasDeFecha(Conexion()).EsFecha("MA_CALENDARIO", "FECHA"));
  Enviar("INSERT INTO MA_CALENDARIO (FECHA) VALUES ('15/01/2020')");
  EXPECT_EQ(Valor("SELECT FECHA FROM MA_CALENDARIO"), "2020-01-15 00:00:00");
}

TEST_F(DialectoSQLiteEmpresa, RefusalsCarryTheServerNumbers) {
  Ejecutar("INSERT INTO MA_CUENTAS (CODIGO) VALUES ('11201')");
  struct Caso {
    std::string sql;
    int32_t nativo;
  };
  const Caso casos[] = {
      {"INSERT INTO MA_CUENTAS (CODIGO) VALUES ('11201')", 2627},
      {"INSERT INTO MV_ASIENTOS (TC) VALUES ('FACTURA')", 8152},
      {"SELECT * FROM MA_CUENTAX", 208},
  };
  for (const Caso& c : casos) {
    std::string sql = c.sql;
    DB().EjecutaConsultaSQL(sql);
    ASSERT_GE(DB().gCnn->Errors().Count(), 1u) << c.sql;
    EXPECT_EQ(DB().gCnn->Errors().Item(0).NativeError, c.nativo) << c.sql;
  }
}

}  // namespace
