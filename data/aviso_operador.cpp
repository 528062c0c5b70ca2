#include "data/aviso_operador.h"

#include <cstdio>
#include <fstream>
#include <optional>

#include "platform/archivos.h"
#include "platform/dialogos.h"
#include "platform/regional.h"
#include "utility/utilidades.h"

namespace aviso {

std::string Mensaje(const plataforma::ErrorEjecucion& e) {
  return utilidad::Trim("Ha ocurrido el Siguiente Error (" + std::to_string(e.Number) + ") " +
                        utilidad::Trim(e.Description));
}

std::string ParteRutina(const std::string& rutina) { return rutina.empty() ? "" : " - " + rutina; }

std::string TextoRespuesta(int respuesta) {
  switch (respuesta) {
    case plataforma::vbCancel:
      return "Cancelar";
    case plataforma::vbAbort:
      return "Abortar";
    case plataforma::vbRetry:
      return "Reintentar";
    case plataforma::vbIgnore:
      return "Ignorar";
    case plataforma::vbYes:
      return "Sí";
    case plataforma::vbNo:
      return "No";
    default:
      return "";
  }
}

std::string LineaLog(const std::string& fechaHora, const std::string& rutina,
                     const std::string& mensaje, int respuesta) {
  return fechaHora + " Rutina: " + utilidad::Trim(ParteRutina(rutina)) + " Mensaje " +
         utilidad::Trim(mensaje) + " Respondió : " + TextoRespuesta(respuesta);
}

namespace {

// The log's date and time, fixed as mm-dd-yyyy hh:mm:ss whatever the regional settings.
std::string MarcaDeTiempo() {
  plataforma::FechaHora f = plataforma::Ahora();
  char b[32];
  std::snprintf(b, sizeof b, "%02d-%02d-%04d %02d:%02d:%02d", f.mes, f.dia, f.anio, f.hora,
                f.minuto, f.segundo);
  return b;
}

}  // namespace

int MostrarYRegistrar(const plataforma::ErrorEjecucion& e, int botones, const std::string& rutina,
                      const Variante& variante) {
  std::optional<std::ofstream> log;
  auto abrirLog = [&] {
    try {
      log.emplace(variante.rutaLog, std::ios::binary | std::ios::app);
    } catch (...) {
      log.reset();
    }
  };
  if (variante.abrirAntes) abrirLog();
  if (e.Number == 0) return 0;

  const std::string mensaje = Mensaje(e);
  const std::string titulo =
      e.Source + ParteRutina(rutina) + " Aviso al operador!!! - " + variante.digito + " ";
  int respuesta = plataforma::DialogosActuales().MsgBox(mensaje, botones, titulo);
  try {
    if (!variante.abrirAntes) abrirLog();
    if (log && log->is_open()) {
      *log << plataforma::Utf8ACp1252(LineaLog(MarcaDeTiempo(), rutina, mensaje, respuesta))
           << "\r\n";
      log->close();
    }
  } catch (...) {
    // A log that cannot be written costs the line, never the answer.
  }
  return respuesta;
}

}  // namespace aviso

namespace {

// Environment variables as the workstation gives them: the name as written, else in capitals.
std::string Variable(const std::string& nombre) {
  std::string valor = plataforma::Entorno(nombre);
  return valor.empty() ? plataforma::Entorno(utilidad::Mayusculas(nombre)) : valor;
}

std::string CarpetaLogTemporal() {
  std::string carpeta = Variable("temp").empty() ? "" : utilidad::Trim(Variable("tmp"));
  if (carpeta.empty()) carpeta = utilidad::CarpetaAlternativa();
  return utilidad::RutaConBarra(carpeta);
}

}  // namespace

int AvisoOperador(const plataforma::ErrorEjecucion& e, int Botones, const std::string& Rutina) {
  aviso::Variante variante;
  try {
    variante.rutaLog = CarpetaLogTemporal() + "KVERR.LOG";
  } catch (...) {
  }
  variante.digito = "2";
  variante.abrirAntes = true;
  return aviso::MostrarYRegistrar(e, Botones, Rutina, variante);
}
