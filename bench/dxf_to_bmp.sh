#!/usr/bin/env bash
# Whole-process time and peak memory of DXF to BMP on the generated drawing of
# 20,000 entities at the default page. Usage: bench/dxf_to_bmp.sh <build folder>
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$here/samples/make_samples.py" --large "$work/large.dxf"
"$build/kartex" "$work/large.dxf" "$work/warm.bmp" >/dev/null   # warm the file and font caches
for options in "" "-r"; do
  echo "kartex $options large.dxf out.bmp (20,000 entities, default page):"
  for i in 1 2 3 4 5; do
    /usr/bin/time -f "  %e s wall, %U s user, %S s system, %M KB peak" \
      "$build/kartex" $options "$work/large.dxf" "$work/out.bmp" >/dev/null
  done
done
if command -v hyperfine >/dev/null; then
  hyperfine -N --warmup 2 --runs 20 "$build/kartex $work/large.dxf $work/out.bmp" 2>/dev/null | sed -n '1,3p'
fi
