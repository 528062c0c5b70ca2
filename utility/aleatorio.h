#pragma once
// The runtime's pseudo-random generator: Randomize seeds it from the time of day, Rnd gives the
// next value, uniform in [0, 1). Start-up seeds it; the pending-documents mode draws task codes.

#include <cstdint>

namespace utilidad {

void Randomize();
void Randomize(uint64_t semilla);  // a fixed seed, for repeatable tests
double Rnd();

}  // namespace utilidad
