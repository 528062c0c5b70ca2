// The shape of the house: every #include of the program's sources points down the layers
// (platform <- utility <- data <- import, session <- ui <- app), Qt is included only in ui/qt/
// and app/, and the program carries no test double.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/programa.h"

namespace {

namespace fs = std::filesystem;

const fs::path kRaiz = fs::path(__FILE__).parent_path().parent_path().parent_path();

// The floor of each folder; siblings of one floor (import, session) do not include each other.
const std::map<std::string, int> kPisos = {
    {"platform", 0}, {"utility", 1}, {"data", 2}, {"import", 3},
    {"session", 3},  {"ui", 4},      {"app", 5},
};

struct Inclusion {
  std::string archivo;
  int linea;
  std::string destino;
  bool delProyecto;  // "folder/file.h", as the project's own headers are written
};

std::vector<Inclusion> Inclusiones() {
  static const std::regex kInclude(R"(^\s*#\s*include\s*[<"]([^>"]+)[>"])");
  std::vector<Inclusion> todas;
  for (const auto& [carpeta, piso] : kPisos) {
    for (const auto& e : fs::recursive_directory_iterator(kRaiz / carpeta)) {
      const std::string ext = e.path().extension().string();
      if (ext != ".h" && ext != ".cpp") continue;
      std::ifstream f(e.path());
      std::string texto;
      for (int n = 1; std::getline(f, texto); ++n) {
        std::smatch m;
        if (std::regex_search(texto, m, kInclude)) {
          const std::string destino = m[1];
          const bool propio = m[0].str().back() == '"' && destino.find('/') != std::string::npos;
          todas.push_back({fs::relative(e.path(), kRaiz).generic_string(), n, destino, propio});
        }
      }
    }
  }
  return todas;
}

std::string Carpeta(const std::string& ruta) { return ruta.substr(0, ruta.find('/')); }

TEST(Capas, CadaInclusionApuntaHaciaAbajo) {
  const std::vector<Inclusion> inclusiones = Inclusiones();
  ASSERT_FALSE(inclusiones.empty()) << kRaiz;
  for (const Inclusion& i : inclusiones) {
    const std::string desde = Carpeta(i.archivo);
    const std::string hacia = Carpeta(i.destino);
    const std::string donde = i.archivo + ":" + std::to_string(i.linea) + " includes " + i.destino;
    if (i.delProyecto && hacia == "tests") {
      ADD_FAILURE() << donde << ": the program includes a test file";
      continue;
    }
    if (i.delProyecto && kPisos.count(hacia) && hacia != desde) {
      EXPECT_LT(kPisos.at(hacia), kPisos.at(desde)) << donde;
    }
    // Qt headers are named Q... (QWidget, QtCore/...).
    const bool esQt = i.destino.size() > 1 && i.destino[0] == 'Q' && std::isupper(i.destino[1]);
    if (esQt || i.destino.rfind("Qt", 0) == 0) {
      EXPECT_TRUE(i.archivo.rfind("ui/qt/", 0) == 0 || desde == "app") << donde;
    }
  }
}

// The scripted dialogs and the failing connections live in the tests' own library.
TEST(Capas, ElProgramaNoLlevaDoblesDePrueba) {
  const std::string salida = ::testing::TempDir() + "simbolos.txt";
  ASSERT_EQ(std::system(("nm -C " + RutaPrograma() + " > " + salida).c_str()), 0);
  const std::string simbolos = LeerArchivo(salida);
  ASSERT_FALSE(simbolos.empty());
  for (const char* doble : {"DialogosGuionados", "ConexionConFallas", "PlanDeFallas"}) {
    EXPECT_EQ(simbolos.find(doble), std::string::npos) << doble;
  }
  std::remove(salida.c_str());
}

}  // namespace
