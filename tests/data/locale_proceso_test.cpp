// Numbers read from texts and written into statements must not follow the process locale: the
// window's toolkit sets it from the environment, and under a German or Argentine one the C
// library reads "1.5" as 1 and writes 1.5 as "1,5".

#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "data/db_dll.h"
#include "tests/support/empresa.h"

namespace {

class LocaleProcesoTest : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    anterior_ = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 not generated";
  }
  void TearDown() override {
    std::setlocale(LC_ALL, anterior_.c_str());
    PruebaEmpresa::TearDown();
  }
  std::string anterior_;
};

TEST_F(LocaleProcesoTest, NumericLookupsKeepTheirDecimalsUnderADecimalCommaLocale) {
  Ejecutar("INSERT INTO MV_ASIENTOS (TC, Importe) VALUES ('FC', 1.5)");
  EXPECT_EQ(DB().ExisteEnTabla("MV_ASIENTOS", "1.5", "Importe", nullptr, kTipoDoble, "", true),
            Busqueda::Encontrada);
  EXPECT_EQ(DB().ExisteEnTabla("MV_ASIENTOS", "+1.50", "Importe", nullptr, kTipoDoble, "", true),
            Busqueda::Encontrada);
  EXPECT_EQ(DB().ExisteEnTabla("MV_ASIENTOS", "1", "Importe", nullptr, kTipoDoble, "", true),
            Busqueda::NoEncontrada);
}

}  // namespace
