// Every import mode under a database that fails: for N = 1, 2, ... the N-th call to the
// database raises an error, the dialogs answer retry, ignore or abort, and after the run the
// books must hold only whole entries, nothing twice, consistent headers and links, the triggers
// enabled again and no success counted for a refused write; a clean re-run must then bring the
// database to the state of one clean run.

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "data/db_dll.h"
#include "data/traza.h"
#include "import/contexto_corrida.h"
#include "platform/ado.h"
#include "platform/dialogos.h"
#include "tests/import/ventana_modos.h"
#include "tests/support/conexion_con_fallas.h"
#include "tests/support/empresa.h"

namespace {

using Filas = std::vector<std::vector<std::string>>;

// A balances report line: 38 columns, the voucher in 4, due date in 13, amount in 37.
std::string LineaSaldo(const std::string& fecha, const std::string& comprobante,
                       const std::string& importe) {
  std::vector<std::string> c(38);
  c[0] = fecha;
  c[2] = "Comprobante";
  c[4] = comprobante;
  c[13] = fecha;
  c[37] = importe;
  std::string linea;
  for (size_t i = 0; i < c.size(); ++i) linea += (i ? ";" : "") + c[i];
  return linea + "\r\n";
}

struct Modo {
  const char* nombre;
  int opcion;
  const char* cuenta;
  std::string contenido;
  std::vector<std::string> sinComparar;  // columns numbered in order of posting
};

void PrintTo(const Modo& m, std::ostream* os) { *os << m.nombre; }

const std::vector<Modo>& Modos() {
  static const std::vector<Modo> modos = {
      {"Clientes",
       0,
       "11101",
       "Cliente: 123;;Panaderia;;;;\r\n" +
           LineaSaldo("15/01/2020", "FC A 0001-00001500", "1500,00") +
           LineaSaldo("20/01/2020", "REC X 0001-00000100", "-500,00") +
           "Cliente: 4567;;Ferreteria;;;;\r\n" +
           LineaSaldo("03/02/2020", "FC B 0002-00000042", "320,50"),
       {"NUMERO ASIENTO"}},
      {"ChequesTerceros",
       3,
       "111010002",
       // The first and last cheques look alike: two cheques, each posted once.
       "15/01/2020;15/02/2020;Banco;Cobro;011;0012345;Perez;1500\r\n"
       "16/01/2020;16/02/2020;Banco;Cobro;011;0012346;Perez;-250,50\r\n"
       "15/01/2020;15/02/2020;Banco;Cobro;011;0012345;Perez;1500\r\n",
       {"NUMERO ASIENTO", "NUMERO"}},
      {"ChequesPropios",
       4,
       "111020001",
       "15/01/2020;Pago proveedor;Banco;15/02/2020;0012345;1500\r\n"
       "16/01/2020;;Banco;16/02/2020;0012349;80\r\n",
       {"NUMERO ASIENTO", "NUMERO"}},
      {"Empleados", 2, "21105", "PEREZ;JUAN\r\nGOMEZ;ANA\r\n\r\nPEREZ;JUAN\r\n", {"CODIGO"}},
      {"Pendientes",
       5,
       "",
       "Cliente / Tarea;Razon social;Comprobante\r\n"
       "02/03/2020;;\r\n"
       "7;Ferreteria;rt B 0003-00000077\r\n"
       "0101;;Cambio de aceite\r\n"
       "0102;;Revision de frenos\r\n"
       "12;Taller;OT A 0001-00000010\r\n"
       "0101;;Cambio de aceite\r\n",
       {}},
  };
  return modos;
}

// How the operator answers: the error dialogs (abort, retry, ignore) with `respuesta`; the
// Yes/No questions (create the customer, reconnect) with Yes unless the fault stays, where
// Yes would ask again for ever; every other box with OK.
class Operador : public plataforma::Dialogos {
 public:
  int respuesta = plataforma::vbRetry;
  bool persistente = false;
  std::vector<std::string> titulos;

