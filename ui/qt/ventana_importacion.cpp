#include "ui/qt/ventana_importacion.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QIcon>
#include <algorithm>
#include <cmath>
#include <exception>

#include "platform/dialogos.h"

namespace {

constexpr int kTwipsPorPixel = 15;

int Pixeles(int twips) {
  return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPorPixel));
}

// Client area of the window, 9165 x 5130 twips.
constexpr int kAnchoTwips = 9165;
constexpr int kAltoTwips = 5130;

struct Opcion {
  const char* caption;
  int izquierda, arriba, ancho, alto;
};
constexpr Opcion kOpciones[7] = {
    {"Conformación Saldo Clientes", 240, 1560, 2415, 195},
    {"Conformación Saldo Proveedores", 240, 1920, 2775, 195},
    {"Alta Empleados", 3240, 1560, 1455, 255},
    {"Cheques de Terceros", 5160, 1920, 2055, 255},
    {"Cheques Propios", 3240, 1920, 1575, 255},
    {"Remitos Pendientes de Facturar", 240, 2280, 2895, 255},
    {"OT Pendientes de Remitir", 3240, 2280, 2535, 315},
};

void SiDistinto(QLineEdit* caja, const std::string& texto) {
  const QString nuevo = QString::fromStdString(texto);
  if (caja->text() != nuevo) caja->setText(nuevo);
}

}  // namespace

// The icons are compiled into this static library; the call keeps them linked in.
static void IniciarRecursos() { Q_INIT_RESOURCE(recursos); }

QRect RectTwips(int izquierda, int arriba, int ancho, int alto) {
  return QRect(Pixeles(izquierda), Pixeles(arriba), Pixeles(ancho), Pixeles(alto));
}

VentanaImportacion::VentanaImportacion(FrmQUILMA& frm, QWidget* parent)
    : QWidget(parent), frm_(frm) {
  IniciarRecursos();
  setWindowTitle(kTitulo);
  setWindowIcon(QIcon(QStringLiteral(":/importador/importador.png")));
  setFixedSize(Pixeles(kAnchoTwips), Pixeles(kAltoTwips));
  // The controls keep the old system's sizes: its 8-point sans-serif font, or a font of the
  // same widths where there is one, makes the captions fit them.
  QFont letra = font();
  letra.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                     QStringLiteral("Arial"), QStringLiteral("Nimbus Sans"),
                     QStringLiteral("Helvetica")});
  letra.setPointSize(8);
  setFont(letra);
  CrearControles();
  AjustarLeyendas();
  Conectar();
  frm_.EstablecerVista(this);
  Refrescar();
}

VentanaImportacion::~VentanaImportacion() { frm_.EstablecerVista(nullptr); }

