#pragma once
// The import window's controls as plain values, for tests that drive the writers directly.

#include <cstdint>
#include <string>

#include "import/contexto_corrida.h"

struct ControlesPrueba : ControlesVentana {
  int opcion = 0;
  std::string ruta, cuenta, concepto;

  int OpcionSeleccionada() const override { return opcion; }
  std::string txtRuta() const override { return ruta; }
  std::string txtCuenta() const override { return cuenta; }
  std::string txtConcepto() const override { return concepto; }
  void SetTxtConcepto(const std::string& texto) override { concepto = texto; }
  void DibujaProgreso(double, uint32_t, const std::string&) override {}
  void HacerEventos() override {}
};
