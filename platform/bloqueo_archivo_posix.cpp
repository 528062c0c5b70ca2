#include "platform/bloqueo_archivo.h"
#include "platform/senales.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <thread>

namespace plataforma {
namespace {

std::string LeerDatos(int fd) {
  std::string texto(512, '\0');
  const ssize_t n = pread(fd, texto.data(), texto.size(), 0);
  texto.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return texto;
}

}  // namespace

BloqueoArchivo::~BloqueoArchivo() { Liberar(); }

bool BloqueoArchivo::Tomar(const std::string& ruta, const std::string& datos,
                           std::chrono::steady_clock::time_point limite, std::string& ocupante) {
  Liberar();
  const int fd = open(ruta.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    ocupante = "no se pudo abrir el archivo de bloqueo " + ruta;
    return false;
  }
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    // A stop request (a signal) ends the wait as its time being up does.
    if (std::chrono::steady_clock::now() >= limite || SenalRecibida() != Senal::Ninguna) {
      ocupante = LeerDatos(fd);
      close(fd);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  // A failed write leaves the lock held all the same; only the holder's word is missing.
  if (ftruncate(fd, 0) == 0) {
    [[maybe_unused]] const ssize_t escritos = pwrite(fd, datos.data(), datos.size(), 0);
  }
  manejador_ = fd;
  return true;
}

void BloqueoArchivo::Liberar() {
  if (manejador_ == kSinArchivo) return;
  const int fd = static_cast<int>(manejador_);
  // A stale word beside a free lock is never shown: the next run takes the lock.
  [[maybe_unused]] const int vaciado = ftruncate(fd, 0);
  flock(fd, LOCK_UN);
  close(fd);
  manejador_ = kSinArchivo;
}

long IdProceso() { return static_cast<long>(getpid()); }

}  // namespace plataforma
