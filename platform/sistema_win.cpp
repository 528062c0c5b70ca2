// The system services on Windows: the wide-character Win32 interfaces, CreateProcess, the
// shell's known folders, ShellExecute and shell links through COM.

#include <windows.h>
// After windows.h:
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "platform/archivos.h"
#include "platform/error_ejecucion.h"
#include "platform/sistema.h"
#include "platform/texto_win.h"

namespace plataforma {
namespace {

namespace fs = std::filesystem;

// A path with "/" between its parts, as the rest of the program joins them.
std::string Generica(const std::wstring& ruta) {
  std::string texto = Utf8(ruta);
  for (char& c : texto) {
    if (c == '\\') c = '/';
  }
  return texto;
}

std::wstring Nativa(const std::string& ruta) {
  std::wstring texto = Ancho(ruta);
  for (wchar_t& c : texto) {
    if (c == L'/') c = L'\\';
  }
  return texto;
}

std::string CarpetaConocida(REFKNOWNFOLDERID id) {
  wchar_t* ruta = nullptr;
  std::string carpeta;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &ruta))) carpeta = Utf8(ruta);
  CoTaskMemFree(ruta);
  return carpeta;
}

// One argument as CommandLineToArgvW and the C runtime read it back: quoted when it is empty or
// holds a blank or a quote; backslashes are doubled only before a quote.
std::wstring ArgumentoDeLinea(const std::wstring& argumento) {
  if (!argumento.empty() && argumento.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    return argumento;
  }
  std::wstring r = L"\"";
  size_t barras = 0;
  for (wchar_t c : argumento) {
    if (c == L'\\') {
      ++barras;
      continue;
    }
    r.append(c == L'"' ? barras * 2 + 1 : barras, L'\\');
    barras = 0;
    r += c;
  }
  r.append(barras * 2, L'\\');
  return r + L"\"";
}

std::wstring LineaDeOrden(const std::string& programa, const std::vector<std::string>& argumentos) {
  std::wstring linea = ArgumentoDeLinea(Nativa(programa));
  for (const std::string& a : argumentos) linea += L" " + ArgumentoDeLinea(Ancho(a));
  return linea;
}

// COM for this thread while the object lives (the shell's objects need it).
class Com {
 public:
  Com()
      : iniciado_(
            SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {
  }
  ~Com() {
    if (iniciado_) CoUninitialize();
  }
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;

 private:
  bool iniciado_;
};

// A handle of ours that the child can inherit, for one of its standard streams.
HANDLE Heredable(DWORD cual) {
  HANDLE propio = GetStdHandle(cual);
  HANDLE copia = nullptr;
  if (propio == nullptr || propio == INVALID_HANDLE_VALUE ||
      !DuplicateHandle(GetCurrentProcess(), propio, GetCurrentProcess(), &copia, 0, TRUE,
                       DUPLICATE_SAME_ACCESS)) {
    return nullptr;
  }
  return copia;
}

// The program writes UTF-8; a console shows its own code page (the OEM one) unless told
// otherwise. Told when the program starts, and given back its own when the program ends, as
// the console outlives the program.
class ConsolaUtf8 {
 public:
  ConsolaUtf8() : anterior_(GetConsoleOutputCP()) {
    if (anterior_ != 0) SetConsoleOutputCP(CP_UTF8);
  }
  ~ConsolaUtf8() {
    if (anterior_ != 0) SetConsoleOutputCP(anterior_);
  }
  ConsolaUtf8(const ConsolaUtf8&) = delete;
  ConsolaUtf8& operator=(const ConsolaUtf8&) = delete;

 private:
  UINT anterior_;  // 0 without a console
};

const ConsolaUtf8 consola;

}  // namespace

std::string RutaEjecutable() {
  std::wstring ruta(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, ruta.data(), static_cast<DWORD>(ruta.size()));
    if (n == 0) return "";
    if (n < ruta.size()) {
      ruta.resize(n);
      return Generica(ruta);
    }
    ruta.resize(ruta.size() * 2);
  }
}

std::string CarpetaDatosDeUsuario() {
  std::string carpeta = CarpetaConocida(FOLDERID_LocalAppData);
  if (carpeta.empty()) carpeta = Entorno("LOCALAPPDATA");
  for (char& c : carpeta) {
    if (c == '\\') c = '/';
  }
  return carpeta;
}

std::string Entorno(const std::string& nombre) {
  const wchar_t* valor = _wgetenv(Ancho(nombre).c_str());
  return valor ? Utf8(valor) : "";
}

std::string NombreMaquina() {
  wchar_t nombre[256] = {};
  DWORD largo = 256;
  if (!GetComputerNameExW(ComputerNameDnsHostname, nombre, &largo)) return "";
  return Utf8(std::wstring(nombre, largo));
}

void EstablecerEntorno(const std::string& nombre, const std::string& valor) {
  _wputenv_s(Ancho(nombre).c_str(), Ancho(valor).c_str());
}

void QuitarEntorno(const std::string& nombre) { _wputenv_s(Ancho(nombre).c_str(), L""); }

// A console, not a file or a pipe (nor the NUL device, which the C runtime takes for a terminal).
bool ErroresEnTerminal() {
  DWORD modo = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &modo) != 0;
}

bool LegiblePorOtros(const std::string&) { return false; }

