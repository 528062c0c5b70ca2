#pragma once
// TA_IMPORTADOR_CORRIDAS, the importer's own table of runs in the company database. A run that
// switches the journal's triggers off writes its row first and removes it after switching them
// on again, so a row left behind names the run that ended with them off (killed, power cut).
// Created on first use on every engine, in the SQL Server dialect converted as every statement
// is; the columns are the run's own data, for a record of every run to extend.

#include <string>
#include <vector>

#include "platform/regional.h"

inline constexpr const char* kTablaCorridas = "TA_IMPORTADOR_CORRIDAS";

struct CorridaAnotada {
  std::string corrida;  // the row's key, one per run
  std::string operador, equipo;
  long proceso = 0;
  std::string modo, archivo;
  plataforma::FechaHora inicio;         // when the run began (this computer's clock)
  plataforma::FechaHora triggersDesde;  // when it switched the journal's triggers off
};

// A key no other run of any computer shares: a digest of the run's data and of a count of this
// process's runs.
std::string ClaveDeCorrida(const CorridaAnotada& c);

// Writes the run's row, creating the table when the company has none. Raises ErrorEjecucion
// with the database's words when it is refused.
void AnotarTriggersDeshabilitados(const CorridaAnotada& c);
// Removes these runs' rows. Raises ErrorEjecucion with the database's words when refused.
void QuitarCorridas(const std::vector<std::string>& corridas);
// The rows of runs that switched the triggers off and did not switch them on, oldest first;
// none when the company has no such table. Raises ErrorEjecucion when the read is refused.
std::vector<CorridaAnotada> CorridasConTriggersDeshabilitados();
