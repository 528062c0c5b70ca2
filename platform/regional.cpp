#include "platform/regional.h"

#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <ctime>

#include "platform/error_ejecucion.h"
#include "platform/hora_local.h"

namespace plataforma {

namespace {

Regional& Actual() {
  static Regional regional;
  return regional;
}

bool EsBisiesto(int anio) { return (anio % 4 == 0 && anio % 100 != 0) || anio % 400 == 0; }

int DiasDelMes(int anio, int mes) {
  static const int dias[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return mes == 2 && EsBisiesto(anio) ? 29 : dias[mes - 1];
}

bool Valida(const FechaHora& f) {
  return f.anio >= 100 && f.anio <= 9999 && f.mes >= 1 && f.mes <= 12 && f.dia >= 1 &&
         f.dia <= DiasDelMes(f.anio, f.mes) && f.hora >= 0 && f.hora < 24 && f.minuto >= 0 &&
         f.minuto < 60 && f.segundo >= 0 && f.segundo < 60;
}

// A cursor over the trimmed date text; digit runs are read whole, as the date forms bound
// every number by a separator or the end of the text.
class Lector {
 public:
  Lector(const char* inicio, const char* fin) : p_(inicio), fin_(fin) {}
  bool Fin() const { return p_ == fin_; }
  char Actual() const { return p_ == fin_ ? '\0' : *p_; }
  void Avanza() { ++p_; }
  bool Toma(char c) {
    if (p_ == fin_ || *p_ != c) return false;
    ++p_;
    return true;
  }
  // The run of decimal digits here (0 when there is none); `digitos` is its length.
  int Numero(size_t& digitos) {
    int valor = 0;
    const char* inicio = p_;
    // Only the first nine digits count: a longer run is never a valid field and must not overflow.
    while (p_ != fin_ && *p_ >= '0' && *p_ <= '9') {
      if (p_ - inicio < 9) valor = valor * 10 + (*p_ - '0');
      ++p_;
    }
    digitos = static_cast<size_t>(p_ - inicio);
    return valor;
  }
  // A run of `minimo` to `maximo` digits into `valor`.
  bool Numero(size_t minimo, size_t maximo, int& valor) {
    size_t digitos = 0;
    valor = Numero(digitos);
    return digitos >= minimo && digitos <= maximo;
  }

 private:
  const char* p_;
  const char* fin_;
};

// The text without its leading and trailing spaces and tabs.
Lector Recortado(const std::string& s) {
  const char* inicio = s.data();
  const char* fin = inicio + s.size();
  while (inicio != fin && (*inicio == ' ' || *inicio == '\t')) ++inicio;
  while (fin != inicio && (fin[-1] == ' ' || fin[-1] == '\t')) --fin;
  return Lector(inicio, fin);
}

// h:mm[:ss] up to the end of the text; the ISO form also allows a fraction after the seconds.
bool LeerHora(Lector& l, FechaHora& f, bool conFraccion) {
  if (!l.Numero(1, 2, f.hora) || !l.Toma(':') || !l.Numero(2, 2, f.minuto)) return false;
  if (l.Fin()) return true;
  if (!l.Toma(':') || !l.Numero(2, 2, f.segundo)) return false;
  if (l.Fin()) return true;
  if (!conFraccion || !l.Toma('.')) return false;
  int fraccion = 0;
  return l.Numero(1, SIZE_MAX, fraccion) && l.Fin();
}

// `n` with at least `digitos` digits, zeros in front, as printf's "%0*d" writes it.
std::string Ceros(int n, int digitos) {
  if (n < 0) {
    char b[16];
    std::snprintf(b, sizeof b, "%0*d", digitos, n);
    return b;
  }
  char b[16];
  int i = sizeof b;
  do {
    b[--i] = static_cast<char>('0' + n % 10);
    n /= 10;
  } while (n > 0);
  while (static_cast<int>(sizeof b) - i < digitos) b[--i] = '0';
  return std::string(b + i, sizeof b - i);
}

std::string Dos(int n) { return Ceros(n, 2); }

std::string Cuatro(int n) { return Ceros(n, 4); }

}  // namespace

const Regional& ConfiguracionRegional() { return Actual(); }

void EstablecerRegional(const Regional& r) { Actual() = r; }

std::optional<FechaHora> LeerFecha(const std::string& texto) {
  Lector l = Recortado(texto);
  FechaHora f;
  size_t n = 0;
  int primero = l.Numero(n);
  if (n == 4) {
    // yyyy-m-d[ hh:mm[:ss[.fraction]]] with a space or a "T" before the time
    f.anio = primero;
    if (!l.Toma('-') || !l.Numero(1, 2, f.mes) || !l.Toma('-') || !l.Numero(1, 2, f.dia)) {
      return std::nullopt;
    }
    if (!l.Fin()) {
      if (!l.Toma(' ') && !l.Toma('T')) return std::nullopt;
      if (!LeerHora(l, f, true)) return std::nullopt;
    }
  } else if (n == 1 || n == 2) {
    // d/m/yy[yy][ +hh:mm[:ss]] with the same separator, "/", "." or "-", twice
    f.dia = primero;
    const char separador = l.Actual();
    if (separador != '/' && separador != '.' && separador != '-') return std::nullopt;
    l.Avanza();
    if (!l.Numero(1, 2, f.mes) || !l.Toma(separador)) return std::nullopt;
    size_t digitosAnio = 0;
    const int anio = l.Numero(digitosAnio);
    if (digitosAnio != 2 && digitosAnio != 4) return std::nullopt;
    // Two-digit years as the runtime reads them: 00-29 are 20xx, 30-99 are 19xx.
    f.anio = digitosAnio == 4 ? anio : anio < 30 ? 2000 + anio : 1900 + anio;
    if (!l.Fin()) {
      if (!l.Toma(' ')) return std::nullopt;
      while (l.Toma(' ')) {
      }
      if (!LeerHora(l, f, false)) return std::nullopt;
    }
  } else {
    return std::nullopt;
  }
  if (!Valida(f)) return std::nullopt;
  return f;
}

bool EsFecha(const std::string& texto) { return LeerFecha(texto).has_value(); }

FechaHora CDate(const std::string& texto) {
  auto f = LeerFecha(texto);
  if (!f) {
    throw ErrorEjecucion(kErrTipoIncompatible,
                         "No coinciden los tipos: '" + texto + "' no es una fecha");
  }
  return *f;
}

std::string FormatoFecha(const FechaHora& f) { return FormatearFecha(f, "dd/mm/yyyy"); }

std::string FormatoFechaHora(const FechaHora& f) {
  return FormatearFecha(f, "dd/mm/yyyy hh:nn:ss");
}

std::string FormatearFecha(const FechaHora& f, const std::string& patron) {
  const Regional& r = ConfiguracionRegional();
  auto es = [&](size_t i, const char* clave) {
    for (size_t k = 0; clave[k]; ++k) {
      if (i + k >= patron.size() || std::tolower(patron[i + k]) != clave[k]) return false;
    }
    return true;
  };
  std::string salida;
  bool despuesDeHora = false;  // "mm" right after an hour, or right before seconds, is minutes
  for (size_t i = 0; i < patron.size();) {
    if (es(i, "yyyy")) {
      salida += Cuatro(f.anio), i += 4, despuesDeHora = false;
    } else if (es(i, "yy")) {
      salida += Dos(f.anio % 100), i += 2, despuesDeHora = false;
    } else if (es(i, "dd")) {
      salida += Dos(f.dia), i += 2, despuesDeHora = false;
    } else if (es(i, "hh")) {
      salida += Dos(f.hora), i += 2, despuesDeHora = true;
    } else if (es(i, "nn")) {
      salida += Dos(f.minuto), i += 2, despuesDeHora = false;
    } else if (es(i, "ss")) {
      salida += Dos(f.segundo), i += 2, despuesDeHora = false;
    } else if (es(i, "mm")) {
      size_t j = i + 2;
      while (j < patron.size() && !std::isalpha(static_cast<unsigned char>(patron[j]))) ++j;
      bool minutos = despuesDeHora || es(j, "ss");
      salida += Dos(minutos ? f.minuto : f.mes), i += 2, despuesDeHora = false;
    } else {
      char c = patron[i++];
      if (c == '/') c = r.separadorFecha;
      if (c == ':') c = r.separadorHora;
      salida += c;
    }
  }
  return salida;
}

std::string FechaIso(const FechaHora& f) {
  auto enRango = [](int v, int maximo) { return v >= 0 && v <= maximo; };
  if (enRango(f.anio, 9999) && enRango(f.mes, 99) && enRango(f.dia, 99) && enRango(f.hora, 99) &&
      enRango(f.minuto, 99) && enRango(f.segundo, 99)) {
    // The usual case, written digit by digit: this runs for every date of every statement.
    std::string iso = "0000-00-00 00:00:00";
    auto poner = [&iso](size_t pos, int v, int digitos) {
      for (int i = digitos - 1; i >= 0; --i, v /= 10) {
        iso[pos + i] = static_cast<char>('0' + v % 10);
      }
    };
    poner(0, f.anio, 4);
    poner(5, f.mes, 2);
    poner(8, f.dia, 2);
    poner(11, f.hora, 2);
    poner(14, f.minuto, 2);
    poner(17, f.segundo, 2);
    return iso;
  }
  char b[48];
  std::snprintf(b, sizeof b, "%04d-%02d-%02d %02d:%02d:%02d", f.anio, f.mes, f.dia, f.hora,
                f.minuto, f.segundo);
  return b;
}

FechaHora Ahora() {
  const std::tm tm = HoraLocal(std::time(nullptr));
  return FechaHora{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

FechaHora Hoy() {
  FechaHora f = Ahora();
  f.hora = f.minuto = f.segundo = 0;
  return f;
}

}  // namespace plataforma
