#pragma once
// Runs one step of a routine under the error dialogs' convention: the dialog's answer Retry (4)
// repeats the failing step, Ignore (5) goes on with the next one, any other answer leaves.

#include <exception>

#include "platform/error_ejecucion.h"

// Runs `paso`; on a failure shows it through `dialogo` (an ErrorEjecucion -> answer code).
// Returns true when the routine goes on with its next step, false when it must leave.
template <class Paso, class Dialogo>
bool PasoConDialogo(Paso&& paso, Dialogo&& dialogo) {
  for (;;) {
    int respuesta = 0;
    try {
      paso();
      return true;
    } catch (const plataforma::ErrorEjecucion& e) {
      respuesta = dialogo(e);
    } catch (const std::exception& e) {
      respuesta = dialogo(plataforma::ErrorEjecucion(plataforma::kErrArgumentoInvalido, e.what()));
    }
    if (respuesta == 4) continue;
    return respuesta == 5;
  }
}
