#!/usr/bin/env bash
# make bench: kartex's whole jobs beside their peers (medians of paired runs,
# peak memory, a stage split), then the in-process Google Benchmark programs.
# RUNS sets the paired runs per job (default 5). Never part of the tests.
set -uo pipefail
build=$1
python3 bench/jobs.py "$build" "${RUNS:-5}" | tee "$build/bench-jobs.md"
for b in "$build"/bench/bench_*; do
  [[ -x $b && $(basename "$b") != bench_stages ]] || continue
  echo "== $(basename "$b")"
  "$b" --benchmark_min_time=0.2
done
