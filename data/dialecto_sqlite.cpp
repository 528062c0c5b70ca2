#include "data/dialecto_sqlite.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <regex>
#include <string_view>
#include <variant>

#include "data/literales.h"
#include "platform/ado.h"
#include "platform/error_ejecucion.h"
#include "platform/regional.h"
#include "platform/sqlite_funciones.h"

namespace {

using literales::Enmascarado;

constexpr auto kIcase = std::regex::ECMAScript | std::regex::icase;

bool EsBlanco(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The characters SQLite's length() counts in a UTF-8 text: a lead byte takes the continuation
// bytes after it, any other byte is one character.
size_t LargoSQLite(std::string_view s) {
  size_t n = 0;
  for (size_t i = 0; i < s.size(); ++n) {
    if (static_cast<unsigned char>(s[i++]) >= 0xC0) {
      while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
    }
  }
  return n;
}

std::string Recortar(const std::string& s) {
  size_t a = 0;
  size_t b = s.size();
  while (a < b && EsBlanco(s[a])) ++a;
  while (b > a && EsBlanco(s[b - 1])) --b;
  return s.substr(a, b - a);
}

// Recortar on the string itself: no copy when there is nothing to cut.
void RecortarEn(std::string& s) {
  size_t b = s.size();
  while (b > 0 && EsBlanco(s[b - 1])) --b;
  s.erase(b);
  size_t a = 0;
  while (a < s.size() && EsBlanco(s[a])) ++a;
  s.erase(0, a);
}

std::string Mayus(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Cheap tests run before a pattern: a pattern with a word in it cannot match a text that lacks
// the word, and the regex engine costs far more than the scan (every statement passes here).
char MayusAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

// `palabra` is upper case.
bool EmpiezaAscii(std::string_view s, std::string_view palabra) {
  if (s.size() < palabra.size()) return false;
  for (size_t i = 0; i < palabra.size(); ++i) {
    if (MayusAscii(s[i]) != palabra[i]) return false;
  }
  return true;
}

// `palabra` is upper case and not empty.
bool ContieneAscii(const std::string& s, std::string_view palabra) {
  const char mayuscula = palabra[0];
  const char minuscula = mayuscula >= 'A' && mayuscula <= 'Z' ? mayuscula + 32 : mayuscula;
  const std::string_view texto(s);
  // Jumps between the places of the first letter (find runs memchr).
  for (char inicial : {mayuscula, minuscula}) {
    for (size_t i = texto.find(inicial); i != std::string_view::npos;
         i = texto.find(inicial, i + 1)) {
      if (i + palabra.size() > texto.size()) break;
      if (EmpiezaAscii(texto.substr(i), palabra)) return true;
    }
    if (minuscula == mayuscula) break;
  }
  return false;
}

// `palabra` is upper case: the whole text is the word, letter case ignored.
bool IgualAscii(std::string_view s, std::string_view palabra) {
  return s.size() == palabra.size() && EmpiezaAscii(s, palabra);
}

// The character classes of the patterns' \s, \d and \w.
bool EsBlancoRegex(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool EsDigito(char c) { return c >= '0' && c <= '9'; }

bool EsLetraRegex(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || EsDigito(c) || c == '_';
}

size_t SaltarBlancos(std::string_view s, size_t i) {
  while (i < s.size() && EsBlancoRegex(s[i])) ++i;
  return i;
}

size_t SaltarDigitos(std::string_view s, size_t i) {
  while (i < s.size() && EsDigito(s[i])) ++i;
  return i;
}

// Where `palabra` (upper case) starts at `i` after at least one blank: the position after it,
// npos when it is not there.
size_t TrasBlancosYPalabra(std::string_view s, size_t i, std::string_view palabra) {
  size_t j = SaltarBlancos(s, i);
  if (j == i || !EmpiezaAscii(s.substr(j), palabra)) return std::string::npos;
  return j + palabra.size();
}

bool EsLetraDePalabra(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '@' || c == '#';
}

// The words of a text, upper case (only the first `cuantas`).
std::vector<std::string> Palabras(const std::string& s, size_t cuantas) {
  std::vector<std::string> r;
  size_t i = 0;
  while (i < s.size() && r.size() < cuantas) {
    while (i < s.size() && !EsLetraDePalabra(s[i])) ++i;
    size_t j = i;
    while (j < s.size() && EsLetraDePalabra(s[j])) ++j;
    if (j > i) r.push_back(Mayus(s.substr(i, j - i)));
    i = j;
  }
  return r;
}

// The first word of a text, as it stands (no copy).
std::string_view PrimeraPalabraTal(const std::string& s) {
  size_t i = 0;
  while (i < s.size() && !EsLetraDePalabra(s[i])) ++i;
  size_t j = i;
  while (j < s.size() && EsLetraDePalabra(s[j])) ++j;
  return std::string_view(s).substr(i, j - i);
}

int Profundidad(std::string_view s) {
  int d = 0;
  for (char c : s) {
    if (c == '(') ++d;
    if (c == ')') --d;
  }
  return d;
}

// Position of the ")" matching the "(" at `abre`; npos when it is missing.
size_t CierreDe(const std::string& s, size_t abre) {
  int d = 0;
  for (size_t i = abre; i < s.size(); ++i) {
    if (s[i] == '(') ++d;
    if (s[i] == ')' && --d == 0) return i;
  }
  return std::string::npos;
}

// Whether the text, blanks cut, ends with `palabra` (upper case) as a whole word.
bool TerminaCon(std::string_view t, std::string_view palabra) {
  size_t a = 0;
  size_t b = t.size();
  while (a < b && EsBlanco(t[a])) ++a;
  while (b > a && EsBlanco(t[b - 1])) --b;
  t = t.substr(a, b - a);
  if (t.size() < palabra.size()) return false;
  if (!EmpiezaAscii(t.substr(t.size() - palabra.size()), palabra)) return false;
  return t.size() == palabra.size() || !EsLetraDePalabra(t[t.size() - palabra.size() - 1]);
}

// Whether one of the runs of [A-Za-z0-9_@#] of the text is `palabra` (upper case).
bool ContienePalabra(const std::string& texto, const std::string& palabra) {
  auto enPalabra = [](char c) { return EsLetraRegex(c) || c == '@' || c == '#'; };
  const std::string_view t(texto);
  size_t i = 0;
  while (i < t.size()) {
    while (i < t.size() && !enPalabra(t[i])) ++i;
    size_t j = i;
    while (j < t.size() && enPalabra(t[j])) ++j;
    if (j > i && IgualAscii(t.substr(i, j - i), palabra)) return true;
    i = j;
  }
  return false;
}

bool SoloBlancos(const std::string& s) { return std::all_of(s.begin(), s.end(), EsBlanco); }

// ---- Cutting a masked batch into statements ----

constexpr std::string_view kPalabrasDeInicio[] = {
    "SELECT", "INSERT", "UPDATE",   "DELETE", "CREATE",   "DROP", "ALTER",
    "BEGIN",  "COMMIT", "ROLLBACK", "IF",     "SET",      "EXEC", "EXECUTE",
    "GRANT",  "USE",    "DECLARE",  "PRINT",  "TRUNCATE", "WITH", "REPLACE"};

// The first two words of a line, as they stand; the count of words found (0, 1 or 2).
size_t DosPalabras(std::string_view s, std::string_view (&r)[2]) {
  size_t n = 0;
  size_t i = 0;
  while (i < s.size() && n < 2) {
    while (i < s.size() && !EsLetraDePalabra(s[i])) ++i;
    size_t j = i;
    while (j < s.size() && EsLetraDePalabra(s[j])) ++j;
    if (j > i) r[n++] = s.substr(i, j - i);
    i = j;
  }
  return n;
}

// Whether a line that begins with a statement word starts a new statement after `actual`, or
// continues it (a SELECT under CREATE VIEW ... AS, the INSERT guarded by IF NOT EXISTS(...), the
// SET line of a multi-line UPDATE, anything inside open parentheses).
// `profundidad` is the count of "(" less that of ")" in `actual`.
bool IniciaSentencia(std::string_view linea, const std::string& actual, int profundidad) {
  if (SoloBlancos(actual)) return true;
  if (profundidad > 0) return false;
  std::string_view palabras[2];
  size_t cuantas = DosPalabras(linea, palabras);
  if (cuantas == 0) return false;
  const std::string_view w = palabras[0];
  if (std::none_of(std::begin(kPalabrasDeInicio), std::end(kPalabrasDeInicio),
                   [&](std::string_view p) { return IgualAscii(w, p); })) {
    return false;
  }
  const std::string_view cw = PrimeraPalabraTal(actual);
  if (IgualAscii(cw, "IF")) {
    // After IF [NOT] EXISTS(...) alone, the line that follows is its body.
    size_t abre = actual.find('(');
    size_t cierra = abre == std::string::npos ? abre : CierreDe(actual, abre);
    if (cierra != std::string::npos && Recortar(actual.substr(cierra + 1)).empty()) return false;
  }
  if (IgualAscii(w, "SELECT") || IgualAscii(w, "WITH")) {
    for (const char* p : {"AS", "UNION", "ALL", "EXCEPT", "INTERSECT"}) {
      if (TerminaCon(actual, p)) return false;
    }
    if (IgualAscii(cw, "INSERT") && !ContienePalabra(actual, "VALUES") &&
        !ContienePalabra(actual, "SELECT")) {
      return false;
    }
  }
  if (IgualAscii(w, "SET") && IgualAscii(cw, "UPDATE") &&
      (cuantas < 2 || !IgualAscii(palabras[1], "NOCOUNT"))) {
    return false;
  }
  return true;
}

// What each byte is to the line scan of Cortar: 0 an ordinary byte, 1 an end of line or ";",
// 2 "(" and 3 ")".
constexpr std::array<unsigned char, 256> ClasesDeCorte() {
  std::array<unsigned char, 256> k{};
  k['\r'] = k['\n'] = k[';'] = 1;
  k['('] = 2;
  k[')'] = 3;
  return k;
}
constexpr std::array<unsigned char, 256> kClaseDeCorte = ClasesDeCorte();

std::vector<std::string> Cortar(const std::string& texto) {
  std::vector<std::string> sentencias;
  std::string actual;
  int profundidad = 0;  // Profundidad(actual), kept as lines are added
  bool enDisparador = false;
  auto cerrar = [&] {
    RecortarEn(actual);
    if (!actual.empty()) sentencias.push_back(std::move(actual));
    actual.clear();
    profundidad = 0;
    enDisparador = false;
  };
  // `parentesis` is Profundidad(t), counted by the line scan.
  auto agregar = [&](std::string_view t, int parentesis) {
    if (!actual.empty()) actual += '\n';
    actual += t;
    profundidad += parentesis;
  };

  // Lines end at CR LF, CR or LF; a ";" outside a trigger body ends a statement too.
  size_t i = 0;
  while (i <= texto.size()) {
    size_t j = i;
    int parentesis = 0;
    for (; j < texto.size(); ++j) {
      const unsigned char clase = kClaseDeCorte[static_cast<unsigned char>(texto[j])];
      if (clase == 0) continue;
      if (clase == 1) break;
      parentesis += clase == 2 ? 1 : -1;
    }
    bool puntoYComa = j < texto.size() && texto[j] == ';';
    size_t a = i, b = j;
    while (a < b && EsBlanco(texto[a])) ++a;
    while (b > a && EsBlanco(texto[b - 1])) --b;
    const std::string_view t = std::string_view(texto).substr(a, b - a);
    if (enDisparador) {
      agregar(t, parentesis);
      if (puntoYComa) actual += ';';
      if (IgualAscii(t, "END")) cerrar();
    } else if (IgualAscii(t, "GO")) {
      cerrar();
    } else if (!t.empty()) {
      if (IniciaSentencia(t, actual, profundidad)) cerrar();
      agregar(t, parentesis);
      if (EmpiezaAscii(actual, "CREATE TRIGGER")) {
        enDisparador = true;
        if (puntoYComa) actual += ';';
      }
    }
    if (puntoYComa && !enDisparador && profundidad <= 0) cerrar();
    if (j < texto.size() && texto[j] == '\r' && j + 1 < texto.size() && texto[j + 1] == '\n') {
      ++j;
    }
    i = j + 1;
  }
  cerrar();
  return sentencias;
}

// ---- Conversions on one masked statement ----

// "BEGIN TRAN", "COMMIT TRANSACTION x", "ROLLBACK" ... as the driver's texts (BEGIN as an
// immediate transaction); the rest of the
// statement after the transaction words, if any, goes to `resto`.
std::optional<std::string> Transaccion(const std::string& s, std::string& resto) {
  std::string palabra;
  for (const char* w : {"BEGIN", "COMMIT", "ROLLBACK"}) {
    if (EmpiezaAscii(s, w)) palabra = w;
  }
  if (palabra.empty()) return std::nullopt;
  // The optional TRANSACTION or TRAN after blanks, as a whole word.
  size_t fin = palabra.size();
  bool conPalabra = false;
  for (const char* w : {"TRANSACTION", "TRAN"}) {
    size_t tras = TrasBlancosYPalabra(s, palabra.size(), w);
    if (tras != std::string::npos && (tras == s.size() || !EsLetraRegex(s[tras]))) {
      fin = tras;
      conPalabra = true;
      break;
    }
  }
  std::string cola = Recortar(s.substr(fin));
  if (!conPalabra && !cola.empty()) return std::nullopt;  // BEGIN of a block, not ours
  resto.clear();
  if (!cola.empty()) {
    auto p = Palabras(cola, 1);
    bool esNombre = p.size() == 1 && Recortar(cola).size() == p[0].size();
    if (!esNombre) resto = cola;  // another statement on the same line
  }
  // A transaction of ours writes: it takes the write lock at once, so a busy database is waited
  // for (the driver's busy timeout) rather than refused when a read would have to become a write.
  return palabra == "BEGIN" ? std::string("BEGIN IMMEDIATE TRANSACTION") : palabra + " TRANSACTION";
}

bool SeOmite(const std::string& s) {
  const std::string_view w = PrimeraPalabraTal(s);
  if (IgualAscii(w, "EXEC") || IgualAscii(w, "EXECUTE") || EmpiezaAscii(w, "SP_")) return true;
  if (IgualAscii(w, "SET")) {
    static const std::regex kNocount(R"(^SET\s+NOCOUNT\s+(ON|OFF)$)", kIcase);
    return std::regex_match(s, kNocount);
  }
  if (IgualAscii(w, "ALTER")) {
    static const std::regex kDisparadores(
        R"(^ALTER\s+TABLE\s+\S+\s+(DISABLE|ENABLE)\s+TRIGGER\s+ALL$)", kIcase);
    return std::regex_match(s, kDisparadores);
  }
  return false;
}

// One "SELECT [DISTINCT] TOP n " of a text: where it starts, its length (the blanks after it
// included), n and whether DISTINCT is there.
struct SelectTop {
  size_t pos = 0;
  size_t largo = 0;
  std::string n;
  bool distinct = false;
};

// The "SELECT TOP n" that starts at `p`: SELECT as a word, [blanks DISTINCT] blanks TOP, blanks,
// an optional "(", blanks, the digits, blanks, an optional ")" and the blanks after it.
std::optional<SelectTop> SelectTopEn(std::string_view s, size_t p) {
  if (!EmpiezaAscii(s.substr(p), "SELECT") || (p > 0 && EsLetraRegex(s[p - 1]))) {
    return std::nullopt;
  }
  SelectTop r;
  r.pos = p;
  size_t i = TrasBlancosYPalabra(s, p + 6, "DISTINCT");
  if (i != std::string::npos) i = TrasBlancosYPalabra(s, i, "TOP");
  r.distinct = i != std::string::npos;
  if (!r.distinct) i = TrasBlancosYPalabra(s, p + 6, "TOP");
  if (i == std::string::npos) return std::nullopt;
  i = SaltarBlancos(s, i);
  if (i < s.size() && s[i] == '(') ++i;
  i = SaltarBlancos(s, i);
  size_t finDigitos = SaltarDigitos(s, i);
  if (finDigitos == i) return std::nullopt;
  r.n = std::string(s.substr(i, finDigitos - i));
  size_t e = SaltarBlancos(s, finDigitos);
  if (e < s.size() && s[e] == ')' && SaltarBlancos(s, e + 1) > e + 1) {
    e = SaltarBlancos(s, e + 1);  // the ")" and the blanks after it
  } else if (e == finDigitos) {
    return std::nullopt;  // the count must be followed by a blank
  }
  r.largo = e - p;
  return r;
}

std::optional<SelectTop> BuscarSelectTop(const std::string& s) {
  for (size_t p = 0; p + 6 <= s.size(); ++p) {
    if (MayusAscii(s[p]) != 'S') continue;
    if (auto r = SelectTopEn(s, p)) return r;
  }
  return std::nullopt;
}

// SELECT [DISTINCT] TOP n ... -> SELECT [DISTINCT] ... LIMIT n, the LIMIT at the end of the
// statement or of the subquery the SELECT belongs to. A scan rather than a pattern: most
// lookups of the import carry TOP 1.
std::string TopALimit(std::string s) {
  if (!ContieneAscii(s, "TOP")) return s;
  while (auto m = BuscarSelectTop(s)) {
    size_t p = m->pos;
    size_t largo = m->largo;
    const std::string& n = m->n;
    int d = 0;
    size_t fin = s.size();
    for (size_t i = p + largo; i < s.size(); ++i) {
      if (s[i] == '(') ++d;
      if (s[i] == ')' && --d < 0) {
        fin = i;
        break;
      }
    }
    while (fin > p + largo && (EsBlanco(s[fin - 1]) || s[fin - 1] == ';')) --fin;
    // The statement rebuilt in one buffer: the SELECT as written, the body, then the LIMIT.
    std::string r;
    r.reserve(s.size() + 16 + n.size());
    r.append(s, 0, p + 6);
    if (m->distinct) r += " DISTINCT";
    r += ' ';
    r.append(s, p + largo, fin - p - largo);
    r += " LIMIT ";
    r += n;
    r.append(s, fin, std::string::npos);
    s = std::move(r);
  }
  return s;
}

// End of "(NOLOCK)" (blanks allowed inside) that opens at `abre`; npos when there is none.
size_t FinNolock(const std::string& s, size_t abre) {
  size_t i = abre + 1;
  while (i < s.size() && EsBlancoRegex(s[i])) ++i;
  if (s.size() - i < 6 || !EmpiezaAscii(std::string_view(s).substr(i, 6), "NOLOCK"))
    return std::string::npos;
  i += 6;
  while (i < s.size() && EsBlancoRegex(s[i])) ++i;
  return i < s.size() && s[i] == ')' ? i + 1 : std::string::npos;
}

// "WITH (NOLOCK)" and a bare "(NOLOCK)", with the blanks around them, become one blank. A
// scan rather than a pattern: nearly every query of the import carries the hint.
std::string QuitarSugerencias(std::string s) {
  if (!ContieneAscii(s, "NOLOCK")) return s;
  std::string r;
  size_t copiado = 0;
  for (size_t abre = s.find('('); abre != std::string::npos; abre = s.find('(', abre + 1)) {
    size_t fin = FinNolock(s, abre);
    if (fin == std::string::npos) continue;
    size_t inicio = abre;
    while (inicio > copiado && EsBlancoRegex(s[inicio - 1])) --inicio;
    if (inicio >= copiado + 4 && EmpiezaAscii(std::string_view(s).substr(inicio - 4, 4), "WITH") &&
        (inicio == 4 || !EsLetraRegex(s[inicio - 5]))) {
      inicio -= 4;
      while (inicio > copiado && EsBlancoRegex(s[inicio - 1])) --inicio;
    }
    while (fin < s.size() && EsBlancoRegex(s[fin])) ++fin;
    r.append(s, copiado, inicio - copiado);
    r += ' ';
    copiado = fin;
    abre = fin - 1;
  }
  r.append(s, copiado, std::string::npos);
  return r;
}

// Each pattern is compiled the first time a statement holds its word: most never do.
std::string Funciones(std::string r) {
  if (ContieneAscii(r, "ISNULL")) {
    static const std::regex kIsnull(R"(\bISNULL\s*\()", kIcase);
    r = std::regex_replace(r, kIsnull, "ifnull(");
  }
  if (ContieneAscii(r, "DBO")) {
    static const std::regex kDbo(R"((^|[^A-Za-z0-9_.\]])(\[dbo\]|dbo)\.)", kIcase);
    r = std::regex_replace(r, kDbo, "$1");
  }
  if (ContieneAscii(r, "N'")) {
    // N'texto' (a Unicode literal on the server) is an ordinary literal here.
    static const std::regex kUnicode(R"((^|[^A-Za-z0-9_])N')", kIcase);
    r = std::regex_replace(r, kUnicode, "$1'");
  }
  return r;
}

// A quoted date as the runtime reads dates (day/month/year with "/", "." or "-", or
// yyyy-mm-dd, with or without a time) in the ISO form the engine stores, 'yyyy-mm-dd hh:mm:ss'
// (midnight when no time is given): getdate() and the recordsets write that form too, so equal
// dates compare equal as texts. Nothing for any other text, nor for one that opens with no digit.
std::optional<std::string> FechaIso(const std::string& contenido) {
  if (contenido.empty() || !EsDigito(contenido[0])) return std::nullopt;
  auto f = plataforma::LeerFecha(contenido);
  if (!f) return std::nullopt;
  return plataforma::FechaIso(*f);
}

// The comparison operator that ends at `fin` (blanks before `fin` skipped): where it starts, or
// npos when there is none. NOT LIKE counts as one operator.
size_t OperadorQueTermina(const std::string& s, size_t fin) {
  size_t i = fin;
  while (i > 0 && EsBlanco(s[i - 1])) --i;
  size_t j = i;
  while (j > 0 && (s[j - 1] == '=' || s[j - 1] == '<' || s[j - 1] == '>' || s[j - 1] == '!')) --j;
  if (j < i) return j;
  if (i < 4 || !EmpiezaAscii(std::string_view(s).substr(i - 4, 4), "LIKE") ||
      (i > 4 && EsLetraDePalabra(s[i - 5]))) {
    return std::string::npos;
  }
  j = i - 4;
  size_t k = j;
  while (k > 0 && EsBlanco(s[k - 1])) --k;
  if (k >= 3 && EmpiezaAscii(std::string_view(s).substr(k - 3, 3), "NOT") &&
      (k == 3 || !EsLetraDePalabra(s[k - 4]))) {
    return k - 3;
  }
  return j;
}

// The comparison operator that starts at `inicio` (blanks skipped): where it ends, or npos.
size_t OperadorQueEmpieza(const std::string& s, size_t inicio) {
  size_t i = SaltarBlancos(s, inicio);
  size_t j = i;
  while (j < s.size() && (s[j] == '=' || s[j] == '<' || s[j] == '>' || s[j] == '!')) ++j;
  return j > i ? j : std::string::npos;
}

bool EsOperadorAritmetico(char c) {
  return std::string_view("+-*/%|&^~").find(c) != std::string_view::npos;
}

// A name, a dotted or bracketed one, or a function call with its arguments, that ends at `fin`
// of the masked text (blanks before `fin` skipped): where it starts, or npos when something else
// ends there or the operand is a term of a longer expression.
size_t InicioDeOperando(const std::string& s, size_t fin) {
  size_t i = fin;
  while (i > 0 && EsBlanco(s[i - 1])) --i;
  if (i > 0 && s[i - 1] == ')') {
    int d = 0;
    size_t k = i;
    while (k > 0) {
      --k;
      if (s[k] == ')') ++d;
      if (s[k] == '(' && --d == 0) break;
    }
    if (d != 0) return std::string::npos;
    i = k;
    while (i > 0 && EsLetraDePalabra(s[i - 1])) --i;
  } else {
    for (;;) {
      const size_t parte = i;
      if (i > 0 && s[i - 1] == ']') {
        const size_t abre = s.rfind('[', i - 1);
        if (abre == std::string::npos) return std::string::npos;
        i = abre;
      } else {
        while (i > 0 && EsLetraDePalabra(s[i - 1])) --i;
      }
      if (i == parte) return std::string::npos;
      if (i == 0 || s[i - 1] != '.') break;
      --i;
    }
  }
  size_t antes = i;
  while (antes > 0 && EsBlanco(s[antes - 1])) --antes;
  if (antes > 0 && (EsOperadorAritmetico(s[antes - 1]) || s[antes - 1] == '\'')) {
    return std::string::npos;
  }
  return i;
}

// The same operand read forwards from `inicio`: where it ends, or npos.
size_t FinDeOperando(const std::string& s, size_t inicio) {
  size_t i = SaltarBlancos(s, inicio);
  const size_t desde = i;
  for (;;) {
    const size_t parte = i;
    if (i < s.size() && s[i] == '[') {
      const size_t cierra = s.find(']', i);
      if (cierra == std::string::npos) return std::string::npos;
      i = cierra + 1;
    } else {
      while (i < s.size() && EsLetraDePalabra(s[i])) ++i;
    }
    if (i == parte) return std::string::npos;
    if (i >= s.size() || s[i] != '.') break;
    ++i;
  }
  if (i < s.size() && s[i] == '(') {
    i = CierreDe(s, i);
    if (i == std::string::npos) return i;
    ++i;
  }
  const size_t tras = SaltarBlancos(s, i);
  if (tras < s.size() && (EsOperadorAritmetico(s[tras]) || s[tras] == '\'')) {
    return std::string::npos;
  }
  return i > desde ? i : std::string::npos;
}

bool SigueCollate(const std::string& s, size_t pos) {
  size_t i = pos;
  while (i < s.size() && EsBlanco(s[i])) ++i;
  return EmpiezaAscii(std::string_view(s).substr(i), "COLLATE");
}

// The part of an UPDATE where "a = 'x'" assigns instead of comparing: from SET to the WHERE at
// the same depth. [npos, npos) for any other statement.
std::pair<size_t, size_t> ListaDeAsignaciones(const std::string& s) {
  if (!EmpiezaAscii(s, "UPDATE")) return {std::string::npos, std::string::npos};
  size_t set = std::string::npos;
  size_t where = s.size();
  int d = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '(') ++d;
    if (s[i] == ')') --d;
    if (d != 0 || (i > 0 && EsLetraDePalabra(s[i - 1]))) continue;
    const std::string_view resto = std::string_view(s).substr(i);
    const auto palabra = [&](std::string_view p) {
      return EmpiezaAscii(resto, p) &&
             (resto.size() == p.size() || !EsLetraDePalabra(resto[p.size()]));
    };
    if (set == std::string::npos && palabra("SET")) set = i;
    if (set != std::string::npos && palabra("WHERE")) {
      where = i;
      break;
    }
  }
  return {set, set == std::string::npos ? set : where};
}

// "name [NOT] IN (" before the literal at `i`, and the list after it made only of text
// literals: where the name and the operator start, where the list ends, its texts.
struct ListaEnTextos {
  size_t nombre = 0;
  size_t operador = 0;
  size_t fin = 0;
  bool negada = false;
  std::vector<std::string> textos;
};
std::optional<ListaEnTextos> ListaDeTextos(const std::string& s, size_t i,
                                           const Enmascarado& mascara) {
  size_t k = i;
  while (k > 0 && EsBlanco(s[k - 1])) --k;
  if (k == 0 || s[k - 1] != '(') return std::nullopt;
  --k;
  while (k > 0 && EsBlanco(s[k - 1])) --k;
  if (k < 2 || !EmpiezaAscii(std::string_view(s).substr(k - 2, 2), "IN") ||
      (k > 2 && EsLetraDePalabra(s[k - 3]))) {
    return std::nullopt;
  }
  ListaEnTextos l;
  l.operador = k - 2;
  size_t n = l.operador;
  while (n > 0 && EsBlanco(s[n - 1])) --n;
  if (n >= 3 && EmpiezaAscii(std::string_view(s).substr(n - 3, 3), "NOT") &&
      (n == 3 || !EsLetraDePalabra(s[n - 4]))) {
    l.negada = true;
    l.operador = n - 3;
  }
  l.nombre = InicioDeOperando(s, l.operador);
  if (l.nombre == std::string::npos) return std::nullopt;
  for (size_t p = i;;) {
    auto ficha = mascara.FichaEn(s, p);
    if (!ficha) return std::nullopt;
    const std::string contenido = literales::ContenidoLiteral(ficha->original);
    l.textos.push_back(contenido);
    p = SaltarBlancos(s, p + ficha->largo);
    if (p < s.size() && s[p] == ')') {
      l.fin = p + 1;
      return l;
    }
    if (p >= s.size() || s[p] != ',') return std::nullopt;
    p = SaltarBlancos(s, p + 1);
  }
}

// A name as written ([x], "x" or x) without its quoting.
std::string SinCorchetes(std::string_view nombre) {
  if (nombre.size() >= 2 && ((nombre.front() == '[' && nombre.back() == ']') ||
                             (nombre.front() == '"' && nombre.back() == '"'))) {
    nombre = nombre.substr(1, nombre.size() - 2);
  }
  return std::string(nombre);
}

// The name at `i` ([...], "..." or a word) and the position after it.
std::string_view NombreEn(std::string_view s, size_t i, size_t& fin) {
  if (i < s.size() && (s[i] == '[' || s[i] == '"')) {
    const char cierre = s[i] == '[' ? ']' : '"';
    const size_t c = s.find(cierre, i + 1);
    fin = c == std::string_view::npos ? s.size() : c + 1;
  } else {
    fin = i;
    while (fin < s.size() && EsLetraDePalabra(s[fin])) ++fin;
  }
  return s.substr(i, fin - i);
}

// "(a = 'x' OR a = 'y')" as "(a IN ('x', 'y'))", on the masked text, so that the folded form of
// the choice narrows by one index with both keys (the entry number's MAX per register type reads
// one row instead of every row of the month).
std::string IgualdadesComoLista(const std::string& s) {
  if (!ContieneAscii(s, " OR ")) return s;
  // From `p`: blanks, then `que` (a single character or a word); the position after it or npos.
  auto tras = [&](size_t p, std::string_view que) {
    p = SaltarBlancos(s, p);
    if (!EmpiezaAscii(std::string_view(s).substr(p), que)) return std::string::npos;
    return p + que.size();
  };
  // A literal as the masked text holds it ('...' with no quote inside): the position after it.
  auto literal = [&](size_t p, std::string_view& texto) {
    p = SaltarBlancos(s, p);
    const size_t cierra = p < s.size() && s[p] == '\'' ? s.find('\'', p + 1) : std::string::npos;
    if (cierra == std::string::npos) return std::string::npos;
    texto = std::string_view(s).substr(p, cierra + 1 - p);
    return cierra + 1;
  };
  std::string r;
  size_t copiado = 0;
  for (size_t abre = s.find('('); abre != std::string::npos; abre = s.find('(', abre + 1)) {
    size_t p = SaltarBlancos(s, abre + 1), finNombre = 0;
    const std::string_view nombre = NombreEn(s, p, finNombre);
    std::string_view x, y;
    if (nombre.empty() || EsDigito(nombre[0])) continue;
    p = tras(finNombre, "=");
    if (p != std::string::npos) p = literal(p, x);
    if (p != std::string::npos) p = tras(p, "OR");
    if (p == std::string::npos || p >= s.size() || !EsBlanco(s[p])) continue;
    p = SaltarBlancos(s, p);
    if (std::string_view(s).substr(p, nombre.size()) != nombre) continue;
    p = tras(p + nombre.size(), "=");
    if (p != std::string::npos) p = literal(p, y);
    if (p != std::string::npos) p = tras(p, ")");
    if (p == std::string::npos) continue;
    r.append(s, copiado, abre - copiado);
    r += "(" + std::string(nombre) + " IN (" + std::string(x) + ", " + std::string(y) + "))";
    copiado = p;
    abre = p - 1;
  }
  return r + s.substr(copiado);
}

// The operator of "a <op> b" that gives the same comparison written "b <op'> a".
std::string Invertido(const std::string& operador) {
  if (operador == "<") return ">";
  if (operador == ">") return "<";
  if (operador == "<=") return ">=";
  if (operador == ">=") return "<=";
  return operador;
}

// ---- Which literals go into, or are compared with, a date column ----

// A name without its brackets or quotes, in small letters: how ColumnasDeFecha keys it.
std::string ClaveDeNombre(std::string_view nombre) {
  std::string r = SinCorchetes(nombre);
  for (char& c : r) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return r;
}

// Whether the word `palabra` (upper case) stands whole at `i`.
bool PalabraEn(std::string_view s, size_t i, std::string_view palabra) {
  return i <= s.size() && (i == 0 || !EsLetraDePalabra(s[i - 1])) &&
         EmpiezaAscii(s.substr(i), palabra) &&
         (i + palabra.size() == s.size() || !EsLetraDePalabra(s[i + palabra.size()]));
}

// Whether the word `palabra` (upper case) ends at `fin`, blanks before `fin` skipped: where it
// starts, npos when it is not there.
size_t PalabraQueTermina(std::string_view s, size_t fin, std::string_view palabra) {
  while (fin > 0 && EsBlanco(s[fin - 1])) --fin;
  if (fin < palabra.size() || !PalabraEn(s, fin - palabra.size(), palabra)) return std::string::npos;
  return fin - palabra.size();
}

// The dotted name at `i` (a.[b c], T, [x].y): its parts as ClaveDeNombre keys them, and `fin`
// after it. Empty when no name starts at `i`.
std::vector<std::string> PartesDeNombre(std::string_view s, size_t i, size_t& fin) {
  std::vector<std::string> partes;
  fin = i;
  while (fin < s.size()) {
    size_t tras = fin;
    const std::string_view parte = NombreEn(s, fin, tras);
    if (parte.empty()) break;
    partes.push_back(ClaveDeNombre(parte));
    fin = tras;
    if (fin + 1 >= s.size() || s[fin] != '.') break;
    ++fin;
  }
  return partes;
}

// The words that may follow a table's name and are no alias of it.
constexpr std::string_view kNoAlias[] = {
    "WHERE",  "JOIN",  "INNER",  "LEFT",   "RIGHT",  "FULL",      "OUTER", "CROSS",
    "ON",     "ORDER", "GROUP",  "HAVING", "SET",    "VALUES",    "SELECT", "UNION",
    "LIMIT",  "AS",    "WITH",   "EXCEPT", "DEFAULT", "INTERSECT", "USING", "NATURAL"};

// The words that end the select list of an INSERT ... SELECT.
constexpr std::string_view kFinDeSeleccion[] = {"FROM",  "WHERE",  "UNION",  "ORDER",    "GROUP",
                                                "LIMIT", "HAVING", "EXCEPT", "INTERSECT"};

// Where the literals of one masked statement go: the tables it names (after FROM, JOIN, INTO
// and UPDATE, and in a FROM list after its commas, each under its name and its alias) and the
// columns an INSERT fills, read the first time a literal needs them.
class FechasDeSentencia {
 public:
  FechasDeSentencia(const std::string& s, const ColumnasDeFecha& fechas) : s_(s), fechas_(fechas) {}

  // Whether the operand [inicio, fin) is a column, bare or qualified, that holds dates.
  bool EsColumnaDeFecha(size_t inicio, size_t fin) {
    Leer();
    const std::string operando = Recortar(s_.substr(inicio, fin - inicio));
    size_t tras = 0;
    const std::vector<std::string> partes = PartesDeNombre(operando, 0, tras);
    if (partes.empty() || tras != operando.size()) return false;
    const std::string& columna = partes.back();
    bool calificada = false;
    if (partes.size() > 1) {
      for (const auto& [nombre, tabla] : nombres_) {
        if (nombre != partes[partes.size() - 2]) continue;
        calificada = true;
        if (fechas_.EsFecha(tabla, columna)) return true;
      }
    }
    if (calificada) return false;
    return std::any_of(tablas_.begin(), tablas_.end(),
                       [&](const std::string& t) { return fechas_.EsFecha(t, columna); });
  }

  // Whether the literal at [i, fin) is written into, or compared with, a date column: the value
  // of an INSERT's date column (VALUES or the select list), the right side of SET col =, a side
  // of a comparison with such a column, an element of its IN list or a bound of its BETWEEN.
  // A LIKE pattern is a pattern, never a date.
  bool VaAFecha(size_t i, size_t fin) {
    const size_t op = OperadorQueTermina(s_, i);
    if (op != std::string::npos) {
      if (EsLetraDePalabra(s_[op])) return false;  // LIKE
      const size_t nombre = InicioDeOperando(s_, op);
      return nombre != std::string::npos && EsColumnaDeFecha(nombre, op);
    }
    const size_t trasOp = OperadorQueEmpieza(s_, fin);
    if (trasOp != std::string::npos) {
      const size_t finNombre = FinDeOperando(s_, trasOp);
      return finNombre != std::string::npos && EsColumnaDeFecha(trasOp, finNombre);
    }
    if (auto b = AntesDeBetween(i)) {
      const size_t nombre = InicioDeOperando(s_, *b);
      return nombre != std::string::npos && EsColumnaDeFecha(nombre, *b);
    }
    if (auto n = ElementoDeLista(i, fin)) return *n;
    if (auto n = ElementoDeSeleccion(i, fin)) return ColumnaDeInsercion(*n);
    return false;
  }

 private:
  void Leer() {
    if (leido_) return;
    leido_ = true;
    const std::string_view s(s_);
    for (size_t i = 0; i < s.size(); ++i) {
      if (!EsLetraDePalabra(s[i]) || (i > 0 && EsLetraDePalabra(s[i - 1]))) continue;
      std::string_view clave;
      for (std::string_view w : {"FROM", "JOIN", "INTO", "UPDATE"}) {
        if (PalabraEn(s, i, w)) clave = w;
      }
      if (clave.empty()) continue;
      for (size_t p = SaltarBlancos(s, i + clave.size());;) {
        size_t fin = p;
        const std::vector<std::string> partes = PartesDeNombre(s, p, fin);
        if (partes.empty()) break;
        const std::string tabla = partes.back();
        tablas_.push_back(tabla);
        nombres_.push_back({tabla, tabla});
        size_t q = SaltarBlancos(s, fin);
        if (PalabraEn(s, q, "AS")) q = SaltarBlancos(s, q + 2);
        size_t trasAlias = q;
        const std::string_view alias = NombreEn(s, q, trasAlias);
        if (!alias.empty() && !EsDigito(alias[0]) &&
            std::none_of(std::begin(kNoAlias), std::end(kNoAlias),
                         [&](std::string_view w) { return IgualAscii(alias, w); })) {
          nombres_.push_back({ClaveDeNombre(alias), tabla});
          q = SaltarBlancos(s, trasAlias);
        }
        if (clave != "FROM" || q >= s.size() || s[q] != ',') break;
        p = SaltarBlancos(s, q + 1);
      }
    }
    // INSERT [INTO] t [(columns)] VALUES ... | SELECT ...
    if (!EmpiezaAscii(s, "INSERT")) return;
    size_t p = SaltarBlancos(s, 6);
    if (PalabraEn(s, p, "INTO")) p = SaltarBlancos(s, p + 4);
    size_t fin = p;
    const std::vector<std::string> partes = PartesDeNombre(s, p, fin);
    if (partes.empty()) return;
    destino_ = partes.back();
    size_t q = SaltarBlancos(s, fin);
    if (q < s.size() && s[q] == '(') {
      const size_t c = CierreDe(s_, q);
      if (c == std::string::npos) return;
      for (size_t a = q + 1; a <= c;) {
        size_t b = s_.find(',', a);
        if (b == std::string::npos || b > c) b = c;
        columnas_.push_back(ClaveDeNombre(Recortar(s_.substr(a, b - a))));
        a = b + 1;
      }
      q = SaltarBlancos(s, c + 1);
    }
    if (PalabraEn(s, q, "SELECT")) seleccion_ = q + 6;
  }

  bool ColumnaDeInsercion(size_t n) {
    Leer();
    if (destino_.empty()) return false;
    if (columnas_.empty()) return fechas_.EsFecha(destino_, n);
    return n < columnas_.size() && fechas_.EsFecha(destino_, columnas_[n]);
  }

  // Where "BETWEEN" (or "NOT BETWEEN") starts when the literal at `i` is a bound of "name [NOT] BETWEEN 'a' AND 'b'".
  std::optional<size_t> AntesDeBetween(size_t i) {
    size_t b = PalabraQueTermina(s_, i, "BETWEEN");
    if (b == std::string::npos) {
      // The upper bound: AND after a literal lower bound.
      size_t y = PalabraQueTermina(s_, i, "AND");
      if (y == std::string::npos) return std::nullopt;
      while (y > 0 && EsBlanco(s_[y - 1])) --y;
      if (y < 2 || s_[y - 1] != '\'') return std::nullopt;
      const size_t abre = s_.rfind('\'', y - 2);
      if (abre == std::string::npos) return std::nullopt;
      b = PalabraQueTermina(s_, abre, "BETWEEN");
      if (b == std::string::npos) return std::nullopt;
    }
    const size_t negada = PalabraQueTermina(s_, b, "NOT");
    return negada == std::string::npos ? b : negada;
  }
  // When the literal at [i, fin) is a whole element of a parenthesised list: whether that
  // element goes to a date column (the list of "name [NOT] IN", or a row of an INSERT's VALUES).
  // Nothing when it is no such element.
  std::optional<bool> ElementoDeLista(size_t i, size_t fin) {
    const size_t tras = SaltarBlancos(s_, fin);
    if (tras >= s_.size() || (s_[tras] != ',' && s_[tras] != ')')) return std::nullopt;
    size_t k = i;
    while (k > 0 && EsBlanco(s_[k - 1])) --k;
    if (k == 0 || (s_[k - 1] != ',' && s_[k - 1] != '(')) return std::nullopt;
    // Back to the "(" of the list, counting the elements before this one.
    size_t n = 0;
    int profundidad = 0;
    for (k = i; k > 0;) {
      const char c = s_[--k];
      if (c == ')') ++profundidad;
      if (c == '(' && profundidad-- == 0) break;
      if (c == ',' && profundidad == 0) ++n;
    }
    if (s_[k] != '(' || profundidad >= 0) return std::nullopt;
    size_t en = PalabraQueTermina(s_, k, "IN");
    if (en != std::string::npos) {
      const size_t negada = PalabraQueTermina(s_, en, "NOT");
      if (negada != std::string::npos) en = negada;
      const size_t nombre = InicioDeOperando(s_, en);
      return nombre != std::string::npos && EsColumnaDeFecha(nombre, en);
    }
    // A row of VALUES: "VALUES (...)", or after the rows before it, "(...), (...)".
    for (size_t a = k;;) {
      if (PalabraQueTermina(s_, a, "VALUES") != std::string::npos) return ColumnaDeInsercion(n);
      while (a > 0 && EsBlanco(s_[a - 1])) --a;
      if (a == 0 || s_[a - 1] != ',') return false;
      --a;
      while (a > 0 && EsBlanco(s_[a - 1])) --a;
      if (a == 0 || s_[a - 1] != ')') return false;
      int d = 0;
      do {
        --a;
        if (s_[a] == ')') ++d;
        if (s_[a] == '(') --d;
      } while (a > 0 && d > 0);
      if (d != 0) return false;
    }
  }

  // The place in the select list of an INSERT ... SELECT when the literal at [i, fin) is a whole
  // element of it.
  std::optional<size_t> ElementoDeSeleccion(size_t i, size_t fin) {
    Leer();
    if (seleccion_ == std::string::npos || i < seleccion_) return std::nullopt;
    auto terminaLista = [&](size_t k) {
      return std::any_of(std::begin(kFinDeSeleccion), std::end(kFinDeSeleccion),
                         [&](std::string_view w) { return PalabraEn(s_, k, w); });
    };
    size_t n = 0;
    size_t desde = seleccion_;
    int profundidad = 0;
    for (size_t k = seleccion_; k < i; ++k) {
      const char c = s_[k];
      if (c == '(') ++profundidad;
      if (c == ')') --profundidad;
      if (profundidad == 0 && c == ',') {
        ++n;
        desde = k + 1;
      }
      if (profundidad == 0 && terminaLista(k)) return std::nullopt;
    }
    if (profundidad != 0 || !SoloBlancos(s_.substr(desde, i - desde))) return std::nullopt;
    const size_t tras = SaltarBlancos(s_, fin);
    if (tras < s_.size() && s_[tras] != ',' && !terminaLista(tras)) return std::nullopt;
    return n;
  }

  const std::string& s_;
  const ColumnasDeFecha& fechas_;
  bool leido_ = false;
  std::vector<std::pair<std::string, std::string>> nombres_;  // a table's name or alias, the table
  std::vector<std::string> tablas_;
  std::string destino_;                // the table of an INSERT
  std::vector<std::string> columnas_;  // the columns it names, none when it names none
  size_t seleccion_ = std::string::npos;  // where the select list of INSERT ... SELECT starts
};

// Dates of date columns to ISO, and every comparison of a text literal with a name or a function
// call as ComparacionPlegada writes it, on the masked text: literals are replaced by their final
// form here, so the result needs no further restoring for them. A literal that names its own
// collation, or is compared with anything else, stays as written; so does every text that goes
// to no date column, however much it looks like a date.
std::string Literales(const std::string& s, const Enmascarado& mascara,
                      const ColumnasDeFecha& fechas) {
  FechasDeSentencia destinos(s, fechas);
  std::string r;
  size_t i = 0;
  // Where the masked text is copied into `r` as it stands: from the end of the last literal.
  size_t libre = 0;
  const auto [set, where] = ListaDeAsignaciones(s);
  auto asignacion = [&, set = set, where = where](size_t op) {
    return op >= set && op < where && s[op] == '=' &&
           Profundidad(std::string_view(s).substr(0, op)) == 0;
  };
  // Room for the literals' texts and a few folded names, so that the text rarely regrows.
  r.reserve(s.size() + 1024);
  while (i < s.size()) {
    if (s[i] != '\'') {
      size_t comilla = s.find('\'', i);
      if (comilla == std::string::npos) comilla = s.size();
      r.append(s, i, comilla - i);
      i = comilla;
      continue;
    }
    auto ficha = mascara.FichaEn(s, i);
    if (!ficha) {
      r += s[i++];
      continue;
    }
    const std::string& literal = ficha->original;
    const size_t fin = i + ficha->largo;
    // Only a literal that opens with a digit may be a date; a date of a date column is written
    // and compared as stored.
    std::optional<std::string> iso;
    if (literal.size() > 1 && EsDigito(literal[1])) {
      iso = FechaIso(literales::ContenidoLiteral(literal));
      if (iso && !destinos.VaAFecha(i, fin)) iso.reset();
    }
    if (!iso && !SigueCollate(s, fin)) {
      // name [NOT] IN ('literal', ...), a name of texts
      if (auto lista = ListaDeTextos(s, i, mascara);
          lista && lista->nombre >= libre &&
          !destinos.EsColumnaDeFecha(lista->nombre, lista->operador)) {
        r.resize(r.size() - (i - lista->nombre));
        r += ComparacionPlegada(Recortar(s.substr(lista->nombre, lista->operador - lista->nombre)),
                                lista->negada ? "NOT IN" : "IN", lista->textos);
        i = libre = lista->fin;
        continue;
      }
      // name <op> 'literal'
      const size_t op = OperadorQueTermina(s, i);
      const size_t nombre = op == std::string::npos ? op : InicioDeOperando(s, op);
      if (nombre != std::string::npos && nombre >= libre && !asignacion(op) &&
          !destinos.EsColumnaDeFecha(nombre, op)) {
        r.resize(r.size() - (i - nombre));
        r += ComparacionPlegada(Recortar(s.substr(nombre, op - nombre)),
                                Recortar(s.substr(op, i - op)),
                                literales::ContenidoLiteral(literal));
        i = libre = fin;
        continue;
      }
      // 'literal' <op> name
      const size_t trasOp = op == std::string::npos ? OperadorQueEmpieza(s, fin) : op;
      const size_t finNombre = op == std::string::npos && trasOp != std::string::npos
                                   ? FinDeOperando(s, trasOp)
                                   : std::string::npos;
      if (finNombre != std::string::npos && s.find('\'', trasOp) >= finNombre &&
          !destinos.EsColumnaDeFecha(trasOp, finNombre)) {
        r += ComparacionPlegada(Recortar(s.substr(trasOp, finNombre - trasOp)),
                                Invertido(Recortar(s.substr(fin, trasOp - fin))),
                                literales::ContenidoLiteral(literal));
        i = libre = finNombre;
        continue;
      }
    }
    if (iso) {
      r += '\'' + *iso + '\'';
    } else {
      r += literal;
    }
    i = libre = fin;
  }
  return r;
}

// The parts of a CREATE TABLE: the table's name (the last part of a dotted one, dbo.[T]), the
// "(" and ")" around its list, and each element of the list (up to the next comma outside
// parentheses) with, for a column, its name as written and where its type starts.
struct ElementoDeTabla {
  size_t desde = 0, hasta = 0;  // the element within the statement
  std::string_view nombre;      // the column's name; empty for a constraint
  size_t tipo = 0;              // where its type starts, within the statement
};
struct DefinicionDeTabla {
  std::string tabla;
  size_t abre = 0, cierra = 0;
  std::vector<ElementoDeTabla> elementos;
};
std::optional<DefinicionDeTabla> LeerDefinicion(const std::string& s) {
  static constexpr std::string_view kNoColumnas[] = {"CONSTRAINT", "PRIMARY", "UNIQUE",
                                                     "CHECK",      "FOREIGN", "INDEX"};
  DefinicionDeTabla d;
  size_t fin = SaltarBlancos(s, std::string_view("CREATE TABLE").size());
  for (;;) {
    d.tabla = SinCorchetes(NombreEn(s, fin, fin));
    if (fin >= s.size() || s[fin] != '.') break;
    ++fin;
  }
  d.abre = s.find('(', fin);
  d.cierra = d.abre == std::string::npos ? d.abre : CierreDe(s, d.abre);
  if (d.cierra == std::string::npos) return std::nullopt;
  for (size_t desde = d.abre + 1; desde < d.cierra;) {
    ElementoDeTabla e;
    e.desde = desde;
    e.hasta = desde;
    for (int p = 0; e.hasta < d.cierra && (p > 0 || s[e.hasta] != ','); ++e.hasta) {
      if (s[e.hasta] == '(') ++p;
      if (s[e.hasta] == ')') --p;
    }
    const std::string_view elemento = std::string_view(s).substr(0, e.hasta);
    size_t trasNombre = 0;
    const std::string_view nombre = NombreEn(elemento, SaltarBlancos(elemento, desde), trasNombre);
    if (!nombre.empty() &&
        std::none_of(std::begin(kNoColumnas), std::end(kNoColumnas),
                     [&](std::string_view w) { return IgualAscii(nombre, w); })) {
      e.nombre = nombre;
      e.tipo = SaltarBlancos(elemento, trasNombre);
    }
    d.elementos.push_back(e);
    desde = e.hasta + 1;
  }
  return d;
}

// The columns of a table a CREATE TABLE defines, into `fechas`.
void DefinirTablaCreada(const std::string& s, ColumnasDeFecha& fechas) {
  const auto d = LeerDefinicion(s);
  if (!d) return;
  std::vector<std::pair<std::string, bool>> columnas;
  for (const ElementoDeTabla& e : d->elementos) {
    if (e.nombre.empty()) continue;
    size_t finTipo = e.tipo;
    while (finTipo < e.hasta && EsLetraRegex(s[finTipo])) ++finTipo;
    columnas.push_back({SinCorchetes(e.nombre), EsTipoDeFecha(s.substr(e.tipo, finTipo - e.tipo))});
  }
  fechas.Definir(d->tabla, std::move(columnas));
}

// The text columns of a CREATE TABLE as the server keeps them: compared with the server's
// collation and refused when longer than declared. A column that names its own collation or
// check is left as written.
std::string ColumnasDeTexto(const std::string& s) {
  static constexpr std::string_view kTipos[] = {"NVARCHAR", "VARCHAR", "NCHAR", "CHAR"};
  const auto d = LeerDefinicion(s);
  if (!d) return s;
  std::string r = s.substr(0, d->abre + 1);
  for (const ElementoDeTabla& e : d->elementos) {
    const std::string elemento = s.substr(e.desde, e.hasta - e.desde);
    std::string convertido = elemento;
    const std::string_view nombre = e.nombre;
    const size_t t0 = e.tipo - e.desde;
    const bool propia = ContienePalabra(elemento, "COLLATE") || ContienePalabra(elemento, "CHECK");
    for (std::string_view tipo : kTipos) {
      if (nombre.empty() || propia || !EmpiezaAscii(std::string_view(elemento).substr(t0), tipo)) {
        continue;
      }
      // The declared length: "(n)", blanks allowed inside.
      const size_t p = SaltarBlancos(elemento, t0 + tipo.size());
      if (p >= elemento.size() || elemento[p] != '(') break;
      const size_t d0 = SaltarBlancos(elemento, p + 1);
      const size_t digitos = SaltarDigitos(elemento, d0);
      const size_t cierre = SaltarBlancos(elemento, digitos);
      if (digitos == d0 || cierre >= elemento.size() || elemento[cierre] != ')') break;
      const size_t trasTipo = cierre + 1;
      std::string columna;
      for (char c : SinCorchetes(nombre)) {
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') columna += c;
      }
      convertido = elemento.substr(0, trasTipo) + " COLLATE " + kColacionDeColumnas +
                   " CONSTRAINT CK_" + d->tabla + "_" + columna + "_len CHECK (length(" +
                   std::string(nombre) + ") <= " + elemento.substr(d0, digitos - d0) + ")" +
                   elemento.substr(trasTipo);
      break;
    }
    r += convertido;
    if (e.hasta < d->cierra) r += ',';
  }
  return r + s.substr(d->cierra);
}

void Convertir(std::string s, const Enmascarado& mascara, const ColumnasDeFecha& fechas,
               std::vector<std::string>& salida) {
  RecortarEn(s);
  if (s.empty()) return;
  std::string resto;
  if (auto t = Transaccion(s, resto)) {
    salida.push_back(*t);
    if (!resto.empty()) Convertir(resto, mascara, fechas, salida);
    return;
  }
  if (SeOmite(s)) return;
  // InsercionCondicionada leaves any statement that does not open with IF as it is.
  if (EmpiezaAscii(s, "IF")) s = InsercionCondicionada(s, "");
  if (EmpiezaAscii(s, "CREATE TABLE")) s = ColumnasDeTexto(s);
  s = QuitarSugerencias(std::move(s));
  s = TopALimit(std::move(s));
  s = Funciones(std::move(s));
  s = IgualdadesComoLista(s);
  // Literales puts every literal back: the result is not scanned for tokens again, since a
  // value may hold bytes that look like one.
  s = Literales(s, mascara, fechas);
  RecortarEn(s);
  salida.push_back(std::move(s));
}

std::string Minus(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The "(" of "VALUES (" (VALUES as a word, blanks allowed before the parenthesis) found from
// `desde`: its position and that of VALUES; npos when there is none.
size_t ParentesisDeValues(const std::string& s, size_t desde, size_t& values) {
  for (size_t i = desde; i + 6 <= s.size(); ++i) {
    if (MayusAscii(s[i]) != 'V' || !EmpiezaAscii(std::string_view(s).substr(i), "VALUES") ||
        (i > 0 && EsLetraRegex(s[i - 1]))) {
      continue;
    }
    size_t j = SaltarBlancos(s, i + 6);
    if (j < s.size() && s[j] == '(') {
      values = i;
      return j;
    }
  }
  return std::string::npos;
}

}  // namespace

std::string InsercionCondicionada(const std::string& s, const std::string& desde) {
  // IF NOT EXISTS ( at the start, then INSERT INTO after the condition: scans, not patterns,
  // since every journal entry's calendar guard passes here.
  if (!EmpiezaAscii(s, "IF")) return s;
  size_t i = TrasBlancosYPalabra(s, 2, "NOT");
  if (i != std::string::npos) i = TrasBlancosYPalabra(s, i, "EXISTS");
  if (i == std::string::npos) return s;
  size_t abre = SaltarBlancos(s, i);
  if (abre >= s.size() || s[abre] != '(') return s;
  size_t cierra = CierreDe(s, abre);
  if (cierra == std::string::npos) return s;
  std::string sel = s.substr(abre + 1, cierra - abre - 1);
  std::string resto = Recortar(s.substr(cierra + 1));
  size_t into =
      EmpiezaAscii(resto, "INSERT") ? TrasBlancosYPalabra(resto, 6, "INTO") : std::string::npos;
  if (into == std::string::npos || into >= resto.size() || !EsBlancoRegex(resto[into])) return s;
  size_t pos = 0;
  for (size_t a = ParentesisDeValues(resto, 0, pos); a != std::string::npos;
       a = ParentesisDeValues(resto, a + 1, pos)) {
    if (Profundidad(resto.substr(0, pos)) != 0) continue;
    size_t c = CierreDe(resto, a);
    if (c == std::string::npos || !Recortar(resto.substr(c + 1)).empty()) return s;
    return Recortar(resto.substr(0, pos)) + " SELECT " + resto.substr(a + 1, c - a - 1) + desde +
           " WHERE NOT EXISTS(" + sel + ")";
  }
  return s;
}

std::string Plegado(std::string_view expresion) {
  const std::string e(expresion);
  return "(CASE WHEN length(CAST(" + e + " AS BLOB)) = length(" + e + ") THEN lower(rtrim(" + e +
         ")) ELSE '~' || length(rtrim(" + e + ")) END)";
}

std::string ComparacionPlegada(std::string_view expresion, std::string_view operador,
                               const std::vector<std::string>& textos) {
  const std::string e(expresion);
  const bool pertenencia = operador == "=" || IgualAscii(operador, "IN");
  std::vector<std::string> plegados, claves;
  // Whether a key holds rows that plegar must tell apart: those of some text's length.
  bool porLargo = false;
  for (const std::string& texto : textos) {
    const std::string llano = plataforma::PlegarTexto(texto);
    const std::string plegado = literales::ComoLiteral(llano);
    if (std::find(plegados.begin(), plegados.end(), plegado) == plegados.end()) {
      plegados.push_back(plegado);
    }
    if (!pertenencia) continue;
    // A text whose characters are all one byte is its own key, and no other such text has that
    // key: its folded form is the text in small letters without its trailing blanks. A text of
    // other characters that folds to it shares the key of every such text of its length; none
    // can when the folded text has only letters no accented letter folds to (codes of digits).
    std::vector<std::string> suyas;
    if (LargoSQLite(llano) == llano.size()) suyas.push_back(plegado);
    // A text written like such a key ("~2") shares it with the texts of that length.
    if (llano.size() > 1 && llano[0] == '~' &&
        std::all_of(llano.begin() + 1, llano.end(), [](char c) { return EsDigito(c); })) {
      porLargo = true;
    }
    if (suyas.empty() || plataforma::PuedeVenirDeAcentos(llano)) {
      // Folding drops the trailing blanks and keeps every other character: the length the key of
      // the text without its trailing blanks holds.
      suyas.push_back("'~" + std::to_string(LargoSQLite(llano)) + "'");
      porLargo = true;
    }
    for (const std::string& clave : suyas) {
      if (std::find(claves.begin(), claves.end(), clave) == claves.end()) claves.push_back(clave);
    }
  }
  auto lista = [](const std::vector<std::string>& v) {
    std::string r;
    for (const std::string& x : v) r += (r.empty() ? "" : ", ") + x;
    return r;
  };
  const bool uno =
      plegados.size() == 1 && !IgualAscii(operador, "IN") && !IgualAscii(operador, "NOT IN");
  std::string comparado = "plegar(" + e + ") ";
  if (uno) {
    comparado += std::string(operador) + " " + plegados[0];
  } else {
    comparado += (pertenencia ? "IN" : "NOT IN") + std::string(" (") + lista(plegados) + ")";
  }
  if (!pertenencia) return comparado;
  const std::string clave =
      Plegado(e) + (claves.size() == 1 ? " = " + claves[0] : " IN (" + lista(claves) + ")");
  // The indexed key narrows the rows; plegar decides among those of a text's length.
  return porLargo ? "(" + clave + " AND " + comparado + ")" : clave;
}

std::string ComparacionPlegada(std::string_view expresion, std::string_view operador,
                               std::string_view texto) {
  return ComparacionPlegada(expresion, operador, std::vector<std::string>{std::string(texto)});
}

std::string ExpandePlegados(const std::string& sentencia) {
  std::string r;
  size_t copiado = 0;
  for (size_t p = literales::BuscarFuera(sentencia, "PLEGADO("); p != std::string::npos;
       p = literales::BuscarFuera(sentencia, "PLEGADO(", copiado)) {
    const size_t cierra = CierreDe(sentencia, p + 7);
    if (cierra == std::string::npos) break;
    r.append(sentencia, copiado, p - copiado);
    r += Plegado(Recortar(sentencia.substr(p + 8, cierra - p - 8)));
    copiado = cierra + 1;
  }
  return r + sentencia.substr(copiado);
}

void ColumnasDeFecha::Definir(std::string_view tabla,
                              std::vector<std::pair<std::string, bool>> columnas) {
  for (auto& c : columnas) c.first = ClaveDeNombre(c.first);
  tablas_[ClaveDeNombre(tabla)] = std::move(columnas);
}

bool ColumnasDeFecha::Conoce(std::string_view tabla) const {
  return tablas_.count(ClaveDeNombre(tabla)) > 0;
}

bool ColumnasDeFecha::EsFecha(std::string_view tabla, std::string_view columna) const {
  const auto t = tablas_.find(ClaveDeNombre(tabla));
  if (t == tablas_.end()) return false;
  const std::string c = ClaveDeNombre(columna);
  return std::any_of(t->second.begin(), t->second.end(),
                     [&](const auto& col) { return col.second && col.first == c; });
}

bool ColumnasDeFecha::EsFecha(std::string_view tabla, size_t posicion) const {
  const auto t = tablas_.find(ClaveDeNombre(tabla));
  return t != tablas_.end() && posicion < t->second.size() && t->second[posicion].second;
}

bool EsTipoDeFecha(std::string_view tipo) { return ContieneAscii(std::string(tipo), "DATE"); }

ColumnasDeFecha ColumnasDeFechaDelGuion(const std::string& guion) {
  // Comment lines go first: their apostrophes and parentheses belong to no statement.
  std::string sinComentarios;
  for (size_t i = 0; i < guion.size();) {
    size_t fin = guion.find('\n', i);
    fin = fin == std::string::npos ? guion.size() : fin + 1;
    const std::string_view linea = std::string_view(guion).substr(i, fin - i);
    if (linea.substr(SaltarBlancos(linea, 0)).substr(0, 2) != "--") sinComentarios += linea;
    i = fin;
  }
  Enmascarado mascara(sinComentarios);
  ColumnasDeFecha fechas;
  for (const std::string& s : Cortar(mascara.Texto())) {
    if (EmpiezaAscii(s, "CREATE TABLE")) DefinirTablaCreada(s, fechas);
  }
  return fechas;
}

namespace {

std::string TextoDe(const plataforma::Valor& v) {
  const auto* t = std::get_if<std::string>(&v);
  return t ? *t : std::string();
}

// Rows of (table, column, declared type), in each table's column order, into `fechas`.
void DefinirLeidas(const std::vector<std::vector<plataforma::Valor>>& filas,
                   ColumnasDeFecha& fechas) {
  std::string tabla;
  std::vector<std::pair<std::string, bool>> columnas;
  for (const auto& fila : filas) {
    if (fila.size() < 3) continue;
    if (TextoDe(fila[0]) != tabla) {
      if (!tabla.empty()) fechas.Definir(tabla, std::move(columnas));
      columnas.clear();
      tabla = TextoDe(fila[0]);
    }
    columnas.push_back({TextoDe(fila[1]), EsTipoDeFecha(TextoDe(fila[2]))});
  }
  if (!tabla.empty()) fechas.Definir(tabla, std::move(columnas));
}

}  // namespace

ColumnasDeFecha LeerColumnasDeFecha(ado::Connection& conexion) {
  ColumnasDeFecha fechas;
  try {
    auto leidas = conexion.Execute(
        "SELECT m.name, p.name, p.type FROM sqlite_master m, pragma_table_info(m.name) p "
        "WHERE m.type IN ('table', 'view') ORDER BY m.name, p.cid");
    if (leidas) DefinirLeidas(leidas->filas, fechas);
    return fechas;
  } catch (const plataforma::ErrorEjecucion&) {
    // A view over a table that is gone fails the whole read: each object is read on its own,
    // and such a view, which no statement can use, is left out.
  }
  auto objetos = conexion.Execute(
      "SELECT name, type FROM sqlite_master WHERE type IN ('table', 'view') ORDER BY name");
  if (!objetos) return fechas;
  for (const auto& objeto : objetos->filas) {
    if (objeto.size() < 2) continue;
    const std::string nombre = TextoDe(objeto[0]);
    try {
      auto leidas = conexion.Execute("SELECT " + literales::ComoLiteral(nombre) +
                                     ", name, type FROM pragma_table_info(" +
                                     literales::ComoLiteral(nombre) + ") ORDER BY cid");
      if (leidas) DefinirLeidas(leidas->filas, fechas);
    } catch (const plataforma::ErrorEjecucion&) {
      if (TextoDe(objeto[1]) != "view") throw;
    }
  }
  conexion.Errors().Clear();
  return fechas;
}

std::vector<std::string> ConvierteSQLite(const std::string& lote, const ColumnasDeFecha& fechas) {
  Enmascarado mascara(lote);
  std::vector<std::string> salida;
  // A table the text itself creates answers for the statements after it.
  std::optional<ColumnasDeFecha> conCreadas;
  for (std::string& s : Cortar(mascara.Texto())) {
    if (EmpiezaAscii(s, "CREATE TABLE")) {
      if (!conCreadas) conCreadas = fechas;
      DefinirTablaCreada(s, *conCreadas);
    }
    Convertir(std::move(s), mascara, conCreadas ? *conCreadas : fechas, salida);
  }
  return salida;
}

void TraduceErroresSQLite(ado::ErrorCollection& errores) {
  static const std::regex kLargo(R"(check constraint failed: *(\S*_len\b|.*length\s*\())");
  for (size_t i = 0; i < errores.Count(); ++i) {
    ado::Error& e = errores.Item(i);
    std::string d = Minus(e.Description);
    if (d.find("no such table") != std::string::npos ||
        d.find("no such view") != std::string::npos) {
      e.NativeError = kErrObjetoInexistente;
    } else if (d.find("already exists") != std::string::npos) {
      e.NativeError = kErrObjetoExistente;
    } else if (d.find("unique constraint failed") != std::string::npos ||
               d.find("primary key must be unique") != std::string::npos) {
      e.NativeError = kErrClaveDuplicada;
    } else if (d.find("database is locked") != std::string::npos ||
               d.find("database table is locked") != std::string::npos) {
      e.NativeError = kErrEsperaBloqueo;
    } else if (std::regex_search(d, kLargo)) {
      e.NativeError = kErrTextoTruncado;
    } else if (d.find("check constraint failed") != std::string::npos ||
               d.find("foreign key constraint failed") != std::string::npos) {
      e.NativeError = kErrConflictoRestriccion;
    }
  }
}
