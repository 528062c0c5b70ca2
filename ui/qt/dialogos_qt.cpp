#include "ui/qt/dialogos_qt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QPushButton>
#include <QUrl>
#include <memory>
#include <vector>

namespace {

using namespace plataforma;

struct Boton {
  QMessageBox::StandardButton estandar;
  int codigo;
};

std::vector<Boton> BotonesDe(int conjunto) {
  switch (conjunto) {
    case vbOKCancel:
      return {{QMessageBox::Ok, vbOK}, {QMessageBox::Cancel, vbCancel}};
    case vbAbortRetryIgnore:
      return {{QMessageBox::Abort, vbAbort},
              {QMessageBox::Retry, vbRetry},
              {QMessageBox::Ignore, vbIgnore}};
    case vbYesNoCancel:
      return {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}, {QMessageBox::Cancel, vbCancel}};
    case vbYesNo:
      return {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}};
    case vbRetryCancel:
      return {{QMessageBox::Retry, vbRetry}, {QMessageBox::Cancel, vbCancel}};
    default:
      return {{QMessageBox::Ok, vbOK}};
  }
}

QMessageBox::Icon IconoQt(int estilo) {
  switch (IconoDe(estilo)) {
    case vbCritical:
      return QMessageBox::Critical;
    case vbQuestion:
      return QMessageBox::Question;
    case vbExclamation:
      return QMessageBox::Warning;
    case vbInformation:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

// Texts of the system end lines with CR LF or a lone CR.
QString TextoPlano(const std::string& texto) {
  QString s = QString::fromStdString(texto);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return s;
}

QWidget* Padre() { return QApplication::activeWindow(); }

}  // namespace

QMessageBox* CrearMensaje(const std::string& texto, int estilo, const std::string& titulo,
                          QWidget* padre) {
  auto* caja = new QMessageBox(padre);
  caja->setTextFormat(Qt::PlainText);  // a "<" in a message is text, not markup
  caja->setText(TextoPlano(texto));
  caja->setWindowTitle(titulo.empty() ? QCoreApplication::applicationName()
                                      : QString::fromStdString(titulo));
  caja->setIcon(IconoQt(estilo));
  caja->setWindowModality(Qt::ApplicationModal);

  const std::vector<Boton> botones = BotonesDe(ConjuntoDeBotones(estilo));
  std::vector<QPushButton*> creados;
  for (const Boton& b : botones) {
    QPushButton* boton = caja->addButton(b.estandar);
    boton->setProperty("respuesta", b.codigo);
    creados.push_back(boton);
  }
  // Escape (and closing the box) answers Cancel, else the only button, Abort or No: the
  // buttons QMessageBox finds by their roles.
  // Default button: the first unless the style names the second (256) or the third (512).
  const size_t porDefecto = static_cast<size_t>((estilo >> 8) & 0x3);
  caja->setDefaultButton(creados[porDefecto < creados.size() ? porDefecto : 0]);
  return caja;
}

int RespuestaDe(const QMessageBox& caja) {
  const QAbstractButton* boton = caja.clickedButton();
  return boton ? boton->property("respuesta").toInt() : vbCancel;
}

int DialogosQt::MsgBox(const std::string& texto, int botones, const std::string& titulo) {
  std::unique_ptr<QMessageBox> caja(CrearMensaje(texto, botones, titulo, Padre()));
  caja->exec();
  return RespuestaDe(*caja);
}

int DialogosQt::MsgBoxConArchivo(const std::string& texto, int botones, const std::string& titulo,
                                 const std::string& boton, const std::string& archivo) {
  std::unique_ptr<QMessageBox> caja(CrearMensaje(texto, botones, titulo, Padre()));
  QPushButton* abrir = caja->addButton(QString::fromStdString(boton), QMessageBox::ActionRole);
  abrir->setProperty("respuesta", vbOK);
  QObject::connect(abrir, &QPushButton::clicked, [archivo] {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(archivo)));
  });
  caja->exec();
  return RespuestaDe(*caja);
}

std::string DialogosQt::InputBox(const std::string& mensaje, const std::string& titulo,
                                 const std::string& porDefecto) {
  bool aceptado = false;
  const QString texto =
      QInputDialog::getText(Padre(), QString::fromStdString(titulo), TextoPlano(mensaje),
                            QLineEdit::Normal, QString::fromStdString(porDefecto), &aceptado);
  return aceptado ? texto.toStdString() : std::string();
}

std::string DialogosQt::AbrirArchivo() {
  return QFileDialog::getOpenFileName(Padre()).toStdString();
}
