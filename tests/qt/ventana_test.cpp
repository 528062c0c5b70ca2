// The import window on the real toolkit: its layout and tab order, "Ejecutar" following the
// typed path, the counter-accounts the options propose, and a run started from the window on
// an embedded company with its progress bar drawn per line.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QMessageBox>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "data/valores_sesion.h"
#include "tests/qt/aplicacion_qt.h"
#include "tests/support/empresa.h"
#include "ui/frm_quilma.h"
#include "ui/qt/dialogos_qt.h"
#include "ui/qt/ventana_importacion.h"

namespace {

using plataforma::vbOK;

// A voucher line of the customer balances (38 columns).
std::string Comprobante(const std::string& cpte, const std::string& importe) {
  std::vector<std::string> c(38);
  c[0] = "15/01/2020";
  c[4] = cpte;
  c[13] = "15/02/2020";
  c[37] = importe;
  std::string linea;
  for (size_t i = 0; i < c.size(); ++i) linea += (i ? ";" : "") + c[i];
  return linea + "\r\n";
}

class VentanaTest : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    AplicacionQt();
    ventana = std::make_unique<VentanaImportacion>(frm);
    ventana->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(ventana.get()));
  }
  void TearDown() override {
    ventana.reset();
    PruebaEmpresa::TearDown();
  }

  // Replaces the text of a box as the operator does: select all, type.
  static void Escribir(QLineEdit* caja, const std::string& texto) {
    caja->setFocus();
    caja->selectAll();
    QTest::keyClick(caja, Qt::Key_Delete);
    QTest::keyClicks(caja, QString::fromStdString(texto));
  }
  void Elegir(int opcion) {
    QRadioButton* boton = ventana->optOpcion[opcion];
    QTest::mouseClick(boton, Qt::LeftButton, {}, QPoint(6, boton->height() / 2));
  }

  // Customer 123 and the counter-account 11101, with the fiscal year 2020.
  void EmpresaDelCliente() {
    Ejecutar(
        "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES ('11101', 'Caja', 0), "
        "('112010123', 'Panaderia La Espiga', 0)");
    AgregarEjercicio(2020);
  }
  // Customer balances to 11101 from `ruta`, typed into the window as the operator does.
  void PrepararSaldos(const std::string& ruta) {
    Elegir(0);
    Escribir(ventana->txtCuenta, "11101");
    Escribir(ventana->txtRuta, ruta);
  }

  FrmQUILMA frm;
  std::unique_ptr<VentanaImportacion> ventana;
};

TEST_F(VentanaTest, DisposicionYOrdenDeTabulacion) {
  EXPECT_EQ(ventana->windowTitle(), QStringLiteral("IMPORTACIÓN DE SALDOS INCIALES"));
  EXPECT_EQ(ventana->size(), QSize(611, 342));  // 9165 x 5130 twips
  EXPECT_EQ(ventana->minimumSize(), ventana->maximumSize());
  EXPECT_EQ(ventana->cmdEjecutar->geometry(), QRect(424, 268, 101, 71));
  EXPECT_EQ(ventana->txtRuta->geometry(), QRect(62, 195, 378, 20));
  EXPECT_FALSE(ventana->cmdEjecutar->isEnabled());
  EXPECT_EQ(ventana->cmdEjecutar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
  EXPECT_FALSE(ventana->cmdEjecutar->icon().isNull());
  EXPECT_FALSE(ventana->windowIcon().isNull());
  EXPECT_EQ(ventana->txtConcepto->text(), QStringLiteral("Saldos Iniciales: Importación"));
  for (QRadioButton* opcion : ventana->optOpcion) EXPECT_FALSE(opcion->isChecked());

  // The price-list row lies below the client area, yet Tab reaches it after the concept.
  for (QWidget* fila : std::initializer_list<QWidget*>{
           ventana->Label7, ventana->TxtLista, ventana->CmdLista, ventana->CmdEjecutarLista}) {
    EXPECT_GE(fila->geometry().top(), ventana->height()) << fila->objectName().toStdString();
  }
  ventana->activateWindow();
  ventana->txtRuta->setFocus();
  const std::vector<QWidget*> esperado = {
      ventana->cmdExaminar, ventana->txtCuenta, ventana->chkEnsayo, ventana->cmdEjecutar,
      ventana->txtConcepto, ventana->CmdLista,  ventana->TxtLista,  ventana->CmdEjecutarLista};
  ventana->cmdEjecutar->setEnabled(true);  // a disabled button takes no focus
  for (QWidget* siguiente : esperado) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), siguiente) << siguiente->objectName().toStdString();
  }
}

