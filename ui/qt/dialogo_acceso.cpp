#include "ui/qt/dialogo_acceso.h"

#include <QApplication>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QScreen>
#include <QVBoxLayout>
#include <exception>

#include "platform/dialogos.h"
#include "utility/utilidades.h"

QColor ColorDeValor(int valor, const QColor& texto) {
  return valor == kColorSugerencia ? QColor(0x00, 0x80, 0x00) : texto;
}

DialogoAcceso::DialogoAcceso(frmAcceso& forma, QWidget* parent) : QDialog(parent), forma_(forma) {
  setWindowTitle(QString::fromStdString(forma_.Caption));
  setModal(true);

  framAcceso = new QGroupBox(this);
  framAcceso->setObjectName(QStringLiteral("framAcceso"));
  Label1 = new QLabel(QStringLiteral("Complete los datos de conexion"), framAcceso);
  TxtServidor = CrearCaja(forma_.TxtServidor);
  TxtPuerto = CrearCaja(forma_.TxtPuerto);
  TxtPuerto->setReadOnly(true);  // shown only: the port goes in the server text
  TxtDbName = CrearCaja(forma_.TxtDbName);
  TxtUserId = CrearCaja(forma_.TxtUserId);
  TxtUserPassword = CrearCaja(forma_.TxtUserPassword);
  TxtUserPassword->setEchoMode(QLineEdit::Password);
  TxtUserPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));  // "*"
  CboPlataformaDB = new QComboBox(framAcceso);
  CboPlataformaDB->setObjectName(QStringLiteral("CboPlataformaDB"));
  for (const std::string& item : forma_.CboPlataformaDB.items) {
    CboPlataformaDB->addItem(QString::fromStdString(item));
  }
  TxtUserId->installEventFilter(this);

  auto* campos = new QFormLayout;
  campos->addRow(QStringLiteral("Servidor:"), TxtServidor);
  campos->addRow(QStringLiteral("Puerto:"), TxtPuerto);
  campos->addRow(QStringLiteral("Base de datos:"), TxtDbName);
  campos->addRow(QStringLiteral("Usuario:"), TxtUserId);
  campos->addRow(QStringLiteral("Contraseña:"), TxtUserPassword);
  campos->addRow(QStringLiteral("Plataforma:"), CboPlataformaDB);
  auto* marco = new QVBoxLayout(framAcceso);
  marco->addWidget(Label1);
  marco->addLayout(campos);
  marco->addStretch();

  Label1Lista = new QLabel(QStringLiteral("Conexiones registradas"), this);
  Label1Lista->setObjectName(QStringLiteral("Label1Lista"));
  lstBases = new QListWidget(this);
  lstBases->setObjectName(QStringLiteral("lstBases"));
  CmdRegistrar = new QPushButton(QStringLiteral("Registrar"), this);
  CmdRegistrar->setObjectName(QStringLiteral("CmdRegistrar"));
  CmdLineaComando = new QPushButton(QStringLiteral("Crear Acceso Directo"), this);
  CmdLineaComando->setObjectName(QStringLiteral("CmdLineaComando"));
  bcAceptar = new QPushButton(QStringLiteral("Aceptar"), this);
  bcAceptar->setObjectName(QStringLiteral("bcAceptar"));
  bcAceptar->setDefault(true);
  bcCancelar = new QPushButton(QStringLiteral("Cancelar"), this);
  bcCancelar->setObjectName(QStringLiteral("bcCancelar"));
  for (QPushButton* b : {CmdRegistrar, CmdLineaComando, bcAceptar, bcCancelar}) {
    b->setAutoDefault(false);
  }
  bcAceptar->setAutoDefault(true);

  auto* lista = new QVBoxLayout;
  lista->addWidget(Label1Lista);
  lista->addWidget(lstBases);
  auto* botonesLista = new QHBoxLayout;
  botonesLista->addWidget(CmdRegistrar);
  botonesLista->addWidget(CmdLineaComando);
  lista->addLayout(botonesLista);

  auto* botones = new QHBoxLayout;
  botones->addStretch();
  botones->addWidget(bcAceptar);
  botones->addWidget(bcCancelar);

  auto* rejilla = new QGridLayout(this);
  rejilla->addWidget(framAcceso, 0, 0);
  rejilla->addLayout(lista, 0, 1);
  rejilla->addLayout(botones, 1, 0, 1, 2);
  rejilla->setColumnStretch(0, 3);
  rejilla->setColumnStretch(1, 2);
  resize(720, 300);

  Conectar();
  Refrescar();
}

