#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang, AddressSanitizer and UBSan into build-fuzz/
# and runs each for a bounded time. Inputs that reach new code are merged into
# fuzz/corpus/<target>/ (the ordinary tests replay them); a crash, hang or sanitizer report
# leaves its input in build-fuzz/hallazgos/ and makes the script fail.
#
#   scripts/fuzz.sh [target...]      FUZZ_SEGUNDOS=60 (per target)  FUZZ_SOLO_COMPILAR=1
set -euo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"
build="$raiz/build-fuzz"
segundos="${FUZZ_SEGUNDOS:-60}"

# clang and its sanitizer and fuzzer runtimes, from Debian's packages.
if ! command -v clang++-14 >/dev/null ||
   ! ls /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq clang-14 libclang-rt-14-dev
fi

# The core libraries, instrumented for coverage (the fuzzer's main comes at the link).
banderas="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
banderas+=" -fno-omit-frame-pointer -g -O1"
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang-14 CXX=clang++-14 CXXFLAGS="$banderas" cmake -S "$raiz" -B "$build" \
    -DCMAKE_BUILD_TYPE=None -DIMPORTADOR_QT=OFF -DBUILD_TESTING=OFF >/dev/null
fi
BUILD_DIR="$build" "$raiz/scripts/compilar.sh" --target platform utility data \
  import session >/dev/null

objetivos=("$@")
if [ ${#objetivos[@]} -eq 0 ]; then
  for f in "$raiz"/fuzz/*_fuzz.cpp; do objetivos+=("$(basename "$f" _fuzz.cpp)"); done
fi

bibliotecas=()
for lib in session import data utility platform; do
  bibliotecas+=("$(find "$build" -name "lib$lib.a" | head -n1)")
done
mkdir -p "$build/bin"
for t in "${objetivos[@]}"; do
  # Serialised with the project's builds: one compiler at a time on this machine.
  flock /tmp/importador-build.lock clang++-14 -std=c++20 $banderas \
    -fsanitize=fuzzer,address,undefined -I"$raiz" "$raiz/fuzz/${t}_fuzz.cpp" \
    -Wl,--start-group "${bibliotecas[@]}" -Wl,--end-group -lodbc -lsqlite3 \
    -o "$build/bin/$t"
done
[ "${FUZZ_SOLO_COMPILAR:-}" = "1" ] && exit 0

estado=0
printf '%-16s %10s %8s %8s %s\n' target execs seconds corpus result
for t in "${objetivos[@]}"; do
  corpus="$raiz/fuzz/corpus/$t"
  trabajo="$build/corpus/$t"
  hallazgos="$build/hallazgos/$t/"
  mkdir -p "$corpus" "$trabajo" "$hallazgos"
  registro="$build/$t.log"
  resultado=ok
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$build/bin/$t" -max_total_time="$segundos" -timeout=10 -rss_limit_mb=2048 \
    -max_len=4096 -print_final_stats=1 -artifact_prefix="$hallazgos" \
    "$trabajo" "$corpus" >"$registro" 2>&1 || { resultado="FAILED (see $registro)"; estado=1; }
  # Only the inputs that add coverage go into the committed corpus.
  "$build/bin/$t" -merge=1 "$corpus" "$trabajo" >>"$registro" 2>&1 || true
  ejecuciones=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$registro" | tail -n1 |
                grep -o '[0-9]*$' || echo "?")
  printf '%-16s %10s %8s %8s %s\n' "$t" "$ejecuciones" "$segundos" \
    "$(find "$corpus" -type f | wc -l)" "$resultado"
done
exit "$estado"
