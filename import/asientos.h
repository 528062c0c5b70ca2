#pragma once
// Journal entries and ledger accounts: the journal-line writer, entry numbering, fiscal period
// and server date, the counter-account check and account creation.

#include <cstdint>
#include <string>

#include "import/contexto_corrida.h"
#include "platform/valores.h"

// Appends the INSERT of one MV_ASIENTOS line, composed from the run variables, and one empty
// element to ctx.SentenciasSQL. Executes nothing.
void GrabaAsiento(ContextoCorrida& ctx);

// The amount of a journal row as the database returns it.
plataforma::Moneda ImporteDeCampo(const plataforma::Valor& v);

// Fiscal period containing the date text (0 when no fiscal year contains it).
int16_t PeriodoDeFecha(const std::string& Fecha);
// Next free entry number of the month within the period (register type empty: the import's).
int32_t ValidaTCRegistraciones(const std::string& Mes, const std::string& Periodo,
                               const std::string& TipoReg = "");
// The database server's date and time (the computer's, when the server gives none).
plataforma::FechaHora FechaServidor();

// Returns when txtCuenta names an acceptable account for the selected mode; otherwise shows
// "Debe informar una cuenta de contrapartida válida!!!" and throws FinDeCorrida.
void ValidaContrapartida(ContextoCorrida& ctx);
// Inserts the account ctx.CuentaCliente / ctx.Descripcion in its own transaction; a refusal is
// shown ("Atención"). Returns true when committed.
bool AltaCuenta(ContextoCorrida& ctx);