QLineEdit* DialogoAcceso::CrearCaja(const CajaTexto& caja) {
  auto* edit = new QLineEdit(framAcceso);
  edit->setObjectName(QString::fromStdString(caja.Name));
  edit->setToolTip(QString::fromStdString(caja.ToolTipText));
  // Find the model's box by its name: the vector keeps the pairs for refreshing.
  for (CajaTexto* c : {&forma_.TxtServidor, &forma_.TxtDbName, &forma_.TxtUserId,
                       &forma_.TxtUserPassword, &forma_.TxtPuerto}) {
    if (c == &caja) cajas_.emplace_back(c, edit);
  }
  return edit;
}

void DialogoAcceso::Conectar() {
  for (auto& [caja, edit] : cajas_) {
    CajaTexto* modelo = caja;
    connect(edit, &QLineEdit::textEdited, this, [this, modelo](const QString& texto) {
      Manejar([&] { forma_.Teclear(*modelo, texto.toStdString()); });
    });
  }
  connect(CboPlataformaDB, &QComboBox::currentIndexChanged, this, [this](int indice) {
    if (!refrescando_) forma_.CboPlataformaDB.ListIndex = indice;
  });
  // A click or a key that moves the selection runs AsignarDatosBase.
  connect(lstBases, &QListWidget::currentRowChanged, this, [this](int fila) {
    if (!refrescando_ && fila >= 0) Manejar([&] { forma_.SeleccionarBase(fila); });
  });
  connect(lstBases, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    Manejar([&] { forma_.SeleccionarBase(lstBases->row(item)); });
  });
  connect(lstBases, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    Manejar([&] {
      forma_.lstBases.ListIndex = lstBases->row(item);
      forma_.lstBases_DblClick();
    });
  });
  connect(CmdRegistrar, &QPushButton::clicked, this,
          [this] { Manejar([&] { forma_.CmdRegistrar_Click(); }); });
  connect(CmdLineaComando, &QPushButton::clicked, this,
          [this] { Manejar([&] { forma_.CmdLineaComando_Click(); }); });
  connect(bcAceptar, &QPushButton::clicked, this,
          [this] { Manejar([&] { forma_.bcAceptar_Click(); }); });
  connect(bcCancelar, &QPushButton::clicked, this,
          [this] { Manejar([&] { forma_.bcCancelar_Click(); }); });
}

void DialogoAcceso::Manejar(const std::function<void()>& evento) {
  try {
    evento();
  } catch (const std::exception& e) {
    plataforma::MsgBox(e.what(), plataforma::vbCritical, forma_.Caption);
  }
  Refrescar();
  if (!forma_.Visible && isVisible()) {
    if (forma_.Aceptar) {
      accept();
    } else {
      QDialog::reject();
    }
  }
}

void DialogoAcceso::reject() {
  Manejar([&] { forma_.bcCancelar_Click(); });
}

void DialogoAcceso::Refrescar() {
  refrescando_ = true;
  const QColor texto = palette().color(QPalette::Text);
  for (auto& [caja, edit] : cajas_) {
    const QString valor = QString::fromStdString(caja->Text);
    if (edit->text() != valor) {
      edit->setText(valor);
      // MensajeInicial selects the whole hint, so typing replaces it.
      if (caja->SelLength > 0 &&
          caja->SelLength == static_cast<int>(utilidad::Trim(caja->Text).size())) {
        // Selected from its end back to the start, so the box shows the hint's beginning.
        const int largo = static_cast<int>(valor.trimmed().size());
        edit->setSelection(caja->SelStart + largo, -largo);
      }
    }
    QPalette colores = edit->palette();
    colores.setColor(QPalette::Text, ColorDeValor(caja->ForeColor, texto));
    edit->setPalette(colores);
  }
  QStringList nombres;
  for (const std::string& nombre : forma_.lstBases.items) nombres << QString::fromStdString(nombre);
  QStringList actuales;
  for (int i = 0; i < lstBases->count(); ++i) actuales << lstBases->item(i)->text();
  if (actuales != nombres) {
    lstBases->clear();
    lstBases->addItems(nombres);
  }
  lstBases->setCurrentRow(forma_.lstBases.ListIndex);
  CboPlataformaDB->setCurrentIndex(forma_.CboPlataformaDB.ListIndex);
  refrescando_ = false;
}

bool DialogoAcceso::eventFilter(QObject* objeto, QEvent* evento) {
  if (objeto == TxtUserId && evento->type() == QEvent::FocusIn) {
    Manejar([&] { forma_.TxtUserId_GotFocus(); });
  }
  return QDialog::eventFilter(objeto, evento);
}

void DialogoAcceso::showEvent(QShowEvent* evento) {
  QDialog::showEvent(evento);
  // Centred on the screen, as the dialog's load does.
  if (QScreen* pantalla = screen()) {
    QRect marco = frameGeometry();
    marco.moveCenter(pantalla->availableGeometry().center());
    move(marco.topLeft());
  }
}

void VistaAccesoQt::MostrarModal(frmAcceso& forma) {
  DialogoAcceso dialogo(forma, QApplication::activeWindow());
  dialogo.exec();
}
