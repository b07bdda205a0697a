#!/usr/bin/env bash
# Runs every fuzzer for the given number of seconds, seeded from tests/data.
# Usage: tools/fuzz.sh <fuzz build folder> <seconds>
set -euo pipefail
build=$1 seconds=$2
status=0
for fuzzer in "$build"/fuzz/*_fuzzer; do
  [[ -x $fuzzer ]] || continue
  name=$(basename "$fuzzer" _fuzzer)
  corpus="$build/corpus/$name"
  mkdir -p "$corpus" "$build/findings/$name"
  seeds=()
  [[ -d tests/data/$name ]] && seeds+=("tests/data/$name")
  dict=()
  [[ -f fuzz/$name.dict ]] && dict=(-dict="fuzz/$name.dict")
  echo "fuzzing $name for ${seconds}s"
  "$fuzzer" "$corpus" "${seeds[@]}" "${dict[@]}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$build/findings/$name/" -print_final_stats=1 2>"$build/findings/$name.log" || {
      echo "  $name found a failure: see $build/findings/$name/ and $build/findings/$name.log"; status=1; }
  grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$build/findings/$name.log" | sed 's/^/  /' || true
done
exit $status
