// Paths, the cipher, the error dialog, the system-information object and the file dialog.

#include "platform/archivos.h"
#include "platform/dialogos.h"
#include "platform/sistema.h"
#include "utility/utilidades.h"

namespace utilidad {

namespace {

// Key of the cipher of the registered connections: a keyed XOR written as hex digits, so the
// result never holds a ",", CR or LF.
constexpr char kClave[] = "Importador-Saldos-Iniciales";

int ValorHex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

unsigned char ByteClave(size_t i) {
  return static_cast<unsigned char>(kClave[i % (sizeof kClave - 1)] + i * 31);
}

}  // namespace

// An empty folder stays empty (the working folder) rather than becoming the root folder.
std::string RutaConBarra(const std::string& carpeta) {
  if (carpeta.empty() || carpeta.back() == '/') return carpeta;
  return carpeta + "/";
}

std::string Encriptar(const std::string& texto) {
  static const char hex[] = "0123456789ABCDEF";
  std::string salida;
  for (size_t i = 0; i < texto.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(texto[i]) ^ ByteClave(i);
    salida += hex[b >> 4];
    salida += hex[b & 0x0F];
  }
  return salida;
}

// A text that is not the cipher's output (odd length, no hex digits) is returned unchanged.
std::string Desencriptar(const std::string& texto) {
  if (texto.size() % 2 != 0) return texto;
  std::string salida;
  for (size_t i = 0; i < texto.size(); i += 2) {
    int alto = ValorHex(texto[i]), bajo = ValorHex(texto[i + 1]);
    if (alto < 0 || bajo < 0) return texto;
    salida += static_cast<char>((alto << 4 | bajo) ^ ByteClave(i / 2));
  }
  return salida;
}

int MensajeError(int32_t numero, const std::string& descripcion, const std::string& origen) {
  std::string texto = "Error " + std::to_string(numero) + ": " + descripcion;
  int respuesta =
      plataforma::MsgBox(texto, plataforma::vbAbortRetryIgnore + plataforma::vbCritical, origen);
  if (respuesta == plataforma::vbRetry || respuesta == plataforma::vbIgnore) return respuesta;
  return plataforma::vbAbort;
}

std::string NombreMaquina() { return plataforma::NombreMaquina(); }

std::string CarpetaAlternativa() {
  std::string carpeta = plataforma::CarpetaTemporal();
  if (carpeta.empty()) carpeta = "/tmp";
  return RutaConBarra(carpeta);
}

void AbrirDocumento(const std::string& ruta) { plataforma::AbrirDocumento(ruta); }

void DialogoArchivo::MostrarAbrir() { nombre_ = plataforma::DialogosActuales().AbrirArchivo(); }

}  // namespace utilidad
