// Stop requests on Windows: the console's control handler, which runs on a thread of its own.

#include <windows.h>

#include "platform/senales.h"

namespace plataforma {
namespace {

UINT gEstadoAlCerrar = 1;

BOOL WINAPI AlEventoDeConsola(DWORD tipo) {
  EventoConsola evento;
  switch (tipo) {
    case CTRL_C_EVENT:
      evento = EventoConsola::CtrlC;
      break;
    case CTRL_BREAK_EVENT:
      evento = EventoConsola::CtrlBreak;
      break;
    case CTRL_CLOSE_EVENT:
      evento = EventoConsola::Cierre;
      break;
    case CTRL_LOGOFF_EVENT:
      evento = EventoConsola::FinDeSesion;
      break;
    case CTRL_SHUTDOWN_EVENT:
      evento = EventoConsola::Apagado;
      break;
    default:
      return FALSE;
  }
  if (AtenderEventoConsola(DetencionDelProceso(), evento) == FinDelManejador::TerminarYa) {
    ::TerminateProcess(::GetCurrentProcess(), gEstadoAlCerrar);
  }
  return TRUE;
}

}  // namespace

void InstalarSenalesDeDetencion(int estadoAlCerrar) {
  gEstadoAlCerrar = static_cast<UINT>(estadoAlCerrar);
  ::SetConsoleCtrlHandler(AlEventoDeConsola, TRUE);
}

}  // namespace plataforma
