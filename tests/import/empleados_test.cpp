#include <string>
#include <vector>

#include "import/contexto_corrida.h"
#include "platform/dialogos.h"
#include "platform/valores.h"
#include "tests/import/ventana_modos.h"
#include "tests/support/empresa.h"

namespace {

using Filas = std::vector<std::vector<std::string>>;

constexpr int kEmpleados = 2;

class EmpleadosTest : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    Ejecutar(
        "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES "
        "('21105', 'Sueldos a pagar', 1), ('21106', 'Cargas sociales', 1)");
    dialogos.ResponderSiempre("Proceso Finalizado", plataforma::vbOK);
  }

  ResumenCorrida Importar(const std::string& ruta) {
    VentanaModos ventana(kEmpleados, ruta, "21105");
    return EjecutarImportacion(ventana);
  }

  Filas CuentasBajoTitulo() {
    return Consultar(
        "SELECT CODIGO, Descripcion, TITULO FROM MA_CUENTAS "
        "WHERE CODIGO LIKE '21105_%' ORDER BY CODIGO");
  }
};

TEST_F(EmpleadosTest, EachNameGetsTheNextCodeUnderTheTitle) {
  ResumenCorrida r = Importar(RutaMuestra("empleados.csv"));

  EXPECT_TRUE(r.finalizado);
  EXPECT_EQ(r.cuentasCreadas, 5);
  EXPECT_EQ(CuentasBajoTitulo(), (Filas{{"211050001", "PEREZ JUAN", "0"},
                                        {"211050002", "GOMEZ  ANA", "0"},
                                        {"211050003", "MUÑOZ JOSÉ", "0"},
                                        {"211050004", "OBRIEN PATRICIO", "0"},
                                        {"211050005", "IBÁÑEZ RAÚL", "0"}}));
}

TEST_F(EmpleadosTest, RunningTheListAgainCreatesNothing) {
  Importar(RutaMuestra("empleados.csv"));
  ResumenCorrida r = Importar(RutaMuestra("empleados.csv"));

  EXPECT_EQ(r.cuentasCreadas, 0);
  EXPECT_EQ(r.cuentasExistentes, 5);  // O'BRIEN too: compared as stored, without the quote
  EXPECT_EQ(CuentasBajoTitulo().size(), 5u);
}

TEST_F(EmpleadosTest, NumberingFollowsTheHighestSubAccountAndTheTitleDecidesAMatch) {
  Ejecutar(
      "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES "
      "('211050009', 'ROJAS LUIS', 0), ('211060001', 'PEREZ JUAN', 0)");
  const std::string ruta = EscribirArchivo("lista.csv", "ROJAS;LUIS\r\nPEREZ;JUAN\r\n");

  ResumenCorrida r = Importar(ruta);

  EXPECT_EQ(r.cuentasExistentes, 1);  // ROJAS LUIS, already under 21105
  EXPECT_EQ(r.cuentasCreadas, 1);     // PEREZ JUAN exists only under 21106
  EXPECT_EQ(CuentasBajoTitulo(),
            (Filas{{"211050009", "ROJAS LUIS", "0"}, {"211050010", "PEREZ JUAN", "0"}}));
}

}  // namespace
