#pragma once
// Modes 0 and 1: the customer/supplier account-statement report. ImportarSaldos walks the file,
// DetectaTitular follows the customer headers, LeerLineaSaldo parses a voucher line into the
// run's balance record and RegistraSaldo posts it as a two-line opening entry.

#include <string>

#include "import/contexto_corrida.h"

// Sets ctx.CuentaCliente when the line is a header of the selected mode; returns true then.
bool DetectaTitular(ContextoCorrida& ctx);

// Clears the balance record and fills it from ctx.Columnas (the voucher column, due date and
// amount of the selected mode). A column the line lacks leaves its fields empty.
void LeerLineaSaldo(ContextoCorrida& ctx);

// True when the record has a type, branch, number, due date and amount.
bool LineaSaldoCompleta(const ContextoCorrida& ctx);

// Posts the record (existence check, free letter, calendar row, customer check, two journal
// lines in one transaction). Throws FinDeCorrida when the operator refuses to go on.
void RegistraSaldo(ContextoCorrida& ctx);

// The voucher type as the journal writes it: mode 0 customers, mode 1 suppliers.
std::string MapearTipoComprobante(const std::string& codigo, int modo);
