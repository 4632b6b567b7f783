#!/usr/bin/env bash
# Starts the real program under Xvfb, with Openbox for the title bars, drives
# it with xdotool and saves its windows as PNGs in BUILD/screenshots/:
#   main.png          the main window as it opens
#   main-hover.png    the pointer over "Encrypt File"
#   main-pressed.png  "Encode Text" held down
#   key.png           the key dialog over the main window
#   wait.png          the wait window over the main window, while a file is
#                     encrypted (its source is a named pipe, which holds the
#                     command until the picture is taken)
#   main-scale1.5.png, key-scale1.5.png, wait-scale1.5.png
#   main-scale2.png, key-scale2.png, wait-scale2.png
#                     the three windows again at one and a half and at twice
#                     the pixel density (QT_SCALE_FACTOR)
#   main-weston.png   the main window natively on Wayland, on a headless
#                     Weston (when weston is installed: make screenshots
#                     installs it)
# The program runs in a home folder of its own, so it touches nothing of the
# user's. Pictures are taken with xwd and turned into PNG with netpbm.
#
#   bash scripts/screenshots.sh [BUILD]      (make screenshots runs it)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
program="$build/bin/zephral"
out="$build/screenshots"
[ -x "$program" ] || { echo "screenshots: $program is not built" >&2; exit 1; }
for tool in Xvfb xdotool xwd xwininfo xwdtopnm pnmcut pnmpaste pnmtopng; do
  command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing" >&2; exit 1; }
done
mkdir -p "$out"
. scripts/background.sh

fail() {
  echo "screenshots: $*" >&2
  exit 1
}

# A free display number: the first without a lock file.
display=99
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
  display=$((display + 1))
done
export DISPLAY=":$display"
Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do
  xdotool getdisplaygeometry >/dev/null 2>&1 && break
  sleep 0.1
done
xdotool getdisplaygeometry >/dev/null 2>&1 || fail "Xvfb did not start ($(cat "$work/xvfb.log"))"
if command -v openbox >/dev/null; then
  openbox --config-file /dev/null >"$work/openbox.log" 2>&1 &
  pids+=($!)
  sleep 0.5
fi

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb

# shoot NAME X Y W H [WINDOW...]: the screen's rectangle, as NAME.png. The
# windows named are taken on their own and laid over the screen: Xvfb leaves a
# window opened from a modal loop black in the picture of the whole screen,
# though the window itself holds its pixels.
shoot() {
  xwd -root -silent | xwdtopnm 2>/dev/null >"$work/screen.pnm"
  local window
  for window in "${@:6}"; do
    local wx wy
    read -r wx wy <<<"$(xwininfo -id "$window" |
      awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} END {print x, y}')"
    xwd -silent -id "$window" | xwdtopnm 2>/dev/null >"$work/window.pnm"
    pnmpaste "$work/window.pnm" "$wx" "$wy" "$work/screen.pnm" >"$work/pasted.pnm" 2>/dev/null
    mv "$work/pasted.pnm" "$work/screen.pnm"
  done
  pnmcut -left "$2" -top "$3" -width "$4" -height "$5" "$work/screen.pnm" |
    pnmtopng >"$out/$1.png" 2>/dev/null
  echo "screenshots: $out/$1.png"
}

# The program's visible window of that size ("191x97", give or take a pixel
# of rounding at a fractional density), waiting for it.
find_sized() {
  local id
  for _ in $(seq 100); do
    for id in $(xdotool search --onlyvisible --class zephral 2>/dev/null); do
      if xwininfo -id "$id" | awk -v want="$1" '/Width:/{w=$2} /Height:/{h=$2}
           END {split(want, s, "x"); dw = w - s[1]; dh = h - s[2]
                exit !(dw * dw <= 1 && dh * dh <= 1)}'; then
        echo "$id"
        return
      fi
    done
    sleep 0.1
  done
  fail "no window of $1"
}

# The window's outer rectangle, frame and title bar included: "X Y W H".
outer() {
  local frame=$1
  # The frame Openbox puts around the window is its parent's parent.
  while :; do
    local parent
    parent=$(xwininfo -children -id "$frame" | sed -n 's/^ *Parent window id: \(0x[0-9a-f]*\).*/\1/p')
    local root
    root=$(xwininfo -root | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')
    [ "$parent" = "$root" ] && break
    frame=$parent
  done
  xwininfo -id "$frame" |
    awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} /Width:/{w=$2} /Height:/{h=$2}
         END {print x, y, w, h}'
}