// At the old system's font, the platform's default one and a larger one, no caption is cut off
// and none runs into the control on its right.
TEST_F(VentanaTest, CadaLeyendaCabeEnSuControl) {
  QFont grande = QApplication::font();
  grande.setPointSizeF(grande.pointSizeF() * 1.5);
  for (const QFont& letra : {ventana->font(), QApplication::font(), grande}) {
    ventana->setFont(letra);
    const auto controles = ventana->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* control : controles) {
      const auto* etiqueta = qobject_cast<QLabel*>(control);
      if (etiqueta && etiqueta->wordWrap()) continue;
      if (!etiqueta && !qobject_cast<QRadioButton*>(control) &&
          !qobject_cast<QCheckBox*>(control)) {
        continue;
      }
      const std::string donde = control->objectName().toStdString() + " at " +
                                letra.family().toStdString() + " " +
                                std::to_string(letra.pointSizeF());
      EXPECT_LE(control->sizeHint().width(), control->width()) << donde;
      for (QWidget* otro : controles) {
        const QRect a = control->geometry(), b = otro->geometry();
        if (otro != control && b.left() > a.left() && b.top() < a.bottom() &&
            b.bottom() > a.top()) {
          EXPECT_LT(a.right(), b.left())
              << donde << " runs into " << otro->objectName().toStdString();
        }
      }
    }
  }
}

TEST_F(VentanaTest, EjecutarSigueLaRutaEscrita) {
  const std::string ruta = EscribirArchivo("saldos.txt", "x");
  Escribir(ventana->txtRuta, ruta);
  EXPECT_TRUE(ventana->cmdEjecutar->isEnabled());
  QTest::keyClicks(ventana->txtRuta, "x");
  EXPECT_FALSE(ventana->cmdEjecutar->isEnabled());
  QTest::keyClick(ventana->txtRuta, Qt::Key_Backspace);
  EXPECT_TRUE(ventana->cmdEjecutar->isEnabled());

  Escribir(ventana->txtRuta, "\"" + ruta + "\"");  // as copied from a file manager
  EXPECT_TRUE(ventana->cmdEjecutar->isEnabled());
  EXPECT_EQ(frm.txtRuta(), "\"" + ruta + "\"");
  Escribir(ventana->txtRuta, carpeta_);  // a folder
  EXPECT_FALSE(ventana->cmdEjecutar->isEnabled());

  // "..." writes what the open-file dialog returns, a cancel's empty text included.
  dialogos.ResponderTexto(ruta);
  QTest::mouseClick(ventana->cmdExaminar, Qt::LeftButton);
  EXPECT_EQ(ventana->txtRuta->text().toStdString(), ruta);
  EXPECT_TRUE(ventana->cmdEjecutar->isEnabled());
  dialogos.ResponderTexto("");
  QTest::mouseClick(ventana->cmdExaminar, Qt::LeftButton);
  EXPECT_EQ(ventana->txtRuta->text(), QString());
  EXPECT_FALSE(ventana->cmdEjecutar->isEnabled());
}

TEST_F(VentanaTest, OpcionesProponenLaContrapartida) {
  Escribir(ventana->txtCuenta, "999");
  EXPECT_EQ(frm.txtCuenta(), "999");
  Elegir(4);
  EXPECT_EQ(ventana->txtCuenta->text(), QStringLiteral("111020001"));
  Elegir(5);  // "Remitos Pendientes de Facturar" keeps it
  EXPECT_EQ(ventana->txtCuenta->text(), QStringLiteral("111020001"));
  EXPECT_EQ(frm.OpcionSeleccionada(), 5);

  const std::pair<int, const char*> fijas[] = {{1, "13101"}, {2, "21105"}, {3, "111010002"}};
  for (const auto& [opcion, cuenta] : fijas) {
    Elegir(opcion);
    EXPECT_EQ(ventana->txtCuenta->text().toStdString(), cuenta);
  }
  Elegir(6);
  EXPECT_EQ(ventana->txtCuenta->text(), QStringLiteral("111010002"));

  Elegir(0);  // no CUENTAVENTASDEFAULTINS in the configuration: one blank
  EXPECT_EQ(ventana->txtCuenta->text(), QStringLiteral(" "));
  Ejecutar(
      "INSERT INTO TA_CONFIGURACION (Clave, Valor) VALUES ('CUENTAVENTASDEFAULTINS', "
      "'41101')");
  Elegir(1);
  Elegir(0);
  EXPECT_EQ(ventana->txtCuenta->text(), QStringLiteral("41101"));
}

