#include <string>
#include <vector>

#include "import/contexto_corrida.h"
#include "tests/support/conexion_con_fallas.h"
#include "platform/dialogos.h"
#include "platform/valores.h"
#include "tests/import/ventana_modos.h"
#include "tests/support/empresa.h"

namespace {

using Filas = std::vector<std::vector<std::string>>;

constexpr int kRemitos = 5;
constexpr int kOrdenes = 6;

class PendientesTest : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    Ejecutar(
        "INSERT INTO VT_CLIENTES (Codigo, RAZON_SOCIAL) VALUES "
        "('112010007', 'Ferretería Núñez'), ('112010012', 'Taller Ñandú')");
    dialogos.ResponderSiempre("Proceso Finalizado", plataforma::vbOK);
  }

  // The pending-document modes take no counter-account: txtCuenta stays empty.
  ResumenCorrida Importar(const std::string& ruta, int opcion = kRemitos) {
    VentanaModos ventana(opcion, ruta, "");
    return EjecutarImportacion(ventana);
  }

  Filas Cabeceras() {
    return Consultar(
        "SELECT TC, IdComprobante, Cuenta, Nombre, Fecha, USUARIO, Unegocio "
        "FROM V_MV_CPTE ORDER BY IdComprobante");
  }
  Filas Tareas() {
    return Consultar("SELECT IDTAREA, DESCRIPCION FROM V_TA_TAREAS ORDER BY IDTAREA");
  }
  Filas Vinculos() {
    return Consultar(
        "SELECT TC, IdComprobante, idTarea, Descripcion FROM V_MV_CPTETAREAS "
        "ORDER BY IdComprobante, idTarea");
  }
};

TEST_F(PendientesTest, ReportBlocksGiveHeadersCatalogueAndLinks) {
  ResumenCorrida r = Importar(RutaMuestra("pendientes.csv"));

  EXPECT_TRUE(r.finalizado);
  // "rt B 0003-00000077" is a delivery note RM; a doubled blank means no letter ("X") or, after
  // a letter, a number in the fourth token.
  EXPECT_EQ(Cabeceras(), (Filas{{"OT", "000100000010X", "112010012", "Taller Ñandú",
                                 "2020-03-02 00:00:00", "OPERADOR", "   1"},
                                {"OT", "000100000011A", "112010007", "Ferretería Núñez",
                                 "2020-03-05 00:00:00", "OPERADOR", "   1"},
                                {"RM", "000300000077B", "112010007", "Ferretería Núñez",
                                 "2020-03-02 00:00:00", "OPERADOR", "   1"}}));
  EXPECT_EQ(Tareas(), (Filas{{"0101", "Cambio de aceite"},
                             {"0102", "Revisión de frenos"},
                             {"0103", "Alineación y balanceo"},
                             {"0104", "Lavado de tapizados"}}));
  EXPECT_EQ(Vinculos(), (Filas{{"OT", "000100000010X", "0101", "Cambio de aceite"},
                               {"OT", "000100000010X", "0103", "Alineación y balanceo"},
                               {"OT", "000100000011A", "0102", "Revisión de frenos"},
                               {"OT", "000100000011A", "0104", "Lavado de tapizados"},
                               {"RM", "000300000077B", "0101", "Cambio de aceite"},
                               {"RM", "000300000077B", "0102", "Revisión de frenos"}}));
  EXPECT_EQ(r.registrados, 3);
  EXPECT_EQ(r.tareasCatalogadas, 4);
  EXPECT_EQ(r.vinculosGrabados, 6);
  EXPECT_TRUE(r.errores.empty()) << r.errores.front();
}

TEST_F(PendientesTest, RunningTheFileAgainWritesNothing) {
  Importar(RutaMuestra("pendientes.csv"), kOrdenes);
  ResumenCorrida r = Importar(RutaMuestra("pendientes.csv"), kOrdenes);

  EXPECT_EQ(r.registrados, 0);
  EXPECT_EQ(r.yaImportados, 3);
  EXPECT_EQ(r.tareasCatalogadas, 0);
  EXPECT_EQ(r.vinculosGrabados, 0);
  EXPECT_EQ(ContarFilas("V_MV_CPTE"), 3);
  EXPECT_EQ(ContarFilas("V_TA_TAREAS"), 4);
  EXPECT_EQ(ContarFilas("V_MV_CPTETAREAS"), 6);
}

