#include "platform/odbc_conexion.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

#include "platform/odbc_texto.h"
#include "platform/sqlite_funciones.h"

namespace ado {
namespace {

constexpr int32_t kXactENoTransaction = static_cast<int32_t>(0x8004D00Eu);
constexpr SQLULEN kLoginTimeoutSegundos = 15;
// How long the embedded engine waits for another writer's lock before a statement fails:
// IMPORTADOR_ESPERA_BLOQUEO seconds, 60 by default (a backup or another program may hold it).
int EsperaBloqueoSqliteMs() {
  constexpr int kPorDefecto = 60;
  const char* valor = std::getenv("IMPORTADOR_ESPERA_BLOQUEO");
  int segundos = kPorDefecto;
  if (valor && *valor) {
    const auto [fin, ec] = std::from_chars(valor, valor + std::strlen(valor), segundos);
    if (ec != std::errc() || *fin != '\0' || segundos < 0 || segundos > 86400) {
      segundos = kPorDefecto;
    }
  }
  return segundos * 1000;
}

// ---- Handle accounting ---------------------------------------------------------------------

std::atomic<int64_t> asignados[3];
std::atomic<int64_t> liberados[3];

int IndiceTipo(SQLSMALLINT tipo) {
  return tipo == SQL_HANDLE_ENV ? 0 : tipo == SQL_HANDLE_DBC ? 1 : 2;
}

SQLRETURN AsignarHandle(SQLSMALLINT tipo, SQLHANDLE padre, SQLHANDLE* h) {
  SQLRETURN rc = SQLAllocHandle(tipo, padre, h);
  if (SQL_SUCCEEDED(rc)) {
    ++asignados[IndiceTipo(tipo)];
  } else {
    *h = nullptr;
  }
  return rc;
}

void LiberarHandle(SQLSMALLINT tipo, SQLHANDLE& h) {
  if (!h) return;
  SQLFreeHandle(tipo, h);
  ++liberados[IndiceTipo(tipo)];
  h = nullptr;
}

// A statement handle freed on every exit.
class Sentencia {
 public:
  explicit Sentencia(SQLHDBC dbc) { AsignarHandle(SQL_HANDLE_STMT, dbc, &h_); }
  ~Sentencia() { LiberarHandle(SQL_HANDLE_STMT, h_); }
  Sentencia(const Sentencia&) = delete;
  Sentencia& operator=(const Sentencia&) = delete;
  SQLHSTMT get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  SQLHANDLE h_ = nullptr;
};

// ---- Connection texts ----------------------------------------------------------------------

std::string Minusculas(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Recortar(const std::string& s) {
  size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return "";
  size_t b = s.find_last_not_of(" \t");
  return s.substr(a, b - a + 1);
}

bool Contiene(const std::string& texto, const std::string& buscado) {
  return Minusculas(texto).find(Minusculas(buscado)) != std::string::npos;
}

// The key=value pairs of a connection text; keys in lower case, blanks around keys and values
// dropped, quotes around a value removed.
class Atributos {
 public:
  explicit Atributos(const std::string& texto) {
    size_t inicio = 0;
    while (inicio <= texto.size()) {
      size_t fin = texto.find(';', inicio);
      if (fin == std::string::npos) fin = texto.size();
      std::string par = texto.substr(inicio, fin - inicio);
      size_t igual = par.find('=');
      if (igual != std::string::npos) {
        std::string clave = Minusculas(Recortar(par.substr(0, igual)));
        std::string valor = Recortar(par.substr(igual + 1));
        if (valor.size() >= 2 && (valor.front() == '"' || valor.front() == '\'') &&
            valor.back() == valor.front()) {
          valor = valor.substr(1, valor.size() - 2);
        }
        if (!clave.empty()) pares_.emplace_back(clave, valor);
      }
      inicio = fin + 1;
    }
  }

  // The value of the first of the keys present; empty when none is.
  std::string Valor(std::initializer_list<const char*> claves) const {
    for (const char* clave : claves) {
      for (const auto& [k, v] : pares_) {
        if (k == clave) return v;
      }
    }
    return "";
  }
  bool Tiene(const char* clave) const {
    return std::any_of(pares_.begin(), pares_.end(),
                       [&](const auto& p) { return p.first == clave; });
  }
  const std::vector<std::pair<std::string, std::string>>& Pares() const { return pares_; }

 private:
  std::vector<std::pair<std::string, std::string>> pares_;
};

// A value as an ODBC connection string carries it: in braces when it holds a separator.
std::string ValorOdbc(const std::string& v) {
  bool braces = v.find_first_of(";{}= ") != std::string::npos;
  if (!braces) return v;
  std::string r = "{";
  for (char c : v) {
    r += c;
    if (c == '}') r += '}';
  }
  return r + "}";
}

std::vector<std::string> DriversConocidos() {
  SQLHANDLE env = nullptr;
  if (!SQL_SUCCEEDED(AsignarHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) return {};
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  std::vector<std::string> drivers = odbc::DriversRegistrados(env);
  LiberarHandle(SQL_HANDLE_ENV, env);
  return drivers;
}

// The driver for an engine: the one the variable names, else the first of the system's
// defaults that the driver manager knows; when it knows none, the default's library if there
// is one, else the first default (which then fails visibly at connect time).
std::string Driver(const char* variable, MotorOdbc motor) {
  const char* valor = std::getenv(variable);
  if (valor && *valor) return valor;  // a wrong name fails visibly at connect time
  const odbc::DriversPorDefecto defecto = odbc::DriversDe(motor);
  if (defecto.nombres.size() == 1 && defecto.biblioteca.empty()) return defecto.nombres.front();
  const std::vector<std::string> conocidos = DriversConocidos();
  for (const std::string& nombre : defecto.nombres) {
    for (const std::string& conocido : conocidos) {
      if (Minusculas(conocido) == Minusculas(nombre)) return nombre;
    }
  }
  return defecto.biblioteca.empty() ? defecto.nombres.front() : defecto.biblioteca;
}

struct Traduccion {
  MotorOdbc motor;
  std::string driver;
  std::string texto;
  // The Source of the error entries: the driver's name, also when reached by its library.
  std::string Fuente() const { return driver.empty() ? "ODBC" : odbc::NombreDelDriver(driver); }
};

MotorOdbc MotorDeAtributos(const Atributos& a) {
  std::string proveedor = Minusculas(a.Valor({"provider"}));
  if (proveedor.empty() || proveedor.rfind("msdasql", 0) == 0) {
    if (!a.Tiene("driver") && !a.Tiene("dsn")) return MotorOdbc::SqlServer;
    std::string driver = Minusculas(a.Valor({"driver"}));
    if (Contiene(driver, "sqlite")) return MotorOdbc::SQLite;
    if (Contiene(driver, "tds") || Contiene(driver, "sql server")) return MotorOdbc::SqlServer;
    if (Contiene(driver, "oracle")) return MotorOdbc::Oracle;
    return MotorOdbc::Odbc;
  }
  if (Contiene(proveedor, "sqlite")) return MotorOdbc::SQLite;
  if (Contiene(proveedor, "oraoledb") || Contiene(proveedor, "msdaora")) return MotorOdbc::Oracle;
  return MotorOdbc::SqlServer;
}

std::string TextoSqlServer(const Atributos& a, const std::string& driver, const std::string& uid,
                           const std::string& pwd) {
  std::string servidor = a.Valor({"server", "data source", "address", "addr"});
  std::string instancia, puerto;
  size_t barra = servidor.find('\\');
  if (barra != std::string::npos) {
    instancia = servidor.substr(barra + 1);
    servidor.resize(barra);
  }
  for (std::string* parte : {&servidor, &instancia}) {
    size_t sep = parte->find_first_of(",:");
    if (sep != std::string::npos) {
      puerto = Recortar(parte->substr(sep + 1));
      parte->resize(sep);
    }
  }
  servidor = Recortar(servidor);
  if (servidor == "." || Minusculas(servidor) == "(local)") servidor = "127.0.0.1";
  bool tds = Contiene(driver, "tds");

  std::string t = "DRIVER=" + ValorOdbc(driver) + ";";
  if (!puerto.empty()) {
    // A port makes the instance name useless, and skips the slow instance lookup over UDP.
    // FreeTDS takes it as Port=, the other SQL Server drivers after a comma.
    t += tds ? "Server=" + ValorOdbc(servidor) + ";Port=" + puerto + ";"
             : "Server=" + ValorOdbc(servidor + "," + puerto) + ";";
  } else if (!instancia.empty()) {
    t += "Server=" + ValorOdbc(servidor + "\\" + instancia) + ";";
  } else {
    t += "Server=" + ValorOdbc(servidor) + ";";
  }
  std::string base = a.Valor({"database", "initial catalog"});
  if (!base.empty()) t += "Database=" + ValorOdbc(base) + ";";
  t += "UID=" + ValorOdbc(uid) + ";PWD=" + ValorOdbc(pwd) + ";";
  if (tds) t += "TDS_Version=7.4;ClientCharset=UTF-8;";
  return t;
}

// With `paraConectar`, the text as this system's driver is handed it: the embedded engine's
// file as the driver must see it, and the attributes its connections need.
Traduccion Traducir(const std::string& connectionString, const std::string& user,
                    const std::string& password, bool paraConectar) {
  Atributos a(connectionString);
  Traduccion r{MotorDeAtributos(a), "", ""};
  std::string uid = user.empty() ? a.Valor({"uid", "user id", "user"}) : user;
  std::string pwd = password.empty() ? a.Valor({"pwd", "password"}) : password;
  bool proveedorOdbc = a.Valor({"provider"}).empty() || a.Tiene("driver") || a.Tiene("dsn");
  if (proveedorOdbc && (a.Tiene("driver") || a.Tiene("dsn"))) {
    // Already an ODBC text: passed on without the Provider key.
    r.driver = a.Valor({"driver", "dsn"});
    const bool sqlite = paraConectar && r.motor == MotorOdbc::SQLite;
    for (const auto& [k, v] : a.Pares()) {
      if (k == "provider") continue;
      if ((k == "uid" || k == "user id") && !user.empty()) continue;
      if ((k == "pwd" || k == "password") && !password.empty()) continue;
      r.texto += k + "=" + ValorOdbc(sqlite && k == "database" ? odbc::RutaParaElDriver(v) : v) +
                 ";";
    }
    if (!user.empty()) r.texto += "UID=" + ValorOdbc(user) + ";";
    if (!password.empty()) r.texto += "PWD=" + ValorOdbc(password) + ";";
    if (sqlite && !a.Tiene("loadext")) r.texto += odbc::AtributosSqlite();
    return r;
  }
  switch (r.motor) {
    case MotorOdbc::SQLite: {
      r.driver = Driver("IMPORTADOR_ODBC_SQLITE", MotorOdbc::SQLite);
      const std::string archivo = a.Valor({"data source", "database"});
      r.texto = "DRIVER=" + ValorOdbc(r.driver) + ";Database=" +
                ValorOdbc(paraConectar ? odbc::RutaParaElDriver(archivo) : archivo) + ";";
      if (a.Valor({"create"}) != "1") r.texto += "NoCreat=1;";
      r.texto += "Timeout=" + std::to_string(EsperaBloqueoSqliteMs()) + ";";
      if (paraConectar) r.texto += odbc::AtributosSqlite();
      break;
    }
    case MotorOdbc::Oracle:
      r.driver = Driver("IMPORTADOR_ODBC_ORACLE", MotorOdbc::Oracle);
      r.texto = "DRIVER=" + ValorOdbc(r.driver) +
                ";DBQ=" + ValorOdbc(a.Valor({"data source", "dbq"})) + ";UID=" + ValorOdbc(uid) +
                ";PWD=" + ValorOdbc(pwd) + ";";
      break;
    default:
      r.driver = Driver("IMPORTADOR_ODBC_SQLSERVER", MotorOdbc::SqlServer);
      r.texto = TextoSqlServer(a, r.driver, uid, pwd);
      break;
  }
  return r;
}

// ---- Values ----------------------------------------------------------------------------------

// How a column is read, from its ODBC type and its declared type name (the SQLite driver
// describes DECIMAL, MONEY and REAL columns as VARCHAR).
DataTypeEnum TipoDeColumna(SQLSMALLINT tipoSql, const std::string& nombreTipo) {
  // The name is searched with letter case ignored, in place: the words are upper-case ASCII
  // and the drivers' type names are ASCII, so an ASCII fold is enough.
  auto tiene = [&](std::string_view palabra) {
    auto igual = [](char a, char b) { return (a >= 'a' && a <= 'z' ? a - 32 : a) == b; };
    return std::search(nombreTipo.begin(), nombreTipo.end(), palabra.begin(), palabra.end(),
                       igual) != nombreTipo.end();
  };
  switch (tipoSql) {
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_DATE:
      return adDBTimeStamp;
    case SQL_BIGINT:
      return adBigInt;
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_TINYINT:
    case SQL_BIT:
      return adInteger;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
      return adCurrency;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
      return adDouble;
    default:
      break;
  }
  if (tiene("DECIMAL") || tiene("NUMERIC") || tiene("MONEY")) return adCurrency;
  if (tiene("REAL") || tiene("FLOAT") || tiene("DOUBLE")) return adDouble;
  if (tiene("DATETIME")) return adDBTimeStamp;
  return adVarChar;
}

// Reads a whole character column. False on a driver error.
bool LeerTexto(SQLHSTMT st, SQLUSMALLINT col, Valor& valor) {
  std::string texto;
  bool nulo = false;
  if (!odbc::LeerTexto(st, col, texto, nulo)) return false;
  if (nulo) {
    valor = plataforma::Nulo{};
  } else {
    valor = std::move(texto);
  }
  return true;
}

bool LeerValor(SQLHSTMT st, SQLUSMALLINT col, DataTypeEnum tipo, Valor& valor) {
  SQLLEN ind = 0;
  SQLRETURN rc;
  switch (tipo) {
    case adDBTimeStamp: {
      SQL_TIMESTAMP_STRUCT ts{};
      rc = SQLGetData(st, col, SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &ind);
      if (!SQL_SUCCEEDED(rc)) return false;
      if (ind == SQL_NULL_DATA) {
        valor = plataforma::Nulo{};
      } else {
        valor = FechaHora{ts.year, ts.month, ts.day, ts.hour, ts.minute, ts.second};
      }
      return true;
    }
    case adInteger:
    case adBigInt: {
      SQLBIGINT n = 0;
      rc = SQLGetData(st, col, SQL_C_SBIGINT, &n, sizeof n, &ind);
      if (!SQL_SUCCEEDED(rc)) return false;
      valor = ind == SQL_NULL_DATA ? Valor{plataforma::Nulo{}} : Valor{static_cast<int64_t>(n)};
      return true;
    }
    case adDouble: {
      double d = 0;
      rc = SQLGetData(st, col, SQL_C_DOUBLE, &d, sizeof d, &ind);
      if (!SQL_SUCCEEDED(rc)) return false;
      valor = ind == SQL_NULL_DATA ? Valor{plataforma::Nulo{}} : Valor{d};
      return true;
    }
    case adCurrency: {
      // Read as text so that a server's exact decimal keeps its four places.
      if (!LeerTexto(st, col, valor)) return false;
      Moneda m;
      if (auto* s = std::get_if<std::string>(&valor); s && Moneda::DesdeTexto(*s, m)) valor = m;
      return true;
    }
    default:
      return LeerTexto(st, col, valor);
  }
}

}  // namespace

// ---- Public helpers --------------------------------------------------------------------------

MotorOdbc MotorDe(const std::string& connectionString) {
  return MotorDeAtributos(Atributos(connectionString));
}

std::string ValorDeCadena(const std::string& connectionString, const std::string& clave) {
  return Atributos(connectionString).Valor({Minusculas(clave).c_str()});
}

std::string TraducirCadenaConexion(const std::string& connectionString) {
  return Traducir(connectionString, "", "", false).texto;
}

int32_t NumeroDeDiagnostico(const std::string& sqlState, int32_t nativo, const std::string& mensaje,
                            MotorOdbc motor) {
  if (motor == MotorOdbc::SQLite && sqlState == "HY000") {
    if (nativo == 19) return kDbEIntegrityViolation;
    if (Contiene(mensaje, "no such table")) return kDbENoTable;
    return kDbEErrorsInCommand;
  }
  if (sqlState.rfind("01", 0) == 0) return 0;  // a warning
  if (sqlState.rfind("23", 0) == 0) return kDbEIntegrityViolation;
  if (sqlState == "42S02") return kDbENoTable;
  if (sqlState.rfind("08", 0) == 0) return kEFail;
  return kDbEErrorsInCommand;
}

HandlesOdbc HandlesOdbcPendientes() {
  return HandlesOdbc{asignados[0] - liberados[0], asignados[1] - liberados[1],
                     asignados[2] - liberados[2]};
}

// ---- OdbcConnection --------------------------------------------------------------------------

OdbcConnection::~OdbcConnection() {
  if (dbc_) {
    FreeStatement();
    if (manualCommit_) SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
    SQLDisconnect(dbc_);
  }
  FreeHandles();
}

void OdbcConnection::FreeStatement() {
  SQLHANDLE st = stmt_;
  LiberarHandle(SQL_HANDLE_STMT, st);
  stmt_ = nullptr;
  stmtTimeout_ = -1;
}

SQLHSTMT OdbcConnection::StatementHandle() {
  if (stmt_) return stmt_;
  SQLHANDLE st = nullptr;
  if (!SQL_SUCCEEDED(AsignarHandle(SQL_HANDLE_STMT, dbc_, &st))) {
    ReadDiagnostics(SQL_HANDLE_DBC, dbc_);
    return nullptr;
  }
  stmt_ = st;
  return stmt_;
}

void OdbcConnection::FreeHandles() {
  // Disconnecting frees the statements of the connection: ours goes first.
  FreeStatement();
  SQLHANDLE dbc = dbc_, env = env_;
  LiberarHandle(SQL_HANDLE_DBC, dbc);
  LiberarHandle(SQL_HANDLE_ENV, env);
  dbc_ = nullptr;
  env_ = nullptr;
  manualCommit_ = false;
}

void OdbcConnection::RequireOpen() const {
  if (!dbc_) {
    throw plataforma::ErrorEjecucion(adErrInvalidConnection,
                                     "The connection cannot be used to perform this operation. "
                                     "It is either closed or invalid in this context.",
                                     "ADODB.Connection");
  }
}

void OdbcConnection::ReadDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle, bool conectando) {
  Error e;
  SQLINTEGER nativo = 0;
  for (SQLSMALLINT i = 1;
       odbc::Diagnostico(handleType, handle, i, e.SQLState, nativo, e.Description); ++i) {
    e.NativeError = static_cast<int32_t>(nativo);
    e.Source = source_;
    e.Number = conectando ? kEFail
                          : NumeroDeDiagnostico(e.SQLState, e.NativeError, e.Description, motor_);
    errors_.Add(e);
  }
}

void OdbcConnection::RaiseFromErrors(int32_t numero, const std::string& porDefecto) {
  // The first entry that is an error (a warning may come before it).
  for (const Error& e : errors_.Items()) {
    if (e.Number != 0) throw plataforma::ErrorEjecucion(e.Number, e.Description, e.Source);
  }
  if (errors_.Count() > 0) {
    const Error& e = errors_.Item(0);
    throw plataforma::ErrorEjecucion(numero, e.Description, e.Source);
  }
  throw plataforma::ErrorEjecucion(numero, porDefecto, source_);
}

void OdbcConnection::Open(const std::string& connectionString, const std::string& user,
                          const std::string& password) {
  if (dbc_) {
    throw plataforma::ErrorEjecucion(
        adErrObjectOpen, "Operation is not allowed when the object is open.", "ADODB.Connection");
  }
  errors_.Clear();
  if (!connectionString.empty()) connectionString_ = connectionString;
  Traduccion t = Traducir(connectionString_, user, password, true);
  motor_ = t.motor;
  source_ = t.Fuente();
  if (motor_ == MotorOdbc::SQLite) plataforma::RegistrarFuncionesSqlite();

  SQLHANDLE env = nullptr, dbc = nullptr;
  if (!SQL_SUCCEEDED(AsignarHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) {
    throw plataforma::ErrorEjecucion(kEFail, "Could not allocate an ODBC environment", "ODBC");
  }
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  if (!SQL_SUCCEEDED(AsignarHandle(SQL_HANDLE_DBC, env, &dbc))) {
    ReadDiagnostics(SQL_HANDLE_ENV, env, true);
    LiberarHandle(SQL_HANDLE_ENV, env);
    RaiseFromErrors(kEFail, "Could not allocate an ODBC connection");
  }
  env_ = env;
  SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT,
                    reinterpret_cast<SQLPOINTER>(kLoginTimeoutSegundos), 0);
  SQLRETURN rc = odbc::Conectar(dbc, t.texto);
  if (!SQL_SUCCEEDED(rc)) {
    ReadDiagnostics(SQL_HANDLE_DBC, dbc, true);
    dbc_ = dbc;
    FreeHandles();
    RaiseFromErrors(kEFail, "Could not connect through the ODBC driver " + source_);
  }
  dbc_ = dbc;
  if (rc == SQL_SUCCESS_WITH_INFO) ReadDiagnostics(SQL_HANDLE_DBC, dbc_);

  try {
    if (motor_ == MotorOdbc::SQLite) {
      ErrorCollection avisos = errors_;
      Execute("PRAGMA synchronous=NORMAL");
      ComprobarFuncionesSqlite();
      errors_ = avisos;
    } else {
      if (isolationSet_) ApplyIsolation();
      std::string catalogo;
      if (odbc::CatalogoActual(dbc_, catalogo)) defaultDatabase_ = catalogo;
    }
  } catch (...) {
    FreeStatement();
    SQLDisconnect(dbc_);
    FreeHandles();
    throw;
  }
}

// Where the functions come from an extension that the driver loads, a connection without them
// would fail later, on the first statement that uses one: it is refused here, naming the file.
void OdbcConnection::ComprobarFuncionesSqlite() {
  const std::string extension = odbc::ExtensionSqlite();
  if (extension.empty()) return;
  try {
    Execute("SELECT getdate(), len('a'), [isnull](NULL, 1), 'a' = 'A' COLLATE KVCI");
  } catch (const plataforma::ErrorEjecucion& e) {
    throw plataforma::ErrorEjecucion(
        kEFail,
        "The SQLite driver did not load the functions extension " + extension +
            " (IMPORTADOR_SQLITE_EXTENSION names another file): " + e.Description,
        source_);
  }
}

void OdbcConnection::Close() {
  if (!dbc_) {
    throw plataforma::ErrorEjecucion(adErrObjectClosed,
                                     "Operation is not allowed when the object is closed.",
                                     "ADODB.Connection");
  }
  FreeStatement();
  if (manualCommit_) SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
  SQLDisconnect(dbc_);
  FreeHandles();
}

// Closes the cursor of the reused statement handle and drops its bindings on every exit, so
// that the next Execute finds it as a new one.
class CierreDeSentencia {
 public:
  explicit CierreDeSentencia(SQLHSTMT st) : st_(st) {}
  ~CierreDeSentencia() {
    SQLFreeStmt(st_, SQL_CLOSE);
    SQLFreeStmt(st_, SQL_UNBIND);
    SQLFreeStmt(st_, SQL_RESET_PARAMS);
  }
  CierreDeSentencia(const CierreDeSentencia&) = delete;
  CierreDeSentencia& operator=(const CierreDeSentencia&) = delete;

