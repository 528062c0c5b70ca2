#!/usr/bin/env bash
# Builds with AddressSanitizer and UBSan in build-asan/ (or $BUILD_DIR) and runs the tests
# there; any report of either sanitizer fails the test that met it.
set -euo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"
export BUILD_DIR="${BUILD_DIR:-$raiz/build-asan}"
"$raiz/scripts/dependencias.sh"
CMAKE_EXTRA="-DIMPORTADOR_SANITIZERS=ON ${CMAKE_EXTRA:-}" "$raiz/scripts/compilar.sh"
# The ODBC driver manager and drivers are not instrumented: their allocations at exit are not
# leaks of ours, so leak detection stays off; every other finding stops the process.
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1:strict_string_checks=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
cd "$BUILD_DIR"
ctest -j2 --output-on-failure --timeout 900 ${CTEST_EXTRA:-}
