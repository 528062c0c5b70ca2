// A run that switches the journal's triggers off writes its row in TA_IMPORTADOR_CORRIDAS
// first and removes it after switching them on; the next run that finds a row left behind
// switches them on again and tells the operator which run left them off.
//
// The session connection presents itself as a SQL Server one, so DB_Dll hands it every text in
// the SQL Server form; the stand-in records them, answers the lock and the trigger switches as
// the server would, and runs everything else, converted, on a real embedded company.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/corridas_importador.h"
#include "data/db_dll.h"
#include "data/dialecto_sqlite.h"
#include "data/valores_sesion.h"
#include "import/contexto_corrida.h"
#include "import/lista_precios.h"
#include "platform/ado.h"
#include "platform/bloqueo_archivo.h"
#include "platform/dialogos.h"
#include "platform/error_ejecucion.h"
#include "tests/import/ventana_modos.h"
#include "tests/support/empresa.h"
#include "utility/utilidades.h"

namespace {

using namespace plataforma;

const char kDeshabilitar[] = "ALTER TABLE MV_ASIENTOS DISABLE TRIGGER ALL";
const char kHabilitar[] = "ALTER TABLE MV_ASIENTOS ENABLE TRIGGER ALL";
const char kGuardaSqlServer[] =
    "IF @@TRANCOUNT = 0 THROW 50000, 'ENSAYO: la transaccion de la corrida ya no esta abierta', "
    "1;\rSAVE TRANSACTION LINEA";

class ServidorDeEmpresa : public ado::ConnectionWrapper {
 public:
  using ado::ConnectionWrapper::ConnectionWrapper;

  std::string ConnectionString() const override {
    return "Provider=SQLOLEDB;Data Source=prueba;Initial Catalog=EMPRESA";
  }

