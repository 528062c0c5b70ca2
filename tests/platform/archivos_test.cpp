#include "platform/archivos.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/error_ejecucion.h"
#include "platform/sistema.h"
#include "tests/support/prueba_base.h"

namespace {

using namespace plataforma;

class ArchivosTest : public PruebaBase {
 protected:
  std::vector<std::string> Lineas(const std::string& contenido) {
    ArchivoTexto a;
    a.Abrir(EscribirArchivo("entrada.txt", contenido));
    std::vector<std::string> lineas;
    while (!a.EOF_()) lineas.push_back(a.LeerLinea());
    a.Cerrar();
    return lineas;
  }
  std::string Bytes(const std::string& ruta) {
    std::ifstream f(ruta, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
  }
};

using Lista = std::vector<std::string>;

TEST_F(ArchivosTest, LecturaDeLineas) {
  struct Caso {
    const char* nombre;
    std::string contenido;
    Lista lineas;
  } casos[] = {
      {"CR LF", "a\r\nb\r\n", {"a", "b"}},
      {"vacio", "", {}},
      {"una linea vacia", "\r\n", {""}},
      {"lineas vacias en medio", "a\r\n\r\nb", {"a", "", "b"}},
      {"sin fin de la ultima", "a\r\nb", {"a", "b"}},
      {"CR solo", "a\rb\r", {"a", "b"}},
      {"LF solo dentro de la linea", "a\nb\r\nc", {"a\nb", "c"}},
      // With no CR at all the file has LF line ends.
      {"solo LF", "a\nb\n\nc", {"a", "b", "", "c"}},
      {"LF solo al final", "a\n", {"a"}},
      {"CR CR LF", "a\r\r\nb", {"a", "", "b"}},
      // Octal escapes: a hex escape would swallow the letter after it.
      {"Windows-1252", "Pe\361a;\200 12;Ni\361o\r\n", {"Peña;€ 12;Niño"}},
      {"UTF-8 con BOM", "\357\273\277a;b\r\n", {"a;b"}},
      {"BOM ante Windows-1252", "\357\273\277Pe\321a", {"PeÑa"}},
      {"UTF-8 sin BOM", "Peña\r\nJosé", {"Peña", "José"}},
      // Invalid as UTF-8 (a lone 0xF1 before an ASCII letter): read as Windows-1252.
      {"mezcla", "Peña \361a", {"PeÃ±a ña"}},
  };
  for (const auto& c : casos) EXPECT_EQ(Lineas(c.contenido), c.lineas) << c.nombre;
}

// Each line in the file's own bytes: put back together after the byte-order mark, they are the
// file, whatever its encoding and line ends.
TEST_F(ArchivosTest, LineasEnBrutoSonLosBytesDelArchivo) {
  struct Caso {
    const char* nombre;
    std::string contenido;
    Lista bytes;
  } casos[] = {
      {"Windows-1252 CR LF", "Pe\361a\r\n\200 1\r\n", {"Pe\361a\r\n", "\200 1\r\n"}},
      {"sin fin de la ultima", "a\r\nb", {"a\r\n", "b"}},
      {"CR solo y CR LF", "a\rb\r\n\r\nc\r", {"a\r", "b\r\n", "\r\n", "c\r"}},
      {"LF suelto dentro de la linea", "a\nb\r\nc", {"a\nb\r\n", "c"}},
      {"solo LF", "a\n\nb\n", {"a\n", "\n", "b\n"}},
      {"CR CR LF", "a\r\r\nb", {"a\r", "\r\n", "b"}},
      {"UTF-8 con BOM", "\357\273\277Peña\r\nJosé", {"Peña\r\n", "José"}},
      {"BOM ante Windows-1252", "\357\273\277Pe\321a\r\n", {"Pe\321a\r\n"}},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    ArchivoTexto a;
    a.Abrir(EscribirArchivo("entrada.txt", c.contenido));
    EXPECT_EQ(a.Bytes(), c.contenido);
    Lista bytes;
    std::string juntas = a.MarcaDeOrden();
    while (!a.EOF_()) {
      a.LeerLinea();
      bytes.push_back(a.LineaEnBruto());
      juntas += bytes.back();
    }
    EXPECT_EQ(bytes, c.bytes);
    EXPECT_EQ(juntas, c.contenido);
  }
}

// A file with LF line ends says so; a CR file names its first line holding a lone LF.
TEST_F(ArchivosTest, FinesDeLineaDelArchivo) {
  struct Caso {
    const char* contenido;
    bool lf;
    long lineaConLF;
  } casos[] = {{"a\r\nb\r\n", false, 0},
               {"a\nb\n", true, 0},
               {"a\r\nb\nc\r\nd\n", false, 2},
               {"", false, 0}};
  for (const auto& c : casos) {
    SCOPED_TRACE(c.contenido);
    plataforma::ArchivoTexto archivo;
    archivo.Abrir(EscribirArchivo("lineas.txt", c.contenido));
    EXPECT_EQ(archivo.FinesDeLineaLF(), c.lf);
    EXPECT_EQ(archivo.LineaConLFSuelto(), c.lineaConLF);
  }
}

TEST_F(ArchivosTest, ErroresDeLectura) {
  ArchivoTexto a;
  auto numeroAlAbrir = [&](const std::string& ruta) {
    try {
      a.Abrir(ruta);
    } catch (const ErrorEjecucion& e) {
      EXPECT_NE(e.Description.find(ruta), std::string::npos) << e.Description;
      return e.Number;
    }
    return 0;
  };
  EXPECT_EQ(numeroAlAbrir(Ruta("no_existe.txt")), kErrArchivoNoEncontrado);
  std::filesystem::create_directory(Ruta("carpeta"));
  EXPECT_EQ(numeroAlAbrir(Ruta("carpeta")), kErrAccesoRuta);
  // A NUL byte: binary, or UTF-16 text ("C\0l\0"), never an export of the previous system.
  EXPECT_EQ(numeroAlAbrir(EscribirArchivo("utf16.txt", std::string("\xFF\xFE"
                                                                   "C\0l\0",
                                                                   6))),
            kErrAccesoRuta);
  EXPECT_FALSE(a.Abierto());

  a.Abrir(EscribirArchivo("uno.txt", "x"));
  EXPECT_EQ(a.LeerLinea(), "x");
  try {
    a.LeerLinea();
    FAIL() << "read past the end";
  } catch (const ErrorEjecucion& e) {
    EXPECT_EQ(e.Number, kErrFinDeArchivo);
  }
  // Reopening starts from the first line again, as the import run's second pass needs.
  a.Cerrar();
  a.Abrir(Ruta("uno.txt"));
  EXPECT_EQ(a.LeerLinea(), "x");
}

TEST_F(ArchivosTest, ArchivoLegible) {
  EXPECT_TRUE(ArchivoLegible(EscribirArchivo("a.txt", "")));
  EXPECT_FALSE(ArchivoLegible(Ruta("falta.txt")));
  EXPECT_FALSE(ArchivoLegible(carpeta_));
  EXPECT_FALSE(ArchivoLegible(""));
  if (::geteuid() != 0) {
    ::chmod(Ruta("a.txt").c_str(), 0);
    EXPECT_FALSE(ArchivoLegible(Ruta("a.txt")));
  }
}

TEST_F(ArchivosTest, CodigoDePagina) {
  EXPECT_EQ(Cp1252AUtf8("\xE1\xE9\xED\xF3\xFA\xF1\xD1\xFC\x80\x93\x94"), "áéíóúñÑü€“”");
  EXPECT_EQ(Utf8ACp1252("áéíóúñÑü€“”"), "\xE1\xE9\xED\xF3\xFA\xF1\xD1\xFC\x80\x93\x94");
  EXPECT_EQ(Utf8ACp1252("日本"), "??");
  EXPECT_EQ(Utf8ACp1252("a\377b"), "a?b");
  std::string todos;
  for (int b = 0; b < 256; ++b) todos += static_cast<char>(b);
  EXPECT_EQ(Utf8ACp1252(Cp1252AUtf8(todos)), todos);
}

TEST_F(ArchivosTest, AgregarCp1252) {
  std::string ruta = Ruta("KVERR.LOG");
  EXPECT_TRUE(AgregarCp1252(ruta, "Respondió : Sí\r\n"));
  EXPECT_TRUE(AgregarCp1252(ruta, "otra\r\n"));
  EXPECT_EQ(Bytes(ruta), "Respondi\xF3 : S\xED\r\notra\r\n");
  EXPECT_FALSE(AgregarCp1252(Ruta("falta/KVERR.LOG"), "x"));
}

TEST_F(ArchivosTest, EscribirYBorrar) {
  const std::string ruta = Ruta("salida.txt");
  EXPECT_TRUE(EscribirBytes(ruta, "larga\r\n"));
  EXPECT_TRUE(EscribirBytes(ruta, "Pe\361a"));  // replaced, not appended, and not converted
  EXPECT_EQ(Bytes(ruta), "Pe\361a");
  EXPECT_FALSE(EscribirBytes(Ruta("falta/salida.txt"), "x"));
  EXPECT_TRUE(BorrarArchivo(ruta));
  EXPECT_FALSE(std::filesystem::exists(ruta));
  EXPECT_TRUE(BorrarArchivo(ruta));  // nothing left to remove
  std::filesystem::create_directories(Ruta("carpeta/dentro"));
  EXPECT_FALSE(BorrarArchivo(Ruta("carpeta")));  // a folder with something in it stays
}

TEST_F(ArchivosTest, CarpetaPrograma) {
  EXPECT_EQ(CarpetaPrograma(), carpeta_);
  EstablecerCarpetaPrograma("");
  ::setenv("IMPORTADOR_CARPETA", "/opt/empresa", 1);
  EXPECT_EQ(CarpetaPrograma(), "/opt/empresa/");
  ::unsetenv("IMPORTADOR_CARPETA");
  std::string sinVariable = CarpetaPrograma();
  EXPECT_EQ(sinVariable.back(), '/');
  EXPECT_TRUE(std::filesystem::is_directory(sinVariable));
  EstablecerCarpetaPrograma(carpeta_);
  EXPECT_EQ(NombreEjecutable(), "importador");
}

// A read-only file: the program's folder first, then beside the executable; the program's
// folder's path, for the message, when no folder holds it.
TEST_F(ArchivosTest, ArchivoDeDatosPorOrden) {
  const std::string nombre = "datos-de-prueba-" + std::to_string(::getpid()) + ".sql";
  const std::filesystem::path junto = RutaFs(RutaEjecutable()).parent_path() / RutaFs(nombre);
  EXPECT_EQ(ArchivoDeDatos(nombre), carpeta_ + nombre);
  std::ofstream(junto) << "x";
  EXPECT_EQ(RutaFs(ArchivoDeDatos(nombre)), junto);
  EscribirArchivo(nombre, "y");
  EXPECT_EQ(ArchivoDeDatos(nombre), carpeta_ + nombre);
  std::filesystem::remove(junto);
}

TEST_F(ArchivosTest, Entorno) {
  ::setenv("IMPORTADOR_PRUEBA", "valor", 1);
  EXPECT_EQ(Entorno("IMPORTADOR_PRUEBA"), "valor");
  ::unsetenv("IMPORTADOR_PRUEBA");
  EXPECT_EQ(Entorno("IMPORTADOR_PRUEBA"), "");
}

}  // namespace