  int MsgBox(const std::string& texto, int botones, const std::string& titulo) override {
    titulos.push_back(titulo + ": " + texto);
    if (titulos.size() > 5000) {
      ADD_FAILURE() << "Endless dialogs; last: " << titulo << ": " << texto;
      return plataforma::vbAbort;
    }
    switch (plataforma::ConjuntoDeBotones(botones)) {
      case plataforma::vbAbortRetryIgnore:
        return respuesta;
      case plataforma::vbRetryCancel:
        return respuesta == plataforma::vbRetry ? plataforma::vbRetry : plataforma::vbCancel;
      case plataforma::vbYesNo:
      case plataforma::vbYesNoCancel:
        return persistente ? plataforma::vbNo : plataforma::vbYes;
      default:
        return plataforma::vbOK;
    }
  }
  std::string InputBox(const std::string&, const std::string&, const std::string&) override {
    return "";
  }
  std::string AbrirArchivo() override { return ""; }
};

// The tables the modes write; their rows are restored to the fixture's state before each run.
const char* const kTablas[] = {"MV_ASIENTOS", "MA_CALENDARIO", "MA_CUENTAS",
                               "V_MV_CPTE",   "V_TA_TAREAS",   "V_MV_CPTETAREAS"};

class FallasTest : public PruebaEmpresa, public ::testing::WithParamInterface<Modo> {
 protected:
  void SetUp() override {
    PruebaEmpresa::SetUp();
    AgregarEjercicio(2020);
    Ejecutar(
        "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES "
        "('11101', 'Caja', 0), ('112010123', 'Panaderia', 0), ('112014567', 'Ferreteria', 0),"
        " ('111010002', 'Valores a depositar', 0), ('111020001', 'Banco', 0),"
        " ('511', 'Apertura', 0), ('21105', 'Sueldos a pagar', 1)");
    Ejecutar(
        "INSERT INTO VT_CLIENTES (Codigo, RAZON_SOCIAL) VALUES "
        "('112010007', 'Ferreteria'), ('112010012', 'Taller')");
    for (const char* t : kTablas) {
      Ejecutar(std::string("CREATE TEMP TABLE base_") + t + " AS SELECT * FROM " + t);
    }
    archivo = EscribirArchivo("entrada.txt", GetParam().contenido);
    traza = Ruta("traza.jsonl");
    EstablecerTraza(traza);

    // The session reopens on a connection behind the plan, which fails nothing yet.
    plan = std::make_shared<ado::PlanDeFallas>();
    ado::InstalarFallas(plan);
    AbrirSesion(usuario_, administrador_);
    plataforma::EstablecerDialogos(&operador);
  }
  void TearDown() override {
    plataforma::EstablecerDialogos(&dialogos);
    ado::QuitarFallas();
    EstablecerTraza("");
    PruebaEmpresa::TearDown();
  }

  void Restaurar() {
    for (const char* t : kTablas) {
      Ejecutar(std::string("DELETE FROM ") + t);
      Ejecutar(std::string("INSERT INTO ") + t + " SELECT * FROM base_" + t);
    }
  }

  ResumenCorrida Correr(bool ensayo = false) {
    std::ofstream(traza, std::ios::trunc).close();
    VentanaModos ventana(GetParam().opcion, archivo, GetParam().cuenta);
    ventana.ensayo = ensayo;
    return EjecutarImportacion(ventana);
  }

  // Sorted rows of every written table, without the recording time and the columns that are
  // numbered in the order the lines were posted.
  std::vector<std::string> Volcado() {
    std::set<std::string> fuera = {"FECHAHORA_GRABACION"};
    for (const auto& c : GetParam().sinComparar) fuera.insert(c);
    std::vector<std::string> filas;
    for (const char* t : kTablas) {
      auto r = Conexion().Execute(std::string("SELECT * FROM ") + t);
      if (!r) continue;
      for (const auto& fila : r->filas) {
        std::string texto = t;
        for (size_t i = 0; i < fila.size(); ++i) {
          std::string nombre = r->columnas[i].nombre;
          std::transform(nombre.begin(), nombre.end(), nombre.begin(), ::toupper);
          if (!fuera.count(nombre)) texto += "|" + TextoDePrueba(fila[i]);
        }
        filas.push_back(texto);
      }
    }
    std::sort(filas.begin(), filas.end());
    return filas;
  }

  // The composed texts of this run that switch the journal's triggers, in order.
  std::vector<std::string> Triggers() {
    std::vector<std::string> r;
    std::ifstream f(traza);
    std::string linea;
    while (std::getline(f, linea)) {
      auto j = nlohmann::json::parse(linea, nullptr, false);
      if (j.is_discarded()) continue;
      const std::string sql = j.value("sql", "");
      if (sql.find("TRIGGER ALL") != std::string::npos) r.push_back(sql);
    }
    return r;
  }

  void ExpectNinguna(const std::string& que, const std::string& sql) {
    Filas f = Consultar(sql);
    EXPECT_TRUE(f.empty()) << que << ": " << f.size()
                           << " rows, first: " << (f.empty() ? "" : f[0][0]);
  }

