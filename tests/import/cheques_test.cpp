#include <string>
#include <vector>

#include "import/contexto_corrida.h"
#include "platform/dialogos.h"
#include "platform/valores.h"
#include "tests/import/ventana_modos.h"
#include "tests/support/empresa.h"

namespace {

using Filas = std::vector<std::vector<std::string>>;

constexpr int kTerceros = 3;
constexpr int kPropios = 4;

class ChequesTest : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    AgregarEjercicio(2020);
    Ejecutar(
        "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES "
        "('111010002', 'Valores a depositar', 0), ('111020001', 'Banco cuenta corriente', 0),"
        " ('511', 'Apertura', 0)");
    dialogos.ResponderSiempre("Proceso Finalizado", plataforma::vbOK);
  }

  ResumenCorrida Importar(int opcion, const std::string& ruta) {
    VentanaModos ventana(opcion, ruta, opcion == kTerceros ? "111010002" : "111020001",
                         "Concepto del operador");
    ResumenCorrida r = EjecutarImportacion(ventana);
    conceptoFinal = ventana.txtConcepto();
    return r;
  }

  // The two lines of the cheque with this bank number, first line first.
  Filas LineasDe(const std::string& bancario) {
    const std::string numero =
        Valor("SELECT NUMERO FROM MV_ASIENTOS WHERE NROCOMPROBANTEBANCARIO = '" + bancario + "'");
    return Consultar(
        "SELECT Secuencia, Cuenta, [Debe-Haber], Importe, NROCOMPROBANTEBANCARIO, "
        "VENCIMIENTO, TC, SUCURSAL, NUMERO, LETRA, [NUMERO ASIENTO], Detalle FROM MV_ASIENTOS "
        "WHERE TC = 'CC' AND NUMERO = '" +
        numero + "' ORDER BY Secuencia");
  }

  std::string conceptoFinal;
};

TEST_F(ChequesTest, ReceivedChequesPostDebitOnCounterAccountAndCreditOn511) {
  ResumenCorrida r = Importar(kTerceros, RutaMuestra("cheques_terceros.csv"));

  EXPECT_TRUE(r.finalizado);
  EXPECT_EQ(r.registrados, 4);
  EXPECT_EQ(r.importeCero, 1);
  // 0012345 again, from another bank with another due date: another cheque, posted apart.
  EXPECT_EQ(r.yaImportados, 0);
  EXPECT_EQ(r.mismoNumeroCheque, 1);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 8);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS", "NROCOMPROBANTEBANCARIO = '0012345'"), 2);

  Filas l = LineasDe("0012345");
  ASSERT_EQ(l.size(), 2u);
  EXPECT_EQ(l[0], (std::vector<std::string>{"1", "111010002", "D", "1500", "0012345",
                                            "2020-02-15 00:00:00", "CC", "0001", "00000001", "X",
                                            l[0][10], "Concepto del operador"}));
  EXPECT_EQ(l[1],
            (std::vector<std::string>{"2", "511", "H", "1500", "NULL", "2020-02-15 00:00:00", "CC",
                                      "0001", "00000001", "X", l[0][10], "Concepto del operador"}));

  // A negative amount posts its absolute value; the sequence goes on past the skipped lines.
  l = LineasDe("0012346");
  ASSERT_EQ(l.size(), 2u);
  EXPECT_EQ(l[0][3], "250.5");
  EXPECT_EQ(l[0][8], "00000002");
  EXPECT_EQ(LineasDe("0012348").at(0)[8], "00000004");
  EXPECT_EQ(ContarFilas("MV_ASIENTOS", "NROCOMPROBANTEBANCARIO = '0012347'"), 0);
  EXPECT_EQ(conceptoFinal, "Concepto del operador");
}

TEST_F(ChequesTest, OwnChequesSwapSidesShareTheSequenceAndWriteTheirConcept) {
  Importar(kTerceros, RutaMuestra("cheques_terceros.csv"));
  ResumenCorrida r = Importar(kPropios, RutaMuestra("cheques_propios.csv"));

  EXPECT_EQ(r.registrados, 3);
  EXPECT_EQ(r.importeCero, 1);
  Filas l = LineasDe("B-0012345");
  ASSERT_EQ(l.size(), 2u);
  EXPECT_EQ(l[0][1], "111020001");
  EXPECT_EQ(l[0][2], "H");
  EXPECT_EQ(l[0][3], "1500");
  EXPECT_EQ(l[0][5], "2020-02-15 00:00:00");
  EXPECT_EQ(l[0][8], "00000005");  // after the four received cheques
  EXPECT_EQ(l[0][11], "Pago proveedor Gómez");
  EXPECT_EQ(l[1][1], "511");
  EXPECT_EQ(l[1][2], "D");
  EXPECT_EQ(l[1][4], "NULL");

  // An empty description gives the fixed concept, whatever the operator typed.
  EXPECT_EQ(LineasDe("B-0012349").at(0)[11], "Saldos Iniciales: Importación");
  // The window shows the operator's concept again once the run is over.
  EXPECT_EQ(conceptoFinal, "Concepto del operador");
}

TEST_F(ChequesTest, RunningAFileAgainWritesNothing) {
  for (int opcion : {kTerceros, kPropios}) {
    SCOPED_TRACE(opcion);
    const std::string ruta =
        RutaMuestra(opcion == kTerceros ? "cheques_terceros.csv" : "cheques_propios.csv");
    Importar(opcion, ruta);
    const int64_t filas = ContarFilas("MV_ASIENTOS");
    ResumenCorrida r = Importar(opcion, ruta);
    EXPECT_EQ(r.registrados, 0);
    EXPECT_EQ(r.yaImportados, opcion == kTerceros ? 4 : 3);
    EXPECT_EQ(ContarFilas("MV_ASIENTOS"), filas);
  }
}

