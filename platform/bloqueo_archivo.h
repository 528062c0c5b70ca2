#pragma once
// An exclusive lock on a file of its own, held by this process until released: the system
// drops it when the process ends, however it ends, so a killed holder blocks no one. On Linux
// an advisory flock of the whole file; on Windows a lock of one byte far past the holder's
// text, so that whoever finds it taken can still read who holds it.

#include <chrono>
#include <cstdint>
#include <string>

namespace plataforma {

class BloqueoArchivo {
 public:
  BloqueoArchivo() = default;
  ~BloqueoArchivo();  // releases the lock when held
  BloqueoArchivo(const BloqueoArchivo&) = delete;
  BloqueoArchivo& operator=(const BloqueoArchivo&) = delete;

  // Takes the lock on `ruta` (created when missing), retrying until `limite`; on success leaves
  // `datos` in the file for whoever finds it taken. False when not taken: `ocupante` then holds
  // what the holder left, or why the file could not be opened.
  bool Tomar(const std::string& ruta, const std::string& datos,
             std::chrono::steady_clock::time_point limite, std::string& ocupante);
  void Liberar();
  bool Tomado() const { return manejador_ != kSinArchivo; }

 private:
  static constexpr std::intptr_t kSinArchivo = -1;
  std::intptr_t manejador_ = kSinArchivo;  // the descriptor, or the Windows file handle
};

// This process's identifier, for the texts a holder leaves.
long IdProceso();

}  // namespace plataforma
