// Entry point: the window, the batch mode and the commands that need no window. The batch mode,
// --help and --version never create a Qt application: they run on a machine without a display.
#include <CLI/CLI.hpp>
#include <iostream>
#include <string>
#include <vector>

#include "app/comandos.h"
#include "app/lote.h"

namespace {

constexpr const char* kPie = R"(Batch mode:
  importador --lote --modo N --archivo FILE [--cuenta C] [--concepto T]
             [--ante-error abortar|ignorar] [--max-rechazos N] [--esperar SECONDS]
             [--ensayo] [--traza FILE] PARAMETERS
  importador --lote --lista FILE [--esperar SECONDS] [--ensayo] [--traza FILE] PARAMETERS
  importador --lote [--traza FILE] PARAMETERS

  PARAMETERS is the start-up parameter string (the positional arguments joined by a blank),
  for example '@Server=sqlite:/srv/empresas;@DbName=EMPRESA;@Usuario=OPERADOR;@Password=x;'.
  The batch mode connects, selects option N (which proposes its counter-account), replaces the
  counter-account with --cuenta when given, types the path and the concept and presses
  "Ejecutar". Modes: 0 customer balances, 1 supplier balances, 2 employees, 3 received cheques,
  4 own cheques, 5 pending delivery notes, 6 pending work orders. --lista runs the customer
  price-list reassignment instead. With neither, only the start-up runs: a check of the
  connection that also provisions the statistics database. PARAMETERS must name @Server and
  @Usuario: the batch mode cannot show the connection dialog.

  Every dialog is printed on standard error as "TITLE: TEXT" and answered by policy: OK -> OK,
  Yes/No -> No, abort/retry/ignore -> --ante-error (abortar: Abort, the default; ignorar:
  Ignore), retry/cancel -> Cancel, an input box -> empty. The run summary is printed on standard
  output; a progress bar is drawn on standard error when it is a terminal.

  --ensayo makes it a dry run: the whole run executes against the database (every lookup,
  duplicate check and numbering) inside one transaction that is rolled back at its end, and
  the summary opens with "ENSAYO: no se grabó nada" (--lista too).

  One import runs per company at a time: a run that finds another one in progress prints who
  holds the company and exits with status 4; --esperar SECONDS waits up to that long first.

Exit status: 0 the run reached "Proceso Finalizado!!!" with every line posted, already imported
  or passed over as the layout says (--lista: "FINALIZADO"; start-up alone: it completed), 3 it
  reached the end with lines not posted (the summary lists them), 1 it ended before, 2 a usage
  error or no connection, 4 another import run held the company.)";

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "Opening-balance importer: loads balances, cheques, employees and pending "
      "documents exported by the previous system into a company database."};
  app.set_version_flag("--version", "importador 0.1.0");
  // The same options everywhere: on Windows "/x" would otherwise be read as an option, not a path.
  app.allow_windows_style_options(false);
  app.footer(kPie);

  std::string carpeta, nombre;
  auto* crear = app.add_subcommand("crear-empresa", "Create an empty embedded company database");
  crear->add_option("CARPETA", carpeta, "Folder of the embedded server")->required();
  crear->add_option("NOMBRE", nombre, "Company database name")->required();

  std::string carpetaDemo;
  auto* demo = app.add_subcommand(
      "demo", "Import every sample file twice into a new embedded company DEMO and show it");
  demo->add_option("CARPETA", carpetaDemo, "Folder of the demo (default: a new temporary one)");

  OpcionesLote lote;
  bool enLote = false;
  std::string anteError = "abortar";
  std::string cuenta, concepto;
  std::vector<std::string> parametros;
  auto* flagLote = app.add_flag("--lote", enLote, "Run an import unattended (no window)");
  auto* optModo = app.add_option("--modo", lote.modo, "Import mode 0-6 (optOpcion index)")
                      ->check(CLI::Range(0, 6))
                      ->needs(flagLote);
  auto* optArchivo =
      app.add_option("--archivo", lote.archivo, "Input file (txtRuta)")->needs(optModo);
  optModo->needs(optArchivo);
  auto* flagEnsayo =
      app.add_flag("--ensayo", lote.ensayo, "Dry run: run everything, roll it all back");
  app.add_option("--cuenta", cuenta, "Counter-account (txtCuenta)")->needs(optModo);
  app.add_option("--concepto", concepto, "Concept of the entries (txtConcepto)")->needs(optModo);
  app.add_option("--ante-error", anteError, "Answer to the run's error dialog")
      ->check(CLI::IsMember({"abortar", "ignorar"}))
      ->needs(flagLote);
  app.add_option("--traza", lote.traza, "Append every statement sent to FILE (JSON lines)")
      ->needs(flagLote);
  auto* optLista = app.add_option("--lista", lote.lista, "Price-list file (TxtLista)")
                       ->needs(flagLote)
                       ->excludes(optModo);
  flagEnsayo->needs(flagLote);
  app.add_option("--max-rechazos", lote.maximoRechazos,
                 "Stop after N lines in a row refused the same way by the database (0: never)")
      ->check(CLI::Range(0, 1000000))
      ->needs(flagLote);
  app.add_option("--esperar", lote.esperaSegundos,
                 "Wait up to SECONDS for another import run of the company to end")
      ->check(CLI::Range(0, 86400))
      ->needs(flagLote);
  app.add_option("PARAMETERS", parametros, "Start-up parameter string");

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);  // --help, --version
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kLoteUso;
  }

  if (*crear) return ComandoCrearEmpresa(carpeta, nombre);
  if (*demo) return ComandoDemo(carpetaDemo);
  if (enLote) {
    if (app.count("--cuenta")) lote.cuenta = cuenta;
    if (app.count("--concepto")) lote.concepto = concepto;
    lote.ignorarErrores = anteError == "ignorar";
    for (const std::string& p : parametros) {
      lote.parametros += (lote.parametros.empty() ? "" : " ") + p;
    }
    (void)optLista;
    return EjecutarLote(lote);
  }
  std::string lineaDeComandos;
  for (const std::string& p : parametros) {
    lineaDeComandos += (lineaDeComandos.empty() ? "" : " ") + p;
  }
  return ComandoVentana(argc, argv, lineaDeComandos);
}
