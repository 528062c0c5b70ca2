#include "platform/archivos.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include "platform/error_ejecucion.h"
#include "platform/sistema.h"

namespace plataforma {

namespace {

namespace fs = std::filesystem;

constexpr char kMarcaUtf8[] = "\xEF\xBB\xBF";

// Unicode code points of Windows-1252 bytes 0x80-0x9F; the five undefined bytes keep their
// C1 control code point, so every byte survives the round trip.
constexpr char32_t kC1[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                              0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                              0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                              0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AgregarUtf8(std::string& salida, char32_t c) {
  if (c < 0x80) {
    salida += static_cast<char>(c);
  } else if (c < 0x800) {
    salida += static_cast<char>(0xC0 | (c >> 6));
    salida += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    salida += static_cast<char>(0xE0 | (c >> 12));
    salida += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    salida += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    salida += static_cast<char>(0xF0 | (c >> 18));
    salida += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    salida += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    salida += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes the UTF-8 character at `i` and advances past it; false on a malformed sequence
// (overlong forms and surrogates included).
bool LeerUtf8(const std::string& s, size_t& i, char32_t& c) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char p = b(i);
  size_t largo;
  char32_t minimo;
  if (p < 0x80) {
    c = p, ++i;
    return true;
  } else if ((p & 0xE0) == 0xC0) {
    largo = 2, c = p & 0x1F, minimo = 0x80;
  } else if ((p & 0xF0) == 0xE0) {
    largo = 3, c = p & 0x0F, minimo = 0x800;
  } else if ((p & 0xF8) == 0xF0) {
    largo = 4, c = p & 0x07, minimo = 0x10000;
  } else {
    return false;
  }
  if (i + largo > s.size()) return false;
  for (size_t k = 1; k < largo; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return false;
    c = (c << 6) | (b(i + k) & 0x3F);
  }
  if (c < minimo || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
  i += largo;
  return true;
}

// True for well-formed UTF-8 (plain ASCII included, which reads the same in Windows-1252).
bool EsUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    char32_t c;
    if (!LeerUtf8(s, i, c)) return false;
  }
  return true;
}

// The line (1-based) that holds byte `posicion`, with the line ends the reader uses: CR (or
// CR LF) when the bytes hold a CR, else LF.
int64_t LineaDelByte(const std::string& bytes, size_t posicion) {
  const char fin = bytes.find('\r') != std::string::npos ? '\r' : '\n';
  int64_t linea = 1;
  for (size_t i = 0; i < posicion; ++i) linea += bytes[i] == fin ? 1 : 0;
  return linea;
}

std::string ConBarra(std::string carpeta) {
  if (carpeta.empty() || carpeta.back() != '/') carpeta += '/';
  return carpeta;
}

std::string& CarpetaEstablecida() {
  static std::string carpeta;
  return carpeta;
}

}  // namespace

fs::path RutaFs(const std::string& texto) {
  return fs::path(std::u8string_view(reinterpret_cast<const char8_t*>(texto.data()), texto.size()));
}

std::string TextoRuta(const fs::path& ruta) {
  const std::u8string texto = ruta.u8string();
  return std::string(texto.begin(), texto.end());
}

std::string CarpetaTemporal() {
  std::error_code ec;
  const fs::path carpeta = fs::temp_directory_path(ec);
  return ec ? "" : TextoRuta(carpeta);
}

std::string Cp1252AUtf8(const std::string& bytes) {
  std::string salida;
  salida.reserve(bytes.size());
  for (char ch : bytes) {
    auto b = static_cast<unsigned char>(ch);
    if (b < 0x80) {
      salida += ch;
    } else {
      AgregarUtf8(salida, b < 0xA0 ? kC1[b - 0x80] : static_cast<char32_t>(b));
    }
  }
  return salida;
}

std::string Utf8ACp1252(const std::string& texto) {
  std::string salida;
  salida.reserve(texto.size());
  for (size_t i = 0; i < texto.size();) {
    char32_t c;
    if (!LeerUtf8(texto, i, c)) {
      salida += '?';
      ++i;
      continue;
    }
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      salida += static_cast<char>(c);
      continue;
    }
    char byte = '?';
    for (int k = 0; k < 32; ++k) {
      if (kC1[k] == c) byte = static_cast<char>(0x80 + k);
    }
    salida += byte;
  }
  return salida;
}

void ArchivoTexto::Abrir(const std::string& ruta) {
  Cerrar();
  std::error_code ec;
  const fs::path archivo = RutaFs(ruta);
  if (ruta.empty() || !fs::exists(archivo, ec)) {
    throw ErrorEjecucion(kErrArchivoNoEncontrado, "No se encontró el archivo: " + ruta);
  }
  std::ifstream f;
  if (fs::is_regular_file(archivo, ec)) f.open(archivo, std::ios::binary);
  if (!f.is_open()) {
    throw ErrorEjecucion(kErrAccesoRuta, "Error de acceso a la ruta o el archivo: " + ruta);
  }
  std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (f.bad()) {
    throw ErrorEjecucion(kErrAccesoRuta, "Error de acceso a la ruta o el archivo: " + ruta);
  }
  // No text export holds a NUL byte: such a file is binary, or text in UTF-16, and read as
  // Windows-1252 it would give lines of noise that post nothing or post garbage without a word.
  if (const size_t nul = bytes.find('\0'); nul != std::string::npos) {
    lineaConNul_ = LineaDelByte(bytes, nul);
    throw ErrorEjecucion(kErrAccesoRuta, "El archivo no es un archivo de texto (un byte NUL en la "
                                         "línea " + std::to_string(lineaConNul_) + "): " + ruta);
  }
  bruto_ = bytes;
  posicionBruta_ = inicioLineaBruta_ = 0;
  if (bytes.rfind(kMarcaUtf8, 0) == 0) {
    bytes.erase(0, 3);
    posicionBruta_ = inicioLineaBruta_ = 3;
  }
  // A mark before bytes that are no UTF-8 is wrong about them: they are read as Windows-1252,
  // like any other such file, so no malformed text ever reaches the database.
  utf8_ = EsUtf8(bytes);
  contenido_ = utf8_ ? std::move(bytes) : Cp1252AUtf8(bytes);
  posicion_ = 0;
  abierto_ = true;
  // A file written on Linux or by a modern editor ends its lines with LF alone.
  finLF_ = contenido_.find('\r') == std::string::npos && contenido_.find('\n') != std::string::npos;
  lineaLFSuelto_ = 0;
  if (finLF_) return;
  long linea = 1;
  for (size_t i = 0; i < contenido_.size(); ++i) {
    if (contenido_[i] == '\r') {
      ++linea;
      if (i + 1 < contenido_.size() && contenido_[i + 1] == '\n') ++i;
    } else if (contenido_[i] == '\n') {
      lineaLFSuelto_ = linea;
      break;
    }
  }
}

void ArchivoTexto::Cerrar() {
  utf8_ = false;
  lineaConNul_ = 0;
  contenido_.clear();
  bruto_.clear();
  posicionBruta_ = inicioLineaBruta_ = 0;
  finLF_ = false;
  lineaLFSuelto_ = 0;
  posicion_ = 0;
  abierto_ = false;
}

bool ArchivoTexto::Abierto() const { return abierto_; }

bool ArchivoTexto::EOF_() const { return !abierto_ || posicion_ >= contenido_.size(); }

std::string ArchivoTexto::LeerLinea() {
  if (!abierto_) throw ErrorEjecucion(kErrArchivoNoAbierto, "El archivo no está abierto");
  if (posicion_ >= contenido_.size()) {
    throw ErrorEjecucion(kErrFinDeArchivo, "Se ha sobrepasado el final del archivo");
  }
  // Only CR ends a line (alone or before LF); a lone LF stays inside the line. In a file with
  // no CR, LF ends it.
  size_t cr = contenido_.find(finLF_ ? '\n' : '\r', posicion_);
  if (cr == std::string::npos) cr = contenido_.size();
  std::string linea = contenido_.substr(posicion_, cr - posicion_);
  posicion_ = cr + 1;
  if (!finLF_ && posicion_ < contenido_.size() && contenido_[posicion_] == '\n') ++posicion_;
  // The same line in the file's own bytes.
  inicioLineaBruta_ = posicionBruta_;
  size_t fin = bruto_.find(finLF_ ? '\n' : '\r', posicionBruta_);
  fin = fin == std::string::npos ? bruto_.size() : fin + 1;
  if (!finLF_ && fin < bruto_.size() && bruto_[fin - 1] == '\r' && bruto_[fin] == '\n') ++fin;
  posicionBruta_ = fin;
  return linea;
}

std::string ArchivoTexto::LineaEnBruto() const {
  return bruto_.substr(inicioLineaBruta_, posicionBruta_ - inicioLineaBruta_);
}

std::string ArchivoTexto::MarcaDeOrden() const {
  return bruto_.rfind(kMarcaUtf8, 0) == 0 ? kMarcaUtf8 : "";
}

bool ArchivoLegible(const std::string& ruta) {
  std::error_code ec;
  if (ruta.empty() || !fs::is_regular_file(RutaFs(ruta), ec)) return false;
  std::ifstream f(RutaFs(ruta), std::ios::binary);
  return f.is_open();
}

bool AgregarCp1252(const std::string& ruta, const std::string& texto) {
  std::ofstream f(RutaFs(ruta), std::ios::binary | std::ios::app);
  if (!f.is_open()) return false;
  f << Utf8ACp1252(texto);
  f.close();
  return !f.fail();
}

bool EscribirBytes(const std::string& ruta, const std::string& bytes) {
  std::ofstream f(RutaFs(ruta), std::ios::binary | std::ios::trunc);
  if (!f.is_open()) return false;
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  f.close();
  return !f.fail();
}

bool BorrarArchivo(const std::string& ruta) {
  std::error_code ec;
  fs::remove(RutaFs(ruta), ec);
  return !fs::exists(RutaFs(ruta), ec);
}

std::string CarpetaPrograma() {
  if (!CarpetaEstablecida().empty()) return CarpetaEstablecida();
  std::string elegida = Entorno("IMPORTADOR_CARPETA");
  if (!elegida.empty()) return ConBarra(elegida);
  const std::string ejecutable = RutaEjecutable();
  if (!ejecutable.empty()) {
    const std::string suya = TextoRuta(RutaFs(ejecutable).parent_path());
    if (CarpetaEscribible(suya)) return ConBarra(suya);
  }
  std::error_code ec;
  fs::path carpeta = RutaFs(CarpetaDatosDeUsuario()) / "importador";
  fs::create_directories(carpeta, ec);
  return ConBarra(TextoRuta(carpeta));
}

void EstablecerCarpetaPrograma(const std::string& carpeta) {
  CarpetaEstablecida() = carpeta.empty() ? "" : ConBarra(carpeta);
}

std::string ArchivoDeDatos(const std::string& nombre) {
  const std::string enPrograma = CarpetaPrograma() + nombre;
  std::vector<fs::path> candidatos = {RutaFs(enPrograma)};
  const std::string ejecutable = RutaEjecutable();
  if (!ejecutable.empty()) {
    const fs::path suya = RutaFs(ejecutable).parent_path();
    candidatos.push_back(suya / RutaFs(nombre));
    candidatos.push_back((suya / IMPORTADOR_DATOS_DESDE_BIN).lexically_normal() / RutaFs(nombre));
  }
  candidatos.push_back(fs::path(IMPORTADOR_DATOS_INSTALADOS) / RutaFs(nombre));
  for (const fs::path& candidato : candidatos) {
    std::error_code ec;
    if (fs::exists(candidato, ec)) return TextoRuta(candidato);
  }
  return enPrograma;
}

std::string NombreEjecutable() { return "importador"; }

}  // namespace plataforma