 private:
  SQLHSTMT st_;
};

std::optional<Resultado> OdbcConnection::Execute(const std::string& text, int32_t* recordsAffected,
                                                 int32_t options) {
  RequireOpen();
  errors_.Clear();
  if (recordsAffected) *recordsAffected = 0;
  // One statement handle for the connection's life: allocating and freeing one per statement
  // cost the driver manager more than many of the statements themselves.
  SQLHSTMT st = StatementHandle();
  if (!st) RaiseFromErrors(kEFail, "Could not allocate an ODBC statement");
  CierreDeSentencia cierre(st);
  if (commandTimeout_ >= 0 && commandTimeout_ != stmtTimeout_) {
    // Drivers that cannot time statements out refuse this; the statement runs all the same.
    SQLSetStmtAttr(st, SQL_ATTR_QUERY_TIMEOUT,
                   reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(commandTimeout_)), 0);
    stmtTimeout_ = commandTimeout_;
  }
  SQLRETURN rc = odbc::EjecutarDirecto(st, text);

  std::optional<Resultado> resultado;
  bool fallo = false;
  int64_t filas = 0;
  // One result of the text: its rows (the first result set is kept) or its count of rows.
  auto procesar = [&](SQLRETURN r) {
    if (r == SQL_ERROR) {
      fallo = true;
      ReadDiagnostics(SQL_HANDLE_STMT, st);
      return true;
    }
    if (r == SQL_NO_DATA) return true;  // an UPDATE or DELETE that matched no row
    if (!SQL_SUCCEEDED(r)) {
      fallo = true;
      ReadDiagnostics(SQL_HANDLE_STMT, st);
      return false;
    }
    if (r == SQL_SUCCESS_WITH_INFO) ReadDiagnostics(SQL_HANDLE_STMT, st);
    SQLSMALLINT columnas = 0;
    SQLNumResultCols(st, &columnas);
    if (columnas == 0) {
      SQLLEN n = -1;
      if (SQL_SUCCEEDED(SQLRowCount(st, &n)) && n > 0) filas += n;
    } else if (!resultado) {
      resultado = Fetch(st, columnas, fallo);
    }
    return true;
  };
  bool seguir = procesar(rc);
  // A batch gives one result per statement: every one is read, so that a failure in a later
  // statement reaches the error list. The SQLite driver gives a single result and complains
  // when asked for more after a failure.
  for (int vuelta = 0; seguir && motor_ != MotorOdbc::SQLite && vuelta < 100000; ++vuelta) {
    rc = SQLMoreResults(st);
    if (rc == SQL_NO_DATA) break;
    if (rc == SQL_ERROR) {
      size_t antes = errors_.Count();
      ReadDiagnostics(SQL_HANDLE_STMT, st);
      bool soloSecuencia = true;
      for (size_t i = antes; i < errors_.Count(); ++i) {
        soloSecuencia = soloSecuencia && errors_.Item(i).SQLState == "HY010";
      }
      if (soloSecuencia) {  // nothing more to read: drop the driver's sequence complaint
        ErrorCollection propias;
        for (size_t i = 0; i < antes; ++i) propias.Add(errors_.Item(i));
        errors_ = std::move(propias);
        break;
      }
      fallo = true;
      continue;
    }
    seguir = procesar(rc);
  }
  if (recordsAffected) *recordsAffected = static_cast<int32_t>(filas);
  if (fallo) RaiseFromErrors(kDbEErrorsInCommand, "The statement failed");
  return resultado;
}

Resultado OdbcConnection::Fetch(SQLHSTMT st, SQLSMALLINT columnas, bool& fallo) {
  Resultado r;
  r.columnas.reserve(columnas);
  for (SQLUSMALLINT c = 1; c <= columnas; ++c) {
    std::string nombre, nombreTipo;
    SQLSMALLINT tipo = 0;
    odbc::DescribirColumna(st, c, nombre, tipo, nombreTipo);
    r.columnas.push_back(Columna{std::move(nombre), TipoDeColumna(tipo, nombreTipo)});
  }
  SQLRETURN f;
  while (SQL_SUCCEEDED(f = SQLFetch(st))) {
    if (f == SQL_SUCCESS_WITH_INFO) ReadDiagnostics(SQL_HANDLE_STMT, st);
    std::vector<Valor> fila(r.columnas.size());
    for (SQLUSMALLINT c = 1; c <= columnas; ++c) {
      if (!LeerValor(st, c, r.columnas[c - 1].tipo, fila[c - 1])) {
        ReadDiagnostics(SQL_HANDLE_STMT, st);
        RaiseFromErrors(kDbEErrorsInCommand, "Could not read column " + r.columnas[c - 1].nombre);
      }
    }
    r.filas.push_back(std::move(fila));
  }
  if (f == SQL_ERROR) {
    fallo = true;
    ReadDiagnostics(SQL_HANDLE_STMT, st);
  }
  return r;
}

void OdbcConnection::BeginTrans() {
  if (motor_ == MotorOdbc::SQLite) {
    Execute("BEGIN TRANSACTION");
    return;
  }
  RequireOpen();
  errors_.Clear();
  SQLRETURN rc = SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT,
                                   reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
  if (!SQL_SUCCEEDED(rc)) {
    ReadDiagnostics(SQL_HANDLE_DBC, dbc_);
    RaiseFromErrors(kEFail, "Could not begin a transaction");
  }
  manualCommit_ = true;
}

void OdbcConnection::EndTransaction(SQLSMALLINT completion) {
  RequireOpen();
  errors_.Clear();
  if (!manualCommit_) {
    throw plataforma::ErrorEjecucion(kXactENoTransaction, "No transaction is active.", source_);
  }
  SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc_, completion);
  if (!SQL_SUCCEEDED(rc)) ReadDiagnostics(SQL_HANDLE_DBC, dbc_);
  manualCommit_ = false;
  SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
  if (!SQL_SUCCEEDED(rc)) RaiseFromErrors(kEFail, "Could not end the transaction");
}

