#pragma once
// Fixture of a fresh embedded company per test: <carpeta_>/EMPRESA.db created with the company
// schema (CrearEmpresa), and DB() opened on it through OpenServerADODB as the server
// "sqlite:<folder>" exactly as start-up opens a session. The operator is registered in
// TA_USUARIOS; by default an ordinary user, so the synonym rewriting is active.
//
//   class MiPrueba : public PruebaEmpresa {};            // ordinary operator "OPERADOR"
//   class MiPruebaAdmin : public PruebaEmpresa {
//    protected:
//     MiPruebaAdmin() { administrador_ = true; }         // an administrator session
//   };
//
// Ejecutar / Consultar / ContarFilas work on a connection of the fixture's own, in SQLite's
// dialect (dates as 'yyyy-mm-dd hh:mm:ss'), and leave DB() and its error list alone.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/valores.h"
#include "tests/support/prueba_base.h"

namespace ado {
class Connection;
}

class PruebaEmpresa : public PruebaBase {
 protected:
  void SetUp() override;
  void TearDown() override;

  // (Re)opens DB() on the company as `usuario`, first registering the user in TA_USUARIOS with
  // Administrador 1 or 0. Sets gUsuarioLogeado. The test fails when the session does not open.
  void AbrirSesion(const std::string& usuario, bool administrador);

  // One SQLite statement; a refusal fails the test with the statement and the description.
  void Ejecutar(const std::string& sql);
  // The fiscal year `anio` (1 January to 31 December) in MV_EJERCICIOS, period `anio`.
  void AgregarEjercicio(int anio);
  // Rows as texts: NULL as "NULL", numbers plainly with "." (1239.67, 42), dates in ISO form.
  std::vector<std::vector<std::string>> Consultar(const std::string& sql);
  // First column of the first row, "" when there is no row.
  std::string Valor(const std::string& sql);
  int64_t ContarFilas(const std::string& tabla, const std::string& condicion = "");
  // Every row of every table of the company, as "TABLE|value|value...", sorted: two calls
  // compare equal when no table's contents changed.
  std::vector<std::string> ContenidoDeTablas();
  // What the sample files of every mode need: the chart of accounts with customers under
  // 11201, suppliers under 21101, the employees' title 21105, the counter-accounts the window
  // proposes and 511; the customers of VT_CLIENTES; the fiscal years 2019 and 2020; the
  // settings the run reads.
  void CargarEmpresaDeMuestra();

  // The fixture's own connection to the company file.
  ado::Connection& Conexion();

  bool administrador_ = false;
  std::string usuario_ = "OPERADOR";
  std::string servidor_;  // "sqlite:" + the folder of the company file
  std::string base_ = "EMPRESA";
  std::string archivo_;  // full path of the company file

 private:
  std::shared_ptr<ado::Connection> conexion_;
};

// A value as the fixture's queries give it (see Consultar).
std::string TextoDePrueba(const plataforma::Valor& valor);
