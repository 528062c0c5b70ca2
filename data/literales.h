#pragma once
// Knows which characters of a SQL text lie inside '...' literals ('' inside a literal is an
// escaped quote), so that the dialect conversions rewrite keywords, names and functions only in
// the code around the literals and never change the texts the statements store or compare.
//
// Enmascarado hides the content of every non-empty literal behind a token made of control
// characters that no rewrite matches; the conversions work on the masked text and Restaura puts
// the literals back. The empty literal '' stays visible (it carries nothing to protect and some
// rewrites look for it).

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace literales {

// One quoted literal of a text: [inicio, fin) covers the quotes; `cerrado` is false for a
// literal that runs to the end of the text without its closing quote.
struct Literal {
  size_t inicio = 0;
  size_t fin = 0;
  bool cerrado = true;
};

// The literals of `sql`, in order.
std::vector<Literal> Literales(const std::string& sql);

// `marca` (any letter case) removed from the text outside its literals: a value is data, and
// keeps whatever it holds.
std::string QuitarFueraDeLiterales(const std::string& sql, const std::string& marca);

// The text of a literal without its quotes and with '' read as one quote.
std::string ContenidoLiteral(const std::string& literal);
// A text written as a literal: quoted, with its quotes doubled.
std::string ComoLiteral(const std::string& contenido);

class Enmascarado {
 public:
  explicit Enmascarado(const std::string& sql);

  // The text with every non-empty literal reduced to its quotes around a token.
  const std::string& Texto() const { return texto_; }
  // Puts the original literals back into a text derived from Texto().
  std::string Restaura(const std::string& enmascarado) const;

  // True when some literal has no closing quote.
  bool HayLiteralAbierto() const { return abierto_; }

  // The masked literal that starts at `pos` of a masked text (at its opening quote): the literal
  // as originally written (quotes included) and its length in the masked text. Nothing when no
  // literal starts there.
  struct Ficha {
    std::string original;
    size_t largo;
  };
  std::optional<Ficha> FichaEn(const std::string& enmascarado, size_t pos) const;

 private:
  std::string texto_;
  std::vector<std::string> contenidos_;  // raw text between the quotes, '' escapes kept
  bool abierto_ = false;
};

// Position of `buscar` in `sql` from `desde`, letter case ignored, skipping every match that
// touches a literal; npos when there is none.
size_t BuscarFuera(const std::string& sql, const std::string& buscar, size_t desde = 0);

}  // namespace literales
