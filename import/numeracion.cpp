// Entry numbering, fiscal period and server date: the values the ledger expects of an entry.

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

#include "data/configuracion.h"
#include "data/db_dll.h"
#include "data/reintento.h"
#include "data/valores_sesion.h"
#include "import/asientos.h"
#include "platform/ado.h"
#include "platform/regional.h"
#include "utility/utilidades.h"

namespace {

using plataforma::ErrorEjecucion;
using plataforma::Valor;

// The register type the journal keeps for entries of its own ("ÿRS": character 255 and RS).
const char kTipoRegistracion[] = "\xC3\xBFRS";

// Reading a closed recordset is a failure of the caller's step, as it is with the provider.
void ExigeAbierto(const ado::Recordset& rs) {
  if (rs.State() != ado::adStateOpen) {
    throw ErrorEjecucion(ado::adErrObjectClosed,
                         "Operation is not allowed when the object is closed.", "ADODB.Recordset");
  }
}

// A number text or number value as a double; raises a type mismatch for anything else.
double ComoNumero(const Valor& v) {
  if (const auto* i = std::get_if<int64_t>(&v)) return static_cast<double>(*i);
  if (const auto* d = std::get_if<double>(&v)) return *d;
  if (const auto* m = std::get_if<plataforma::Moneda>(&v)) return m->ComoDouble();
  if (const auto* s = std::get_if<std::string>(&v)) {
    const std::string t = utilidad::Trim(*s);
    // from_chars reads "." whatever the process locale, unlike strtod.
    const char* p = t.data() + (!t.empty() && t[0] == '+' ? 1 : 0);
    double n = 0;
    const auto [fin, ec] = std::from_chars(p, t.data() + t.size(), n);
    if (!t.empty() && ec == std::errc() && fin == t.data() + t.size()) return n;
  }
  throw ErrorEjecucion(plataforma::kErrTipoIncompatible, "Type mismatch", "importador");
}

// A number written as a decimal number: whole numbers without decimals, others with ".".
std::string TextoNumero(double n) {
  if (std::nearbyint(n) == n && std::fabs(n) < 1e15) {
    return std::to_string(static_cast<int64_t>(n));
  }
  std::string t = std::to_string(n);
  t.erase(t.find_last_not_of('0') + 1);
  return t;
}

// The first row's NRO_ASIENTO, nothing when there is no row or it is null.
std::optional<int64_t> NumeroDeFila(ado::Recordset& rs) {
  ExigeAbierto(rs);
  if (rs.EOF()) return std::nullopt;
  const Valor& v = rs.Fields("Nro_Asiento").Value();
  if (plataforma::EsNulo(v)) return std::nullopt;
  return static_cast<int64_t>(std::llround(ComoNumero(v)));
}

int32_t Siguiente(int64_t maximo) {
  if (maximo >= std::numeric_limits<int32_t>::max()) {
    throw ErrorEjecucion(plataforma::kErrDesbordamiento, "Overflow", "importador");
  }
  return static_cast<int32_t>(maximo + 1);
}

}  // namespace

int16_t PeriodoDeFecha(const std::string& Fecha) {
  const std::string f = plataforma::FormatearFecha(plataforma::CDate(Fecha), "dd/mm/yyyy");
  std::string sql = "Select * from MV_EJERCICIOS  with(nolock)  where [FECHA DESDE] <= '" + f +
                    "' and [FECHA HASTA] >= '" + f + "'";
  DB_Dll& db = DB();
  ado::Recordset rs;
  db.AbrirRecordset(sql, rs);
  ExigeAbierto(rs);
  int16_t periodo = 0;
  if (!rs.EOF()) {
    const double p = std::nearbyint(ComoNumero(rs.Fields("Periodo").Value()));
    if (p < std::numeric_limits<int16_t>::min() || p > std::numeric_limits<int16_t>::max()) {
      throw ErrorEjecucion(plataforma::kErrDesbordamiento, "Overflow", "importador");
    }
    periodo = static_cast<int16_t>(p);
  }
  db.CierraRecordset(rs);
  return periodo;
}

