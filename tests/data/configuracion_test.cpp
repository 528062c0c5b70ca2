#include "data/configuracion.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "data/db_dll.h"
#include "data/valores_sesion.h"
#include "platform/ado.h"
#include "tests/support/empresa.h"

namespace {

// Keeps every text the session connection is asked to run.
class ConexionAnotada : public ado::ConnectionWrapper {
 public:
  using ado::ConnectionWrapper::ConnectionWrapper;
  std::optional<ado::Resultado> Execute(const std::string& text, int32_t* n, int32_t o) override {
    textos.push_back(text);
    return ado::ConnectionWrapper::Execute(text, n, o);
  }
  std::vector<std::string> textos;
};

class ConfiguracionTest : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    Ejecutar(
        "INSERT INTO TA_CONFIGURACION (Grupo, Clave, Valor, ValorAux) VALUES "
        "('General', 'DECIMALES', '2', 'aux'), ('General', 'VACIA', NULL, NULL), "
        "('General', 'THEME', '  ', ''), ('General', '[FECHA DESDE]', '01/01/2004', '')");
  }
};

TEST_F(ConfiguracionTest, CfgDevuelveValorYAuxiliar) {
  struct Caso {
    std::string clave, valor, aux;
  };
  const std::vector<Caso> casos = {
      {"DECIMALES", "2", "aux"},
      {"  decimales ", "2", "aux"},  // trimmed; the database ignores letter case
      {"NO_EXISTE", " ", ""},        // an absent key: one blank
      {"VACIA", "", ""},             // nulls read as empty texts
      {"THEME", "1", ""},            // only blanks: the default theme
      {"[fecha desde]", "01/01/2004", ""},
  };
  for (const auto& c : casos) {
    std::string aux = "antes";
    EXPECT_EQ(Cfg(c.clave, aux), c.valor) << c.clave;
    EXPECT_EQ(aux, c.aux) << c.clave;
  }
  EXPECT_EQ(gTablaConfiguracion, "TA_CONFIGURACION");
  EXPECT_TRUE(dialogos.Transcripcion().empty());
}

TEST_F(ConfiguracionTest, ThemeAusenteEsUno) {
  Ejecutar("DELETE FROM TA_CONFIGURACION WHERE Clave = 'THEME'");
  EXPECT_EQ(Cfg("THEME"), "1");
  Ejecutar("INSERT INTO TA_CONFIGURACION (Grupo, Clave, Valor) VALUES ('General', 'THEME', '3')");
  EXPECT_EQ(Cfg("THEME"), "3");
}

TEST_F(ConfiguracionTest, LasClavesDeFechasSeConsultanEnMayusculas) {
  auto anotada = std::make_shared<ConexionAnotada>(DB().gCnn);
  DB().gCnn = anotada;
  gTablaConfiguracion = "ta_configuracion";
  Cfg("[fecha hasta]");
  Cfg("decimales");
  ASSERT_EQ(anotada->textos.size(), 2u);
  EXPECT_NE(anotada->textos[0].find("SELECT VALOR, VALORAUX FROM TA_CONFIGURACION"),
            std::string::npos)
      << anotada->textos[0];
  // The embedded engine receives the key folded, as it compares names.
  EXPECT_NE(anotada->textos[0].find("plegar(CLAVE) = '[fecha hasta]'"), std::string::npos)
      << anotada->textos[0];
  EXPECT_NE(anotada->textos[1].find("SELECT VALOR, valoraux FROM ta_configuracion"),
            std::string::npos)
      << anotada->textos[1];
  EXPECT_NE(anotada->textos[1].find("'decimales'"), std::string::npos) << anotada->textos[1];
}

TEST_F(ConfiguracionTest, UnaClaveConComillaVaAlDialogoDeCfg) {
  dialogos.ResponderSiempre("", plataforma::vbAbort);
  std::string aux = "antes";
  EXPECT_EQ(Cfg("O'CLAVE", aux), "");
  EXPECT_EQ(aux, "antes");
  bool deCfg = false;
  for (const auto& d : dialogos.Transcripcion()) {
    if (d.titulo.find("- Cfg ") != std::string::npos) deCfg = true;
  }
  EXPECT_TRUE(deCfg);
}

class ConfiguracionSinSesionTest : public PruebaBase {};

TEST_F(ConfiguracionSinSesionTest, SinSesionAbiertaDevuelveVacio) {
  std::string aux = "antes";
  EXPECT_EQ(Cfg("THEME", aux), "");
  EXPECT_EQ(aux, "antes");
  EXPECT_EQ(gTablaConfiguracion, "");
  EXPECT_TRUE(dialogos.Transcripcion().empty());
}

}  // namespace
