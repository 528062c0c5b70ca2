#pragma once
// The stand-in for ADO: a connection (an interface, so tests can wrap or replace one call), its
// error list, and a client-side recordset. The ODBC implementation lives in odbc_conexion.*.
//
// Failures raise plataforma::ErrorEjecucion. A failing execution first fills the connection's
// error list with every diagnostic record the driver returned, then raises with the number of
// the first entry. The list is emptied at the start of every Execute, Open and recordset open.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error_ejecucion.h"
#include "platform/valores.h"

// <cstdio> defines EOF as a macro, which would hide Recordset::EOF(); C++ code reads the end
// of a stream through std::char_traits instead.
#undef EOF

namespace ado {

using plataforma::FechaHora;
using plataforma::Moneda;
using plataforma::Valor;

// Provider error numbers (signed 32-bit, as the providers report them).
inline constexpr int32_t adErrIllegalOperation = 3219;  // not allowed in the object's state
inline constexpr int32_t adErrItemNotFound = 3265;      // no field of that name
inline constexpr int32_t adErrNoCurrentRecord = 3021;   // BOF or EOF
inline constexpr int32_t adErrObjectClosed = 3704;
inline constexpr int32_t adErrObjectOpen = 3705;
inline constexpr int32_t adErrInvalidConnection = 3709;
inline constexpr int32_t adErrFeatureNotAvailable = 3251;  // e.g. writing a read-only recordset
inline constexpr int32_t kEFail = static_cast<int32_t>(0x80004005u);  // generic failure
inline constexpr int32_t kDbSNoResult = 0x00040EC9;                   // 265929
inline constexpr int32_t kDbEIntegrityViolation = static_cast<int32_t>(0x80040E2Fu);
inline constexpr int32_t kDbENoTable = static_cast<int32_t>(0x80040E37u);
inline constexpr int32_t kDbEErrorsInCommand = static_cast<int32_t>(0x80040E14u);
// The row an UPDATE of a recordset meant is no longer there as it was read.
inline constexpr int32_t kDbEConcurrencyViolation = static_cast<int32_t>(0x80040E38u);

enum CursorLocationEnum : int32_t { adUseServer = 2, adUseClient = 3 };
enum CursorTypeEnum : int32_t {
  adOpenForwardOnly = 0,
  adOpenKeyset = 1,
  adOpenDynamic = 2,
  adOpenStatic = 3
};
enum LockTypeEnum : int32_t {
  adLockReadOnly = 1,
  adLockPessimistic = 2,
  adLockOptimistic = 3,
  adLockBatchOptimistic = 4
};
enum ObjectStateEnum : int32_t { adStateClosed = 0, adStateOpen = 1 };
enum EditModeEnum : int32_t { adEditNone = 0, adEditInProgress = 1, adEditAdd = 2 };
enum IsolationLevelEnum : int32_t {
  adXactReadUncommitted = 256,
  adXactReadCommitted = 4096,
  adXactSerializable = 1048576
};
// Field types, numbered as ADO numbers them.
enum DataTypeEnum : int32_t {
  adEmpty = 0,
  adInteger = 3,
  adDouble = 5,
  adCurrency = 6,
  adDate = 7,
  adBigInt = 20,
  adVarChar = 200,
  adDBTimeStamp = 135
};

// One entry of a connection's error list.
struct Error {
  int32_t Number = 0;       // provider number (an HRESULT such as 0x80040E14)
  int32_t NativeError = 0;  // the server's or driver's own number
  std::string SQLState;
  std::string Description;
  std::string Source;
};

// The errors and warnings of the latest operation on a connection.
class ErrorCollection {
 public:
  size_t Count() const { return items_.size(); }
  const Error& Item(size_t i) const { return items_.at(i); }  // first entry is Item(0)
  Error& Item(size_t i) { return items_.at(i); }
  void Clear() { items_.clear(); }
  void Add(Error e) { items_.push_back(std::move(e)); }
  const std::vector<Error>& Items() const { return items_; }