// A cheque is already imported only when its number, amount, due date and counter-account all
// match a journal line; any difference is another cheque of the same number, posted apart.
TEST_F(ChequesTest, TheSameNumberIsTheSameChequeOnlyWithAllItsValues) {
  const std::string primero = "15/01/2020;15/02/2020;Banco;Cobro;011;0012345;Pérez;1500\r\n";
  Importar(kTerceros, EscribirArchivo("primero.csv", primero));
  struct Caso {
    const char* nombre;
    std::string linea;
    std::string cuenta;
    bool yaImportado;
  };
  const Caso casos[] = {
      {"todo igual", primero, "111010002", true},
      {"otro importe", "15/01/2020;15/02/2020;Banco;Cobro;011;0012345;Pérez;1600\r\n", "111010002",
       false},
      {"otro vencimiento", "15/01/2020;16/02/2020;Banco;Cobro;011;0012345;Pérez;1500\r\n",
       "111010002", false},
      {"otra contrapartida", primero, "111020001", false},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    const int64_t filas = ContarFilas("MV_ASIENTOS");
    VentanaModos ventana(kTerceros, EscribirArchivo("caso.csv", c.linea), c.cuenta, "Concepto");
    const ResumenCorrida r = EjecutarImportacion(ventana);
    EXPECT_EQ(r.yaImportados, c.yaImportado ? 1 : 0);
    EXPECT_EQ(r.mismoNumeroCheque, c.yaImportado ? 0 : 1);
    EXPECT_EQ(ContarFilas("MV_ASIENTOS"), filas + (c.yaImportado ? 0 : 2));
  }
}

// Values reach the database as they were read: the administrator's mark inside a cheque number
// stays, and a line holding a control character is not read, named in the summary instead.
TEST_F(ChequesTest, ValuesAreStoredAsRead) {
  const std::string ruta =
      EscribirArchivo("valores.csv",
                      "15/01/2020;15/02/2020;Banco;Cobro;011;@ADMIN_13018;Perez;100\r\n"
                      "16/01/2020;16/02/2020;Banco;Co\001bro;011;13019;Perez;200\r\n");
  ResumenCorrida r = Importar(kTerceros, ruta);
  EXPECT_EQ(r.registrados, 1);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS", "NROCOMPROBANTEBANCARIO = '@ADMIN_13018'"), 1);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS", "NROCOMPROBANTEBANCARIO = '13019'"), 0);
  ASSERT_EQ(r.noRegistradas.size(), 1u);
  EXPECT_EQ(r.noRegistradas[0].linea, 2);
  EXPECT_EQ(r.noRegistradas[0].motivo, "carácter de control");
  EXPECT_EQ(r.noRegistradas[0].valor, "0x01 en la columna 3");
  EXPECT_EQ(DesenlaceDe(r), Desenlace::Parcial);
}

TEST_F(ChequesTest, LinesLackingAFieldWriteNothing) {
  const std::string ruta = EscribirArchivo(
      "cortas.csv",
      "15/01/2020;15/02/2020;Banco;Cobro;011;0012345;Pérez;1500\r\n"
      "16/01/2020;16/02/2020;Banco;Cobro\r\n"  // short: no cheque number, no amount
      "\r\n"  // a blank line is passed over, not incomplete
      "17/01/2020;17/02/2020;Banco;Cobro;011;  ;Pérez;700\r\n"  // blank cheque number
      "18/01/2020;18/02/2020;Banco;Cobro;011;0012399;Pérez;abc\r\n");
  dialogos.ResponderSiempre("abc", plataforma::vbIgnore);

  ResumenCorrida r = Importar(kTerceros, ruta);

  EXPECT_TRUE(r.finalizado);
  EXPECT_EQ(r.registrados, 1);
  EXPECT_EQ(r.incompletos, 3);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 2);
  ASSERT_EQ(r.errores.size(), 3u);
  EXPECT_NE(r.errores[0].find("Línea 2"), std::string::npos) << r.errores[0];
  EXPECT_NE(r.errores[1].find("Línea 4"), std::string::npos) << r.errores[1];
  EXPECT_NE(r.errores[2].find("\"abc\""), std::string::npos) << r.errores[2];
}

TEST_F(ChequesTest, ARefusedChequeIsRolledBackAndTheRunGoesOn) {
  // 23 characters do not fit NROCOMPROBANTEBANCARIO (20).
  const std::string ruta =
      EscribirArchivo("largo.csv",
                      "15/01/2020;15/02/2020;Banco;Cobro;011;00123450012345001234500;Pérez;1500\r\n"
                      "16/01/2020;16/02/2020;Banco;Cobro;011;0012346;Pérez;800\r\n");
  dialogos.ResponderSiempre("", plataforma::vbOK);

  ResumenCorrida r = Importar(kTerceros, ruta);

  EXPECT_EQ(r.registrados, 1);
  EXPECT_EQ(r.lineasRechazadas, std::vector<long>{1});
  EXPECT_EQ(dialogos.Textos("Atención").size(), 1u);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 2);
  EXPECT_EQ(LineasDe("0012346").at(0)[8], "00000001");
}

}  // namespace
