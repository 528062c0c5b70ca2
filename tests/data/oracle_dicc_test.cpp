#include <gtest/gtest.h>

#include <string>

#include "data/db_dll.h"
#include "tests/support/prueba_base.h"

namespace {

const char* const kOracle = "Provider=OraOLEDB.Oracle.1;Data Source=KV;User ID=kv;";

struct Caso {
  const char* nombre;
  const char* sqlServer;
  const char* oracle;
};

const Caso kCasos[] = {
    {"WorkedExample",
     "SELECT TOP 5 CODIGO FROM MA_CUENTAS WHERE FECHA = '31/12/2004' ORDER BY CODIGO",
     "SELECT  CODIGO FROM MA_CUENTAS WHERE FECHA = TO_DATE('31/12/2004','DD/MM/YYYY')"
     "    AND ROWNUM <= 5  ORDER BY CODIGO"},
    {"TopWithoutWhere", "SELECT TOP 1 * FROM AUX_ERR",
     "SELECT  * FROM AUX_ERR  WHERE ROWNUM <= 1  "},
    {"TopBeforeGroupByKeepsItsOrderBy",
     "SELECT TOP 3 CUENTA, SUM(DEBE) FROM MV_ASIENTOS WHERE PERIODO = 2004 GROUP BY CUENTA "
     "ORDER BY CUENTA",
     "SELECT  CUENTA, SUM(DEBE) FROM MV_ASIENTOS WHERE PERIODO = 2004    AND ROWNUM <= 3  "
     "GROUP BY CUENTA ORDER BY CUENTA "},
    {"LookupHintIsDropped",
     "SELECT TOP 1  * FROM MA_CUENTAS with(nolock)  WHERE LTRIM(RTRIM(CODIGO)) ='1101'",
     "SELECT   * FROM MA_CUENTAS  WHERE LTRIM(RTRIM(CODIGO)) ='1101'  AND ROWNUM <= 1  "},
    {"WithoutTopNothingIsAppended", "SELECT CODIGO FROM MA_CUENTAS WHERE CODIGO = 5",
     "SELECT CODIGO FROM MA_CUENTAS WHERE CODIGO = 5"},
    {"LenForms",
     "SELECT MAX(CODIGO) AS CODIGO FROM MA_CUENTAS WHERE CODIGO LIKE '21%' and len(CODIGO)>2 "
     "AND LEN (A) = LEN    (B)",
     "SELECT MAX(CODIGO) AS CODIGO FROM MA_CUENTAS WHERE CODIGO LIKE '21%' and LENGTH(CODIGO)>2 "
     "AND LENGTH(A) = LENGTH(B)"},
    {"Brackets",
     "SELECT MAX([NUMERO ASIENTO]) AS [NRO_ASIENTO] FROM MV_ASIENTOS WHERE MES_OPERATIVO = 1",
     "SELECT MAX(\"NUMERO ASIENTO\") AS \"NRO_ASIENTO\" FROM MV_ASIENTOS WHERE MES_OPERATIVO = 1"},
    {"DateTwice",
     "Select * from MV_EJERCICIOS where [FECHA DESDE] <= '15/01/2020' and [FECHA HASTA] >= "
     "'15/01/2020'",
     "Select * from MV_EJERCICIOS where \"FECHA DESDE\" <= TO_DATE('15/01/2020','DD/MM/YYYY') "
     "and \"FECHA HASTA\" >= TO_DATE('15/01/2020','DD/MM/YYYY')"},
    {"ShortDateWrittenInFull", "SELECT * FROM T WHERE F = '1/2/04'",
     "SELECT * FROM T WHERE F = TO_DATE('01/02/2004','DD/MM/YYYY')"},
    {"DateWithTimeKeepsItsTime", "INSERT INTO V (F) VALUES ('15/01/2020 10:30:00')",
     "INSERT INTO V (F) VALUES (TO_DATE('15/01/2020 10:30:00','DD/MM/YYYY HH24:MI:SS'))"},
    {"ConvertedStatementIsStable", "SELECT * FROM T WHERE F = TO_DATE('31/12/2004','DD/MM/YYYY')",
     "SELECT * FROM T WHERE F = TO_DATE('31/12/2004','DD/MM/YYYY')"},
    {"ValueHoldingADoubleDateCall",
     "UPDATE T SET C = 'TO_DATE(TO_DATE(x''DD/MM/YYYY''),''DD/MM/YYYY'')' WHERE F = "
     "TO_DATE('31/12/2004','DD/MM/YYYY')",
     "UPDATE T SET C = 'TO_DATE(TO_DATE(x''DD/MM/YYYY''),''DD/MM/YYYY'')' WHERE F = "
     "TO_DATE('31/12/2004','DD/MM/YYYY')"},
    {"NonDateTextKeepsItsQuotes", "SELECT * FROM T WHERE C = 'ABC'",
     "SELECT * FROM T WHERE C = 'ABC'"},
    // Oracle has no DATETIME: its DATE keeps the time of day too. A value is never rewritten.
    {"DatetimeColumnIsADate",
     "CREATE TABLE T (Inicio DATETIME NULL, Fin datetime, DATETIMEX INT, C VARCHAR(9) DEFAULT "
     "'DATETIME')",
     "CREATE TABLE T (Inicio DATE NULL, Fin DATE, DATETIMEX INT, C VARCHAR(9) DEFAULT "
     "'DATETIME')"},
    {"EmptyTextOnlyAfterWhere", "UPDATE T SET A = '' WHERE B = '' AND C=''",
     "UPDATE T SET A = '' WHERE B  IS NULL  AND C IS NULL "},
    {"Convert103AndInt",
     "SELECT CONVERT(NVARCHAR, FECHA, 103), CONVERT(INT, NUMERO) FROM T WHERE CODIGO = 103",
     "SELECT TO_CHAR( FECHA, 'DD/MM/YYYY'), TO_NUMBER( NUMERO) FROM T WHERE CODIGO = 103"},
    {"Substring", "SELECT SUBSTRING(CODIGO,1,2) FROM MA_CUENTAS",
     "SELECT SUBSTR(CODIGO,1,2) FROM MA_CUENTAS"},
    {"IsnullAndCharindex", "SELECT ISNULL(SUM(DEBE),0), CHARINDEX('-', C) FROM MV_ASIENTOS",
     "SELECT NVL(SUM(DEBE),0), InStr('-', C) FROM MV_ASIENTOS"},
    {"SingleWord", "MA_CUENTAS", "MA_CUENTAS"},
    {"SingleWordWithBrackets", "[NUMERO]", "[NUMERO]"},
    {"LenAlone", "len", "LENGTH"},
    {"LenAloneUpper", "LEN", "LENGTH"},
    // A concept text is stored as written, whatever code-like words it holds.
    {"LiteralWithCodeWords", "INSERT INTO MV_ASIENTOS (CONCEPTO) VALUES ('Pago [laptop ] ISNULL(')",
     "INSERT INTO MV_ASIENTOS (CONCEPTO) VALUES ('Pago [laptop ] ISNULL(')"},
    {"LiteralWithEveryRewriteWord",
     "UPDATE T SET C = 'WHERE x = '''' top 3 LEN(b) SUBSTRING(d) Charindex CONVERT(INT, 1) "
     "CONVERT(NVARCHAR, f, 103) with(nolock)' WHERE ID = 7",
     "UPDATE T SET C = 'WHERE x = '''' top 3 LEN(b) SUBSTRING(d) Charindex CONVERT(INT, 1) "
     "CONVERT(NVARCHAR, f, 103) with(nolock)' WHERE ID = 7"},
    {"EscapedQuoteInsideLiteral", "SELECT * FROM [T] WHERE N = 'O''Brien [x]'",
     "SELECT * FROM \"T\" WHERE N = 'O''Brien [x]'"},
    {"TextAroundADateIsNoDate", "SELECT * FROM T WHERE C = 'Saldo al 31/12/2004'",
     "SELECT * FROM T WHERE C = 'Saldo al 31/12/2004'"},
};

class OracleDiccTest : public PruebaBase, public ::testing::WithParamInterface<Caso> {};

TEST_P(OracleDiccTest, ConvertsOnAnOracleSession) {
  DB_Dll db;
  db.gConnString = kOracle;
  EXPECT_EQ(db.ORACLE_Dicc(GetParam().sqlServer), GetParam().oracle);
}

TEST_P(OracleDiccTest, SqlServerSessionReturnsItsInput) {
  DB_Dll db;
  db.gConnString = "Provider=SQLOLEDB;Data Source=srv;Initial Catalog=EMPRESA;";
  EXPECT_EQ(db.ORACLE_Dicc(GetParam().sqlServer), GetParam().sqlServer);
}

INSTANTIATE_TEST_SUITE_P(Casos, OracleDiccTest, ::testing::ValuesIn(kCasos),
                         [](const auto& info) { return std::string(info.param.nombre); });

class OracleDiccErrores : public PruebaBase {};

TEST_F(OracleDiccErrores, UnclosedApostropheFails) {
  DB_Dll db;
  db.gConnString = "provider=oraoledb.oracle.1";
  EXPECT_THROW(db.ORACLE_Dicc("SELECT * FROM T WHERE C = 'ABC"), plataforma::ErrorEjecucion);
}

}  // namespace
