#include <ctime>

#include "platform/hora_local.h"

namespace plataforma {

std::tm HoraLocal(std::time_t momento) {
  std::tm local{};
  localtime_r(&momento, &local);
  return local;
}

}  // namespace plataforma
