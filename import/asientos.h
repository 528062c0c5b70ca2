#pragma once
// Journal entries and ledger accounts: the journal-line writer, entry numbering, fiscal period
// and server date, the counter-account check and account creation.

#include <cstdint>
#include <string>

#include "import/contexto_corrida.h"
#include "platform/valores.h"

// One journal line as the writer composes it.
struct LineaAsiento {
  std::string fecha;
  std::string numeroAsiento;
  std::string cuenta;
  int16_t secuencia = 0;
  std::string debeHaber;
  std::string importeTexto;  // signed; the line carries its absolute value
  std::string periodo;
  std::string tc;
  std::string sucursal;
  std::string numero;
  std::string letra;
  std::string vencimiento;
  std::string nroComprobanteBancario;  // the cheque modes' bank voucher number
  // The voucher's customer and name, for the VAT-book columns of an invoice's first line.
  std::string cuentaCliente;
  std::string descripcion;
  std::string detalle;  // the run's concept
};

// The current voucher's line as the modes keep it in the run context; account, side, sequence
// and bank number are the caller's.
LineaAsiento LineaDelComprobante(const ContextoCorrida& ctx);
// The INSERT of one MV_ASIENTOS line. Executes nothing; raises before composing anything when
// the date or the amount cannot be read.
std::string GrabaAsiento(const LineaAsiento& linea);

// The amount of a journal row as the database returns it; one past the range reads as its end.
plataforma::Moneda ImporteDeCampo(const plataforma::Valor& v);
// A file's amount text as the company can hold it: raises ErrorEjecucion 13 for a text that is
// no amount, and 6, naming the text, for one outside the range of an amount
// (±922337203685477,5807) or, on the embedded engine, of more than 15 significant digits (it
// would be stored rounded).
plataforma::Moneda ImporteDelArchivo(const std::string& texto);

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
