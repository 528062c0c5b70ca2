#pragma once
// The ADO connection over ODBC (unixODBC on Linux, the system's driver manager on Windows). It takes the suite's connection texts (SQLOLEDB,
// OraOLEDB.Oracle.1, and "Provider=SQLite;Data Source=<file>;" for the embedded engine),
// connects through the matching ODBC driver, and fills its error list from every diagnostic
// record the driver returns.
//
//   auto cnn = std::make_shared<ado::OdbcConnection>();
//   cnn->Open("Provider=SQLite;Data Source=/tmp/empresa.db;");
//   int32_t n = 0;
//   cnn->Execute("DELETE FROM T", &n);

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/ado.h"

namespace ado {

// The database engine behind a connection text.
enum class MotorOdbc { SqlServer, Oracle, SQLite, Odbc };

// The engine a connection text names by its Provider key (SQL Server when it names none and
// gives no DRIVER or DSN of its own).
MotorOdbc MotorDe(const std::string& connectionString);
// The value of `clave` (any case) in a "key=value;" connection text, without surrounding blanks
// or quotes; empty when absent.
std::string ValorDeCadena(const std::string& connectionString, const std::string& clave);

// The ODBC connection string for one of the suite's connection texts. The driver comes from
// IMPORTADOR_ODBC_SQLSERVER / _ORACLE / _SQLITE, or defaults to FreeTDS, "Oracle" and SQLite3;
// a driver that is not registered with the driver manager is named by its library path.
std::string TraducirCadenaConexion(const std::string& connectionString);

// The provider number of one diagnostic record (23xxx integrity, 42S02 missing table, 08xxx
// link failure, 01xxx warning 0; on SQLite, where every state is HY000, by its result code
// and message).
int32_t NumeroDeDiagnostico(const std::string& sqlState, int32_t nativo, const std::string& mensaje,
                            MotorOdbc motor);

// ODBC handles allocated and not yet freed, by kind.
struct HandlesOdbc {
  int64_t env = 0, dbc = 0, stmt = 0;
  bool operator==(const HandlesOdbc&) const = default;
};
HandlesOdbc HandlesOdbcPendientes();

class OdbcConnection : public Connection {
  // ODBC's handles and small integers, named here without the system's ODBC headers (which on
  // Windows bring all of windows.h with them).
  using SQLHANDLE = void*;
  using SQLHENV = void*;
  using SQLHDBC = void*;
  using SQLHSTMT = void*;
  using SQLSMALLINT = short;

 public:
  OdbcConnection() = default;
  OdbcConnection(const OdbcConnection&) = delete;
  OdbcConnection& operator=(const OdbcConnection&) = delete;
  ~OdbcConnection() override;

  void Open(const std::string& connectionString = "", const std::string& user = "",
            const std::string& password = "") override;
  void Close() override;
  ObjectStateEnum State() const override { return dbc_ ? adStateOpen : adStateClosed; }

  std::optional<Resultado> Execute(const std::string& text, int32_t* recordsAffected = nullptr,
                                   int32_t options = -1) override;
  void BeginTrans() override;
  void CommitTrans() override;
  void RollbackTrans() override;
  std::vector<std::string> TableNames() override;

  ErrorCollection& Errors() override { return errors_; }

  std::string ConnectionString() const override { return connectionString_; }
  void SetConnectionString(const std::string& s) override { connectionString_ = s; }
  CursorLocationEnum CursorLocation() const override { return cursorLocation_; }
  void SetCursorLocation(CursorLocationEnum c) override { cursorLocation_ = c; }
  int32_t CommandTimeout() const override { return commandTimeout_; }
  void SetCommandTimeout(int32_t seconds) override { commandTimeout_ = seconds; }
  IsolationLevelEnum IsolationLevel() const override { return isolationLevel_; }
  void SetIsolationLevel(IsolationLevelEnum l) override;
  std::string DefaultDatabase() const override { return defaultDatabase_; }
  void SetDefaultDatabase(const std::string& db) override;

 private:
  void RequireOpen() const;
  // Adds every diagnostic record of the handle to the error list.
  void ReadDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle, bool conectando = false);
  // Raises with the first entry of the error list, or with `porDefecto` when it is empty.
  [[noreturn]] void RaiseFromErrors(int32_t numero, const std::string& porDefecto);
  // Reads every row of the current result set of the statement.
  Resultado Fetch(SQLHSTMT st, SQLSMALLINT columnas, bool& fallo);
  void ApplyIsolation();
  // Refuses an embedded-engine connection whose driver did not load the functions extension.
  void ComprobarFuncionesSqlite();
  void EndTransaction(SQLSMALLINT completion);
  void FreeHandles();
  // The connection's one statement handle for Execute, allocated on first use; nullptr (with
  // the driver's diagnostics in the error list) when it cannot be allocated.
  SQLHSTMT StatementHandle();
  void FreeStatement();

  SQLHENV env_ = nullptr;
  SQLHDBC dbc_ = nullptr;
  SQLHSTMT stmt_ = nullptr;   // reused by every Execute, closed between uses
  int32_t stmtTimeout_ = -1;  // the query time-out last set on stmt_
  MotorOdbc motor_ = MotorOdbc::SqlServer;
  std::string source_ = "ODBC";  // Source of the error entries: the driver connected to
  bool manualCommit_ = false;    // autocommit switched off by BeginTrans (not on SQLite)

  ErrorCollection errors_;
  std::string connectionString_;
  CursorLocationEnum cursorLocation_ = adUseServer;
  int32_t commandTimeout_ = 30;
  IsolationLevelEnum isolationLevel_ = adXactReadCommitted;
  bool isolationSet_ = false;
  std::string defaultDatabase_;
};

}  // namespace ado
