#pragma once
// A connection that fails on purpose: the N-th call of a chosen kind (a statement, a query that
// returns rows, a begin, a commit, a rollback) raises a chosen error, once or from then on.
// It fails as a driver does: the error list holds the entry, then ErrorEjecucion is raised with
// its number, and nothing reaches the database. Recordsets are fetched whole by the query, so a
// fetch cannot fail on its own: a failing query stands for it.
//
//   auto plan = std::make_shared<ado::PlanDeFallas>();
//   plan->falla = {ado::Llamada::Confirmacion, 3, false, ado::ErrorSimulado()};
//   ado::InstalarFallas(plan);   // every connection created from now on goes through it
//   ...
//   ado::QuitarFallas();         // back to plain ODBC connections

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ado.h"

namespace ado {

// The kinds of call that can be made to fail. Transaction words sent as texts count as the
// connection calls they stand for ("COMMIT TRANSACTION" is a Confirmacion).
enum class Llamada {
  Sentencia,     // Execute of a text that returns no rows (INSERT, UPDATE, DDL, batches)
  Consulta,      // Execute of a query (SELECT): the open of a recordset
  Inicio,        // BeginTrans or "BEGIN TRANSACTION"
  Confirmacion,  // CommitTrans or "COMMIT TRANSACTION"
  Reversion,     // RollbackTrans or "ROLLBACK TRANSACTION"
  Cualquiera,    // every call above
};

// What to fail: the n-th call of `llamada` (1-based; 0 never), only that one or that one and
// every later call of the kind.
struct Falla {
  Llamada llamada = Llamada::Cualquiera;
  int n = 0;
  bool persistente = false;
  Error error;
  std::string texto;  // only calls whose text holds this fragment count (empty: every call)
};

// A server refusal as SQL Server reports one: a deadlock victim (native 1205).
Error ErrorSimulado();

// Shared by every connection the plan's factory creates, so a test counts calls across a
// reconnection. Not thread-safe: the program runs on one thread.
struct PlanDeFallas {
  Falla falla;
  int llamadas = 0;                 // calls of the plan's kind so far
  int fallas = 0;                   // failures raised
  std::vector<std::string> textos;  // every text handed to Execute, failed or not

  // Counts one call of kind `k`; true when this one must fail.
  bool DebeFallar(Llamada k, const std::string& texto = "");
};

// The kind of call a text stands for.
Llamada ClaseDeTexto(const std::string& texto);

class ConexionConFallas : public ConnectionWrapper {
 public:
  ConexionConFallas(std::shared_ptr<Connection> destino, std::shared_ptr<PlanDeFallas> plan)
      : ConnectionWrapper(std::move(destino)), plan_(std::move(plan)) {}

  std::optional<Resultado> Execute(const std::string& text, int32_t* n, int32_t o) override;
  void BeginTrans() override;
  void CommitTrans() override;
  void RollbackTrans() override;

 private:
  void QuizasFallar(Llamada k, const std::string& texto = "");
  std::shared_ptr<PlanDeFallas> plan_;
};

// Installs a connection factory whose connections are ODBC connections behind the plan.
void InstalarFallas(std::shared_ptr<PlanDeFallas> plan);
void QuitarFallas();

}  // namespace ado
