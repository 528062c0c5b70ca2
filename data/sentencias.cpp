#include "data/sentencias.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <thread>

#include "data/aviso_operador.h"
#include "data/db_dll.h"
#include "data/dialecto_sqlite.h"
#include "data/reintento.h"
#include "data/valores_sesion.h"
#include "platform/dialogos.h"
#include "platform/regional.h"
#include "utility/utilidades.h"

namespace {

const char kCR[] = "\r";

// More decimals than an amount can carry only add zeros; the cap keeps a wild code harmless.
constexpr int kMaxDecimales = 20;

// The leading whole number of a text (blanks skipped), 0 when it has none: how the session's
// decimals setting, kept as text, is read as a number.
int LeerEntero(const std::string& texto) {
  const char* p = texto.c_str();
  while (*p == ' ') ++p;
  char* fin = nullptr;
  long n = std::strtol(p, &fin, 10);
  if (fin == p) return 0;
  return static_cast<int>(std::clamp<long>(n, -1000, 1000));
}

std::string AgrupaMiles(const std::string& digitos, char separador) {
  std::string r;
  const size_t n = digitos.size();
  for (size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) r += separador;
    r += digitos[i];
  }
  return r;
}

// The amount rounded to `d` decimals (half to even) and written with the regional separators.
std::string FormateaImporte(plataforma::Moneda m, int d, bool conSeparadores) {
  const auto& reg = plataforma::ConfiguracionRegional();
  const bool negativo = m.diezmilesimos < 0;
  uint64_t a = negativo ? 0 - static_cast<uint64_t>(m.diezmilesimos)
                        : static_cast<uint64_t>(m.diezmilesimos);
  uint64_t entero = 0;
  std::string fraccion;
  if (d < 4) {
    uint64_t divisor = 1;
    for (int i = d; i < 4; ++i) divisor *= 10;
    uint64_t q = a / divisor;
    const uint64_t resto = a % divisor;
    if (2 * resto > divisor || (2 * resto == divisor && q % 2 == 1)) ++q;
    uint64_t escala = 1;
    for (int i = 0; i < d; ++i) escala *= 10;
    entero = q / escala;
    if (d > 0) {
      fraccion = std::to_string(q % escala);
      fraccion.insert(0, static_cast<size_t>(d) - fraccion.size(), '0');
    }
  } else {
    entero = a / 10000;
    fraccion = std::to_string(a % 10000);
    fraccion.insert(0, 4 - fraccion.size(), '0');
    fraccion.append(static_cast<size_t>(d - 4), '0');
  }
  const bool cero = entero == 0 && fraccion.find_first_not_of('0') == std::string::npos;
  std::string texto = std::to_string(entero);
  if (conSeparadores) texto = AgrupaMiles(texto, reg.separadorMiles);
  if (d > 0) texto += reg.separadorDecimal + fraccion;
  return (negativo && !cero ? "-" : "") + texto;
}

// Undoes a failed batch. A rollback the database refuses leaves the transaction open, and every
// later batch of the session would run inside it (and be lost with it): reconnect, so the
// server drops the open transaction and the next batch starts clean. In a dry run only the
// batch's savepoint is undone; when that is refused the run's transaction is in doubt.
void Deshacer(DB_Dll& db) {
  if (db.EnEnsayo()) {
    if (db.EnsayoPerdido()) return;  // nothing was sent: there is nothing to undo
    std::string deshacer = PuntoDeGuardadoDe(PlataformaDe(db.gConnString)).deshacer;
    db.EjecutaConsultaSQL(deshacer);
    if (db.Cnn().Errors().Count() > 0) db.PerderEnsayo();
    return;
  }
  std::string rollback = "ROLLBACK TRANSACTION";
  db.EjecutaConsultaSQL(rollback);
  if (db.Cnn().Errors().Count() > 0) db.ReintentaConectar();
}

// Whether the value is the word NULL in any letter case, compared in place: the upper-case
// fold only turns ASCII letters into ASCII letters, so no other text folds to "NULL".
bool EsNull(const std::string& v) {
  static constexpr char kNull[] = "NULL";
  if (v.size() != 4) return false;
  for (size_t i = 0; i < 4; ++i) {
    char c = v[i] >= 'a' && v[i] <= 'z' ? static_cast<char>(v[i] - 32) : v[i];
    if (c != kNull[i]) return false;
  }
  return true;
}

