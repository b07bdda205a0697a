#!/usr/bin/env bash
# Kartex's JPEG encoder against libjpeg-turbo's cjpeg on the same pixels, each
# a whole process that reads a 1728 x 2287 PPM and writes a quality 75, 4:2:0
# file with the integer DCT. Usage: bench/jpeg_vs_cjpeg.sh <build folder> (run
# from the project folder). Times are medians of wall time and, beside them,
# of user + system CPU time, which is steadier on a busy machine.
set -euo pipefail
build=$1
tool=$build/bench/bench_jpeg
[[ -x $tool ]] || { echo "no $tool (Google Benchmark missing?)"; exit 0; }
command -v cjpeg >/dev/null || { echo "cjpeg missing: apt-get install libjpeg-turbo-progs"; exit 0; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$tool" --write-ppm "$work"
pictures=(drawing noise)
# A real drawing rendered by kartex itself, on the same fax page.
if [[ -x $build/kartex ]] && command -v python3 >/dev/null &&
   "$build/kartex" -w 1728 -h 2287 samples/floor_plan.dxf "$work/floor_plan.bmp" >/dev/null &&
   python3 "$(dirname "$0")/bmp_to_ppm.py" "$work/floor_plan.bmp" "$work/floor_plan.ppm" 1728 2287; then
  pictures+=(floor_plan)
fi
runs=${RUNS:-20}
for picture in "${pictures[@]}"; do
  ppm=$work/$picture.ppm
  ours=$work/$picture.kartex.jpg theirs=$work/$picture.cjpeg.jpg
  if command -v hyperfine >/dev/null; then
    hyperfine -N -w 3 -r "$runs" --export-json "$work/$picture.json" \
      -n kartex "$tool --encode $ppm $ours" \
      -n cjpeg "cjpeg -dct int -sample 2x2 -quality 75 -outfile $theirs $ppm" >/dev/null
    read -r mine peer mineCpu peerCpu < <(python3 -c '
import json, statistics, sys
r = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
cpu = lambda x: statistics.median(u + s for u, s in zip(x["user"], x["system"])) if "user" in x and isinstance(x["user"], list) else x["user"] + x["system"]
print(r["kartex"]["median"] * 1000, r["cjpeg"]["median"] * 1000, cpu(r["kartex"]) * 1000, cpu(r["cjpeg"]) * 1000)' "$work/$picture.json")
  else
    mineCpu=0 peerCpu=0
    start=$(date +%s%N); for ((i = 0; i < runs; ++i)); do "$tool" --encode "$ppm" "$ours"; done
    mine=$((($(date +%s%N) - start) / runs / 1000000))
    start=$(date +%s%N); for ((i = 0; i < runs; ++i)); do cjpeg -dct int -sample 2x2 -quality 75 -outfile "$theirs" "$ppm"; done
    peer=$((($(date +%s%N) - start) / runs / 1000000))
  fi
  printf '%-10s kartex %6.1f ms  cjpeg %6.1f ms  ratio %.2f | CPU %6.1f / %6.1f ms  ratio %.2f | %d / %d bytes\n' \
    "$picture" "$mine" "$peer" "$(python3 -c "print($mine / $peer)")" "$mineCpu" "$peerCpu" \
    "$(python3 -c "print($mineCpu / $peerCpu if $peerCpu else 0)")" "$(stat -c %s "$ours")" "$(stat -c %s "$theirs")"
done
