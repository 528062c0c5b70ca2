#pragma once
// The import run's shared state: the window's controls as the run reads them, the run context
// (one press of "Ejecutar"), the variables the modes add to it, and the skeleton every mode
// follows (two passes over the file, progress, line loop, closing message).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/db_dll.h"
#include "data/sentencias.h"
#include "import/conciliacion.h"
#include "platform/archivos.h"
#include "platform/valores.h"

struct ResumenCorrida;

// The import window's controls, read by the run at the moment it needs them.
class ControlesVentana {
 public:
  virtual ~ControlesVentana() = default;
  virtual int OpcionSeleccionada() const = 0;  // optOpcion index 0-6; -1 when none is selected
  virtual std::string txtRuta() const = 0;
  virtual std::string txtCuenta() const = 0;
  virtual std::string txtConcepto() const = 0;
  virtual void SetTxtConcepto(const std::string& texto) = 0;  // own cheques write the concept
  // Draws the progress bar in picStatus: percentage, colour (0xRRGGBB), caption.
  virtual void DibujaProgreso(double porcentaje, uint32_t color, const std::string& caption) = 0;
  // One pass of the interface's event processing (once per line).
  virtual void HacerEventos() = 0;
  // The line about to be read, of how many (the terminal shows counts, rate and time left).
  virtual void LineaEnCurso(int64_t actual, int64_t total) {}
  // True once the operator asked to stop; the run ends after the current line.
  virtual bool DetenerSolicitado() const { return false; }
  // True for a dry run: the whole run inside one transaction that is rolled back at its end.
  virtual bool Ensayo() const { return false; }
  // The run holds the company's lock and has read and written nothing yet (the summary names
  // the run, with enCurso set): the window replaces an earlier report with one that says so.
  virtual void CorridaEmpezada(const ResumenCorrida&) {}
};

// A line that was not posted for a reason the operator must look at.
struct LineaNoRegistrada {
  int64_t linea = 0;   // the line number, as wide as the run's line count on every system
  std::string motivo;  // "rechazada por la base", "incompleta", "fuera de ejercicio", ...
  std::string valor;   // what shows why: the value or the database's message (80 characters)
};

// A voucher posted with another letter than its line's, the file's holding another voucher.
struct ComprobanteConOtraLetra {
  int64_t linea = 0;
  std::string comprobante;   // type, branch and number: "FC 0001-00000012"
  std::string letraArchivo;  // the line's letter
  std::string letra;         // the letter it was posted with
};

// Counts of a run, shown beside the closing message (the batch mode prints them).
struct ResumenCorrida {
  long lineasLeidas = 0;
  long registrados = 0;        // vouchers, cheques, headers posted
  long yaImportados = 0;       // skipped: already in the database
  long otraLetra = 0;          // posted with another letter
  long sinLetraLibre = 0;      // skipped: the file's letter and A..N taken by other vouchers
  long incompletos = 0;        // ignored: a field missing
  long conflictos = 0;         // customer invoices whose number another customer's invoice holds
  long mismoNumeroCheque = 0;  // cheques posted beside another cheque of the same number
  long importeCero = 0;        // cheques with a zero amount
  long cuentasCreadas = 0;
  long cuentasExistentes = 0;
  long tareasCatalogadas = 0;
  long vinculosGrabados = 0;
  long clasesActualizadas = 0;
  long nombresNoEncontrados = 0;
  std::vector<long> lineasRechazadas;  // line numbers whose batch the database refused
  std::vector<std::string> errores;    // messages naming line and value (conversion errors)
  bool finalizado = false;             // the run reached "Proceso Finalizado!!!"
  long fueraDeEjercicio = 0;           // vouchers and cheques dated in no fiscal year
  std::vector<LineaNoRegistrada> noRegistradas;  // every line not posted that the operator must see
  std::string archivo;                           // the file the run read
  std::vector<std::string> avisos;               // what the operator should know of the file
  long detenidoEnLinea = 0;                      // the operator stopped the run after this line
  std::string senal;  // the signal that stopped the run after detenidoEnLinea (0: before line 1)
  bool enCurso = false;  // the run has begun and not ended: what its first report says
  bool detenidoPorRechazos = false;  // stopped after many refusals in a row: what was posted stays
  std::string empresaOcupada;        // the run did not start: who holds the company
  std::vector<ComprobanteConOtraLetra> conOtraLetra;  // each voucher counted in otraLetra

