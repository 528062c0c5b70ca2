#include "import/lista_precios.h"

#include <string>
#include <vector>

#include "platform/dialogos.h"
#include "platform/valores.h"
#include "tests/import/ventana_modos.h"
#include "tests/support/empresa.h"

namespace {

using Filas = std::vector<std::vector<std::string>>;

class ListaPreciosTest : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    Ejecutar(
        "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES "
        "('112010005', 'PEREZ JUAN', 0), ('112010006', 'GOMEZ  ANA', 0),"
        " ('112010008', 'MUÑOZ JOSÉ', 0), ('112010009', 'IBÁÑEZ RAÚL', 0)");
    Ejecutar(
        "INSERT INTO MA_CUENTASADIC (CODIGO, CLASE) VALUES ('112010005', 1),"
        " ('112010006', 1), ('112010008', 1), ('112010009', 5)");
    dialogos.ResponderSiempre("", plataforma::vbOK);
  }

  Filas Clases() { return Consultar("SELECT CODIGO, CLASE FROM MA_CUENTASADIC ORDER BY CODIGO"); }

  // The message boxes the tool showed, in order.
  std::vector<std::string> Mensajes() {
    std::vector<std::string> textos;
    for (const auto& d : dialogos.Transcripcion()) textos.push_back(d.texto);
    return textos;
  }
};

TEST_F(ListaPreciosTest, ClassesAreWrittenByCustomerName) {
  ResumenLista r = CmdEjecutarLista_Click(RutaMuestra("lista_precios.txt"));

  EXPECT_TRUE(r.finalizado);
  EXPECT_EQ(Mensajes(), std::vector<std::string>{"FINALIZADO"});
  // GOMEZ's name carries a trailing blank in the file; MUÑOZ's class is empty.
  EXPECT_EQ(
      Clases(),
      (Filas{{"112010005", "3"}, {"112010006", "2"}, {"112010008", "1"}, {"112010009", "1"}}));
  EXPECT_EQ(r.clasesActualizadas, 3);
  EXPECT_EQ(r.nombresNoEncontrados, 1);
}

TEST_F(ListaPreciosTest, AnAccountWithoutAdditionalDataIsNotCountedAsUpdated) {
  Ejecutar("DELETE FROM MA_CUENTASADIC WHERE CODIGO = '112010006'");

  ResumenLista r = CmdEjecutarLista_Click(RutaMuestra("lista_precios.txt"));

  EXPECT_TRUE(r.finalizado);
  EXPECT_EQ(r.clasesActualizadas, 2);
  EXPECT_EQ(r.sinDatosAdicionales, 1);
  // Neither that account nor the name without one is a difference: the tool said so.
  ASSERT_EQ(r.conciliacion.items.size(), 1u);
  EXPECT_EQ(r.conciliacion.items[0].noRegistrados, 2);
  EXPECT_TRUE(DiferenciasConciliacion(r.conciliacion).empty());
}

TEST_F(ListaPreciosTest, ALineWithThreeFieldsEndsTheToolAfterTheLinesBefore) {
  const std::string ruta = EscribirArchivo(
      "corta.txt", "1\t2\tPEREZ JUAN\t3\r\n2\t2\tGOMEZ  ANA\r\n3\t2\tMUÑOZ JOSÉ\t4\r\n");

  ResumenLista r = CmdEjecutarLista_Click(ruta);

  EXPECT_FALSE(r.finalizado);
  ASSERT_EQ(Mensajes().size(), 1u);
  EXPECT_EQ(Mensajes()[0].rfind("ERROR DETECTADO 9 ", 0), 0u) << Mensajes()[0];
  EXPECT_EQ(
      Clases(),
      (Filas{{"112010005", "3"}, {"112010006", "1"}, {"112010008", "1"}, {"112010009", "5"}}));
}

