#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole job on the embedded engine: a demo company,
# sample files of every mode imported in batch mode, the journal's totals, and a second pass.
set -euo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"
"$raiz/scripts/dependencias.sh"
"$raiz/scripts/compilar.sh" --target importador
exec "${BUILD_DIR:-$raiz/build}/app/importador" demo "$@"
