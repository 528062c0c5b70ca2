// The connection dialog on the real toolkit: its hints in their colour, registering a
// connection on an embedded company and listing it, accepting and cancelling; and start-up
// showing it when the parameters lack the server.

#include <gtest/gtest.h>

#include <QTest>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "data/db_dll.h"
#include "tests/qt/aplicacion_qt.h"
#include "tests/support/empresa.h"
#include "ui/frm_acceso.h"
#include "ui/frm_quilma.h"
#include "ui/qt/dialogo_acceso.h"
#include "utility/utilidades.h"

namespace {

const QColor kVerde(0, 128, 0);

std::string Contenido(const std::string& ruta) {
  std::ifstream archivo(ruta, std::ios::binary);
  std::ostringstream s;
  s << archivo.rdbuf();
  return s.str();
}

void Escribir(QLineEdit* caja, const std::string& texto) {
  caja->setFocus();
  caja->selectAll();
  QTest::keyClicks(caja, QString::fromStdString(texto));
}

class AccesoTest : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    AplicacionQt();
    // Loaded and filled as the connection layer does, with no session values.
    forma.Form_Load();
    for (CajaTexto* caja :
         {&forma.TxtDbName, &forma.TxtServidor, &forma.TxtUserId, &forma.TxtUserPassword}) {
      forma.CambiarTexto(*caja, "");
    }
    forma.Visible = true;
    dialogo = std::make_unique<DialogoAcceso>(forma);
    dialogo->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialogo.get()));
  }
  void TearDown() override {
    dialogo.reset();
    PruebaEmpresa::TearDown();
  }

  frmAcceso forma;
  std::unique_ptr<DialogoAcceso> dialogo;
};

TEST_F(AccesoTest, PistasEnSuColor) {
  EXPECT_EQ(dialogo->windowTitle(), QStringLiteral("Control de Acceso"));
  EXPECT_EQ(dialogo->TxtServidor->text(),
            QStringLiteral("ingrese el nombre del servidor e instancia"));
  EXPECT_EQ(dialogo->TxtServidor->palette().color(QPalette::Text), kVerde);
  EXPECT_EQ(dialogo->TxtDbName->text(), QStringLiteral("ingrese el nombre de la base de datos"));
  EXPECT_EQ(dialogo->TxtUserPassword->echoMode(), QLineEdit::Password);
  EXPECT_EQ(dialogo->TxtPuerto->text(), QStringLiteral("1433"));
  EXPECT_EQ(dialogo->lstBases->count(), 0);  // no BASES.TXT yet
  QStringList plataformas;
  for (int i = 0; i < dialogo->CboPlataformaDB->count(); ++i) {
    plataformas << dialogo->CboPlataformaDB->itemText(i);
  }
  EXPECT_EQ(plataformas, (QStringList{"SQL Server", "ORACLE", "SQLite"}));

  // The user's hint appears when the focus enters the box; typing replaces a hint.
  EXPECT_EQ(dialogo->TxtUserId->text(), QString());
  dialogo->activateWindow();
  dialogo->TxtUserId->setFocus();
  EXPECT_EQ(dialogo->TxtUserId->text(), QStringLiteral("Ingrese el usuario"));
  EXPECT_EQ(dialogo->TxtUserId->selectedText(), QStringLiteral("Ingrese el usuario"));
  QTest::keyClicks(dialogo->TxtUserId, "ana");
  EXPECT_EQ(forma.TxtUserId.Text, "ana");

  // Clicked into rather than tabbed into: the caret lands inside the hint, which typing replaces
  // all the same.
  dialogo->TxtUserId->selectAll();
  QTest::keyClick(dialogo->TxtUserId, Qt::Key_Delete);
  ASSERT_EQ(forma.TxtUserId.Text, "");
  dialogo->TxtServidor->setFocus();
  QTest::mouseClick(dialogo->TxtUserId, Qt::LeftButton, {},
                    QPoint(dialogo->TxtUserId->width() / 3, dialogo->TxtUserId->height() / 2));
  ASSERT_EQ(dialogo->TxtUserId->text(), QStringLiteral("Ingrese el usuario"));
  EXPECT_TRUE(dialogo->TxtUserId->selectedText().isEmpty());
  QTest::keyClicks(dialogo->TxtUserId, "OPERADOR");
  EXPECT_EQ(forma.TxtUserId.Text, "OPERADOR");
  EXPECT_EQ(dialogo->TxtUserId->text(), QStringLiteral("OPERADOR"));

  // Emptying a box brings its hint back.
  Escribir(dialogo->TxtServidor, "SRV01");
  EXPECT_EQ(forma.TxtServidor.Text, "SRV01");
  dialogo->TxtServidor->selectAll();
  QTest::keyClick(dialogo->TxtServidor, Qt::Key_Delete);
  EXPECT_EQ(forma.TxtServidor.Text, "ingrese el nombre del servidor e instancia");
  EXPECT_EQ(dialogo->TxtServidor->text(),
            QStringLiteral("ingrese el nombre del servidor e instancia"));
}

