// A server that refuses to enable the journal's triggers again at the end of a run: the operator
// is told once, with the server's words, and the run summary keeps them.
//
// The embedded engine has no triggers to switch, so DB_Dll leaves the switches out before they
// reach its connection. The session connection here presents itself as a SQL Server one: DB_Dll
// then hands it every text unconverted, as it would to a server, and the stand-in converts each
// to the embedded dialect itself, accepts DISABLE TRIGGER ALL and refuses ENABLE TRIGGER ALL.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/db_dll.h"
#include "data/dialecto_sqlite.h"
#include "data/empresa.h"
#include "data/valores_sesion.h"
#include "import/contexto_corrida.h"
#include "platform/ado.h"
#include "platform/dialogos.h"
#include "platform/error_ejecucion.h"
#include "tests/import/ventana_modos.h"
#include "tests/support/empresa.h"

namespace {

using namespace plataforma;

const char kRechazo[] =
    "Cannot alter table 'MV_ASIENTOS' because this table does not exist "
    "or you do not have permission.";

class ServidorSinPermisoDeTriggers : public ado::ConnectionWrapper {
 public:
  using ado::ConnectionWrapper::ConnectionWrapper;

  std::string ConnectionString() const override {
    return "Provider=SQLOLEDB;Data Source=prueba;Initial Catalog=EMPRESA";
  }

  std::optional<ado::Resultado> Execute(const std::string& text, int32_t* n, int32_t o) override {
    textos.push_back(text);
    if (text.find("TRIGGER ALL") != std::string::npos) {
      Errors().Clear();
      if (text.find("ENABLE") == std::string::npos) return std::nullopt;
      ado::Error e;
      e.Number = static_cast<int32_t>(0x80040E14);
      e.NativeError = 4902;
      e.SQLState = "42000";
      e.Description = kRechazo;
      Errors().Add(e);
      throw ErrorEjecucion(e.Number, e.Description);
    }
    std::optional<ado::Resultado> ultimo;
    static const ColumnasDeFecha kFechas = ColumnasDeFechaDelGuion(EsquemaEmpresa());
    for (const std::string& s : ConvierteSQLite(text, kFechas)) {
      try {
        auto r = target().Execute(s, n, o);
        if (r) ultimo = std::move(r);
      } catch (const ErrorEjecucion&) {
        TraduceErroresSQLite(Errors());
        throw;
      }
    }
    return ultimo;
  }

  std::vector<std::string> textos;
};

class TriggersRechazadosTest : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    gCantidadDecimales = "2";
    Ejecutar(
        "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES "
        "('11101', 'Caja', 0), ('112010123', 'Panadería La Espiga', 0)");
    AgregarEjercicio(2020);
    servidor_ = std::make_shared<ServidorSinPermisoDeTriggers>(DB().gCnn);
    DB().gCnn = servidor_;
  }

  std::shared_ptr<ServidorSinPermisoDeTriggers> servidor_;
};

std::string Voucher(const std::string& numero) {
  std::vector<std::string> c(38);
  c[0] = "15/01/2020";
  c[4] = "FC A 0001-" + numero;
  c[13] = "15/02/2020";
  c[37] = "10";
  std::string linea;
  for (size_t i = 0; i < c.size(); ++i) linea += (i ? ";" : "") + c[i];
  return linea + "\r\n";
}

TEST_F(TriggersRechazadosTest, ElRechazoSeMuestraUnaVezYQuedaEnElResumen) {
  struct Caso {
    const char* nombre;
    std::string contenido;
    std::vector<int> respuestas;  // to the questions of the run, in order
    bool finalizado;
    int64_t asientos;
  };
  const Caso casos[] = {
      // Re-enabled at the end of the file.
      {"corrida completa", "Cliente: 123\r\n" + Voucher("1"), {}, true, 2},
      // Re-enabled by the clean-up of a run the operator ended (No to the missing customer).
      {"corrida interrumpida", "Cliente: 999\r\n" + Voucher("2"), {vbNo}, false, 2},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    DialogosGuionados guion;
    EstablecerDialogos(&guion);
    guion.ResponderSiempre(kRechazo, vbOK);
    guion.ResponderSiempre("Proceso Finalizado!!!", vbOK);
    for (int r : c.respuestas) guion.Responder(r);
    servidor_->textos.clear();

    VentanaModos ventana(0, EscribirArchivo("saldos.txt", c.contenido), "11101");
    const ResumenCorrida r = EjecutarImportacion(ventana);
    EstablecerDialogos(&dialogos);

    // The switches reached the server, the enabling one once.
    std::vector<std::string> switches;
    for (const auto& t : servidor_->textos) {
      if (t.find("TRIGGER ALL") != std::string::npos) switches.push_back(t);
    }
    EXPECT_EQ(switches, (std::vector<std::string>{"ALTER TABLE MV_ASIENTOS DISABLE TRIGGER ALL",
                                                  "ALTER TABLE MV_ASIENTOS ENABLE TRIGGER ALL"}));
    const auto avisos = guion.Textos("Atención");
    ASSERT_EQ(avisos.size(), 1u);
    EXPECT_EQ(avisos[0], kRechazo);
    for (const auto& d : guion.Transcripcion()) {
      if (d.titulo == "Atención") {
        EXPECT_EQ(d.botones, vbCritical + vbOKOnly);
      }
    }
    EXPECT_EQ(r.errores,
              (std::vector<std::string>{
                  std::string("ALTER TABLE MV_ASIENTOS ENABLE TRIGGER ALL: ") + kRechazo}));
    EXPECT_EQ(r.finalizado, c.finalizado);
    EXPECT_TRUE(guion.SinRespuesta().empty());
    EXPECT_EQ(guion.RespuestasPendientes(), 0u);
    // The entries themselves were posted: the refusal concerns the triggers only.
    EXPECT_EQ(ContarFilas("MV_ASIENTOS"), c.asientos);
    // The run's row stays, for the next run to switch them on; each case starts without it.
    EXPECT_EQ(ContarFilas("TA_IMPORTADOR_CORRIDAS"), 1);
    Ejecutar("DELETE FROM TA_IMPORTADOR_CORRIDAS");
  }
}

}  // namespace
