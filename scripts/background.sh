# Sourced by the scripts that start helpers of their own (a display server,
# a bus, the program): a private scratch folder in $work, and every process
# whose id is added to pids ended, and the folder removed, when the script
# exits however it exits.
work=$(mktemp -d)
pids=()

cleanup() {
  local pid
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