void VentanaImportacion::CrearControles() {
  auto ubicar = [](QWidget* control, const char* nombre, QRect rect) {
    control->setObjectName(QString::fromLatin1(nombre));
    control->setGeometry(rect);
  };
  Label1 = new QLabel(
      QStringLiteral("Los archivos deberán tener el formato CSV delimitado por punto y coma (;)"),
      this);
  QFont negrita = Label1->font();
  negrita.setBold(true);
  Label1->setFont(negrita);
  Label1->setWordWrap(true);
  ubicar(Label1, "Label1", RectTwips(360, 240, 8385, 570));

  Label4 = new QLabel(QStringLiteral("Archivo:"), this);
  ubicar(Label4, "Label4", RectTwips(240, 2955, 1770, 255));
  txtRuta = new QLineEdit(this);
  ubicar(txtRuta, "txtRuta", RectTwips(930, 2925, 5670, 300));
  cmdExaminar = new QPushButton(QStringLiteral("..."), this);
  ubicar(cmdExaminar, "cmdExaminar", RectTwips(6645, 2925, 960, 300));
  Label5 = new QLabel(QStringLiteral("Cuenta de contrapartida:"), this);
  ubicar(Label5, "Label5", RectTwips(255, 3360, 1995, 225));
  txtCuenta = new QLineEdit(this);
  ubicar(txtCuenta, "txtCuenta", RectTwips(2130, 3300, 2250, 300));

  cmdEjecutar = new QToolButton(this);
  cmdEjecutar->setText(QStringLiteral("Ejecutar"));
  cmdEjecutar->setIcon(QIcon(QStringLiteral(":/importador/ejecutar.png")));
  cmdEjecutar->setIconSize(QSize(32, 32));
  cmdEjecutar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  cmdEjecutar->setFocusPolicy(Qt::StrongFocus);
  cmdEjecutar->setEnabled(false);
  ubicar(cmdEjecutar, "cmdEjecutar", RectTwips(6360, 4020, 1515, 1065));

  picStatus = new PicStatus(this);
  ubicar(picStatus, "picStatus", RectTwips(210, 4125, 6105, 900));
  Label6 = new QLabel(QStringLiteral("Concepto de los Asientos"), this);
  ubicar(Label6, "Label6", RectTwips(240, 3720, 1995, 225));
  txtConcepto = new QLineEdit(this);
  ubicar(txtConcepto, "txtConcepto", RectTwips(2130, 3660, 4455, 300));

  // A dry run: the run executes and is rolled back at its end.
  chkEnsayo = new QCheckBox(QStringLiteral("Ensayo (no graba nada)"), this);
  ubicar(chkEnsayo, "chkEnsayo", RectTwips(4560, 3330, 3300, 255));

  // The price-list row lies below the client area: reached only with the Tab key.
  CmdLista = new QPushButton(QStringLiteral("..."), this);
  ubicar(CmdLista, "CmdLista", RectTwips(6405, 5400, 960, 300));
  TxtLista = new QLineEdit(this);
  ubicar(TxtLista, "TxtLista", RectTwips(330, 5400, 6030, 300));
  Label7 = new QLabel(QStringLiteral("Archivo de clientes con codigo de lista:"), this);
  ubicar(Label7, "Label7", RectTwips(240, 5160, 5970, 255));
  CmdEjecutarLista = new QPushButton(QStringLiteral("Ejecutar"), this);
  ubicar(CmdEjecutarLista, "CmdEjecutarLista", RectTwips(7440, 5400, 960, 300));
  Label8 = new QLabel(QStringLiteral("ClienteAnterior-ListaAnterior-NombreCliente-ClasePrecio "
                                     "(Separado por Tab) , comparacion por nombre"),
                      this);
  ubicar(Label8, "Label8", RectTwips(360, 5760, 7875, 225));

  grupoOpciones_ = new QButtonGroup(this);
  for (int i = 0; i < 7; ++i) {
    const Opcion& o = kOpciones[i];
    optOpcion[i] = new QRadioButton(QString::fromUtf8(o.caption), this);
    optOpcion[i]->setObjectName(QStringLiteral("optOpcion_%1").arg(i));
    optOpcion[i]->setGeometry(RectTwips(o.izquierda, o.arriba, o.ancho, o.alto));
    grupoOpciones_->addButton(optOpcion[i], i);
  }

  QWidget* orden[] = {txtRuta,     cmdExaminar, txtCuenta, chkEnsayo,       cmdEjecutar,
                      txtConcepto, CmdLista,    TxtLista,  CmdEjecutarLista};
  QWidget* anterior = nullptr;
  for (QWidget* w : orden) {
    if (anterior) setTabOrder(anterior, w);
    anterior = w;
  }
  for (QRadioButton* opcion : optOpcion) {
    setTabOrder(anterior, opcion);
    anterior = opcion;
  }
  picStatus->setFocusPolicy(Qt::NoFocus);
}

void VentanaImportacion::AjustarLeyendas() {
  if (leyendas_.empty()) {
    for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      const auto* etiqueta = qobject_cast<QLabel*>(control);
      if ((etiqueta && !etiqueta->wordWrap()) || qobject_cast<QRadioButton*>(control) ||
          qobject_cast<QCheckBox*>(control)) {
        leyendas_.emplace_back(control, control->geometry());
      }
    }
  }
  for (auto& [control, lugar] : leyendas_) {
    control->setFont(QFont());  // back to the window's font
    control->setGeometry(lugar);
  }
  constexpr int kSeparacion = 2;
  for (auto& [control, lugar] : leyendas_) {
    int limite = width();
    for (QWidget* otro : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      const QRect g = otro->geometry();
      if (otro != control && g.left() > lugar.left() && g.top() < lugar.bottom() &&
          g.bottom() > lugar.top()) {
        limite = std::min(limite, g.left() - kSeparacion);
      }
    }
    const int disponible = limite - lugar.left();
    control->resize(std::min(std::max(control->sizeHint().width(), lugar.width()), disponible),
                    lugar.height());
    QFont letra = control->font();
    while (control->sizeHint().width() > control->width() && letra.pointSizeF() > 5) {
      letra.setPointSizeF(letra.pointSizeF() - 0.5);
      control->setFont(letra);
    }
  }
}

void VentanaImportacion::changeEvent(QEvent* evento) {
  QWidget::changeEvent(evento);
  if (evento->type() == QEvent::FontChange && !leyendas_.empty()) AjustarLeyendas();
}

