#include <regex>
#include <string>

#include "data/db_dll.h"
#include "data/literales.h"
#include "platform/regional.h"
#include "utility/utilidades.h"

namespace {

using literales::Enmascarado;
using utilidad::ReemplazarSinCaso;

constexpr size_t npos = std::string::npos;

// Position of `buscar` in `texto` from `desde`, letter case ignored.
size_t Buscar(const std::string& texto, const std::string& buscar, size_t desde = 0) {
  size_t p = utilidad::InStrSinCaso(texto, buscar, desde + 1);
  return p == 0 ? npos : p - 1;
}

// Rewrite 1: TOP n becomes a ROWNUM limit placed before GROUP BY or ORDER BY.
std::string TopARownum(const std::string& r) {
  if (Buscar(r, "top ") == npos) return r;
  size_t p = Buscar(r, "top");
  std::string cabeza = r.substr(0, p);
  std::string resto = utilidad::Trim(r.substr(p + 3));
  size_t blanco = resto.find(' ');
  std::string n = resto.substr(0, blanco);
  std::string cuerpo = blanco == npos ? "" : resto.substr(blanco + 1);
  std::string grupo, orden;
  if (size_t g = Buscar(r, " GROUP BY "); g != npos) {
    grupo = r.substr(g);
  } else if (size_t o = Buscar(r, "ORDER BY "); o != npos) {
    orden = r.substr(o);
  }
  std::string limite = (Buscar(r, " WHERE ") == npos ? " WHERE ROWNUM <= " : " AND ROWNUM <= ");
  limite += n;
  cuerpo = ReemplazarSinCaso(cuerpo, utilidad::Trim(grupo), " ");
  cuerpo = ReemplazarSinCaso(cuerpo, utilidad::Trim(orden), " ");
  return cabeza + " " + cuerpo + " " + limite + " " + grupo + " " + orden;
}

// Rewrite 2: LEN with zero to four blanks before its parenthesis.
std::string Longitud(std::string r) {
  for (const char* f : {" LEN(", " LEN (", " LEN  (", " LEN   (", " LEN    ("}) {
    r = ReemplazarSinCaso(r, f, " LENGTH(");
  }
  return r;
}

// Rewrite 3: [name] becomes "name".
std::string Corchetes(std::string r) {
  for (char& c : r) {
    if (c == '[' || c == ']') c = '"';
  }
  return r;
}

// The TO_DATE call of a date: date only, or with its time when the literal carries one (so a
// stored time of day is not lost).
std::string ADate(const plataforma::FechaHora& f) {
  if (f.hora == 0 && f.minuto == 0 && f.segundo == 0) {
    return "TO_DATE('" + plataforma::FormatearFecha(f, "dd/mm/yyyy") + "','DD/MM/YYYY')";
  }
  return "TO_DATE('" + plataforma::FormatearFecha(f, "dd/mm/yyyy hh:nn:ss") +
         "','DD/MM/YYYY HH24:MI:SS')";
}

// A date converted twice, TO_DATE(TO_DATE('d','DD/MM/YYYY'),'DD/MM/YYYY'), as one call. The
// calls and their format literals are matched in the code around the literals, so a value that
// holds such a text keeps it.
std::string SinFechaDoble(std::string r) {
  static const std::string kDoble = "TO_DATE(TO_DATE(";
  static const std::string kCierre = "'DD/MM/YYYY'),'DD/MM/YYYY')";
  bool cambio = literales::BuscarFuera(r, kDoble) != npos;
  while (cambio) {
    cambio = false;
    std::string t;
    t.reserve(r.size());
    // The code between two literals, one call less at each double call.
    auto codigo = [&](size_t desde, size_t hasta) {
      for (size_t p = desde; p < hasta;) {
        if (utilidad::IgualSinCaso(r.substr(p, kDoble.size()), kDoble)) {
          t.append(r, p, 8);
          p += kDoble.size();
          cambio = true;
        } else {
          t += r[p++];
        }
      }
    };
    size_t i = 0;
    for (const literales::Literal& lit : literales::Literales(r)) {
      if (lit.inicio < i) continue;  // the second format literal of a closing already taken
      codigo(i, lit.inicio);
      if (utilidad::IgualSinCaso(r.substr(lit.inicio, kCierre.size()), kCierre)) {
        t += "'DD/MM/YYYY')";
        i = lit.inicio + kCierre.size();
      } else {
        t.append(r, lit.inicio, lit.fin - lit.inicio);
        i = lit.fin;
      }
    }
    codigo(i, r.size());
    r = std::move(t);
  }
  return r;
}

// Rewrite 4: quoted dates become TO_DATE calls; works on the literals themselves.
std::string Fechas(const std::string& r) {
  std::string copia;
  size_t desde = 0;
  for (const literales::Literal& lit : literales::Literales(r)) {
    if (!lit.cerrado) {
      throw plataforma::ErrorEjecucion(plataforma::kErrArgumentoInvalido,
                                       "Falta el apostrofo de cierre en la sentencia: " + r,
                                       "ORACLE_Dicc");
    }
    copia.append(r, desde, lit.inicio - desde);
    std::string literal = r.substr(lit.inicio, lit.fin - lit.inicio);
    auto fecha = plataforma::LeerFecha(literales::ContenidoLiteral(literal));
    copia += fecha ? ADate(*fecha) : literal;
    desde = lit.fin;
  }
  copia.append(r, desde, npos);
  return SinFechaDoble(copia);
}

// Rewrite 7: comparisons with the empty text become IS NULL from the first WHERE on.
std::string VacioANulo(const std::string& r) {
  size_t w = Buscar(r, "WHERE ");
  if (w == npos) return r;
  std::string cola = ReemplazarSinCaso(r.substr(w), "= ''", " IS NULL ");
  cola = ReemplazarSinCaso(cola, "=''", " IS NULL ");
  return r.substr(0, w) + cola;
}

// Rewrite 8: style 103 of a TO_CHAR call becomes its Oracle format.
std::string Estilo103(std::string r) {
  static const std::string kFormato = "'DD/MM/YYYY'";
  size_t p = r.find("103");
  while (p != npos) {
    size_t abre = r.rfind('(', p);
    size_t siguiente = p + 3;
    if (abre != npos && abre >= 7 && utilidad::IgualSinCaso(r.substr(abre - 7, 8), "TO_CHAR(")) {
      r.replace(p, 3, kFormato);
      siguiente = p + kFormato.size();
    }
    p = r.find("103", siguiente);
  }
  return r;
}

// Oracle has no table hints: the lookups' with(nolock) would make every one of them fail.
std::string SinSugerencias(const std::string& r) {
  static const std::regex kNolock(R"(\s*\bWITH\s*\(\s*NOLOCK\s*\))",
                                  std::regex::ECMAScript | std::regex::icase);
  return std::regex_replace(r, kNolock, "");
}

// Oracle's DATE holds the time of day as SQL Server's DATETIME does; Oracle has no DATETIME.
std::string TipoFecha(const std::string& r) {
  static const std::regex kDatetime(R"(\bDATETIME\b)", std::regex::ECMAScript | std::regex::icase);
  return std::regex_replace(r, kDatetime, "DATE");
}

}  // namespace

