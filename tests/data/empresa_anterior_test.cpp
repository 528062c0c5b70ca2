// A company made by an earlier version, whose text columns and indexes name the program's own
// collation KVCI: it keeps working, and gets the folded indexes its lookups now use.
#include <gtest/gtest.h>

#include <string>

#include "data/conexiones.h"
#include "data/dialecto_sqlite.h"
#include "data/empresa.h"
#include "platform/ado.h"
#include "tests/support/prueba_base.h"
#include "utility/utilidades.h"

namespace {

// The schema as those versions wrote it: KVCI on every text column and no folded index.
std::string EsquemaAnterior() {
  std::string anterior;
  std::string s = EsquemaEmpresa();
  for (size_t p = s.find("COLLATE NOCASE"); p != std::string::npos;
       p = s.find("COLLATE NOCASE", p)) {
    s.replace(p, 14, "COLLATE KVCI");
  }
  // Statements end with ";" at the end of a line; the folded indexes are left out.
  size_t desde = 0;
  for (size_t fin = s.find(";\n"); fin != std::string::npos; fin = s.find(";\n", desde)) {
    const std::string sentencia = s.substr(desde, fin + 2 - desde);
    if (sentencia.find("PLEGADO(") == std::string::npos) anterior += sentencia;
    desde = fin + 2;
  }
  return anterior;
}

class EmpresaAnterior : public PruebaBase {
 protected:
  void SetUp() override {
    PruebaBase::SetUp();
    archivo_ = Ruta("ANTERIOR.db");
    cnn_ = CrearBaseSQLite(archivo_);
    EjecutarScriptSQLite(*cnn_, EsquemaAnterior());
    cnn_->Execute(
        "INSERT INTO MA_CUENTAS (CODIGO, Descripcion) VALUES ('11201', 'Deudores por Ventas  ')");
  }
  void TearDown() override {
    cnn_->Close();
    PruebaBase::TearDown();
  }
  std::string Plan(const std::string& tsql) {
    auto plan = cnn_->Execute("EXPLAIN QUERY PLAN " + ConvierteSQLite(tsql, LeerColumnasDeFecha(*cnn_)).at(0));
    return plan && !plan->filas.empty() ? utilidad::ValorCampo(plan->filas[0].back()) : "";
  }
  std::string archivo_;
  std::shared_ptr<ado::Connection> cnn_;
};

TEST_F(EmpresaAnterior, RecibeLosIndicesPlegadosYSusBusquedasLosUsan) {
  const std::string busqueda =
      "SELECT CODIGO FROM MA_CUENTAS WHERE LTRIM(RTRIM(Descripcion)) = 'DEUDORES POR VENTAS'";
  ASSERT_TRUE(EsEmpresaConColacionPropia(*cnn_));
  EXPECT_EQ(Plan(busqueda).find("USING"), std::string::npos) << Plan(busqueda);

  EXPECT_TRUE(CompletarIndicesPlegados(*cnn_).empty());
  EXPECT_NE(Plan(busqueda).find("USING"), std::string::npos) << Plan(busqueda);
  auto hallada = cnn_->Execute(ConvierteSQLite(busqueda, LeerColumnasDeFecha(*cnn_)).at(0));
  ASSERT_TRUE(hallada && hallada->filas.size() == 1);
  EXPECT_EQ(utilidad::ValorCampo(hallada->filas[0][0]), "11201");
  // Its own collation still keeps its keys: a code differing only in letter case is refused.
  EXPECT_THROW(cnn_->Execute("INSERT INTO MA_CUENTAS (CODIGO) VALUES ('11201 ')"),
               plataforma::ErrorEjecucion);
  // A second time there is nothing left to add.
  EXPECT_TRUE(CompletarIndicesPlegados(*cnn_).empty());
  auto integridad = cnn_->Execute("PRAGMA integrity_check");
  EXPECT_EQ(utilidad::ValorCampo(integridad->filas[0][0]), "ok");
}

TEST_F(EmpresaAnterior, UnaEmpresaNuevaNoNombraColacionPropia) {
  auto nueva = ado::CrearConexion();
  nueva->Open(CadenaConexionSQLite(CrearEmpresa(carpeta_, "NUEVA")));
  EXPECT_FALSE(EsEmpresaConColacionPropia(*nueva));
  auto propias = nueva->Execute("SELECT count(*) FROM sqlite_master WHERE sql LIKE '%KVCI%'");
  EXPECT_EQ(utilidad::ValorCampo(propias->filas[0][0]), "0");
  nueva->Close();
}

// A file the engine cannot write gets no index, and says why.
TEST_F(EmpresaAnterior, UnArchivoQueNoAceptaIndicesLoDice) {
  cnn_->Execute("PRAGMA query_only = 1");
  const auto rechazados = CompletarIndicesPlegados(*cnn_);
  ASSERT_FALSE(rechazados.empty());
  EXPECT_NE(rechazados[0].find("readonly"), std::string::npos) << rechazados[0];
}

}  // namespace
