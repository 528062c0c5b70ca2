// The run report written by the window's run on a real company: the text one beside the input,
// the JSON one where asked, with the run named, the SHA-256 of the input, the counts, the lines
// not posted, and the program's folder when the input's cannot take them.

#include "ui/informe_corrida.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>

#include "data/valores_sesion.h"
#include "platform/archivos.h"
#include "platform/dialogos.h"
#include "tests/support/empresa.h"
#include "ui/frm_quilma.h"

namespace {

std::string Bytes(const std::string& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// A fixed input: a header, a voucher posted, one incomplete. Its SHA-256 is what sha256sum
// prints for these bytes.
const char kEntrada[] =
    "Cliente: 123\r\n"
    "15/01/2020;;;;REC X 0001-1;;;;;;;;;15/02/2020;;;;;;;;;;;;;;;;;;;;;;;;10\r\n"
    "15/01/2020;;;;REC X 0001-2;;;;;;;;;15/02/2020;;;;;;;;;;;;;;;;;;;;;;;;\r\n";
const char kSha256[] = "c500948cf4856b0b8969e665d3d2bbe705211e09276647e5b21c2e5b692a6157";

class InformeCorridaTest : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    gCantidadDecimales = "2";
    Ejecutar(
        "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES ('11101', 'Caja', 0), "
        "('112010123', 'Panadería La Espiga', 0)");
    AgregarEjercicio(2020);
    dialogos.ResponderSiempre("Proceso Finalizado", plataforma::vbOK);
  }

  const ResumenCorrida& Correr(const std::string& ruta) {
    frm.optOpcion_Click(0);
    frm.SetTxtCuenta("11101");
    frm.SetTxtRuta(ruta);
    frm.SetTxtConcepto("Apertura 2020");
    frm.cmdEjecutar_Click();
    return frm.UltimaCorrida();
  }

  FrmQUILMA frm;
};

TEST_F(InformeCorridaTest, JsonYTextoNombranLaCorridaYElArchivo) {
  frm.EstablecerInformeJson(Ruta("informe.json"));
  const ResumenCorrida& r = Correr(EscribirArchivo("saldos.txt", kEntrada));
  ASSERT_EQ(r.archivoInformeJson, Ruta("informe.json"));
  ASSERT_EQ(r.archivoInforme, Ruta("saldos.informe.txt"));

  const nlohmann::json j = nlohmann::json::parse(Bytes(r.archivoInformeJson));
  EXPECT_EQ(j["archivo"]["ruta"], Ruta("saldos.txt"));
  EXPECT_EQ(j["archivo"]["sha256"], kSha256);
  EXPECT_EQ(j["empresa"], "EMPRESA");
  EXPECT_EQ(j["operador"], "OPERADOR");
  EXPECT_EQ(j["modo"]["numero"], 0);
  EXPECT_EQ(j["modo"]["nombre"], "Conformación Saldo Clientes");
  EXPECT_EQ(j["cuentaContrapartida"], "11101");
  EXPECT_EQ(j["concepto"], "Apertura 2020");
  EXPECT_EQ(j["ensayo"], false);
  EXPECT_EQ(j["resultado"], "parcial");
  EXPECT_EQ(j["cantidades"]["lineasLeidas"], 3);
  EXPECT_EQ(j["cantidades"]["registrados"], 1);
  EXPECT_EQ(j["cantidades"]["incompletos"], 1);
  ASSERT_EQ(j["noRegistradas"].size(), 1u);
  EXPECT_EQ(j["noRegistradas"][0]["linea"], 3);
  EXPECT_EQ(j["noRegistradas"][0]["motivo"], "incompleta");
  EXPECT_EQ(j["archivosDeLaCorrida"]["rechazados"], Ruta("saldos.rechazados.txt"));
  EXPECT_EQ(j["archivosDeLaCorrida"]["informe"], Ruta("saldos.informe.txt"));
  EXPECT_EQ(j["archivosDeLaCorrida"]["enCarpetaDelPrograma"], false);
  // The reconciliation's figures: the posted voucher's entry balances in the journal.
  const nlohmann::json& conciliacion = j["conciliacion"];
  ASSERT_FALSE(conciliacion.is_null());
  ASSERT_FALSE(conciliacion["cuentas"].empty());
  EXPECT_EQ(conciliacion["cuentas"][0]["registrados"], 1);
  EXPECT_EQ(conciliacion["asientos"]["asientos"], 1);
  EXPECT_EQ(conciliacion["asientos"]["debe"], conciliacion["asientos"]["haber"]);
  EXPECT_TRUE(conciliacion["error"].is_null());
  // Start and end as ISO local times, in order.
  const std::string inicio = j["inicio"], fin = j["fin"];
  EXPECT_EQ(inicio.size(), 19u);
  EXPECT_EQ(inicio[10], 'T');
  EXPECT_LE(inicio, fin);

  const std::string texto = Bytes(r.archivoInforme);
  for (const std::string& parte :
       {std::string("Empresa: EMPRESA\r\n"), std::string("SHA-256: ") + kSha256 + "\r\n",
        std::string("Modo: 0 Conformación Saldo Clientes\r\n"),
        std::string("Concepto: Apertura 2020\r\n"), std::string("Ensayo: no\r\n"),
        std::string("  línea 3: incompleta: "), std::string("Resultado: parcial"),
        "Líneas para corregir: " + Ruta("saldos.rechazados.txt") + "\r\n"}) {
    EXPECT_NE(texto.find(parte), std::string::npos) << parte << "\n" << texto;
  }
  // The summary shown after the run says where everything is.
  const std::string resumen = TextoResumen(r);
  EXPECT_NE(resumen.find("Informe: " + Ruta("saldos.informe.txt") + "\n"), std::string::npos);
  EXPECT_NE(resumen.find("Informe JSON: " + Ruta("informe.json") + "\n"), std::string::npos);
}

