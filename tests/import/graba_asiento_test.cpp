#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "data/sentencias.h"
#include "data/valores_sesion.h"
#include "import/asientos.h"
#include "platform/error_ejecucion.h"
#include "platform/regional.h"
#include "tests/support/empresa.h"

namespace {

class GrabaAsientoTest : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    Ejecutar(
        "INSERT INTO MA_CUENTASADIC (CODIGO, NUMERO_DOCUMENTO, IVA) "
        "VALUES ('112010123', ' 20-12345678-9 ', 'RI ')");
    gCantidadDecimales = "2";
    gCaja = "7";
    linea.detalle = " Saldo inicial ";
    sentencias = ListaSentencias(1);
    linea.fecha = "15/03/2004";
    linea.periodo = "2004";
    linea.numeroAsiento = "42";
    linea.cuenta = "112010123";
    linea.cuentaCliente = "112010123";
    linea.descripcion = "PEREZ JUAN";
    linea.secuencia = 1;
    linea.importeTexto = "1500,00";
    linea.debeHaber = "D";
    linea.tc = "FC";
    linea.sucursal = "0001";
    linea.numero = "00001234";
    linea.letra = "A";
  }

  // The statement GrabaAsiento appended, with the recording time replaced by <ts>.
  std::string Sentencia() const {
    EXPECT_EQ(sentencias.size(), 3u);
    if (sentencias.size() < 3) return "";
    EXPECT_EQ(sentencias[2], "");
    static const std::regex fechaHora(R"('\d\d/\d\d/\d{4} \d\d:\d\d:\d\d')");
    return std::regex_replace(sentencias[1], fechaHora, "<ts>");
  }

  // The journal line as stored, the columns named in `columnas`.
  std::vector<std::string> Fila(const std::string& columnas) {
    auto filas = Consultar("SELECT " + columnas + " FROM MV_ASIENTOS");
    EXPECT_EQ(filas.size(), 1u);
    return filas.empty() ? std::vector<std::string>{} : filas[0];
  }

  // Appends the composed statement, as the modes do.
  void Grabar() { AgregaSentencia(sentencias, GrabaAsiento(linea)); }

  LineaAsiento linea;
  ListaSentencias sentencias;
};

