#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import/asientos.h"
#include "platform/error_ejecucion.h"
#include "platform/regional.h"
#include "tests/support/empresa.h"

namespace {

class NumeracionTest : public PruebaEmpresa {
 protected:
  // Journal lines numbered desde..hasta in one month and period.
  void Asientos(const std::string& tabla, int mes, int periodo, int desde, int hasta,
                const std::string& tipoReg = "    ") {
    for (int n = desde; n <= hasta; ++n) {
      Ejecutar("INSERT INTO " + tabla +
               " (MES_OPERATIVO, PERIODO, TIPO_REG, [NUMERO ASIENTO]) "
               "VALUES (" +
               std::to_string(mes) + ", " + std::to_string(periodo) + ", '" + tipoReg + "', " +
               std::to_string(n) + ")");
    }
  }
};

TEST_F(NumeracionTest, PeriodoDeFechaBuscaElEjercicioQueContieneLaFecha) {
  Ejecutar(
      "INSERT INTO MV_EJERCICIOS (Periodo, [FECHA DESDE], [FECHA HASTA]) VALUES "
      "(2004, '2004-01-01 00:00:00', '2004-12-31 00:00:00'), "
      "(2005, '2005-01-01 00:00:00', '2005-12-31 00:00:00')");
  const std::vector<std::pair<std::string, int16_t>> casos = {
      {"15/03/2004", 2004}, {"1/1/2004", 2004}, {"31/12/2004", 2004}, {"01/01/2005", 2005},
      {"15-06-2005", 2005}, {"31/12/2003", 0},  {"01/01/2010", 0},
  };
  for (const auto& [fecha, periodo] : casos) {
    EXPECT_EQ(PeriodoDeFecha(fecha), periodo) << fecha;
  }
}

TEST_F(NumeracionTest, PeriodoDeFechaDejaLaFechaIlegibleASuLlamador) {
  try {
    PeriodoDeFecha("31/02/2004");
    ADD_FAILURE() << "no error";
  } catch (const plataforma::ErrorEjecucion& e) {
    EXPECT_EQ(e.Number, plataforma::kErrTipoIncompatible);
  }
}

TEST_F(NumeracionTest, ElNumeroSigueAlMayorDelMesYPeriodo) {
  Asientos("MV_ASIENTOS", 3, 2004, 1, 41);
  Asientos("MV_ASIENTOS", 3, 2005, 1, 7);
  Asientos("MV_ASIENTOS", 3, 0, 1, 2);
  const std::vector<std::pair<std::pair<std::string, std::string>, int32_t>> casos = {
      {{"3", "2004"}, 42}, {{"4", "2004"}, 1}, {{"3", "2005"}, 8},
      {{"3", "0"}, 3},     {{"5", "0"}, 1},    {{"3", "2006"}, 1},
  };
  for (const auto& [mesPeriodo, numero] : casos) {
    EXPECT_EQ(ValidaTCRegistraciones(mesPeriodo.first, mesPeriodo.second, "    "), numero)
        << "month " << mesPeriodo.first << " period " << mesPeriodo.second;
  }
}

TEST_F(NumeracionTest, ElTipoDeRegistroSeparaLaNumeracion) {
  Asientos("MV_ASIENTOS", 3, 2004, 1, 5, "    ");
  Asientos("MV_ASIENTOS", 3, 2004, 6, 9, "\xC3\xBFRS");  // the journal's own "ÿRS"
  Asientos("MV_ASIENTOS", 3, 2004, 10, 30, "AJ");
  EXPECT_EQ(ValidaTCRegistraciones("3", "2004", "    "), 10);
  EXPECT_EQ(ValidaTCRegistraciones("3", "2004"), 10);
  EXPECT_EQ(ValidaTCRegistraciones("3", "2004", " AJ "), 31);
}

TEST_F(NumeracionTest, UnNumeroTomadoEnCentrosDeCostoSigueAlMayorDeAlli) {
  Asientos("MV_ASIENTOS", 3, 2004, 1, 41);
  Asientos("MV_ASIENTOSCCOSTO", 3, 2004, 42, 42);
  Asientos("MV_ASIENTOSCCOSTO", 3, 2004, 57, 57);
  Asientos("MV_ASIENTOSCCOSTO", 4, 2004, 90, 90);  // another month does not count
  EXPECT_EQ(ValidaTCRegistraciones("3", "2004", "    "), 58);
  // A number free in the cost-centre table stays, whatever its maximum there.
  Ejecutar("DELETE FROM MV_ASIENTOSCCOSTO WHERE [NUMERO ASIENTO] = 42");
  EXPECT_EQ(ValidaTCRegistraciones("3", "2004", "    "), 42);
}

TEST_F(NumeracionTest, UnPeriodoIlegibleVaAlDialogoYDevuelveLoCalculado) {
  dialogos.Responder(plataforma::vbAbort);
  EXPECT_EQ(ValidaTCRegistraciones("3", "dos mil"), 0);
  ASSERT_EQ(dialogos.Transcripcion().size(), 1u);
  EXPECT_NE(dialogos.Transcripcion()[0].titulo.find("ValidaTCRegistraciones"), std::string::npos)
      << dialogos.Transcripcion()[0].titulo;
}

TEST_F(NumeracionTest, FechaServidorDaLaHoraDelServidor) {
  const auto antes = plataforma::Ahora();
  const auto f = FechaServidor();
  const auto despues = plataforma::Ahora();
  // getDate() of the embedded engine is the local clock, read to the second.
  auto sinSegundos = [](plataforma::FechaHora x) {
    x.segundo = 0;
    return x;
  };
  EXPECT_GE(sinSegundos(f), sinSegundos(antes));
  EXPECT_LE(sinSegundos(f), sinSegundos(despues));
  EXPECT_TRUE(dialogos.Transcripcion().empty());
}

}  // namespace
