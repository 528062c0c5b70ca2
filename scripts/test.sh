#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test (independent tests run in parallel).
set -euo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"
"$raiz/scripts/dependencias.sh"
"$raiz/scripts/compilar.sh"
cd "${BUILD_DIR:-$raiz/build}"
ctest -j2 --output-on-failure --timeout 600
