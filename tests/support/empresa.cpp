#include "tests/support/empresa.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "data/conexiones.h"
#include "data/db_dll.h"
#include "data/empresa.h"
#include "data/valores_sesion.h"
#include "platform/ado.h"
#include "platform/regional.h"
#include "utility/utilidades.h"

std::string TextoDePrueba(const plataforma::Valor& valor) {
  struct Visitante {
    std::string operator()(const plataforma::Nulo&) const { return "NULL"; }
    std::string operator()(const std::string& s) const { return s; }
    std::string operator()(int64_t n) const { return std::to_string(n); }
    std::string operator()(double d) const {
      char texto[64];
      std::snprintf(texto, sizeof texto, "%.15g", d);
      return texto;
    }
    std::string operator()(const plataforma::Moneda& m) const { return utilidad::ImporteATexto(m); }
    std::string operator()(const plataforma::FechaHora& f) const { return plataforma::FechaIso(f); }
  };
  return std::visit(Visitante{}, valor);
}

void PruebaEmpresa::SetUp() {
  PruebaBase::SetUp();
  servidor_ = "sqlite:" + carpeta_.substr(0, carpeta_.size() - 1);
  try {
    archivo_ = CrearEmpresa(carpeta_, base_);
  } catch (const plataforma::ErrorEjecucion& e) {
    FAIL() << "Cannot create the company: " << e.Description;
  }
  AbrirSesion(usuario_, administrador_);
  // The program folder holds what an installed program has beside it: the statistics
  // database's content script, which start-up runs on a folder without statistics file.
  std::error_code ec;
  std::filesystem::copy_file(
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "session" /
          "completokve.sql",
      carpeta_ + "completokve.sql", ec);
  if (ec) FAIL() << "Cannot copy the content script: " << ec.message();
}

void PruebaEmpresa::TearDown() {
  if (conexion_ && conexion_->State() == ado::adStateOpen) conexion_->Close();
  conexion_.reset();
  PruebaBase::TearDown();
}

void PruebaEmpresa::AbrirSesion(const std::string& usuario, bool administrador) {
  Ejecutar("DELETE FROM TA_USUARIOS WHERE Nombre = '" + usuario + "'");
  Ejecutar("INSERT INTO TA_USUARIOS (Nombre, Administrador, Unegocio) VALUES ('" + usuario + "', " +
           (administrador ? "1" : "0") + ", '   1')");
  ReiniciarDB();
  DB_Dll& db = DB();
  db.gServidor = servidor_;
  db.gDBName = base_;
  db.gUsuario = usuario;
  db.gUserPassWord = "";
  gUsuarioLogeado = usuario;
  std::string cadena;
  db.OpenServerADODB(false, ado::adUseClient, cadena, true, true);
  ASSERT_TRUE(db.gOpenFlag) << "The session did not open on " << archivo_;
  ASSERT_EQ(db.gEsAdmin, administrador);
}

ado::Connection& PruebaEmpresa::Conexion() {
  if (!conexion_) {
    conexion_ = ado::CrearConexion();
    conexion_->Open(CadenaConexionSQLite(archivo_));
  }
  return *conexion_;
}

void PruebaEmpresa::AgregarEjercicio(int anio) {
  const std::string a = std::to_string(anio);
  Ejecutar("INSERT INTO MV_EJERCICIOS (Periodo, [FECHA DESDE], [FECHA HASTA]) VALUES (" + a +
           ", '" + a + "-01-01 00:00:00', '" + a + "-12-31 00:00:00')");
}

void PruebaEmpresa::Ejecutar(const std::string& sql) {
  try {
    Conexion().Execute(sql);
  } catch (const plataforma::ErrorEjecucion& e) {
    ADD_FAILURE() << "Refused: " << sql << "\n  " << e.Description;
  }
}

std::vector<std::vector<std::string>> PruebaEmpresa::Consultar(const std::string& sql) {
  std::vector<std::vector<std::string>> filas;
  try {
    auto resultado = Conexion().Execute(sql);
    if (!resultado) return filas;
    for (const auto& fila : resultado->filas) {
      std::vector<std::string> textos;
      for (const auto& valor : fila) textos.push_back(TextoDePrueba(valor));
      filas.push_back(std::move(textos));
    }
  } catch (const plataforma::ErrorEjecucion& e) {
    ADD_FAILURE() << "Refused: " << sql << "\n  " << e.Description;
  }
  return filas;
}

std::string PruebaEmpresa::Valor(const std::string& sql) {
  auto filas = Consultar(sql);
  if (filas.empty() || filas[0].empty()) return "";
  return filas[0][0];
}

int64_t PruebaEmpresa::ContarFilas(const std::string& tabla, const std::string& condicion) {
  std::string sql = "SELECT COUNT(*) FROM " + tabla;
  if (!condicion.empty()) sql += " WHERE " + condicion;
  std::string n = Valor(sql);
  return n.empty() ? -1 : std::stoll(n);
}
