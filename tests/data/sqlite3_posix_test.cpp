// A company file as the operators' other tools see it: the stock sqlite3 shell, which knows
// only SQLite's built-in collations and functions, reads and writes every table, and what it
// writes is found by the importer's lookups.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "data/conexiones.h"
#include "data/dialecto_sqlite.h"
#include "data/empresa.h"
#include "data/literales.h"
#include "platform/ado.h"
#include "tests/support/prueba_base.h"
#include "utility/utilidades.h"

namespace {

class CompaniaEnElShell : public PruebaBase {
 protected:
  // Runs `sql` in the stock shell on `archivo`; its output, and its exit status in `estado`.
  std::string Shell(const std::string& archivo, const std::string& sql, int& estado) {
    const std::string guion = EscribirArchivo("guion.sql", sql);
    const std::string orden = "sqlite3 -bail '" + archivo + "' < '" + guion + "' 2>&1";
    std::string salida;
    FILE* p = popen(orden.c_str(), "r");
    if (!p) {
      estado = -1;
      return salida;
    }
    char bloque[4096];
    for (size_t n; (n = fread(bloque, 1, sizeof bloque, p)) > 0;) salida.append(bloque, n);
    estado = pclose(p);
    return salida;
  }
};

// A value for a column of the declared type: a text with a capital accent fits any width.
std::string ValorDe(const std::string& tipo) {
  if (tipo.find("CHAR") != std::string::npos || tipo == "TEXT") return "'É'";
  if (tipo == "DATETIME") return "'2020-01-15 00:00:00'";
  if (tipo.rfind("DECIMAL", 0) == 0 || tipo == "MONEY") return "1.5";
  return "1";
}

TEST_F(CompaniaEnElShell, ElShellLeeYEscribeCadaTablaYLaEmpresaQuedaSana) {
  const std::string archivo = CrearEmpresa(carpeta_, "SHELL");
  auto cnn = ado::CrearConexion();
  cnn->Open(CadenaConexionSQLite(archivo));
  std::string guion;
  auto objetos = cnn->Execute(
      "SELECT name, type FROM sqlite_master WHERE type IN ('table', 'view') ORDER BY name");
  ASSERT_TRUE(objetos && !objetos->filas.empty());
  for (const auto& objeto : objetos->filas) {
    const std::string nombre = utilidad::ValorCampo(objeto[0]);
    guion += "SELECT count(*) FROM [" + nombre + "];\nSELECT * FROM [" + nombre + "] LIMIT 1;\n";
    if (utilidad::ValorCampo(objeto[1]) != "table") continue;
    std::string columnas, valores, cambio;
    const auto info = cnn->Execute("PRAGMA table_info([" + nombre + "])");
    ASSERT_TRUE(info) << nombre;
    for (const auto& c : info->filas) {
      const std::string columna = "[" + utilidad::ValorCampo(c[1]) + "]";
      const std::string valor = ValorDe(utilidad::ValorCampo(c[2]));
      columnas += (columnas.empty() ? "" : ", ") + columna;
      valores += (valores.empty() ? "" : ", ") + valor;
      // A column outside the key takes a new value; else the key is written again as it is.
      if (utilidad::ValorCampo(c[5]) == "0" && cambio.empty()) cambio = columna + " = " + valor;
    }
    if (cambio.empty())
      cambio =
          columnas.substr(0, columnas.find(',')) + " = " + columnas.substr(0, columnas.find(','));
    guion += "INSERT INTO [" + nombre + "] (" + columnas + ") VALUES (" + valores + ");\n";
    guion += "UPDATE [" + nombre + "] SET " + cambio + ";\n";
  }
  cnn->Close();
  guion += "UPDATE MA_CUENTAS SET Descripcion = 'Peña Núñez  ';\nPRAGMA integrity_check;\n";

  int estado = 0;
  const std::string salida = Shell(archivo, guion, estado);
  ASSERT_EQ(estado, 0) << salida;
  EXPECT_EQ(salida.substr(salida.size() >= 3 ? salida.size() - 3 : 0), "ok\n") << salida;

  // The importer finds what the shell wrote, through the indexes the shell kept.
  cnn = ado::CrearConexion();
  cnn->Open(CadenaConexionSQLite(archivo));
  const std::string buscada = ConvierteSQLite(
      "SELECT CODIGO FROM MA_CUENTAS WHERE LTRIM(RTRIM(Descripcion)) = 'PENA NUNEZ'",
      LeerColumnasDeFecha(*cnn))[0];
  auto hallada = cnn->Execute(buscada);
  ASSERT_TRUE(hallada && hallada->filas.size() == 1) << buscada;
  EXPECT_EQ(utilidad::ValorCampo(hallada->filas[0][0]), "É");
  auto plan = cnn->Execute("EXPLAIN QUERY PLAN " + buscada);
  ASSERT_TRUE(plan && !plan->filas.empty());
  EXPECT_NE(utilidad::ValorCampo(plan->filas[0].back()).find("USING"), std::string::npos);
  auto integridad = cnn->Execute("PRAGMA integrity_check");
  EXPECT_EQ(utilidad::ValorCampo(integridad->filas[0][0]), "ok");
  cnn->Close();
}

}  // namespace