  // How each line read ended; these add up to lineasLeidas.
  long lineasRegistradas = 0;     // it posted something: a voucher, cheque, account, header, task
  long lineasYaImportadas = 0;    // what it names was already in the database
  long lineasNoRegistradas = 0;   // not posted: each is in noRegistradas, with its reason
  long lineasImporteCero = 0;     // a cheque with a zero amount: nothing to post
  long lineasPasadasPorAlto = 0;  // blank lines, titles, headers, totals: no value to post
  long lineaEnCurso = 0;          // the line the run ended in, before it ended with it
  // Of the lines not posted: a value that did not convert; a value refused as it was read (a
  // control character) or for another reason that has no count of its own.
  long erroresDeConversion = 0;
  long valoresRehusados = 0;
  long erroresIgnorados = 0;  // of them: a step failed and the operator passed over it
  // After a stop on the limit of refusals: the lines never read (from primeraSinLeer on), which
  // the rejected-lines file carries after the refused ones.
  long lineasSinLeer = 0;
  int64_t primeraSinLeer = 0;
  // The file was refused before anything was written (empty, not text, of another mode's
  // layout): why, as the operator was told.
  std::string archivoRechazado;

  // What the run's report names besides the counts.
  std::string empresa, operador, equipo;
  plataforma::FechaHora inicio, fin;
  int opcion = -1;               // the mode, optOpcion index
  std::string cuenta, concepto;  // the counter-account and the concept posted with
  std::string sha256Archivo;     // of the bytes the run read; empty when it read none
  bool ensayo = false;           // a dry run: nothing of it stayed in the database
  Conciliacion conciliacion;     // the file against the database after the last line
  // The files the run left, empty when not written; they go to the program's folder when the
  // input's cannot be written.
  std::string archivoRechazados, archivoMotivos, archivoInforme, archivoInformeJson;
  bool salidasEnCarpetaPrograma = false;
};

// One line of the input in its own bytes, with its line end.
struct LineaEnBruto {
  int64_t numero = 0;
  std::string bytes;
};

// What the rejected-lines file is made of: every line not posted, each after the lines it needs
// to be imported as it stands (its customer's header; its block's date line and document line).
struct LineasParaCorregir {
  std::string marcaDeOrden;            // the input's byte-order mark, written first
  std::vector<LineaEnBruto> lineas;    // in the input's order, each line once
  std::vector<LineaEnBruto> contexto;  // what the current line needs before it, outermost first
};

// How a run ended: every line posted, already there or passed over as the layout says, and
// the reconciliation finding no difference (complete); the end reached with lines not posted or
// a figure that does not reconcile (partial); ended before the end; the file refused before
// anything was written.
enum class Desenlace { Completa, Parcial, Interrumpida, Rechazada };
Desenlace DesenlaceDe(const ResumenCorrida& r);

// The bar's percentage before line `actual` of `total` (100 for an empty file), in 64 bits so
// no file is too long for it.
double PorcentajeDeLinea(int64_t actual, int64_t total);

// How many batches in a row the database may refuse the same way before the run asks once
// whether to go on (the batch mode's --max-rechazos; the policy there answers No, and the run
// stops). 0: never asks.
void EstablecerMaximoRechazos(int maximo);

// Ends the run at once (the operator's No, an abort in the error dialog, a refused
// counter-account). The run closes its file and re-enables the journal's triggers first.
struct FinDeCorrida {};

// The run context: created empty at the press of the button, discarded at its end.
struct ContextoCorrida {
  explicit ContextoCorrida(ControlesVentana& v) : ventana(v) {}
  ControlesVentana& ventana;

  // Intake and line loop.
  plataforma::ArchivoTexto archivo;  // NroArchivo
  std::string RutaArchivo;
  int64_t TotalRegistros = 0;
  int64_t RegistroActual = 0;
  std::string Linea;
  std::vector<std::string> Columnas;
  std::string CuentaControl;
  bool triggersDeshabilitados = false;  // the run sent DISABLE TRIGGER ALL
  std::string corridaAnotada;  // its row in TA_IMPORTADOR_CORRIDAS, until they are on again

  // Variables the modes share with the journal writer.
  ListaSentencias SentenciasSQL;
  std::string CuentaCliente;
  std::string Descripcion;
  std::string CuentaAsiento;  // the account a line is checked against before it is written
  std::string Periodo;
  std::string NumeroAsiento;
  std::string Fecha;
  std::string TC;
  std::string Letra;
  std::string Sucursal;
  std::string Numero;
  std::string Vencimiento;
  std::string ImporteTexto;
  std::string NroComprobanteBancario;  // the cheque modes' bank voucher number

