#pragma once
// The computer's local time of a moment, safe to call from several threads.

#include <ctime>

namespace plataforma {

std::tm HoraLocal(std::time_t momento);

}  // namespace plataforma