  // What must hold after any run, faulted or not.
  void Invariantes(const ResumenCorrida& r, const Filas& antes) {
    ExpectNinguna("entry not whole or unbalanced",
                  "SELECT TC || SUCURSAL || NUMERO || LETRA FROM MV_ASIENTOS "
                  "GROUP BY TC, SUCURSAL, NUMERO, LETRA HAVING COUNT(*) <> 2 "
                  "OR COUNT(DISTINCT Secuencia) <> 2 OR COUNT(DISTINCT [NUMERO ASIENTO]) <> 1 "
                  "OR SUM(CASE WHEN [Debe-Haber] = 'D' THEN Importe ELSE -Importe END) <> 0");
    // Look-alike cheques count one by one: a number as often as the file has it, never more.
    for (const auto& fila : Consultar("SELECT NROCOMPROBANTEBANCARIO, COUNT(*) FROM MV_ASIENTOS "
                                      "WHERE NROCOMPROBANTEBANCARIO IS NOT NULL "
                                      "GROUP BY NROCOMPROBANTEBANCARIO")) {
      const std::string numero = fila[0].rfind("B-", 0) == 0 ? fila[0].substr(2) : fila[0];
      long enArchivo = 0;
      for (size_t i = GetParam().contenido.find(";" + numero + ";"); i != std::string::npos;
           i = GetParam().contenido.find(";" + numero + ";", i + 1)) {
        ++enArchivo;
      }
      EXPECT_LE(std::stol(fila[1]), enArchivo) << "cheque " << fila[0] << " posted too often";
    }
    ExpectNinguna("balance entry without its calendar date",
                  "SELECT NUMERO FROM MV_ASIENTOS a WHERE TC <> 'CC' AND NOT EXISTS "
                  "(SELECT 1 FROM MA_CALENDARIO c WHERE c.FECHA = a.Fecha)");
    ExpectNinguna("employee twice",
                  "SELECT Descripcion FROM MA_CUENTAS WHERE CODIGO LIKE '21105_%' "
                  "GROUP BY Descripcion HAVING COUNT(*) > 1");
    ExpectNinguna("task catalogued twice",
                  "SELECT DESCRIPCION FROM V_TA_TAREAS GROUP BY DESCRIPCION HAVING COUNT(*) > 1");
    ExpectNinguna("task link without its header",
                  "SELECT l.IdComprobante FROM V_MV_CPTETAREAS l WHERE NOT EXISTS "
                  "(SELECT 1 FROM V_MV_CPTE c WHERE c.TC = l.TC "
                  "AND c.IdComprobante = l.IdComprobante)");

    // Every write counted as done is in the database, and nothing more.
    Filas despues = Cuentas();
    EXPECT_EQ(std::stol(despues[0][0]) - std::stol(antes[0][0]),
              GetParam().opcion == 2 ? r.cuentasCreadas : r.registrados)
        << "posted count differs from what the database holds";
    EXPECT_EQ(std::stol(despues[0][1]) - std::stol(antes[0][1]), r.vinculosGrabados)
        << "task links counted differ from what the database holds";

    // A run that ends before its loop (a refused counter-account) never switches them.
    // Every DISABLE is followed by its ENABLE; one before them switches on again what an
    // earlier faulted run left off (its row in TA_IMPORTADOR_CORRIDAS).
    std::vector<std::string> t = Triggers();
    if (!t.empty()) {
      EXPECT_EQ(t.back(), "ALTER TABLE MV_ASIENTOS ENABLE TRIGGER ALL");
      bool apagados = false;
      for (const std::string& s : t) {
        const bool deshabilita = s == "ALTER TABLE MV_ASIENTOS DISABLE TRIGGER ALL";
        EXPECT_FALSE(deshabilita && apagados) << "disabled twice without enabling";
        apagados = deshabilita;
      }
    }
  }

  // Vouchers (or employee accounts, or headers) and task links now in the database.
  Filas Cuentas() {
    const std::string primero =
        GetParam().opcion == 2   ? "(SELECT COUNT(*) FROM MA_CUENTAS WHERE CODIGO LIKE '21105_%')"
        : GetParam().opcion == 5 ? "(SELECT COUNT(*) FROM V_MV_CPTE)"
                                 : "(SELECT COUNT(*) FROM (SELECT DISTINCT TC, SUCURSAL, "
                                   "NUMERO, LETRA FROM MV_ASIENTOS))";
    return Consultar("SELECT " + primero + ", (SELECT COUNT(*) FROM V_MV_CPTETAREAS)");
  }

