#pragma once
// A connection with no database behind it, for tests that only record what the data-access
// class sends: its properties are plain members, it starts open, and every call succeeds doing
// nothing. A test overrides the calls it watches (Execute, the transaction calls, Open).

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ado.h"

class ConexionEnMemoria : public ado::Connection {
 public:
  explicit ConexionEnMemoria(std::string cadena = "", std::string base = "")
      : cadena_(std::move(cadena)), base_(std::move(base)) {}

  void Open(const std::string& cs, const std::string&, const std::string&) override {
    cadena_ = cs;
    abierta_ = true;
  }
  void Close() override { abierta_ = false; }
  ado::ObjectStateEnum State() const override {
    return abierta_ ? ado::adStateOpen : ado::adStateClosed;
  }
  std::optional<ado::Resultado> Execute(const std::string&, int32_t* n, int32_t) override {
    errores_.Clear();
    if (n) *n = 0;
    return std::nullopt;
  }
  void BeginTrans() override {}
  void CommitTrans() override {}
  void RollbackTrans() override {}
  std::vector<std::string> TableNames() override { return {}; }
  ado::ErrorCollection& Errors() override { return errores_; }
  std::string ConnectionString() const override { return cadena_; }
  void SetConnectionString(const std::string& s) override { cadena_ = s; }
  ado::CursorLocationEnum CursorLocation() const override { return ado::adUseClient; }
  void SetCursorLocation(ado::CursorLocationEnum) override {}
  int32_t CommandTimeout() const override { return 30; }
  void SetCommandTimeout(int32_t) override {}
  ado::IsolationLevelEnum IsolationLevel() const override { return ado::adXactReadCommitted; }
  void SetIsolationLevel(ado::IsolationLevelEnum) override {}
  std::string DefaultDatabase() const override { return base_; }
  void SetDefaultDatabase(const std::string& db) override { base_ = db; }

 protected:
  ado::ErrorCollection errores_;

 private:
  std::string cadena_;
  std::string base_;
  bool abierta_ = true;
};
