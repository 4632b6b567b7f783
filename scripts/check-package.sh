#!/usr/bin/env bash
# Shows what the Debian package made by `make package` holds and what it
# depends on, then runs lintian on it: any error or warning fails.
#
#   bash scripts/check-package.sh BUILD      (make package runs it)
set -euo pipefail
build=${1:?usage: check-package.sh BUILD}
shopt -s nullglob
debs=("$build"/zephral_*.deb)
[ ${#debs[@]} -eq 1 ] || { echo "check-package: expected one zephral_*.deb in $build" >&2; exit 1; }
deb=${debs[0]}

dpkg-deb --field "$deb" Package Version Architecture Depends Recommends Installed-Size
dpkg-deb --field "$deb" Recommends | grep -qw qt6-wayland ||
  { echo "check-package: the package does not recommend qt6-wayland" >&2; exit 1; }
# Lintian's own advice against running it as root does not apply to a
# package it only reads.
lintian --fail-on error,warning --display-info --info --allow-root "$deb"
echo "check-package: $deb"
