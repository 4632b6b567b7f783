#!/usr/bin/env bash
# Installs a built tree into a temporary root (DESTDIR) and checks it as a
# user meets it: the files and nothing else, the library's SONAME, the desktop
# entry and metainfo, the manual pages and the shell completion naming every
# command and option, zephral-cli through a file and a text round trip, and
# zephral started offscreen to its main window and back out, making its
# first-start copy of the library in a fresh home.
#
#   bash scripts/install-check.sh BUILD      (make install-check runs it)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:?usage: install-check.sh BUILD}
cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
prefix=$(cache CMAKE_INSTALL_PREFIX)
libdir=$(cache CMAKE_INSTALL_LIBDIR)
version=$(cache CMAKE_PROJECT_VERSION)
app_id=example.quorvan.zephral

root=$(mktemp -d /tmp/zephral-install.XXXXXX)
trap 'rm -rf "$root"' EXIT
tree=$root$prefix
home=$root/home
mkdir -p "$home"

failures=0
fail() { echo "install-check: FAILED: $*" >&2; failures=$((failures + 1)); }
pass() { echo "install-check: ok: $*"; }

DESTDIR=$root cmake --install "$build" --strip >/dev/null

# --- The files, exactly: nothing missing, and no test program, no
# zephral-render, no header or unversioned library link.
installed() { (cd "$tree" && find . ! -type d | sed 's|^\./||' | sort); }
expected=$(sort <<EOF
bin/zephral
bin/zephral-cli
$libdir/zephral/libzephcore.so.1
$libdir/zephral/libzephcore.so.$version
share/applications/$app_id.desktop
share/bash-completion/completions/zephral-cli
share/doc/zephral/changelog.gz
share/doc/zephral/copyright
share/icons/hicolor/128x128/apps/zephral.png
share/icons/hicolor/16x16/apps/zephral.png
share/icons/hicolor/22x22/apps/zephral.png
share/icons/hicolor/24x24/apps/zephral.png
share/icons/hicolor/256x256/apps/zephral.png
share/icons/hicolor/32x32/apps/zephral.png
share/icons/hicolor/48x48/apps/zephral.png
share/icons/hicolor/64x64/apps/zephral.png
share/icons/hicolor/scalable/apps/zephral.svg
share/lintian/overrides/zephral
share/man/man1/zephral-cli.1.gz
share/man/man1/zephral.1.gz
share/metainfo/$app_id.metainfo.xml
share/zephral/readme.txt
EOF
)
before=$(installed)
if [ "$before" = "$expected" ]; then
  pass "the installed files"
else
  fail "the installed files differ from the expected ones:"
  diff <(echo "$expected") <(echo "$before") >&2 || true
fi

# --- The library: versioned, named by its SONAME, private to the programs
# (which load it at run time and do not link it).
lib=$tree/$libdir/zephral/libzephcore.so.1
soname=$(objdump -p "$lib" | awk '$1 == "SONAME" { print $2 }')
[ "$soname" = libzephcore.so.1 ] && pass "SONAME $soname" || fail "SONAME is '$soname'"
[ "$(readlink "$lib")" = "libzephcore.so.$version" ] || fail "libzephcore.so.1 does not point at libzephcore.so.$version"
for program in zephral zephral-cli; do
  if objdump -p "$tree/bin/$program" | grep -Eq 'NEEDED +libzephcore|R(UN)?PATH'; then
    fail "$program links the library or carries a search path"
  fi
done

# --- The desktop's files.
desktop-file-validate "$tree/share/applications/$app_id.desktop" &&
  pass "desktop-file-validate" || fail "desktop-file-validate"
appstreamcli validate --no-net --pedantic "$tree/share/metainfo/$app_id.metainfo.xml" &&
  pass "appstreamcli validate" || fail "appstreamcli validate"
for page in zephral zephral-cli; do
  warnings=$(zcat "$tree/share/man/man1/$page.1.gz" | groff -man -ww -z -Tutf8 2>&1)
  [ -z "$warnings" ] && pass "$page.1 formats cleanly" || fail "$page.1: $warnings"
done

# Every program runs in an empty environment with a fresh home, the installed
# programs first on the PATH.
run() {
  env -i HOME="$home" PATH="$tree/bin:/usr/bin:/bin" LC_ALL=C.UTF-8 "$@"
}

# --- zephral-cli: the published Blowfish vector (one block, then the pad
# block), a file round trip, a text round trip.
key=abcdefghijklmnopqrstuvwxyz
work=$root/work
mkdir -p "$work"
printf BLOWFISH >"$work/vector"
if run ZEPHRAL_KEY=$key zephral-cli encrypt-file "$work/vector" "$work/vector.enc" &&
  [ "$(od -An -tx1 "$work/vector.enc" | tr -d ' \n')" = 324ed0fef413a203bd0a9c639ef3acdc ]; then
  pass "zephral-cli encrypt-file gives the published answer"
