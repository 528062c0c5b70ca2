#include <cstdio>
// <cstdio> defines EOF as a macro, which would hide Recordset::EOF() in the ADO header.
#undef EOF

#include "data/db_dll.h"

#include <memory>

#include "utility/utilidades.h"

namespace {

std::unique_ptr<DB_Dll>& InstanciaSesion() {
  static std::unique_ptr<DB_Dll> instancia;
  return instancia;
}

std::unique_ptr<DB_Dll>& InstanciaEstadisticas() {
  static std::unique_ptr<DB_Dll> instancia;
  return instancia;
}

}  // namespace

Plataforma PlataformaDe(const std::string& connectionString) {
  if (utilidad::ContieneSinCaso(connectionString, "ORACLE")) return Plataforma::Oracle;
  if (utilidad::ContieneSinCaso(connectionString, "SQLITE")) return Plataforma::SQLite;
  return Plataforma::SqlServer;
}

DB_Dll& DB() {
  auto& p = InstanciaSesion();
  if (!p) p = std::make_unique<DB_Dll>();
  return *p;
}

DB_Dll& DBEstadisticas() {
  auto& p = InstanciaEstadisticas();
  if (!p) p = std::make_unique<DB_Dll>();
  return *p;
}

void ReiniciarDB() {
  InstanciaSesion().reset();
  InstanciaEstadisticas().reset();
}

DB_Dll::DB_Dll() = default;
DB_Dll::~DB_Dll() = default;

utilidad::DialogoArchivo& DB_Dll::CmdDlg() {
  if (!cmdDlg_) cmdDlg_ = std::make_unique<utilidad::DialogoArchivo>();
  return *cmdDlg_;
}

ado::Connection& DB_Dll::Cnn() {
  if (!gCnn) gCnn = ado::CrearConexion();
  return *gCnn;
}
