#pragma once
// The command line's own texts in Spanish: the help's headings, the help and version flags, and
// the usage errors of the parser, which it writes in English.

#include <string>

namespace CLI {
class App;
class Error;
}  // namespace CLI

// Headings, group names and the help flag of `app` in Spanish; call before adding options.
void AyudaEnCastellano(CLI::App& app);

// A usage error of the parser said in Spanish, ending with the pointer to --help.
std::string ErrorDeUsoEnCastellano(const CLI::App* app, const CLI::Error& e);