TEST_F(GrabaAsientoTest, LaPrimeraLineaDeUnaFacturaLlevaElLibroDeIva) {
  Grabar();
  EXPECT_EQ(Sentencia(),
            "INSERT INTO MV_ASIENTOS (Fecha,FechaSubDiario,Mes_Operativo,[NUMERO ASIENTO],"
            "Cuenta,Secuencia,CabImporte,[Debe-Haber],Importe,Periodo,TC,Sucursal,Numero,Letra,"
            "Tipo_Reg,tj_observaciones,Detalle,Moneda,cotizacion,USUARIO_LOGEADO,IdCajas,"
            "Unegocio,FechaHora_Grabacion,CabCuenta,CabNombre,CabCuit,CabCondIVA,LIVA_TIPO,"
            "LIVA_TOTAL,LIVA_IMPNETOGRAV,LIVA_IMPNETONGRAV,LIVA_IMPIVA,LIVA_EXENTO,"
            "LIVA_ALICIVA) VALUES ('15/03/2004','15/03/2004','3',42,'112010123','1',1500,'D',"
            "1500,'2004','FC','0001','00001234','A','    ','Importado','Saldo inicial','   1',1,"
            "'OPERADOR','0007','   1',<ts>,'112010123','PEREZ JUAN','20-12345678-9','RI ',"
            "'VENTAS',1500,1239.67,0,260.33,0,21)");

  ASSERT_TRUE(EjecutaSentencias(sentencias));
  EXPECT_EQ(Fila("Fecha, FechaSubDiario, MES_OPERATIVO, [NUMERO ASIENTO], Cuenta, Secuencia, "
                 "CabImporte, [Debe-Haber], Importe, PERIODO, TIPO_REG, Moneda, IdCajas, "
                 "Unegocio, VENCIMIENTO, NROCOMPROBANTEBANCARIO, LIVA_TOTAL, "
                 "LIVA_IMPNETOGRAV, LIVA_IMPIVA, LIVA_ALICIVA"),
            (std::vector<std::string>{"2004-03-15 00:00:00",
                                      "2004-03-15 00:00:00",
                                      "3",
                                      "42",
                                      "112010123",
                                      "1",
                                      "1500",
                                      "D",
                                      "1500",
                                      "2004",
                                      "    ",
                                      "   1",
                                      "0007",
                                      "   1",
                                      "NULL",
                                      "NULL",
                                      "1500",
                                      "1239.67",
                                      "260.33",
                                      "21"}));
  // The recording time is stored as a date (a day-first text would read back as NULL).
  const std::string grabacion = Valor("SELECT FechaHora_Grabacion FROM MV_ASIENTOS");
  EXPECT_TRUE(std::regex_match(grabacion, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")))
      << grabacion;
}

struct CasoIva {
  const char* tc;
  int16_t secuencia;
  bool lleva;
};

TEST_F(GrabaAsientoTest, SoloLaPrimeraLineaDeFacturasYNotasLlevaLibroDeIva) {
  const std::vector<CasoIva> casos = {
      {"FC", 1, true},  {"fc", 1, true},   {"NC", 1, true},  {"ND", 1, true},
      {"FC", 2, false}, {"FCC", 1, false}, {"CB", 1, false}, {"NCC", 1, false},
  };
  for (const auto& c : casos) {
    sentencias = ListaSentencias(1);
    linea.tc = c.tc;
    linea.secuencia = c.secuencia;
    Grabar();
    const std::string s = Sentencia();
    EXPECT_EQ(s.find("LIVA_TOTAL") != std::string::npos, c.lleva) << c.tc << " " << c.secuencia;
    EXPECT_EQ(s.find("CabCuenta") != std::string::npos, c.lleva) << c.tc << " " << c.secuencia;
  }
}

TEST_F(GrabaAsientoTest, UnaNotaDeCreditoLlevaElLibroDeIvaEnNegativo) {
  linea.tc = "NC";
  linea.importeTexto = "-200";
  linea.debeHaber = "H";
  Grabar();
  ASSERT_TRUE(EjecutaSentencias(sentencias));
  EXPECT_EQ(Fila("CabImporte, Importe, [Debe-Haber], LIVA_TOTAL, LIVA_IMPNETOGRAV, "
                 "LIVA_IMPNETONGRAV, LIVA_IMPIVA, LIVA_EXENTO"),
            (std::vector<std::string>{"200", "200", "H", "-200", "-165.29", "0", "-34.71", "0"}));
}

TEST_F(GrabaAsientoTest, ConCuatroDecimalesElNetoYElIvaLlevanCuatro) {
  gCantidadDecimales = "4";
  Grabar();
  ASSERT_TRUE(EjecutaSentencias(sentencias));
  EXPECT_EQ(Fila("LIVA_IMPNETOGRAV, LIVA_IMPIVA"),
            (std::vector<std::string>{"1239.6694", "260.3306"}));
}

TEST_F(GrabaAsientoTest, UnReciboConVencimientoNoLlevaLibroDeIva) {
  // A due date padded with blanks, as a report column may hold it, is still stored as a date.
  for (const std::string vencimiento : {"30/04/2004", " 30/04/2004  "}) {
    SCOPED_TRACE("'" + vencimiento + "'");
    Ejecutar("DELETE FROM MV_ASIENTOS");
    sentencias = ListaSentencias(1);
    linea.tc = "CB";
    linea.vencimiento = vencimiento;
    Grabar();
    const std::string s = Sentencia();
    EXPECT_NE(s.find(",FechaHora_Grabacion,VENCIMIENTO) VALUES ("), std::string::npos) << s;
    EXPECT_NE(s.find(",<ts>,'30/04/2004')"), std::string::npos) << s;
    ASSERT_TRUE(EjecutaSentencias(sentencias));
    EXPECT_EQ(Fila("VENCIMIENTO, CabCuenta, LIVA_TOTAL"),
              (std::vector<std::string>{"2004-04-30 00:00:00", "NULL", "NULL"}));
  }
}

TEST_F(GrabaAsientoTest, ElNumeroBancarioSoloSeEscribeCuandoHay) {
  for (const std::string numero : {"", "   ", "00045678"}) {
    sentencias = ListaSentencias(1);
    linea.nroComprobanteBancario = numero;
    linea.vencimiento = " ";
    Grabar();
    const std::string s = Sentencia();
    EXPECT_EQ(s.find("VENCIMIENTO"), std::string::npos) << s;
    EXPECT_EQ(s.find("nroComprobanteBancario") != std::string::npos, numero == "00045678") << s;
  }
}

TEST_F(GrabaAsientoTest, LasComillasSeQuitanDeLoQueSeGrabaNoDeLaLinea) {
  linea.detalle = "Saldo d'Alessandro";
  linea.descripcion = "D'ALESSANDRO S.A.";
  linea.letra = "'";
  linea.sucursal = "00'01";
  Grabar();
  EXPECT_EQ(linea.descripcion, "D'ALESSANDRO S.A.");  // the caller's line is left as given
  EXPECT_EQ(linea.sucursal, "00'01");
  ASSERT_TRUE(EjecutaSentencias(sentencias));
  EXPECT_EQ(Fila("Detalle, CabNombre, LETRA"),
            (std::vector<std::string>{"Saldo dAlessandro", "DALESSANDRO S.A.", ""}));
}

struct CasoSesion {
  std::string caja;
  std::string unidad;
  std::string idCajas;
  std::string unegocio;
};

TEST_F(GrabaAsientoTest, CajaYUnidadDeNegocioDeLaSesion) {
  const std::vector<CasoSesion> casos = {
      {"", "   1", "NULL", "   1"},
      {"  ", "null", "NULL", "NULL"},
      {" 7 ", "NULL", "0007", "NULL"},
      {"12345", "UN2", "12345", "UN2"},  // already wider than four: as it is
  };
  for (const auto& c : casos) {
    Ejecutar("DELETE FROM MV_ASIENTOS");
    sentencias = ListaSentencias(1);
    gCaja = c.caja;
    gUnidadNegocio = c.unidad;
    Grabar();
    if (c.idCajas.size() > 4) dialogos.Responder(plataforma::vbOK);
    const bool grabado = EjecutaSentencias(sentencias);
    if (c.idCajas.size() > 4) {
      // The journal's IdCajas holds four characters: the database refuses the line.
      EXPECT_FALSE(grabado);
      EXPECT_EQ(dialogos.Textos("Atención").size(), 1u);
      continue;
    }
    ASSERT_TRUE(grabado) << c.caja;
    EXPECT_EQ(Fila("IdCajas, Unegocio"), (std::vector<std::string>{c.idCajas, c.unegocio}))
        << "caja '" << c.caja << "' unidad '" << c.unidad << "'";
  }
}

TEST_F(GrabaAsientoTest, UnImporteNegativoSeEscribeEnAbsoluto) {
  linea.tc = "CB";
  linea.importeTexto = "-200";
  linea.debeHaber = "H";
  Grabar();
  ASSERT_TRUE(EjecutaSentencias(sentencias));
  EXPECT_EQ(Fila("Importe, CabImporte, [Debe-Haber]"),
            (std::vector<std::string>{"200", "200", "H"}));
}

TEST_F(GrabaAsientoTest, UnaFechaOUnImporteIlegiblesNoAgreganNada) {
  const std::vector<std::pair<std::string, std::string>> casos = {
      {"31/02/2004", "1500"}, {"15/03/2004", "15OO"}, {"", "1500"}};
  for (const auto& [fecha, importe] : casos) {
    sentencias = ListaSentencias(1);
    linea.fecha = fecha;
    linea.importeTexto = importe;
    try {
      Grabar();
      ADD_FAILURE() << "no error for " << fecha << " / " << importe;
    } catch (const plataforma::ErrorEjecucion& e) {
      EXPECT_EQ(e.Number, plataforma::kErrTipoIncompatible) << fecha << " / " << importe;
    }
    EXPECT_EQ(sentencias, ListaSentencias(1));
  }
}

}  // namespace
