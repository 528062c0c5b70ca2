// The system services on Linux: /proc, posix_spawn, xdg-open, the XDG user folders, desktop
// entries.

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/archivos.h"
#include "platform/error_ejecucion.h"
#include "platform/sistema.h"

extern char** environ;

namespace plataforma {
namespace {

namespace fs = std::filesystem;

bool EnElPath(const std::string& programa) {
  std::stringstream path(Entorno("PATH"));
  for (std::string carpeta; std::getline(path, carpeta, ':');) {
    if (!carpeta.empty() && ::access((carpeta + "/" + programa).c_str(), X_OK) == 0) return true;
  }
  return false;
}

// argv for posix_spawn: the program's path first, then the arguments; the strings are copies
// that live as long as the vector of pointers is used.
class Argumentos {
 public:
  Argumentos(const std::string& programa, const std::vector<std::string>& argumentos)
      : textos_{programa} {
    textos_.insert(textos_.end(), argumentos.begin(), argumentos.end());
    for (std::string& t : textos_) punteros_.push_back(t.data());
    punteros_.push_back(nullptr);
  }
  char* const* argv() { return punteros_.data(); }

 private:
  std::vector<std::string> textos_;
  std::vector<char*> punteros_;
};

// A value of a desktop entry's Exec key: quoted, the reserved characters escaped (the escape's
// backslash is itself escaped once more by the string rules of the format).
std::string ArgumentoExec(const std::string& ruta) {
  std::string resultado = "\"";
  for (char c : ruta) {
    if (c == '\\') {
      resultado += "\\\\\\\\";
      continue;
    }
    if (c == '"' || c == '`' || c == '$') resultado += "\\\\";
    if (c == '%') {
      resultado += "%%";
      continue;
    }
    resultado += c;
  }
  return resultado + "\"";
}

}  // namespace

std::string RutaEjecutable() {
  std::error_code ec;
  fs::path ruta = fs::read_symlink("/proc/self/exe", ec);
  return ec ? "" : ruta.string();
}

std::string CarpetaDatosDeUsuario() {
  const std::string datos = Entorno("XDG_DATA_HOME");
  return !datos.empty() ? datos : Entorno("HOME") + "/.local/share";
}

std::string Entorno(const std::string& nombre) {
  const char* valor = std::getenv(nombre.c_str());
  return valor ? valor : "";
}

std::string NombreMaquina() {
  char nombre[256] = {};
  if (::gethostname(nombre, sizeof nombre - 1) != 0) return "";
  return nombre;
}

void EstablecerEntorno(const std::string& nombre, const std::string& valor) {
  ::setenv(nombre.c_str(), valor.c_str(), 1);
}

void QuitarEntorno(const std::string& nombre) { ::unsetenv(nombre.c_str()); }

bool ErroresEnTerminal() { return ::isatty(STDERR_FILENO) == 1; }

bool CarpetaEscribible(const std::string& carpeta) {
  std::error_code ec;
  return fs::is_directory(carpeta, ec) && ::access(carpeta.c_str(), W_OK | X_OK) == 0;
}

bool LegiblePorOtros(const std::string& ruta) {
  struct stat datos {};
  return ::stat(ruta.c_str(), &datos) == 0 && (datos.st_mode & (S_IRGRP | S_IROTH)) != 0;
}

std::string CrearCarpetaTemporal(const std::string& prefijo) {
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  if (ec) base = "/tmp";
  std::string plantilla = (base / (prefijo + "XXXXXX")).string();
  return ::mkdtemp(plantilla.data()) ? plantilla : "";
}

int EjecutarYEsperar(const std::string& programa, const std::vector<std::string>& argumentos) {
  Argumentos args(programa, argumentos);
  pid_t pid = 0;
  if (::posix_spawn(&pid, programa.c_str(), nullptr, nullptr, args.argv(), environ) != 0) {
    return -1;
  }
  int estado = 0;
  if (::waitpid(pid, &estado, 0) != pid) return -1;
  return WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
}

void IniciarSinEsperar(const std::string& programa, const std::vector<std::string>& argumentos) {
  Argumentos args(programa, argumentos);
  pid_t pid = 0;
  const int resultado =
      ::posix_spawn(&pid, programa.c_str(), nullptr, nullptr, args.argv(), environ);
  if (resultado != 0) {
    throw ErrorEjecucion(kErrAccesoRuta,
                         "No se pudo iniciar " + programa + ": " + std::strerror(resultado));
  }
  // Its end is collected in the background, so it leaves no zombie behind.
  std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
}

// Started through a shell that puts the viewer in the background and returns at once; the
// path goes as an argument, never inside the command text.
void AbrirDocumento(const std::string& ruta) {
  if (ruta.empty() || !EnElPath("xdg-open")) return;
  const char* argumentos[] = {"sh", "-c",         "xdg-open \"$1\" >/dev/null 2>&1 &",
                              "sh", ruta.c_str(), nullptr};
  pid_t pid;
  if (::posix_spawnp(&pid, "sh", nullptr, nullptr, const_cast<char* const*>(argumentos), environ) ==
      0) {
    int estado;
    ::waitpid(pid, &estado, 0);
  }
}

std::string PalabraDeOrden(const std::string& palabra) {
  if (palabra.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                "0123456789-_./=:") == std::string::npos) {
    return palabra;
  }
  std::string r = "'";
  for (char c : palabra) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return r + "'";
}

std::string CarpetaEscritorio() {
  const std::string casa = Entorno("HOME");
  std::string configuracion = Entorno("XDG_CONFIG_HOME");
  if (configuracion.empty()) configuracion = casa + "/.config";
  // Lines such as XDG_DESKTOP_DIR="$HOME/Escritorio": a path under $HOME or an absolute one.
  std::ifstream dirs(configuracion + "/user-dirs.dirs");
  std::string carpeta;
  for (std::string linea; std::getline(dirs, linea);) {
    const std::string clave = "XDG_DESKTOP_DIR=\"";
    if (linea.rfind(clave, 0) != 0 || linea.size() < clave.size() + 1 || linea.back() != '"') {
      continue;
    }
    std::string valor = linea.substr(clave.size(), linea.size() - clave.size() - 1);
    if (valor.rfind("$HOME", 0) == 0) valor = casa + valor.substr(5);
    if (!valor.empty() && valor[0] == '/') carpeta = valor;
  }
  return carpeta.empty() ? casa + "/Desktop" : carpeta;
}

std::string CrearAccesoDirecto(const std::string& carpeta, const std::string& nombre,
                               const std::string& programa,
                               const std::vector<std::string>& argumentos,
                               const std::string& icono) {
  const std::string ruta = (fs::path(carpeta) / (nombre + ".desktop")).string();
  std::string orden = ArgumentoExec(programa);
  for (const std::string& a : argumentos) orden += " " + ArgumentoExec(a);
  std::error_code ec;
  fs::create_directories(carpeta, ec);
  std::ofstream archivo(ruta, std::ios::binary | std::ios::trunc);
  archivo << "[Desktop Entry]\n"
          << "Type=Application\n"
          << "Name=" << nombre << "\n"
          << "Exec=" << orden << "\n"
          << "Icon=" << icono << "\n"
          << "Terminal=false\n";
  archivo.close();
  if (!archivo) throw ErrorEjecucion(kErrAccesoRuta, "No se pudo crear el acceso directo " + ruta);
  // Desktops start only launchers that are marked executable.
  fs::permissions(ruta, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                  fs::perm_options::add, ec);
  return ruta;
}

}  // namespace plataforma