void OdbcConnection::CommitTrans() {
  if (motor_ == MotorOdbc::SQLite) {
    Execute("COMMIT TRANSACTION");
    return;
  }
  EndTransaction(SQL_COMMIT);
}

void OdbcConnection::RollbackTrans() {
  if (motor_ == MotorOdbc::SQLite) {
    Execute("ROLLBACK TRANSACTION");
    return;
  }
  EndTransaction(SQL_ROLLBACK);
}

std::vector<std::string> OdbcConnection::TableNames() {
  RequireOpen();
  Sentencia st(dbc_);
  if (!st) {
    ReadDiagnostics(SQL_HANDLE_DBC, dbc_);
    RaiseFromErrors(kEFail, "Could not allocate an ODBC statement");
  }
  SQLRETURN rc = odbc::Tablas(st.get());
  if (!SQL_SUCCEEDED(rc)) {
    errors_.Clear();
    ReadDiagnostics(SQL_HANDLE_STMT, st.get());
    RaiseFromErrors(kDbEErrorsInCommand, "Could not read the table catalogue");
  }
  std::vector<std::string> nombres;
  while (SQL_SUCCEEDED(rc = SQLFetch(st.get()))) {
    Valor v;
    if (LeerTexto(st.get(), 3, v)) {
      if (auto* s = std::get_if<std::string>(&v)) nombres.push_back(*s);
    }
  }
  if (rc == SQL_ERROR) {
    errors_.Clear();
    ReadDiagnostics(SQL_HANDLE_STMT, st.get());
    RaiseFromErrors(kDbEErrorsInCommand, "Could not read the table catalogue");
  }
  return nombres;
}

