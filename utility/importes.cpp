// Amounts and field values as texts.
//
// TextoAImporte reads the amounts of the previous system's reports under these rules:
// - blanks around the text are dropped; an empty or blank text is 0;
// - the sign is a leading "+" or "-", a trailing "-", or parentheses around the amount
//   ("(12,5)" is -12.5); only one of them;
// - with both "." and "," present, the last one is the decimal separator and occurs once; the
//   other one separates thousands;
// - a separator present several times separates thousands;
// - a separator present once is decimal, except when it is the regional thousands separator
//   and stands after one to three digits (not a lone "0") and before exactly three digits:
//   "1.234" is 1234 with a thousands ".", "1,234" is 1.234 there, and "0.500" is 0.5;
// - thousands groups are checked: the first has one to three digits, every other exactly three;
// - more than four decimals are rounded half away from zero to four;
// anything else ("12-3", "--5", letters, "1.2.3") raises error 13 naming the text.

#include <cstdint>
#include <cstdio>

#include "platform/regional.h"
#include "utility/utilidades.h"

namespace utilidad {

namespace {

[[noreturn]] void NoEsImporte(const std::string& texto) {
  throw ErrorEjecucion(plataforma::kErrTipoIncompatible,
                       "No coinciden los tipos: '" + texto + "' no es un importe");
}

[[noreturn]] void NoCabe(const std::string& texto) {
  throw ErrorEjecucion(plataforma::kErrDesbordamiento, "Desbordamiento: '" + texto + "'");
}

bool EsBlanco(char c) { return c == ' ' || c == '\t'; }
bool EsDigito(char c) { return c >= '0' && c <= '9'; }

std::string SinBlancos(const std::string& s) {
  size_t i = 0, j = s.size();
  while (i < j && EsBlanco(s[i])) ++i;
  while (j > i && EsBlanco(s[j - 1])) --j;
  return s.substr(i, j - i);
}

// Removes the sign from `numero`; true when negative. Raises for a second sign.
bool QuitarSigno(std::string& numero, const std::string& original) {
  bool negativo = false;
  int signos = 0;
  if (numero.size() >= 2 && numero.front() == '(' && numero.back() == ')') {
    numero = SinBlancos(numero.substr(1, numero.size() - 2));
    negativo = true, ++signos;
  }
  if (!numero.empty() && (numero.front() == '-' || numero.front() == '+')) {
    negativo = negativo || numero.front() == '-';
    numero = SinBlancos(numero.substr(1)), ++signos;
  }
  if (!numero.empty() && numero.back() == '-') {
    numero = SinBlancos(numero.substr(0, numero.size() - 1));
    negativo = true, ++signos;
  }
  if (signos > 1) NoEsImporte(original);
  return negativo;
}

// True when the digit groups between thousands separators are well formed.
bool GruposValidos(const std::string& entero, char miles) {
  size_t inicio = 0;
  bool primero = true;
  while (true) {
    size_t fin = entero.find(miles, inicio);
    std::string grupo = entero.substr(inicio, fin == std::string::npos ? fin : fin - inicio);
    if (primero) {
      if (grupo.empty() || grupo.size() > 3 || grupo[0] == '0') return false;
    } else if (grupo.size() != 3) {
      return false;
    }
    if (fin == std::string::npos) return true;
    inicio = fin + 1, primero = false;
  }
}

// The decimal separator of `numero` ('\0' when it has none); raises when the separators
// cannot be told apart.
char SeparadorDecimal(const std::string& numero, const std::string& original) {
  const char miles = plataforma::ConfiguracionRegional().separadorMiles;
  size_t puntos = 0, comas = 0;
  for (char c : numero) {
    puntos += c == '.';
    comas += c == ',';
  }
  if (puntos && comas) {
    char ultimo = numero[numero.find_last_of(".,")];
    if ((ultimo == '.' ? puntos : comas) != 1) NoEsImporte(original);
    return ultimo;
  }
  if (puntos + comas == 0) return '\0';
  const char unico = puntos ? '.' : ',';
  if (puntos + comas > 1) return '\0';  // repeated: thousands
  if (unico == miles) {
    size_t p = numero.find(unico);
    std::string antes = numero.substr(0, p);
    if (numero.size() - p - 1 == 3 && GruposValidos(antes, miles)) return '\0';
  }
  return unico;
}

}  // namespace

Moneda TextoAImporte(const std::string& texto) {
  std::string numero = SinBlancos(texto);
  if (numero.empty()) return Moneda{};
  const bool negativo = QuitarSigno(numero, texto);
  const char decimal = SeparadorDecimal(numero, texto);
  const char miles = plataforma::ConfiguracionRegional().separadorMiles;

  size_t p = decimal ? numero.find(decimal) : std::string::npos;
  std::string entero = numero.substr(0, p);
  std::string fraccion = p == std::string::npos ? "" : numero.substr(p + 1);
  // Whatever separates thousands in the integer part is checked and removed.
  for (char separador : {'.', ',', miles}) {
    if (separador == decimal || entero.find(separador) == std::string::npos) continue;
    if (!GruposValidos(entero, separador)) NoEsImporte(texto);
    std::string limpio;
    for (char c : entero) {
      if (c != separador) limpio += c;
    }
    entero = limpio;
  }
  if (entero.empty() && fraccion.empty()) NoEsImporte(texto);
  for (char c : entero + fraccion) {
    if (!EsDigito(c)) NoEsImporte(texto);
  }
  size_t primero = entero.find_first_not_of('0');
  if (primero != std::string::npos && entero.size() - primero > 15) NoCabe(texto);

  // At most 15 integer and 4 decimal digits: below 10^19, which fits an unsigned 64-bit value.
  uint64_t valor = 0;
  for (char c : entero) valor = valor * 10 + (c - '0');
  for (size_t i = 0; i < 4; ++i) {
    valor = valor * 10 + (i < fraccion.size() ? fraccion[i] - '0' : 0);
  }
  if (fraccion.size() > 4 && fraccion[4] >= '5') ++valor;  // half away from zero
  if (valor > static_cast<uint64_t>(INT64_MAX)) NoCabe(texto);
  const auto firmado = static_cast<int64_t>(valor);
  return Moneda{negativo ? -firmado : firmado};
}

std::string ImporteATexto(Moneda m) {
  int64_t v = m.diezmilesimos;
  const bool negativo = v < 0;
  uint64_t absoluto = negativo ? -static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  std::string texto = std::to_string(absoluto / 10000);
  // The four decimal digits without their trailing zeros.
  unsigned fraccion = static_cast<unsigned>(absoluto % 10000);
  if (fraccion != 0) {
    char decimales[5] = {'.'};
    size_t largo = 1;
    for (unsigned divisor = 1000; fraccion != 0; divisor /= 10) {
      decimales[largo++] = static_cast<char>('0' + fraccion / divisor);
      fraccion %= divisor;
    }
    texto.append(decimales, largo);
  }
  return negativo ? "-" + texto : texto;
}

std::string ValorCampo(const Valor& v) {
  const char decimal = plataforma::ConfiguracionRegional().separadorDecimal;
  auto conDecimal = [decimal](std::string s) {
    for (char& c : s) {
      if (c == '.') c = decimal;
    }
    return s;
  };
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  if (const auto* i = std::get_if<int64_t>(&v)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&v)) {
    char b[40];
    std::snprintf(b, sizeof b, "%.15g", *d);
    return conDecimal(b);
  }
  if (const auto* m = std::get_if<Moneda>(&v)) return conDecimal(ImporteATexto(*m));
  if (const auto* f = std::get_if<plataforma::FechaHora>(&v)) {
    bool medianoche = f->hora == 0 && f->minuto == 0 && f->segundo == 0;
    return medianoche ? plataforma::FormatoFecha(*f) : plataforma::FormatoFechaHora(*f);
  }
  return "";
}

}  // namespace utilidad
