// The run lock on Windows: LockFileEx on one byte far past the end of the holder's text. Locks
// on Windows forbid others to read what they cover, so the text itself stays unlocked for
// whoever finds the lock taken; the system releases the lock when the holding process ends.

#include <windows.h>

#include <thread>

#include "platform/bloqueo_archivo.h"
#include "platform/senales.h"
#include "platform/texto_win.h"

namespace plataforma {
namespace {

constexpr DWORD kByteBloqueadoAlto = 0x100;  // offset 2^40: beyond any holder's text

OVERLAPPED EnPosicion(DWORD bajo, DWORD alto) {
  OVERLAPPED ov{};
  ov.Offset = bajo;
  ov.OffsetHigh = alto;
  return ov;
}

HANDLE Manejador(std::intptr_t valor) { return reinterpret_cast<HANDLE>(valor); }

std::string LeerDatos(HANDLE h) {
  std::string texto(512, '\0');
  OVERLAPPED desde = EnPosicion(0, 0);
  DWORD leidos = 0;
  if (!ReadFile(h, texto.data(), static_cast<DWORD>(texto.size()), &leidos, &desde)) leidos = 0;
  texto.resize(leidos);
  return texto;
}

bool Vaciar(HANDLE h) {
  LARGE_INTEGER cero{};
  return SetFilePointerEx(h, cero, nullptr, FILE_BEGIN) && SetEndOfFile(h);
}

}  // namespace

BloqueoArchivo::~BloqueoArchivo() { Liberar(); }

bool BloqueoArchivo::Tomar(const std::string& ruta, const std::string& datos,
                           std::chrono::steady_clock::time_point limite, std::string& ocupante) {
  Liberar();
  HANDLE h = CreateFileW(Ancho(ruta).c_str(), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    ocupante = "no se pudo abrir el archivo de bloqueo " + ruta;
    return false;
  }
  for (;;) {
    OVERLAPPED byte = EnPosicion(0, kByteBloqueadoAlto);
    if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &byte)) break;
    // A stop request (a signal) ends the wait as its time being up does.
    if (std::chrono::steady_clock::now() >= limite || SenalRecibida() != Senal::Ninguna) {
      ocupante = LeerDatos(h);
      CloseHandle(h);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  // A failed write leaves the lock held all the same; only the holder's word is missing.
  if (Vaciar(h)) {
    OVERLAPPED desde = EnPosicion(0, 0);
    DWORD escritos = 0;
    WriteFile(h, datos.data(), static_cast<DWORD>(datos.size()), &escritos, &desde);
  }
  manejador_ = reinterpret_cast<std::intptr_t>(h);
  return true;
}

void BloqueoArchivo::Liberar() {
  if (manejador_ == kSinArchivo) return;
  HANDLE h = Manejador(manejador_);
  // A stale word beside a free lock is never shown: the next run takes the lock.
  Vaciar(h);
  OVERLAPPED byte = EnPosicion(0, kByteBloqueadoAlto);
  UnlockFileEx(h, 0, 1, 0, &byte);
  CloseHandle(h);
  manejador_ = kSinArchivo;
}

long IdProceso() { return static_cast<long>(GetCurrentProcessId()); }

}  // namespace plataforma
