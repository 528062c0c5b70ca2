#pragma once
// An exclusive advisory lock on a file of its own, held by this process until released: the
// system drops it when the process ends, however it ends, so a killed holder blocks no one.

#include <chrono>
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
  bool Tomado() const { return descriptor_ >= 0; }

 private:
  int descriptor_ = -1;
};

// This process's identifier, for the texts a holder leaves.
long IdProceso();

}  // namespace plataforma
