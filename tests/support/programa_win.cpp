// The built program as the command-line tests run it, on Windows: the tests write their command
// lines as shell words (with an "env -u NAME" or "NAME=value" prefix); they are split much as
// the shell would, and the program is started directly, with the same redirections.

#include <windows.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <utility>
#include <vector>

#include "platform/archivos.h"
#include "platform/sistema.h"
#include "tests/support/programa.h"

namespace {

std::wstring Ancho(const std::string& texto) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()),
                                    nullptr, 0);
  std::wstring ancho(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()), ancho.data(), n);
  return ancho;
}

std::string Utf8(const std::wstring& texto) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string estrecho(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()), estrecho.data(),
                      n, nullptr, nullptr);
  return estrecho;
}

// The words of a shell text: blanks separate them, '...' and "..." keep blanks and quotes of
// the other kind. A backslash stays a backslash: here it separates the parts of Windows paths,
// which the tests put in their command lines as they are.
std::vector<std::string> Palabras(const std::string& texto) {
  std::vector<std::string> palabras;
  std::string actual;
  bool hay = false;
  for (size_t i = 0; i < texto.size(); ++i) {
    const char c = texto[i];
    if (c == ' ' || c == '\t' || c == '\n') {
      if (hay) palabras.push_back(std::move(actual));
      actual.clear();
      hay = false;
    } else if (c == '\'' || c == '"') {
      const size_t fin = texto.find(c, i + 1);
      actual += texto.substr(i + 1, fin == std::string::npos ? std::string::npos : fin - i - 1);
      i = fin == std::string::npos ? texto.size() : fin;
      hay = true;
    } else {
      actual += c;
      hay = true;
    }
  }
  if (hay) palabras.push_back(std::move(actual));
  return palabras;
}

HANDLE Heredable(const std::string& ruta, bool escribir) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  return CreateFileW(Ancho(ruta).c_str(), escribir ? GENERIC_WRITE : GENERIC_READ,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                     escribir ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The C runtime writes "\r\n" for every line end of the standard streams; the tests read "\n".
std::string SinRetornos(std::string texto) {
  std::string r;
  r.reserve(texto.size());
  for (size_t i = 0; i < texto.size(); ++i) {
    if (texto[i] == '\r' && i + 1 < texto.size() && texto[i + 1] == '\n') continue;
    r += texto[i];
  }
  return r;
}

}  // namespace

std::string RutaPrograma() {
#ifdef IMPORTADOR_PROGRAMA
  return IMPORTADOR_PROGRAMA;
#else
  // The test binary lives in build-windows/tests/; the program in build-windows/app/.
  const std::string propio = plataforma::RutaEjecutable();
  return propio.substr(0, propio.rfind("/tests/")) + "/app/importador.exe";
#endif
}

std::string LeerArchivo(const std::string& ruta) {
  std::ifstream f(plataforma::RutaFs(ruta), std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

CorridaPrograma CorrerPrograma(const std::string& carpeta, const std::string& argumentos,
                               const std::string& antes) {
  // The prefix changes the environment the program starts with, and only that.
  std::vector<std::pair<std::string, std::optional<std::string>>> entorno = {
      {"IMPORTADOR_CARPETA", carpeta}};
  const std::vector<std::string> prefijo = Palabras(antes);
  for (size_t i = 0; i < prefijo.size(); ++i) {
    if (prefijo[i] == "env") continue;
    if (prefijo[i] == "-u" && i + 1 < prefijo.size()) {
      entorno.emplace_back(prefijo[++i], std::nullopt);
    } else if (const size_t igual = prefijo[i].find('='); igual != std::string::npos) {
      entorno.emplace_back(prefijo[i].substr(0, igual), prefijo[i].substr(igual + 1));
    }
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> anterior;
  for (const auto& [nombre, valor] : entorno) {
    std::wstring actual(32768, L'\0');
    const DWORD n = GetEnvironmentVariableW(Ancho(nombre).c_str(), actual.data(), 32768);
    anterior.emplace_back(nombre, n == 0 ? std::nullopt : std::optional(Utf8(actual.substr(0, n))));
    SetEnvironmentVariableW(Ancho(nombre).c_str(), valor ? Ancho(*valor).c_str() : nullptr);
  }

  const std::string programa = RutaPrograma();
  std::string linea = plataforma::PalabraDeOrden(programa);
  for (const std::string& p : Palabras(argumentos)) linea += " " + plataforma::PalabraDeOrden(p);
  std::wstring lineaAncha = Ancho(linea);

  STARTUPINFOW inicio{};
  inicio.cb = sizeof inicio;
  inicio.dwFlags = STARTF_USESTDHANDLES;
  inicio.hStdInput = Heredable("NUL", false);
  inicio.hStdOutput = Heredable(carpeta + "salida.txt", true);
  inicio.hStdError = Heredable(carpeta + "errores.txt", true);
  PROCESS_INFORMATION proceso{};
  CorridaPrograma corrida;
  if (CreateProcessW(Ancho(programa).c_str(), lineaAncha.data(), nullptr, nullptr, TRUE, 0,
                     nullptr, nullptr, &inicio, &proceso)) {
    WaitForSingleObject(proceso.hProcess, INFINITE);
    DWORD estado = 0;
    if (GetExitCodeProcess(proceso.hProcess, &estado)) corrida.estado = static_cast<int>(estado);
    CloseHandle(proceso.hThread);
    CloseHandle(proceso.hProcess);
  }
  for (HANDLE h : {inicio.hStdInput, inicio.hStdOutput, inicio.hStdError}) CloseHandle(h);
  for (const auto& [nombre, valor] : anterior) {
    SetEnvironmentVariableW(Ancho(nombre).c_str(), valor ? Ancho(*valor).c_str() : nullptr);
  }
  corrida.salida = SinRetornos(LeerArchivo(carpeta + "salida.txt"));
  corrida.errores = SinRetornos(LeerArchivo(carpeta + "errores.txt"));
  return corrida;
}
