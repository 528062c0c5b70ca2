#pragma once
// The data-access class: owns the session connection gCnn and the session record, executes
// statements and batches (the error list of gCnn tells the caller what failed), opens
// recordsets, answers lookups, rewrites restricted tables for ordinary users and converts the
// SQL Server dialect on its way to Oracle or to the embedded engine (SQLite).
//
// One process-wide instance, DB(), created on first use; a second one, DBEstadisticas(), holds
// the statistics connection.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/conexiones.h"
#include "data/dialecto_sqlite.h"
#include "platform/ado.h"
#include "platform/error_ejecucion.h"
#include "utility/utilidades.h"

// What the parameter prompt of OpenServerADODB shows and takes back.
struct DatosConexion {
  std::string servidor, base, usuario, password;
  int plataforma = 0;  // index of CboPlataformaDB: 0 "SQL Server", 1 "ORACLE", 2 "SQLite"
};

// The connection dialog as the data-access class sees it (the session layer implements it).
class DialogoConexion {
 public:
  virtual ~DialogoConexion() = default;
  // Shows the dialog filled with `datos`; true when accepted, with `datos` taken back from it.
  virtual bool Mostrar(DatosConexion& datos) = 0;
};

// The type codes of a looked-up value.
enum TipoDato : int {
  kTipoEntero = 3,  // numbers: written as a number literal
  kTipoSimple = 4,
  kTipoDoble = 5,
  kTipoFecha = 7,  // a date literal as given
  kTipoTexto = 8,  // a quoted text, compared trimmed
};

// What a table lookup found. Fallida: the query failed and the operator chose Ignore, so
// whether the row is there is unknown; it is never a "not found".
enum class Busqueda { Encontrada, NoEncontrada, Fallida };

class DB_Dll {
 public:
  DB_Dll();
  ~DB_Dll();

  // Session record.
  utilidad::DialogoArchivo& CmdDlg();  // created on first use
  bool gOpenFlag = false;
  std::shared_ptr<ado::Connection> gCnn;  // created empty on first use (see Cnn())
  std::string gProveedor;
  std::string gServidor;
  std::string gDBName;
  std::string gUsuario;
  bool gEsAdmin = false;
  std::string gUserPassWord;
  std::string gConnString;

  static std::string pSQLOLEDB() { return "SQLOLEDB"; }

  // The session connection, created (closed) when there is none yet.
  ado::Connection& Cnn();

  // Connection management.
  void OpenServerADODB(bool PideParametrosSQL, int32_t lCursor, std::string& ConnString,
                       bool ValidaAdmin, bool MuestraError);
  // Opens the connection again. During a dry run the run's transaction died with the old one:
  // the dry run counts as lost from then on.
  void ReintentaConectar();
  // Sends SET DATEFORMAT dmy on a SQL Server connection; on the embedded engine the date
  // columns are read again from the database's schema before the next statement.
  void FijarFormatoDeFechas();
  bool ExisteTablaDB(const std::string& Tabla);
  // The parameter prompt's dialog; without one the prompt keeps the values as they are.
  void EstablecerDialogoConexion(DialogoConexion* dialogo) { dialogoConexion_ = dialogo; }
  // The connection text of the session variables: "sqlite:<folder>" servers give
  // "Provider=SQLite;Data Source=<folder>/<gDBName>.db;", a "#" in gServidor the Oracle text,
  // anything else the SQL Server text.
  std::string ComponeConexion() const;

  // Statement execution and recordsets. Database failures never raise: they stay in the
  // error list of gCnn for the caller.
  void EjecutaConsultaSQL(std::string& SentenciaSQL, int32_t* RecordsAffected = nullptr,
                          ado::Recordset* Lrcs = nullptr);
  void AbrirRecordset(std::string& SentenciaSQL, ado::Recordset& Lrcs,
                      std::shared_ptr<ado::Connection> Conexionactiva = nullptr,
                      int32_t CursorType = ado::adOpenForwardOnly,
                      int32_t LockType = ado::adLockReadOnly, int32_t Options = -1,
                      bool ConvOracle = true);
  void CierraRecordset(ado::Recordset& LrcsTemp);

  // Table lookups: the value's type code (kTipoTexto, kTipoFecha, a number type; anything else
  // is written raw). A failed lookup whose dialog was answered Ignore is Busqueda::Fallida.
  Busqueda ExisteEnTabla(const std::string& Tabla, const std::string& ValorBuscado,
                         const std::string& Campo, ado::Recordset* Lrcs, int Tipodato,
                         const std::string& Condicion, bool SoloLectura);
  std::string DatosTabla(const std::string& Tabla, const std::string& ValorBuscado,
                         const std::string& CampoDevuelto, const std::string& Campo, int Tipodato,
                         const std::string& Condicion, bool UsaTrim, bool IgnoraError);
  // The SQL literal of a value: "@" numeric, "'" text, anything else raw.
  std::string SQLValue(const plataforma::Valor& Valor, const std::string& marca);

