// Replays the committed fuzz corpus (fuzz/corpus/<target>/) through the same entry functions
// the fuzz targets call: every input must return, without a crash and in bounded time, and the
// dialect inputs, taken as quoted values, must come back unchanged.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/entradas.h"
#include "tests/support/prueba_base.h"

namespace {

namespace fs = std::filesystem;

using Entrada = std::function<void(const uint8_t*, size_t)>;
// "" when the input passed, else what went wrong.
using Comprobacion = std::function<std::string(const uint8_t*, size_t)>;

// An input that takes this long is a hang in the making.
constexpr double kSegundosPorEntrada = 10.0;

fs::path CarpetaCorpus() {
  return fs::path(__FILE__).parent_path().parent_path().parent_path() / "fuzz" / "corpus";
}

std::vector<fs::path> Archivos(const std::string& objetivo) {
  std::vector<fs::path> r;
  const fs::path carpeta = CarpetaCorpus() / objetivo;
  if (!fs::is_directory(carpeta)) return r;
  for (const auto& e : fs::directory_iterator(carpeta)) {
    if (e.is_regular_file()) r.push_back(e.path());
  }
  std::sort(r.begin(), r.end());
  return r;
}

class ReplayCorpus : public PruebaBase {
 protected:
  void Reproducir(const std::string& objetivo, const Entrada& entrada) {
    const auto archivos = Archivos(objetivo);
    ASSERT_FALSE(archivos.empty()) << "no corpus in " << (CarpetaCorpus() / objetivo);
    for (const auto& ruta : archivos) {
      SCOPED_TRACE(ruta.string());
      std::ifstream f(ruta, std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(f)), {});
      const auto inicio = std::chrono::steady_clock::now();
      entrada(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
      const double s =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
      EXPECT_LT(s, kSegundosPorEntrada);
    }
  }
};

TEST_F(ReplayCorpus, ParsersAndConversions) {
  const std::vector<std::pair<std::string, Entrada>> objetivos = {
      {"importe", entradas_fuzz::Importe},
      {"parametros", entradas_fuzz::Parametros},
      {"dialecto_sqlite", entradas_fuzz::DialectoSQLite},
      {"dialecto_oracle", entradas_fuzz::DialectoOracle},
      {"linea_saldos", entradas_fuzz::LineaSaldos},
  };
  for (const auto& [objetivo, entrada] : objetivos) {
    SCOPED_TRACE(objetivo);
    Reproducir(objetivo, entrada);
  }
}

// Every input of the dialect corpora, taken as a quoted value, comes back unchanged through
// the conversion it was found for.
TEST_F(ReplayCorpus, ValuesComeBackUnchangedThroughTheDialects) {
  const std::vector<std::pair<std::string, Comprobacion>> objetivos = {
      {"dialecto_sqlite", entradas_fuzz::ValorIntactoSQLite},
      {"dialecto_oracle", entradas_fuzz::ValorIntactoOracle},
  };
  for (const auto& [objetivo, comprobacion] : objetivos) {
    SCOPED_TRACE(objetivo);
    Reproducir(objetivo, [&](const uint8_t* datos, size_t largo) {
      EXPECT_EQ(comprobacion(datos, largo), "");
    });
  }
}

TEST_F(ReplayCorpus, WholeRunsOfEveryMode) {
  const std::string carpeta = Ruta("empresa");
  fs::create_directories(carpeta);
  entradas_fuzz::AbrirEmpresaFuzz(carpeta);
  ASSERT_TRUE(DB().gOpenFlag);
  Reproducir("modos", [&](const uint8_t* datos, size_t largo) {
    entradas_fuzz::Modo(datos, largo, carpeta);
  });
}

}  // namespace
