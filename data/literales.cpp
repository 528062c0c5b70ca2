#include "data/literales.h"

#include <cctype>
#include <cstring>

#include "utility/utilidades.h"

namespace literales {

namespace {

// Token delimiters and digits: control characters no statement of the system contains, and
// none a rewrite takes for a blank (tab, line ends, form feed), which would cut a token apart.
constexpr char kMarca = '\x01';
constexpr char kDigitoCero = '\x0E';  // digits 0-9 are \x0E to \x17

// Appends the token of literal number `indice`: kMarca, its decimal digits shifted, kMarca.
void AgregarToken(std::string& t, size_t indice) {
  char digitos[24];
  size_t n = 0;
  do {
    digitos[n++] = static_cast<char>(kDigitoCero + indice % 10);
    indice /= 10;
  } while (indice > 0);
  t += kMarca;
  while (n > 0) t += digitos[--n];
  t += kMarca;
}

// The end of the literal whose opening quote is at `inicio` (past its closing quote, or the
// end of the text when it has none); `cerrado` tells which.
size_t FinDeLiteral(const std::string& sql, size_t inicio, bool& cerrado) {
  const char* base = sql.data();
  const size_t n = sql.size();
  size_t j = inicio + 1;
  while (j < n) {
    const void* q = std::memchr(base + j, '\'', n - j);
    if (!q) break;
    j = static_cast<size_t>(static_cast<const char*>(q) - base);
    if (j + 1 < n && base[j + 1] == '\'') {
      j += 2;  // escaped quote
      continue;
    }
    cerrado = true;
    return j + 1;
  }
  cerrado = false;
  return n;
}

bool EsDigitoToken(char c) { return c >= kDigitoCero && c < kDigitoCero + 10; }

// Reads a token at `pos` (at its first kMarca); returns its index and sets `largo`.
std::optional<size_t> LeerToken(const std::string& s, size_t pos, size_t& largo) {
  if (pos >= s.size() || s[pos] != kMarca) return std::nullopt;
  size_t i = pos + 1;
  size_t indice = 0;
  while (i < s.size() && EsDigitoToken(s[i])) {
    indice = indice * 10 + static_cast<size_t>(s[i] - kDigitoCero);
    ++i;
  }
  if (i == pos + 1 || i >= s.size() || s[i] != kMarca) return std::nullopt;
  largo = i + 1 - pos;
  return indice;
}

char Mayuscula(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

}  // namespace

std::vector<Literal> Literales(const std::string& sql) {
  std::vector<Literal> lista;
  for (size_t i = sql.find('\''); i != std::string::npos; i = sql.find('\'', i)) {
    Literal lit;
    lit.inicio = i;
    lit.fin = FinDeLiteral(sql, i, lit.cerrado);
    lista.push_back(lit);
    i = lit.fin;
  }
  return lista;
}

std::string ContenidoLiteral(const std::string& literal) {
  size_t inicio = 0;
  size_t fin = literal.size();
  if (fin > 0 && literal[0] == '\'') ++inicio;
  if (fin > inicio && literal[fin - 1] == '\'') --fin;
  std::string r;
  r.reserve(fin - inicio);
  // Copies up to each quote; a doubled quote gives one.
  for (size_t i = inicio; i < fin;) {
    const void* q = std::memchr(literal.data() + i, '\'', fin - i);
    const size_t p = q ? static_cast<size_t>(static_cast<const char*>(q) - literal.data()) : fin;
    r.append(literal, i, p - i);
    if (p == fin) break;
    r += '\'';
    i = p + 1 < fin && literal[p + 1] == '\'' ? p + 2 : p + 1;
  }
  return r;
}

std::string ComoLiteral(const std::string& contenido) {
  std::string r = "'";
  for (char c : contenido) {
    r += c;
    if (c == '\'') r += '\'';
  }
  return r + "'";
}

Enmascarado::Enmascarado(const std::string& sql) {
  texto_.reserve(sql.size());
  size_t desde = 0;
  for (size_t i = sql.find('\''); i != std::string::npos; i = sql.find('\'', desde)) {
    bool cerrado = false;
    const size_t fin = FinDeLiteral(sql, i, cerrado);
    texto_.append(sql, desde, i - desde);
    const size_t finInterior = cerrado ? fin - 1 : fin;
    texto_ += '\'';
    if (finInterior > i + 1) {
      AgregarToken(texto_, contenidos_.size());
      contenidos_.emplace_back(sql, i + 1, finInterior - i - 1);
    }
    if (cerrado) texto_ += '\'';
    if (!cerrado) abierto_ = true;
    desde = fin;
  }
  texto_.append(sql, desde, std::string::npos);
}

std::string QuitarFueraDeLiterales(const std::string& sql, const std::string& marca) {
  if (!utilidad::ContieneSinCaso(sql, marca)) return sql;
  const Enmascarado enmascarado(sql);
  return enmascarado.Restaura(utilidad::ReemplazarSinCaso(enmascarado.Texto(), marca, ""));
}

std::string Enmascarado::Restaura(const std::string& enmascarado) const {
  std::string r;
  r.reserve(enmascarado.size() + (contenidos_.empty() ? 0 : 64));
  size_t i = 0;
  // Copies the stretches between token marks whole; a mark that starts no token is kept.
  for (size_t p = enmascarado.find(kMarca); p != std::string::npos;
       p = enmascarado.find(kMarca, i)) {
    r.append(enmascarado, i, p - i);
    size_t largo = 0;
    auto indice = LeerToken(enmascarado, p, largo);
    if (indice && *indice < contenidos_.size()) {
      r += contenidos_[*indice];
      i = p + largo;
    } else {
      r += kMarca;
      i = p + 1;
    }
  }
  r.append(enmascarado, i, std::string::npos);
  return r;
}

std::optional<Enmascarado::Ficha> Enmascarado::FichaEn(const std::string& enmascarado,
                                                       size_t pos) const {
  if (pos >= enmascarado.size() || enmascarado[pos] != '\'') return std::nullopt;
  if (pos + 1 < enmascarado.size() && enmascarado[pos + 1] == '\'') return Ficha{"''", 2};
  size_t largo = 0;
  auto indice = LeerToken(enmascarado, pos + 1, largo);
  if (!indice || *indice >= contenidos_.size()) return std::nullopt;
  size_t total = 1 + largo;
  const std::string& contenido = contenidos_[*indice];
  Ficha ficha{std::string(), 0};
  ficha.original.reserve(contenido.size() + 2);
  ficha.original += '\'';
  ficha.original += contenido;
  if (pos + total < enmascarado.size() && enmascarado[pos + total] == '\'') {
    ficha.original += '\'';
    ++total;
  }
  ficha.largo = total;
  return ficha;
}

size_t BuscarFuera(const std::string& sql, const std::string& buscar, size_t desde) {
  if (buscar.empty()) return std::string::npos;
  auto lista = Literales(sql);
  size_t k = 0;
  for (size_t i = desde; i + buscar.size() <= sql.size(); ++i) {
    while (k < lista.size() && lista[k].fin <= i) ++k;
    if (k < lista.size() && lista[k].inicio <= i) {
      i = lista[k].fin - 1;  // jump over the literal
      continue;
    }
    size_t finMatch = i + buscar.size();
    if (k < lista.size() && lista[k].inicio < finMatch) continue;
    bool igual = true;
    for (size_t j = 0; j < buscar.size() && igual; ++j) {
      igual = Mayuscula(sql[i + j]) == Mayuscula(buscar[j]);
    }
    if (igual) return i;
  }
  return std::string::npos;
}

}  // namespace literales
