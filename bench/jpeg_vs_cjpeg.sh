#!/usr/bin/env bash
# Kartex's JPEG encoder against libjpeg-turbo's cjpeg on the same pixels, each
# a whole process that reads a 1728 x 2287 PPM and writes a quality 75, 4:2:0
# file with the integer DCT. Usage: bench/jpeg_vs_cjpeg.sh <build folder>
set -euo pipefail
build=$1
tool=$build/bench/bench_jpeg
[[ -x $tool ]] || { echo "no $tool (Google Benchmark missing?)"; exit 0; }
command -v cjpeg >/dev/null || { echo "cjpeg missing: apt-get install libjpeg-turbo-progs"; exit 0; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$tool" --write-ppm "$work"
runs=${RUNS:-20}
for picture in drawing noise; do
  ppm=$work/$picture.ppm
  ours=$work/$picture.kartex.jpg theirs=$work/$picture.cjpeg.jpg
  if command -v hyperfine >/dev/null; then
    hyperfine -N -w 3 -r "$runs" --export-json "$work/$picture.json" \
      -n kartex "$tool --encode $ppm $ours" \
      -n cjpeg "cjpeg -dct int -sample 2x2 -quality 75 -outfile $theirs $ppm" >/dev/null
    read -r mine peer < <(python3 -c '
import json, sys
r = {x["command"]: x["median"] for x in json.load(open(sys.argv[1]))["results"]}
print(r["kartex"] * 1000, r["cjpeg"] * 1000)' "$work/$picture.json")
  else
    start=$(date +%s%N); for ((i = 0; i < runs; ++i)); do "$tool" --encode "$ppm" "$ours"; done
    mine=$((($(date +%s%N) - start) / runs / 1000000))
    start=$(date +%s%N); for ((i = 0; i < runs; ++i)); do cjpeg -dct int -sample 2x2 -quality 75 -outfile "$theirs" "$ppm"; done
    peer=$((($(date +%s%N) - start) / runs / 1000000))
  fi
  printf '%-8s kartex %7.1f ms  cjpeg %7.1f ms  ratio %.2f  sizes %d / %d bytes\n' "$picture" "$mine" "$peer" \
    "$(python3 -c "print($mine / $peer)")" "$(stat -c %s "$ours")" "$(stat -c %s "$theirs")"
done
