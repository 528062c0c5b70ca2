#include "tests/support/empresa.h"

#include <algorithm>
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

std::vector<std::string> PruebaEmpresa::ContenidoDeTablas() {
  std::vector<std::string> filas;
  for (const auto& tabla : Consultar("SELECT name FROM sqlite_master WHERE type = 'table' AND "
                                     "name NOT LIKE 'sqlite_%' ORDER BY name")) {
    for (const auto& fila : Consultar("SELECT * FROM [" + tabla[0] + "]")) {
      std::string texto = tabla[0];
      for (const std::string& v : fila) texto += "|" + v;
      filas.push_back(std::move(texto));
    }
  }
  std::sort(filas.begin(), filas.end());
  return filas;
}

void PruebaEmpresa::CargarEmpresaDeMuestra() {
  Ejecutar(
      "INSERT INTO MA_CUENTAS (CODIGO, Descripcion, TITULO) VALUES ('111', 'Caja y bancos', 1), "
      "('111010002', 'Valores a depositar', 0), ('111020001', 'Banco cuenta corriente', 0), "
      "('11201', 'Deudores por ventas', 1), ('112010005', 'PEREZ JUAN', 0), "
      "('112010006', 'GOMEZ  ANA', 0), ('112010007', 'Ferretería Núñez', 0), "
      "('112010008', 'MUÑOZ JOSÉ', 0), ('112010009', 'IBÁÑEZ RAÚL', 0), "
      "('112010012', 'Taller Ñandú', 0), ('112010123', 'Panadería La Espiga', 0), "
      "('112014567', 'Ferretería Güemes', 0), ('13101', 'Mercaderías', 0), "
      "('21101', 'Proveedores', 1), ('211010042', 'ACME Insumos', 0), "
      "('211010043', 'Distribuidora Añelo', 0), ('21105', 'Remuneraciones a pagar', 1), "
      "('41101', 'Ventas', 0), ('511', 'Apertura de valores', 0)");
  Ejecutar(
      "INSERT INTO VT_CLIENTES (Codigo, RAZON_SOCIAL) SELECT CODIGO, Descripcion FROM "
      "MA_CUENTAS WHERE CODIGO LIKE '11201_%'");
  Ejecutar(
      "INSERT INTO MA_CUENTASADIC (CODIGO, NUMERO_DOCUMENTO, IVA, CLASE) SELECT CODIGO, "
      "'20-12345678-3', 'CF', 1 FROM MA_CUENTAS WHERE CODIGO LIKE '11201_%'");
  AgregarEjercicio(2019);
  AgregarEjercicio(2020);
  Ejecutar(
      "INSERT INTO TA_CONFIGURACION (Grupo, Clave, Valor) VALUES "
      "('Contabilidad', 'CUENTAVENTASDEFAULTINS', '41101'), "
      "('General', 'CANTIDADDECIMALES', '2'), ('Seguridad', 'SS_CONFIDENCIALIDAD', 'NO'), "
      "('Contabilidad', 'UTILIZARFECHADIA', 'NO')");
}