  std::string archivo, traza;
  std::shared_ptr<ado::PlanDeFallas> plan;
  Operador operador;
};

struct Respuesta {
  const char* nombre;
  int codigo;
  bool persistente;
};

TEST_P(FallasTest, EveryCallFailingLeavesWholeBooksAndACleanRerunCompletesThem) {
  // The clean run: what every faulted run followed by a clean one must reach.
  Restaurar();
  ResumenCorrida limpia = Correr();
  ASSERT_TRUE(limpia.finalizado);
  ASSERT_GT(plan->llamadas, 0);
  const std::vector<std::string> esperado = Volcado();

  const Respuesta respuestas[] = {{"retry", plataforma::vbRetry, false},
                                  {"ignore", plataforma::vbIgnore, false},
                                  {"abort", plataforma::vbAbort, false},
                                  {"ignore from then on", plataforma::vbIgnore, true}};
  int fallasInyectadas = 0;
  for (const Respuesta& resp : respuestas) {
    for (int n = 1;; ++n) {
      SCOPED_TRACE(std::string(resp.nombre) + ", call " + std::to_string(n));
      Restaurar();
      operador.respuesta = resp.codigo;
      operador.persistente = resp.persistente;
      *plan = ado::PlanDeFallas{};
      plan->falla = {ado::Llamada::Cualquiera, n, resp.persistente, ado::ErrorSimulado(), ""};
      Filas antes = Cuentas();
      ResumenCorrida r = Correr();
      const bool fallo = plan->fallas > 0;
      fallasInyectadas += plan->fallas;
      plan->falla.n = 0;
      Invariantes(r, antes);
      // Every line read ends in one line count; a run that says complete posted everything.
      EXPECT_EQ(r.lineasRegistradas + r.lineasYaImportadas + r.lineasNoRegistradas +
                    r.lineasImporteCero + r.lineasPasadasPorAlto + (r.lineaEnCurso ? 1 : 0),
                r.lineasLeidas);
      if (DesenlaceDe(r) == Desenlace::Completa) {
        EXPECT_EQ(Volcado(), esperado) << "a complete run left lines out; its dialogs: "
                                       << ::testing::PrintToString(operador.titulos);
      }

      antes = Cuentas();
      operador.respuesta = plataforma::vbAbort;  // a clean run shows no error dialog
      operador.titulos.clear();
      ResumenCorrida segunda = Correr();
      EXPECT_TRUE(segunda.finalizado);
      Invariantes(segunda, antes);
      EXPECT_EQ(Volcado(), esperado)
          << "a clean re-run does not reach the clean run's state; "
          << "its dialogs: " << ::testing::PrintToString(operador.titulos);
      if (HasFailure() || !fallo) break;
    }
    if (HasFailure()) break;
  }
  EXPECT_GT(fallasInyectadas, 0);
  RecordProperty("faults", fallasInyectadas);
}

// A dry run under the same faults: whatever fails (its transaction's begin or end, a
// savepoint, a release, any statement or query) and whatever the operator answers, every table
// holds what it held before, and the session is left outside any transaction.
TEST_P(FallasTest, EveryCallFailingInADryRunLeavesNothing) {
  Restaurar();
  const std::vector<std::string> base = Volcado();
  const Respuesta respuestas[] = {{"retry", plataforma::vbRetry, false},
                                  {"ignore", plataforma::vbIgnore, false},
                                  {"abort", plataforma::vbAbort, false},
                                  {"ignore from then on", plataforma::vbIgnore, true}};
  int fallasInyectadas = 0;
  for (const Respuesta& resp : respuestas) {
    for (int n = 1;; ++n) {
      SCOPED_TRACE(std::string(resp.nombre) + ", call " + std::to_string(n));
      operador.respuesta = resp.codigo;
      operador.persistente = resp.persistente;
      *plan = ado::PlanDeFallas{};
      plan->falla = {ado::Llamada::Cualquiera, n, resp.persistente, ado::ErrorSimulado(), ""};
      Correr(true);
      const bool fallo = plan->fallas > 0;
      fallasInyectadas += plan->fallas;
      plan->falla.n = 0;
      EXPECT_FALSE(DB().EnEnsayo());
      EXPECT_EQ(Volcado(), base) << "dialogs: " << ::testing::PrintToString(operador.titulos);
      operador.titulos.clear();
      if (HasFailure() || !fallo) break;
    }
    if (HasFailure()) break;
  }
  EXPECT_GT(fallasInyectadas, 0);
}

INSTANTIATE_TEST_SUITE_P(Modos, FallasTest, ::testing::ValuesIn(Modos()),
                         [](const auto& info) { return std::string(info.param.nombre); });

}  // namespace
