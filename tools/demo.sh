#!/usr/bin/env bash
# Converts every bundled sample drawing into every output kind Kartex writes.
# Usage: tools/demo.sh <kartex> <samples folder> <output folder>
set -uo pipefail
kartex=$1 samples=$2 out=$3
mkdir -p "$out"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$kartex" >/dev/null 2>&1 || true   # the banner: the program runs (no dialog)
# The large drawing (about 20,000 entities) is generated rather than kept in the repository.
[[ -f $samples/large.dxf ]] || python3 "$samples/make_samples.py" --large "$samples/large.dxf"
failures=0 count=0
shopt -s nullglob nocaseglob
for input in "$samples"/*.dxf "$samples"/*.gbr "$samples"/*.emf "$samples"/*.wmf; do
  base=$(basename "${input%.*}")
  outputs=(bmp rle.bmp gif g3 jpg png dxf htm svg)
  for kind in "${outputs[@]}"; do
    target="$out/$base.$kind"
    options=()
    [[ $kind == rle.bmp ]] && options=(-r)
    count=$((count + 1))
    if "$kartex" "${options[@]}" "$input" "$target" >"$out/$base.$kind.log" 2>&1; then
      printf '  %-40s ok\n' "$target"
      rm -f "$out/$base.$kind.log"
    else
      printf '  %-40s FAILED (see %s)\n' "$target" "$out/$base.$kind.log"
      failures=$((failures + 1))
    fi
  done
done
echo "demo: $((count - failures)) of $count conversions written to $out/"
[[ $failures -eq 0 ]]
