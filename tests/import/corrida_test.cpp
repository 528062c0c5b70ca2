// The import run's skeleton on a real company: dispatch without an option, empty files, line
// ends, progress per line, the error policy and what every end of a run leaves behind.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "data/db_dll.h"
#include "import/contexto_corrida.h"
#include "platform/ado.h"
#include "platform/error_ejecucion.h"
#include "tests/import/ventana_modos.h"
#include "tests/support/empresa.h"
#include "ui/frm_quilma.h"

namespace {

using namespace plataforma;

class VistaGrabada : public VistaQuilma {
 public:
  void DibujaProgreso(double porcentaje, uint32_t color, const std::string&) override {
    porcentajes.push_back(porcentaje);
    colores.push_back(color);
  }
  void HacerEventos() override { ++eventos; }
  std::vector<double> porcentajes;
  std::vector<uint32_t> colores;
  int eventos = 0;
};

class CorridaTest : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    Ejecutar("INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES ('11101', 'Caja', 0)");
    frm.EstablecerVista(&vista);
  }

  void Correr(int opcion, const std::string& contenido) {
    if (opcion >= 0) frm.optOpcion_Click(opcion);
    frm.SetTxtCuenta("11101");
    frm.SetTxtRuta(EscribirArchivo("entrada.txt", contenido));
    frm.cmdEjecutar_Click();
  }

  FrmQUILMA frm;
  VistaGrabada vista;
};

TEST_F(CorridaTest, SinOpcionValidaLaCuentaYTerminaSinAbrirElArchivo) {
  Correr(-1, "Cliente: 1\r\n");
  EXPECT_TRUE(dialogos.Transcripcion().empty());
  EXPECT_TRUE(vista.porcentajes.empty());
  EXPECT_FALSE(frm.UltimaCorrida().finalizado);

  // With an unacceptable counter-account the check speaks, and still nothing is read.
  dialogos.Responder(vbOK);
  frm.SetTxtCuenta("99999");
  frm.cmdEjecutar_Click();
  EXPECT_EQ(dialogos.Textos("Aviso al Usuario"),
            std::vector<std::string>{"Debe informar una cuenta de contrapartida válida!!!"});
  EXPECT_TRUE(vista.porcentajes.empty());
}

// A file with nothing to import (no byte, or blank lines only) is refused before the loop: the
// operator learns that nothing was imported instead of a plain "Proceso Finalizado!!!".
TEST_F(CorridaTest, ArchivoVacioSeRechazaSinRecorrerlo) {
  size_t vistos = 0;
  for (const char* contenido : {"", "\r\n  \r\n"}) {
    SCOPED_TRACE(contenido);
    dialogos.Responder(vbOK);
    Correr(0, contenido);
    EXPECT_TRUE(vista.porcentajes.empty());
    const std::vector<std::string> avisos = dialogos.Textos("Aviso al Usuario");
    ASSERT_EQ(avisos.size(), ++vistos);
    EXPECT_NE(avisos.back().find("está vacío"), std::string::npos) << avisos.back();
    EXPECT_EQ(dialogos.Transcripcion().back().botones, vbExclamation + vbOKOnly);
    EXPECT_FALSE(frm.UltimaCorrida().finalizado);
    EXPECT_EQ(DesenlaceDe(frm.UltimaCorrida()), Desenlace::Rechazada);
    EXPECT_EQ(frm.UltimaCorrida().lineasLeidas, 0);
  }
}

// Past 2^31 progress units (21,474,837 lines and more) the percentage stays right.
TEST(PorcentajeDeLinea, NoDesbordaEnArchivosLargos) {
  struct Caso {
    int64_t actual, total;
    double esperado;
  } casos[] = {{1, 4, 25},
               {0, 0, 100},
               {21474837, 21474837, 100},
               {30000000, 60000000, 50},
               {int64_t{1} << 40, int64_t{1} << 41, 50}};
  for (const Caso& c : casos) {
    EXPECT_DOUBLE_EQ(PorcentajeDeLinea(c.actual, c.total), c.esperado) << c.actual;
  }
}

