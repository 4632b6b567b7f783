#!/usr/bin/env bash
# Installs, from Debian's archive, the packages Zephral needs to build, test,
# benchmark and fuzz. Only missing packages are installed, and the package
# lists are refreshed only when something has to be installed, so running it
# twice costs nothing the second time.
set -euo pipefail

packages=(
  cmake make g++ clang libclang-rt-14-dev
  qt6-base-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libssl-dev
  fonts-dejavu-core
  fonts-liberation2
  # make screenshots: an X server without a screen, Openbox for the title
  # bars, xdotool to drive the program, xwd and xwininfo to take its windows,
  # netpbm to turn them into PNG.
  xvfb openbox xdotool x11-apps x11-utils netpbm
)

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
