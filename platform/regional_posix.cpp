// The regional settings of the user's locale (LANG, LC_ALL, LC_NUMERIC, LC_MONETARY).

#include <locale.h>

#include <climits>
#include <clocale>

#include "platform/regional.h"

namespace plataforma {

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

}  // namespace plataforma
