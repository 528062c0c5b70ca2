#pragma once
// "BASES.TXT" beside the program: the registered connections, one line each of name, database,
// user, enciphered password and server separated by ",", ended by CR LF, in Windows-1252. An
// Oracle server is stored with a trailing "#".

#include <string>
#include <vector>

struct BaseRegistrada {
  std::string nombre;
  std::string base;
  std::string usuario;
  std::string claveCifrada;
  std::string servidor;
};

// Path of "BASES.TXT" in the program's folder.
std::string RutaBasesRegistradas();

// True when a value holds a "," or a line end, which would shift the fields of its line.
bool TieneSeparadorDeCampo(const std::string& texto);

// The registered connections of the file at `ruta`, in file order; a short last record keeps
// empty fields. Raises plataforma::ErrorEjecucion when the file cannot be read.
std::vector<BaseRegistrada> LeerBasesRegistradas(const std::string& ruta);

// Appends one record, each field trimmed. Raises plataforma::ErrorEjecucion 5 when a field
// holds a separator, 75 when the file cannot be written.
void AgregarBaseRegistrada(const std::string& ruta, const BaseRegistrada& base);
