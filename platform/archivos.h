#pragma once
// Files and the environment as the system sees them: input text files read line by line
// (Windows-1252 converted to UTF-8, or UTF-8 when the file is UTF-8), files shared with the
// suite's other programs written in Windows-1252, the program's folder, TEMP and TMP.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace plataforma {

// A file-system path from the program's UTF-8 text, and its UTF-8 text back. std::filesystem
// reads a plain std::string in the system's narrow encoding, which on Windows is not UTF-8: a
// path that may hold letters beyond ASCII goes through these.
std::filesystem::path RutaFs(const std::string& texto);
std::string TextoRuta(const std::filesystem::path& ruta);
// The system's folder for temporary files, as UTF-8 text; empty when it cannot be told.
std::string CarpetaTemporal();

// Conversions between the program's UTF-8 and the 8-bit Windows-1252 code page.
std::string Cp1252AUtf8(const std::string& bytes);
std::string Utf8ACp1252(const std::string& texto);  // characters outside the code page become '?'

// Sequential reading of a text file: a line ends at CR LF or at a lone CR (a lone LF is part of
// the line); a file with no CR at all but with LF has LF line ends; the last line needs no end;
// an empty line is a line. A file that starts with a
// UTF-8 byte-order mark, or is valid UTF-8 with non-ASCII bytes, is read as UTF-8; otherwise as
// Windows-1252.
class ArchivoTexto {
 public:
  // Raises ErrorEjecucion 53 (file not found) or 75 (path/file access) when it cannot be opened,
  // 75 too for a file that holds a NUL byte (binary, or UTF-16 text), naming the first line
  // that holds one (LineaConNul).
  void Abrir(const std::string& ruta);
  void Cerrar();
  bool Abierto() const;
  bool EOF_() const;        // true when no further line can be read
  std::string LeerLinea();  // raises ErrorEjecucion 62 past the end
  // The file has LF line ends (no CR at all).
  bool FinesDeLineaLF() const { return finLF_; }
  // The first line (1-based) of a CR file that holds a lone LF inside it; 0 when none does.
  long LineaConLFSuelto() const { return lineaLFSuelto_; }
  // The file's bytes as they were read, before any conversion (its byte-order mark included).
  const std::string& Bytes() const { return bruto_; }
  // The last line read as the file holds it: its own bytes and encoding, with its line end.
  std::string LineaEnBruto() const;
  // The UTF-8 byte-order mark the file starts with; empty when it has none.
  std::string MarcaDeOrden() const;
  // The file is read as UTF-8 (else as Windows-1252).
  bool Utf8() const { return utf8_; }
  // After an Abrir refused for a NUL byte: the first line (1-based) that holds one; else 0.
  int64_t LineaConNul() const { return lineaConNul_; }

 private:
  bool finLF_ = false;
  bool utf8_ = false;
  int64_t lineaConNul_ = 0;
  long lineaLFSuelto_ = 0;
  std::string contenido_;
  size_t posicion_ = 0;
  bool abierto_ = false;
  // The file's own bytes and, in them, where the next line and the last line read begin; line
  // ends are the same bytes in both encodings, so the lines match those of contenido_.
  std::string bruto_;
  size_t posicionBruta_ = 0;
  size_t inicioLineaBruta_ = 0;
};

// True when the path names a regular file that can be opened for reading.
bool ArchivoLegible(const std::string& ruta);
// Appends text converted to Windows-1252; false when the file cannot be written.
bool AgregarCp1252(const std::string& ruta, const std::string& texto);
// Replaces the file's content with `bytes` as they are; false when it cannot be written.
bool EscribirBytes(const std::string& ruta, const std::string& bytes);
// Removes the file when there is one; false when one is left.
bool BorrarArchivo(const std::string& ruta);

// The folder beside the program where the files the suite shares are kept: IMPORTADOR_CARPETA
// when set; otherwise the executable's folder when it is writable; otherwise "importador" in
// the user's data folder (CarpetaDatosDeUsuario), created when missing.
// Always ends with "/".
std::string CarpetaPrograma();
void EstablecerCarpetaPrograma(const std::string& carpeta);  // tests; empty restores the rule
// A read-only file or folder the program ships (the statistics content script, the sample
// files): the first that holds it of the program folder, the executable's folder and the
// installed data folder (share/importador beside the installed bin/, else the one the build
// was configured to install into). The program folder's path when none holds it, for a message
// to name.
std::string ArchivoDeDatos(const std::string& nombre);
// The executable's name without extension ("importador").
std::string NombreEjecutable();
// Value of an environment variable, empty when unset.
std::string Entorno(const std::string& nombre);

}  // namespace plataforma