void OdbcConnection::ApplyIsolation() {
  SQLULEN nivel = isolationLevel_ == adXactReadUncommitted ? SQL_TXN_READ_UNCOMMITTED
                  : isolationLevel_ == adXactSerializable  ? SQL_TXN_SERIALIZABLE
                                                           : SQL_TXN_READ_COMMITTED;
  SQLRETURN rc =
      SQLSetConnectAttr(dbc_, SQL_ATTR_TXN_ISOLATION, reinterpret_cast<SQLPOINTER>(nivel), 0);
  if (!SQL_SUCCEEDED(rc)) {
    errors_.Clear();
    ReadDiagnostics(SQL_HANDLE_DBC, dbc_);
    RaiseFromErrors(kEFail, "Could not set the isolation level");
  }
}

void OdbcConnection::SetIsolationLevel(IsolationLevelEnum l) {
  isolationLevel_ = l;
  isolationSet_ = true;
  // SQLite runs every transaction serialised; the driver has no other level to give.
  if (dbc_ && motor_ != MotorOdbc::SQLite) ApplyIsolation();
}

void OdbcConnection::SetDefaultDatabase(const std::string& db) {
  // SQLite has one database per file: the name is only kept.
  if (dbc_ && motor_ != MotorOdbc::SQLite && motor_ != MotorOdbc::Oracle) {
    SQLRETURN rc = odbc::CambiarCatalogo(dbc_, db);
    if (!SQL_SUCCEEDED(rc)) {
      errors_.Clear();
      ReadDiagnostics(SQL_HANDLE_DBC, dbc_);
      RaiseFromErrors(kEFail, "Could not change the database to " + db);
    }
  }
  defaultDatabase_ = db;
}

}  // namespace ado