# find NAME: the id of the visible window of that title, waiting for it.
find_window() {
  local id=""
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1) && [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || fail "no window \"$1\""
  echo "$id"
}

# click WINDOW X Y: a left click at the window's pixel (X, Y).
click() {
  xdotool mousemove --sync --window "$1" "$2" "$3" click 1
}

start() {
  "$program" >"$work/program.log" 2>&1 &
  pids+=($!)
  main=$(find_window "Quorvan Zephral 1.0 Build 46")
  sleep 1
  read -r mx my mw mh <<<"$(outer "$main")"
}

start

shoot main "$mx" "$my" "$mw" "$mh"

# The pointer over "Encrypt File" (4, 4, 101 x 21).
xdotool mousemove --sync --window "$main" 54 14
sleep 0.3
shoot main-hover "$mx" "$my" "$mw" "$mh"

# "Encode Text" (4, 188) held down, then let go outside it: no click.
xdotool mousemove --sync --window "$main" 54 198 mousedown 1
sleep 0.3
shoot main-pressed "$mx" "$my" "$mw" "$mh"
xdotool mousemove --sync --window "$main" 250 250 mouseup 1
sleep 0.2

# key_and_wait SUFFIX SCALE: the key dialog and the wait window over the main
# window, as key$SUFFIX.png and wait$SUFFIX.png; the program's pixels are
# its logical ones times SCALE.
key_and_wait() {
  local suffix=$1 scale=$2
  px() { awk -v v="$1" -v s="$scale" 'BEGIN {printf "%d", v * s + 0.5}'; }
  # "Encrypt && Encode Text" (4, 62) asks for the key.
  click "$main" "$(px 54)" "$(px 76)"
  key=$(find_window "Enter Key")
  sleep 0.5
  shoot "key$suffix" "$mx" "$my" "$mw" "$mh" "$key"
  click "$key" "$(px 285)" "$(px 36)" # Cancel, in the client area under the drawn title bar
  sleep 0.3

  # "Encrypt File" with a named pipe as the source: the wait window stays up
  # until something is written into the pipe.
  rm -f "$work/source.txt" "$work/encrypted.bin"
  mkfifo "$work/source.txt"
  click "$main" "$(px 54)" "$(px 14)"
  find_window "Select file to encrypt..." >/dev/null
  sleep 0.5
  xdotool type --delay 5 "$work/source.txt"
  xdotool key Return
  find_window "Select file to save to..." >/dev/null
  sleep 0.5
  xdotool key ctrl+a
  xdotool type --delay 5 "$work/encrypted.bin"
  xdotool key Return
  find_window "Enter Key" >/dev/null
  sleep 0.3
  xdotool type --delay 5 "secret"
  xdotool key Return
  wait_window=$(find_sized "$(px 191)x$(px 97)")
  sleep 0.5
  shoot "wait$suffix" "$mx" "$my" "$mw" "$mh" "$wait_window"
  echo "the plain text" >"$work/source.txt"
  for _ in $(seq 50); do
    [ -s "$work/encrypted.bin" ] && break
    sleep 0.1
  done
  [ -s "$work/encrypted.bin" ] || fail "the encryption did not finish"
}

stop() {
  kill "${pids[-1]}"
  wait "${pids[-1]}" 2>/dev/null || true
  unset 'pids[-1]'
}

key_and_wait "" 1
stop

# The three windows at one and a half and at twice the pixel density.
for scale in 1.5 2; do
  QT_SCALE_FACTOR=$scale start
  shoot "main-scale$scale" "$mx" "$my" "$mw" "$mh"
  key_and_wait "-scale$scale" "$scale"
  stop
done

# The main window natively on Wayland, on a headless Weston of its own:
# the whole of its screen, with the title bar Qt draws there.
if command -v weston >/dev/null && command -v weston-screenshooter >/dev/null; then
  socket=zephral-shots
  weston --backend=headless-backend.so --use-pixman --width=640 --height=480 --debug \
    --socket="$socket" --idle-time=0 >"$work/weston.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do
    [ -S "$XDG_RUNTIME_DIR/$socket" ] && break
    sleep 0.1
  done
  WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM=wayland "$program" >"$work/program.log" 2>&1 &
  pids+=($!)
  sleep 2
  (cd "$work" && WAYLAND_DISPLAY=$socket timeout 20 weston-screenshooter >/dev/null 2>&1) ||
    fail "weston-screenshooter failed ($(tail -n 3 "$work/weston.log"))"
  mv "$work"/wayland-screenshot-*.png "$out/main-weston.png"
  echo "screenshots: $out/main-weston.png"
  stop
fi
