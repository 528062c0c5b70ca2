#!/usr/bin/env bash
# Runs the built tests under each process locale: results must depend only on the regional
# settings the program configures, never on LANG or LC_ALL. Build first (scripts/test.sh).
set -euo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"
"$raiz/scripts/dependencias.sh"
cd "${BUILD_DIR:-$raiz/build}"
fallidos=()
for loc in C en_US.UTF-8 de_DE.UTF-8 es_AR.UTF-8; do
  echo "== LANG=LC_ALL=$loc"
  if ! LANG="$loc" LC_ALL="$loc" ctest -j2 --output-on-failure --timeout 600 ${CTEST_EXTRA:-}
  then
    fallidos+=("$loc")
  fi
done
if [ ${#fallidos[@]} -gt 0 ]; then
  echo "Failed under: ${fallidos[*]}" >&2
  exit 1
fi
