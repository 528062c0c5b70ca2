// Third-party and own cheques: one opening journal entry per cheque, keyed by its bank number.

#include "import/contexto_corrida.h"

void ImportarChequesTerceros(ContextoCorrida& ctx) { (void)ctx; }

void ImportarChequesPropios(ContextoCorrida& ctx) { (void)ctx; }