  // Synonym rewriting for non-administrator sessions.
  std::string SS_TSinonimos(const std::string& SQL);
  // SQL Server dialect to Oracle (only on an Oracle session, else unchanged).
  std::string ORACLE_Dicc(const std::string& Valor);

  // The dry run: one transaction around the whole run, never committed. IniciarEnsayo begins
  // it (false when the database refused); TerminarEnsayo rolls it back, and closes the
  // connection when the rollback is refused, which drops the transaction as well.
  bool IniciarEnsayo();
  void TerminarEnsayo();
  bool EnEnsayo() const { return ensayo_; }
  // The run's transaction may have ended before its time (a lost connection, a savepoint that
  // could not be undone, SQLite's own rollback after a full disk, a deadlock on the server):
  // what the run did so far is gone, nothing more is sent until the dry run ends (a statement
  // is refused with an error instead), and the run must stop.
  bool EnsayoPerdido() const { return ensayoPerdido_; }
  void PerderEnsayo();

  // On the embedded engine, the company file's pages must be whole before anything is written to
  // it: "" when they are (or on another engine), else what the engine's quick check reports.
  // Start-up runs it before it writes anything, and every run before its first line.
  std::string DanioDeEmpresa();
  // What the last opening of an operator's session found damaged ("" when nothing): the
  // session was then closed before anything was written to the company.
  const std::string& EmpresaDaniadaAlAbrir() const { return danioAlAbrir_; }

  // The error dialog of this class (answer 3 abort, 4 retry, 5 ignore; 0 when no error).
  int TratamientoErrores(const plataforma::ErrorEjecucion& CodErr, int Botones = 18,
                         const std::string& Rutina = "");

 private:
  std::string EjecutaLoteOracle(std::string& Lote, int32_t& RecordsAffected);
  std::string FiltraSentenciaOracle(std::string& Sentencia);

  bool PideParametros();
  // The embedded engine has no logins of its own: a session's user must be a user of the
  // company's TA_USUARIOS (letter case ignored), or the open connection is closed and refused
  // as a failed login is (ErrorEjecucion with the refusal in the error list).
  void ExigirUsuarioRegistrado();
  // A damaged embedded company is told to the operator and its connection closed before
  // anything is written to it (ErrorEjecucion; EmpresaDaniadaAlAbrir says what was found).
  void RehusarEmpresaDaniada();
  // A company made by an earlier version gets the folded indexes its lookups use; an index the
  // file refuses is told to the operator (the lookups still work, only slower).
  void CompletarIndicesDeEmpresa();
  void AbrirConversion(const std::string& texto, ado::Recordset& rs,
                       std::shared_ptr<ado::Connection> conexion, int32_t cursor, int32_t lock,
                       int32_t options, bool convOracle, std::vector<std::string>& enviados);
  void AbrirSegunMotor(const std::string& texto, ado::Recordset& rs,
                       std::shared_ptr<ado::Connection> conexion, int32_t cursor, int32_t lock,
                       int32_t options, bool convOracle, std::vector<std::string>& enviados);
  int AvisoLookup(const plataforma::ErrorEjecucion& e);

  // After a refusal during a dry run: whether the run's transaction is still open.
  void ComprobarEnsayo();

  // The date columns of the SQLite database behind `conexion`: read from its schema once, and
  // again after the connection is opened again, names another database, or sends a statement
  // that changes a table (OlvidarFechasSiCambia).
  // Raises ErrorEjecucion when the database refuses the read.
  const ColumnasDeFecha& FechasDe(ado::Connection& conexion);
  void OlvidarFechasSiCambia(const std::vector<std::string>& enviadas);

  std::unique_ptr<utilidad::DialogoArchivo> cmdDlg_;
  bool ensayo_ = false;
  bool ensayoPerdido_ = false;
  std::string danioAlAbrir_;
  DialogoConexion* dialogoConexion_ = nullptr;
  std::optional<ColumnasDeFecha> fechas_;
  std::string fechasCadena_;  // the connection text they were read under
};

// The operator's message for a damaged company: its file, what the engine found, what to do.
std::string MensajeEmpresaDaniada(const std::string& danio);

// What ends the application when the operator refuses to reconnect (default std::exit(1)); a
// test installs its own, which may return: the call that asked then leaves as after Abort.
using SalidaAplicacion = void (*)(int codigo);
void EstablecerSalidaAplicacion(SalidaAplicacion salida);  // nullptr restores std::exit

// The process-wide session instance, created on first use.
DB_Dll& DB();

// A dry run's transaction on DB() for a scope: Iniciar begins it (false when the database
// refused), the end of the scope rolls it back however the scope is left. A killed process
// never commits it.
class TransaccionDeEnsayo {
 public:
  TransaccionDeEnsayo() = default;
  ~TransaccionDeEnsayo();
  TransaccionDeEnsayo(const TransaccionDeEnsayo&) = delete;
  TransaccionDeEnsayo& operator=(const TransaccionDeEnsayo&) = delete;
  bool Iniciar();

 private:
  bool activa_ = false;
};
// The statistics connection's instance.
DB_Dll& DBEstadisticas();
// Discards both instances (tests start each case from fresh ones).
void ReiniciarDB();
