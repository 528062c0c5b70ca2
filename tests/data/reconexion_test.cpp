// Lost connections during AbrirRecordset: reconnection, bounded retries, the operator's prompt.
#include <gtest/gtest.h>

#include "data/db_dll.h"
#include "platform/odbc_conexion.h"
#include "tests/support/empresa.h"

namespace {

// A connection over the real one whose queries fail as a lost link does, and whose reopen can
// fail too, as many times as a test asks.
int gConsultasQueFallan = 0;
int gAperturasQueFallan = 0;
int gConsultas = 0;

class ConexionInestable : public ado::ConnectionWrapper {
 public:
  ConexionInestable() : ado::ConnectionWrapper(std::make_shared<ado::OdbcConnection>()) {}
  void Open(const std::string& cs, const std::string& u, const std::string& p) override {
    if (gAperturasQueFallan > 0) {
      --gAperturasQueFallan;
      throw plataforma::ErrorEjecucion(ado::kEFail, "Unable to connect");
    }
    ado::ConnectionWrapper::Open(cs, u, p);
  }
  std::optional<ado::Resultado> Execute(const std::string& text, int32_t* n, int32_t o) override {
    if (text.rfind("SELECT * FROM MA_CUENTAS", 0) == 0) {
      ++gConsultas;
      if (gConsultasQueFallan > 0) {
        --gConsultasQueFallan;
        Errors().Clear();
        ado::Error e;
        e.Number = ado::adErrInvalidConnection;
        e.Description = "Communication link failure";
        Errors().Add(e);
        throw plataforma::ErrorEjecucion(e.Number, e.Description);
      }
    }
    return ado::ConnectionWrapper::Execute(text, n, o);
  }
};

std::shared_ptr<ado::Connection> CrearInestable() { return std::make_shared<ConexionInestable>(); }

int gSalidas = 0;
void SalidaDePrueba(int codigo) { gSalidas += codigo; }

class PruebaReconexion : public PruebaEmpresa {
 protected:
  void SetUp() override {
    gConsultasQueFallan = gAperturasQueFallan = gConsultas = gSalidas = 0;
    ado::EstablecerFabricaConexiones(CrearInestable);
    EstablecerSalidaAplicacion(SalidaDePrueba);
    PruebaEmpresa::SetUp();
  }
  void TearDown() override {
    PruebaEmpresa::TearDown();
    ado::EstablecerFabricaConexiones(nullptr);
    EstablecerSalidaAplicacion(nullptr);
  }
  bool Abrir(ado::Recordset& rs) {
    std::string sql = "SELECT * FROM MA_CUENTAS";
    DB().AbrirRecordset(sql, rs);
    return rs.State() == ado::adStateOpen;
  }
};

TEST_F(PruebaReconexion, UnaCaidaSeReconectaYLaConsultaSeRepite) {
  gConsultasQueFallan = 1;
  ado::Recordset rs;
  EXPECT_TRUE(Abrir(rs));
  EXPECT_EQ(gConsultas, 2);
  EXPECT_TRUE(DB().gOpenFlag);
  EXPECT_TRUE(dialogos.Transcripcion().empty());
}

TEST_F(PruebaReconexion, LaSegundaCaidaVaAlDialogoDeErrores) {
  gConsultasQueFallan = 100;
  dialogos.Responder(plataforma::vbAbort);
  ado::Recordset rs;
  EXPECT_FALSE(Abrir(rs));
  EXPECT_EQ(gConsultas, 2);
  ASSERT_EQ(dialogos.Transcripcion().size(), 1u);
  EXPECT_NE(dialogos.Transcripcion()[0].titulo.find("AbrirRecordset"), std::string::npos);
}

TEST_F(PruebaReconexion, SinReconexionSePreguntaYSiReintenta) {
  gConsultasQueFallan = 1;
  gAperturasQueFallan = 2;  // the first reopen and the one of the loop fail
  dialogos.Responder(plataforma::vbYes);
  ado::Recordset rs;
  EXPECT_TRUE(Abrir(rs));
  auto avisos = dialogos.Textos("AVISO AL OPERADOR");
  ASSERT_EQ(avisos.size(), 1u);
  EXPECT_EQ(avisos[0],
            "\r\n\r\n\r\nSe perdio la conexion con la base de datos EMPRESA\r\n"
            " Servidor " +
                servidor_ +
                "\r\n\r\nElija SI para reintentar conectarse"
                "\r\nElija NO para cerrar la aplicacion\r\n\r\n\r\n");
  EXPECT_EQ(gSalidas, 0);
}

TEST_F(PruebaReconexion, SinReconexionNoCierraLaAplicacion) {
  gConsultasQueFallan = 1;
  gAperturasQueFallan = 100;
  dialogos.Responder(plataforma::vbNo);
  ado::Recordset rs;
  EXPECT_FALSE(Abrir(rs));
  EXPECT_EQ(gSalidas, 1);
  EXPECT_EQ(dialogos.Textos("AVISO AL OPERADOR").size(), 1u);
  gAperturasQueFallan = 0;
}

}  // namespace
