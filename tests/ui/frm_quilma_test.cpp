// The import window's handlers: the execute button follows the path, the options propose their
// counter-accounts, the browse buttons write what the dialog returns.

#include "ui/frm_quilma.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "data/bloqueo_importacion.h"
#include "tests/support/empresa.h"
#include "ui/vista_quilma.h"

namespace {

class FrmQuilmaTest : public PruebaEmpresa {
 protected:
  FrmQUILMA frm;
};

TEST_F(FrmQuilmaTest, EjecutarSoloConUnArchivoLegible) {
  EXPECT_FALSE(frm.cmdEjecutarHabilitado());
  EXPECT_EQ(frm.txtConcepto(), "Saldos Iniciales: Importación");
  EXPECT_EQ(frm.OpcionSeleccionada(), -1);
  EXPECT_FALSE(frm.chkEnsayo());

  const std::string ruta = EscribirArchivo("saldos.txt", "x");
  struct Caso {
    std::string texto;
    bool habilitado;
  };
  const Caso casos[] = {
      {ruta, true},
      {ruta + "x", false},
      {"\"" + ruta + "\"", true},  // as copied from a file manager
      {carpeta_, false},           // a folder
      {"", false},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.texto);
    frm.SetTxtRuta(c.texto);
    EXPECT_EQ(frm.cmdEjecutarHabilitado(), c.habilitado);
    EXPECT_EQ(frm.txtRuta(), c.texto);
  }
}

TEST_F(FrmQuilmaTest, OpcionesProponenLaContrapartida) {
  frm.SetTxtCuenta("999");
  frm.optOpcion_Click(4);
  EXPECT_EQ(frm.txtCuenta(), "111020001");
  frm.optOpcion_Click(5);
  EXPECT_EQ(frm.txtCuenta(), "111020001");
  EXPECT_EQ(frm.OpcionSeleccionada(), 5);

  const std::pair<int, const char*> fijas[] = {{1, "13101"}, {2, "21105"}, {3, "111010002"}};
  for (const auto& [opcion, cuenta] : fijas) {
    frm.optOpcion_Click(opcion);
    EXPECT_EQ(frm.txtCuenta(), cuenta);
  }

  // Option 0 takes the configuration value; an absent key gives one blank.
  frm.optOpcion_Click(0);
  EXPECT_EQ(frm.txtCuenta(), " ");
  Ejecutar(
      "INSERT INTO TA_CONFIGURACION (Clave, Valor) VALUES ('CUENTAVENTASDEFAULTINS', "
      "'41101')");
  frm.optOpcion_Click(0);
  EXPECT_EQ(frm.txtCuenta(), "41101");
}

TEST_F(FrmQuilmaTest, ExaminarEscribeLoQueDevuelveElDialogo) {
  const std::string ruta = EscribirArchivo("saldos.txt", "x");
  dialogos.ResponderTexto(ruta);
  frm.cmdExaminar_Click();
  EXPECT_EQ(frm.txtRuta(), ruta);
  EXPECT_TRUE(frm.cmdEjecutarHabilitado());

  dialogos.ResponderTexto("");  // cancelled
  frm.cmdExaminar_Click();
  EXPECT_EQ(frm.txtRuta(), "");
  EXPECT_FALSE(frm.cmdEjecutarHabilitado());

  dialogos.ResponderTexto(ruta);
  frm.CmdLista_Click();
  EXPECT_EQ(frm.TxtLista(), ruta);
}

// A view that lets the test act as the operator each time the run yields to the interface.
class VistaConOperador : public VistaQuilma {
 public:
  void DibujaProgreso(double, uint32_t, const std::string&) override {}
  void HacerEventos() override {
    ++eventos;
    if (alCederLinea) alCederLinea(eventos);
  }
  int eventos = 0;
  std::function<void(int)> alCederLinea;
};

