// The message boxes of the style numbers on the real toolkit: buttons, icon, default button,
// the answer code of the button pressed, and texts shown as plain text with their line ends.

#include "ui/qt/dialogos_qt.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <string>

#include "tests/qt/aplicacion_qt.h"
#include "ui/qt/traduccion.h"

namespace {

using namespace plataforma;
using Boton = QMessageBox::StandardButton;

TEST(DialogosQtTest, BotonesIconoYRespuesta) {
  AplicacionQt();
  struct Caso {
    int estilo;
    QMessageBox::StandardButtons botones;
    QMessageBox::Icon icono;
    Boton porDefecto;
    Boton pulsado;  // NoButton: Escape
    int respuesta;
  };
  const Caso casos[] = {
      {vbOKOnly, QMessageBox::Ok, QMessageBox::NoIcon, QMessageBox::Ok, QMessageBox::Ok, vbOK},
      {vbOKCancel + vbQuestion, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Question,
       QMessageBox::Ok, QMessageBox::Cancel, vbCancel},
      {vbAbortRetryIgnore + vbCritical,
       QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore, QMessageBox::Critical,
       QMessageBox::Abort, QMessageBox::Retry, vbRetry},
      {vbAbortRetryIgnore + vbCritical,
       QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore, QMessageBox::Critical,
       QMessageBox::Abort, QMessageBox::Ignore, vbIgnore},
      {vbAbortRetryIgnore + vbCritical,
       QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore, QMessageBox::Critical,
       QMessageBox::Abort, QMessageBox::NoButton, vbAbort},
      {vbYesNoCancel + vbExclamation, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
       QMessageBox::Warning, QMessageBox::Yes, QMessageBox::No, vbNo},
      {vbYesNo + vbInformation + 256, QMessageBox::Yes | QMessageBox::No, QMessageBox::Information,
       QMessageBox::No, QMessageBox::Yes, vbYes},
      {vbRetryCancel, QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::NoIcon,
       QMessageBox::Retry, QMessageBox::NoButton, vbCancel},
  };
  DialogosQt dialogos;
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.estilo);
    SCOPED_TRACE(static_cast<int>(c.pulsado));
    bool revisado = false;
    AlMostrarseModal([&](QWidget* modal) {
      auto* caja = qobject_cast<QMessageBox*>(modal);
      ASSERT_NE(caja, nullptr);
      EXPECT_EQ(caja->standardButtons(), c.botones);
      EXPECT_EQ(caja->icon(), c.icono);
      EXPECT_EQ(static_cast<QAbstractButton*>(caja->defaultButton()), caja->button(c.porDefecto));
      EXPECT_EQ(caja->windowTitle(), QStringLiteral("Aviso al Usuario"));
      revisado = true;
      if (c.pulsado == QMessageBox::NoButton) {
        QTest::keyClick(caja, Qt::Key_Escape);
      } else {
        caja->button(c.pulsado)->click();
      }
    });
    EXPECT_EQ(dialogos.MsgBox("texto", c.estilo, "Aviso al Usuario"), c.respuesta);
    EXPECT_TRUE(revisado);
  }
}

// The program's own message boxes speak Spanish down to Qt's standard buttons.
// IMPORTADOR_CAPTURAS=<folder> saves the box as dialogo_es.png.
TEST(DialogosQtTest, LosBotonesDeQtEnEspanol) {
  ASSERT_TRUE(InstalarTraduccionQt(AplicacionQt())) << "no Spanish Qt translation installed";
  DialogosQt dialogos;
  QStringList textos;
  AlMostrarseModal([&](QWidget* modal) {
    auto* caja = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(caja, nullptr);
    for (QAbstractButton* boton : caja->buttons()) textos << boton->text().remove('&');
    if (const QByteArray carpeta = qgetenv("IMPORTADOR_CAPTURAS"); !carpeta.isEmpty()) {
      caja->grab().save(QString::fromLocal8Bit(carpeta) + "/dialogo_es.png");
    }
    caja->button(QMessageBox::Ignore)->click();
  });
  EXPECT_EQ(dialogos.MsgBox("No se puede abrir el archivo saldos.txt",
                            vbAbortRetryIgnore + vbCritical, "Aviso al Usuario"),
            vbIgnore);
  textos.sort();
  EXPECT_EQ(textos.join(',').toStdString(), "Ignorar,Interrumpir,Reintentar");
}

TEST(DialogosQtTest, TextoPlanoConSusSaltosDeLinea) {
  AplicacionQt();
  QMessageBox* caja = CrearMensaje("SQL Server start failed.  \rSQL-DMO error:  <b>1</b>\r\nfin",
                                   vbOKOnly, "", nullptr);
  EXPECT_EQ(caja->textFormat(), Qt::PlainText);
  EXPECT_EQ(caja->text(),
            QStringLiteral("SQL Server start failed.  \nSQL-DMO error:  <b>1</b>\nfin"));
  EXPECT_EQ(caja->windowTitle(), QCoreApplication::applicationName());  // no title given
  delete caja;
}

}  // namespace