void VentanaImportacion::Conectar() {
  // A text box's change event fires for typed text and for text the program sets.
  connect(txtRuta, &QLineEdit::textChanged, this,
          [this](const QString& texto) { Manejar([&] { frm_.SetTxtRuta(texto.toStdString()); }); });
  connect(txtCuenta, &QLineEdit::textEdited, this,
          [this](const QString& texto) { frm_.SetTxtCuenta(texto.toStdString()); });
  connect(txtConcepto, &QLineEdit::textEdited, this,
          [this](const QString& texto) { frm_.SetTxtConcepto(texto.toStdString()); });
  connect(TxtLista, &QLineEdit::textEdited, this,
          [this](const QString& texto) { frm_.SetTxtLista(texto.toStdString()); });
  // An option's click event fires when it becomes selected (mouse or arrow keys).
  connect(chkEnsayo, &QCheckBox::toggled, this,
          [this](bool marcado) { Manejar([&] { frm_.SetChkEnsayo(marcado); }); });
  connect(grupoOpciones_, &QButtonGroup::idToggled, this, [this](int indice, bool marcada) {
    if (marcada) Manejar([&] { frm_.optOpcion_Click(indice); });
  });
  connect(cmdExaminar, &QPushButton::clicked, this,
          [this] { Manejar([&] { frm_.cmdExaminar_Click(); }); });
  connect(CmdLista, &QPushButton::clicked, this,
          [this] { Manejar([&] { frm_.CmdLista_Click(); }); });
  // During a run the button is "Detener": the run ends after its current line.
  connect(cmdEjecutar, &QToolButton::clicked, this, [this] {
    if (frm_.CorridaEnCurso()) {
      frm_.Detener();
      return;
    }
    Manejar([&] { frm_.cmdEjecutar_Click(); });
    const std::string resumen = TextoResumen(frm_.UltimaCorrida());
    picStatus->setToolTip(QString::fromStdString(resumen));
    // After the closing message, the run's summary in a dialog of its own (a run that did not
    // start, the company being busy, has already said why).
    // The report, when one was written, opens from there with the desktop's application.
    const ResumenCorrida& corrida = frm_.UltimaCorrida();
    if (corrida.empresaOcupada.empty() && corrida.archivoInforme.empty()) {
      plataforma::MsgBox(resumen, plataforma::vbInformation, kTituloResumen);
    } else if (corrida.empresaOcupada.empty()) {
      plataforma::DialogosActuales().MsgBoxConArchivo(resumen, plataforma::vbInformation,
                                                      kTituloResumen, kAbrirInforme,
                                                      corrida.archivoInforme);
    }
    if (cerrarAlTerminar_) {
      cerrarAlTerminar_ = false;
      close();
    }
  });
  connect(CmdEjecutarLista, &QPushButton::clicked, this,
          [this] { Manejar([&] { frm_.CmdEjecutarLista_Click(); }); });
}

bool VentanaImportacion::Form_Load() {
  bool conectado = false;
  Manejar([&] { conectado = frm_.Form_Load(); });
  return conectado;
}

void VentanaImportacion::Manejar(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    plataforma::MsgBox(e.what(), plataforma::vbCritical, kTitulo.toStdString());
  }
  Refrescar();
}

void VentanaImportacion::Refrescar() {
  SiDistinto(txtRuta, frm_.txtRuta());
  SiDistinto(txtCuenta, frm_.txtCuenta());
  SiDistinto(txtConcepto, frm_.txtConcepto());
  SiDistinto(TxtLista, frm_.TxtLista());
  if (chkEnsayo->isChecked() != frm_.chkEnsayo()) chkEnsayo->setChecked(frm_.chkEnsayo());
  // The values of a run are read at its start: nothing that would change them can be touched
  // until it ends, and the execute button stops it meanwhile.
  const bool libre = !frm_.CorridaEnCurso();
  QWidget* quietos[] = {txtRuta,  cmdExaminar, txtCuenta,        txtConcepto,
                        CmdLista, TxtLista,    CmdEjecutarLista, chkEnsayo};
  for (QWidget* w : quietos) w->setEnabled(libre);
  for (QRadioButton* opcion : optOpcion) opcion->setEnabled(libre);
  const QString texto = libre ? QStringLiteral("Ejecutar") : QStringLiteral("Detener");
  if (cmdEjecutar->text() != texto) cmdEjecutar->setText(texto);
  cmdEjecutar->setEnabled(!libre || frm_.cmdEjecutarHabilitado());
}

void VentanaImportacion::DibujaProgreso(double porcentaje, uint32_t color,
                                        const std::string& caption) {
  picStatus->DibujaProgreso(porcentaje, color, QString::fromStdString(caption));
}

void VentanaImportacion::HacerEventos() {
  QCoreApplication::processEvents();
  Refrescar();  // the own-cheque mode writes the concept while it runs
}

void VentanaImportacion::closeEvent(QCloseEvent* evento) {
  // The run yields to the event loop; closing the window under it would leave it running
  // without a window. The operator may have it stop after the current line, and the window
  // closes once it has.
  if (frm_.CorridaEnCurso()) {
    evento->ignore();
    if (plataforma::MsgBox("Hay una importación en curso.\r\n¿Detenerla después de la línea "
                           "actual?",
                           plataforma::vbQuestion + plataforma::vbYesNo,
                           "Aviso al Usuario") == plataforma::vbYes) {
      frm_.Detener();
      cerrarAlTerminar_ = true;
    }
    return;
  }
  QWidget::closeEvent(evento);
}