TEST_F(CorridaTest, ProgresoPorLineaAntesDeProcesarla) {
  struct Caso {
    const char* nombre;
    std::string contenido;
    std::vector<double> esperado;
  };
  const Caso casos[] = {
      {"cuatro lineas CR LF", "Cliente: 1\r\n \r\n\r\nCliente: 2", {25, 50, 75, 100}},
      {"solo LF termina linea", "Cliente: 1\nCliente: 2\nc\n", {100.0 / 3, 200.0 / 3, 100}},
      {"CR solo termina linea", "Cliente: 1\rCliente: 2\r", {50, 100}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    vista.porcentajes.clear();
    dialogos.Responder(vbOK);
    Correr(0, c.contenido);
    EXPECT_EQ(vista.porcentajes, c.esperado);
    EXPECT_EQ(frm.UltimaCorrida().lineasLeidas, static_cast<long>(c.esperado.size()));
    EXPECT_TRUE(frm.UltimaCorrida().finalizado);
  }
  EXPECT_EQ(vista.colores.front(), 0x0000FFu);
  EXPECT_EQ(vista.eventos, 9);
}

TEST_F(CorridaTest, ColumnaFaltanteSeSaltaSinMensaje) {
  // A voucher line cut before its due date: the reads it lacks are skipped silently.
  dialogos.Responder(vbOK);
  Correr(0, "Cliente: 1\r\n15/01/2020;;;;FC A 0001-00000001\r\n");
  EXPECT_EQ(dialogos.Transcripcion().size(), 1u);
  EXPECT_EQ(frm.UltimaCorrida().incompletos, 1);
  EXPECT_TRUE(frm.UltimaCorrida().finalizado);
  EXPECT_EQ(ContarFilas("MV_ASIENTOS"), 0);
}

TEST_F(CorridaTest, ArchivoQueNoSePuedeAbrirVaAlDialogoDeError) {
  frm.optOpcion_Click(0);
  frm.SetTxtCuenta("11101");
  frm.SetTxtRuta(EscribirArchivo("entrada.txt", "x"));
  std::remove(frm.txtRuta().c_str());
  dialogos.Responder(vbAbort);
  frm.cmdEjecutar_Click();
  ASSERT_EQ(dialogos.Transcripcion().size(), 1u);
  EXPECT_EQ(dialogos.Transcripcion()[0].botones & 0x0F, vbAbortRetryIgnore);
  EXPECT_FALSE(frm.UltimaCorrida().finalizado);
}

TEST_F(CorridaTest, RutaEntreComillasSeAbreSinEllas) {
  frm.optOpcion_Click(0);
  frm.SetTxtCuenta("11101");
  frm.SetTxtRuta("\"" + EscribirArchivo("entrada.txt", "Cliente: 1\r\n") + "\"");
  ASSERT_TRUE(frm.cmdEjecutarHabilitado());
  dialogos.Responder(vbOK);
  frm.cmdEjecutar_Click();
  EXPECT_TRUE(frm.UltimaCorrida().finalizado);
}

// The policy around one step, on a context of its own.
TEST_F(CorridaTest, PasoReintentaIgnoraOTermina) {
  ContextoCorrida ctx(frm);
  int intentos = 0;
  auto falla = [&] {
    ++intentos;
    throw ErrorEjecucion(kErrTipoIncompatible, "Tipos no coinciden");
  };

  EXPECT_FALSE(Paso(ctx, [] { throw ErrorEjecucion(kErrIndiceFueraDeRango, "x"); }));
  EXPECT_TRUE(dialogos.Transcripcion().empty());

  dialogos.Responder(vbRetry);
  dialogos.Responder(vbIgnore);
  EXPECT_FALSE(Paso(ctx, falla));
  EXPECT_EQ(intentos, 2);

  dialogos.Responder(vbAbort);
  EXPECT_THROW(Paso(ctx, falla), FinDeCorrida);
  EXPECT_TRUE(Paso(ctx, [] {}));
}

// A second press while a run is in progress (the run yields once per line) starts nothing.
class VistaQuePulsaOtraVez : public VistaQuilma {
 public:
  explicit VistaQuePulsaOtraVez(FrmQUILMA& f) : frm(f) {}
  void DibujaProgreso(double, uint32_t, const std::string&) override {}
  void HacerEventos() override {
    ++eventos;
    frm.cmdEjecutar_Click();
  }
  FrmQUILMA& frm;
  int eventos = 0;
};

TEST_F(CorridaTest, SegundaPulsacionDuranteLaCorridaNoIniciaOtra) {
  VistaQuePulsaOtraVez reentrante(frm);
  frm.EstablecerVista(&reentrante);
  dialogos.Responder(vbOK);
  Correr(0, "Cliente: 1\r\nCliente: 2\r\nCliente: 3\r\n");
  EXPECT_EQ(reentrante.eventos, 3);
  EXPECT_EQ(dialogos.Textos("Aviso al Usuario").size(), 1u);
  EXPECT_EQ(frm.UltimaCorrida().lineasLeidas, 3);
}

// Dry runs through the window model on a company with what the sample files need: the run
// executes against the company and leaves every table as it was.
class EnsayoTest : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    CargarEmpresaDeMuestra();
    dialogos.ResponderSiempre("Proceso Finalizado!!!", vbOK);
  }

  // Runs mode `opcion` on `ruta` with its proposed counter-account; returns the summary.
  std::string Correr(int opcion, const std::string& ruta, bool ensayo) {
    frm.optOpcion_Click(opcion);
    frm.SetTxtRuta(ruta);
    frm.SetChkEnsayo(ensayo);
    frm.cmdEjecutar_Click();
    return TextoResumen(frm.UltimaCorrida());
  }

  FrmQUILMA frm;
};

