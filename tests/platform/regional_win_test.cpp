// The user's regional settings on Windows, as the Control Panel leaves them (SetLocaleInfo on
// this prefix's user, restored afterwards): what the program takes, and what it falls back to.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/regional.h"

namespace {

using plataforma::Regional;

constexpr LCTYPE kDatos[] = {LOCALE_SDECIMAL, LOCALE_STHOUSAND, LOCALE_SSHORTDATE,
                             LOCALE_STIMEFORMAT, LOCALE_ICURRDIGITS};

class RegionalWin : public ::testing::Test {
 protected:
  void SetUp() override {
    for (LCTYPE dato : kDatos) {
      wchar_t valor[128] = {};
      GetLocaleInfoW(LOCALE_USER_DEFAULT, dato, valor, 128);
      originales_.emplace_back(dato, valor);
    }
  }
  void TearDown() override {
    for (const auto& [dato, valor] : originales_) {
      SetLocaleInfoW(LOCALE_USER_DEFAULT, dato, valor.c_str());
    }
  }
  std::vector<std::pair<LCTYPE, std::wstring>> originales_;
};

TEST_F(RegionalWin, SeparadoresFechaHoraYDecimalesDelUsuario) {
  struct Caso {
    const wchar_t* valores[5];  // decimal, thousands, short date, time format, currency digits
    Regional esperada;
  } casos[] = {
      {{L",", L".", L"dd/MM/yyyy", L"HH:mm:ss", L"2"}, {',', '.', '/', ':', 2}},
      {{L",", L".", L"dd.MM.yyyy", L"HH:mm:ss", L"2"}, {',', '.', '.', ':', 2}},
      {{L".", L",", L"M/d/yyyy", L"h:mm:ss tt", L"2"}, {'.', ',', '/', ':', 2}},
      // A non-breaking space is no separator the program can read: the other mark instead.
      {{L",", L"\u00A0", L"dd/MM/yyyy", L"HH:mm", L"2"}, {',', '.', '/', ':', 2}},
      {{L".", L"'", L"yyyy-MM-dd", L"HH.mm.ss", L"0"}, {'.', '\'', '-', '.', 0}},
      // Quoted words and blanks are no separators: the date keeps its "/".
      {{L",", L".", L"d 'de' MMMM 'de' yyyy", L"H:mm", L"3"}, {',', '.', '/', ':', 3}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.valores[2])));
    for (size_t i = 0; i < 5; ++i) {
      ASSERT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, kDatos[i], c.valores[i]));
    }
    const Regional r = plataforma::RegionalDelLocale();
    EXPECT_EQ(r.separadorDecimal, c.esperada.separadorDecimal);
    EXPECT_EQ(r.separadorMiles, c.esperada.separadorMiles);
    EXPECT_EQ(r.separadorFecha, c.esperada.separadorFecha);
    EXPECT_EQ(r.separadorHora, c.esperada.separadorHora);
    EXPECT_EQ(r.digitosMoneda, c.esperada.digitosMoneda);
  }
}

}  // namespace
