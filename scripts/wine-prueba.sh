#!/bin/sh
# Runs one test program under Wine (the build's emulator for the Windows tests). Now and then a
# loaded Wine fails to start a Windows process at all: it exits non-zero before the program
# prints a byte, whereas the test framework always prints its first line. Such a start is made
# once more, and said; a program that printed anything keeps its own outcome.
salida="$(mktemp)" errores="$(mktemp)"
trap 'rm -f "$salida" "$errores"' EXIT
for intento in 1 2; do
  "$@" >"$salida" 2>"$errores"
  rc=$?
  if [ "$rc" -eq 0 ] || [ -s "$salida" ] || [ -s "$errores" ] || [ "$intento" -eq 2 ]; then
    cat "$salida"
    cat "$errores" >&2
    exit "$rc"
  fi
  echo "wine-prueba.sh: $1 exited $rc before the program printed anything; starting it again" >&2
done