// A dry run's report is headed as such; the reconciliation, when a run computes one, has its
// section, and until then the report says it has none.
TEST_F(InformeCorridaTest, EnsayoYConciliacionTienenSuLugar) {
  ResumenCorrida r;
  EXPECT_EQ(TextoInforme(r).rfind("INFORME DE LA IMPORTACIÓN\n", 0), 0u);
  EXPECT_NE(TextoInforme(r).find("Conciliación: no se calculó en esta corrida\n"),
            std::string::npos);
  r.ensayo = true;
  EXPECT_EQ(TextoInforme(r).rfind("ENSAYO: no se grabó nada\nINFORME DE LA IMPORTACIÓN\n", 0), 0u);
  EXPECT_NE(TextoInforme(r).find("Ensayo: sí, no se grabó nada\n"), std::string::npos);
  EXPECT_EQ(nlohmann::json::parse(JsonInforme(r))["ensayo"], true);
  ConciliacionCuenta cuenta;
  cuenta.cuenta = "112010123";
  cuenta.comprobantes = 2;
  cuenta.totalArchivo = plataforma::Moneda{150000};
  cuenta.registrados = 2;
  cuenta.totalDiario = plataforma::Moneda{125000};
  r.conciliacion.cuentas.push_back(cuenta);
  const std::string texto = TextoInforme(r);
  EXPECT_NE(texto.find("Conciliación con la base:\n"), std::string::npos) << texto;
  EXPECT_EQ(texto.find("no se calculó"), std::string::npos) << texto;
  const nlohmann::json j = nlohmann::json::parse(JsonInforme(r));
  const nlohmann::json& c = j["conciliacion"]["cuentas"][0];
  EXPECT_EQ(c["cuenta"], "112010123");
  EXPECT_EQ(c["totalArchivo"], "15");
  EXPECT_EQ(c["totalDiario"], "12.5");
  EXPECT_EQ(c["diferencia"], "2.5");
  EXPECT_EQ(c["concilia"], false);
  EXPECT_EQ(j["conciliacion"]["lineas"][0], "Conciliación con la base:");
  EXPECT_TRUE(j["archivo"]["sha256"].is_null());  // a run that never read its file
}

// A file refused before anything was written: both reports say so and why.
TEST_F(InformeCorridaTest, UnArchivoRechazadoLoDiceEnAmbosInformes) {
  ResumenCorrida r;
  r.archivoRechazado = "el archivo x.txt está vacío (no tiene ninguna línea con datos).";
  const std::string texto = TextoInforme(r);
  EXPECT_NE(texto.find("Archivo rechazado: " + r.archivoRechazado + "\n"), std::string::npos)
      << texto;
  EXPECT_NE(texto.find("Resultado: archivo rechazado: no se importó nada\n"), std::string::npos)
      << texto;
  const nlohmann::json j = nlohmann::json::parse(JsonInforme(r));
  EXPECT_EQ(j["resultado"], "rechazada");
  EXPECT_EQ(j["archivoRechazado"], r.archivoRechazado);
  EXPECT_TRUE(nlohmann::json::parse(JsonInforme(ResumenCorrida{}))["archivoRechazado"].is_null());
}

// The input's folder cannot be written (here: every name taken by a folder), nor the JSON's
// path: both reports go to the program's folder, and the summary says so.
TEST_F(InformeCorridaTest, SinEscribirJuntoALaEntradaVaALaCarpetaDelPrograma) {
  std::filesystem::create_directories(Ruta("entrada/saldos.informe.txt"));
  std::filesystem::create_directories(Ruta("entrada/saldos.rechazados.txt"));
  std::filesystem::create_directories(Ruta("entrada/saldos.rechazados.motivos.csv"));
  std::filesystem::create_directories(Ruta("programa"));
  plataforma::EstablecerCarpetaPrograma(Ruta("programa"));
  frm.EstablecerInformeJson(Ruta("no_existe/informe.json"));
  const ResumenCorrida& r = Correr(EscribirArchivo("entrada/saldos.txt", kEntrada));
  EXPECT_EQ(r.archivoInforme, Ruta("programa/saldos.informe.txt"));
  EXPECT_EQ(r.archivoInformeJson, Ruta("programa/informe.json"));
  EXPECT_EQ(r.archivoRechazados, Ruta("programa/saldos.rechazados.txt"));
  EXPECT_NE(Bytes(r.archivoInforme).find(kSha256), std::string::npos);
  EXPECT_EQ(nlohmann::json::parse(Bytes(r.archivoInformeJson))["archivo"]["sha256"], kSha256);
  const std::string resumen = TextoResumen(r);
  EXPECT_NE(resumen.find("La carpeta del archivo no se puede escribir"), std::string::npos)
      << resumen;
  EXPECT_NE(resumen.find("Informe: " + Ruta("programa/saldos.informe.txt")), std::string::npos);
}

}  // namespace
