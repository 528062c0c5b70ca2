#include "utility/aleatorio.h"

#include <chrono>
#include <random>

namespace utilidad {
namespace {

std::mt19937_64& Generador() {
  static std::mt19937_64 generador;  // default seed until Randomize runs
  return generador;
}

}  // namespace

void Randomize() {
  auto ahora = std::chrono::system_clock::now().time_since_epoch();
  Randomize(
      static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(ahora).count()));
}

void Randomize(uint64_t semilla) { Generador().seed(semilla); }

// The top 53 bits scaled by 2^-53: never 1.0, which a distribution may round up to.
double Rnd() { return static_cast<double>(Generador()() >> 11) * 0x1.0p-53; }

}  // namespace utilidad
