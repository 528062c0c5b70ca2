// The demo as a newcomer runs it: the built program creates the company DEMO, imports every
// sample file twice and reports a balanced journal and a second pass that posts nothing.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "data/conexiones.h"
#include "data/empresa.h"
#include "platform/ado.h"
#include "platform/sistema.h"
#include "tests/support/empresa.h"
#include "tests/support/programa.h"
#include "tests/support/prueba_base.h"

namespace {

class DemoTest : public PruebaBase {
 protected:
  void SetUp() override {
    PruebaBase::SetUp();
    // The program's folder is this test's: it needs the statistics script found beside the
    // program to provision the statistics database of the embedded server.
    const std::string programa = RutaPrograma();
    std::error_code ec;
    std::filesystem::copy_file(programa.substr(0, programa.rfind('/')) + "/completokve.sql",
                               Ruta("completokve.sql"), ec);
  }

  int Correr(const std::string& carpeta, const std::string& antes = "") {
    CorridaPrograma corrida = CorrerPrograma(carpeta_, "demo " + carpeta, antes);
    salida = corrida.salida;
    errores = corrida.errores;
    return corrida.estado;
  }

  // First column of the first row, on the demo company, in SQLite's dialect.
  std::string Valor(const std::string& archivo, const std::string& sql) {
    auto cnn = ado::CrearConexion();
    cnn->Open(CadenaConexionSQLite(archivo));
    auto r = cnn->Execute(sql);
    cnn->Close();
    if (!r || r->filas.empty()) return "";
    return TextoDePrueba(r->filas[0][0]);
  }

  // Every row the runs write, table by table, in order; without the moment of writing and the
  // task codes, which are drawn at random.
  std::string Contenido(const std::string& archivo) {
    auto cnn = ado::CrearConexion();
    cnn->Open(CadenaConexionSQLite(archivo));
    std::string texto;
    for (const char* tabla : {"MV_ASIENTOS", "MA_CALENDARIO", "MA_CUENTAS", "MA_CUENTASADIC",
                              "V_MV_CPTE", "V_TA_TAREAS", "V_MV_CPTETAREAS"}) {
      auto columnas = cnn->Execute(std::string("SELECT name FROM pragma_table_info('") + tabla +
                                   "') WHERE name NOT IN ('FechaHora_Grabacion', 'IDTAREA')");
      std::string lista;
      for (const auto& f : columnas ? columnas->filas : decltype(columnas->filas){}) {
        lista += (lista.empty() ? "[" : ", [") + TextoDePrueba(f[0]) + "]";
      }
      auto filas = cnn->Execute("SELECT " + lista + " FROM " + tabla + " ORDER BY " + lista);
      texto += std::string("== ") + tabla + "\n";
      for (const auto& f : filas ? filas->filas : decltype(filas->filas){}) {
        for (const auto& v : f) texto += TextoDePrueba(v) + "|";
        texto += "\n";
      }
    }
    cnn->Close();
    return texto;
  }

