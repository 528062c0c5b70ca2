#pragma once
// The batch mode: connects with the parameter string, then acts as an operator of the import
// window who selects a mode, types the path, counter-account and concept and presses
// "Ejecutar" (or runs the price-list tool). Dialogs are printed on standard error and answered
// by policy; the run summary goes to standard output.

#include <optional>
#include <string>

struct OpcionesLote {
  int modo = -1;                        // optOpcion index 0-6; -1 with --lista
  std::string archivo;                  // txtRuta
  std::optional<std::string> cuenta;    // replaces the proposed counter-account
  std::optional<std::string> concepto;  // replaces the initial concept text
  bool ensayo = false;                  // --ensayo: a dry run, rolled back at its end
  bool ignorarErrores = false;          // --ante-error ignorar: Ignore instead of Abort
  int esperaSegundos = 0;               // --esperar: wait for another run's company lock
  int maximoRechazos = 50;              // --max-rechazos: refusals in a row before the run stops
  std::string traza;                    // statement trace file
  std::string informeJson;              // --informe-json: the run report as JSON
  std::string lista;                    // --lista: price-list file
  std::string parametros;               // the start-up parameter string
  std::string archivoClave;             // --clave-archivo: the password's file
};

// Exit statuses of the batch mode.
inline constexpr int kLoteFinalizado = 0;    // the run reached its closing message
inline constexpr int kLoteInterrumpido = 1;  // the run ended before it
inline constexpr int kLoteUso = 2;  // usage error, no connection, or a file refused unread
inline constexpr int kLoteParcial = 3;       // the run reached its end with lines not posted
inline constexpr int kLoteOcupada = 4;       // another import run holds the company

int EjecutarLote(const OpcionesLote& opciones);
