#!/usr/bin/env bash
# Runs every fuzz target in build-fuzz/bin for the given number of seconds,
# keeping each target's corpus under fuzz-corpus/ between runs. A target that
# fails does not stop the others: each runs, and the script fails at the end,
# naming the targets that failed.
set -uo pipefail
seconds=${1:-60}
shopt -s nullglob
targets=(build-fuzz/bin/fuzz_*)
[ ${#targets[@]} -gt 0 ] || { echo "run-fuzz: no fuzz targets built" >&2; exit 1; }
failed=()
for f in "${targets[@]}"; do
  name=$(basename "$f")
  corpus=fuzz-corpus/$name
  mkdir -p "$corpus"
  seeds=()
  [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
  echo "== $name for $seconds s"
  log=$(mktemp)
  if "$f" -max_total_time="$seconds" -print_final_stats=1 "$corpus" "${seeds[@]}" >"$log" 2>&1; then
    grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb|Done )' "$log" || tail -n 3 "$log"
  else
    cat "$log"
    echo "run-fuzz: $name failed" >&2
    failed+=("$name")
  fi
  rm -f "$log"
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "run-fuzz: ${#failed[@]} of ${#targets[@]} targets failed: ${failed[*]}" >&2
  exit 1
fi
