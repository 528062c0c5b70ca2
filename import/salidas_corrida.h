#pragma once
// The files a run leaves for the operator beside its input: their names (for "saldos.txt":
// saldos.rechazados.txt, saldos.rechazados.motivos.csv, saldos.informe.txt), the folder they go
// to (the input's, or the program's when the input's cannot be written), and the rejected-lines
// file with its reasons.

#include <string>
#include <vector>

#include "import/contexto_corrida.h"

// Where the files of a run on `entrada` go and what they are called.
struct SalidasDeCorrida {
  std::string carpeta;              // the input's folder when it can be written, else the program's
  bool carpetaDelPrograma = false;  // the input's folder could not be written
  std::string rechazados;  // <input>.rechazados<ext>: the lines not posted, in the input's bytes
  std::string motivos;     // <input>.rechazados.motivos.csv: line, reason and value of each
  std::string informe;     // <input>.informe.txt: the run report
};
SalidasDeCorrida SalidasDe(const std::string& entrada);

// Writes `bytes` as the file `nombre` of the run's folder; when that cannot be done, in the
// program's folder. Returns the path written, empty when neither could be; `enPrograma` is set
// when the file went to the program's folder.
std::string EscribirSalida(const SalidasDeCorrida& s, const std::string& nombre,
                           const std::string& bytes, bool& enPrograma);

// The reasons file: UTF-8 with a byte-order mark (so that a spreadsheet reads its accents), a
// header row, one row per line not posted; fields separated by ";", quoted where CSV needs it.
std::string TextoMotivos(const std::vector<LineaNoRegistrada>& lineas);

// After a run that read its file: writes the rejected-lines file and its reasons when a line
// was not posted and names them in the summary; otherwise removes those of an earlier run.
void EscribirRechazados(ContextoCorrida& ctx);
