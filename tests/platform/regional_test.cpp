#include "platform/regional.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/error_ejecucion.h"
#include "tests/support/prueba_base.h"

namespace {

using namespace plataforma;

class RegionalTest : public PruebaBase {};

TEST_F(RegionalTest, LeerFecha) {
  struct Caso {
    const char* texto;
    std::optional<FechaHora> fecha;
  } casos[] = {
      {"15/03/2004", FechaHora{2004, 3, 15}},
      {"5-3-2004", FechaHora{2004, 3, 5}},
      {"05.03.04", FechaHora{2004, 3, 5}},
      {"01/01/29", FechaHora{2029, 1, 1}},
      {"01/01/30", FechaHora{1930, 1, 1}},
      {" 15/03/2004 10:07 ", FechaHora{2004, 3, 15, 10, 7, 0}},
      {"15/03/2004 10:07:41", FechaHora{2004, 3, 15, 10, 7, 41}},
      {"2004-03-15", FechaHora{2004, 3, 15}},
      {"2004-03-15 23:59:59", FechaHora{2004, 3, 15, 23, 59, 59}},
      {"29/02/2024", FechaHora{2024, 2, 29}},
      {"29/02/2000", FechaHora{2000, 2, 29}},
      {"29/02/2021", std::nullopt},
      {"29/02/1900", std::nullopt},
      {"31/02/2020", std::nullopt},
      {"31/04/2020", std::nullopt},
      {"00/01/2020", std::nullopt},
      {"15/13/2020", std::nullopt},
      {"15/03-2020", std::nullopt},
      {"15/03/2020 24:00", std::nullopt},
      {"15/03/2020 10:60", std::nullopt},
      {"15/03/204", std::nullopt},
      {"2020-02-30", std::nullopt},
      {"", std::nullopt},
      {"hoy", std::nullopt},
      {"15/03/2004x", std::nullopt},
      {"2004-03-15T10:07", FechaHora{2004, 3, 15, 10, 7, 0}},
      {"2004-3-5 9:07:41.250", FechaHora{2004, 3, 5, 9, 7, 41}},
      {"2004-03-15 10:07.5", std::nullopt},  // a fraction needs the seconds
      {"15/03/2004T10:07", std::nullopt},
      {"15.03.2004   9:07:41", FechaHora{2004, 3, 15, 9, 7, 41}},
      {"15/03/2004 10:07:41.5", std::nullopt},
      {"\t15/03/2004\t", FechaHora{2004, 3, 15}},
      {"15/03/2004\t10:07", std::nullopt},
      {"15/03/2004 10:7", std::nullopt},
      {"15/03/2004 100:07", std::nullopt},
      {"15/03/20 10:07", FechaHora{2020, 3, 15, 10, 7, 0}},
      {"115/03/2004", std::nullopt},
      {"15/003/2004", std::nullopt},
      {"20040-03-15", std::nullopt},
      {"0099-01-01", std::nullopt},
      {"01/01/0099", std::nullopt},
      {"15/03/99999999999", std::nullopt},
  };
  for (const auto& c : casos) {
    EXPECT_EQ(LeerFecha(c.texto), c.fecha) << c.texto;
    EXPECT_EQ(EsFecha(c.texto), c.fecha.has_value()) << c.texto;
  }
}

TEST_F(RegionalTest, CDateRechazaLoQueNoEsFecha) {
  EXPECT_EQ(CDate("01/02/2003"), (FechaHora{2003, 2, 1}));
  try {
    CDate("31/02/2020");
    FAIL() << "31/02/2020 taken as a date";
  } catch (const ErrorEjecucion& e) {
    EXPECT_EQ(e.Number, kErrTipoIncompatible);
    EXPECT_NE(e.Description.find("31/02/2020"), std::string::npos);
  }
}

TEST_F(RegionalTest, FormatosDeFecha) {
  const FechaHora f{2004, 3, 5, 9, 7, 41};
  EXPECT_EQ(FormatoFecha(f), "05/03/2004");
  EXPECT_EQ(FormatoFechaHora(f), "05/03/2004 09:07:41");
  EXPECT_EQ(FechaIso(f), "2004-03-05 09:07:41");
  EXPECT_EQ(FechaIso(FechaHora{}), "1899-12-30 00:00:00");
  EXPECT_EQ(FechaIso(FechaHora{12345, 1, 2, 3, 4, 100}), "12345-01-02 03:04:100");
  struct Caso {
    const char* patron;
    const char* texto;
  } casos[] = {
      {"dd/mm/yyyy", "05/03/2004"}, {"dd/mm/yy hh:nn", "05/03/04 09:07"},
      {"mm-dd-yyyy", "03-05-2004"}, {"hh:mm:ss", "09:07:41"},  // "mm" after the hour is minutes
      {"yyyymmdd", "20040305"},     {"DD/MM/YYYY", "05/03/2004"},
  };
  for (const auto& c : casos) EXPECT_EQ(FormatearFecha(f, c.patron), c.texto) << c.patron;

  Regional r;
  r.separadorFecha = '-';
  r.separadorHora = '.';
  EstablecerRegional(r);
  EXPECT_EQ(FormatoFechaHora(f), "05-03-2004 09.07.41");
}

TEST_F(RegionalTest, HoyEsAhoraAMedianoche) {
  FechaHora hoy = Hoy();
  FechaHora ahora = Ahora();
  EXPECT_EQ(hoy.hora + hoy.minuto + hoy.segundo, 0);
  EXPECT_EQ(std::tie(hoy.anio, hoy.mes), std::tie(ahora.anio, ahora.mes));
  EXPECT_TRUE(LeerFecha(FormatoFechaHora(ahora)).has_value());
}

TEST_F(RegionalTest, RegionalDelLocaleSinLocaleDeUsuario) {
  const char* anterior = std::getenv("LC_ALL");
  std::string guardado = anterior ? anterior : "";
  ::setenv("LC_ALL", "C", 1);
  Regional r = RegionalDelLocale();
  EXPECT_EQ(r.separadorDecimal, '.');
  EXPECT_EQ(r.separadorMiles, ',');
  EXPECT_EQ(r.separadorFecha, '/');
  EXPECT_EQ(r.digitosMoneda, 2);
  if (anterior) {
    ::setenv("LC_ALL", guardado.c_str(), 1);
  } else {
    ::unsetenv("LC_ALL");
  }
}

}  // namespace
