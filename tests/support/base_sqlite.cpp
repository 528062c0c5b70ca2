#include "tests/support/base_sqlite.h"

#include <charconv>
#include <cstdio>

#include "platform/odbc_conexion.h"

void PruebaSQLite::SetUp() {
  PruebaBase::SetUp();
  cnn = std::make_shared<ado::OdbcConnection>();
  try {
    cnn->Open(CadenaConexion() + "Create=1;");
  } catch (const plataforma::ErrorEjecucion& e) {
    FAIL() << "cannot create " << RutaBase() << ": " << e.Description;
  }
}

void PruebaSQLite::TearDown() {
  if (cnn && cnn->State() == ado::adStateOpen) cnn->Close();
  cnn.reset();
  PruebaBase::TearDown();
}

int32_t PruebaSQLite::Ejecutar(const std::string& sql) {
  int32_t filas = 0;
  try {
    cnn->Execute(sql, &filas);
  } catch (const plataforma::ErrorEjecucion& e) {
    ADD_FAILURE() << "statement refused: " << sql << "\n  " << e.Description;
    throw;
  }
  return filas;
}

std::vector<std::vector<std::string>> PruebaSQLite::Consultar(const std::string& sql) {
  std::optional<ado::Resultado> r;
  try {
    r = cnn->Execute(sql);
  } catch (const plataforma::ErrorEjecucion& e) {
    ADD_FAILURE() << "query refused: " << sql << "\n  " << e.Description;
    throw;
  }
  std::vector<std::vector<std::string>> filas;
  if (!r) return filas;
  for (const auto& fila : r->filas) {
    std::vector<std::string> textos;
    for (const auto& v : fila) textos.push_back(ComoTexto(v));
    filas.push_back(std::move(textos));
  }
  return filas;
}

int64_t PruebaSQLite::ContarFilas(const std::string& tabla, const std::string& where) {
  std::string sql = "SELECT COUNT(*) FROM " + tabla + (where.empty() ? "" : " WHERE " + where);
  auto filas = Consultar(sql);
  return filas.empty() ? -1 : std::stoll(filas[0][0]);
}

std::string PruebaSQLite::ComoTexto(const plataforma::Valor& v) {
  struct Visitante {
    std::string operator()(const plataforma::Nulo&) const { return "NULL"; }
    std::string operator()(const std::string& s) const { return s; }
    std::string operator()(int64_t n) const { return std::to_string(n); }
    std::string operator()(double d) const {
      char buf[64];
      auto [fin, ec] = std::to_chars(buf, buf + sizeof buf, d);
      return std::string(buf, fin);
    }
    std::string operator()(const plataforma::Moneda& m) const {
      int64_t a = m.diezmilesimos < 0 ? -m.diezmilesimos : m.diezmilesimos;
      char buf[40];
      std::snprintf(buf, sizeof buf, "%s%lld.%04lld", m.diezmilesimos < 0 ? "-" : "",
                    static_cast<long long>(a / 10000), static_cast<long long>(a % 10000));
      return buf;
    }
    std::string operator()(const plataforma::FechaHora& f) const {
      char buf[40];
      std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", f.anio, f.mes, f.dia, f.hora,
                    f.minuto, f.segundo);
      return buf;
    }
  };
  return std::visit(Visitante{}, v);
}
