// Stop requests (see the header): what every system's handler decides.

#include "platform/senales.h"

#include <thread>

namespace plataforma {

std::string NombreDeSenal(Senal s) {
  switch (s) {
    case Senal::Ninguna:
      return "";
    case Senal::Interrupcion:
#ifdef _WIN32
      return "Ctrl+C";
#else
      return "SIGINT";
#endif
    case Senal::Terminacion:
      return "SIGTERM";
    case Senal::Colgado:
      return "SIGHUP";
    case Senal::CtrlBreak:
      return "Ctrl+Break";
    case Senal::CierreConsola:
      return "cierre de la consola";
    case Senal::FinDeSesion:
      return "cierre de la sesión del usuario";
    case Senal::Apagado:
      return "apagado del equipo";
  }
  return "";
}

Detencion& DetencionDelProceso() {
  static Detencion detencion;
  return detencion;
}

FinDelManejador AtenderEventoConsola(Detencion& d, EventoConsola evento,
                                     std::chrono::milliseconds plazo) {
  switch (evento) {
    case EventoConsola::CtrlC:
      return d.Pedir(Senal::Interrupcion) ? FinDelManejador::Seguir : FinDelManejador::TerminarYa;
    case EventoConsola::CtrlBreak:
      return d.Pedir(Senal::CtrlBreak) ? FinDelManejador::Seguir : FinDelManejador::TerminarYa;
    case EventoConsola::Cierre:
      d.Pedir(Senal::CierreConsola);
      break;
    case EventoConsola::FinDeSesion:
      d.Pedir(Senal::FinDeSesion);
      break;
    case EventoConsola::Apagado:
      d.Pedir(Senal::Apagado);
      break;
  }
  // The system ends the process when this returns, or when its time is up: the run gets what
  // time there is to end its line and write everything, then the process ends before the system
  // cuts it off in the middle of a write.
  const auto limite = std::chrono::steady_clock::now() + plazo;
  while (!d.Terminada()) {
    if (std::chrono::steady_clock::now() >= limite) return FinDelManejador::TerminarYa;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return FinDelManejador::Volver;
}

}  // namespace plataforma
