#pragma once
// UTF-8 (the program's texts) to UTF-16 (Windows's wide-character interfaces) and back, for the
// Windows implementations of the platform layer. Malformed input becomes U+FFFD.

#include <windows.h>

#include <string>
#include <string_view>

namespace plataforma {

inline std::wstring Ancho(std::string_view texto) {
  if (texto.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()),
                                    nullptr, 0);
  std::wstring ancho(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()), ancho.data(), n);
  return ancho;
}

inline std::string Utf8(std::wstring_view texto) {
  if (texto.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string estrecho(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()), estrecho.data(),
                      n, nullptr, nullptr);
  return estrecho;
}

// The text of a system error code, without its line end.
inline std::string TextoDeError(DWORD codigo) {
  wchar_t* texto = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, codigo, 0, reinterpret_cast<wchar_t*>(&texto), 0, nullptr);
  std::wstring mensaje(texto ? texto : L"", n);
  if (texto) LocalFree(texto);
  while (!mensaje.empty() && (mensaje.back() == L'\n' || mensaje.back() == L'\r' ||
                              mensaje.back() == L' ' || mensaje.back() == L'.')) {
    mensaje.pop_back();
  }
  return mensaje.empty() ? "error " + std::to_string(codigo) : Utf8(mensaje);
}

}  // namespace plataforma
