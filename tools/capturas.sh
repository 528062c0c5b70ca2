#!/usr/bin/env bash
# Screenshots of the import window and of the connection dialog, taken under Xvfb on a fresh
# embedded company: docs/ventana.png, docs/acceso.png, the run summary docs/resumen.png and a
# message box with Qt's Spanish buttons docs/dialogo_es.png (or the folder given as $1).
set -euo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"
programa="${BUILD_DIR:-$raiz/build}/app/importador"
destino="${1:-$raiz/docs}"
[ -x "$programa" ] || "$raiz/scripts/compilar.sh" --target importador

trabajo="$(mktemp -d)"
trap 'rm -rf "$trabajo"' EXIT
export IMPORTADOR_CARPETA="$trabajo/programa"
export XDG_RUNTIME_DIR="$trabajo/run"
mkdir -p "$IMPORTADOR_CARPETA" "$XDG_RUNTIME_DIR" "$trabajo/empresas" "$destino"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

"$programa" crear-empresa "$trabajo/empresas" EMPRESA >/dev/null
# Only a registered user opens an embedded company.
"$programa" alta-usuario "$trabajo/empresas" EMPRESA OPERADOR >/dev/null
# The statistics database is provisioned on the first start-up from its content script.
cp "$raiz/session/completokve.sql" "$IMPORTADOR_CARPETA/"
# Two registered connections for the dialog's list.
printf '%s\r\n' \
  "EMPRESA / SQLITE:$trabajo/empresas,EMPRESA,EMPRESA,x,sqlite:$trabajo/empresas" \
  "VENTAS / SRV01,VENTAS,VENTAS,x,SRV01:1500" >"$IMPORTADOR_CARPETA/BASES.TXT"

# Starts the program on a virtual screen, waits for it to draw, saves the screen cropped to
# what was drawn (there is no window manager, so no title bar).
captura() {
  local salida="$1"
  shift
  xvfb-run -a -s "-screen 0 800x600x24" sh -c '
    salida="$1"; shift
    "$@" >/dev/null 2>&1 & programa=$!
    sleep 3
    import -window root "$salida.completa.png"
    kill "$programa" 2>/dev/null || true
  ' captura "$trabajo/$salida" "$programa" "$@"
  convert "$trabajo/$salida.completa.png" -trim +repage "$destino/$salida"
  echo "$destino/$salida"
}

parametros="@Server=sqlite:$trabajo/empresas;@DbName=EMPRESA;@Usuario=OPERADOR;@Password=x;"
captura ventana.png "$parametros"
captura acceso.png
# The run summary of a partial run, on the toolkit's message box (saved by the window test).
xvfb-run -a -s "-screen 0 1024x768x24" env QT_QPA_PLATFORM=xcb IMPORTADOR_CAPTURAS="$destino" \
  "${BUILD_DIR:-$raiz/build}/tests/test_qt" \
  --gtest_filter='*ElResumenSeMuestra*:*LosBotonesDeQtEnEspanol*' >/dev/null
echo "$destino/resumen.png"
echo "$destino/dialogo_es.png"
