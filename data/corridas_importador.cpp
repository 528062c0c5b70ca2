// The importer's table of runs in the company database (see the header).

#include "data/corridas_importador.h"

#include <cstdlib>
#include <string>
#include <variant>
#include <vector>

#include "data/db_dll.h"
#include "data/literales.h"
#include "platform/error_ejecucion.h"
#include "utility/utilidades.h"

namespace {

// Types every engine knows once converted (Oracle reads DATETIME as DATE); the texts are cut
// to their widths before they are written, so a long path never refuses the row.
constexpr const char* kCrearTabla =
    "CREATE TABLE TA_IMPORTADOR_CORRIDAS (Corrida VARCHAR(32) NOT NULL, Operador VARCHAR(50) "
    "NULL, Equipo VARCHAR(100) NULL, Proceso INT NULL, Modo VARCHAR(50) NULL, Archivo "
    "VARCHAR(255) NULL, Inicio DATETIME NULL, TriggersDesde DATETIME NULL, CONSTRAINT "
    "PK_TA_IMPORTADOR_CORRIDAS PRIMARY KEY (Corrida))";

std::string Texto(const std::string& valor, int ancho) {
  return literales::ComoLiteral(utilidad::AjustaAncho(valor, ancho));
}

// A date and time as every engine reads a literal: day/month/year with "/" and the time with
// ":" whatever the regional settings (SQL Server reads a dash-separated year first as
// year-day-month under the session's dmy format).
std::string Fecha(const plataforma::FechaHora& f) {
  const std::string iso = plataforma::FechaIso(f);  // yyyy-mm-dd hh:mm:ss
  return "'" + iso.substr(8, 2) + "/" + iso.substr(5, 2) + "/" + iso.substr(0, 4) +
         iso.substr(10) + "'";
}

// Runs one statement; raises the first error of the session's list when refused.
void Ejecutar(std::string sql) {
  DB().EjecutaConsultaSQL(sql);
  const auto& errores = DB().Cnn().Errors();
  if (errores.Count() == 0) return;
  const auto& e = errores.Item(0);
  throw plataforma::ErrorEjecucion(e.Number, e.Description, e.Source);
}

plataforma::FechaHora FechaDe(const plataforma::Valor& v) {
  if (const auto* f = std::get_if<plataforma::FechaHora>(&v)) return *f;
  return plataforma::LeerFecha(utilidad::Trim(utilidad::ValorCampo(v)))
      .value_or(plataforma::FechaHora{});
}

long numeroDeCorridas = 0;

}  // namespace

std::string ClaveDeCorrida(const CorridaAnotada& c) {
  ++numeroDeCorridas;
  return utilidad::Sha256Hex(c.operador + "\n" + c.equipo + "\n" + std::to_string(c.proceso) +
                             "\n" + plataforma::FechaIso(c.inicio) + "\n" + c.modo + "\n" +
                             c.archivo + "\n" + std::to_string(numeroDeCorridas))
      .substr(0, 32);
}

void AnotarTriggersDeshabilitados(const CorridaAnotada& c) {
  if (!DB().ExisteTablaDB(kTablaCorridas)) Ejecutar(kCrearTabla);
  Ejecutar(std::string("INSERT INTO ") + kTablaCorridas +
           " (Corrida, Operador, Equipo, Proceso, Modo, Archivo, Inicio, TriggersDesde) VALUES (" +
           Texto(c.corrida, 32) + ", " + Texto(c.operador, 50) + ", " + Texto(c.equipo, 100) +
           ", " + std::to_string(c.proceso) + ", " + Texto(c.modo, 50) + ", " +
           Texto(c.archivo, 255) + ", " + Fecha(c.inicio) + ", " + Fecha(c.triggersDesde) + ")");
}

void QuitarCorridas(const std::vector<std::string>& corridas) {
  if (corridas.empty()) return;
  std::string lista;
  for (const std::string& c : corridas) lista += (lista.empty() ? "" : ", ") + Texto(c, 32);
  Ejecutar(std::string("DELETE FROM ") + kTablaCorridas + " WHERE Corrida IN (" + lista + ")");
}

std::vector<CorridaAnotada> CorridasConTriggersDeshabilitados() {
  std::vector<CorridaAnotada> corridas;
  if (!DB().ExisteTablaDB(kTablaCorridas)) return corridas;
  std::string sql = std::string(
                        "SELECT Corrida, Operador, Equipo, Proceso, Modo, Archivo, Inicio, "
                        "TriggersDesde FROM ") +
                    kTablaCorridas + " WHERE TriggersDesde IS NOT NULL ORDER BY TriggersDesde";
  ado::Recordset rs;
  DB().AbrirRecordset(sql, rs);
  if (rs.State() != ado::adStateOpen) {
    const auto& errores = DB().Cnn().Errors();
    throw plataforma::ErrorEjecucion(
        errores.Count() > 0 ? errores.Item(0).Number : ado::kEFail,
        "No se pudo leer " + std::string(kTablaCorridas) +
            (errores.Count() > 0 ? ": " + errores.Item(0).Description : ""));
  }
  for (; !rs.EOF(); rs.MoveNext()) {
    CorridaAnotada c;
    auto texto = [&](const char* campo) {
      return utilidad::Trim(utilidad::ValorCampo(rs.Fields(campo).Value()));
    };
    c.corrida = texto("Corrida");
    c.operador = texto("Operador");
    c.equipo = texto("Equipo");
    c.proceso = std::atol(texto("Proceso").c_str());
    c.modo = texto("Modo");
    c.archivo = texto("Archivo");
    c.inicio = FechaDe(rs.Fields("Inicio").Value());
    c.triggersDesde = FechaDe(rs.Fields("TriggersDesde").Value());
    corridas.push_back(std::move(c));
  }
  DB().CierraRecordset(rs);
  return corridas;
}
