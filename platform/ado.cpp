#include "platform/ado.h"

#include <cctype>
#include <charconv>
#include <cstdio>

#include "platform/odbc_conexion.h"

namespace ado {
namespace {

FabricaConexiones fabrica = nullptr;

const char* const kOrigen = "ADODB.Recordset";

[[noreturn]] void Fallar(int32_t numero, const std::string& descripcion) {
  throw plataforma::ErrorEjecucion(numero, descripcion, kOrigen);
}

bool IgualSinCaso(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// A name as SQL Server and SQLite both read it: bare when it is a plain identifier.
std::string Identificador(const std::string& nombre) {
  bool simple = !nombre.empty() && !std::isdigit(static_cast<unsigned char>(nombre[0]));
  for (unsigned char c : nombre) simple = simple && (std::isalnum(c) || c == '_');
  if (simple) return nombre;
  std::string r = "[";
  for (char c : nombre) {
    r += c;
    if (c == ']') r += ']';
  }
  return r + "]";
}

// A value as an SQL literal: quotes doubled in texts, "." as decimal separator, dates as the
// ODBC timestamp escape, which every driver turns into its own date literal.
std::string Literal(const Valor& v) {
  struct Visitante {
    std::string operator()(const plataforma::Nulo&) const { return "NULL"; }
    std::string operator()(const std::string& s) const {
      std::string r = "'";
      for (char c : s) {
        r += c;
        if (c == '\'') r += '\'';
      }
      return r + "'";
    }
    std::string operator()(int64_t n) const { return std::to_string(n); }
    std::string operator()(double d) const {
      char buf[64];
      auto [fin, ec] = std::to_chars(buf, buf + sizeof buf, d);
      return ec == std::errc() ? std::string(buf, fin) : "NULL";
    }
    std::string operator()(const Moneda& m) const {
      int64_t abs = m.diezmilesimos < 0 ? -m.diezmilesimos : m.diezmilesimos;
      char buf[40];
      std::snprintf(buf, sizeof buf, "%s%lld.%04lld", m.diezmilesimos < 0 ? "-" : "",
                    static_cast<long long>(abs / 10000), static_cast<long long>(abs % 10000));
      return buf;
    }
    std::string operator()(const FechaHora& f) const {
      char buf[64];
      std::snprintf(buf, sizeof buf, "{ts '%04d-%02d-%02d %02d:%02d:%02d'}", f.anio, f.mes, f.dia,
                    f.hora, f.minuto, f.segundo);
      return buf;
    }
  };
  return std::visit(Visitante{}, v);
}

}  // namespace

std::shared_ptr<Connection> CrearConexion() {
  if (fabrica) return fabrica();
  return std::make_shared<OdbcConnection>();
}

void EstablecerFabricaConexiones(FabricaConexiones f) { fabrica = f; }

// ---- Field -----------------------------------------------------------------------------------

const Valor& Field::Value() const {
  if (!value_) {
    Fallar(adErrNoCurrentRecord,
           "No hay fila actual: el conjunto de registros está al principio o al final (campo " +
               name_ + ")");
  }
  return *value_;
}

void Field::SetValue(Valor v) {
  if (!owner_) Fallar(adErrObjectClosed, "Operation is not allowed when the object is closed.");
  owner_->SetFieldValue(index_, std::move(v));
}

// ---- Recordset -------------------------------------------------------------------------------

Recordset::Recordset(Recordset&& o) noexcept { *this = std::move(o); }

Recordset& Recordset::operator=(Recordset&& o) noexcept {
  if (this == &o) return *this;
  CursorType = o.CursorType;
  LockType = o.LockType;
  open_ = o.open_;
  source_ = std::move(o.source_);
  connection_ = std::move(o.connection_);
  columns_ = std::move(o.columns_);
  rows_ = std::move(o.rows_);
  original_ = std::move(o.original_);
  fields_ = std::move(o.fields_);
  position_ = o.position_;
  positionBeforeAdd_ = o.positionBeforeAdd_;
  modified_ = std::move(o.modified_);
  editMode_ = o.editMode_;
  o.open_ = false;
  o.editMode_ = adEditNone;
  o.fields_.clear();
  o.rows_.clear();
  o.columns_.clear();
  Bind();
  return *this;
}

Recordset::~Recordset() = default;

void Recordset::Open(const std::string& source, std::shared_ptr<Connection> connection,
                     CursorTypeEnum cursorType, LockTypeEnum lockType, int32_t options) {
  if (open_) Fallar(adErrObjectOpen, "Operation is not allowed when the object is open.");
  if (!connection || connection->State() != adStateOpen) {
    Fallar(adErrInvalidConnection,
           "The connection cannot be used to perform this operation. It is either closed or "
           "invalid in this context.");
  }
  CursorType = cursorType;
  LockType = lockType;
  std::optional<Resultado> resultado = connection->Execute(source, nullptr, options);
  source_ = source;
  // A text that returns no rows leaves the recordset closed, as the provider does.
  if (resultado) Adopt(std::move(*resultado), std::move(connection));
}

void Recordset::Adopt(Resultado resultado, std::shared_ptr<Connection> connection) {
  if (open_) Fallar(adErrObjectOpen, "Operation is not allowed when the object is open.");
  connection_ = std::move(connection);
  columns_ = std::move(resultado.columnas);
  rows_ = std::move(resultado.filas);
  fields_.clear();
  fields_.reserve(columns_.size());
  for (size_t i = 0; i < columns_.size(); ++i) {
    fields_.emplace_back(columns_[i].nombre, columns_[i].tipo);
    fields_.back().index_ = i;
  }
  modified_.assign(columns_.size(), false);
  original_.clear();
  position_ = 0;
  editMode_ = adEditNone;
  open_ = true;
  Bind();
}

void Recordset::Close() {
  RequireOpen();
  if (editMode_ != adEditNone) {
    Fallar(adErrIllegalOperation,
           "Operation is not allowed in this context: the recordset has a pending edit.");
  }
  open_ = false;
  connection_.reset();
  columns_.clear();
  rows_.clear();
  original_.clear();
  fields_.clear();
  modified_.clear();
  position_ = 0;
}

void Recordset::RequireOpen() const {
  if (!open_) Fallar(adErrObjectClosed, "Operation is not allowed when the object is closed.");
}

void Recordset::RequireCurrent() const {
  if (position_ < 0 || position_ >= static_cast<long>(rows_.size())) {
    Fallar(adErrNoCurrentRecord,
           "No hay fila actual: el conjunto de registros está al principio o al final.");
  }
}

void Recordset::Bind() {
  bool actual = position_ >= 0 && position_ < static_cast<long>(rows_.size());
  for (Field& f : fields_) {
    f.owner_ = this;
    f.value_ = actual ? &rows_[position_][f.index_] : nullptr;
  }
}

bool Recordset::BOF() const {
  RequireOpen();
  return rows_.empty() || position_ < 0;
}

bool Recordset::EOF() const {
  RequireOpen();
  return rows_.empty() || position_ >= static_cast<long>(rows_.size());
}

void Recordset::MoveNext() {
  RequireOpen();
  if (editMode_ != adEditNone) Update();  // moving off a row writes its edit, as ADO does
  if (EOF()) {
    Fallar(adErrNoCurrentRecord,
           "No hay fila actual: el conjunto de registros está al principio o al final.");
  }
  ++position_;
  Bind();
}

void Recordset::MoveFirst() {
  RequireOpen();
  if (editMode_ != adEditNone) Update();
  position_ = 0;
  Bind();
}

int32_t Recordset::RecordCount() const {
  RequireOpen();
  return static_cast<int32_t>(rows_.size());
}

size_t Recordset::FieldCount() const { return fields_.size(); }

Field& Recordset::Fields(size_t index) {
  RequireOpen();
  if (index >= fields_.size()) {
    Fallar(adErrItemNotFound,
           "Item cannot be found in the collection corresponding to the requested name or "
           "ordinal. (" +
               std::to_string(index) + ")");
  }
  return fields_[index];
}

Field& Recordset::Fields(std::string_view name) {
  RequireOpen();
  for (Field& f : fields_) {
    if (IgualSinCaso(f.Name(), name)) return f;
  }
  Fallar(adErrItemNotFound,
         "Item cannot be found in the collection corresponding to the requested name or "
         "ordinal. (" +
             std::string(name) + ")");
}

void Recordset::SetFieldValue(size_t index, Valor v) {
  RequireOpen();
  if (LockType == adLockReadOnly) {
    Fallar(adErrFeatureNotAvailable,
           "Current Recordset does not support updating. This may be a limitation of the "
           "provider, or of the selected locktype.");
  }
  if (editMode_ == adEditNone) BeginEdit();
  rows_[position_][index] = std::move(v);
  modified_[index] = true;
}

void Recordset::BeginEdit() {
  RequireCurrent();
  original_ = rows_[position_];
  modified_.assign(columns_.size(), false);
  editMode_ = adEditInProgress;
}

void Recordset::AddNew() {
  RequireOpen();
  if (LockType == adLockReadOnly) {
    Fallar(adErrFeatureNotAvailable,
           "Current Recordset does not support updating. This may be a limitation of the "
           "provider, or of the selected locktype.");
  }
  if (editMode_ != adEditNone) Update();
  positionBeforeAdd_ = position_;
  rows_.emplace_back(columns_.size());
  position_ = static_cast<long>(rows_.size()) - 1;
  modified_.assign(columns_.size(), false);
  original_.clear();
  editMode_ = adEditAdd;
  Bind();
}

void Recordset::CancelUpdate() {
  RequireOpen();
  if (editMode_ == adEditAdd) {
    rows_.pop_back();
    position_ = positionBeforeAdd_;
  } else if (editMode_ == adEditInProgress) {
    rows_[position_] = original_;
  }
  editMode_ = adEditNone;
  original_.clear();
  Bind();
}

void Recordset::Update() {
  RequireOpen();
  if (editMode_ == adEditNone) return;
  bool cambios = false;
  for (bool m : modified_) cambios = cambios || m;
  if (!cambios && editMode_ == adEditInProgress) {
    editMode_ = adEditNone;
    return;
  }
  if (!connection_) {
    Fallar(adErrInvalidConnection,
           "The connection cannot be used to perform this operation. It is either closed or "
           "invalid in this context.");
  }
  std::string texto = editMode_ == adEditAdd ? InsertText() : UpdateText();
  int32_t filas = 0;
  connection_->Execute(texto, &filas);  // a refusal raises; the edit stays pending
  if (editMode_ == adEditInProgress && filas == 0) {
    Error e;
    e.Number = kDbEConcurrencyViolation;
    e.Description =
        "Row cannot be located for updating. Some values may have been changed since it was "
        "last read. (" +
        texto + ")";
    e.Source = kOrigen;
    connection_->Errors().Add(e);
    Fallar(e.Number, e.Description);
  }
  editMode_ = adEditNone;
  original_.clear();
  modified_.assign(columns_.size(), false);
}

// The table named after FROM in the source text, brackets and quotes removed, each part of a
// qualified name written back as an identifier.
std::string Recordset::TableName() const {
  const std::string& s = source_;
  size_t i = 0;
  auto deNombre = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
  for (; i + 4 <= s.size(); ++i) {
    bool antes = i == 0 || !deNombre(s[i - 1]);
    bool despues = i + 4 == s.size() || !deNombre(s[i + 4]);
    if (antes && despues && IgualSinCaso(std::string_view(s).substr(i, 4), "FROM")) break;
  }
  if (i + 4 > s.size()) {
    Fallar(adErrFeatureNotAvailable,
           "The recordset cannot be updated: its source names no table after FROM: " + s);
  }
  i += 4;
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  std::string nombre;
  while (i < s.size()) {
    std::string parte;
    char c = s[i];
    if (c == '[' || c == '"' || c == '`') {
      char cierre = c == '[' ? ']' : c;
      size_t fin = s.find(cierre, i + 1);
      if (fin == std::string::npos) fin = s.size();
      parte = s.substr(i + 1, fin - i - 1);
      i = fin + 1;
    } else {
      size_t inicio = i;
      while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_' ||
                              s[i] == '#' || s[i] == '$' || s[i] == '@')) {
        ++i;
      }
      parte = s.substr(inicio, i - inicio);
    }
    if (parte.empty()) break;
    nombre += (nombre.empty() ? "" : ".") + Identificador(parte);
    if (i < s.size() && s[i] == '.') {
      ++i;
    } else {
      break;
    }
  }
  if (nombre.empty()) {
    Fallar(adErrFeatureNotAvailable,
           "The recordset cannot be updated: its source names no table after FROM: " + s);
  }
  return nombre;
}

std::string Recordset::InsertText() const {
  std::string columnas, valores;
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (!modified_[i]) continue;
    columnas += (columnas.empty() ? "" : ", ") + Identificador(columns_[i].nombre);
    valores += (valores.empty() ? "" : ", ") + Literal(rows_[position_][i]);
  }
  if (columnas.empty()) return "INSERT INTO " + TableName() + " DEFAULT VALUES";
  return "INSERT INTO " + TableName() + " (" + columnas + ") VALUES (" + valores + ")";
}

std::string Recordset::UpdateText() const {
  std::string asignaciones, condicion;
  for (size_t i = 0; i < columns_.size(); ++i) {
    std::string columna = Identificador(columns_[i].nombre);
    if (modified_[i]) {
      asignaciones +=
          (asignaciones.empty() ? "" : ", ") + columna + " = " + Literal(rows_[position_][i]);
    }
    condicion += condicion.empty() ? "" : " AND ";
    condicion += plataforma::EsNulo(original_[i]) ? columna + " IS NULL"
                                                  : columna + " = " + Literal(original_[i]);
  }
  return "UPDATE " + TableName() + " SET " + asignaciones + " WHERE " + condicion;
}

}  // namespace ado
