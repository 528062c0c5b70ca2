#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import/asientos.h"
#include "tests/import/ventana_modos.h"
#include "tests/support/empresa.h"

namespace {

const char kMensaje[] = "Debe informar una cuenta de contrapartida válida!!!";

class CuentasTest : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    Ejecutar(
        "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES "
        "('111', 'CAJA Y BANCOS', 1), ('11101', 'CAJA', 0), ('11102', 'BANCO', NULL)");
  }

  VentanaModos controles;
  ContextoCorrida ctx{controles};
};

struct CasoContrapartida {
  int opcion;
  std::string cuenta;
  bool aceptada;
};

TEST_F(CuentasTest, LaContrapartidaDebeSerDeLaClaseQueElModoPide) {
  const std::vector<CasoContrapartida> casos = {
      {0, "11101", true},
      {0, "11102", true},
      {1, "11102", true},
      {3, "11101", true},
      {4, "11102", true},
      {-1, "11101", true},
      {2, "111", true},
      {0, "111", false},
      {1, "111", false},
      {2, "11101", false},
      {2, "11102", false},
      {0, "", false},
      {0, "99999", false},
      {0, "11101 ", true},  // trailing blanks compare equal, as on the server
      // A quote cannot end the code's literal and turn the rest into conditions.
      {0, "x' OR '1'='1", false},
      {2, "x' OR TITULO=1 OR '1'='", false},
  };
  dialogos.ResponderSiempre(kMensaje, plataforma::vbOK);
  for (const auto& c : casos) {
    controles.opcion = c.opcion;
    controles.cuenta = c.cuenta;
    const size_t antes = dialogos.Transcripcion().size();
    bool terminada = false;
    try {
      ValidaContrapartida(ctx);
    } catch (const FinDeCorrida&) {
      terminada = true;
    }
    EXPECT_EQ(terminada, !c.aceptada) << "mode " << c.opcion << " account '" << c.cuenta << "'";
    const auto& vistos = dialogos.Transcripcion();
    ASSERT_EQ(vistos.size() - antes, c.aceptada ? 0u : 1u) << c.cuenta;
    if (!c.aceptada) {
      EXPECT_EQ(vistos.back().texto, kMensaje);
      EXPECT_EQ(vistos.back().titulo, "Aviso al Usuario");
      EXPECT_EQ(vistos.back().botones, plataforma::vbInformation + plataforma::vbOKOnly);
    }
  }
}

TEST_F(CuentasTest, AltaCuentaGrabaLaCuentaSinComillas) {
  ctx.CuentaCliente = "2110'5";
  ctx.Descripcion = "O'Brien";
  EXPECT_TRUE(AltaCuenta(ctx));
  EXPECT_EQ(ctx.CuentaCliente, "2110'5");  // the run's values are left as read
  EXPECT_EQ(ctx.Descripcion, "O'Brien");
  EXPECT_EQ(Consultar("SELECT CODIGO, Descripcion, TITULO FROM MA_CUENTAS WHERE CODIGO = '21105'"),
            (std::vector<std::vector<std::string>>{{"21105", "OBrien", "0"}}));
  EXPECT_TRUE(dialogos.Transcripcion().empty());
}

TEST_F(CuentasTest, UnaAltaRechazadaSeMuestraYNoDejaNada) {
  struct Caso {
    std::string codigo, nombre;
  };
  const std::vector<Caso> casos = {
      {"11101", "OTRA CAJA"},           // the code exists
      {"21106", std::string(61, 'N')},  // a name longer than its column
  };
  for (const auto& c : casos) {
    ctx.CuentaCliente = c.codigo;
    ctx.Descripcion = c.nombre;
    dialogos.Responder(plataforma::vbOK);
    EXPECT_FALSE(AltaCuenta(ctx)) << c.codigo;
    const auto atencion = dialogos.Textos("Atención");
    ASSERT_FALSE(atencion.empty());
    EXPECT_FALSE(atencion.back().empty());
  }
  EXPECT_EQ(dialogos.Textos("Atención").size(), 2u);
  EXPECT_EQ(Valor("SELECT Descripcion FROM MA_CUENTAS WHERE CODIGO = '11101'"), "CAJA");
  EXPECT_EQ(ContarFilas("MA_CUENTAS", "CODIGO = '21106'"), 0);
  // The run goes on: the next account is created.
  ctx.CuentaCliente = "21107";
  ctx.Descripcion = "PEREZ";
  EXPECT_TRUE(AltaCuenta(ctx));
  EXPECT_EQ(ContarFilas("MA_CUENTAS"), 4);
}

}  // namespace