 private:
  std::vector<Error> items_;
};

// Column description of a result.
struct Columna {
  std::string nombre;
  DataTypeEnum tipo = adVarChar;
};

// A result set fetched whole (client-side cursor).
struct Resultado {
  std::vector<Columna> columnas;
  std::vector<std::vector<Valor>> filas;
};

// The connection interface. Properties are virtual so a wrapper forwards them too.
class Connection {
 public:
  virtual ~Connection() = default;

  virtual void Open(const std::string& connectionString = "", const std::string& user = "",
                    const std::string& password = "") = 0;
  virtual void Close() = 0;  // raises adErrObjectClosed on a closed connection
  virtual ObjectStateEnum State() const = 0;

  // Runs one text; returns its result set, if the text produced one. *recordsAffected receives
  // the driver's count of affected rows (0 when it reports none).
  virtual std::optional<Resultado> Execute(const std::string& text,
                                           int32_t* recordsAffected = nullptr,
                                           int32_t options = -1) = 0;
  virtual void BeginTrans() = 0;
  virtual void CommitTrans() = 0;
  virtual void RollbackTrans() = 0;

  // Names of the tables and views of the database (the provider's table catalogue).
  virtual std::vector<std::string> TableNames() = 0;

  virtual ErrorCollection& Errors() = 0;

  virtual std::string ConnectionString() const = 0;
  virtual void SetConnectionString(const std::string& s) = 0;
  virtual CursorLocationEnum CursorLocation() const = 0;
  virtual void SetCursorLocation(CursorLocationEnum c) = 0;
  virtual int32_t CommandTimeout() const = 0;
  virtual void SetCommandTimeout(int32_t seconds) = 0;
  virtual IsolationLevelEnum IsolationLevel() const = 0;
  virtual void SetIsolationLevel(IsolationLevelEnum l) = 0;
  virtual std::string DefaultDatabase() const = 0;
  virtual void SetDefaultDatabase(const std::string& db) = 0;
};

// Forwards every call to another connection; a test overrides the one call it wants to fail.
class ConnectionWrapper : public Connection {
 public:
  explicit ConnectionWrapper(std::shared_ptr<Connection> target) : target_(std::move(target)) {}

  void Open(const std::string& cs, const std::string& u, const std::string& p) override {
    target_->Open(cs, u, p);
  }
  void Close() override { target_->Close(); }
  ObjectStateEnum State() const override { return target_->State(); }
  std::optional<Resultado> Execute(const std::string& text, int32_t* n, int32_t o) override {
    return target_->Execute(text, n, o);
  }
  void BeginTrans() override { target_->BeginTrans(); }
  void CommitTrans() override { target_->CommitTrans(); }
  void RollbackTrans() override { target_->RollbackTrans(); }
  std::vector<std::string> TableNames() override { return target_->TableNames(); }
  ErrorCollection& Errors() override { return target_->Errors(); }
  std::string ConnectionString() const override { return target_->ConnectionString(); }
  void SetConnectionString(const std::string& s) override { target_->SetConnectionString(s); }
  CursorLocationEnum CursorLocation() const override { return target_->CursorLocation(); }
  void SetCursorLocation(CursorLocationEnum c) override { target_->SetCursorLocation(c); }
  int32_t CommandTimeout() const override { return target_->CommandTimeout(); }
  void SetCommandTimeout(int32_t s) override { target_->SetCommandTimeout(s); }
  IsolationLevelEnum IsolationLevel() const override { return target_->IsolationLevel(); }
  void SetIsolationLevel(IsolationLevelEnum l) override { target_->SetIsolationLevel(l); }
  std::string DefaultDatabase() const override { return target_->DefaultDatabase(); }
  void SetDefaultDatabase(const std::string& db) override { target_->SetDefaultDatabase(db); }

