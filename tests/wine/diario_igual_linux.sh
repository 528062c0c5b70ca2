#!/usr/bin/env bash
# The demo of the Windows build under Wine leaves the journal that the Linux build leaves for the
# same files: `importador.exe demo` runs on an embedded company in a Unix path, through the
# host's SQLite ODBC driver; `importador demo` runs on another; every table the runs write is
# compared row by row, all columns but the moment each row was recorded.
#   diario_igual_linux.sh IMPORTADOR_EXE IMPORTADOR_LINUX EXTENSION_ANFITRION SAMPLES CONTENIDO
set -euo pipefail
exe=$1 linux=$2 extension=$3 muestras=$4 contenido=$5
for f in "$exe" "$linux" "$extension" "$contenido"; do
  [ -f "$f" ] || { echo "missing $f (scripts/windows.sh builds the host's part)" >&2; exit 1; }
done
command -v sqlite3 >/dev/null || { echo "the sqlite3 shell is missing (Debian's sqlite3)" >&2; exit 1; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
for lado in linux wine; do
  mkdir -p "$dir/programa-$lado"
  cp "$contenido" "$dir/programa-$lado/"
done

IMPORTADOR_CARPETA="$dir/programa-linux/" IMPORTADOR_SAMPLES="$muestras" \
  "$linux" demo "$dir/linux" >"$dir/linux.txt" 2>&1 || {
  cat "$dir/linux.txt"; echo "the Linux demo failed" >&2; exit 1; }
IMPORTADOR_CARPETA="$dir/programa-wine/" IMPORTADOR_SAMPLES="$muestras" \
  IMPORTADOR_SQLITE_EXTENSION="$extension" \
  wine "$exe" demo "$dir/wine" >"$dir/wine.txt" 2>&1 || {
  cat "$dir/wine.txt"; echo "the demo under Wine failed" >&2; exit 1; }
[ -f "$dir/wine/DEMO.db" ] || { echo "the Wine demo left no $dir/wine/DEMO.db" >&2; exit 1; }

# The tables the demo's runs write into, each with the columns to compare and its order.
consultas=(
  "SELECT Fecha, FechaSubDiario, MES_OPERATIVO, [NUMERO ASIENTO], Cuenta, Secuencia, CabImporte,
     [Debe-Haber], Importe, PERIODO, TC, SUCURSAL, NUMERO, LETRA, TIPO_REG, tj_observaciones,
     Detalle, Moneda, cotizacion, USUARIO_LOGEADO, IdCajas, Unegocio, VENCIMIENTO,
     NROCOMPROBANTEBANCARIO, CabCuenta, CabNombre, CabCuit, CabCondIVA, LIVA_TIPO, LIVA_TOTAL,
     LIVA_IMPNETOGRAV, LIVA_IMPNETONGRAV, LIVA_IMPIVA, LIVA_EXENTO, LIVA_ALICIVA
   FROM MV_ASIENTOS ORDER BY PERIODO, MES_OPERATIVO, TIPO_REG, [NUMERO ASIENTO], Secuencia"
  "SELECT FECHA FROM MA_CALENDARIO ORDER BY 1"
  "SELECT CODIGO, Descripcion, TITULO FROM MA_CUENTAS ORDER BY 1"
  "SELECT Fecha, Cuenta, Nombre, TC, IdComprobante, USUARIO, Unegocio FROM V_MV_CPTE
   ORDER BY 1, 2, 4, 5"
  "SELECT IDTAREA, DESCRIPCION FROM V_TA_TAREAS ORDER BY 1"
  "SELECT TC, IdComprobante, idTarea, Descripcion FROM V_MV_CPTETAREAS ORDER BY 1, 2, 3"
)
for lado in linux wine; do
  for c in "${consultas[@]}"; do
    echo "-- $c"
    sqlite3 -header -cmd ".load ${extension%.so}" "$dir/$lado/DEMO.db" "$c"
  done >"$dir/$lado.sql.txt"
done
filas=$(grep -vc '^--' "$dir/linux.sql.txt")
if ! diff -u "$dir/linux.sql.txt" "$dir/wine.sql.txt"; then
  echo "FAILED: the journal under Wine differs from the Linux one (above)" >&2
  exit 1
fi
asientos=$(sqlite3 -cmd ".load ${extension%.so}" "$dir/wine/DEMO.db" \
  "SELECT count(*) FROM MV_ASIENTOS")
[ "$asientos" -gt 0 ] || { echo "FAILED: the demo posted no journal line" >&2; exit 1; }
# The demo's own report of the journal, line ends aside (the Windows console writes CR LF).
diff <(sed -n '/^Diario/,/^Totales/p' "$dir/linux.txt") \
  <(sed -n '/^Diario/,/^Totales/p' "$dir/wine.txt" | tr -d '\r') || {
  echo "FAILED: the demo's journal report differs" >&2; exit 1; }
echo "Same journal under Wine and on Linux: $asientos journal lines, $filas rows with headers."
