// Each mode's layout rule on the sample files: every sample fits its own mode and no other, and
// names the mode it is for; a few bad lines do not make a file another mode's.

#include "import/formas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/archivos.h"
#include "tests/import/ventana_modos.h"
#include "tests/support/prueba_base.h"

namespace {

std::vector<std::string> Lineas(const std::string& ruta) {
  plataforma::ArchivoTexto archivo;
  archivo.Abrir(ruta);
  std::vector<std::string> lineas;
  while (!archivo.EOF_()) lineas.push_back(archivo.LeerLinea());
  return lineas;
}

class FormasTest : public PruebaBase {};

TEST_F(FormasTest, CadaMuestraCalzaConSuModoYConNingunOtro) {
  struct Muestra {
    const char* archivo;
    std::vector<int> suyas;  // the layouts it fits (the pending modes share one)
  };
  const Muestra muestras[] = {
      {"saldos_clientes.txt", {0}},  {"saldos_proveedores.txt", {1}},
      {"empleados.csv", {2}},        {"cheques_terceros.csv", {3}},
      {"cheques_propios.csv", {4}},  {"pendientes.csv", {5, 6}},
      {"ot_pendientes.csv", {5, 6}}, {"lista_precios.txt", {kFormaListaPrecios}},
  };
  for (const Muestra& m : muestras) {
    const std::vector<std::string> lineas = Lineas(RutaMuestra(m.archivo));
    for (int forma = 0; forma <= kFormaListaPrecios; ++forma) {
      SCOPED_TRACE(std::string(m.archivo) + " en la forma " + std::to_string(forma));
      const bool suya = std::find(m.suyas.begin(), m.suyas.end(), forma) != m.suyas.end();
      const Calce c = CalzaConModo(forma, lineas);
      EXPECT_EQ(c.calza, suya) << c.noCalzan << " de " << c.conDatos;
      if (suya) {
        EXPECT_EQ(c.noCalzan, 0);
      } else {
        EXPECT_EQ(c.pareceDe, m.suyas.front());
      }
    }
  }
}

// A voucher line of the customers' report: date, voucher, due date, amount in column 37.
std::string Saldo(const std::string& fecha, const std::string& importe) {
  return fecha + ";;;;FC A 0001-1;;;;;;;;;" + fecha + std::string(24, ';') + importe;
}

TEST_F(FormasTest, UnasPocasLineasMalasNoCambianLaForma) {
  struct Caso {
    const char* nombre;
    int opcion;
    std::vector<std::string> lineas;
    bool calza;
    long noCalzan;
    int pareceDe;
  };
  const Caso casos[] = {
      // Two titles, a header, vouchers (one with a mangled amount, still a voucher line) and
      // a stray line after the header.
      {"saldos con una línea mala",
       0,
       {"LISTADO", "Emitido el 31/12/2019", "Cliente: 123", Saldo("15/01/2020", "10"),
        Saldo("16/01/2020", "1x"), "pie de página", Saldo("17/01/2020", "5")},
       true,
       1,
       -1},
      // A date that does not exist is a bad value of a cheque line, not another layout's.
      {"cheques con fechas imposibles",
       3,
       {"29/02/2023;15/03/2023;B;C;011;1;P;10", "15/02/2023;29/02/2023;B;C;011;2;P;10"},
       true,
       0,
       -1},
      // Half of the lines outside the layout still fit; more than half do not.
      {"cheques, la mitad mala",
       3,
       {"15/01/2020;15/02/2020;B;C;011;1;P;10", "15/01/2020;15/02/2020;B;C;011;2;P;10", "x", "y"},
       true,
       2,
       -1},
      {"cheques, más de la mitad mala",
       3,
       {"15/01/2020;15/02/2020;B;C;011;1;P;10", "PEREZ;JUAN", "GOMEZ;ANA"},
       false,
       2,
       2},
      // Blank lines and rows of separators say nothing of the layout.
      {"empleados entre líneas vacías", 2, {"", "   ", ";;;", "PEREZ;JUAN", "\t"}, true, 0, -1},
      {"un nombre con una fecha no es un empleado",
       2,
       {"PEREZ;15/01/2020", "GOMEZ;1500,00"},
       false,
       2,
       -1},
      {"sin datos", 0, {"", " ;; "}, false, 0, -1},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    const Calce r = CalzaConModo(c.opcion, c.lineas);
    EXPECT_EQ(r.calza, c.calza);
    EXPECT_EQ(r.noCalzan, c.noCalzan);
    EXPECT_EQ(r.pareceDe, c.pareceDe);
  }
}

}  // namespace