TEST_F(VentanaTest, CorridaDesdeLaVentanaConSuBarra) {
  gCantidadDecimales = "2";
  EmpresaDelCliente();
  const std::string ruta =
      EscribirArchivo("saldos.txt", "Cliente: 123;;Panaderia La Espiga" + std::string(35, ';') +
                                        "\r\n" + Comprobante("FC A 0001-00001500", "1500,00") +
                                        Comprobante("FC A 0001-00001501", "250,00") +
                                        Comprobante("NC A 0001-00000010", "-200,00"));

  std::vector<double> porcentajes;
  std::vector<QString> textos;
  QImage barraAMitad;
  bool cerroDuranteLaCorrida = true;
  std::vector<bool> habilitadosAMitad;
  QString botonAMitad;
  QObject::connect(ventana->picStatus, &PicStatus::Dibujado,
                   [&](double porcentaje, const QString& texto) {
                     porcentajes.push_back(porcentaje);
                     textos.push_back(texto);
                     if (porcentaje == 50) {
                       barraAMitad = ventana->picStatus->grab().toImage();
                       QWidget* quietos[] = {ventana->txtRuta,      ventana->cmdExaminar,
                                             ventana->txtCuenta,    ventana->txtConcepto,
                                             ventana->optOpcion[3], ventana->CmdEjecutarLista};
                       for (QWidget* w : quietos) habilitadosAMitad.push_back(w->isEnabled());
                       botonAMitad = ventana->cmdEjecutar->text();
                       dialogos.Responder(plataforma::vbNo);  // "¿Detenerla ...?" No
                       cerroDuranteLaCorrida = ventana->close();
                     }
                   });

  PrepararSaldos(ruta);
  dialogos.ResponderSiempre("Proceso Finalizado", vbOK);
  dialogos.ResponderSiempre("Resultado: ", vbOK);
  QTest::mouseClick(ventana->cmdEjecutar, Qt::LeftButton);

  ASSERT_EQ(dialogos.Textos("Resumen de la importación").size(), 1u);
  EXPECT_NE(dialogos.Textos("Resumen de la importación")[0].find("Registrados: 3"),
            std::string::npos);
  EXPECT_EQ(dialogos.Textos("Aviso al Usuario"),
            (std::vector<std::string>{
                "Hay una importación en curso.\r\n¿Detenerla después de la línea actual?",
                "Proceso Finalizado!!!"}));
  EXPECT_EQ(habilitadosAMitad, std::vector<bool>(6, false));
  EXPECT_EQ(botonAMitad, QStringLiteral("Detener"));
  EXPECT_TRUE(ventana->txtCuenta->isEnabled());
  EXPECT_EQ(ventana->cmdEjecutar->text(), QStringLiteral("Ejecutar"));
  EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 6);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS", "Cuenta = '112010123'"), 3);
  EXPECT_EQ(porcentajes, (std::vector<double>{25, 50, 75, 100}));
  EXPECT_EQ(textos, (std::vector<QString>{" 25%", " 50%", " 75%", " 100%"}));
  EXPECT_FALSE(cerroDuranteLaCorrida);  // the window stays while the run yields to events
  EXPECT_TRUE(ventana->isVisible());
  // The controls keep their contents for another run; the summary is at hand.
  EXPECT_EQ(ventana->txtRuta->text().toStdString(), ruta);
  EXPECT_TRUE(ventana->cmdEjecutar->isEnabled());
  EXPECT_NE(ventana->picStatus->toolTip().indexOf("Registrados: 3"), -1);

  // At 50% the left half is the blue bar, the right half the white box; the text is drawn
  // dark on white and, under the bar, yellow (not-xor of blue over dark ink).
  ASSERT_FALSE(barraAMitad.isNull());
  const int alto = barraAMitad.height();
  const int ancho = barraAMitad.width();
  EXPECT_EQ(barraAMitad.pixelColor(ancho / 10, alto / 6), QColor(0, 0, 255));
  EXPECT_EQ(barraAMitad.pixelColor(ancho * 9 / 10, alto / 6), QColor(255, 255, 255));
  bool amarillo = false, oscuro = false;
  for (int x = 0; x < ancho; ++x) {
    for (int y = 0; y < alto; ++y) {
      const QColor c = barraAMitad.pixelColor(x, y);
      if (x < ancho / 2 - 2 && c.red() > 128 && c.green() > 128 && c.blue() < 128) {
        amarillo = true;
      }
      if (x > ancho / 2 + 2 && c.red() < 128 && c.green() < 128 && c.blue() < 128) oscuro = true;
    }
  }
  EXPECT_TRUE(amarillo);
  EXPECT_TRUE(oscuro);
}