  std::string salida, errores;
};

TEST_F(DemoTest, ImportaTodoUnaVezYElDiarioBalancea) {
  const std::string carpeta = Ruta("demo");
  ASSERT_EQ(Correr(carpeta), 0) << salida << errores;

  const size_t segunda = salida.find("=== Segunda pasada");
  ASSERT_NE(segunda, std::string::npos) << salida;
  const std::string primera = salida.substr(0, segunda), repetida = salida.substr(segunda);

  EXPECT_TRUE(std::regex_search(
      primera, std::regex("Totales: [1-9][0-9]* asientos, [0-9]+ líneas, Debe ([0-9.]+), "
                          "Haber \\1: el diario balancea")))
      << primera;
  // Nothing new the second time: no journal line, account, header, task or link.
  EXPECT_EQ(primera.find("Proceso interrumpido"), std::string::npos);
  EXPECT_FALSE(std::regex_search(repetida, std::regex("(Registrados|Cuentas creadas|Tareas "
                                                      "catalogadas|Vínculos grabados): [1-9]")))
      << repetida;
  EXPECT_NE(repetida.find("Segunda pasada: nada se registró dos veces"), std::string::npos);
  EXPECT_EQ(repetida.find("Proceso interrumpido"), std::string::npos);
  EXPECT_EQ(errores.find("Atención"), std::string::npos) << errores;

  // The journal itself, read apart from the demo's own report.
  const std::string base = carpeta + "/DEMO.db";
  EXPECT_EQ(Valor(base,
                  "SELECT ABS(SUM(CASE WHEN [Debe-Haber] = 'D' THEN Importe "
                  "ELSE -Importe END)) < 0.00005 FROM MV_ASIENTOS"),
            "1");
  EXPECT_EQ(Valor(base,
                  "SELECT COUNT(*) FROM (SELECT PERIODO FROM MV_ASIENTOS GROUP BY "
                  "PERIODO, MES_OPERATIVO, TIPO_REG, [NUMERO ASIENTO] HAVING COUNT(*) <> 2)"),
            "0");
  // The command that opens the window, its parameters quoted for the system's shell.
  EXPECT_NE(salida.find(" " + plataforma::PalabraDeOrden("@Server=sqlite:" + carpeta +
                                                         ";@DbName=DEMO;@Usuario=OPERADOR;"
                                                         "@Password=demo;")),
            std::string::npos)
      << salida;
}

// Every sample saved with LF line ends (its CRs removed), as an editor on Linux leaves it: each
// run of every mode completes (the demo's status 0 is every run's 0), its summary says how the
// file was read, and the company ends with the rows the CR LF files give.
TEST_F(DemoTest, ArchivosConFinesDeLineaLFImportanLoMismo) {
  namespace fs = std::filesystem;
  const char* elegida = std::getenv("IMPORTADOR_SAMPLES");
  const fs::path muestras =
      elegida ? fs::path(elegida) : fs::path(__FILE__).parent_path() / ".." / ".." / "samples";
  const std::string conLF = Ruta("muestras-lf");
  fs::create_directories(conLF);
  for (const auto& e : fs::directory_iterator(muestras)) {
    std::string texto = LeerArchivo(e.path().string());
    ASSERT_NE(texto.find("\r\n"), std::string::npos) << e.path();
    std::erase(texto, '\r');
    std::ofstream(conLF + "/" + e.path().filename().string(), std::ios::binary) << texto;
  }

  ASSERT_EQ(Correr(Ruta("crlf")), 0) << salida << errores;
  const std::string esperado = Contenido(Ruta("crlf") + "/DEMO.db");
  ASSERT_EQ(Correr(Ruta("lf"), "IMPORTADOR_SAMPLES=" + conLF + " "), 0) << salida << errores;
  EXPECT_EQ(Contenido(Ruta("lf") + "/DEMO.db"), esperado);

  // Modes 0 to 6, each pass (the price list prints no such notice).
  const std::string aviso =
      "Aviso: el archivo tiene fines de línea LF (sin CR): se leyó una línea por cada LF";
  size_t avisos = 0;
  for (size_t p = salida.find(aviso); p != std::string::npos; p = salida.find(aviso, p + 1)) {
    ++avisos;
  }
  EXPECT_EQ(avisos, 14u) << salida;
  EXPECT_EQ(salida.find("Resultado: parcial"), std::string::npos) << salida;
}

TEST_F(DemoTest, UnaCarpetaConOtraDemoNoSeToca) {
  const std::string carpeta = Ruta("usada");
  ASSERT_EQ(Correr(carpeta), 0) << errores;
  const std::string base = carpeta + "/DEMO.db";
  const std::string lineas = Valor(base, "SELECT COUNT(*) FROM MV_ASIENTOS");

  EXPECT_EQ(Correr(carpeta), 1);
  EXPECT_NE(errores.find(base), std::string::npos) << errores;
  EXPECT_EQ(Valor(base, "SELECT COUNT(*) FROM MV_ASIENTOS"), lineas);
}

}  // namespace
