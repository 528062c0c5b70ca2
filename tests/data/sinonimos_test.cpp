// Synonym rewriting of ordinary users' statements.
#include <gtest/gtest.h>

#include "data/db_dll.h"
#include "data/valores_sesion.h"

namespace {

struct Caso {
  const char* nombre;
  bool admin;
  bool confidencialidad;
  const char* sql;
  const char* esperado;
};

TEST(SS_TSinonimos, FamiliasBordesYMarcas) {
  const Caso casos[] = {
      {"admin lee la tabla real", true, false, "SELECT * FROM @Admin_MA_CUENTAS WHERE X=1",
       "SELECT * FROM MA_CUENTAS WHERE X=1"},
      {"la marca protege de la familia 1", false, false,
       "SELECT * FROM @Admin_MA_CUENTAS WHERE X=1", "SELECT * FROM MA_CUENTAS WHERE X=1"},
      {"entre blancos", false, false, "SELECT * FROM ma_cuentas WHERE X=1",
       "SELECT * FROM SS_MA_CUENTAS WHERE X=1"},
      {"al final no se toca", false, false, "SELECT * FROM MA_CUENTAS", "SELECT * FROM MA_CUENTAS"},
      {"seguido de coma no se toca", false, false, "SELECT * FROM MA_CUENTAS, X",
       "SELECT * FROM MA_CUENTAS, X"},
      {"parentesis y punto", false, false, "SELECT (MA_CUENTAS.CODIGO) FROM (MA_CUENTAS X)",
       "SELECT (SS_MA_CUENTAS.CODIGO) FROM (SS_MA_CUENTAS X)"},
      {"coma y punto, llave y punto", false, false, "SELECT A,MA_CUENTAS.B,{MA_CUENTAS.C} ",
       "SELECT A,SS_MA_CUENTAS.B,{SS_MA_CUENTAS.C} "},
      {"nombre mas largo", false, false, "SELECT * FROM MA_CUENTAS_USUARIOS WHERE 1=1",
       "SELECT * FROM MA_CUENTAS_USUARIOS WHERE 1=1"},
      {"familias 2, 4 y 5", false, false,
       "SELECT * FROM V_TA_DEPOSITO D JOIN V_TA_FAMILIAS F JOIN V_TA_CAJAS C ON 1=1",
       "SELECT * FROM SS_V_TA_DEPOSITO D JOIN SS_V_TA_FAMILIAS F JOIN SS_V_TA_CAJAS C ON 1=1"},
      {"familias 6 y 7", false, false,
       "SELECT * FROM AC_CUENTASDIARIO A JOIN AC_CUENTASDIARIO_CCOSTO B ON 1=1",
       "SELECT * FROM SS_AC_CUENTASDIARIO A JOIN SS_AC_CUENTAS_DIARIO_CCOSTO B ON 1=1"},
      {"MV_ASIENTOS sin confidencialidad", false, false,
       "SELECT * FROM MV_ASIENTOS M JOIN MA_CUENTAS C ON 1=1 @Admin_",
       "SELECT * FROM MV_ASIENTOS M JOIN MA_CUENTAS C ON 1=1 "},
      {"MV_ASIENTOS con confidencialidad", false, true,
       "SELECT * FROM MV_ASIENTOS M JOIN MA_CUENTAS C ON 1=1",
       "SELECT * FROM SS_MV_ASIENTOS M JOIN SS_MA_CUENTAS C ON 1=1"},
      {"los literales son datos", false, false,
       "SELECT * FROM MA_CUENTAS WHERE D=' DROP TABLE MA_CUENTAS --' AND E='(MV_ASIENTOS.X'",
       "SELECT * FROM SS_MA_CUENTAS WHERE D=' DROP TABLE MA_CUENTAS --' AND E='(MV_ASIENTOS.X'"},
      {"la numeracion siempre lee la tabla real", false, true,
       "SELECT MAX([NUMERO ASIENTO]) FROM @ADMIN_MV_ASIENTOS WITH(NOLOCK) WHERE 1=1",
       "SELECT MAX([NUMERO ASIENTO]) FROM MV_ASIENTOS WITH(NOLOCK) WHERE 1=1"},
      // The mark's letters inside a value are data: a cheque numbered "@ADMIN_13018" keeps them.
      {"la marca dentro de un valor es dato", true, false,
       "SELECT * FROM @Admin_MA_CUENTAS WHERE N='@ADMIN_13018'",
       "SELECT * FROM MA_CUENTAS WHERE N='@ADMIN_13018'"},
      {"la marca dentro de un valor, sin admin", false, true,
       "SELECT * FROM MV_ASIENTOS WHERE N='@Admin_MA_CUENTAS x'",
       "SELECT * FROM SS_MV_ASIENTOS WHERE N='@Admin_MA_CUENTAS x'"},
  };
  for (const auto& c : casos) {
    DB_Dll db;
    db.gEsAdmin = c.admin;
    gConfidencialidad = c.confidencialidad;
    EXPECT_EQ(db.SS_TSinonimos(c.sql), c.esperado) << c.nombre;
  }
  gConfidencialidad = false;
}

}  // namespace
