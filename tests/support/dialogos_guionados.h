#pragma once
// The scripted dialogs of the tests: answers from a queue (or by a fragment of the text) and a
// transcript of every dialog shown.

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "platform/dialogos.h"

namespace plataforma {

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
