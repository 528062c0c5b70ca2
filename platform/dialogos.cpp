#include "platform/dialogos.h"

#include <iostream>

namespace plataforma {

namespace {

// The answer of the batch mode's policy: the button that stops or declines.
int RespuestaPorPolitica(int botones) {
  switch (ConjuntoDeBotones(botones)) {
    case vbOKOnly:
      return vbOK;
    case vbAbortRetryIgnore:
      return vbAbort;
    case vbYesNo:
      return vbNo;
    case vbOKCancel:
    case vbYesNoCancel:
    case vbRetryCancel:
    default:
      return vbCancel;
  }
}

// Used while nothing is installed: prints every dialog as "TITLE: TEXT" on standard error.
class DialogosPorPolitica : public Dialogos {
 public:
  int MsgBox(const std::string& texto, int botones, const std::string& titulo) override {
    std::cerr << titulo << ": " << texto << std::endl;
    return RespuestaPorPolitica(botones);
  }
  std::string InputBox(const std::string& mensaje, const std::string& titulo,
                       const std::string&) override {
    std::cerr << titulo << ": " << mensaje << std::endl;
    return "";
  }
  std::string AbrirArchivo() override {
    std::cerr << "Abrir: (sin archivo)" << std::endl;
    return "";
  }
};

DialogosPorPolitica& PorPolitica() {
  static DialogosPorPolitica dialogos;
  return dialogos;
}

Dialogos* instalados = nullptr;

}  // namespace

Dialogos& DialogosActuales() { return instalados ? *instalados : PorPolitica(); }

void EstablecerDialogos(Dialogos* dialogos) { instalados = dialogos; }

int MsgBox(const std::string& texto, int botones, const std::string& titulo) {
  return DialogosActuales().MsgBox(texto, botones, titulo);
}

}  // namespace plataforma
