#pragma once
// Fixture with a fresh SQLite database file per test, created and reached through the ODBC
// connection of the platform layer (unixODBC + the SQLite3 driver), as the program reaches
// its company database.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ado.h"
#include "tests/support/prueba_base.h"

class PruebaSQLite : public PruebaBase {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The database file and the connection text that opens it (without creating it).
  std::string RutaBase() const { return Ruta("empresa.db"); }
  std::string CadenaConexion() const { return "Provider=SQLite;Data Source=" + RutaBase() + ";"; }

  // Runs one statement; a refusal fails the test with the statement and the driver's message.
  int32_t Ejecutar(const std::string& sql);
  // The rows of a query, every value as text (see ComoTexto).
  std::vector<std::vector<std::string>> Consultar(const std::string& sql);
  int64_t ContarFilas(const std::string& tabla, const std::string& where = "");

  // NULL as "NULL", currency with four decimals, dates as 'yyyy-mm-dd hh:mm:ss'.
  static std::string ComoTexto(const plataforma::Valor& v);

  std::shared_ptr<ado::Connection> cnn;
};
