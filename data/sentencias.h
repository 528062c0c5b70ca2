#pragma once
// The statement builder shared by every writer: AgregaCampo collects columns and their
// literals, ArmaSentencia composes an INSERT or UPDATE of them, AgregaSentencia adds it to a list,
// EjecutaSentencias sends a list as one transaction, FmtMoneda rounds and formats amounts.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "data/conexiones.h"

// Quote kinds of AgregaCampo.
inline const std::string kComilla = "'";  // text and date columns
inline const std::string kNumero = "@";   // number columns

// One pending column: its name and its SQL literal.
using ParCampo = std::pair<std::string, std::string>;
using ListaCampos = std::vector<ParCampo>;
using ListaSentencias = std::vector<std::string>;

// Appends the column `Campo` with the literal of `Valor` to `Campos`: single quotes are removed
// from the value; a value reading NULL in any case gives the literal Null.
void AgregaCampo(ListaCampos& Campos, const std::string& Campo, std::string Valor,
                 const std::string& Comilla);
// The INSERT (EsUpdate false) or UPDATE of `Campos` on `Tabla`; an UPDATE's condition is written
// after " WHERE " when it has no WHERE of its own.
std::string ArmaSentencia(const ListaCampos& Campos, const std::string& Tabla, bool EsUpdate,
                          const std::string& Condicion = "");
// Appends a composed statement and the empty element that follows every statement of a batch.
void AgregaSentencia(ListaSentencias& Sentencias, std::string Sentencia);
// Sends the list as one transaction; on a database error rolls back and shows the first
// error's description ("Atención"). Returns true when committed.
// A batch refused because the database was busy or chose it as a deadlock victim is undone and
// sent again a few times before it counts as refused.
bool EjecutaSentencias(ListaSentencias& Sentencias);
// During a dry run (DB().EnEnsayo()) a batch is a savepoint inside the run's transaction instead
// of a transaction of its own, so a refused batch undoes only itself and nothing is committed.
struct PuntoDeGuardado {
  std::string abrir;     // sent before the batch's statements, in the same text
  std::string liberar;   // sent after they all ran; "" where a savepoint needs no release
  std::string deshacer;  // undoes the batch alone; the run's transaction stays open
};
// The savepoint texts of an engine (each sent as it stands: no dialect conversion changes them).
const PuntoDeGuardado& PuntoDeGuardadoDe(Plataforma plataforma);
// The same for a batch that writes one journal entry: when the database refuses it because
// another entry holds its number (the journal's unique entry-number index), `renumerar`
// composes it again with a fresh number and it is sent again, a few times, without a dialog.
bool EjecutaAsiento(ListaSentencias& Sentencias, const std::function<void()>& renumerar);
// The database's description of the last batch that EjecutaSentencias or EjecutaAsiento counted
// as refused.
const std::string& UltimoRechazo();
// The file and line a refusal's dialog names first ("Archivo F, línea N"), set by the run for
// each line (the file must outlive the line); nullptr outside a run's line.
void EstablecerOrigenDeLote(const std::string* archivo, int64_t linea);
// While set, a refused batch is counted and recorded but shows no dialog (the operator chose to
// go on after many refusals of the same kind).
void SilenciarRechazos(bool silenciar);
// Decimals code: -3 unchanged, -1 the session's decimals, 0 the regional currency digits,
// -2 none, otherwise that many.
std::string FmtMoneda(const std::string& Valor, int Decimales, bool ConSeparadores);
