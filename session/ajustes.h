#pragma once
// Session settings, search definitions and access log: what start-up prepares once the session
// connection is open. CargarConfiguracion loads the settings of valores_sesion.h,
// CrearMascarasConsultas writes the default search-definition file, RegistrarAcceso appends the
// access-log row through GActualizarDatoScript, which records a rejected batch with GrabaAuxErr.

#include <cstdint>
#include <string>

#include "data/sentencias.h"

// Length of one search-definition record: title, table, columns, condition and CR LF.
inline constexpr int kLargoRegistroConsulta = 1202;

// Seeds the pseudo-random generator and reads the session settings; ignores its failures.
void CargarConfiguracion();
// Appends the eleven default search definitions after the last complete record of `Ruta`
// (created when missing). Raises plataforma::ErrorEjecucion when the file cannot be written.
void CrearMascarasConsultas(const std::string& Ruta);
// Appends one row to Control_Acceso for this workstation, operator, program and menu task.
void RegistrarAcceso(const std::string& Formulario);
// Sends the non-empty statements as one transaction; on a refusal rolls back, records the
// batch in AUX_ERR and (with MostrarMensaje) shows the errors titled "Aviso al Operador!".
// The three options after HayError and the text after them are always 0, false, false, "".
void GActualizarDatoScript(const ListaSentencias& Sentencias, bool& HayError, int32_t Opcion,
                           bool Duplicados, bool Referencias, const std::string& Tabla,
                           std::string& Mensaje, bool MostrarMensaje);
// Records a rejected batch as one row of AUX_ERR; loses the row silently when it cannot.
void GrabaAuxErr(std::string& SQL, std::string& Proceso, int32_t& Numero,
                 const std::string& Descripcion);

// The present date and time as "dd/mm/yy", "hh:mm" and "dd/mm/yy hh:mm".
std::string FmtFecha();
std::string FmtHora();
std::string FmtFechaHora();
