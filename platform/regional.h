#pragma once
// The user's regional settings: decimal and thousands separators, the short date order
// (day/month/year here), the time format and the currency digits. Taken from the process locale
// at start-up; tests pin them to a decimal comma, a thousands dot and dd/mm/yyyy.

#include <optional>
#include <string>

#include "platform/valores.h"

namespace plataforma {

struct Regional {
  char separadorDecimal = ',';
  char separadorMiles = '.';
  char separadorFecha = '/';
  char separadorHora = ':';
  int digitosMoneda = 2;
};

const Regional& ConfiguracionRegional();
void EstablecerRegional(const Regional& r);
// Reads the separators and the currency digits of the user's settings: on Linux the locale
// (LC_NUMERIC, LC_MONETARY); on Windows the regional settings, the separators of the short date
// and of the time included;
// the date order stays day/month/year, as the suite's databases expect.
Regional RegionalDelLocale();

// Date texts as the runtime reads them with these settings: day/month/year with "/", "-" or "."
// (two- or four-digit year), optionally followed by a time hh:mm[:ss]; also yyyy-mm-dd[ hh:mm:ss].
// An impossible date (31/02/2020) is not a date.
std::optional<FechaHora> LeerFecha(const std::string& texto);
bool EsFecha(const std::string& texto);
// Raises ErrorEjecucion 13 (type mismatch) when the text is not a date.
FechaHora CDate(const std::string& texto);

// "dd/mm/yyyy" and "dd/mm/yyyy hh:mm:ss" with the regional separators.
std::string FormatoFecha(const FechaHora& f);
std::string FormatoFechaHora(const FechaHora& f);
// Format with a pattern of the runtime: dd mm yyyy yy hh nn ss (hh 24-hour), other characters
// copied; "/" and ":" stand for the regional date and time separators.
std::string FormatearFecha(const FechaHora& f, const std::string& patron);
// ISO form "yyyy-mm-dd hh:mm:ss" (how the embedded engine stores dates).
std::string FechaIso(const FechaHora& f);

FechaHora Ahora();  // the computer's local date and time
FechaHora Hoy();    // today at 00:00:00

}  // namespace plataforma