TEST_F(AccesoTest, RegistraYListaLaConexion) {
  Escribir(dialogo->TxtServidor, servidor_);
  Escribir(dialogo->TxtDbName, "empresa");
  QTest::mouseClick(dialogo->CmdRegistrar, Qt::LeftButton);

  const std::string nombre = "EMPRESA / " + utilidad::Mayusculas(servidor_);
  ASSERT_EQ(dialogo->lstBases->count(), 1);
  EXPECT_EQ(dialogo->lstBases->item(0)->text().toStdString(), nombre);
  EXPECT_EQ(dialogo->lstBases->currentRow(), 0);
  EXPECT_EQ(
      Contenido(frmAcceso::RutaBases()),
      nombre + ",empresa,empresa," + utilidad::Encriptar("empresa") + "," + servidor_ + "\r\n");
  // The selected entry fills server and database and empties user and password.
  EXPECT_EQ(dialogo->TxtServidor->text().toStdString(), servidor_);
  EXPECT_EQ(dialogo->TxtDbName->text(), QStringLiteral("empresa"));
  EXPECT_EQ(dialogo->TxtUserId->text(), QString());

  // The same connection again is refused; the list keeps one entry.
  dialogos.Responder(plataforma::vbOK);
  QTest::mouseClick(dialogo->CmdRegistrar, Qt::LeftButton);
  EXPECT_EQ(dialogos.Textos("Atencion"),
            std::vector<std::string>{"La conexion que intenta registrar ya existe "});
  EXPECT_EQ(dialogo->lstBases->count(), 1);

  // A new dialog lists it from the file; a double click accepts with its data.
  frmAcceso otra;
  otra.Form_Load();
  otra.Visible = true;
  DialogoAcceso segundo(otra);
  segundo.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&segundo));
  ASSERT_EQ(segundo.lstBases->count(), 1);
  const QRect fila = segundo.lstBases->visualItemRect(segundo.lstBases->item(0));
  // A double click arrives as a click followed by the second press.
  QTest::mouseClick(segundo.lstBases->viewport(), Qt::LeftButton, {}, fila.center());
  QTest::mouseDClick(segundo.lstBases->viewport(), Qt::LeftButton, {}, fila.center());
  EXPECT_TRUE(otra.Aceptar);
  EXPECT_EQ(segundo.result(), QDialog::Accepted);
  EXPECT_FALSE(segundo.isVisible());
  EXPECT_EQ(otra.TxtDbName.Text, "empresa");
}

TEST_F(AccesoTest, AceptarYCancelar) {
  Escribir(dialogo->TxtUserId, "OPERADOR");
  QTest::mouseClick(dialogo->bcAceptar, Qt::LeftButton);
  EXPECT_TRUE(forma.Aceptar);
  EXPECT_EQ(dialogo->result(), QDialog::Accepted);
  EXPECT_FALSE(dialogo->isVisible());
  EXPECT_EQ(forma.TxtUserId.Text, "OPERADOR");

  // Escape closes as "Cancelar".
  forma.Visible = true;
  dialogo->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(dialogo.get()));
  QTest::keyClick(dialogo.get(), Qt::Key_Escape);
  EXPECT_FALSE(forma.Aceptar);
  EXPECT_EQ(dialogo->result(), QDialog::Rejected);
  EXPECT_FALSE(dialogo->isVisible());
}

// Start-up without a server shows the dialog; what the operator types there connects the
// session, and cancelling it ends the program before the window appears.
class InicioConDialogoTest : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    AplicacionQt();
    DB().gCnn->Close();
    InstalarDialogoConexion(&vista);
  }
  void TearDown() override {
    InstalarDialogoConexion(nullptr);
    PruebaEmpresa::TearDown();
  }
  VistaAccesoQt vista;
  FrmQUILMA frm;
};

TEST_F(InicioConDialogoTest, CancelarTerminaSinVentana) {
  AlMostrarseModal([](QWidget* modal) {
    auto* dialogo = qobject_cast<DialogoAcceso*>(modal);
    ASSERT_NE(dialogo, nullptr);
    QTest::mouseClick(dialogo->bcCancelar, Qt::LeftButton);
  });
  EXPECT_FALSE(frm.Form_Load());
}

TEST_F(InicioConDialogoTest, AceptarConectaConLoEscrito) {
  // The company's operator; the password of the embedded engine is not checked.
  AlMostrarseModal([this](QWidget* modal) {
    auto* dialogo = qobject_cast<DialogoAcceso*>(modal);
    ASSERT_NE(dialogo, nullptr);
    Escribir(dialogo->TxtServidor, servidor_);
    Escribir(dialogo->TxtDbName, base_);
    Escribir(dialogo->TxtUserId, usuario_);
    Escribir(dialogo->TxtUserPassword, "x");
    QTest::mouseClick(dialogo->bcAceptar, Qt::LeftButton);
  });
  dialogos.ResponderSiempre("", plataforma::vbOK);  // start-up's own notices, if any
  EXPECT_TRUE(frm.Form_Load());
  EXPECT_EQ(DB().gDBName, base_);
  EXPECT_EQ(DB().gCnn->State(), ado::adStateOpen);
}

}  // namespace
