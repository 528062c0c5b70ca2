// The system services on Windows (under Wine here): command lines as the C runtime reads them
// back, starting programs, the desktop shortcut as a shell link, the writable-folder test and
// the run lock between two holders.

#include <windows.h>
// After windows.h:
#include <gtest/gtest.h>
#include <shellapi.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/archivos.h"
#include "platform/bloqueo_archivo.h"
#include "platform/error_ejecucion.h"
#include "platform/sistema.h"
#include "tests/support/prueba_base.h"

namespace {

using plataforma::RutaFs;

std::wstring Ancho(const std::string& texto) {
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()), nullptr, 0);
  std::wstring ancho(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()), ancho.data(), n);
  return ancho;
}

std::string Bytes(const std::string& ruta) {
  std::ifstream f(RutaFs(ruta), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

class SistemaWin : public PruebaBase {};

TEST_F(SistemaWin, PalabrasDeOrdenVuelvenTalCual) {
  const std::string palabras[] = {"simple",          "con blanco",    "",
                                  "comilla\"dentro", "C:\\carpeta\\", "C:\\con blanco\\",
                                  "a\\\\\"b",        "x;y&z",         "@Server=sqlite:C:\\Año;"};
  for (const std::string& p : palabras) {
    SCOPED_TRACE(p);
    const std::wstring linea = L"programa " + Ancho(plataforma::PalabraDeOrden(p));
    int n = 0;
    wchar_t** argv = CommandLineToArgvW(linea.c_str(), &n);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(argv[1], Ancho(p));
    LocalFree(argv);
  }
  EXPECT_EQ(plataforma::PalabraDeOrden("C:/dir/archivo.txt"), "C:/dir/archivo.txt");
}

TEST_F(SistemaWin, EjecutarYEsperarDaElEstadoYPasaLosArgumentos) {
  const std::string cmd = plataforma::Entorno("ComSpec");
  ASSERT_FALSE(cmd.empty());
  EXPECT_EQ(plataforma::EjecutarYEsperar(cmd, {"/c", "exit 7"}), 7);
  EXPECT_EQ(plataforma::EjecutarYEsperar(Ruta("no-existe.exe"), {}), -1);
}

TEST_F(SistemaWin, IniciarSinEsperarYSusErrores) {
  const std::string marca = Ruta("iniciado.txt");
  plataforma::IniciarSinEsperar(plataforma::Entorno("ComSpec"), {"/c", "echo listo>" + marca});
  for (int i = 0; i < 250 && Bytes(marca).empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(Bytes(marca).rfind("listo", 0), 0u);
  try {
    plataforma::IniciarSinEsperar(Ruta("no-existe.exe"), {"x"});
    ADD_FAILURE() << "a missing program was started";
  } catch (const plataforma::ErrorEjecucion& e) {
    EXPECT_EQ(e.Number, plataforma::kErrAccesoRuta);
    EXPECT_NE(e.Description.find("No se pudo iniciar " + Ruta("no-existe.exe")), std::string::npos)
        << e.Description;
  }
}

// A real shell link: the header and class of the format, the target's name inside.
TEST_F(SistemaWin, AccesoDirectoEsUnEnlaceDelShell) {
  const std::string escritorio = Ruta("Escritorio de José");
  const std::string programa = plataforma::RutaEjecutable();
  const std::string ruta = plataforma::CrearAccesoDirecto(
      escritorio, "Virad Urorev", programa, {"@Server=sqlite:C:\\Empresas de José;@DbName=E;"},
      "importador");
  const std::string final = "\\Escritorio de José\\Virad Urorev.lnk";
  ASSERT_GT(ruta.size(), final.size());
  EXPECT_EQ(ruta.substr(ruta.size() - final.size()), final);
  const std::string lnk = Bytes(ruta);
  ASSERT_GE(lnk.size(), 76u) << ruta;
  EXPECT_EQ(lnk.substr(0, 4), std::string("\x4C\0\0\0", 4));
  EXPECT_EQ(lnk.substr(4, 16),
            std::string("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16));
  const std::string nombre = "test_platform.exe";
  const std::wstring nombreAncho = L"test_platform.exe";
  const std::string nombreUtf16(reinterpret_cast<const char*>(nombreAncho.data()),
                                nombreAncho.size() * sizeof(wchar_t));
  EXPECT_TRUE(lnk.find(nombre) != std::string::npos || lnk.find(nombreUtf16) != std::string::npos);
  // The arguments, quoted for their blanks, in the link's UTF-16 strings.
  const std::wstring argumentos = L"\"@Server=sqlite:C:\\Empresas de Jos\u00e9;@DbName=E;\"";
  EXPECT_NE(lnk.find(std::string(reinterpret_cast<const char*>(argumentos.data()),
                                 argumentos.size() * sizeof(wchar_t))),
            std::string::npos);

  EscribirArchivo("bloquea", "");
  try {
    plataforma::CrearAccesoDirecto(Ruta("bloquea"), "X", programa, {}, "");
    ADD_FAILURE() << "a shortcut was made under a file";
  } catch (const plataforma::ErrorEjecucion& e) {
    EXPECT_NE(e.Description.find("No se pudo crear el acceso directo"), std::string::npos);
  }
}

TEST_F(SistemaWin, CarpetaEscribibleYRutas) {
  EXPECT_TRUE(plataforma::CarpetaEscribible(carpeta_));
  std::filesystem::create_directory(RutaFs(Ruta("año")));
  EXPECT_TRUE(plataforma::CarpetaEscribible(Ruta("año")));
  EXPECT_FALSE(plataforma::CarpetaEscribible(Ruta("falta")));
  EXPECT_FALSE(plataforma::CarpetaEscribible(EscribirArchivo("archivo.txt", "x")));
  const std::string propio = plataforma::RutaEjecutable();
  EXPECT_EQ(propio.find('\\'), std::string::npos) << propio;
  EXPECT_EQ(propio.substr(propio.size() - 18), "/test_platform.exe");
  EXPECT_FALSE(plataforma::NombreMaquina().empty());
}

// Two holders of one lock file: the second sees the first's text while the lock is held.
TEST_F(SistemaWin, BloqueoEntreDosTitulares) {
  const std::string ruta = Ruta("empresa.db-importacion");
  const auto pronto = [] {
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
  };
  plataforma::BloqueoArchivo primero, segundo;
  std::string ocupante;
  ASSERT_TRUE(primero.Tomar(ruta, "OPERADOR en PC-1, modo 0", pronto(), ocupante)) << ocupante;
  EXPECT_FALSE(segundo.Tomar(ruta, "otro", pronto(), ocupante));
  EXPECT_EQ(ocupante, "OPERADOR en PC-1, modo 0");
  EXPECT_FALSE(segundo.Tomado());
  primero.Liberar();
  EXPECT_EQ(Bytes(ruta), "");
  ASSERT_TRUE(segundo.Tomar(ruta, "otro", pronto(), ocupante)) << ocupante;
  EXPECT_EQ(Bytes(ruta), "otro");
}

}  // namespace
