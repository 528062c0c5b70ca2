// The configuration store: Cfg reads one key of the company's configuration table (CfgEn,
// the same steps on any connection, also serves the statistics database's CfgKV).

#include "data/configuracion.h"

#include <cstdio>
#include <string>

#include "data/aviso_operador.h"
#include "data/db_dll.h"
#include "data/reintento.h"
#include "data/valores_sesion.h"
#include "platform/ado.h"
#include "utility/utilidades.h"

namespace {

void ExigeAbierto(const ado::Recordset& rs) {
  if (rs.State() != ado::adStateOpen) {
    throw plataforma::ErrorEjecucion(ado::adErrObjectClosed,
                                     "Operation is not allowed when the object is closed.",
                                     "ADODB.Recordset");
  }
}

}  // namespace

std::string CfgEn(DB_Dll& db, const std::string& Clave, std::string& ValorAux, bool ExigeAbierta,
                  const std::string& Rutina) {
  if (ExigeAbierta && !db.gOpenFlag) return "";

  auto aviso = [&Rutina](const plataforma::ErrorEjecucion& e) {
    return AvisoOperador(e, 18, Rutina);
  };
  ado::Recordset rs;
  std::string valor;
  // Any answer but Ignore closes what is open and returns the empty text.
  auto abandonar = [&] {
    try {
      db.CierraRecordset(rs);
    } catch (...) {
    }
    return std::string();
  };

  if (utilidad::Trim(gTablaConfiguracion).empty()) gTablaConfiguracion = "TA_CONFIGURACION";
  const std::string clave = utilidad::Trim(Clave);
  std::string sql = "SELECT VALOR, valoraux FROM " + gTablaConfiguracion +
                    " with(nolock)  WHERE CLAVE = '" + clave + "'";
  if (utilidad::IgualSinCaso(clave, "[FECHA HASTA]") ||
      utilidad::IgualSinCaso(clave, "[FECHA DESDE]")) {
    sql = utilidad::Mayusculas(sql);
  }
  if (!PasoConDialogo([&] { db.AbrirRecordset(sql, rs); }, aviso)) return abandonar();
  if (!PasoConDialogo(
          [&] {
            ExigeAbierto(rs);
            if (rs.EOF()) {
              valor = " ";
              ValorAux.clear();
            } else {
              valor = utilidad::ValorCampo(rs.Fields("Valor").Value());
              ValorAux = utilidad::ValorCampo(rs.Fields("ValorAux").Value());
            }
          },
          aviso)) {
    return abandonar();
  }
  if (!PasoConDialogo([&] { db.CierraRecordset(rs); }, aviso)) return abandonar();
  if (utilidad::IgualSinCaso(Clave, "THEME") && utilidad::Trim(valor).empty()) valor = "1";
  return valor;
}

std::string Cfg(const std::string& Clave, std::string& ValorAux) {
  return CfgEn(DB(), Clave, ValorAux, true, "Cfg");
}

std::string Cfg(const std::string& Clave) {
  std::string aux;
  return Cfg(Clave, aux);
}
