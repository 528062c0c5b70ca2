#pragma once
// The suite's utility library, as this system calls it: the utility object (amounts, codes,
// texts, paths, cipher, error dialog), the system-information object and the file-dialog object
// (held by the data-access object in CmdDlg).

#include <cstdint>
#include <string>
#include <vector>

#include "platform/error_ejecucion.h"
#include "platform/valores.h"

namespace utilidad {

using plataforma::ErrorEjecucion;
using plataforma::Moneda;
using plataforma::Valor;

// Amount text to currency with four decimals: sign kept, decimal comma or point, the regional
// thousands separator allowed. An empty or blank text is 0. A text that is not a number raises
// ErrorEjecucion 13, never a silent 0; one beyond the currency's range raises 6. The rules for
// telling the separators apart are in importes.cpp.
Moneda TextoAImporte(const std::string& texto);
// Currency written as a plain decimal number with "." and no trailing zeros: 1500, -1234.5.
std::string ImporteATexto(Moneda m);
// A value as text, a null giving the empty text. Numbers are written with the regional decimal
// separator, dates as dd/mm/yyyy (with the time when it is not midnight).
std::string ValorCampo(const Valor& v);
// A code brought to `ancho` characters with leading zeros; unchanged when it has that width
// or more. Without a width the text is returned trimmed.
std::string FormateaCodigo(const std::string& texto, int ancho = 0);
// The text cut to at most `ancho` characters (characters, not bytes).
std::string AjustaAncho(const std::string& texto, int ancho);
// A value as messages show it: at most 80 characters, "…" at the end when it was cut.
std::string Abreviado(const std::string& texto);
// Every occurrence of each given character removed (one to three characters).
std::string QuitarCaracteres(const std::string& texto, const std::string& caracteres);
// Every occurrence of `buscar` replaced by `reemplazo` (exact case).
std::string ReemplazaTexto(const std::string& texto, const std::string& buscar,
                           const std::string& reemplazo);
// Count of blank-separated words.
int CuentaPalabras(const std::string& texto);
// The folder path ending in a path separator.
std::string RutaConBarra(const std::string& carpeta);
// The SHA-256 of the bytes in lowercase hexadecimal (64 characters), as sha256sum writes it.
std::string Sha256Hex(const std::string& bytes);
// A reversible cipher whose output holds no ",", CR or LF.
std::string Encriptar(const std::string& texto);
std::string Desencriptar(const std::string& texto);
// The modal error dialog (abort, retry, ignore); returns 3, 4 or 5.
int MensajeError(int32_t numero, const std::string& descripcion, const std::string& origen);
inline int MensajeError(const ErrorEjecucion& e) {
  return MensajeError(e.Number, e.Description, e.Source);
}

// System-information object.
std::string NombreMaquina();
std::string CarpetaAlternativa();              // a folder for temporary files, ending in "/"
void AbrirDocumento(const std::string& ruta);  // opens with the desktop's viewer

// File-dialog object: MostrarAbrir shows the open-file dialog, NombreArchivo gives the path.
class DialogoArchivo {
 public:
  void MostrarAbrir();
  const std::string& NombreArchivo() const { return nombre_; }

 private:
  std::string nombre_;
};

// Text helpers of the runtime used across the system.
std::string Trim(const std::string& s);        // leading and trailing spaces only, not tabs
std::string Mayusculas(const std::string& s);  // UTF-8 aware for the Latin-1 letters
std::string Minusculas(const std::string& s);
// 1-based (byte) position of `buscar` in `texto` from `inicio`, letter case ignored; 0 when
// absent.
size_t InStrSinCaso(const std::string& texto, const std::string& buscar, size_t inicio = 1);
bool ContieneSinCaso(const std::string& texto, const std::string& buscar);
bool IgualSinCaso(const std::string& a, const std::string& b);
// Every occurrence replaced, letter case ignored.
std::string ReemplazarSinCaso(const std::string& texto, const std::string& buscar,
                              const std::string& reemplazo);
// Format(texto, "0000"): a text that reads as a number is written as a whole number with at
// least `digitos` digits; any other text is returned unchanged; empty stays empty.
std::string FormatoCeros(const std::string& texto, int digitos);
// Cut at every occurrence of the separator (Split); an empty text gives one empty element.
std::vector<std::string> Dividir(const std::string& texto, const std::string& separador);

}  // namespace utilidad