// The dry-run check box: unchecked at first, held still during the run, the summary headed by
// what it means, and nothing left in the company.
TEST_F(VentanaTest, EnsayoDesdeLaVentana) {
  EmpresaDelCliente();
  const std::string ruta = EscribirArchivo(
      "saldos.txt", "Cliente: 123\r\n" + Comprobante("FC A 0001-00001500", "1500,00") +
                        Comprobante("FC A 0001-00001501", "250,00") +
                        Comprobante("NC A 0001-00000010", "-200,00"));
  EXPECT_EQ(ventana->chkEnsayo->text(), QStringLiteral("Ensayo (no graba nada)"));
  EXPECT_FALSE(ventana->chkEnsayo->isChecked());
  EXPECT_FALSE(frm.chkEnsayo());
  bool habilitadoAMitad = true;
  QObject::connect(
      ventana->picStatus, &PicStatus::Dibujado, [&](double porcentaje, const QString&) {
        if (porcentaje == 50) {
          habilitadoAMitad = ventana->chkEnsayo->isEnabled();
          QTest::mouseClick(ventana->chkEnsayo, Qt::LeftButton);  // refused while the run goes on
        }
      });
  PrepararSaldos(ruta);
  QTest::mouseClick(ventana->chkEnsayo, Qt::LeftButton, {}, QPoint(6, 6));
  EXPECT_TRUE(frm.chkEnsayo());
  dialogos.ResponderSiempre("Proceso Finalizado", vbOK);
  dialogos.ResponderSiempre("Resultado: ", vbOK);
  QTest::mouseClick(ventana->cmdEjecutar, Qt::LeftButton);

  EXPECT_FALSE(habilitadoAMitad);
  const auto resumen = dialogos.Textos("Resumen de la importación");
  ASSERT_EQ(resumen.size(), 1u);
  EXPECT_EQ(resumen[0].rfind("ENSAYO: no se grabó nada\n", 0), 0u) << resumen[0];
  EXPECT_NE(resumen[0].find("Registrados: 3"), std::string::npos) << resumen[0];
  EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 0);
  EXPECT_TRUE(ventana->chkEnsayo->isEnabled());
  EXPECT_TRUE(ventana->chkEnsayo->isChecked());
}

// Closing the window during a run and answering Yes stops the run after its line, then closes.
TEST_F(VentanaTest, CerrarDuranteLaCorridaLaDetieneYCierra) {
  EmpresaDelCliente();
  std::string contenido = "Cliente: 123\r\n";
  for (int n = 1; n <= 9; ++n) contenido += Comprobante("REC X 0001-" + std::to_string(n), "5");
  const std::string ruta = EscribirArchivo("saldos.txt", contenido);
  QObject::connect(ventana->picStatus, &PicStatus::Dibujado,
                   [&](double porcentaje, const QString&) {
                     if (porcentaje == 30) {
                       dialogos.Responder(plataforma::vbYes);
                       ventana->close();
                     }
                   });
  PrepararSaldos(ruta);
  dialogos.ResponderSiempre("Proceso detenido", vbOK);
  dialogos.ResponderSiempre("Resultado: ", vbOK);
  QTest::mouseClick(ventana->cmdEjecutar, Qt::LeftButton);

  EXPECT_EQ(frm.UltimaCorrida().detenidoEnLinea, 3);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 4);
  EXPECT_FALSE(ventana->isVisible());
}