  LeidoDelArchivo leido;  // what the file said, for the reconciliation at the end
  // What the mode notes in `leido` of a line it did not read to its end (refused for a control
  // character, or a step of it failed and was passed over), so that the reconciliation counts
  // it as not posted; empty: nothing.
  std::function<void()> anotarNoLeida;
  // The error of the current line whose step the operator chose to pass over (Ignore).
  std::string ignoradoEnLinea;
  ResumenCorrida resumen;
  LineasParaCorregir paraCorregir;
};

// The run's error policy around one step: error 9 skips the step silently; any other error goes
// to MensajeError — retry runs the step again, ignore skips it, anything else ends the run
// (throws FinDeCorrida). Returns true when the step completed, false when it was skipped.
bool Paso(ContextoCorrida& ctx, const std::function<void()>& paso);

// After a duplicate check that found nothing: raises the session connection's first error when
// the check's query failed (its dialog answered Ignore), so the line is not written on the word
// of a check that was never made.
void ExigirConsultaHecha();
// Records the current line as not posted, for `motivo`, with the value that shows why (cut to
// 80 characters), and keeps its bytes, after its context, for the rejected-lines file. A line
// retried after the same failure is recorded once.
void AnotarNoRegistrada(ContextoCorrida& ctx, const std::string& motivo, const std::string& valor);
// The current line becomes the context at depth `nivel` (0 outermost) of the lines after it:
// what a rejected line among them needs before it in the rejected-lines file.
void AnotarContexto(ContextoCorrida& ctx, size_t nivel);
// Whether a table lookup found its row; a lookup that could not be made raises its error
// instead, so no line is written on the word of a check that was never made.
bool Encontrada(Busqueda b);

// Notes the entry the current line just posted (month of ctx.Fecha, ctx.Periodo,
// ctx.NumeroAsiento), for the balance check at the end of the run.
void AnotarAsientoGrabado(ContextoCorrida& ctx);
// The counts that tell how a line ended: what was posted (vouchers, cheques, headers, accounts)
// and what was found already there.
struct Hechos {
  long registrados = 0, yaImportados = 0;
};
Hechos HechosDe(const ResumenCorrida& r);
// How the line ended, from the counts before and after it: posted, already there, or neither.
Destino DestinoDeLinea(Hechos antes, Hechos despues);

// Column `i` of the current line; raises ErrorEjecucion 9 when the line has no such column.
const std::string& Columna(const ContextoCorrida& ctx, size_t i);

// AbrirArchivo: RutaArchivo = txtRuta now; opens it for reading.
void AbrirArchivo(ContextoCorrida& ctx);

// The skeleton every mode follows after the dispatcher's first AbrirArchivo: first pass
// (count, close), reopen, `antes`, the line loop (events, progress, read Linea, cut Columnas,
// `porLinea`), `despues`, close, "Proceso Finalizado!!!". Any of the three may be empty.
void RecorrerArchivo(ContextoCorrida& ctx, const std::function<void()>& antes,
                     const std::function<void()>& porLinea, const std::function<void()>& despues);

// Mode subroutines, called by the dispatcher after AbrirArchivo.
void ImportarSaldos(ContextoCorrida& ctx);           // modes 0 and 1
void ImportarEmpleados(ContextoCorrida& ctx);        // mode 2
void ImportarChequesTerceros(ContextoCorrida& ctx);  // mode 3
void ImportarChequesPropios(ContextoCorrida& ctx);   // mode 4
void ImportarPendientes(ContextoCorrida& ctx);       // modes 5 and 6

// Sends "ALTER TABLE MV_ASIENTOS DISABLE TRIGGER ALL" / "... ENABLE TRIGGER ALL" and keeps
// track, so every end of the run can re-enable them. A dry run on Oracle sends neither: Oracle
// commits the open transaction before any DDL statement. The run's row in
// TA_IMPORTADOR_CORRIDAS is written before the first (a refusal raises, and nothing is
// switched) and removed after the second is accepted.
void DeshabilitarTriggers(ContextoCorrida& ctx);
void HabilitarTriggers(ContextoCorrida& ctx);

// With the company lock held, before anything else of a run is written: the journal's triggers
// that a run left off (its row in TA_IMPORTADOR_CORRIDAS) are enabled again, the rows removed,
// and the operator is told which run it was and since when (the text also goes to `avisos`);
// a refusal is shown and goes to `errores`, and the rows stay for the next run.
void RehabilitarTriggersDejados(std::vector<std::string>& avisos,
                                std::vector<std::string>& errores);

// The caption of a mode (optOpcion index), as the window shows it; "ninguno" for none.
std::string NombreDeModo(int opcion);

// The whole run (cmdEjecutar_Click); returns its summary.
ResumenCorrida EjecutarImportacion(ControlesVentana& ventana);
