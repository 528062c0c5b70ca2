#pragma once
// Every modal dialog of the system goes through this interface: a message box with a button set
// returning the answer code, an input box and an open-file dialog. The Qt window implements it,
// the batch mode answers by policy, tests answer from a script (DialogosGuionados).

#include <deque>
#include <string>
#include <vector>

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
};

// The process's dialogs; until something is installed, every dialog answers as the batch
// mode's default policy would and is printed on standard error.
Dialogos& DialogosActuales();
void EstablecerDialogos(Dialogos* dialogos);  // nullptr restores the default

// Shorthand for DialogosActuales().MsgBox.
int MsgBox(const std::string& texto, int botones = vbOKOnly, const std::string& titulo = "");

// One dialog as it was shown.
struct DialogoMostrado {
  enum Tipo { Mensaje, Entrada, Archivo } tipo = Mensaje;
  std::string titulo;
  std::string texto;
  int botones = 0;
  int respuesta = 0;           // message boxes
  std::string textoRespuesta;  // input box and file dialog
};

// Answers dialogs from a queue and keeps a transcript. A dialog shown with no answer left is
// recorded in SinRespuesta() and answered with Cancel (input box: empty text), so the core ends
// its routine; the test fixture fails the test with that dialog's text.
class DialogosGuionados : public Dialogos {
 public:
  void Responder(int codigo) { respuestas_.push_back({codigo, {}}); }
  void ResponderTexto(std::string texto) { respuestas_.push_back({0, std::move(texto)}); }
  // Answers every further message box whose text contains `fragmento` with `codigo`.
  void ResponderSiempre(std::string fragmento, int codigo);

  int MsgBox(const std::string& texto, int botones, const std::string& titulo) override;
  std::string InputBox(const std::string& mensaje, const std::string& titulo,
                       const std::string& porDefecto) override;
  std::string AbrirArchivo() override;

  const std::vector<DialogoMostrado>& Transcripcion() const { return transcripcion_; }
  const std::vector<DialogoMostrado>& SinRespuesta() const { return sinRespuesta_; }
  size_t RespuestasPendientes() const { return respuestas_.size(); }
  // Texts of the message boxes shown whose title equals `titulo`.
  std::vector<std::string> Textos(const std::string& titulo) const;

 private:
  struct Respuesta {
    int codigo;
    std::string texto;
  };
  // Answers an input box or file dialog from the queue's next text answer, and records it.
  std::string ResponderConTexto(DialogoMostrado d);

  std::deque<Respuesta> respuestas_;
  std::vector<std::pair<std::string, int>> siempre_;
  std::vector<DialogoMostrado> transcripcion_;
  std::vector<DialogoMostrado> sinRespuesta_;
};

}  // namespace plataforma