// Sends the list as one transaction (in a dry run, as one savepoint). On a database error the
// batch is undone and the first error returned; a commit the database refuses is a failed batch
// too, never a success.
std::optional<ado::Error> EnviarLote(const ListaSentencias& Sentencias) {
  DB_Dll& db = DB();
  const PuntoDeGuardado* punto =
      db.EnEnsayo() ? &PuntoDeGuardadoDe(PlataformaDe(db.gConnString)) : nullptr;
  std::string lote = (punto ? punto->abrir : std::string("BEGIN TRANSACTION ")) + kCR + kCR;
  for (const auto& s : Sentencias) lote += kCR + s;
  lote += kCR;

  db.EjecutaConsultaSQL(lote);
  if (db.Cnn().Errors().Count() == 0) {
    std::string commit = punto ? punto->liberar : "COMMIT TRANSACTION";
    if (commit.empty()) return std::nullopt;
    db.EjecutaConsultaSQL(commit);
    if (db.Cnn().Errors().Count() == 0) return std::nullopt;
  }
  ado::Error error = db.Cnn().Errors().Item(0);
  Deshacer(db);
  return error;
}

// Busy (another writer kept its lock past the wait) or chosen as a deadlock victim: the same
// batch may go through once the other writer is done.
bool EsEsperaOcupada(const ado::Error& e) {
  constexpr int32_t kVictimaInterbloqueo = 1205;
  return e.NativeError == kErrEsperaBloqueo || e.NativeError == kVictimaInterbloqueo;
}

// A duplicate key on the journal's entry number: another program posted that number meanwhile.
bool EsNumeroDeAsientoTomado(const ado::Error& e) {
  constexpr int32_t kIndiceUnicoDuplicado = 2601;
  return (e.NativeError == kErrClaveDuplicada || e.NativeError == kIndiceUnicoDuplicado) &&
         (utilidad::ContieneSinCaso(e.Description, "NUMERO ASIENTO") ||
          utilidad::ContieneSinCaso(e.Description, "IX_MV_ASIENTOS_ASIENTO"));
}

bool& RechazosSilenciados() {
  static bool silenciados = false;
  return silenciados;
}

// Kept as a reference and a number: the text is composed only when a batch is refused.
struct Origen {
  const std::string* archivo = nullptr;
  int64_t linea = 0;
};
Origen& OrigenDeLote() {
  static Origen origen;
  return origen;
}

std::string& UltimoRechazoMutable() {
  static std::string texto;
  return texto;
}

}  // namespace

const std::string& UltimoRechazo() { return UltimoRechazoMutable(); }

const PuntoDeGuardado& PuntoDeGuardadoDe(Plataforma plataforma) {
  // SQL Server: a bare ROLLBACK would end the run's transaction, so the named one; a batch that
  // finds no transaction open (the server ended it) stops before its first statement. SQLite:
  // ROLLBACK TO keeps the savepoint on the stack, the RELEASE after it takes it off. Oracle
  // moves a savepoint of the same name to the newest one and needs no release.
  static const PuntoDeGuardado kSqlServer = {
      "IF @@TRANCOUNT = 0 THROW 50000, 'ENSAYO: la transaccion de la corrida ya no esta abierta', "
      "1;\r"
      "SAVE TRANSACTION LINEA",
      "", "ROLLBACK TRANSACTION LINEA"};
  static const PuntoDeGuardado kSQLite = {"SAVEPOINT LINEA", "RELEASE LINEA",
                                          "ROLLBACK TO LINEA;\rRELEASE LINEA"};
  static const PuntoDeGuardado kOracle = {"SAVEPOINT LINEA", "", "ROLLBACK TO SAVEPOINT LINEA"};
  switch (plataforma) {
    case Plataforma::SqlServer:
      return kSqlServer;
    case Plataforma::Oracle:
      return kOracle;
    case Plataforma::SQLite:
      break;
  }
  return kSQLite;
}

void EstablecerOrigenDeLote(const std::string* archivo, int64_t linea) {
  OrigenDeLote() = {archivo, linea};
}

void SilenciarRechazos(bool silenciar) { RechazosSilenciados() = silenciar; }

