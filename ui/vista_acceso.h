#pragma once
// What the connection dialog's model asks of its view: show the dialog modally. The Qt dialog
// draws the model's controls and calls its events; tests set fields and press buttons.

class frmAcceso;

class VistaAcceso {
 public:
  virtual ~VistaAcceso() = default;
  // Shows `forma` modally; returns once bcAceptar_Click or bcCancelar_Click has hidden it.
  virtual void MostrarModal(frmAcceso& forma) = 0;
};
