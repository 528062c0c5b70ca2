#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "data/aviso_operador.h"
#include "data/db_dll.h"
#include "platform/archivos.h"
#include "platform/dialogos.h"
#include "tests/support/prueba_base.h"

namespace {

using plataforma::ErrorEjecucion;

class ErroresTest : public PruebaBase {
 protected:
  void SetUp() override {
    PruebaBase::SetUp();
    programa_ = carpeta_ + "programa/";
    temporal_ = carpeta_ + "temporal/";
    std::filesystem::create_directories(programa_);
    std::filesystem::create_directories(temporal_);
    plataforma::EstablecerCarpetaPrograma(programa_);
    ::setenv("tmp", temporal_.c_str(), 1);
  }
  static std::string Leer(const std::string& ruta) {
    std::ifstream f(ruta, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
  }
  // The log's content without the leading "mm-dd-yyyy hh:mm:ss" of each line.
  static std::string SinFechas(const std::string& log) {
    static const std::regex fecha(R"((^|\n)\d{2}-\d{2}-\d{4} \d{2}:\d{2}:\d{2})");
    return std::regex_replace(log, fecha, "$1<fecha>");
  }
  std::string programa_, temporal_;
};

TEST_F(ErroresTest, LineaDelLog) {
  ErrorEjecucion negativo(-2147217865, " El nombre de objeto 'X' no es válido. ", "Proveedor");
  EXPECT_EQ(aviso::Mensaje(negativo),
            "Ha ocurrido el Siguiente Error (-2147217865) El nombre de objeto 'X' no es válido.");
  EXPECT_EQ(aviso::LineaLog("03-15-2004 10:07:41", "AbrirRecordset", "Ha ocurrido (3709) x", 4),
            "03-15-2004 10:07:41 Rutina: - AbrirRecordset Mensaje Ha ocurrido (3709) x "
            "Respondió : Reintentar");
  EXPECT_EQ(aviso::LineaLog("f", "", "m", 3), "f Rutina:  Mensaje m Respondió : Abortar");

  struct Caso {
    int respuesta;
    const char* texto;
  } casos[] = {{1, ""},        {2, "Cancelar"}, {3, "Abortar"}, {4, "Reintentar"},
               {5, "Ignorar"}, {6, "Sí"},       {7, "No"},      {0, ""}};
  for (const auto& c : casos) EXPECT_EQ(aviso::TextoRespuesta(c.respuesta), c.texto);
}

TEST_F(ErroresTest, TratamientoErroresEscribeEnLaCarpetaDelPrograma) {
  dialogos.Responder(plataforma::vbRetry);
  ErrorEjecucion e(3709, "La conexión está cerrada.", "ADODB.Connection");
  EXPECT_EQ(DB().TratamientoErrores(e, 18, "AbrirRecordset"), 4);

  ASSERT_EQ(dialogos.Transcripcion().size(), 1u);
  const auto& d = dialogos.Transcripcion()[0];
  EXPECT_EQ(d.titulo, "ADODB.Connection - AbrirRecordset Aviso al operador!!! - 5 ");
  EXPECT_EQ(d.texto, "Ha ocurrido el Siguiente Error (3709) La conexión está cerrada.");
  EXPECT_EQ(d.botones, 18);
  EXPECT_EQ(SinFechas(Leer(programa_ + "KVERR.LOG")),
            "<fecha> Rutina: - AbrirRecordset Mensaje Ha ocurrido el Siguiente Error (3709) "
            "La conexi\xF3n est\xE1 cerrada. Respondi\xF3 : Reintentar\r\n");
  EXPECT_FALSE(std::filesystem::exists(temporal_ + "KVERR.LOG"));
}

TEST_F(ErroresTest, AvisoOperadorEscribeEnLaCarpetaTemporal) {
  dialogos.Responder(plataforma::vbIgnore);
  dialogos.Responder(plataforma::vbYes);
  ErrorEjecucion e(-2147217900, "Sintaxis incorrecta", "Microsoft OLE DB Provider");
  EXPECT_EQ(AvisoOperador(e, 18, "Cfg"), 5);
  EXPECT_EQ(AvisoOperador(e, plataforma::vbYesNo), 6);

  ASSERT_EQ(dialogos.Transcripcion().size(), 2u);
  EXPECT_EQ(dialogos.Transcripcion()[0].titulo,
            "Microsoft OLE DB Provider - Cfg Aviso al operador!!! - 2 ");
  EXPECT_EQ(dialogos.Transcripcion()[1].titulo,
            "Microsoft OLE DB Provider Aviso al operador!!! - 2 ");
  EXPECT_EQ(dialogos.Transcripcion()[1].botones, plataforma::vbYesNo);
  EXPECT_EQ(SinFechas(Leer(temporal_ + "KVERR.LOG")),
            "<fecha> Rutina: - Cfg Mensaje Ha ocurrido el Siguiente Error (-2147217900) "
            "Sintaxis incorrecta Respondi\xF3 : Ignorar\r\n"
            "<fecha> Rutina:  Mensaje Ha ocurrido el Siguiente Error (-2147217900) "
            "Sintaxis incorrecta Respondi\xF3 : S\xED\r\n");
  EXPECT_FALSE(std::filesystem::exists(programa_ + "KVERR.LOG"));
}

// Without "temp" the log goes to the system's temporary folder.
TEST_F(ErroresTest, AvisoOperadorSinTempUsaLaCarpetaAlternativa) {
  std::string alternativa = carpeta_ + "alternativa";
  std::filesystem::create_directories(alternativa);
  const char* tmpdir = std::getenv("TMPDIR");
  std::string tmpdirAnterior = tmpdir ? tmpdir : "";
  ::unsetenv("temp");
  ::unsetenv("TEMP");
  ::setenv("TMPDIR", alternativa.c_str(), 1);
  dialogos.Responder(plataforma::vbAbort);
  EXPECT_EQ(AvisoOperador(ErrorEjecucion(5, "x", "y"), 18, "FmtMoneda"), 3);
  if (tmpdir) {
    ::setenv("TMPDIR", tmpdirAnterior.c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
  EXPECT_TRUE(std::filesystem::exists(alternativa + "/KVERR.LOG"));
  EXPECT_FALSE(std::filesystem::exists(temporal_ + "KVERR.LOG"));
}

// Number 0: no dialog and no line; AvisoOperador has opened (and so created) its log already.
TEST_F(ErroresTest, SinErrorNoHayDialogo) {
  ErrorEjecucion ninguno(0, "", "importador");
  EXPECT_EQ(DB().TratamientoErrores(ninguno), 0);
  EXPECT_EQ(AvisoOperador(ninguno), 0);
  EXPECT_TRUE(dialogos.Transcripcion().empty());
  EXPECT_FALSE(std::filesystem::exists(programa_ + "KVERR.LOG"));
  EXPECT_EQ(Leer(temporal_ + "KVERR.LOG"), "");
}

TEST_F(ErroresTest, UnLogQueNoSePuedeEscribirNoQuitaElDialogo) {
  plataforma::EstablecerCarpetaPrograma(carpeta_ + "no/existe/");
  ::setenv("tmp", (carpeta_ + "tampoco").c_str(), 1);
  dialogos.Responder(plataforma::vbRetry);
  dialogos.Responder(plataforma::vbIgnore);
  ErrorEjecucion e(3021, "EOF", "ADODB.Recordset");
  EXPECT_EQ(DB().TratamientoErrores(e, 18, "CierraRecordset"), 4);
  EXPECT_EQ(AvisoOperador(e, 18, "CfgKV"), 5);
  EXPECT_EQ(dialogos.Transcripcion().size(), 2u);
}

}  // namespace
