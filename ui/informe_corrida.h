#pragma once
// The run report: after every run of the window or the batch mode, <input>.informe.txt (the run
// named — company, operator, machine, times, mode, counter-account, concept, input and its
// SHA-256 — then its summary and the reconciliation) and, where one was asked for, the same as
// a JSON document. Both go beside the input, or to the program's folder when the input's folder
// cannot be written.

#include <string>

#include "import/contexto_corrida.h"
#include "import/lista_precios.h"

// The report as text (Spanish, lines ended by "\n").
std::string TextoInforme(const ResumenCorrida& r);
// The report as a JSON document.
std::string JsonInforme(const ResumenCorrida& r);

// Writes the text report, and the JSON one to `rutaJson` when it is not empty (to the program's
// folder under the same name when that path cannot be written); records in `r` where they went.
void EscribirInformes(ResumenCorrida& r, const std::string& rutaJson);

// The price-list tool's report, beside its list as <list>.informe.txt, the same way: the tool
// named (company, operator, machine, times, list and its SHA-256), its summary and the
// reconciliation of the classes.
std::string TextoInforme(const ResumenLista& r);
std::string JsonInforme(const ResumenLista& r);
void EscribirInformes(ResumenLista& r, const std::string& rutaJson);
