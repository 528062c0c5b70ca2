#include "data/traza.h"

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>

#include "platform/ado.h"
#include "platform/archivos.h"

namespace {

std::string& ArchivoElegido() {
  static std::string archivo;
  return archivo;
}

bool& FallaDeTraza() {
  static bool fallo = false;
  return fallo;
}

// Replaces the first capture group of every match of `patron` by "****".
std::string OcultarGrupo(const std::string& texto, const std::regex& patron) {
  std::string resultado;
  auto inicio = texto.cbegin();
  std::smatch m;
  while (std::regex_search(inicio, texto.cend(), m, patron)) {
    resultado.append(inicio, m[1].first);
    resultado += "****";
    inicio = m[1].second;
  }
  resultado.append(inicio, texto.cend());
  return resultado;
}

}  // namespace

void EstablecerTraza(const std::string& archivo) {
  ArchivoElegido() = archivo;
  FallaDeTraza() = false;
}

std::string ArchivoTraza() {
  if (!ArchivoElegido().empty()) return ArchivoElegido();
  return plataforma::Entorno("IMPORTADOR_TRAZA");
}

// Asked several times for every statement: no copy of the name.
bool TrazaActiva() {
  if (!ArchivoElegido().empty()) return true;
  const char* variable = std::getenv("IMPORTADOR_TRAZA");
  return variable && *variable;
}

std::string OcultaClaves(const std::string& texto) {
  static const std::regex addlogin(R"(sp_addlogin\s+[^,]*,\s*N?'([^']*)')", std::regex::icase);
  static const std::regex password(R"(sp_password\s+N?'([^']*)')", std::regex::icase);
  static const std::regex nuevaClave(R"(sp_password\s+[^,]*,\s*N?'([^']*)')", std::regex::icase);
  static const std::regex login(R"(LOGIN\b[^;]*?PASSWORD\s*=\s*N?'([^']*)')", std::regex::icase);
  // Oracle: CREATE/ALTER USER ... IDENTIFIED BY "clave" (quoted or bare).
  static const std::regex usuario(R"(IDENTIFIED\s+BY\s+("[^"]*"|[^\s";]+))", std::regex::icase);
  std::string resultado = texto;
  for (const auto* patron : {&addlogin, &password, &nuevaClave, &login, &usuario}) {
    resultado = OcultarGrupo(resultado, *patron);
  }
  return resultado;
}

void TrazarSentencia(const std::string& op, const std::string& sql,
                     const std::vector<std::string>& enviados, const ado::ErrorCollection& errores,
                     std::optional<int64_t> filas) {
  std::string archivo = ArchivoTraza();
  if (archivo.empty()) return;
  nlohmann::json linea;
  linea["op"] = op;
  linea["sql"] = OcultaClaves(sql);
  linea["sent"] = nlohmann::json::array();
  for (const auto& texto : enviados) linea["sent"].push_back(OcultaClaves(texto));
  linea["errors"] = nlohmann::json::array();
  for (const auto& e : errores.Items()) {
    linea["errors"].push_back({{"number", e.Number},
                               {"native", e.NativeError},
                               {"state", e.SQLState},
                               {"description", e.Description}});
  }
  linea["rows"] = filas ? nlohmann::json(*filas) : nlohmann::json(nullptr);
  std::ofstream salida(archivo, std::ios::app | std::ios::binary);
  salida << linea.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  salida.flush();
  if (!salida) FallaDeTraza() = true;
}

bool TrazaFallida() { return FallaDeTraza(); }