bool CarpetaEscribible(const std::string& carpeta) {
  const std::wstring ruta = Ancho(carpeta);
  const DWORD atributos = GetFileAttributesW(ruta.c_str());
  if (atributos == INVALID_FILE_ATTRIBUTES || !(atributos & FILE_ATTRIBUTE_DIRECTORY)) {
    return false;
  }
  // Permissions on Windows are access lists: the only sure test is to make a file there.
  wchar_t prueba[MAX_PATH + 16] = {};
  if (GetTempFileNameW(ruta.c_str(), L"imp", 0, prueba) == 0) return false;
  DeleteFileW(prueba);
  return true;
}

std::string CrearCarpetaTemporal(const std::string& prefijo) {
  wchar_t base[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathW(MAX_PATH + 1, base);
  if (n == 0) return "";
  std::random_device azar;
  for (int intento = 0; intento < 100; ++intento) {
    char sufijo[16];
    std::snprintf(sufijo, sizeof sufijo, "%06x", static_cast<unsigned>(azar() & 0xFFFFFF));
    const std::wstring ruta = std::wstring(base, n) + Ancho(prefijo + sufijo);
    // The user's temporary folder is private to the user already.
    if (CreateDirectoryW(ruta.c_str(), nullptr)) return Generica(ruta);
    if (GetLastError() != ERROR_ALREADY_EXISTS) return "";
  }
  return "";
}

int EjecutarYEsperar(const std::string& programa, const std::vector<std::string>& argumentos) {
  std::wstring linea = LineaDeOrden(programa, argumentos);
  STARTUPINFOW inicio{};
  inicio.cb = sizeof inicio;
  inicio.dwFlags = STARTF_USESTDHANDLES;
  inicio.hStdInput = Heredable(STD_INPUT_HANDLE);
  inicio.hStdOutput = Heredable(STD_OUTPUT_HANDLE);
  inicio.hStdError = Heredable(STD_ERROR_HANDLE);
  PROCESS_INFORMATION proceso{};
  const BOOL iniciado = CreateProcessW(Nativa(programa).c_str(), linea.data(), nullptr, nullptr,
                                       TRUE, 0, nullptr, nullptr, &inicio, &proceso);
  for (HANDLE h : {inicio.hStdInput, inicio.hStdOutput, inicio.hStdError}) {
    if (h) CloseHandle(h);
  }
  if (!iniciado) return -1;
  DWORD estado = static_cast<DWORD>(-1);
  if (WaitForSingleObject(proceso.hProcess, INFINITE) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(proceso.hProcess, &estado)) {
    estado = static_cast<DWORD>(-1);
  }
  CloseHandle(proceso.hThread);
  CloseHandle(proceso.hProcess);
  return static_cast<int>(estado);
}

void IniciarSinEsperar(const std::string& programa, const std::vector<std::string>& argumentos) {
  std::wstring linea = LineaDeOrden(programa, argumentos);
  STARTUPINFOW inicio{};
  inicio.cb = sizeof inicio;
  PROCESS_INFORMATION proceso{};
  if (!CreateProcessW(Nativa(programa).c_str(), linea.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &inicio, &proceso)) {
    throw ErrorEjecucion(kErrAccesoRuta,
                         "No se pudo iniciar " + programa + ": " + TextoDeError(GetLastError()));
  }
  CloseHandle(proceso.hThread);
  CloseHandle(proceso.hProcess);
}

void AbrirDocumento(const std::string& ruta) {
  if (ruta.empty()) return;
  Com com;
  ShellExecuteW(nullptr, L"open", Nativa(ruta).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

std::string PalabraDeOrden(const std::string& palabra) {
  if (!palabra.empty() &&
      palabra.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                "0123456789-_./\\=:") == std::string::npos) {
    return palabra;
  }
  std::wstring ancho = Ancho(palabra);
  std::wstring citada = ArgumentoDeLinea(ancho);
  if (citada == ancho) citada = L"\"" + ancho + L"\"";  // ; & | ^ < > are the console's own
  return Utf8(citada);
}

std::string CarpetaEscritorio() { return CarpetaConocida(FOLDERID_Desktop); }

std::string CrearAccesoDirecto(const std::string& carpeta, const std::string& nombre,
                               const std::string& programa,
                               const std::vector<std::string>& argumentos, const std::string&) {
  const std::wstring ruta = Nativa(carpeta) + L"\\" + Ancho(nombre) + L".lnk";
  const std::string rutaTexto = Utf8(ruta);
  auto fallo = [&](HRESULT hr) {
    return ErrorEjecucion(kErrAccesoRuta, "No se pudo crear el acceso directo " + rutaTexto + ": " +
                                              TextoDeError(static_cast<DWORD>(hr)));
  };
  std::error_code ec;
  fs::create_directories(fs::path(Nativa(carpeta)), ec);
  Com com;
  IShellLinkW* enlace = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&enlace));
  if (FAILED(hr)) throw fallo(hr);
  const std::wstring destino = Nativa(programa);
  const std::wstring carpetaDestino = fs::path(destino).parent_path().wstring();
  enlace->SetPath(destino.c_str());
  std::wstring linea;
  for (const std::string& a : argumentos) {
    linea += (linea.empty() ? L"" : L" ") + ArgumentoDeLinea(Ancho(a));
  }
  enlace->SetArguments(linea.c_str());
  enlace->SetWorkingDirectory(carpetaDestino.c_str());
  enlace->SetIconLocation(destino.c_str(), 0);
  enlace->SetDescription(Ancho(nombre).c_str());
  IPersistFile* archivo = nullptr;
  hr = enlace->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&archivo));
  if (SUCCEEDED(hr)) {
    hr = archivo->Save(ruta.c_str(), TRUE);
    archivo->Release();
  }
  enlace->Release();
  if (FAILED(hr)) throw fallo(hr);
  return rutaTexto;
}

}  // namespace plataforma
