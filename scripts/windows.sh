#!/usr/bin/env bash
# The Windows build: installs what it needs (only when missing), cross-builds the core
# libraries, importador.exe (no window: Qt for MinGW is not packaged) and the tests into
# build-windows/ with MinGW-w64, runs every test under Wine (the database tests through the
# host's SQLite ODBC driver), and packs build-windows/importador-<version>-win64.zip and the
# installer importador-<version>-win64-setup.exe. One build at a time on this machine.
set -euo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"
build="$raiz/build-windows"
anfitrion="$build/anfitrion"  # the host's part: the Linux program and the extension for Wine

# --- Packages -----------------------------------------------------------------------------
# The host's part needs the Linux build's packages (Qt aside, which it does not build), and the
# cross-build MinGW-w64, Wine and NSIS.
"$raiz/scripts/dependencias.sh" g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 wine nsis

# --- Builds ---------------------------------------------------------------------------------
[ -f "$anfitrion/CMakeCache.txt" ] ||
  cmake -S "$raiz" -B "$anfitrion" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DIMPORTADOR_QT=OFF >/dev/null
flock /tmp/importador-build.lock cmake --build "$anfitrion" -j2 --target importador extension_sqlite

[ -f "$build/CMakeCache.txt" ] ||
  cmake -S "$raiz" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$raiz/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DIMPORTADOR_WERROR=ON \
    -DIMPORTADOR_EXTENSION_ANFITRION="$anfitrion/platform/libextension_sqlite.so" \
    -DIMPORTADOR_PROGRAMA_ANFITRION="$anfitrion/app/importador" >/dev/null
flock /tmp/importador-build.lock cmake --build "$build" -j2

# --- Tests under Wine -----------------------------------------------------------------------
# A private prefix; a persistent wineserver for the whole run (without it, every test waits
# for a server that keeps ctest's pipe open), stopped however the run ends.
export WINEPREFIX="$build/wine" WINEDEBUG=-all
mkdir -p "$WINEPREFIX"
wineserver -k 2>/dev/null || true  # one left running by an earlier run, perhaps not persistent
wineserver -p </dev/null >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null || true' EXIT
[ -f "$WINEPREFIX/system.reg" ] || echo "Creating the Wine prefix $WINEPREFIX"
# Wine's own service processes start with the first program: started here, they hold no pipe
# of ctest's open (which would make ctest wait for them).
wineboot -i </dev/null >/dev/null 2>&1
(cd "$build" && ctest -j2 --output-on-failure --timeout 600 ${CTEST_EXTRA:-} </dev/null)

# --- Package ----------------------------------------------------------------------------------
version="$(sed -n 's/^project(importador VERSION \([0-9.]*\).*/\1/p' "$raiz/CMakeLists.txt")"
nombre="importador-$version-win64"
caja="$build/paquete/$nombre"
rm -rf "$build/paquete" "$build/$nombre.zip" "$build/$nombre-setup.exe"
mkdir -p "$caja/samples"
cp "$build/app/importador.exe" "$build/platform/importador_sqlite.dll" \
  "$raiz/session/completokve.sql" "$caja/"
cp "$raiz/samples/"* "$caja/samples/"
# The README's operator section, and the licences of what the program carries inside.
sed -n '/^## On Windows$/,/^## Building for Windows$/p' "$raiz/README.md" | sed '$d' |
  sed 's/$/\r/' >"$caja/LEAME.txt"
{
  printf 'importador %s for Windows carries, linked into importador.exe and\n' "$version"
  printf 'importador_sqlite.dll, code of the components below, under their licences.\n\n'
  for doc in gcc-mingw-w64-base mingw-w64-x86-64-dev libcli11-dev nlohmann-json3-dev \
    libsqlite3-dev; do
    printf '==== %s (Debian package %s)\n\n' "$(dpkg-query -W -f='${Description}' "$doc" |
      head -1)" "$doc"
    cat "/usr/share/doc/$doc/copyright"
    printf '\n'
  done
} | sed 's/$/\r/' >"$caja/LICENCIAS.txt"
[ -s "$caja/LEAME.txt" ] || { echo "README.md has no section '## On Windows'" >&2; exit 1; }
(cd "$build/paquete" && cmake -E tar cf "$build/$nombre.zip" --format=zip "$nombre")
makensis -V2 -DVERSION="$version" -DORIGEN="$caja" -DSALIDA="$build/$nombre-setup.exe" \
  "$raiz/scripts/instalador.nsi"

# The installer, silently under Wine: the program lands in the user's programs folder and runs
# from there; the uninstaller takes it away again.
wine "$build/$nombre-setup.exe" /S
instalado="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Programs/importador"
[ -f "$instalado/importador.exe" ] || { echo "the installer left no $instalado/importador.exe" >&2; exit 1; }
wine "$instalado/importador.exe" --version
wine "$instalado/desinstalar.exe" /S
for _ in $(seq 50); do [ -f "$instalado/importador.exe" ] || break; sleep 0.2; done
[ ! -f "$instalado/importador.exe" ] || { echo "the uninstaller left $instalado/importador.exe" >&2; exit 1; }

ls -l "$build/$nombre.zip" "$build/$nombre-setup.exe"
