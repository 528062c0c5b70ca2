#pragma once
// The customer price-list reassignment (the price-list row's "Ejecutar"): reads the
// tab-separated file and writes each customer's price class into MA_CUENTASADIC.

#include <string>

#include "import/conciliacion.h"
#include "platform/valores.h"

// The tool's name where a run's mode is named (the import lock, the report).
inline constexpr char kModoLista[] = "Lista de precios";

struct ResumenLista {
  long clasesActualizadas = 0;
  long nombresNoEncontrados = 0;
  long sinDatosAdicionales = 0;  // names found whose account has no MA_CUENTASADIC row
  bool finalizado = false;       // reached "FINALIZADO"
  std::string empresaOcupada;    // not started: another import run holds the company
  bool ensayo = false;           // a dry run: nothing of it stayed in the database
  std::string senal;             // the signal that stopped the tool (batch mode) ...
  long detenidoEnLinea = 0;      // ... after this line
  Conciliacion conciliacion;     // the classes of the file against MA_CUENTASADIC afterwards

  // What the tool's report names besides the counts, and where the report went.
  std::string archivo, empresa, operador, equipo;
  plataforma::FechaHora inicio, fin;
  std::string sha256Archivo;  // of the bytes the tool read; empty when it read none
  std::string archivoInforme, archivoInformeJson;
  bool informeEnCarpetaPrograma = false;  // the list's folder could not be written
};

// With `ensayo` a dry run: every update inside one transaction rolled back at the end, and a
// last notice "ENSAYO: no se grabó nada".
ResumenLista CmdEjecutarLista_Click(const std::string& TxtLista, bool ensayo = false);