else
  fail "zephral-cli encrypt-file of the published vector"
fi
head -c 100000 /dev/urandom >"$work/plain"
if run ZEPHRAL_KEY=$key zephral-cli encrypt-file "$work/plain" "$work/plain.enc" &&
  run ZEPHRAL_KEY=$key zephral-cli decrypt-file "$work/plain.enc" "$work/back" &&
  cmp -s "$work/plain" "$work/back" && ! cmp -s "$work/plain" "$work/plain.enc"; then
  pass "zephral-cli file round trip"
else
  fail "zephral-cli file round trip"
fi
text='Grüße, 1 & 2 "quoted"'
back=$(run ZEPHRAL_KEY=$key zephral-cli encrypt-text "$text" |
  run ZEPHRAL_KEY=$key zephral-cli decrypt-text) || true
[ "$back" = "$text" ] && pass "zephral-cli text round trip" || fail "zephral-cli text round trip: '$back'"
# Without the installed library nothing else stands in for it.
mv "$lib" "$lib.away"
if run ZEPHRAL_KEY=$key zephral-cli encrypt-text x >/dev/null 2>&1; then
  fail "zephral-cli worked without the installed library"
else
  pass "zephral-cli uses the installed library"
fi
mv "$lib.away" "$lib"

# --- zephral: offscreen to its main window and back out. Its first start for
# this user copies the library into ~/.local/lib and records that it did.
if err=$(run QT_QPA_PLATFORM=offscreen ZEPHRAL_TEST_CLOSE_MAIN_WINDOW=1 timeout 60 zephral 2>&1); then
  if grep -qx "zephral: main window shown: Quorvan Zephral 1.0 Build 46" <<<"$err"; then
    pass "zephral showed its main window and ended"
  else
    fail "zephral ended without showing its main window: $err"
  fi
else
  fail "zephral did not end cleanly (status $?): $err"
fi
cmp -s "$lib" "$home/.local/lib/libzephcore.so.1" &&
  pass "first start copied the library into ~/.local/lib" ||
  fail "no copy of the library in ~/.local/lib"
grep -qx 'SelfInstall=true' "$home/.config/Quorvan/Zephral.ini" 2>/dev/null &&
  pass "first start recorded SelfInstall=true" || fail "SelfInstall was not recorded"

# --- The shell completion, loaded the way bash-completion finds it, offers
# every command and option that --help names; the manual page names each.
help=$(run zephral-cli --help)
commands=$(sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z-]*\).*/\1/p' <<<"$help" | sort)
options=$(sed -n '/^Options:/,/^$/s/^  \(--[a-z-]*\).*/\1/p' <<<"$help" | sort)
complete_words() { # the words completion offers after the given command line
  run XDG_DATA_DIRS="$tree/share" bash -c '
    source /usr/share/bash-completion/bash_completion
    __load_completion zephral-cli || exit 1
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
    _zephral_cli; printf "%s\n" "${COMPREPLY[@]}"' complete "$@" | sort
}
[ -n "$commands" ] && [ "$(complete_words zephral-cli '')" = "$commands" ] &&
  pass "completion offers every command" || fail "completion of the commands: $(complete_words zephral-cli '' | tr '\n' ' ')"
offered=$(complete_words zephral-cli --)
missing=$(comm -23 <(echo "$options") <(echo "$offered"))
[ -n "$options" ] && [ -z "$missing" ] && pass "completion offers every option" ||
  fail "completion lacks: $missing"
[ "$(complete_words zephral-cli --code-page '')" = "$(sed -n 's/.*of the text and the key: //p' <<<"$help" | tr -d , | tr ' ' '\n' | sort)" ] &&
  pass "completion offers the code pages" || fail "completion of --code-page"
[ -z "$(complete_words zephral-cli encrypt-file a b '')" ] &&
  pass "completion offers nothing after a file command's two operands" ||
  fail "completion after two operands"
manual=$(zcat "$tree/share/man/man1/zephral-cli.1.gz" | sed 's/\\-/-/g')
for word in $commands $options; do
  grep -q -- "$word" <<<"$manual" || fail "zephral-cli.1 does not name $word"
done

# --- Nothing the programs did wrote into the installed tree.
[ "$(installed)" = "$before" ] && pass "the installed tree is unchanged" ||
  fail "files appeared in the installed tree: $(comm -13 <(echo "$before") <(installed))"

if [ "$failures" -gt 0 ]; then
  echo "install-check: $failures check(s) failed" >&2
  exit 1
fi
echo "install-check: all passed"
