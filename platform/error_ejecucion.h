#pragma once
// The run-time error that the platform stand-ins and the core raise: a number as the suite's
// runtime and its database providers number them, a description and the source that raised it.
// Routines catch it where their failure handling says (retry, ignore, leave).

#include <cstdint>
#include <stdexcept>
#include <string>

namespace plataforma {

// Runtime error numbers the system reacts to.
inline constexpr int32_t kErrArgumentoInvalido = 5;   // invalid procedure call or argument
inline constexpr int32_t kErrDesbordamiento = 6;      // overflow
inline constexpr int32_t kErrIndiceFueraDeRango = 9;  // subscript out of range (a missing column)
inline constexpr int32_t kErrTipoIncompatible =
    13;                                     // type mismatch (a text that is no number or date)
inline constexpr int32_t kErrInterno = 51;  // internal error: a failure of the runtime itself
inline constexpr int32_t kErrArchivoNoAbierto = 52;  // bad file name or number
inline constexpr int32_t kErrArchivoNoEncontrado = 53;
inline constexpr int32_t kErrArchivoYaAbierto = 55;
inline constexpr int32_t kErrFinDeArchivo = 62;  // input past end of file
inline constexpr int32_t kErrAccesoRuta = 75;    // path/file access error
inline constexpr int32_t kErrRutaNoEncontrada = 76;

class ErrorEjecucion : public std::runtime_error {
 public:
  ErrorEjecucion(int32_t numero, std::string descripcion, std::string origen = "importador")
      : std::runtime_error(descripcion),
        Number(numero),
        Description(std::move(descripcion)),
        Source(std::move(origen)) {}

  int32_t Number;
  std::string Description;
  std::string Source;
};

}  // namespace plataforma
