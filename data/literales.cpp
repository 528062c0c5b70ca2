#include "data/literales.h"

#include <cctype>

namespace literales {

namespace {

// Token delimiters and digits: control characters no statement of the system contains.
constexpr char kMarca = '\x01';
constexpr char kDigitoCero = '\x02';  // digits 0-9 are \x02 to \x0B

std::string Token(size_t indice) {
  std::string digitos = std::to_string(indice);
  std::string t(1, kMarca);
  for (char d : digitos) t += static_cast<char>(kDigitoCero + (d - '0'));
  t += kMarca;
  return t;
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
  size_t i = 0;
  while (i < sql.size()) {
    if (sql[i] != '\'') {
      ++i;
      continue;
    }
    Literal lit;
    lit.inicio = i;
    size_t j = i + 1;
    lit.cerrado = false;
    while (j < sql.size()) {
      if (sql[j] == '\'') {
        if (j + 1 < sql.size() && sql[j + 1] == '\'') {
          j += 2;  // escaped quote
          continue;
        }
        lit.cerrado = true;
        ++j;
        break;
      }
      ++j;
    }
    lit.fin = j;
    lista.push_back(lit);
    i = j;
  }
  return lista;
}

std::string ContenidoLiteral(const std::string& literal) {
  std::string interior = literal;
  if (!interior.empty() && interior.front() == '\'') interior.erase(0, 1);
  if (!interior.empty() && interior.back() == '\'') interior.pop_back();
  std::string r;
  for (size_t i = 0; i < interior.size(); ++i) {
    r += interior[i];
    if (interior[i] == '\'' && i + 1 < interior.size() && interior[i + 1] == '\'') ++i;
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
  size_t desde = 0;
  for (const Literal& lit : Literales(sql)) {
    texto_.append(sql, desde, lit.inicio - desde);
    size_t finInterior = lit.cerrado ? lit.fin - 1 : lit.fin;
    std::string interior = sql.substr(lit.inicio + 1, finInterior - lit.inicio - 1);
    texto_ += '\'';
    if (!interior.empty()) {
      texto_ += Token(contenidos_.size());
      contenidos_.push_back(interior);
    }
    if (lit.cerrado) texto_ += '\'';
    if (!lit.cerrado) abierto_ = true;
    desde = lit.fin;
  }
  texto_.append(sql, desde, std::string::npos);
}

std::string Enmascarado::Restaura(const std::string& enmascarado) const {
  std::string r;
  r.reserve(enmascarado.size());
  size_t i = 0;
  while (i < enmascarado.size()) {
    size_t largo = 0;
    auto indice = LeerToken(enmascarado, i, largo);
    if (indice && *indice < contenidos_.size()) {
      r += contenidos_[*indice];
      i += largo;
    } else {
      r += enmascarado[i++];
    }
  }
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
  std::string original = "'" + contenidos_[*indice];
  if (pos + total < enmascarado.size() && enmascarado[pos + total] == '\'') {
    original += '\'';
    ++total;
  }
  return Ficha{original, total};
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
