#include "data/bases_registradas.h"

#include <array>

#include "platform/archivos.h"
#include "platform/error_ejecucion.h"
#include "utility/utilidades.h"

namespace {

constexpr int kErrArchivo = 75;  // path/file access error
constexpr size_t kCampos = 5;

// The fields as the reader of comma-separated records takes them: each up to the next "," or
// line end, surrounding blanks dropped; a quoted field up to its closing quote.
std::vector<std::string> CamposDeArchivo(const std::string& ruta) {
  plataforma::ArchivoTexto archivo;
  archivo.Abrir(ruta);
  std::vector<std::string> campos;
  while (!archivo.EOF_()) {
    std::string linea = archivo.LeerLinea();
    for (std::string& campo : utilidad::Dividir(linea, ",")) {
      std::string limpio = utilidad::Trim(campo);
      if (limpio.size() >= 2 && limpio.front() == '"' && limpio.back() == '"') {
        limpio = limpio.substr(1, limpio.size() - 2);
      }
      campos.push_back(limpio);
    }
  }
  archivo.Cerrar();
  return campos;
}

}  // namespace

std::string RutaBasesRegistradas() {
  return utilidad::RutaConBarra(plataforma::CarpetaPrograma()) + "BASES.TXT";
}

bool TieneSeparadorDeCampo(const std::string& texto) {
  return texto.find_first_of(",\r\n") != std::string::npos;
}

std::vector<BaseRegistrada> LeerBasesRegistradas(const std::string& ruta) {
  const std::vector<std::string> campos = CamposDeArchivo(ruta);
  std::vector<BaseRegistrada> bases;
  for (size_t i = 0; i < campos.size(); i += kCampos) {
    std::array<std::string, kCampos> r;
    for (size_t j = 0; j < kCampos && i + j < campos.size(); ++j) r[j] = campos[i + j];
    bases.push_back({r[0], r[1], r[2], r[3], r[4]});
  }
  return bases;
}

void AgregarBaseRegistrada(const std::string& ruta, const BaseRegistrada& base) {
  const std::array<std::string, kCampos> campos = {
      utilidad::Trim(base.nombre), utilidad::Trim(base.base), utilidad::Trim(base.usuario),
      utilidad::Trim(base.claveCifrada), utilidad::Trim(base.servidor)};
  for (const std::string& campo : campos) {
    if (TieneSeparadorDeCampo(campo)) {
      throw plataforma::ErrorEjecucion(plataforma::kErrArgumentoInvalido,
                                       "El valor \"" + campo +
                                           "\" contiene una coma o un salto de linea y no se "
                                           "puede registrar en BASES.TXT");
    }
  }
  const std::string linea =
      campos[0] + "," + campos[1] + "," + campos[2] + "," + campos[3] + "," + campos[4] + "\r\n";
  if (!plataforma::AgregarCp1252(ruta, linea)) {
    throw plataforma::ErrorEjecucion(kErrArchivo, "No se pudo escribir " + ruta);
  }
}
