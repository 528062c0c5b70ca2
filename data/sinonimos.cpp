#include <string>

#include "data/db_dll.h"
#include "data/literales.h"
#include "data/valores_sesion.h"
#include "utility/utilidades.h"

namespace {

struct Familia {
  const char* tabla;
  const char* sinonimo;
};

// In the order the rewrite applies them.
constexpr Familia kFamilias[] = {
    {"MA_CUENTAS", "SS_MA_CUENTAS"},
    {"V_TA_DEPOSITO", "SS_V_TA_DEPOSITO"},
    {"MV_ASIENTOS", "SS_MV_ASIENTOS"},
    {"V_TA_FAMILIAS", "SS_V_TA_FAMILIAS"},
    {"V_TA_CAJAS", "SS_V_TA_CAJAS"},
    {"AC_CUENTASDIARIO", "SS_AC_CUENTASDIARIO"},
    {"AC_CUENTASDIARIO_CCOSTO", "SS_AC_CUENTAS_DIARIO_CCOSTO"},
};

// The characters around a name that make it a whole table name: before, after.
constexpr const char* kBordes[][2] = {
    {" ", " "}, {"(", " "}, {" ", "."}, {"(", "."}, {",", "."},
};

// The administrator's mark on table names goes; the same letters inside a value stay.
std::string QuitaMarcas(const std::string& sql) {
  return literales::QuitarFueraDeLiterales(sql, "@Admin_");
}

}  // namespace

std::string DB_Dll::SS_TSinonimos(const std::string& SQL) {
  if (gEsAdmin) return QuitaMarcas(SQL);
  // Only the names of the statement are redirected: a value inside a quoted literal is data
  // (an account named "... MA_CUENTAS ..."), and a lookup must ask for it as it was stored.
  const literales::Enmascarado enmascarado(SQL);
  if (utilidad::ContieneSinCaso(enmascarado.Texto(), "MV_ASIENTOS") && !gConfidencialidad) {
    return QuitaMarcas(SQL);
  }
  std::string resultado = enmascarado.Texto();
  for (const auto& familia : kFamilias) {
    const std::string tabla = familia.tabla;
    const std::string sinonimo = familia.sinonimo;
    for (const auto& borde : kBordes) {
      resultado = utilidad::ReemplazarSinCaso(resultado, borde[0] + tabla + borde[1],
                                              borde[0] + sinonimo + borde[1]);
    }
    if (tabla == "MA_CUENTAS") {
      resultado = utilidad::ReemplazarSinCaso(resultado, "{MA_CUENTAS.", "{SS_MA_CUENTAS.");
      resultado = utilidad::ReemplazarSinCaso(resultado, "@Admin_MA_CUENTAS", "MA_CUENTAS");
    }
  }
  return QuitaMarcas(enmascarado.Restaura(resultado));
}
