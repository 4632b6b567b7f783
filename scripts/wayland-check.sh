#!/usr/bin/env bash
# Runs the real program natively on Wayland: starts a Weston of its own with
# the headless backend (no screen, no input devices), runs zephral on it with
# QT_QPA_PLATFORM=wayland and lets the program drive its own windows
# (ZEPHRAL_TEST_WINDOW_CHECK, app/gui/WindowCheck.h): the main window, the key
# dialog and the wait window are each asked for the maximised and the
# full-screen state and must stay at their size with the program running;
# the key dialog and the wait window must be transient for the main window;
# a text goes through "Encrypt && Encode Text" and back, a file through
# "Encrypt File" with both file dialogs and back by a drop on "Decrypt File".
# A headless Weston has no seat, so the clipboard is checked only where the
# compositor has one.
#
#   bash scripts/wayland-check.sh [BUILD]      (make wayland-check runs it)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
program="$build/bin/zephral"
[ -x "$program" ] || { echo "wayland-check: $program is not built" >&2; exit 1; }
command -v weston >/dev/null || { echo "wayland-check: weston is missing" >&2; exit 1; }

work=$(mktemp -d)
weston_pid=""
cleanup() {
  if [ -n "$weston_pid" ]; then
    kill "$weston_pid" 2>/dev/null || true
    wait "$weston_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "wayland-check: $*" >&2
  for log in "$work"/*.log; do
    echo "--- $log" >&2
    tail -n 40 "$log" >&2
  done
  exit 1
}

# The compositor's socket lives in a private runtime folder, as a session's
# would; nothing of the user's (their display, their settings) is touched.
export XDG_RUNTIME_DIR="$work/run" HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$XDG_RUNTIME_DIR" "$HOME" "$work/files"
chmod 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_SOCKET
socket=zephral-check

weston --backend=headless-backend.so --use-pixman --width=1024 --height=768 \
  --socket="$socket" --idle-time=0 >"$work/weston.log" 2>&1 &
weston_pid=$!
for _ in $(seq 100); do
  [ -S "$XDG_RUNTIME_DIR/$socket" ] && break
  kill -0 "$weston_pid" 2>/dev/null || fail "weston ended at start"
  sleep 0.1
done
[ -S "$XDG_RUNTIME_DIR/$socket" ] || fail "weston did not open its socket"

# Qt's Wayland input method support reads the seat without looking whether
# there is one, and a headless compositor has none: no input method here.
status=0
WAYLAND_DISPLAY="$socket" QT_QPA_PLATFORM=wayland QT_IM_MODULE=none \
  ZEPHRAL_TEST_WINDOW_CHECK="$work/files" \
  timeout 300 "$program" >"$work/zephral.log" 2>&1 || status=$?
grep 'window check:' "$work/zephral.log" || true
[ "$status" -eq 0 ] || fail "zephral ended with status $status"
grep -q 'window check: passed$' "$work/zephral.log" || fail "the check did not finish"
if grep -qi 'protocol error' "$work/zephral.log"; then
  fail "a Wayland protocol error"
fi
echo "wayland-check: passed"
