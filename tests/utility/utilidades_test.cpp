#include "utility/utilidades.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/dialogos.h"
#include "platform/regional.h"
#include "tests/support/prueba_base.h"

namespace {

using namespace utilidad;
using plataforma::FechaHora;

class UtilidadesTest : public PruebaBase {};

Moneda M(int64_t diezmilesimos) { return Moneda{diezmilesimos}; }

// Regional settings of the fixture: decimal ",", thousands ".".
TEST_F(UtilidadesTest, TextoAImporte) {
  struct Caso {
    const char* texto;
    Moneda importe;
  } casos[] = {
      {"-1234,5", M(-12345000)},
      {"1.234,50", M(12345000)},
      {"1234.5", M(12345000)},
      {"1,234.50", M(12345000)},
      {"1.234", M(12340000)},     // lone thousands separator before three digits
      {"1,234", M(12340)},        // lone "," is decimal here
      {"0.500", M(5000)},         // "0" cannot open a thousands group
      {"1234.567", M(12345670)},  // four digits cannot precede a thousands separator
      {"1.234.567", M(12345670000)},
      {"1.234.567,891", M(12345678910)},
      {"  12,5  ", M(125000)},
      {"12,5-", M(-125000)},
      {"(12,5)", M(-125000)},
      {"+7", M(70000)},
      {"- 3", M(-30000)},
      {",5", M(5000)},
      {"5,", M(50000)},
      {"", M(0)},
      {"   ", M(0)},
      {"-0,00", M(0)},
      {"0,00005", M(1)},  // half away from zero
      {"-0,00005", M(-1)},
      {"0,00004", M(0)},
      {"1,99999", M(20000)},
      {"922337203685477", M(9223372036854770000)},
  };
  for (const auto& c : casos) {
    EXPECT_EQ(TextoAImporte(c.texto), c.importe) << "'" << c.texto << "'";
  }
}

TEST_F(UtilidadesTest, TextoAImporteRechazaLoQueNoEsImporte) {
  const char* malos[] = {"abc", "12-3",  "--5",   "-5-",      "(-5)",    "-",
                         ".",   "1.2.3", "1,2,3", "12.34.56", "1,234,5", "1.234.5,6,7",
                         "1e5", "12 34", "0x10",  "1..2",     "(12"};
  for (const char* texto : malos) {
    try {
      Moneda m = TextoAImporte(texto);
      ADD_FAILURE() << "'" << texto << "' read as " << m.diezmilesimos;
    } catch (const ErrorEjecucion& e) {
      EXPECT_EQ(e.Number, plataforma::kErrTipoIncompatible) << texto;
      EXPECT_NE(e.Description.find(std::string("'") + texto + "'"), std::string::npos)
          << e.Description;
    }
  }
  try {
    TextoAImporte("9999999999999999");
    ADD_FAILURE() << "overflow read as an amount";
  } catch (const ErrorEjecucion& e) {
    EXPECT_EQ(e.Number, plataforma::kErrDesbordamiento);
  }
}

// With a "." decimal and a "," thousands separator the lone-separator rule turns around.
TEST_F(UtilidadesTest, TextoAImporteConSeparadoresDelLocaleIngles) {
  plataforma::Regional r;
  r.separadorDecimal = '.';
  r.separadorMiles = ',';
  plataforma::EstablecerRegional(r);
  EXPECT_EQ(TextoAImporte("1,234"), M(12340000));
  EXPECT_EQ(TextoAImporte("1.234"), M(12340));
  EXPECT_EQ(TextoAImporte("1.234,5"), M(12345000));
}

TEST_F(UtilidadesTest, ImporteATextoYValorCampo) {
  EXPECT_EQ(ImporteATexto(M(15000000)), "1500");
  EXPECT_EQ(ImporteATexto(M(-12345000)), "-1234.5");
  EXPECT_EQ(ImporteATexto(M(1)), "0.0001");
  EXPECT_EQ(ImporteATexto(M(-5000)), "-0.5");
  EXPECT_EQ(ImporteATexto(M(0)), "0");

  EXPECT_EQ(ValorCampo(plataforma::Nulo{}), "");
  EXPECT_EQ(ValorCampo(std::string("  texto ")), "  texto ");
  EXPECT_EQ(ValorCampo(int64_t{-42}), "-42");
  EXPECT_EQ(ValorCampo(1234.5), "1234,5");
  EXPECT_EQ(ValorCampo(0.1 + 0.2), "0,3");
  EXPECT_EQ(ValorCampo(M(-12345000)), "-1234,5");
  EXPECT_EQ(ValorCampo(FechaHora{2004, 3, 15}), "15/03/2004");
  EXPECT_EQ(ValorCampo(FechaHora{2004, 3, 15, 10, 7, 41}), "15/03/2004 10:07:41");
}

TEST_F(UtilidadesTest, CodigosYAnchos) {
  struct Caso {
    const char* texto;
    int ancho;
    const char* codigo;
  } casos[] = {
      {"7", 4, "0007"},  {" 7 ", 4, "0007"}, {"1234", 4, "1234"}, {"12345", 4, "12345"},
      {"A1", 4, "00A1"}, {"", 4, "0000"},    {" 12 ", 0, "12"},   {"ñ1", 3, "0ñ1"},
  };
  for (const auto& c : casos) {
    EXPECT_EQ(FormateaCodigo(c.texto, c.ancho), c.codigo) << c.texto << " / " << c.ancho;
  }
  EXPECT_EQ(AjustaAncho("ABCDEF", 4), "ABCD");
  EXPECT_EQ(AjustaAncho("AB", 4), "AB");
  EXPECT_EQ(AjustaAncho("ñandú", 4), "ñand");
  EXPECT_EQ(AjustaAncho("abc", 0), "");
  // A four-character code reads the same through both, as the task catalogue relies on.
  EXPECT_EQ(AjustaAncho("T001", 4), FormateaCodigo("T001", 4));
}

TEST_F(UtilidadesTest, OperacionesDeTexto) {
  EXPECT_EQ(QuitarCaracteres("@Server=srv=1", "="), "@Serversrv1");
  EXPECT_EQ(QuitarCaracteres("a-b.c,d", "-.,"), "abcd");
  EXPECT_EQ(QuitarCaracteres("año", "ñ"), "ao");
  EXPECT_EQ(ReemplazaTexto("a'b'c", "'", "''"), "a''b''c");
  EXPECT_EQ(ReemplazaTexto("Abc abc", "abc", "x"), "Abc x");
  EXPECT_EQ(ReemplazaTexto("abc", "", "x"), "abc");
  EXPECT_EQ(ReemplazarSinCaso("Select * FROM t from", "from", "de"), "Select * de t de");

  struct Caso {
    const char* texto;
    int palabras;
  } casos[] = {
      {"", 0}, {"   ", 0}, {"LEN", 1}, {" SELECT  a   FROM t ", 4}, {"SELECT\r\nx\tFROM t", 4},
  };
  for (const auto& c : casos) EXPECT_EQ(CuentaPalabras(c.texto), c.palabras) << c.texto;
}

TEST_F(UtilidadesTest, AyudasDelRuntime) {
  EXPECT_EQ(Trim("  a b \t "), "a b \t");
  EXPECT_EQ(Mayusculas("ñandú Ángel ß×"), "ÑANDÚ ÁNGEL ß×");
  EXPECT_EQ(Minusculas("ÑANDÚ ÁNGEL ÷"), "ñandú ángel ÷");
  EXPECT_EQ(Mayusculas("a\303b"), "A\303B");  // a broken sequence does not hide the next letter
  EXPECT_EQ(InStrSinCaso("Select x FROM t", "from"), 10u);
  EXPECT_EQ(InStrSinCaso("from a from", "FROM", 2), 8u);
  EXPECT_EQ(InStrSinCaso("abc", "x"), 0u);
  EXPECT_TRUE(ContieneSinCaso("MA_CUENTAS", "cuentas"));
  EXPECT_TRUE(IgualSinCaso("Peña", "PEÑA"));
  EXPECT_FALSE(IgualSinCaso("Pena", "PEÑA"));

  struct Caso {
    const char* texto;
    const char* formateado;
  } casos[] = {
      {"12", "0012"}, {"123456", "123456"}, {" 7 ", "0007"},  {"", ""},
      {"A1", "A1"},   {"-7", "-0007"},      {"12,5", "0013"}, {"12,4", "0012"},
  };
  for (const auto& c : casos) EXPECT_EQ(FormatoCeros(c.texto, 4), c.formateado) << c.texto;

  EXPECT_EQ(Dividir("a;b;;c", ";"), (std::vector<std::string>{"a", "b", "", "c"}));
  EXPECT_EQ(Dividir("", ";"), std::vector<std::string>{""});
  EXPECT_EQ(Dividir("a\tb", "\t"), (std::vector<std::string>{"a", "b"}));
}

TEST_F(UtilidadesTest, RutasYCarpetas) {
  EXPECT_EQ(RutaConBarra("/opt/x"), "/opt/x/");
  EXPECT_EQ(RutaConBarra("/opt/x/"), "/opt/x/");
  EXPECT_EQ(RutaConBarra(""), "");
  EXPECT_EQ(CarpetaAlternativa().back(), '/');
  EXPECT_FALSE(NombreMaquina().empty());
}

TEST_F(UtilidadesTest, CifradoReversibleYGuardableEnUnCampo) {
  const char* textos[] = {"", "clave", "con,coma\r\n", "ñandú €",
                          "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"};
  for (const char* t : textos) {
    std::string cifrado = Encriptar(t);
    EXPECT_EQ(Desencriptar(cifrado), t);
    EXPECT_EQ(cifrado.find_first_of(",\r\n"), std::string::npos) << cifrado;
    if (*t) {
      EXPECT_NE(cifrado, t);
    }
  }
}

TEST_F(UtilidadesTest, MensajeErrorDevuelveAbortarReintentarOIgnorar) {
  dialogos.Responder(plataforma::vbRetry);
  dialogos.Responder(plataforma::vbIgnore);
  EXPECT_EQ(MensajeError(ErrorEjecucion(13, "No coinciden los tipos", "importador")), 4);
  EXPECT_EQ(MensajeError(-2147217900, "Sintaxis incorrecta", "Proveedor"), 5);
  ASSERT_EQ(dialogos.Transcripcion().size(), 2u);
  const auto& d = dialogos.Transcripcion()[1];
  EXPECT_EQ(d.titulo, "Proveedor");
  EXPECT_NE(d.texto.find("-2147217900"), std::string::npos);
  EXPECT_NE(d.texto.find("Sintaxis incorrecta"), std::string::npos);
  EXPECT_EQ(d.botones, plataforma::vbAbortRetryIgnore + plataforma::vbCritical);
  // An answer the dialog cannot give (a closed box) counts as abort.
  dialogos.Responder(plataforma::vbCancel);
  EXPECT_EQ(MensajeError(1, "x", "y"), 3);
}

// The values sha256sum prints, around the padding's block boundaries (55, 56 and 64 bytes).
TEST(Sha256, ComoSha256sum) {
  const std::pair<std::string, const char*> casos[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
      {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
      {std::string("\xFF\x00\x80", 3),
       "ef192b7af54e943f206ab27075ec1805384c972c9959fc5820f1fa7d5268fcef"},
  };
  for (const auto& [bytes, esperado] : casos) {
    EXPECT_EQ(Sha256Hex(bytes), esperado) << bytes.size() << " bytes";
  }
}

TEST_F(UtilidadesTest, DialogoArchivoDevuelveLaRutaElegida) {
  DialogoArchivo dlg;
  dialogos.ResponderTexto("/datos/saldos.txt");
  dlg.MostrarAbrir();
  EXPECT_EQ(dlg.NombreArchivo(), "/datos/saldos.txt");
}

}  // namespace