// A task-link check whose query fails and is ignored says nothing about the link: it is not
// written again on that word (the suite's own table may hold no key to refuse the duplicate).
TEST_F(PendientesTest, AFailedLinkCheckWritesNoLink) {
  const std::string ruta = RutaMuestra("pendientes.csv");
  Importar(ruta);
  const Filas vinculos = Vinculos();
  ASSERT_FALSE(vinculos.empty());

  auto plan = std::make_shared<ado::PlanDeFallas>();
  plan->falla = {ado::Llamada::Consulta, 1, false, ado::ErrorSimulado(), "V_MV_CPTETAREAS"};
  ado::InstalarFallas(plan);
  AbrirSesion(usuario_, administrador_);
  dialogos.ResponderSiempre("deadlock victim", plataforma::vbIgnore);
  dialogos.ResponderSiempre("recordset", plataforma::vbIgnore);
  const ResumenCorrida r = Importar(ruta);
  ado::QuitarFallas();

  EXPECT_EQ(plan->fallas, 1);
  EXPECT_TRUE(r.finalizado);
  EXPECT_TRUE(dialogos.Textos("Atención").empty());  // no refused duplicate link
  EXPECT_TRUE(r.lineasRechazadas.empty());
  EXPECT_EQ(Vinculos(), vinculos);
}

TEST_F(PendientesTest, ATaskCodeTakenByAnotherTaskGetsAFreeRandomCode) {
  Ejecutar("INSERT INTO V_TA_TAREAS (IDTAREA, DESCRIPCION) VALUES ('0101', 'Otra tarea')");
  const std::string ruta = EscribirArchivo("tomada.csv",
                                           "02/03/2020;;\r\n"
                                           "7;;rt B 0003-00000077\r\n"
                                           "0101;;Cambio de aceite\r\n"
                                           "12;;OT  0001-00000010\r\n"
                                           "0101;;Cambio de aceite\r\n");

  Importar(ruta);

  const std::string codigo =
      Valor("SELECT IDTAREA FROM V_TA_TAREAS WHERE DESCRIPCION = 'Cambio de aceite'");
  ASSERT_EQ(codigo.size(), 4u);
  EXPECT_GE(codigo, "0150");
  EXPECT_LE(codigo, "9998");
  EXPECT_EQ(ContarFilas("V_TA_TAREAS"), 2);
  // Both documents name the task by its new code; the second found it by its description.
  EXPECT_EQ(ContarFilas("V_MV_CPTETAREAS", "idTarea = '" + codigo + "'"), 2);
}

TEST_F(PendientesTest, QuotesAndShortCodesAreStoredAsTheyAreLookedUp) {
  // Customer 5 does not exist, so "5" is a task code: stored and linked as 0005.
  const std::string ruta = EscribirArchivo("comillas.csv",
                                           "02/03/2020;;\r\n"
                                           "7;;rt B 0003-00000077\r\n"
                                           "0105;;Lavado d'interior\r\n"
                                           "5;;Engrase\r\n");

  ResumenCorrida r = Importar(ruta);
  EXPECT_TRUE(dialogos.Textos("Aviso").empty());
  EXPECT_TRUE(dialogos.Textos("Aviso al Operador").empty());
  EXPECT_EQ(Tareas(), (Filas{{"0005", "Engrase"}, {"0105", "Lavado dinterior"}}));
  EXPECT_EQ(r.vinculosGrabados, 2);

  r = Importar(ruta);
  EXPECT_EQ(r.tareasCatalogadas, 0);
  EXPECT_EQ(r.vinculosGrabados, 0);
  EXPECT_EQ(ContarFilas("V_MV_CPTETAREAS"), 2);
}

TEST_F(PendientesTest, IncompleteLinesAndReferencesWriteNothing) {
  const std::string ruta = EscribirArchivo("incompletas.csv",
                                           "Cliente;Nombre;Comprobante\r\n"
                                           "02/03/2020;;\r\n"
                                           "7;;rt B 0003-00000077\r\n"
                                           "0101;;Cambio de aceite\r\n"
                                           "0106\r\n"                  // no description
                                           "12;;OT 0001-00000010\r\n"  // two tokens only
                                           "0107;;Pulido\r\n"          // its task
                                           "7\r\n"                     // no reference
                                           "0108;;Encerado\r\n");

  ResumenCorrida r = Importar(ruta);

  EXPECT_EQ(ContarFilas("V_MV_CPTE"), 1);
  EXPECT_EQ(Tareas(), (Filas{{"0101", "Cambio de aceite"}}));
  EXPECT_EQ(Vinculos(), (Filas{{"RM", "000300000077B", "0101", "Cambio de aceite"}}));
  EXPECT_EQ(r.incompletos, 5);
  ASSERT_EQ(r.errores.size(), 5u);
  EXPECT_NE(r.errores[1].find("\"OT 0001-00000010\""), std::string::npos) << r.errores[1];
}

}  // namespace
