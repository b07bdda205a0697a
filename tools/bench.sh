#!/usr/bin/env bash
# Runs every benchmark program of the build, then the whole-process timings.
set -uo pipefail
build=$1
for b in "$build"/bench/bench_*; do
  [[ -x $b ]] || continue
  echo "== $(basename "$b")"
  "$b" --benchmark_min_time=0.2
done
for script in bench/*.sh; do
  [[ -x $script ]] && { echo "== $script"; "$script" "$build"; }
done
