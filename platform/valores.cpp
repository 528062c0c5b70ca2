#include "platform/valores.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace plataforma {

bool Moneda::DesdeTexto(std::string_view texto, Moneda& resultado) {
  size_t i = 0;
  while (i < texto.size() && texto[i] == ' ') ++i;
  bool negativo = false;
  if (i < texto.size() && (texto[i] == '-' || texto[i] == '+')) negativo = texto[i++] == '-';
  std::string digitos;  // every digit of the mantissa, without the point
  long entero = -1;     // how many of them come before the point
  for (; i < texto.size(); ++i) {
    char c = texto[i];
    if (c >= '0' && c <= '9') {
      digitos += c;
    } else if (c == '.' && entero < 0) {
      entero = static_cast<long>(digitos.size());
    } else {
      break;
    }
  }
  if (digitos.empty()) return false;
  if (entero < 0) entero = static_cast<long>(digitos.size());
  if (i < texto.size() && (texto[i] == 'e' || texto[i] == 'E')) {
    ++i;
    bool expNegativo = false;
    if (i < texto.size() && (texto[i] == '-' || texto[i] == '+')) expNegativo = texto[i++] == '-';
    long exponente = 0;
    size_t inicio = i;
    for (; i < texto.size() && texto[i] >= '0' && texto[i] <= '9'; ++i) {
      if (exponente < 100000) exponente = exponente * 10 + (texto[i] - '0');
    }
    if (i == inicio) return false;
    entero += expNegativo ? -exponente : exponente;
  }
  while (i < texto.size() && texto[i] == ' ') ++i;
  if (i != texto.size()) return false;

  // Ten-thousandths are the digits up to four places after the point; the next one rounds.
  const long corte = entero + 4;
  const int64_t maximo = std::numeric_limits<int64_t>::max();
  int64_t valor = 0;
  for (long k = 0; k < corte; ++k) {
    int d = (k >= 0 && k < static_cast<long>(digitos.size())) ? digitos[k] - '0' : 0;
    if (valor > (maximo - d) / 10) return false;
    valor = valor * 10 + d;
  }
  if (corte >= 0 && corte < static_cast<long>(digitos.size()) && digitos[corte] >= '5') {
    if (valor == std::numeric_limits<int64_t>::max()) return false;
    ++valor;
  }
  resultado.diezmilesimos = negativo ? -valor : valor;
  return true;
}

Moneda Moneda::DesdeDouble(double v) {
  if (!std::isfinite(v)) return Moneda{};
  // Rounded from its 15-digit decimal text, so 2.00005 (held as 2.0000499999...) rounds as
  // it was written.
  char texto[40];
  std::snprintf(texto, sizeof texto, "%.15g", v);
  Moneda m;
  if (!DesdeTexto(texto, m)) {
    m.diezmilesimos =
        v < 0 ? std::numeric_limits<int64_t>::min() + 1 : std::numeric_limits<int64_t>::max();
  }
  return m;
}

}  // namespace plataforma
