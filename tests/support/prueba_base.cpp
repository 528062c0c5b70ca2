#include "tests/support/prueba_base.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "data/db_dll.h"
#include "data/valores_sesion.h"
#include "platform/archivos.h"
#include "platform/regional.h"

namespace {
const char* const kVariablesTemporales[] = {"TEMP", "TMP", "temp", "tmp"};
}  // namespace

void PruebaBase::SetUp() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string nombre = std::string(info->test_suite_name()) + "_" + info->name();
  for (char& c : nombre) {
    if (c == '/') c = '_';
  }
  // Taken once: afterwards TMP names the previous test's folder, which is gone.
  static const std::filesystem::path raiz =
      std::filesystem::temp_directory_path() / "importador-pruebas";
  auto base = raiz / (nombre + "_" + std::to_string(::getpid()));
  std::filesystem::remove_all(base);
  std::filesystem::create_directories(base);
  carpeta_ = base.string() + "/";

  plataforma::EstablecerRegional(plataforma::Regional{});
  plataforma::EstablecerDialogos(&dialogos);
  plataforma::EstablecerCarpetaPrograma(carpeta_);
  for (const char* variable : kVariablesTemporales) {
    const char* valor = std::getenv(variable);
    entornoOriginal_.emplace_back(variable,
                                  valor ? std::optional<std::string>(valor) : std::nullopt);
    ::setenv(variable, carpeta_.c_str(), 1);
  }
  ReiniciarValoresSesion();
  ReiniciarDB();
}

void PruebaBase::TearDown() {
  for (const auto& d : dialogos.SinRespuesta()) {
    ADD_FAILURE() << "Dialog left unanswered: [" << d.titulo << "] " << d.texto;
  }
  ReiniciarDB();
  plataforma::EstablecerDialogos(nullptr);
  plataforma::EstablecerCarpetaPrograma("");
  // The next test, and code run after the tests, must not see this test's deleted folder.
  for (const auto& [variable, valor] : entornoOriginal_) {
    if (valor) {
      ::setenv(variable.c_str(), valor->c_str(), 1);
    } else {
      ::unsetenv(variable.c_str());
    }
  }
  entornoOriginal_.clear();
  if (!HasFailure()) std::filesystem::remove_all(carpeta_);
}

std::string PruebaBase::EscribirArchivo(const std::string& nombre,
                                        const std::string& contenido) const {
  std::string ruta = Ruta(nombre);
  std::ofstream f(ruta, std::ios::binary);
  f << contenido;
  return ruta;
}