int32_t ValidaTCRegistraciones(const std::string& Mes, const std::string& Periodo,
                               const std::string& TipoReg) {
  DB_Dll& db = DB();
  auto aviso = [&db](const ErrorEjecucion& e) {
    return db.TratamientoErrores(e, 18, "ValidaTCRegistraciones");
  };
  int32_t numero = 0;
  std::string filtros;
  ado::Recordset rs;
  ado::Recordset rsCosto;
  // Every step below runs under the dialog; leaving returns the number computed so far.
  auto paso = [&](auto&& f) { return PasoConDialogo(f, aviso); };
  auto salir = [&] {
    db.CierraRecordset(rs);
    db.CierraRecordset(rsCosto);
    return numero;
  };

  if (!paso([&] {
        const std::string tipo = utilidad::Trim(TipoReg);
        const std::string per = TextoNumero(ComoNumero(Valor{Periodo}));
        filtros = " WITH(NOLOCK) WHERE MES_OPERATIVO = " + Mes;
        if (!tipo.empty()) {
          filtros += " AND TIPO_REG = '" + tipo + "'";
        } else {
          filtros += " AND (TIPO_REG = '" + std::string(kTipoRegistracion) + "' OR TIPO_REG = '')";
        }
        filtros += " AND PERIODO = " + per;
      })) {
    return salir();
  }
  const std::string maximo = "SELECT MAX([NUMERO ASIENTO]) AS [NRO_ASIENTO] FROM ";
  if (!paso([&] {
        std::string sql = maximo + "@ADMIN_MV_ASIENTOS" + filtros;
        db.AbrirRecordset(sql, rs);
      })) {
    return salir();
  }
  if (!paso([&] {
        const auto n = NumeroDeFila(rs);
        numero = n ? Siguiente(*n) : 1;
      })) {
    return salir();
  }
  if (!paso([&] { db.CierraRecordset(rs); })) return salir();

  // The number may already be taken in the cost-centre distribution: continue after its maximum.
  if (!paso([&] {
        std::string sql = "SELECT [NUMERO ASIENTO] AS [NRO_ASIENTO] FROM " +
                          std::string("@ADMIN_MV_ASIENTOSCCOSTO") + filtros +
                          " AND [NUMERO ASIENTO] = " + std::to_string(numero);
        db.AbrirRecordset(sql, rsCosto);
      })) {
    return salir();
  }
  bool tomado = false;
  if (!paso([&] { tomado = NumeroDeFila(rsCosto).has_value(); })) return salir();
  if (tomado) {
    if (!paso([&] {
          std::string sql = maximo + "@ADMIN_MV_ASIENTOSCCOSTO" + filtros;
          db.AbrirRecordset(sql, rs);
        })) {
      return salir();
    }
    if (!paso([&] {
          const auto n = NumeroDeFila(rs);
          if (n) numero = Siguiente(*n);
        })) {
      return salir();
    }
  }
  return salir();
}

plataforma::FechaHora FechaServidor() {
  // Every failure here is ignored: the computer's clock stands in for what could not be read.
  plataforma::FechaHora resultado = plataforma::Ahora();
  DB_Dll& db = DB();
  ado::Recordset rs;
  try {
    std::string sql = "select getDate() as fecha";
    db.AbrirRecordset(sql, rs);
    if (rs.State() != ado::adStateOpen) return resultado;
    if (!rs.EOF()) {
      const Valor& v = rs.Fields("fecha").Value();
      std::optional<plataforma::FechaHora> f;
      if (const auto* fh = std::get_if<plataforma::FechaHora>(&v)) {
        f = *fh;
      } else if (const auto* s = std::get_if<std::string>(&v)) {
        f = plataforma::LeerFecha(*s);
      }
      if (f) resultado = *f;
    } else if (gUtilizarFechaDia) {
      const std::string hasta = Cfg("FECHAOPERHASTA");
      if (auto f = plataforma::LeerFecha(utilidad::Trim(hasta))) resultado = *f;
    }
  } catch (...) {
  }
  try {
    db.CierraRecordset(rs);
  } catch (...) {
  }
  return resultado;
}
