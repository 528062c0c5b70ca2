#pragma once
// The few POSIX calls that the tests make, for the Windows build, which includes this header in
// every test source: the environment through the C runtime, localtime_r as the C runtime's
// localtime_s, and geteuid answering root's,
// because Windows folders have no permission bits for a test to take away (the tests then take
// the path they take as root).

#include <unistd.h>  // MinGW's: getpid, access, chmod

#include <cstdlib>
#include <ctime>

inline int setenv(const char* nombre, const char* valor, int reemplazar) {
  if (!reemplazar && std::getenv(nombre)) return 0;
  return _putenv_s(nombre, valor);
}

inline int unsetenv(const char* nombre) { return _putenv_s(nombre, ""); }

inline unsigned geteuid() { return 0; }

inline std::tm* localtime_r(const std::time_t* momento, std::tm* local) {
  return localtime_s(local, momento) == 0 ? local : nullptr;
}