  std::optional<ado::Resultado> Execute(const std::string& text, int32_t* n, int32_t o) override {
    textos.push_back(text);
    Errors().Clear();
    if (!rechazar.empty() && text.find(rechazar) != std::string::npos) {
      ado::Error e{static_cast<int32_t>(0x80040E14), 4902, "42000", "permiso denegado", "prueba"};
      Errors().Add(e);
      throw ErrorEjecucion(e.Number, e.Description);
    }
    if (text.find("sp_getapplock") != std::string::npos) {
      return ado::Resultado{{{"resultado", ado::adInteger}}, {{Valor{int64_t{0}}}}};
    }
    if (text.find("sp_releaseapplock") != std::string::npos ||
        text.find("TRIGGER ALL") != std::string::npos) {
      return std::nullopt;
    }
    // A dry run's savepoint as the embedded engine writes it.
    std::string sqlite = utilidad::ReemplazaTexto(text, kGuardaSqlServer, "SAVEPOINT LINEA");
    if (sqlite == "ROLLBACK TRANSACTION LINEA") sqlite = "ROLLBACK TO LINEA;\rRELEASE LINEA";
    std::optional<ado::Resultado> ultimo;
    // The company's own date columns, read afresh: the run creates its record table.
    for (const std::string& s : ConvierteSQLite(sqlite, LeerColumnasDeFecha(target()))) {
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

  // What the run sent about its row and the switches, in order, each as one word.
  std::vector<std::string> Pasos() const {
    std::vector<std::string> r;
    for (const std::string& t : textos) {
      const bool tabla = t.find("TA_IMPORTADOR_CORRIDAS") != std::string::npos;
      if (t == kDeshabilitar) r.push_back("deshabilitar");
      if (t == kHabilitar) r.push_back("habilitar");
      if (t == "BEGIN TRANSACTION") r.push_back("ensayo");
      if (t == "ROLLBACK TRANSACTION") r.push_back("deshacer");
      if (!tabla) continue;
      if (t.rfind("CREATE TABLE", 0) == 0) r.push_back("crear");
      if (t.rfind("INSERT", 0) == 0) r.push_back("anotar");
      if (t.rfind("DELETE", 0) == 0) r.push_back("quitar");
      if (t.rfind("SELECT", 0) == 0) r.push_back("leer");
    }
    return r;
  }

  std::vector<std::string> textos;
  std::string rechazar;  // a text that contains it is refused
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

class TriggersAnotadosTest : public PruebaEmpresa {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    gCantidadDecimales = "2";
    Ejecutar(
        "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES "
        "('11101', 'Caja', 0), ('112010123', 'Panadería La Espiga', 0), "
        "('111010002', 'Valores', 0), ('21105', 'Remuneraciones', 1)");
    AgregarEjercicio(2020);
    servidor_ = std::make_shared<ServidorDeEmpresa>(DB().gCnn);
    DB().gCnn = servidor_;
    DB().gConnString = servidor_->ConnectionString();
    guion_.ResponderSiempre("Proceso Finalizado!!!", vbOK);
    EstablecerDialogos(&guion_);
  }
  void TearDown() override {
    EstablecerDialogos(&dialogos);
    PruebaEmpresa::TearDown();
  }

  ResumenCorrida Correr(int opcion, const std::string& contenido, const std::string& cuenta,
                        bool ensayo = false) {
    servidor_->textos.clear();
    VentanaModos ventana(opcion, EscribirArchivo("entrada.txt", contenido), cuenta);
    ventana.ensayo = ensayo;
    return EjecutarImportacion(ventana);
  }

  // A row as a killed run leaves it, written as the run writes it.
  void DejarAnotacion(const std::string& clave) {
    CorridaAnotada c;
    c.corrida = clave;
    c.operador = "ANA";
    c.equipo = "PC-CAJA";
    c.proceso = 4242;
    c.modo = "Cheques de Terceros";
    c.archivo = "C:\\exportado\\cheques.txt";
    c.inicio = FechaHora{2024, 3, 5, 9, 30, 0};
    c.triggersDesde = FechaHora{2024, 3, 5, 9, 30, 7};
    AnotarTriggersDeshabilitados(c);
    ASSERT_EQ(DB().Cnn().Errors().Count(), 0u);
  }

  std::shared_ptr<ServidorDeEmpresa> servidor_;
  DialogosGuionados guion_;
};

using Pasos = std::vector<std::string>;

TEST_F(TriggersAnotadosTest, LaFilaSeEscribeAntesDeDeshabilitarYSeQuitaAlHabilitar) {
  struct Caso {
    const char* nombre;
    int opcion;
    std::string contenido, cuenta;
    std::vector<int> respuestas;
    bool ensayo;
    Pasos pasos;
  };
  const std::string saldos = "Cliente: 123\r\n" + Voucher("1");
  const Caso casos[] = {
      // The first run of the company creates the table.
      {"saldos, primera corrida", 0, saldos, "11101", {}, false,
       {"crear", "anotar", "deshabilitar", "habilitar", "quitar"}},
      {"cheques", 3, "15/01/2020;15/02/2020;Banco;Cobro;011;0012001;Perez;50\r\n", "111010002",
       {}, false, {"leer", "anotar", "deshabilitar", "habilitar", "quitar"}},
      // Ended by the operator's No: the clean-up switches them on and removes the row.
      {"saldos, corrida cortada", 0, "Cliente: 999\r\n" + Voucher("2"), "11101", {vbNo}, false,
       {"leer", "anotar", "deshabilitar", "habilitar", "quitar"}},
      // Everything inside the dry run's transaction, rolled back with it.
      {"ensayo", 0, "Cliente: 123\r\n" + Voucher("3"), "11101", {}, true,
       {"leer", "ensayo", "anotar", "deshabilitar", "habilitar", "quitar", "deshacer"}},
      // The employee mode switches nothing, and writes no row.
      {"empleados", 2, "PEREZ JUAN\r\n", "21105", {}, false, {"leer"}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    for (int r : c.respuestas) guion_.Responder(r);
    const ResumenCorrida r = Correr(c.opcion, c.contenido, c.cuenta, c.ensayo);
    EXPECT_EQ(servidor_->Pasos(), c.pasos);
    EXPECT_EQ(ContarFilas("TA_IMPORTADOR_CORRIDAS"), 0);
    EXPECT_TRUE(r.avisos.empty()) << r.avisos.front();
    EXPECT_TRUE(r.errores.empty()) << r.errores.front();
    EXPECT_EQ(guion_.RespuestasPendientes(), 0u);
  }
  EXPECT_TRUE(guion_.SinRespuesta().empty()) << guion_.SinRespuesta().front().texto;
}

TEST_F(TriggersAnotadosTest, LaFilaNombraLaCorrida) {
  gUsuarioLogeado = "O'NEILL";
  const ResumenCorrida r = Correr(0, "Cliente: 123\r\n" + Voucher("1"), "11101");
  ASSERT_EQ(r.registrados, 1);
  std::string insercion;
  for (const std::string& t : servidor_->textos) {
    if (t.rfind("INSERT INTO TA_IMPORTADOR_CORRIDAS", 0) == 0) insercion = t;
  }
  // Dates as day/month/year with "/" and ":", which the server reads under SET DATEFORMAT dmy.
  const std::string iso = FechaIso(r.inicio);
  const std::string inicio = "'" + iso.substr(8, 2) + "/" + iso.substr(5, 2) + "/" +
                             iso.substr(0, 4) + iso.substr(10) + "'";
  for (const std::string& parte :
       {std::string("(Corrida, Operador, Equipo, Proceso, Modo, Archivo, Inicio, TriggersDesde)"),
        std::string("'O''NEILL', '") + utilidad::NombreMaquina() + "', " +
            std::to_string(IdProceso()) + ", 'Conformación Saldo Clientes', '" +
            Ruta("entrada.txt") + "', " + inicio + ", '"}) {
    EXPECT_NE(insercion.find(parte), std::string::npos) << parte << "\n" << insercion;
  }
}

TEST_F(TriggersAnotadosTest, UnaFilaDejadaHabilitaLosTriggersYAvisaQuienLaDejo) {
  const std::string aviso =
      "Los triggers de MV_ASIENTOS estaban deshabilitados desde el 05/03/2024 09:30:07 por una "
      "importación que no terminó: operador ANA, equipo PC-CAJA (proceso 4242), modo Cheques de "
      "Terceros, archivo C:\\exportado\\cheques.txt, iniciada el 05/03/2024 09:30:00.";
  struct Caso {
    const char* nombre;
    int opcion;
    std::string contenido, cuenta;
    bool ensayo;
    Pasos pasos;
  };
  const Caso casos[] = {
      {"corrida que no los toca", 2, "PEREZ JUAN\r\n", "21105", false,
       {"leer", "habilitar", "quitar"}},
      {"corrida de saldos", 0, "Cliente: 123\r\n" + Voucher("1"), "11101", false,
       {"leer", "habilitar", "quitar", "anotar", "deshabilitar", "habilitar", "quitar"}},
      // The repair comes before the dry run's transaction: it stays.
      {"ensayo", 0, "Cliente: 123\r\n" + Voucher("2"), "11101", true,
       {"leer", "habilitar", "quitar", "ensayo", "anotar", "deshabilitar", "habilitar", "quitar",
        "deshacer"}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    DejarAnotacion("DEJADA");
    DialogosGuionados guion;
    guion.ResponderSiempre("Proceso Finalizado!!!", vbOK);
    guion.ResponderSiempre("no terminó", vbOK);
    EstablecerDialogos(&guion);
    const ResumenCorrida r = Correr(c.opcion, c.contenido, c.cuenta, c.ensayo);
    EXPECT_EQ(servidor_->Pasos(), c.pasos);
    EXPECT_EQ(ContarFilas("TA_IMPORTADOR_CORRIDAS"), 0);
    // Told first, before anything of the run.
    ASSERT_FALSE(guion.Transcripcion().empty());
    const DialogoMostrado& d = guion.Transcripcion().front();
    EXPECT_EQ(d.titulo, "Aviso al Usuario");
    EXPECT_EQ(d.botones, vbExclamation + vbOKOnly);
    EXPECT_EQ(d.texto, aviso + "\r\nSe habilitaron de nuevo.");
    EXPECT_EQ(r.avisos, std::vector<std::string>{aviso + " Se habilitaron de nuevo."});
    EXPECT_TRUE(guion.SinRespuesta().empty()) << guion.SinRespuesta().front().texto;
  }
}

// The price-list tool holds the same lock: it finds the row too.
TEST_F(TriggersAnotadosTest, LaListaDePreciosTambienHabilitaLoQueQuedoDeshabilitado) {
  DejarAnotacion("DEJADA");
  DialogosGuionados guion;
  EstablecerDialogos(&guion);
  servidor_->textos.clear();
  CmdEjecutarLista_Click(EscribirArchivo("lista.txt", "1\t2\tNADIE\t3\r\n"));
  EXPECT_EQ(servidor_->Pasos(), (Pasos{"leer", "habilitar", "quitar"}));
  EXPECT_EQ(ContarFilas("TA_IMPORTADOR_CORRIDAS"), 0);
  ASSERT_FALSE(guion.Transcripcion().empty());
  EXPECT_NE(guion.Transcripcion().front().texto.find("operador ANA, equipo PC-CAJA"),
            std::string::npos);
}

TEST_F(TriggersAnotadosTest, UnRechazoDelServidorDejaLaFilaParaLaProximaCorrida) {
  DejarAnotacion("DEJADA");
  DialogosGuionados guion;
  guion.ResponderSiempre("permiso denegado", vbOK);
  EstablecerDialogos(&guion);
  servidor_->rechazar = kHabilitar;
  const ResumenCorrida r = Correr(2, "PEREZ JUAN\r\n", "21105");
  servidor_->rechazar.clear();
  // Shown as an error, not as a notice; the run still goes on with its own lines.
  const auto atencion = guion.Textos("Atención");
  ASSERT_EQ(atencion.size(), 1u);
  EXPECT_NE(atencion[0].find("operador ANA, equipo PC-CAJA"), std::string::npos) << atencion[0];
  EXPECT_NE(atencion[0].find("La base no permitió habilitarlos (permiso denegado): siguen "
                             "deshabilitados."),
            std::string::npos)
      << atencion[0];
  for (const std::string& t : guion.Textos("Aviso al Usuario")) {
    EXPECT_EQ(t.find("no terminó"), std::string::npos) << t;
  }
  ASSERT_EQ(r.errores.size(), 1u);
  EXPECT_EQ(r.cuentasCreadas, 1);
  EXPECT_EQ(ContarFilas("TA_IMPORTADOR_CORRIDAS", "Corrida = 'DEJADA'"), 1);
  EXPECT_EQ(servidor_->Pasos(), (Pasos{"leer", "habilitar"}));
}

TEST_F(TriggersAnotadosTest, SinLaFilaNoSeDeshabilitanLosTriggers) {
  // A login that may not write the row: the run's error dialog says why, and with either
  // answer the triggers are never switched off without their row.
  struct Caso {
    const char* nombre;
    int respuesta;
    bool finalizado;
    int64_t asientos;
  };
  const Caso casos[] = {
      {"anular", vbAbort, false, 0},
      {"ignorar: sigue con los triggers habilitados", vbIgnore, true, 2},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    Ejecutar("DELETE FROM MV_ASIENTOS");
    DialogosGuionados guion;
    guion.ResponderSiempre("Proceso Finalizado!!!", vbOK);
    guion.ResponderSiempre("No se pudo anotar en TA_IMPORTADOR_CORRIDAS", c.respuesta);
    EstablecerDialogos(&guion);
    servidor_->rechazar = "INSERT INTO TA_IMPORTADOR_CORRIDAS";
    const ResumenCorrida r = Correr(0, "Cliente: 123\r\n" + Voucher("1"), "11101");
    servidor_->rechazar.clear();
    EXPECT_EQ(r.finalizado, c.finalizado);
    for (const std::string& t : servidor_->textos) EXPECT_NE(t, kDeshabilitar);
    EXPECT_EQ(ContarFilas("MV_ASIENTOS"), c.asientos);
    EXPECT_TRUE(guion.SinRespuesta().empty()) << guion.SinRespuesta().front().texto;
  }
}

}  // namespace
