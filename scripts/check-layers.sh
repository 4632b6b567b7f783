#!/usr/bin/env bash
# Checks that the program's layers point one way: each folder of app/ includes
# from itself and the folders below it only (window and command line ->
# startup -> tools, commands -> encrypt -> platform), the two front ends (cli/
# and app/gui/) reach the commands through their interface only (Commands.h,
# CommandResult.h) and the cipher bindings not at all, and the skinned
# controls include nothing of app/. Prints every include that points the
# wrong way and fails if there is one.
#
# Usage: check-layers.sh [ROOT]   (ROOT: the source tree, by default this one)
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}

# What the front ends may include of the commands, and the skinned controls'
# folders, which the windows include by name ("button/sknButton.h").
interface='commands/(Commands|CommandResult|FileBatch|KeyRecovery)\.h'
controls=''
if [ -d "$root/controls" ]; then
  for dir in "$root"/controls/*/; do
    controls+="|$(basename "$dir")"
  done
fi

# Folder -> the includes it may have ("folder/header.h"; an include without a
# folder is one beside the file). The window system stays in platform/gui.
declare -A allowed=(
  [app/platform]='^platform/[^/]+$'
  [app/platform/gui]='^platform/'
  [app/encrypt]='^(encrypt|platform)/[^/]+$'
  [app/commands]='^(commands|encrypt|platform)/[^/]+$'
  [app/tools]='^(tools|encrypt|platform)/[^/]+$'
  [app/startup]='^(startup|tools|commands|encrypt|platform)/[^/]+$'
  [cli]="^((startup|tools|platform)/[^/]+|$interface)\$"
  [app/gui]="^((gui|startup|tools|platform|platform/gui$controls)/[^/]+|$interface)\$"
)

status=0
checked=0
for folder in "${!allowed[@]}"; do
  for file in "$root/$folder"/*.h "$root/$folder"/*.cpp; do
    [ -f "$file" ] || continue
    checked=$((checked + 1))
    while IFS= read -r include; do
      if [[ $include == */* && ! $include =~ ${allowed[$folder]} ]]; then
        echo "check-layers: ${file#"$root"/} includes \"$include\", which $folder may not include" >&2
        status=1
      fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
  done
done
if [ -d "$root/controls" ]; then
  while IFS= read -r -d '' file; do
    while IFS= read -r include; do
      if [[ $include =~ ^(platform|encrypt|commands|tools|startup|gui)/ ]]; then
        echo "check-layers: ${file#"$root"/} includes \"$include\", a part of app/" >&2
        status=1
      fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
  done < <(find "$root/controls" \( -name '*.h' -o -name '*.cpp' \) -print0)
fi
if [ "$checked" -eq 0 ]; then
  echo "check-layers: no sources under $root/app" >&2
  exit 1
fi
exit $status