void AgregaCampo(ListaCampos& Campos, const std::string& Campo, std::string Valor,
                 const std::string& Comilla) {
  Valor.erase(std::remove(Valor.begin(), Valor.end(), '\''), Valor.end());
  ParCampo par;
  par.first = Campo;
  if (EsNull(Valor)) {
    par.second = "Null";
  } else {
    par.second = DB().SQLValue(plataforma::Valor{Valor}, Comilla);
  }
  Campos.push_back(std::move(par));
}

std::string ArmaSentencia(const ListaCampos& Campos, const std::string& Tabla, bool EsUpdate,
                          const std::string& Condicion) {
  std::string sentencia;
  if (!EsUpdate) {
    std::string nombres = "(";
    std::string literales = " VALUES (";
    for (size_t i = 0; i < Campos.size(); ++i) {
      const char* fin = i + 1 < Campos.size() ? "," : ")";
      nombres += Campos[i].first;
      nombres += fin;
      literales += Campos[i].second;
      literales += fin;
    }
    if (Campos.empty()) {
      nombres += ")";
      literales += ")";
    }
    sentencia.reserve(13 + Tabla.size() + nombres.size() + literales.size());
    sentencia += "INSERT INTO ";
    sentencia += Tabla;
    sentencia += ' ';
    sentencia += nombres;
    sentencia += literales;
  } else {
    std::string texto;
    for (size_t i = 0; i < Campos.size(); ++i) {
      if (i > 0) texto += ",";
      texto += Campos[i].first;
      texto += " = ";
      texto += Campos[i].second;
    }
    const std::string donde =
        utilidad::ContieneSinCaso(Condicion, "WHERE") ? Condicion : " WHERE " + Condicion;
    sentencia = "UPDATE " + Tabla + " SET " + texto + " " + donde;
  }
  return sentencia;
}

void AgregaSentencia(ListaSentencias& Sentencias, std::string Sentencia) {
  Sentencias.push_back(std::move(Sentencia));
  Sentencias.emplace_back();
}

bool EjecutaSentencias(ListaSentencias& Sentencias) { return EjecutaAsiento(Sentencias, {}); }

bool EjecutaAsiento(ListaSentencias& Sentencias, const std::function<void()>& renumerar) {
  constexpr int kIntentosOcupada = 3;  // each waits the engine's own busy timeout first
  constexpr int kIntentosNumero = 5;
  int ocupada = 0, numero = 0;
  for (;;) {
    const std::optional<ado::Error> error = EnviarLote(Sentencias);
    if (!error) return true;
    if (EsEsperaOcupada(*error) && ++ocupada < kIntentosOcupada) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200 * ocupada));
      continue;
    }
    if (renumerar && EsNumeroDeAsientoTomado(*error) && ++numero < kIntentosNumero) {
      renumerar();
      continue;
    }
    UltimoRechazoMutable() = error->Description;
    if (RechazosSilenciados()) return false;
    const Origen& origen = OrigenDeLote();
    plataforma::MsgBox(origen.archivo ? "Archivo " + *origen.archivo + ", línea " +
                                            std::to_string(origen.linea) + ": " + error->Description
                                      : error->Description,
                       plataforma::vbCritical + plataforma::vbOKOnly, "Atención");
    return false;
  }
}

std::string FmtMoneda(const std::string& Valor, int Decimales, bool ConSeparadores) {
  if (Decimales == -3) return Valor;

  int d = Decimales;
  std::string resultado;
  auto aviso = [](const plataforma::ErrorEjecucion& e) {
    return AvisoOperador(e, 18, "FmtMoneda");
  };
  if (d == -1) d = LeerEntero(gCantidadDecimales);
  if (d == 0) d = plataforma::ConfiguracionRegional().digitosMoneda;
  if (d == -2) d = 0;
  d = std::clamp(d, 0, kMaxDecimales);

  plataforma::Moneda importe;
  bool convertido = false;
  PasoConDialogo(
      [&] {
        importe = utilidad::TextoAImporte(Valor);
        convertido = true;
      },
      aviso);
  // With nothing converted there is nothing to format, whatever the answer: the empty text.
  if (!convertido) return "";
  PasoConDialogo([&] { resultado = FormateaImporte(importe, d, ConSeparadores); }, aviso);
  return resultado;
}
