#include "app/uso.h"

#include <CLI/CLI.hpp>
#include <regex>
#include <utility>

namespace {

// The parser's English messages and their Spanish forms; the first that matches wins.
const std::pair<std::regex, const char*> kMensajes[] = {
    {std::regex(R"(^(\S+) is required$)"), "Falta $1"},
    {std::regex(R"(^(\S+) requires (.+)$)"), "$1 necesita $2"},
    {std::regex(R"(^(\S+) excludes (.+)$)"), "$1 no se puede usar con $2"},
    {std::regex(R"(^The following arguments? (?:was|were) not expected: (.*)$)"),
     "Argumentos que no se esperaban: $1"},
    {std::regex(R"(^(\S+): Value (\S+) not in range (\S+) to (\S+)$)"),
     "$1: el valor $2 no está entre $3 y $4"},
    {std::regex(R"(^(\S+): (.*) not in \{(.*)\}$)"), "$1: el valor $2 no es uno de {$3}"},
    {std::regex(R"(^(\S+): \d+ required .* missing$)"), "$1: falta su valor"},
    {std::regex(R"(^Could not convert: (.*)$)"), "Valor no válido: $1"},
};

}  // namespace

void AyudaEnCastellano(CLI::App& app) {
  auto formato = app.get_formatter();
  formato->label("Usage", "Uso");
  formato->label("OPTIONS", "OPCIONES");
  formato->label("SUBCOMMAND", "COMANDO");
  formato->label("SUBCOMMANDS", "COMANDOS");
  formato->label("Positionals", "Argumentos");
  formato->label("REQUIRED", "OBLIGATORIO");
  formato->label("Needs", "Necesita");
  formato->label("Excludes", "Excluye");
  formato->label("Env", "Variable");
  app.option_defaults()->group("Opciones");
  app.set_help_flag("-h,--help", "Muestra esta ayuda y termina");
}

std::string ErrorDeUsoEnCastellano(const CLI::App*, const CLI::Error& e) {
  std::string texto = e.what();
  for (const auto& [patron, castellano] : kMensajes) {
    if (std::regex_match(texto, patron)) {
      texto = std::regex_replace(texto, patron, castellano);
      break;
    }
  }
  return texto + "\nVea --help.\n";
}
