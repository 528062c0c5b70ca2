#pragma once
// The error dialog of the modules outside the data-access class, and the part it shares with
// DB_Dll::TratamientoErrores: show the error in a modal message box, take the operator's answer
// (3 abort, 4 retry, 5 ignore) and append one line about it to KVERR.LOG.

#include <string>

#include "platform/error_ejecucion.h"

// Shows the error with its routine name and logs it in the temporary folder ("tmp" when "temp"
// is set, else the utility library's alternative folder). Returns the answer, 0 when the error
// number is 0 (no dialog, no line). Never raises.
int AvisoOperador(const plataforma::ErrorEjecucion& e, int Botones = 18,
                  const std::string& Rutina = "");

namespace aviso {

// What differs between the two error dialogs.
struct Variante {
  std::string rutaLog;      // full path of KVERR.LOG
  std::string digito;       // last digit of the title: "5" or "2"
  bool abrirAntes = false;  // log opened before the dialog (and even when there is no error)
};

// Both dialogs' steps: message, title, dialog, log line. Every failure of the log is ignored.
int MostrarYRegistrar(const plataforma::ErrorEjecucion& e, int botones, const std::string& rutina,
                      const Variante& variante);

// Pieces of the dialog and of its log line.
std::string Mensaje(const plataforma::ErrorEjecucion& e);
std::string ParteRutina(const std::string& rutina);
std::string TextoRespuesta(int respuesta);
// "mm-dd-yyyy hh:mm:ss Rutina: <routine part> Mensaje <message> Respondió : <answer>"
std::string LineaLog(const std::string& fechaHora, const std::string& rutina,
                     const std::string& mensaje, int respuesta);

}  // namespace aviso
