#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "import/contexto_corrida.h"
#include "platform/archivos.h"
#include "platform/dialogos.h"
#include "platform/valores.h"
#include "tests/import/ventana_modos.h"
#include "tests/support/empresa.h"
#include "utility/utilidades.h"

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

// A cheque line of the mode's layout: received cheques carry the bank in column 2 and the due
// date in column 1; own cheques the description first, the due date in column 3.
std::string Cheque(int opcion, const std::string& fecha, const std::string& banco,
                   const std::string& descripcion = "Cobro") {
  if (opcion == kTerceros) {
    return fecha + ";15/02/2020;" + banco + ";" + descripcion + ";011;0012345;Pérez;1500,00\r\n";
  }
  return fecha + ";" + descripcion + ";" + banco + ";15/02/2020;0012345;1500,00\r\n";
}

std::string Bytes(const std::string& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// Look-alikes: the same number, amount and due date from two banks (the journal keeps neither
// bank nor drawer). The k-th of a file is already imported only when the journal holds k.
TEST_F(ChequesTest, LookAlikeChequesAreCountedOneByOne) {
  struct Caso {
    const char* nombre;
    std::vector<std::string> antes;  // imported first, in order: "a", "b" or "ab"
    std::string archivo;
    long registrados, yaImportados, enDiario;
  };
  const Caso casos[] = {
      {"two look-alikes post both", {}, "ab", 2, 0, 2},
      {"a re-run posts nothing", {"ab"}, "ab", 0, 2, 2},
      {"the journal holding one of two posts the other", {"a"}, "ab", 1, 1, 2},
      {"a third look-alike after two", {"ab"}, "aba", 1, 2, 3},
      // Nothing tells them apart in the journal: the look-alike of a posted cheque is that one.
      {"another file's look-alike is the cheque imported", {"a"}, "b", 0, 1, 1},
  };
  for (int opcion : {kTerceros, kPropios}) {
    const std::string a = Cheque(opcion, "15/01/2020", "Banco Nación");
    const std::string b = Cheque(opcion, "16/01/2020", "Banco Galicia");
    auto archivo = [&](const std::string& cuales) {
      std::string contenido;
      for (char c : cuales) contenido += c == 'a' ? a : b;
      return EscribirArchivo("parecidos.csv", contenido);
    };
    const std::string numero = opcion == kTerceros ? "0012345" : "B-0012345";
    for (const Caso& c : casos) {
      SCOPED_TRACE(std::to_string(opcion) + ": " + c.nombre);
      Ejecutar("DELETE FROM MV_ASIENTOS");
      for (const std::string& antes : c.antes) Importar(opcion, archivo(antes));
      const ResumenCorrida r = Importar(opcion, archivo(c.archivo));
      EXPECT_EQ(r.registrados, c.registrados);
      EXPECT_EQ(r.yaImportados, c.yaImportados);
      EXPECT_EQ(DesenlaceDe(r), Desenlace::Completa);
      EXPECT_EQ(ContarFilas("MV_ASIENTOS", "NROCOMPROBANTEBANCARIO = '" + numero + "'"),
                c.enDiario);
      ASSERT_TRUE(r.conciliacion.cheques);
      EXPECT_EQ(r.conciliacion.cheques->numerosConDiferencia, std::vector<std::string>{});
    }
  }
}

// A look-alike not posted goes to the rejected-lines file after every look-alike the journal
// counts, wherever those stood in the file: corrected and imported, it posts exactly itself.
TEST_F(ChequesTest, ARejectedLookAlikeIsCorrectedAfterItsTwins) {
  struct Caso {
    const char* nombre;
    std::vector<std::string> lineas;  // the file; the line not posted is the one dated 2019
    std::vector<int> rechazados;      // the rejected-lines file, as lines of the file (0-based)
    std::pair<std::string, std::string> correccion;
  };
  for (int opcion : {kTerceros, kPropios}) {
    const std::string a = Cheque(opcion, "15/01/2020", "Banco Nación");
    const std::string fuera = Cheque(opcion, "15/01/2019", "Banco Galicia");
    const std::string control = Cheque(opcion, "16/01/2020", "Banco Galicia", "Co\001bro");
    const std::string otro = utilidad::ReemplazaTexto(a, "0012345", "0099999");
    const Caso casos[] = {
        {"after its twin", {a, otro, fuera}, {0, 2}, {"15/01/2019", "15/01/2020"}},
        {"before its twin", {fuera, otro, a}, {2, 0}, {"15/01/2019", "15/01/2020"}},
        {"a control character", {a, control}, {0, 1}, {"Co\001bro", "Cobro"}},
    };
    for (const Caso& c : casos) {
      SCOPED_TRACE(std::to_string(opcion) + ": " + c.nombre);
      Ejecutar("DELETE FROM MV_ASIENTOS");
      std::string contenido, esperado;
      for (const std::string& l : c.lineas) contenido += l;
      for (int i : c.rechazados) esperado += c.lineas[static_cast<size_t>(i)];
      const ResumenCorrida r = Importar(opcion, EscribirArchivo("gemelos.csv", contenido));
      ASSERT_EQ(r.noRegistradas.size(), 1u);
      EXPECT_EQ(Bytes(r.archivoRechazados), esperado);

      ASSERT_TRUE(plataforma::EscribirBytes(
          r.archivoRechazados,
          utilidad::ReemplazaTexto(esperado, c.correccion.first, c.correccion.second)));
      const ResumenCorrida corregida = Importar(opcion, r.archivoRechazados);
      EXPECT_EQ(corregida.registrados, 1);
      EXPECT_EQ(corregida.yaImportados, 1);
      EXPECT_TRUE(corregida.noRegistradas.empty());
      ASSERT_TRUE(corregida.conciliacion.cheques);
      EXPECT_TRUE(corregida.conciliacion.cheques->numerosConDiferencia.empty());
      EXPECT_EQ(ContarFilas("MV_ASIENTOS", "NROCOMPROBANTEBANCARIO LIKE '%0012345'"), 2);
    }
  }
}

}  // namespace
