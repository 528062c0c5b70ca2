// The regional settings of the Windows user (Control Panel, Region): GetLocaleInfoEx.

#include <windows.h>

#include <string>

#include "platform/regional.h"
#include "platform/texto_win.h"

namespace plataforma {
namespace {

std::wstring Dato(LCTYPE cual) {
  wchar_t texto[128] = {};
  const int n = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, cual, texto, 128);
  return n > 1 ? std::wstring(texto, static_cast<size_t>(n - 1)) : std::wstring();
}

// A separator the program can use: one ASCII punctuation character.
bool Separador(const std::wstring& texto, char& c) {
  if (texto.size() != 1 || texto[0] < 0x21 || texto[0] > 0x7E) return false;
  c = static_cast<char>(texto[0]);
  return true;
}

// The first character of a date or time pattern that is neither a field letter nor quoted
// text: "dd/MM/yyyy" gives '/', "HH:mm:ss" gives ':'.
wchar_t SeparadorDePatron(const std::wstring& patron) {
  bool citado = false;
  for (wchar_t c : patron) {
    if (c == L'\'') {
      citado = !citado;
    } else if (!citado && !((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z')) && c != L' ') {
      return c;
    }
  }
  return 0;
}

}  // namespace

Regional RegionalDelLocale() {
  Regional r;
  Separador(Dato(LOCALE_SDECIMAL), r.separadorDecimal);
  char miles = 0;
  if (Separador(Dato(LOCALE_STHOUSAND), miles) && miles != r.separadorDecimal) {
    r.separadorMiles = miles;
  } else {
    // No usable thousands separator (a blank, a non-breaking space): the other punctuation mark.
    r.separadorMiles = r.separadorDecimal == ',' ? '.' : ',';
  }
  // The date order stays day/month/year, as the suite's databases expect; only the separator
  // of the user's short date is taken, when it is one that dates are read with.
  const wchar_t fecha = SeparadorDePatron(Dato(LOCALE_SSHORTDATE));
  if (fecha == L'/' || fecha == L'-' || fecha == L'.') r.separadorFecha = static_cast<char>(fecha);
  const wchar_t hora = SeparadorDePatron(Dato(LOCALE_STIMEFORMAT));
  if (hora == L':' || hora == L'.') r.separadorHora = static_cast<char>(hora);
  const std::wstring digitos = Dato(LOCALE_ICURRDIGITS);
  if (!digitos.empty() && digitos.size() <= 2) {
    try {
      r.digitosMoneda = std::stoi(digitos);
    } catch (...) {
    }
  }
  return r;
}

}  // namespace plataforma
