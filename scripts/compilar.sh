#!/usr/bin/env bash
# Configures and builds into build/ (or $BUILD_DIR); one build at a time on this machine.
set -euo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$raiz/build}"
opciones=(-DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Debug}")
# Warnings are errors everywhere, so what builds here builds in CI.
opciones+=(-DIMPORTADOR_WERROR=ON)
[ -f "$build/CMakeCache.txt" ] || cmake -S "$raiz" -B "$build" "${opciones[@]}" ${CMAKE_EXTRA:-} >/dev/null
exec flock /tmp/importador-build.lock cmake --build "$build" -j2 "$@"
