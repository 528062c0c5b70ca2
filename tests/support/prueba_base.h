#pragma once
// Base fixture of every test: regional settings pinned to a decimal comma, a thousands dot and
// dd/mm/yyyy; scripted dialogs installed; a fresh temporary folder as the program's folder and
// as TEMP/TMP; session values and the data-access objects reset. A dialog that the test left
// unanswered fails the test with that dialog's text.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/dialogos.h"
#include "tests/support/dialogos_guionados.h"

class PruebaBase : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A path inside this test's temporary folder.
  std::string Ruta(const std::string& nombre) const { return carpeta_ + nombre; }
  // Writes `contenido` as bytes (give Windows-1252 bytes for files of the previous system).
  std::string EscribirArchivo(const std::string& nombre, const std::string& contenido) const;

  plataforma::DialogosGuionados dialogos;
  std::string carpeta_;  // ends with "/"

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> entornoOriginal_;
};
