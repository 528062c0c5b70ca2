#pragma once
// Typed values of database fields and run variables: null, text, integer, double, currency with
// four decimals and date-time. Texts are UTF-8 inside the program.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace plataforma {

// Currency: a signed amount held as ten-thousandths, so four decimals are exact.
struct Moneda {
  int64_t diezmilesimos = 0;
  static Moneda DesdeDouble(double v);  // rounds half away from zero to four decimals
  // Reads a decimal text with "." as separator ("-12.34567", "1.5e-05"), rounded as above;
  // false when it is no number or does not fit.
  static bool DesdeTexto(std::string_view texto, Moneda& resultado);
  double ComoDouble() const { return static_cast<double>(diezmilesimos) / 10000.0; }
  Moneda Absoluto() const { return Moneda{diezmilesimos < 0 ? -diezmilesimos : diezmilesimos}; }
  bool operator==(const Moneda&) const = default;
  auto operator<=>(const Moneda&) const = default;
};

// A calendar date with time of day (no time zone).
struct FechaHora {
  int anio = 1899, mes = 12, dia = 30, hora = 0, minuto = 0, segundo = 0;
  bool operator==(const FechaHora&) const = default;
  auto operator<=>(const FechaHora&) const = default;
};

struct Nulo {
  bool operator==(const Nulo&) const = default;
};

using Valor = std::variant<Nulo, std::string, int64_t, double, Moneda, FechaHora>;

inline bool EsNulo(const Valor& v) { return std::holds_alternative<Nulo>(v); }

}  // namespace plataforma
