#!/usr/bin/env bash
# Installs, from Debian's archive, the packages Zephral needs to build, test,
# benchmark and fuzz. Only missing packages are installed, and the package
# lists are refreshed only when something has to be installed, so running it
# twice costs nothing the second time.
#
#   scripts/install-deps.sh            what building and testing need
#   scripts/install-deps.sh package    and what installing, packaging and
#                                      checking the package need
#   scripts/install-deps.sh screenshots  and what make screenshots needs
#   scripts/install-deps.sh bench  and the tools make bench-e2e races
#   scripts/install-deps.sh wayland  and what make wayland-check needs
#   scripts/install-deps.sh a11y   and what make a11y-check needs
set -euo pipefail

packages=(
  cmake make g++ clang libclang-rt-14-dev
  qt6-base-dev libgl-dev
  # Qt's native interface, for the Wayland toplevel of a window
  qt6-base-private-dev
  # the X11 connection, for the one window manager hint Qt does not write
  libxcb1-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libssl-dev
  fonts-dejavu-core
  fonts-liberation2
)

for group in "$@"; do
  case $group in
    package)
      packages+=(dpkg-dev fakeroot lintian desktop-file-utils appstream bash-completion gzip)
      ;;
    screenshots)
      # an X server without a screen, Openbox for the title bars, xdotool to
      # drive the program, xwd and xwininfo to take its windows, netpbm to
      # turn them into PNG
      packages+=(xvfb openbox xdotool x11-apps x11-utils netpbm)
      ;;
    bench)
      # the tools the file commands are timed against, and GNU time for
      # their peak memory
      packages+=(openssl ccrypt gnupg time)
      ;;
    wayland)
      # a compositor that runs without a screen, and Qt's Wayland platform
      packages+=(weston qt6-wayland)
      ;;
    a11y)
      # an X server without a screen, a session bus, the AT-SPI bus and
      # registry, and AT-SPI's client library for Python
      packages+=(xvfb dbus-bin dbus-daemon dbus-session-bus-common at-spi2-core gir1.2-atspi-2.0
                 python3-gi)
      ;;
    *)
      echo "install-deps: unknown group '$group' (known: package, screenshots, bench, wayland, a11y)" >&2
      exit 2
      ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
