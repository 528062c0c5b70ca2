#pragma once
// Every modal dialog of the system goes through this interface: a message box with a button set
// returning the answer code, an input box and an open-file dialog. The Qt window implements it,
// the batch mode answers by policy, tests answer from a script (DialogosGuionados).

#include <string>

namespace plataforma {

// Button sets and icons, added together as the Windows message-box styles are.
inline constexpr int vbOKOnly = 0;
inline constexpr int vbOKCancel = 1;
inline constexpr int vbAbortRetryIgnore = 2;
inline constexpr int vbYesNoCancel = 3;
inline constexpr int vbYesNo = 4;
inline constexpr int vbRetryCancel = 5;
inline constexpr int vbCritical = 16;
inline constexpr int vbQuestion = 32;
inline constexpr int vbExclamation = 48;
inline constexpr int vbInformation = 64;

// Answer codes.
inline constexpr int vbOK = 1;
inline constexpr int vbCancel = 2;
inline constexpr int vbAbort = 3;
inline constexpr int vbRetry = 4;
inline constexpr int vbIgnore = 5;
inline constexpr int vbYes = 6;
inline constexpr int vbNo = 7;

inline int ConjuntoDeBotones(int estilo) { return estilo & 0x0F; }
inline int IconoDe(int estilo) { return estilo & 0xF0; }

class Dialogos {
 public:
  virtual ~Dialogos() = default;
  // Shows a modal message box; returns the code of the button pressed.
  virtual int MsgBox(const std::string& texto, int botones, const std::string& titulo) = 0;
  // Shows a modal input box; returns the typed text (empty on cancel).
  virtual std::string InputBox(const std::string& mensaje, const std::string& titulo,
                               const std::string& porDefecto) = 0;
  // Shows the open-file dialog; returns the chosen path (what the dialog gives on cancel).
  virtual std::string AbrirArchivo() = 0;
  // A message box with one more button, captioned `boton`, that opens the file `archivo` with
  // the desktop's application for its type (and answers OK); elsewhere the plain message box.
  virtual int MsgBoxConArchivo(const std::string& texto, int botones, const std::string& titulo,
                               const std::string& boton, const std::string& archivo) {
    return MsgBox(texto, botones, titulo);
  }
};

// The process's dialogs; until something is installed, every dialog answers as the batch
// mode's default policy would and is printed on standard error.
Dialogos& DialogosActuales();
void EstablecerDialogos(Dialogos* dialogos);  // nullptr restores the default

// Shorthand for DialogosActuales().MsgBox.
int MsgBox(const std::string& texto, int botones = vbOKOnly, const std::string& titulo = "");

}  // namespace plataforma