TEST_F(EnsayoTest, CadaModoNoDejaNadaYCuentaLoQueLaCorridaRealRegistra) {
  const std::pair<int, const char*> casos[] = {
      {0, "saldos_clientes.txt"},  {1, "saldos_proveedores.txt"}, {2, "empleados.csv"},
      {3, "cheques_terceros.csv"}, {4, "cheques_propios.csv"},    {5, "pendientes.csv"},
      {6, "ot_pendientes.csv"}};
  for (const auto& [opcion, muestra] : casos) {
    SCOPED_TRACE(muestra);
    const std::vector<std::string> antes = ContenidoDeTablas();
    const std::string ensayo = Correr(opcion, RutaMuestra(muestra), true);
    EXPECT_TRUE(frm.UltimaCorrida().finalizado) << ensayo;
    EXPECT_EQ(ContenidoDeTablas(), antes);
    const std::string real = Correr(opcion, RutaMuestra(muestra), false);
    EXPECT_NE(ContenidoDeTablas(), antes);
    EXPECT_EQ(ensayo, "ENSAYO: no se grabó nada\n" + real);
    EXPECT_EQ(real.find("ENSAYO"), std::string::npos);
  }
}

// A voucher twice in the file counts as already imported the second time, as in a real run; a
// line the database refuses undoes itself alone, and at the end every line is undone.
TEST_F(EnsayoTest, ElRepetidoYElRechazadoComoEnLaCorridaReal) {
  Ejecutar(
      "CREATE TRIGGER rechaza_dos BEFORE INSERT ON MV_ASIENTOS WHEN NEW.NUMERO = '00000002' "
      "BEGIN SELECT RAISE(ABORT, 'comprobante rechazado'); END");
  auto linea = [](const std::string& numero) {
    std::vector<std::string> c(38);
    c[0] = c[13] = "15/01/2020";
    c[4] = "FC A 0001-" + numero;
    c[37] = "10";
    std::string texto;
    for (size_t i = 0; i < c.size(); ++i) texto += (i ? ";" : "") + c[i];
    return texto + "\r\n";
  };
  const std::string ruta =
      EscribirArchivo("saldos.txt", "Cliente: 123\r\n" + linea("00000001") + linea("00000001") +
                                        linea("00000002") + linea("00000003"));
  dialogos.ResponderSiempre("comprobante rechazado", vbOK);
  const std::vector<std::string> antes = ContenidoDeTablas();
  const std::string ensayo = Correr(0, ruta, true);
  EXPECT_EQ(ContenidoDeTablas(), antes);
  EXPECT_NE(ensayo.find("Registrados: 2\nYa importados: 1\n"), std::string::npos) << ensayo;
  EXPECT_NE(ensayo.find("Rechazados por la base: 1 (líneas 4)"), std::string::npos) << ensayo;
  EXPECT_EQ(ensayo, "ENSAYO: no se grabó nada\n" + Correr(0, ruta, false));
  EXPECT_EQ(ContarFilas("MV_ASIENTOS", "Cuenta = '112010123'"), 2);
}

