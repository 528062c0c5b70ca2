#include "platform/regional.h"

#include <locale.h>

#include <cctype>
#include <climits>
#include <clocale>
#include <cstdio>
#include <ctime>
#include <regex>

#include "platform/error_ejecucion.h"

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

// Two-digit years as the runtime reads them: 00-29 are 20xx, 30-99 are 19xx.
int AnioCompleto(const std::string& anio) {
  int valor = std::stoi(anio);
  if (anio.size() > 2) return valor;
  return valor < 30 ? 2000 + valor : 1900 + valor;
}

std::string Recortar(const std::string& s) {
  size_t inicio = s.find_first_not_of(" \t");
  if (inicio == std::string::npos) return "";
  size_t fin = s.find_last_not_of(" \t");
  return s.substr(inicio, fin - inicio + 1);
}

std::string Dos(int n) {
  char b[16];
  std::snprintf(b, sizeof b, "%02d", n);
  return b;
}

std::string Cuatro(int n) {
  char b[16];
  std::snprintf(b, sizeof b, "%04d", n);
  return b;
}

}  // namespace

const Regional& ConfiguracionRegional() { return Actual(); }

void EstablecerRegional(const Regional& r) { Actual() = r; }

Regional RegionalDelLocale() {
  Regional r;
  // The user's locale is read without changing the process's, so printf and strtod keep "."
  locale_t usuario = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(0));
  if (usuario == static_cast<locale_t>(0)) return r;
  locale_t anterior = uselocale(usuario);
  const lconv* lc = localeconv();
  if (lc->decimal_point && lc->decimal_point[0] && !lc->decimal_point[1]) {
    r.separadorDecimal = lc->decimal_point[0];
  }
  if (lc->thousands_sep && lc->thousands_sep[0] && !lc->thousands_sep[1] &&
      lc->thousands_sep[0] != r.separadorDecimal) {
    r.separadorMiles = lc->thousands_sep[0];
  } else {
    // No usable thousands separator (C locale, multibyte spaces): the other punctuation mark.
    r.separadorMiles = r.separadorDecimal == ',' ? '.' : ',';
  }
  if (lc->frac_digits != CHAR_MAX && lc->frac_digits >= 0) r.digitosMoneda = lc->frac_digits;
  uselocale(anterior);
  freelocale(usuario);
  return r;
}

std::optional<FechaHora> LeerFecha(const std::string& texto) {
  static const std::regex iso(
      R"((\d{4})-(\d{1,2})-(\d{1,2})(?:[ T](\d{1,2}):(\d{2})(?::(\d{2})(?:\.\d+)?)?)?)");
  static const std::regex dma(
      R"((\d{1,2})([/.-])(\d{1,2})\2(\d{4}|\d{2})(?: +(\d{1,2}):(\d{2})(?::(\d{2}))?)?)");
  const std::string t = Recortar(texto);
  std::smatch m;
  FechaHora f;
  if (std::regex_match(t, m, iso)) {
    f.anio = std::stoi(m[1]);
    f.mes = std::stoi(m[2]);
    f.dia = std::stoi(m[3]);
  } else if (std::regex_match(t, m, dma)) {
    f.dia = std::stoi(m[1]);
    f.mes = std::stoi(m[3]);
    f.anio = AnioCompleto(m[4]);
  } else {
    return std::nullopt;
  }
  const size_t h = m.size() - 3;  // the time groups are the last three of both patterns
  f.hora = m[h].matched ? std::stoi(m[h]) : 0;
  f.minuto = m[h + 1].matched ? std::stoi(m[h + 1]) : 0;
  f.segundo = m[h + 2].matched ? std::stoi(m[h + 2]) : 0;
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
  char b[48];
  std::snprintf(b, sizeof b, "%04d-%02d-%02d %02d:%02d:%02d", f.anio, f.mes, f.dia, f.hora,
                f.minuto, f.segundo);
  return b;
}

FechaHora Ahora() {
  std::time_t ahora = std::time(nullptr);
  std::tm tm{};
  localtime_r(&ahora, &tm);
  return FechaHora{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

FechaHora Hoy() {
  FechaHora f = Ahora();
  f.hora = f.minuto = f.segundo = 0;
  return f;
}

}  // namespace plataforma
