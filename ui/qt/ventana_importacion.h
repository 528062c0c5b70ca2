#pragma once
// The Qt view of the import window FrmQUILMA: the controls at their twip positions, their
// captions and tab order. Every event goes to the model's handler and the controls then show
// the model's state; the view also draws the run's progress and yields to the event loop.

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRect>
#include <QToolButton>
#include <QWidget>
#include <array>
#include <functional>
#include <utility>
#include <vector>

#include "ui/frm_quilma.h"
#include "ui/qt/pic_status.h"
#include "ui/vista_quilma.h"

// A rectangle given in twips, in pixels at 15 twips per pixel.
QRect RectTwips(int izquierda, int arriba, int ancho, int alto);

class VentanaImportacion : public QWidget, public VistaQuilma {
  Q_OBJECT

 public:
  inline static const QString kTitulo = QStringLiteral("IMPORTACIÓN DE SALDOS INCIALES");
  inline static const std::string kTituloResumen = "Resumen de la importación";
  inline static const std::string kAbrirInforme = "Abrir informe";

  explicit VentanaImportacion(FrmQUILMA& frm, QWidget* parent = nullptr);
  ~VentanaImportacion() override;

  // The window's load event: start-up. False when no connection resulted.
  bool Form_Load();

  // VistaQuilma: the run draws into picStatus and yields once per line.
  void DibujaProgreso(double porcentaje, uint32_t color, const std::string& caption) override;
  void HacerEventos() override;

  FrmQUILMA& Modelo() { return frm_; }

  // Controls, named as in the model.
  QLabel* Label1;
  QLabel* Label4;
  QLineEdit* txtRuta;
  QPushButton* cmdExaminar;
  QLabel* Label5;
  QLineEdit* txtCuenta;
  QToolButton* cmdEjecutar;
  PicStatus* picStatus;
  QLabel* Label6;
  QLineEdit* txtConcepto;
  QPushButton* CmdLista;
  QLineEdit* TxtLista;
  QLabel* Label7;
  QPushButton* CmdEjecutarLista;
  QLabel* Label8;
  QCheckBox* chkEnsayo;
  std::array<QRadioButton*, 7> optOpcion;

 protected:
  void closeEvent(QCloseEvent* evento) override;
  void changeEvent(QEvent* evento) override;

 private:
  void CrearControles();
  void Conectar();
  // Fits every one-line caption to its text at the current font: the control widens into the
  // free space on its right, and where there is none its font shrinks.
  void AjustarLeyendas();
  // Runs a handler of the model and shows what it changed; a failure it lets through is shown
  // in a message box instead of ending the program.
  void Manejar(const std::function<void()>& handler);
  void Refrescar();

  FrmQUILMA& frm_;
  QButtonGroup* grupoOpciones_;
  std::vector<std::pair<QWidget*, QRect>> leyendas_;  // captioned controls, their laid-out place
  bool cerrarAlTerminar_ = false;  // the operator closed the window during a run and stopped it
};
