#!/usr/bin/env bash
# Runs the real program under Xvfb with a session bus of its own and the
# AT-SPI registry, and works it through AT-SPI alone (scripts/a11y_check.py):
# the main window's tree in BUILD/a11y/main.txt, the key dialog's in
# BUILD/a11y/key.txt, every control's role and name checked, text typed,
# buttons pressed and the result read, as a screen reader would. Needs no
# display or bus of the caller's; the program runs in a home folder of its own.
#
#   bash scripts/a11y-check.sh [BUILD]      (make a11y-check runs it)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
program="$build/bin/zephral"
out="$build/a11y"
[ -x "$program" ] || { echo "a11y-check: $program is not built" >&2; exit 1; }

# Inside the session bus: Xvfb, the accessibility bus, the program, the check.
if [ "${A11Y_CHECK_IN_SESSION:-}" != 1 ]; then
  for tool in Xvfb dbus-run-session dbus-send /usr/bin/python3; do
    command -v "$tool" >/dev/null || { echo "a11y-check: $tool is missing" >&2; exit 1; }
  done
  export A11Y_CHECK_IN_SESSION=1
  exec dbus-run-session -- bash "$0" "$build" 2> >(grep -v "Failed to set fd limit" >&2)
fi

[ -x /usr/libexec/at-spi-bus-launcher ] ||
  { echo "a11y-check: the AT-SPI bus launcher is missing (at-spi2-core)" >&2; exit 1; }
mkdir -p "$out"
rm -f "$out"/*.txt
. scripts/background.sh

fail() {
  echo "a11y-check: $*" >&2
  for log in "$work"/*.log; do
    [ -s "$log" ] && { echo "--- $(basename "$log")" >&2; tail -n 20 "$log" >&2; }
  done
  exit 1
}

# Xvfb picks a free display and writes its number.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n 1 "$work/display")"

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# The session bus starts the accessibility bus when asked for its address,
# and that bus starts the registry on the first call; both end with the session.
for _ in $(seq 100); do
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
    >/dev/null 2>&1 && break
  sleep 0.1
done

QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 \
  "$program" >"$work/program.log" 2>&1 &
pids+=($!)

/usr/bin/python3 scripts/a11y_check.py "$out" || fail "the check failed"
echo "a11y-check: passed"
