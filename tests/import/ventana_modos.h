#pragma once
// The window as the import-mode tests fill it: the selected option, the file, the
// counter-account and the concept the run reads, and the concept the own-cheque mode writes.
// Also the samples folder (IMPORTADOR_SAMPLES under CTest, the source tree otherwise).

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "import/contexto_corrida.h"

class VentanaModos : public ControlesVentana {
 public:
  VentanaModos(int opcion, std::string ruta, std::string cuenta,
               std::string concepto = "Saldos Iniciales: Importación")
      : opcion_(opcion),
        ruta_(std::move(ruta)),
        cuenta_(std::move(cuenta)),
        concepto_(std::move(concepto)) {}

  int OpcionSeleccionada() const override { return opcion_; }
  std::string txtRuta() const override { return ruta_; }
  std::string txtCuenta() const override { return cuenta_; }
  std::string txtConcepto() const override { return concepto_; }
  void SetTxtConcepto(const std::string& texto) override { concepto_ = texto; }
  void DibujaProgreso(double, uint32_t, const std::string&) override {}
  void HacerEventos() override {}

 private:
  int opcion_;
  std::string ruta_, cuenta_, concepto_;
};

inline std::string RutaMuestra(const std::string& nombre) {
  const char* carpeta = std::getenv("IMPORTADOR_SAMPLES");
  const std::filesystem::path base =
      carpeta ? std::filesystem::path(carpeta)
              : std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "samples";
  return (base / nombre).string();
}