// During a run the mode, path, account and list hold still whatever the operator does, the run
// posts to the account checked at its start, and "Detener" ends it cleanly after the line.
TEST_F(FrmQuilmaTest, LaCorridaNoCambiaYSeDetieneDespuesDeLaLinea) {
  Ejecutar(
      "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES ('11101', 'Caja', 0), "
      "('112010123', 'Panaderia', 0)");
  AgregarEjercicio(2020);
  std::string contenido = "Cliente: 123\r\n";
  for (int n = 1; n <= 5; ++n) {
    std::vector<std::string> c(38);
    c[0] = "15/01/2020";
    c[4] = "REC X 0001-" + std::to_string(n);
    c[13] = "15/02/2020";
    c[37] = "10";
    for (size_t i = 0; i < c.size(); ++i) contenido += (i ? ";" : "") + c[i];
    contenido += "\r\n";
  }
  const std::string ruta = EscribirArchivo("saldos.txt", contenido);
  frm.optOpcion_Click(0);
  frm.SetTxtCuenta("11101");
  frm.SetTxtRuta(ruta);

  VistaConOperador vista;
  vista.alCederLinea = [&](int evento) {
    frm.SetTxtCuenta("9" + std::to_string(evento));
    frm.optOpcion_Click(3);
    frm.SetTxtRuta(ruta + "x");
    frm.SetTxtLista("lista.txt");
    frm.SetChkEnsayo(true);
    if (evento == 3) frm.Detener();
  };
  frm.EstablecerVista(&vista);
  dialogos.Responder(plataforma::vbOK);
  frm.cmdEjecutar_Click();
  frm.EstablecerVista(nullptr);

  const ResumenCorrida& r = frm.UltimaCorrida();
  EXPECT_FALSE(r.finalizado);
  ASSERT_GT(r.detenidoEnLinea, 0);
  EXPECT_LT(r.detenidoEnLinea, 6);
  EXPECT_EQ(r.registrados, r.detenidoEnLinea - 1);  // the header line posts nothing
  EXPECT_EQ(ContarFilas("MV_ASIENTOS", "Secuencia = 2 AND Cuenta <> '11101'"), 0);
  EXPECT_EQ(dialogos.Textos("Aviso al Usuario"),
            std::vector<std::string>{"Proceso detenido por el operador después de la línea " +
                                     std::to_string(r.detenidoEnLinea) + " de 6"});
  EXPECT_NE(TextoResumen(r).find("Detenido por el operador después de la línea"),
            std::string::npos);
  EXPECT_EQ(frm.txtCuenta(), "11101");
  EXPECT_EQ(frm.OpcionSeleccionada(), 0);
  EXPECT_EQ(frm.txtRuta(), ruta);
  EXPECT_EQ(frm.TxtLista(), "");
  EXPECT_FALSE(frm.chkEnsayo());
  // The run left the company free, and the next press runs the rest of the file.
  std::string ocupante;
  BloqueoImportacion bloqueo;
  EXPECT_TRUE(bloqueo.Tomar("prueba", ruta, ocupante)) << ocupante;
  bloqueo.Liberar();
  dialogos.Responder(plataforma::vbOK);
  frm.cmdEjecutar_Click();
  EXPECT_TRUE(frm.UltimaCorrida().finalizado);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS", "Secuencia = 1"), 5);
}

// An own-cheque run writes each cheque's description into the concept box; once it is over the
// box shows the operator's concept again, and the next run posts that one.
TEST_F(FrmQuilmaTest, ElConceptoDelOperadorVuelveDespuesDeLosChequesPropios) {
  Ejecutar(
      "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES ('11101', 'Caja', 0), "
      "('112010123', 'Panaderia', 0), ('111020001', 'Banco', 0), ('511', 'Apertura', 0)");
  AgregarEjercicio(2020);
  frm.SetTxtConcepto("Apertura del operador");
  frm.optOpcion_Click(4);
  frm.SetTxtRuta(EscribirArchivo("propios.csv",
                                 "15/01/2020;Pago proveedor;Banco;15/02/2020;0012345;1500,00\r\n"));
  dialogos.ResponderSiempre("Proceso Finalizado", plataforma::vbOK);
  frm.cmdEjecutar_Click();
  ASSERT_TRUE(frm.UltimaCorrida().finalizado);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS", "Detalle = 'Pago proveedor'"), 2);
  EXPECT_EQ(frm.txtConcepto(), "Apertura del operador");

  std::vector<std::string> c(38);
  c[0] = "15/01/2020";
  c[4] = "REC X 0001-1";
  c[13] = "15/02/2020";
  c[37] = "10";
  std::string linea;
  for (size_t i = 0; i < c.size(); ++i) linea += (i ? ";" : "") + c[i];
  frm.optOpcion_Click(0);
  frm.SetTxtCuenta("11101");
  frm.SetTxtRuta(EscribirArchivo("saldos.txt", "Cliente: 123\r\n" + linea + "\r\n"));
  frm.cmdEjecutar_Click();
  ASSERT_TRUE(frm.UltimaCorrida().finalizado);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS", "TC = 'CB' AND Detalle = 'Apertura del operador'"), 2);
  EXPECT_EQ(frm.txtConcepto(), "Apertura del operador");
}

}  // namespace