// The summary after a partial run, on the toolkit's own message box: it comes after the closing
// message and lists the lines not posted. IMPORTADOR_CAPTURAS=<folder> saves it as resumen.png.
TEST_F(VentanaTest, ElResumenSeMuestraEnSuPropioDialogo) {
  EmpresaDelCliente();
  const std::string ruta = EscribirArchivo(
      "saldos.txt", "Cliente: 123\r\n" + Comprobante("FC A 0001-00001500", "1500,00") +
                        Comprobante("REC X 0001-00000010", "") +
                        Comprobante("NC A 0001-00000011", "-200,00"));
  DialogosQt qt;
  plataforma::EstablecerDialogos(&qt);
  QString resumen;
  AlMostrarseModal([&](QWidget* cierre) {
    EXPECT_NE(qobject_cast<QMessageBox*>(cierre)->text().indexOf("Proceso Finalizado"), -1);
    AlMostrarseModal([&](QWidget* modal) {
      auto* caja = qobject_cast<QMessageBox*>(modal);
      ASSERT_NE(caja, nullptr);
      resumen = caja->text();
      EXPECT_EQ(caja->windowTitle(), QStringLiteral("Resumen de la importación"));
      if (const QByteArray carpeta = qgetenv("IMPORTADOR_CAPTURAS"); !carpeta.isEmpty()) {
        caja->grab().save(QString::fromLocal8Bit(carpeta) + "/resumen.png");
      }
      caja->button(QMessageBox::Ok)->click();
    });
    qobject_cast<QMessageBox*>(cierre)->button(QMessageBox::Ok)->click();
  });
  PrepararSaldos(ruta);
  QTest::mouseClick(ventana->cmdEjecutar, Qt::LeftButton);
  plataforma::EstablecerDialogos(&dialogos);

  EXPECT_NE(resumen.indexOf("Registrados: 2"), -1) << resumen.toStdString();
  EXPECT_NE(resumen.indexOf("línea 3: incompleta"), -1) << resumen.toStdString();
  EXPECT_NE(resumen.indexOf("Resultado: parcial"), -1) << resumen.toStdString();
}

// Takes the desktop's opening of file URLs, as the default application would receive them.
class AbridorDeArchivos : public QObject {
  Q_OBJECT

 public slots:
  void Abrir(const QUrl& url) { abiertos.push_back(url); }

 public:
  std::vector<QUrl> abiertos;
};

// The summary's button opens the run's report with the desktop's application for it.
TEST_F(VentanaTest, ElResumenAbreElInforme) {
  EmpresaDelCliente();
  const std::string ruta =
      EscribirArchivo("saldos.txt", "Cliente: 123\r\n" + Comprobante("REC X 0001-1", "5"));
  AbridorDeArchivos abridor;
  QDesktopServices::setUrlHandler(QStringLiteral("file"), &abridor, "Abrir");
  DialogosQt qt;
  plataforma::EstablecerDialogos(&qt);
  bool conBoton = false;
  AlMostrarseModal([&](QWidget* cierre) {
    AlMostrarseModal([&](QWidget* modal) {
      auto* caja = qobject_cast<QMessageBox*>(modal);
      ASSERT_NE(caja, nullptr);
      for (QAbstractButton* boton : caja->buttons()) {
        if (boton->text() != QStringLiteral("Abrir informe")) continue;
        conBoton = true;
        boton->click();
      }
      if (!conBoton) caja->button(QMessageBox::Ok)->click();
    });
    qobject_cast<QMessageBox*>(cierre)->button(QMessageBox::Ok)->click();
  });
  PrepararSaldos(ruta);
  QTest::mouseClick(ventana->cmdEjecutar, Qt::LeftButton);
  plataforma::EstablecerDialogos(&dialogos);
  QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

  EXPECT_TRUE(conBoton);
  ASSERT_EQ(abridor.abiertos.size(), 1u);
  EXPECT_EQ(abridor.abiertos[0].toLocalFile().toStdString(), Ruta("saldos.informe.txt"));
  EXPECT_EQ(frm.UltimaCorrida().archivoInforme, Ruta("saldos.informe.txt"));
}

TEST(PicStatusTest, TextoDelPorcentaje) {
  const std::pair<double, const char*> casos[] = {
      {0, " %"}, {33.333, " 33%"}, {12.5, " 13%"}, {99.6, " 100%"}, {100, " 100%"}};
  for (const auto& [porcentaje, texto] : casos) {
    EXPECT_EQ(" " + FormatoPorcentaje(porcentaje) + "%", QString::fromLatin1(texto)) << porcentaje;
  }
}

}  // namespace

#include "ventana_test.moc"
