// The import window's handlers: the execute button follows the path, the options propose their
// counter-accounts, the browse buttons write what the dialog returns.

#include "ui/frm_quilma.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/support/empresa.h"

namespace {

class FrmQuilmaTest : public PruebaEmpresa {
 protected:
  FrmQUILMA frm;
};

TEST_F(FrmQuilmaTest, EjecutarSoloConUnArchivoLegible) {
  EXPECT_FALSE(frm.cmdEjecutarHabilitado());
  EXPECT_EQ(frm.txtConcepto(), "Saldos Iniciales: Importación");
  EXPECT_EQ(frm.OpcionSeleccionada(), -1);

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

}  // namespace
