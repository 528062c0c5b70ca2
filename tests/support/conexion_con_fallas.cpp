#include "tests/support/conexion_con_fallas.h"

#include <cctype>

#include "platform/odbc_conexion.h"

namespace ado {
namespace {

std::shared_ptr<PlanDeFallas> planActual;

std::shared_ptr<Connection> CrearConFallas() {
  return std::make_shared<ConexionConFallas>(std::make_shared<OdbcConnection>(), planActual);
}

bool EmpiezaCon(const std::string& texto, size_t desde, const char* palabra) {
  for (size_t i = 0; palabra[i] != '\0'; ++i) {
    if (desde + i >= texto.size() ||
        std::toupper(static_cast<unsigned char>(texto[desde + i])) != palabra[i]) {
      return false;
    }
  }
  return true;
}

}  // namespace

Error ErrorSimulado() {
  Error e;
  e.Number = kEFail;
  e.NativeError = 1205;
  e.SQLState = "40001";
  e.Description =
      "Transaction (Process ID 53) was deadlocked on lock resources with another process and "
      "has been chosen as the deadlock victim. Rerun the transaction.";
  e.Source = "Microsoft OLE DB Provider for SQL Server";
  return e;
}

bool PlanDeFallas::DebeFallar(Llamada k, const std::string& texto) {
  if (falla.llamada != Llamada::Cualquiera && falla.llamada != k) return false;
  if (!falla.texto.empty() && texto.find(falla.texto) == std::string::npos) return false;
  ++llamadas;
  if (falla.n <= 0) return false;
  return falla.persistente ? llamadas >= falla.n : llamadas == falla.n;
}

Llamada ClaseDeTexto(const std::string& texto) {
  size_t i = 0;
  while (i < texto.size() && std::isspace(static_cast<unsigned char>(texto[i]))) ++i;
  // A batch that opens with its own transaction is a statement: its BEGIN is not the call.
  const bool soloPalabra = texto.find_first_of("\r\n", i) == std::string::npos;
  if (EmpiezaCon(texto, i, "SELECT") || EmpiezaCon(texto, i, "WITH ")) return Llamada::Consulta;
  if (soloPalabra && EmpiezaCon(texto, i, "BEGIN TRAN")) return Llamada::Inicio;
  if (EmpiezaCon(texto, i, "COMMIT")) return Llamada::Confirmacion;
  if (EmpiezaCon(texto, i, "ROLLBACK")) return Llamada::Reversion;
  return Llamada::Sentencia;
}

void ConexionConFallas::QuizasFallar(Llamada k, const std::string& texto) {
  if (!plan_ || !plan_->DebeFallar(k, texto)) return;
  ++plan_->fallas;
  Errors().Clear();
  Errors().Add(plan_->falla.error);
  throw plataforma::ErrorEjecucion(plan_->falla.error.Number, plan_->falla.error.Description,
                                   plan_->falla.error.Source);
}

std::optional<Resultado> ConexionConFallas::Execute(const std::string& text, int32_t* n,
                                                    int32_t o) {
  if (plan_) plan_->textos.push_back(text);
  QuizasFallar(ClaseDeTexto(text), text);
  return ConnectionWrapper::Execute(text, n, o);
}

void ConexionConFallas::BeginTrans() {
  QuizasFallar(Llamada::Inicio);
  ConnectionWrapper::BeginTrans();
}

void ConexionConFallas::CommitTrans() {
  QuizasFallar(Llamada::Confirmacion);
  ConnectionWrapper::CommitTrans();
}

void ConexionConFallas::RollbackTrans() {
  QuizasFallar(Llamada::Reversion);
  ConnectionWrapper::RollbackTrans();
}

void InstalarFallas(std::shared_ptr<PlanDeFallas> plan) {
  planActual = std::move(plan);
  EstablecerFabricaConexiones(&CrearConFallas);
}

void QuitarFallas() {
  EstablecerFabricaConexiones(nullptr);
  planActual.reset();
}

}  // namespace ado
