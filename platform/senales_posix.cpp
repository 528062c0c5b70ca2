// Stop requests on Linux: SIGTERM, SIGINT and SIGHUP recorded by a handler that does nothing
// else; SIGPIPE and SIGXFSZ ignored.

#include <signal.h>

#include "platform/senales.h"

namespace plataforma {
namespace {

Senal SenalDe(int numero) {
  switch (numero) {
    case SIGINT:
      return Senal::Interrupcion;
    case SIGHUP:
      return Senal::Colgado;
    default:
      return Senal::Terminacion;
  }
}

// The first request is recorded; a second one ends the process as the signal does by default
// (blocked while this runs, it is delivered as soon as the handler returns).
void AlRecibirSenal(int numero) {
  if (DetencionDelProceso().Pedir(SenalDe(numero))) return;
  ::signal(numero, SIG_DFL);
  ::raise(numero);
}

}  // namespace

void InstalarSenalesDeDetencion(int) {
  struct sigaction accion {};
  accion.sa_handler = AlRecibirSenal;
  // Interrupted reads and writes go on by themselves; the three never interrupt each other's
  // handler, so the first one recorded is the one the run names.
  accion.sa_flags = SA_RESTART;
  sigemptyset(&accion.sa_mask);
  for (int numero : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&accion.sa_mask, numero);
  for (int numero : {SIGTERM, SIGINT, SIGHUP}) sigaction(numero, &accion, nullptr);

  struct sigaction ignorar {};
  ignorar.sa_handler = SIG_IGN;
  sigemptyset(&ignorar.sa_mask);
  for (int numero : {SIGPIPE, SIGXFSZ}) sigaction(numero, &ignorar, nullptr);
}

}  // namespace plataforma
