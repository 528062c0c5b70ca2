#!/usr/bin/env bash
# Builds the benchmark (Release, build-bench/) and runs every mode (balances first) against its
# sqlite3-shell baseline, on a journal of 100,000 lines. Sizes default to 1000 and 10000 lines.
# Wall-clock figures are medians of REPETICIONES runs (default 5); with valgrind present the
# 1,000-line runs are also counted in instructions (callgrind), ours against the replay.
#   [REPETICIONES=N] bench/run.sh [lines...]
set -euo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"
export BUILD_DIR="$raiz/build-bench" BUILD_TYPE=Release
"$raiz/scripts/compilar.sh" --target modos_bench >/dev/null
command -v sqlite3 >/dev/null || { echo "bench/run.sh: sqlite3 (the shell) is missing" >&2; exit 1; }
tamanios=("$@")
[ ${#tamanios[@]} -gt 0 ] || tamanios=(1000 10000)
opciones=(--repeticiones "${REPETICIONES:-5}")
if command -v valgrind >/dev/null; then
  opciones+=(--instrucciones 1000)
else
  echo "bench/run.sh: valgrind is missing: no instruction counts (apt-get install valgrind)" >&2
fi
echo "== every mode, ours against the same statements replayed by sqlite3"
"$BUILD_DIR/bench/modos_bench" "${opciones[@]}" "${tamanios[@]}"
echo "== the balances' dry run against their real run"
"$BUILD_DIR/bench/modos_bench" --ensayo --modo saldos --repeticiones "${REPETICIONES:-5}" "${tamanios[@]}"
