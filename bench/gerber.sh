#!/usr/bin/env bash
# Whole-process Gerber -> BMP on generated boards of 5,000 and 50,000 draws and
# flashes. Usage: bench/gerber.sh <build folder>
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
for n in 5000 50000; do
  "$build/bench/bench_gerber" --write-board "$n" "board$n.gbr"
  if command -v hyperfine >/dev/null; then
    hyperfine --warmup 2 --runs 10 -N "$build/kartex board$n.gbr out$n.bmp"
  else
    time "$build/kartex" "board$n.gbr" "out$n.bmp"
  fi
done
