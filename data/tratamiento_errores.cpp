// The error dialog of the data-access class: as AvisoOperador, with the log in the program's
// folder, opened only after the answer, and "5" closing the title.

#include <cstdio>

#include "data/aviso_operador.h"
#include "data/db_dll.h"
#include "platform/archivos.h"
#include "utility/utilidades.h"

int DB_Dll::TratamientoErrores(const plataforma::ErrorEjecucion& CodErr, int Botones,
                               const std::string& Rutina) {
  aviso::Variante variante;
  try {
    variante.rutaLog = utilidad::RutaConBarra(plataforma::CarpetaPrograma()) + "KVERR.LOG";
  } catch (...) {
  }
  variante.digito = "5";
  variante.abrirAntes = false;
  return aviso::MostrarYRegistrar(CodErr, Botones, Rutina, variante);
}