 protected:
  Connection& target() { return *target_; }

 private:
  std::shared_ptr<Connection> target_;
};

// Creates the connections of the program: the ODBC one, unless a test installed its own maker.
std::shared_ptr<Connection> CrearConexion();
using FabricaConexiones = std::shared_ptr<Connection> (*)();
void EstablecerFabricaConexiones(FabricaConexiones fabrica);  // nullptr restores ODBC

// One field of the current row of a recordset.
class Field {
 public:
  Field(std::string name, DataTypeEnum type) : name_(std::move(name)), type_(type) {}
  const std::string& Name() const { return name_; }
  DataTypeEnum Type() const { return type_; }
  // The value in the current row; adErrNoCurrentRecord at BOF or EOF.
  const Valor& Value() const;
  // Starts an edit of the current row when none is pending (adErrFeatureNotAvailable on a
  // read-only recordset).
  void SetValue(Valor v);
  bool IsNull() const { return plataforma::EsNulo(Value()); }

 private:
  friend class Recordset;
  std::string name_;
  DataTypeEnum type_;
  size_t index_ = 0;        // column of this field
  Valor* value_ = nullptr;  // the value in the current row
  class Recordset* owner_ = nullptr;
};

// A client-side recordset: Open fetches every row; an updatable one (lock type other than
// read-only) writes an added row as an INSERT and an edited one as an UPDATE whose WHERE clause
// names the row's original values, on the table named after FROM in its source text.
class Recordset {
 public:
  Recordset() = default;
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;
  Recordset(Recordset&&) noexcept;
  Recordset& operator=(Recordset&&) noexcept;
  ~Recordset();

  CursorTypeEnum CursorType = adOpenForwardOnly;
  LockTypeEnum LockType = adLockReadOnly;

  // Raises adErrObjectOpen when already open, adErrInvalidConnection for a closed connection.
  void Open(const std::string& source, std::shared_ptr<Connection> connection,
            CursorTypeEnum cursorType = adOpenForwardOnly, LockTypeEnum lockType = adLockReadOnly,
            int32_t options = -1);
  // Takes over a result that Connection::Execute returned.
  void Adopt(Resultado resultado, std::shared_ptr<Connection> connection);
  // Raises adErrObjectClosed when closed, adErrIllegalOperation while an edit is pending.
  void Close();
  ObjectStateEnum State() const { return open_ ? adStateOpen : adStateClosed; }

  bool BOF() const;  // no current row before the first (or no rows at all)
  bool EOF() const;  // no current row after the last (or no rows at all)
  void MoveNext();
  void MoveFirst();
  int32_t RecordCount() const;

  size_t FieldCount() const;
  Field& Fields(size_t index);
  Field& Fields(std::string_view name);  // letter case ignored; adErrItemNotFound when absent

  void AddNew();
  void Update();        // writes the pending row; the connection's error list tells a refusal
  void CancelUpdate();  // drops the pending edit
  EditModeEnum EditMode() const { return editMode_; }
  const std::string& Source() const { return source_; }

 private:
  friend class Field;
  void RequireOpen() const;
  void RequireCurrent() const;
  void SetFieldValue(size_t index, Valor v);
  void BeginEdit();
  void Bind();  // points the fields at the current row (none at BOF or EOF)
  std::string TableName() const;
  std::string InsertText() const;
  std::string UpdateText() const;

  bool open_ = false;
  std::string source_;
  std::shared_ptr<Connection> connection_;
  std::vector<Columna> columns_;
  std::vector<std::vector<Valor>> rows_;
  std::vector<Valor> original_;  // the row as read, for the WHERE clause of an UPDATE
  std::vector<Field> fields_;
  long position_ = 0;  // index into rows_; rows_.size() is EOF
  long positionBeforeAdd_ = 0;
  std::vector<bool> modified_;  // columns set during the pending edit
  EditModeEnum editMode_ = adEditNone;
};

}  // namespace ado
