#!/usr/bin/env bash
# Whole-process time of EMF and WMF to a 1728 x 2287 BMP, 2,000 and 20,000
# shapes, beside the peers that can render the same files (Inkscape,
# LibreOffice, wmf2gd), each the median of five runs.
# Usage: bench/metafile_to_bmp.sh <build folder>
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
median() {  # command...: the median of five runs, wall and CPU (user + system) seconds
  for i in 1 2 3 4 5; do
    /usr/bin/time -o time.txt -f "%e %U %S" "$@" >/dev/null 2>&1 || true
    awk '{printf "%s %.2f\n", $1, $2 + $3}' time.txt >> col.txt
  done
  sort -n col.txt | sed -n 3p | awk '{printf "%s s wall, %s s CPU", $1, $2}'
  rm -f col.txt time.txt
}
for n in 2000 20000; do
  python3 "$here/bench/make_metafiles.py" "$n" "s$n.emf" "s$n.wmf"
  "$build/kartex" "s$n.emf" warm.bmp >/dev/null
  echo "$n shapes:"
  for kind in emf wmf; do
    echo "  kartex $kind: $(median "$build/kartex" "s$n.$kind" out.bmp)"
    [ "$n" = 2000 ] || continue
    if command -v inkscape >/dev/null; then
      echo "  inkscape $kind: $(median inkscape "s$n.$kind" --export-type=png --export-filename=ink.png)"
    fi
    if command -v soffice >/dev/null; then
      echo "  libreoffice $kind: $(median soffice --headless --convert-to png "s$n.$kind")"
    fi
    if [ "$kind" = wmf ] && command -v wmf2gd >/dev/null; then
      echo "  wmf2gd wmf: $(median wmf2gd -t png -o gd.png "s$n.wmf")"
    fi
  done
done
