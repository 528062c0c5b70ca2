#include <algorithm>
#include <string>
#include <vector>

#include "data/db_dll.h"
#include "data/dialecto_sqlite.h"
#include "data/literales.h"
#include "utility/utilidades.h"

namespace {

constexpr size_t npos = std::string::npos;

const std::string kCR = "\r";
const std::string kCRLF = "\r\n";

// Applied in this order, every occurrence, letter case ignored.
const std::vector<std::pair<std::string, std::string>>& Normalizacion() {
  static const std::vector<std::pair<std::string, std::string>> k = {
      {"SET NOCOUNT ON", ""},
      {"SET NOCOUNT OFF", ""},
      {" GO ", " "},
      {kCRLF + "GO ", " "},
      {kCRLF + "GO ", " "},
      {kCRLF + "GO" + kCRLF, " "},
      {kCR, " "},
      {kCRLF, " "},
      {"BEGIN TRANSACTION", "SET TRANSACTION"},
      {"BEGIN TRANS", "SET TRANSACTION"},
      {"COMMIT TRANSACTION", "COMMIT"},
      {"COMMIT TRANS", "COMMIT"},
      {"ROLLBACK TRANSACTION", "ROLLBACK"},
      {"ROLLBACK TRANS", "ROLLBACK"},
  };
  return k;
}

// The words that start a statement of a batch; the trailing blanks belong to the word. The
// savepoints of a dry run are statements of their own.
const std::vector<std::string>& PalabrasClave() {
  static const std::vector<std::string> k = {"INSERT ",         "DELETE ",
                                             "UPDATE ",         "CREATE ",
                                             "DROP ",           "ALTER ",
                                             "SET TRANSACTION", "COMMIT",
                                             "ROLLBACK",        "IF NOT EXIST",
                                             "IF EXIST",        "GRANT ",
                                             "SAVEPOINT ",      "ROLLBACK TO SAVEPOINT "};
  return k;
}

// The length of the longest keyword at `pos`: the next statement is looked for after it, so
// the SAVEPOINT of "ROLLBACK TO SAVEPOINT" does not start one.
size_t LargoDeClave(const std::string& lote, size_t pos) {
  size_t largo = 1;
  for (const std::string& clave : PalabrasClave()) {
    if (utilidad::IgualSinCaso(lote.substr(pos, clave.size()), clave)) {
      largo = std::max(largo, clave.size());
    }
  }
  return largo;
}

// Smallest position at or after `desde` where any keyword occurs; npos when none does. The
// batch is masked, so a keyword inside a literal is never seen.
size_t PrimeraClave(const std::string& lote, size_t desde) {
  size_t mejor = npos;
  for (const std::string& clave : PalabrasClave()) {
    size_t p = utilidad::InStrSinCaso(lote, clave, desde + 1);
    if (p != 0 && p - 1 < mejor) mejor = p - 1;
  }
  return mejor;
}

// Blanks, tabs and line ends: after the normalisation a CR LF script still has its LFs, and
// "SET TRANSACTION" followed by one must still begin the transaction.
std::string Recortar(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r\n");
  if (a == npos) return "";
  return s.substr(a, s.find_last_not_of(" \t\r\n") - a + 1);
}

bool Empieza(const std::string& texto, const std::string& prefijo) {
  return utilidad::InStrSinCaso(texto, prefijo) == 1;
}

}  // namespace

std::string DB_Dll::EjecutaLoteOracle(std::string& Lote, int32_t& RecordsAffected) {
  // The literals are masked while the batch is normalised and cut, so neither step changes a
  // stored text nor cuts a statement at a word inside one.
  literales::Enmascarado mascara(Lote);
  std::string lote = mascara.Texto();
  for (const auto& [buscar, reemplazo] : Normalizacion()) {
    lote = utilidad::ReemplazarSinCaso(lote, buscar, reemplazo);
  }

  std::vector<std::string> sentencias;
  for (size_t inicio = PrimeraClave(lote, 0); inicio != npos; inicio = PrimeraClave(lote, 0)) {
    size_t siguiente = PrimeraClave(lote, inicio + LargoDeClave(lote, inicio));
    size_t fin = siguiente == npos ? lote.size() : siguiente;
    sentencias.push_back(Recortar(lote.substr(inicio, fin - inicio)));
    lote = lote.substr(fin);
  }

  ado::Connection& cnn = Cnn();
  for (size_t i = 0; i < sentencias.size(); ++i) {
    std::string sentencia = sentencias[i];
    // The cut separates IF NOT EXISTS(...) from the INSERT it guards; joined again they become
    // one guarded INSERT, so the row is not written a second time.
    if (i + 1 < sentencias.size() && Empieza(sentencia, "IF NOT EXIST") &&
        Empieza(sentencias[i + 1], "INSERT ")) {
      std::string unida = InsercionCondicionada(sentencia + " " + sentencias[i + 1], " FROM DUAL");
      if (!Empieza(unida, "IF ")) {
        sentencia = unida;
        ++i;
      }
    }

    if (utilidad::IgualSinCaso(sentencia, "SET TRANSACTION")) {
      cnn.BeginTrans();
    } else if (utilidad::IgualSinCaso(sentencia, "COMMIT")) {
      cnn.CommitTrans();
    } else if (utilidad::IgualSinCaso(sentencia, "ROLLBACK")) {
      cnn.RollbackTrans();
    } else {
      std::string texto;
      try {
        texto = ORACLE_Dicc(mascara.Restaura(sentencia));
      } catch (const plataforma::ErrorEjecucion& e) {
        // A statement that cannot be converted never reaches the server; the error list must
        // still tell the caller that the batch failed.
        cnn.Errors().Clear();
        cnn.Errors().Add(ado::Error{e.Number, 0, "", e.Description, e.Source});
        throw;
      }
      texto = FiltraSentenciaOracle(texto);
      if (!utilidad::Trim(texto).empty()) {
        int32_t filas = 0;
        cnn.Execute(texto, &filas, -1);
        RecordsAffected += filas;
      }
    }
  }

  ado::ErrorCollection& errores = cnn.Errors();
  if (errores.Count() == 1 && errores.Item(0).Number == ado::kDbSNoResult) errores.Clear();
  return "";
}

std::string DB_Dll::FiltraSentenciaOracle(std::string& Sentencia) {
  // Only the code of the statement counts: a concept text that mentions these words is data.
  if (literales::BuscarFuera(Sentencia, "SET NOCOUNT") != npos ||
      literales::BuscarFuera(Sentencia, "IF NOT EXIST") != npos) {
    Sentencia.clear();
  }
  return Sentencia;
}