// Blank lines (an editor's last line, a line of tabs) name no customer: passed over.
TEST_F(ListaPreciosTest, BlankLinesArePassedOver) {
  const std::string ruta = EscribirArchivo(
      "blancas.txt", "1\t2\tPEREZ JUAN\t3\r\n\r\n\t\t\r\n2\t2\tGOMEZ  ANA\t2\r\n\r\n");

  ResumenLista r = CmdEjecutarLista_Click(ruta);

  EXPECT_TRUE(r.finalizado);
  EXPECT_EQ(Mensajes(), std::vector<std::string>{"FINALIZADO"});
  EXPECT_EQ(r.clasesActualizadas, 2);
}

TEST_F(ListaPreciosTest, AClassThatIsNotANumberStopsTheToolBeforeItsUpdate) {
  const std::string ruta =
      EscribirArchivo("clase.txt",
                      "Cliente\tLista\tNombre\tClase\r\n"  // a heading: no account has that name
                      "1\t2\tPEREZ JUAN\t3\r\n"
                      "2\t2\tGOMEZ  ANA\t1; DELETE FROM MA_CUENTASADIC\r\n"
                      "3\t2\tMUÑOZ JOSÉ\t4\r\n");

  ResumenLista r = CmdEjecutarLista_Click(ruta);

  EXPECT_FALSE(r.finalizado);
  ASSERT_EQ(Mensajes().size(), 1u);
  EXPECT_NE(Mensajes()[0].find("Línea 3"), std::string::npos) << Mensajes()[0];
  EXPECT_NE(Mensajes()[0].find("\"1; DELETE FROM MA_CUENTASADIC\""), std::string::npos);
  EXPECT_EQ(
      Clases(),
      (Filas{{"112010005", "3"}, {"112010006", "1"}, {"112010008", "1"}, {"112010009", "5"}}));
}

// The reconciliation finds each name as the tool's lookup did: letter case, accents and the
// blanks around aside; a name no account has is still missing.
TEST_F(ListaPreciosTest, TheReconciliationComparesNamesAsTheLookupDoes) {
  const std::string ruta = EscribirArchivo("acentos.txt",
                                           "1\t2\tpérez juan\t3\r\n"
                                           "2\t2\t Gómez  Ana \t2\r\n"
                                           "3\t2\tMuñoz Jose\t4\r\n"
                                           "4\t2\tibañez raul\t6\r\n"
                                           "5\t2\tCLIENTE SIN CUENTA\t7\r\n");

  const ResumenLista r = CmdEjecutarLista_Click(ruta);

  EXPECT_EQ(r.clasesActualizadas, 4);
  EXPECT_EQ(
      Clases(),
      (Filas{{"112010005", "3"}, {"112010006", "2"}, {"112010008", "4"}, {"112010009", "6"}}));
  ASSERT_EQ(r.conciliacion.items.size(), 1u);
  EXPECT_EQ(r.conciliacion.items[0].hallados, 4);
  // The name the tool reported not found is counted apart, not as a difference.
  EXPECT_EQ(r.conciliacion.items[0].noRegistrados, 1);
  EXPECT_TRUE(r.conciliacion.items[0].faltantes.empty());
  EXPECT_TRUE(DiferenciasConciliacion(r.conciliacion).empty());
}

TEST_F(ListaPreciosTest, FailuresEndTheToolWithTheirMessage) {
  // No file named: the open fails.
  ResumenLista r = CmdEjecutarLista_Click("");
  EXPECT_FALSE(r.finalizado);
  ASSERT_EQ(Mensajes().size(), 1u);
  EXPECT_EQ(Mensajes()[0].rfind("ERROR DETECTADO ", 0), 0u) << Mensajes()[0];

  // The database refuses the update: its description is shown and nothing else is sent.
  Ejecutar("DROP TABLE MA_CUENTASADIC");
  r = CmdEjecutarLista_Click(RutaMuestra("lista_precios.txt"));
  EXPECT_FALSE(r.finalizado);
  EXPECT_EQ(r.clasesActualizadas, 0);
  ASSERT_EQ(Mensajes().size(), 2u);
  EXPECT_NE(Mensajes()[1].find("MA_CUENTASADIC"), std::string::npos) << Mensajes()[1];
}

}  // namespace
