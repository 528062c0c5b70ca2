// Text operations of the utility object and the runtime's text helpers. Texts are UTF-8; the
// case folding covers ASCII and the accented letters of Latin-1, which keep their byte length,
// so positions found in a folded text are positions in the original.

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/regional.h"
#include "utility/utilidades.h"

namespace utilidad {

namespace {

bool Continuacion(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

size_t Caracteres(const std::string& s) {
  size_t n = 0;
  for (char c : s) n += !Continuacion(c);
  return n;
}

// Byte length of the first `n` characters of `s`.
size_t BytesDe(const std::string& s, size_t n) {
  size_t i = 0;
  while (i < s.size() && n > 0) {
    ++i;
    while (i < s.size() && Continuacion(s[i])) ++i;
    --n;
  }
  return i;
}

// Latin-1 letters in UTF-8 are 0xC3 followed by 0x80-0x9E (upper) or 0xA0-0xBE (lower);
// 0x97 and 0xB7 are the multiplication and division signs.
std::string Plegar(const std::string& s, bool aMayusculas) {
  std::string r = s;
  const unsigned char desdeLetra = aMayusculas ? 'a' : 'A';
  for (size_t i = 0; i < r.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(r[i]);
    // Most bytes are neither letters of the other case nor the lead byte 0xC3.
    if (static_cast<unsigned char>(c - desdeLetra) > 'z' - 'a' && c != 0xC3) continue;
    if (aMayusculas && c >= 'a' && c <= 'z') {
      r[i] = static_cast<char>(c - 32);
    } else if (!aMayusculas && c >= 'A' && c <= 'Z') {
      r[i] = static_cast<char>(c + 32);
    } else if (c == 0xC3 && i + 1 < r.size() && Continuacion(r[i + 1])) {
      unsigned char d = static_cast<unsigned char>(r[i + 1]);
      if (aMayusculas && d >= 0xA0 && d <= 0xBE && d != 0xB7) {
        r[i + 1] = static_cast<char>(d - 0x20);
      } else if (!aMayusculas && d >= 0x80 && d <= 0x9E && d != 0x97) {
        r[i + 1] = static_cast<char>(d + 0x20);
      }
      ++i;
    }
  }
  return r;
}

// The upper-case fold of byte `c` of a text whose previous byte is `previo` (0 at the start):
// the same byte Plegar(s, true) leaves there, computed without copying the text. A Latin-1
// letter's second byte follows 0xC3, which is never a continuation byte itself, so the previous
// byte alone tells whether `c` is one.
unsigned char MayusculaEn(unsigned char previo, unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
  if (previo == 0xC3 && c >= 0xA0 && c <= 0xBE && c != 0xB7) {
    return static_cast<unsigned char>(c - 0x20);
  }
  return c;
}

// Byte `k` of Mayusculas(s).
unsigned char MayusculaDe(const std::string& s, size_t k) {
  return MayusculaEn(k > 0 ? static_cast<unsigned char>(s[k - 1]) : 0,
                     static_cast<unsigned char>(s[k]));
}

// Position of Mayusculas(patron) in Mayusculas(texto) from `desde`, folding both on the fly.
size_t BuscarPlegado(const std::string& texto, const std::string& patron, size_t desde) {
  const size_t m = patron.size();
  const size_t n = texto.size();
  if (m == 0) return desde <= n ? desde : std::string::npos;
  if (m > n) return std::string::npos;
  const std::string plegado = Plegar(patron, true);  // patterns are short: no allocation
  const unsigned char primero = static_cast<unsigned char>(plegado[0]);
  // An ASCII first byte matches itself or its lower case whatever precedes it.
  const bool ascii = primero < 0x80;
  const unsigned char otro =
      primero >= 'A' && primero <= 'Z' ? static_cast<unsigned char>(primero + 32) : primero;
  const unsigned char* t = reinterpret_cast<const unsigned char*>(texto.data());
  const unsigned char* q = reinterpret_cast<const unsigned char*>(plegado.data());
  auto coincide = [&](size_t p) {
    size_t j = 1;
    while (j < m && MayusculaEn(t[p + j - 1], t[p + j]) == q[j]) ++j;
    return j == m;
  };
  const size_t ultimo = n - m;  // the last place a match can start
  if (ascii) {
    // The next place of either case of the first byte, found with memchr, in text order.
    auto siguiente = [&](unsigned char c, size_t desdeAqui) {
      if (desdeAqui > ultimo) return std::string::npos;
      const void* r = std::memchr(t + desdeAqui, c, ultimo - desdeAqui + 1);
      return r ? static_cast<size_t>(static_cast<const unsigned char*>(r) - t) : std::string::npos;
    };
    size_t mayuscula = siguiente(primero, desde);
    size_t minuscula = otro == primero ? std::string::npos : siguiente(otro, desde);
    while (mayuscula != std::string::npos || minuscula != std::string::npos) {
      const bool esMayuscula = mayuscula < minuscula;
      const size_t p = esMayuscula ? mayuscula : minuscula;
      if (coincide(p)) return p;
      if (esMayuscula) {
        mayuscula = siguiente(primero, p + 1);
      } else {
        minuscula = siguiente(otro, p + 1);
      }
    }
    return std::string::npos;
  }
  for (size_t p = desde; p <= ultimo; ++p) {
    if (MayusculaEn(p > 0 ? t[p - 1] : 0, t[p]) == primero && coincide(p)) return p;
  }
  return std::string::npos;
}

bool EsBlanco(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::string FormateaCodigo(const std::string& texto, int ancho) {
  std::string codigo = Trim(texto);
  size_t largo = Caracteres(codigo);
  if (ancho <= 0 || largo >= static_cast<size_t>(ancho)) return codigo;
  return std::string(ancho - largo, '0') + codigo;
}

std::string AjustaAncho(const std::string& texto, int ancho) {
  if (ancho <= 0) return "";
  return texto.substr(0, BytesDe(texto, ancho));
}

std::string Abreviado(const std::string& texto) {
  constexpr int kAncho = 80;
  std::string corto = AjustaAncho(texto, kAncho);
  if (corto.size() < texto.size()) corto += "…";
  return corto;
}

std::string QuitarCaracteres(const std::string& texto, const std::string& caracteres) {
  std::string resultado = texto;
  for (size_t i = 0; i < caracteres.size();) {
    size_t largo = BytesDe(caracteres.substr(i), 1);
    resultado = ReemplazaTexto(resultado, caracteres.substr(i, largo), "");
    i += largo;
  }
  return resultado;
}

std::string ReemplazaTexto(const std::string& texto, const std::string& buscar,
                           const std::string& reemplazo) {
  if (buscar.empty()) return texto;
  std::string resultado;
  size_t desde = 0;
  for (size_t p; (p = texto.find(buscar, desde)) != std::string::npos;) {
    resultado.append(texto, desde, p - desde).append(reemplazo);
    desde = p + buscar.size();
  }
  return resultado.append(texto, desde);
}

// Words are runs of anything but blanks; spaces, tabs and line ends all separate them, so a
// statement split over lines counts its words too.
int CuentaPalabras(const std::string& texto) {
  int palabras = 0;
  bool enPalabra = false;
  for (char c : texto) {
    if (EsBlanco(c)) {
      enPalabra = false;
    } else if (!enPalabra) {
      enPalabra = true;
      ++palabras;
    }
  }
  return palabras;
}

std::string Trim(const std::string& s) {
  size_t inicio = s.find_first_not_of(' ');
  if (inicio == std::string::npos) return "";
  return s.substr(inicio, s.find_last_not_of(' ') - inicio + 1);
}

std::string Mayusculas(const std::string& s) { return Plegar(s, true); }

std::string Minusculas(const std::string& s) { return Plegar(s, false); }

// Positions are 1-based byte positions, as the callers cut the texts by bytes.
size_t InStrSinCaso(const std::string& texto, const std::string& buscar, size_t inicio) {
  if (inicio == 0) inicio = 1;
  if (inicio > texto.size() + 1) return 0;
  if (buscar.empty()) return inicio;
  size_t p = BuscarPlegado(texto, buscar, inicio - 1);
  return p == std::string::npos ? 0 : p + 1;
}

bool ContieneSinCaso(const std::string& texto, const std::string& buscar) {
  return InStrSinCaso(texto, buscar) != 0;
}

bool IgualSinCaso(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  // Equal bytes fold alike: only 0xC3 folds to 0xC3, so equal folds so far give equal contexts.
  for (size_t k = 0; k < a.size(); ++k) {
    if (a[k] != b[k] && MayusculaDe(a, k) != MayusculaDe(b, k)) return false;
  }
  return true;
}

std::string ReemplazarSinCaso(const std::string& texto, const std::string& buscar,
                              const std::string& reemplazo) {
  if (buscar.empty()) return texto;
  std::string resultado;
  size_t desde = 0;
  for (size_t p; (p = BuscarPlegado(texto, buscar, desde)) != std::string::npos;) {
    resultado.append(texto, desde, p - desde).append(reemplazo);
    desde = p + buscar.size();
  }
  return resultado.append(texto, desde);
}

// Reads an optional sign, digits and an optional fraction after the regional decimal
// separator; a fraction rounds half away from zero, as Format does.
std::string FormatoCeros(const std::string& texto, int digitos) {
  std::string t = Trim(texto);
  if (t.empty()) return texto;
  size_t i = 0;
  bool negativo = false;
  if (t[0] == '-' || t[0] == '+') negativo = t[0] == '-', ++i;
  size_t inicioDigitos = i;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
  std::string entero = t.substr(inicioDigitos, i - inicioDigitos);
  bool redondeaArriba = false;
  if (i < t.size() && t[i] == plataforma::ConfiguracionRegional().separadorDecimal) {
    size_t inicioFraccion = ++i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    redondeaArriba = i > inicioFraccion && t[inicioFraccion] >= '5';
  }
  if (i != t.size() || entero.empty() || entero.size() > 18) return texto;
  uint64_t valor = std::stoull(entero) + (redondeaArriba ? 1 : 0);
  std::string cifras = std::to_string(valor);
  if (cifras.size() < static_cast<size_t>(digitos)) {
    cifras.insert(0, digitos - cifras.size(), '0');
  }
  return (negativo && valor != 0 ? "-" : "") + cifras;
}

std::vector<std::string> Dividir(const std::string& texto, const std::string& separador) {
  if (separador.empty()) return {texto};
  std::vector<std::string> partes;
  size_t desde = 0;
  for (size_t p; (p = texto.find(separador, desde)) != std::string::npos;) {
    partes.push_back(texto.substr(desde, p - desde));
    desde = p + separador.size();
  }
  partes.push_back(texto.substr(desde));
  return partes;
}

}  // namespace utilidad
