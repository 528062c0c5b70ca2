// The console handler's work on Windows, run here on its own thread as the system runs it: what
// each event records, when the handler lets the process go on, and how long a close waits for
// the run to write everything before the process must end.

#include "platform/senales.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace plataforma;
using namespace std::chrono_literals;

// Ctrl+C and Ctrl+Break: the first one is recorded and the process goes on, so that the run
// stops after its line; one more, of either kind, ends the process at once. The first request
// stays the one the run names.
TEST(SenalesTest, CtrlCYCtrlBreakPidenUnaVezYLaSegundaTermina) {
  const struct {
    const char* nombre;
    std::vector<EventoConsola> eventos;
    std::vector<FinDelManejador> fines;
    Senal pedida;
  } casos[] = {
      {"Ctrl+C", {EventoConsola::CtrlC}, {FinDelManejador::Seguir}, Senal::Interrupcion},
      {"Ctrl+C dos veces",
       {EventoConsola::CtrlC, EventoConsola::CtrlC},
       {FinDelManejador::Seguir, FinDelManejador::TerminarYa},
       Senal::Interrupcion},
      {"Ctrl+Break y Ctrl+C",
       {EventoConsola::CtrlBreak, EventoConsola::CtrlC},
       {FinDelManejador::Seguir, FinDelManejador::TerminarYa},
       Senal::CtrlBreak},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    Detencion d;
    std::vector<FinDelManejador> fines;
    for (EventoConsola e : c.eventos) fines.push_back(AtenderEventoConsola(d, e, 0ms));
    EXPECT_EQ(fines, c.fines);
    EXPECT_EQ(d.Pedida(), c.pedida);
  }
}

// A close, a logoff or a shutdown asks the run to stop and waits on the handler's thread: it
// returns as soon as the run has written its summary and report (the system then ends the
// process), and when the run is not done within the time given it says to end the process at
// once, before the system cuts it off in the middle of a write.
TEST(SenalesTest, ElCierreEsperaALaCorridaHastaSuPlazo) {
  const struct {
    const char* nombre;
    EventoConsola evento;
    bool ctrlCAntes;       // a Ctrl+C came first: the run is already stopping
    int terminaTrasMs;     // when the run marks itself done; -1: never
    FinDelManejador fin;
    Senal pedida;
  } casos[] = {
      {"cierre, la corrida termina", EventoConsola::Cierre, false, 150, FinDelManejador::Volver,
       Senal::CierreConsola},
      {"cierre, la corrida ya había terminado", EventoConsola::Cierre, false, 0,
       FinDelManejador::Volver, Senal::CierreConsola},
      {"cierre, la corrida no termina", EventoConsola::Cierre, false, -1,
       FinDelManejador::TerminarYa, Senal::CierreConsola},
      {"cierre tras Ctrl+C", EventoConsola::Cierre, true, 150, FinDelManejador::Volver,
       Senal::Interrupcion},
      {"fin de sesión", EventoConsola::FinDeSesion, false, -1, FinDelManejador::TerminarYa,
       Senal::FinDeSesion},
      {"apagado", EventoConsola::Apagado, false, 150, FinDelManejador::Volver, Senal::Apagado},
  };
  constexpr auto kPlazo = 600ms;
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    Detencion d;
    if (c.ctrlCAntes) {
      ASSERT_EQ(AtenderEventoConsola(d, EventoConsola::CtrlC, 0ms), FinDelManejador::Seguir);
    }
    if (c.terminaTrasMs == 0) d.MarcarTerminada();
    const auto inicio = std::chrono::steady_clock::now();
    auto manejador = std::async(std::launch::async,
                                [&] { return AtenderEventoConsola(d, c.evento, kPlazo); });
    // The run: it sees the request, ends its line and writes everything.
    if (c.terminaTrasMs > 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(c.terminaTrasMs));
      EXPECT_EQ(manejador.wait_for(0ms), std::future_status::timeout)
          << "the handler returned before the run was done";
      EXPECT_NE(d.Pedida(), Senal::Ninguna);
      d.MarcarTerminada();
    }
    EXPECT_EQ(manejador.get(), c.fin);
    const auto espera = std::chrono::steady_clock::now() - inicio;
    if (c.fin == FinDelManejador::TerminarYa) {
      EXPECT_GE(espera, kPlazo);
    } else {
      EXPECT_LT(espera, kPlazo);
    }
    EXPECT_EQ(d.Pedida(), c.pedida);
  }
}

}  // namespace
