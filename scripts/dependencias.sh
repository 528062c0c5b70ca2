#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, and the extra packages
# named as arguments; does nothing when all are present.
#   scripts/dependencias.sh [package...]
set -euo pipefail
paquetes=(g++ cmake make libgtest-dev qt6-base-dev qt6-translations-l10n unixodbc unixodbc-dev libsqliteodbc tdsodbc
  sqlite3 libsqlite3-dev nlohmann-json3-dev libcli11-dev xvfb xauth x11-apps imagemagick locales
  desktop-file-utils groff-base
  "$@")
faltan=()
for p in "${paquetes[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || faltan+=("$p")
done
sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
# Runs an apt-get command; while another process holds the package manager's lock (an
# unattended upgrade, another install) it waits, up to 5 minutes in all, instead of failing.
espera_lock=$((SECONDS + 300))
apt_esperando() {
  local salida
  salida="$(mktemp)"
  while :; do
    if "$@" -o DPkg::Lock::Timeout=10 2>&1 | tee "$salida"; [ "${PIPESTATUS[0]}" -eq 0 ]; then
      rm -f "$salida"
      return 0
    fi
    if grep -qiE 'could not get lock|unable to acquire|is another process using it' "$salida" &&
      [ "$SECONDS" -lt "$espera_lock" ]; then
      echo "Waiting for the package manager's lock, held by another process"
      sleep 5
      continue
    fi
    rm -f "$salida"
    return 1
  done
}
if [ ${#faltan[@]} -gt 0 ]; then
  echo "Installing: ${faltan[*]}"
  apt_esperando $sudo_cmd apt-get update -q
  apt_esperando $sudo_cmd env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${faltan[@]}"
fi

# The process locales the tests run under (scripts/test-locales.sh), generated when missing.
for loc in en_US de_DE es_AR; do
  locale -a 2>/dev/null | grep -qix "$loc.utf-\?8" && continue
  echo "Generating locale $loc.UTF-8"
  $sudo_cmd localedef -i "$loc" -f UTF-8 "$loc.UTF-8"
done
