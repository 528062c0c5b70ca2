// Entry point: the window, the batch mode and the commands that need no window.
#include <CLI/CLI.hpp>

#include "app/comandos.h"

int main(int argc, char** argv) {
  CLI::App app{"Opening-balance importer: loads balances, cheques, employees and pending "
               "documents exported by the previous system into a company database."};
  app.set_version_flag("--version", "importador 0.1.0");

  std::string carpeta, nombre;
  auto* crear = app.add_subcommand("crear-empresa", "Create an empty embedded company database");
  crear->add_option("CARPETA", carpeta, "Folder of the embedded server")->required();
  crear->add_option("NOMBRE", nombre, "Company database name")->required();

  CLI11_PARSE(app, argc, argv);
  if (*crear) return ComandoCrearEmpresa(carpeta, nombre);
  std::puts(app.help().c_str());
  return 0;
}
