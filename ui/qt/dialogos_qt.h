#pragma once
// The system's dialogs as Qt dialogs: message boxes with the button set, icon and default
// button of the style number, returning the answer code; the input box; the open-file dialog.
// All modal over the active window, on the UI thread.

#include <QMessageBox>
#include <string>

#include "platform/dialogos.h"

class DialogosQt : public plataforma::Dialogos {
 public:
  int MsgBox(const std::string& texto, int botones, const std::string& titulo) override;
  std::string InputBox(const std::string& mensaje, const std::string& titulo,
                       const std::string& porDefecto) override;
  std::string AbrirArchivo() override;
  int MsgBoxConArchivo(const std::string& texto, int botones, const std::string& titulo,
                       const std::string& boton, const std::string& archivo) override;
};

// The message box of a style number, not yet shown (the caller owns it). Each button carries
// its answer code in the property "respuesta".
QMessageBox* CrearMensaje(const std::string& texto, int estilo, const std::string& titulo,
                          QWidget* padre);
// The answer code of the button that closed `caja`.
int RespuestaDe(const QMessageBox& caja);
