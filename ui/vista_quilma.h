#pragma once
// What the import window's model asks of its view while a run is in progress: draw the progress
// bar of picStatus and let the interface process its pending events. The Qt window implements
// it, the batch mode draws on the terminal, tests record the percentages.

#include <cstdint>
#include <string>

class VistaQuilma {
 public:
  virtual ~VistaQuilma() = default;
  // Percentage (0-100, a double), colour 0xRRGGBB, caption shown before the number.
  virtual void DibujaProgreso(double porcentaje, uint32_t color, const std::string& caption) = 0;
  virtual void HacerEventos() = 0;
  // The line about to be read, of how many; a view that shows only the bar ignores it.
  virtual void LineaEnCurso(int64_t actual, int64_t total) {}
};
