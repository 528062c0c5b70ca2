#include "tests/support/dialogos_guionados.h"

namespace plataforma {

void DialogosGuionados::ResponderSiempre(std::string fragmento, int codigo) {
  siempre_.emplace_back(std::move(fragmento), codigo);
}

int DialogosGuionados::MsgBox(const std::string& texto, int botones, const std::string& titulo) {
  DialogoMostrado d{DialogoMostrado::Mensaje, titulo, texto, botones, vbCancel, {}};
  bool respondido = false;
  for (const auto& [fragmento, codigo] : siempre_) {
    if (texto.find(fragmento) != std::string::npos) {
      d.respuesta = codigo;
      respondido = true;
      break;
    }
  }
  // A queued text answer belongs to an input box: it stays for it.
  if (!respondido && !respuestas_.empty() && respuestas_.front().codigo != 0) {
    d.respuesta = respuestas_.front().codigo;
    respuestas_.pop_front();
    respondido = true;
  }
  if (!respondido) sinRespuesta_.push_back(d);
  transcripcion_.push_back(d);
  return d.respuesta;
}

std::string DialogosGuionados::InputBox(const std::string& mensaje, const std::string& titulo,
                                        const std::string&) {
  return ResponderConTexto({DialogoMostrado::Entrada, titulo, mensaje, 0, 0, {}});
}

std::string DialogosGuionados::AbrirArchivo() {
  return ResponderConTexto({DialogoMostrado::Archivo, "Abrir", "", 0, 0, {}});
}

std::string DialogosGuionados::ResponderConTexto(DialogoMostrado d) {
  if (!respuestas_.empty() && respuestas_.front().codigo == 0) {
    d.textoRespuesta = respuestas_.front().texto;
    respuestas_.pop_front();
  } else {
    sinRespuesta_.push_back(d);
  }
  transcripcion_.push_back(d);
  return d.textoRespuesta;
}

std::vector<std::string> DialogosGuionados::Textos(const std::string& titulo) const {
  std::vector<std::string> textos;
  for (const auto& d : transcripcion_) {
    if (d.tipo == DialogoMostrado::Mensaje && d.titulo == titulo) textos.push_back(d.texto);
  }
  return textos;
}

}  // namespace plataforma
