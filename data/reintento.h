#pragma once
// One way to run a step of a routine that may fail, under the error dialogs' convention: the
// answer Retry (4) repeats the failing step, Ignore (5) goes on with the next one, any other
// answer leaves the routine. And one way to drop a failure on purpose, saying why.

#include <exception>

#include "platform/error_ejecucion.h"

// What a routine does after one of its steps failed.
enum class TrasFalla { Repetir, Seguir, Salir };

// An error dialog's answer as what the routine does next.
inline TrasFalla SegunRespuesta(int respuesta) {
  if (respuesta == 4) return TrasFalla::Repetir;
  return respuesta == 5 ? TrasFalla::Seguir : TrasFalla::Salir;
}

// The failure of a step as the dialogs show it: an ErrorEjecucion as raised; any other exception
// (the standard library's: memory, a conversion) as error 51, an internal error, with its text.
inline plataforma::ErrorEjecucion ErrorDePaso(const std::exception& e) {
  if (const auto* ee = dynamic_cast<const plataforma::ErrorEjecucion*>(&e)) return *ee;
  return plataforma::ErrorEjecucion(plataforma::kErrInterno, e.what());
}

// Runs `paso` until it succeeds or `ante` (the failure -> TrasFalla) lets it go. True when the
// routine goes on with its next step (the step ran, or its failure is passed over), false when it
// must leave. What is not a std::exception (the end of a run) passes through.
template <class Paso, class Ante>
bool IntentarPaso(Paso&& paso, Ante&& ante) {
  for (;;) {
    TrasFalla tras = TrasFalla::Salir;
    try {
      paso();
      return true;
    } catch (const std::exception& e) {
      tras = ante(ErrorDePaso(e));
    }
    if (tras == TrasFalla::Repetir) continue;
    return tras == TrasFalla::Seguir;
  }
}

// The same with an error dialog: `dialogo` shows the failure and returns its answer code.
template <class Paso, class Dialogo>
bool PasoConDialogo(Paso&& paso, Dialogo&& dialogo) {
  return IntentarPaso(
      paso, [&](const plataforma::ErrorEjecucion& e) { return SegunRespuesta(dialogo(e)); });
}

// Runs `paso` and drops its failure, for a step whose failure changes nothing the routine needs;
// `porque` says why, where the call stands.
template <class Paso>
void IgnorarFalla([[maybe_unused]] const char* porque, Paso&& paso) {
  try {
    paso();
  } catch (const std::exception&) {
  }
}
