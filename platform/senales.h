#pragma once
// Stop requests from the system for the batch mode: SIGTERM, SIGINT and SIGHUP on Linux;
// Ctrl+C, Ctrl+Break, the console's close and the end of the session on Windows. A handler only
// records the request; the run reads it after each line and stops there, as it does for the
// window's "Detener". A second request ends the process at once. One implementation of the
// handlers per system (senales_posix.cpp, senales_win.cpp); what they decide is here.

#include <atomic>
#include <chrono>
#include <string>

namespace plataforma {

// What asked the run to stop.
enum class Senal : int {
  Ninguna = 0,
  Interrupcion,   // SIGINT; Ctrl+C
  Terminacion,    // SIGTERM
  Colgado,        // SIGHUP: the terminal went away
  CtrlBreak,      // Ctrl+Break
  CierreConsola,  // the console window was closed
  FinDeSesion,    // the user logs off
  Apagado,        // the system shuts down
};

// The name the operator reads: "SIGTERM", "SIGINT", "SIGHUP", "Ctrl+C", "Ctrl+Break", "cierre de
// la consola", ...; "" for Ninguna.
std::string NombreDeSenal(Senal s);

// The stop requests of one process: written by the handlers (a signal handler, or the console
// handler's own thread), read by the run. Lock-free, so a signal handler may use it.
class Detencion {
 public:
  // Records a request: true for the first one, false when one was already recorded (the
  // handler then ends the process at once).
  bool Pedir(Senal s) noexcept {
    int ninguna = 0;
    return senal_.compare_exchange_strong(ninguna, static_cast<int>(s));
  }
  // The first request recorded; Ninguna when none.
  Senal Pedida() const noexcept { return static_cast<Senal>(senal_.load()); }
  // The batch mode has written its summary and its report: nothing of the run is left to do.
  void MarcarTerminada() noexcept { terminada_.store(true); }
  bool Terminada() const noexcept { return terminada_.load(); }

 private:
  static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);
  std::atomic<int> senal_{0};
  std::atomic<bool> terminada_{false};
};

// The process's requests, the ones the installed handlers record.
Detencion& DetencionDelProceso();
// Shorthand for DetencionDelProceso().Pedida().
inline Senal SenalRecibida() { return DetencionDelProceso().Pedida(); }

// Installs the batch mode's handlers of stop requests, and ignores SIGPIPE and SIGXFSZ: a
// closed pipe on standard output or error, or a file-size limit, then makes a write fail (the
// limit reads as a full disk) instead of ending the process. On Windows a console close that
// the run cannot answer in time ends the process with `estadoAlCerrar`.
void InstalarSenalesDeDetencion(int estadoAlCerrar);

// The console's events as the Windows handler receives them.
enum class EventoConsola { CtrlC, CtrlBreak, Cierre, FinDeSesion, Apagado };

// How the console handler ends: it returns and the process goes on (the run stops after its
// line); it returns and the system ends the process (after a close, the run having written
// everything); or it ends the process at once.
enum class FinDelManejador { Seguir, Volver, TerminarYa };

// What the system allows a console handler after a close before it ends the process itself
// (5 s), less a margin for the process's own end.
inline constexpr std::chrono::milliseconds kPlazoCierreConsola{4000};

// The console handler's work, whatever the system: Ctrl+C and Ctrl+Break record a request (a
// second one ends the process); a close, a logoff or a shutdown records one and waits, up to
// `plazo`, for the run to stop after its line and write its summary and report. When that does
// not happen in time the process must end at once: the line's transaction, never committed, is
// then rolled back by the engine, and the report beside the input still says "en curso".
FinDelManejador AtenderEventoConsola(Detencion& d, EventoConsola evento,
                                     std::chrono::milliseconds plazo = kPlazoCierreConsola);

}  // namespace plataforma
