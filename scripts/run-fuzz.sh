#!/usr/bin/env bash
# Runs every fuzz target in build-fuzz/bin for the given number of seconds,
# keeping each target's corpus under fuzz-corpus/ between runs.
set -euo pipefail
seconds=${1:-60}
shopt -s nullglob
targets=(build-fuzz/bin/fuzz_*)
[ ${#targets[@]} -gt 0 ] || { echo "run-fuzz: no fuzz targets built" >&2; exit 1; }
for f in "${targets[@]}"; do
  name=$(basename "$f")
  corpus=fuzz-corpus/$name
  mkdir -p "$corpus"
  seeds=()
  [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
  echo "== $name for $seconds s"
  log=$(mktemp)
  if ! "$f" -max_total_time="$seconds" -print_final_stats=1 "$corpus" "${seeds[@]}" >"$log" 2>&1; then
    cat "$log"
    rm -f "$log"
    echo "run-fuzz: $name failed" >&2
    exit 1
  fi
  grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb|Done )' "$log" || tail -n 3 "$log"
  rm -f "$log"
done
