#pragma once
// The company-wide import lock: one import run at a time per company, across processes and
// machines. On SQL Server an application lock owned by the session (sp_getapplock), on Oracle a
// DBMS_LOCK lock of the session, on the embedded engine an advisory lock on a file beside the
// company file. Each dies with the session or process that holds it, so a killed run leaves
// nothing that blocks the next one.

#include <string>

#include "platform/bloqueo_archivo.h"

// How long a run waits for the lock, in seconds (0: it does not wait). The batch mode's
// --esperar sets it; the window does not wait.
void EstablecerEsperaImportacion(int segundos);
int EsperaImportacion();

class BloqueoImportacion {
 public:
  BloqueoImportacion() = default;
  ~BloqueoImportacion();  // releases the lock when held
  BloqueoImportacion(const BloqueoImportacion&) = delete;
  BloqueoImportacion& operator=(const BloqueoImportacion&) = delete;

  // Takes the lock of the session's company for a run of `modo` on `archivo`, waiting up to
  // EsperaImportacion() seconds. False when another run holds it: `ocupante` then names it
  // (operator, machine, mode, file, since when) as far as the engine lets the holder say so.
  bool Tomar(const std::string& modo, const std::string& archivo, std::string& ocupante);
  void Liberar();

  // The lock's name on SQL Server and Oracle: IMPORTADOR_ and a digest of the company's name,
  // short enough for the server to show it whole.
  static std::string Recurso(const std::string& empresa);
  // The side file of an embedded company file (exposed for tests and the README's example).
  static std::string ArchivoDeBloqueo(const std::string& archivoEmpresa);

 private:
  enum class Tipo { Ninguno, Archivo, SqlServer, Oracle };
  Tipo tomado_ = Tipo::Ninguno;
  plataforma::BloqueoArchivo archivo_;
  std::string recurso_;  // the server lock's name, as taken
};

// The operator's message when the company is busy (window and batch mode show the same).
std::string MensajeEmpresaOcupada(const std::string& ocupante);