// A session on which undoing a savepoint fails, as when the server has ended the transaction.
class SinDeshacerPuntos : public ado::ConnectionWrapper {
 public:
  using ado::ConnectionWrapper::ConnectionWrapper;
  std::optional<ado::Resultado> Execute(const std::string& text, int32_t* n, int32_t o) override {
    if (text.rfind("ROLLBACK TO", 0) != 0) return ado::ConnectionWrapper::Execute(text, n, o);
    Errors().Clear();
    ado::Error e;
    e.Number = ado::kEFail;
    e.Description = "no such savepoint: LINEA";
    Errors().Add(e);
    throw ErrorEjecucion(e.Number, e.Description);
  }
};

// The run's transaction in doubt: the run stops after the line, and nothing stays.
TEST_F(EnsayoTest, UnEnsayoQuePierdeSuTransaccionSeDetiene) {
  Ejecutar(
      "CREATE TRIGGER rechaza_dos BEFORE INSERT ON MV_ASIENTOS WHEN NEW.NUMERO = '00000002' "
      "BEGIN SELECT RAISE(ABORT, 'comprobante rechazado'); END");
  std::string contenido = "Cliente: 123\r\n";
  for (const char* numero : {"00000001", "00000002", "00000003"}) {
    std::vector<std::string> c(38);
    c[0] = c[13] = "15/01/2020";
    c[4] = std::string("FC A 0001-") + numero;
    c[37] = "10";
    for (size_t i = 0; i < c.size(); ++i) contenido += (i ? ";" : "") + c[i];
    contenido += "\r\n";
  }
  const std::string ruta = EscribirArchivo("saldos.txt", contenido);
  DB().gCnn = std::make_shared<SinDeshacerPuntos>(DB().gCnn);
  dialogos.ResponderSiempre("comprobante rechazado", vbOK);
  dialogos.ResponderSiempre("El ensayo perdió su transacción", vbOK);
  const std::vector<std::string> antes = ContenidoDeTablas();
  Correr(0, ruta, true);
  const ResumenCorrida& r = frm.UltimaCorrida();
  EXPECT_FALSE(r.finalizado);
  EXPECT_EQ(r.lineasRechazadas, std::vector<long>{3});
  EXPECT_EQ(dialogos.Textos("Atención").back(),
            "El ensayo perdió su transacción con la base (¿conexión perdida?). Se detuvo "
            "después de la línea 3; no se grabó nada.");
  EXPECT_EQ(ContenidoDeTablas(), antes);
  EXPECT_FALSE(DB().EnEnsayo());
  EXPECT_FALSE(DB().EnsayoPerdido());  // the next run is a run like any other
}

}  // namespace
