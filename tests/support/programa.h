#pragma once
// The built program as the command-line tests run it: where it is, one run through the shell
// with its standard output, standard error and exit status captured, and reading a file back.

#include <string>

// build/app/importador, found from the running test binary in build/tests/.
std::string RutaPrograma();

// The whole text of a file; empty when it cannot be read.
std::string LeerArchivo(const std::string& ruta);

struct CorridaPrograma {
  int estado = -1;  // exit status; -1 when the program did not end by itself
  std::string salida, errores;
};

// Runs `<antes>IMPORTADOR_CARPETA=<carpeta> <program> <argumentos>` through the shell with no
// standard input; standard output and error go to salida.txt and errores.txt in `carpeta`
// (which ends with "/") and are read back. `argumentos` are shell words, quoted by the caller;
// `antes` is a command prefix such as "env -u DISPLAY ".
CorridaPrograma CorrerPrograma(const std::string& carpeta, const std::string& argumentos,
                               const std::string& antes = "");