std::string DB_Dll::ORACLE_Dicc(const std::string& Valor) {
  if (!utilidad::ContieneSinCaso(gConnString, "ORACLE")) return Valor;
  if (utilidad::CuentaPalabras(Valor) <= 1) {
    return utilidad::IgualSinCaso(Valor, "LEN") ? "LENGTH" : Valor;
  }
  // Rewrites 1 to 3 and 5 to 10 change code, never the text of a literal: they work on the
  // masked statement. Rewrite 4 converts the literals themselves.
  Enmascarado antes(Valor);
  std::string r = antes.Texto();
  r = TopARownum(r);
  r = Longitud(r);
  r = Corchetes(r);
  r = Fechas(antes.Restaura(r));

  Enmascarado despues(r);
  r = despues.Texto();
  r = ReemplazarSinCaso(r, "Charindex", "InStr");
  r = ReemplazarSinCaso(r, "CONVERT(NVARCHAR,", "TO_CHAR(");
  r = ReemplazarSinCaso(r, "CONVERT(INT,", "TO_NUMBER(");
  r = VacioANulo(r);
  r = Estilo103(r);
  r = ReemplazarSinCaso(r, "SUBSTRING(", "SUBSTR(");
  r = ReemplazarSinCaso(r, "ISNULL(", "NVL(");
  r = SinSugerencias(r);
  r = TipoFecha(r);
  return despues.Restaura(r);
}
