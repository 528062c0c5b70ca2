#pragma once
// The Qt view of the connection dialog frmAcceso ("Control de Acceso"): the fields with their
// hints in the hint colour, the platform list, the registered connections and the buttons.
// Every event goes to the model; the controls then show the model's state. The dialog closes
// when the model hides itself (Aceptar, Cancelar, a double click on the list).

#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <functional>
#include <utility>
#include <vector>

#include "ui/frm_acceso.h"
#include "ui/vista_acceso.h"

class DialogoAcceso : public QDialog {
  Q_OBJECT

 public:
  explicit DialogoAcceso(frmAcceso& forma, QWidget* parent = nullptr);

  QGroupBox* framAcceso;
  QLabel* Label1;
  QLineEdit* TxtServidor;
  QLineEdit* TxtDbName;
  QLineEdit* TxtUserId;
  QLineEdit* TxtUserPassword;
  QLineEdit* TxtPuerto;
  QComboBox* CboPlataformaDB;
  QLabel* Label1Lista;  // the second Label1: "Conexiones registradas"
  QListWidget* lstBases;
  QPushButton* CmdRegistrar;
  QPushButton* CmdLineaComando;
  QPushButton* bcAceptar;
  QPushButton* bcCancelar;

  void reject() override;  // Escape and the window's close button act as "Cancelar"

 protected:
  bool eventFilter(QObject* objeto, QEvent* evento) override;
  void showEvent(QShowEvent* evento) override;

 private:
  QLineEdit* CrearCaja(const CajaTexto& caja);
  void Conectar();
  // Runs an event of the model, shows its state and closes when the model hid itself.
  void Manejar(const std::function<void()>& evento);
  void Refrescar();

  frmAcceso& forma_;
  std::vector<std::pair<CajaTexto*, QLineEdit*>> cajas_;
  bool refrescando_ = false;
};

// Shows the connection dialog modally over the active window (the connection layer's view).
class VistaAccesoQt : public VistaAcceso {
 public:
  void MostrarModal(frmAcceso& forma) override;
};

// The text colour of a colour value of the old system (0 window text, 2 green).
QColor ColorDeValor(int valor, const QColor& texto);
