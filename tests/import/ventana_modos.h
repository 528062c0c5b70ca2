#pragma once
// The import window's controls as plain values: the selected option, the file, the
// counter-account and the concept the run reads, and the concept the own-cheque mode writes.
// Tests that drive the writers directly fill the fields; the import-mode tests construct it.
// Also the samples folder (IMPORTADOR_SAMPLES under CTest, the source tree otherwise).

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

#include "import/contexto_corrida.h"

struct VentanaModos : ControlesVentana {
  VentanaModos() = default;
  VentanaModos(int opcion, std::string ruta, std::string cuenta,
               std::string concepto = "Saldos Iniciales: Importación")
      : opcion(opcion),
        ruta(std::move(ruta)),
        cuenta(std::move(cuenta)),
        concepto(std::move(concepto)) {}

  int OpcionSeleccionada() const override { return opcion; }
  std::string txtRuta() const override { return ruta; }
  std::string txtCuenta() const override { return cuenta; }
  std::string txtConcepto() const override { return concepto; }
  void SetTxtConcepto(const std::string& texto) override { concepto = texto; }
  void DibujaProgreso(double, uint32_t, const std::string&) override {}
  void HacerEventos() override {}
  bool Ensayo() const override { return ensayo; }

  int opcion = 0;
  std::string ruta, cuenta, concepto;
  bool ensayo = false;
};

inline std::string RutaMuestra(const std::string& nombre) {
  const char* carpeta = std::getenv("IMPORTADOR_SAMPLES");
  const std::filesystem::path base =
      carpeta ? std::filesystem::path(carpeta)
              : std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "samples";
  return (base / nombre).string();
}
