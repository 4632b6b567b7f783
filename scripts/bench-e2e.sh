#!/usr/bin/env bash
# make bench-e2e: zephral-cli's file commands against the tools people would
# otherwise use, end to end, on a 1 GiB and a 16 MiB file in a RAM-backed
# folder so that the disk decides nothing. For each tool and direction: the
# best wall time of 3 runs and the highest peak memory (GNU time's maximum
# resident set), then the speed relative to openssl enc and the time relative
# to cp, the floor any tool that reads and writes the file has. Then the text
# commands on standard input and output, on text of the same sizes, against
# coreutils base64 and openssl enc -a.
#
#   scripts/bench-e2e.sh BUILD_DIR
#
# BENCH_DIR (default /dev/shm) holds the files while it runs; BENCH_SIZES_MIB
# (default "1024 16") the sizes, empty for the trees of many files alone;
# BENCH_RUNS (default 3) the runs per figure.
set -euo pipefail

build=${1:-build}
cli=$(cd "$build/bin" && pwd)/zephral-cli
base=${BENCH_DIR:-/dev/shm}
sizes=${BENCH_SIZES_MIB-1024 16}
runs=${BENCH_RUNS:-3}

[ -x "$cli" ] || { echo "bench-e2e: no $cli; run make build first" >&2; exit 1; }
for tool in openssl ccrypt gpg base64 /usr/bin/time; do
  command -v "$tool" >/dev/null ||
    { echo "bench-e2e: $tool is missing: scripts/install-deps.sh bench" >&2; exit 1; }
done

work=$(mktemp -d "$base/zephral-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
largest=$(tr ' ' '\n' <<<"$sizes 0" | sort -n | tail -1)
free_mib=$(df -Pm "$work" | awk 'NR == 2 { print $4 }')
if [ "$free_mib" -lt $((largest * 6)) ]; then
  echo "bench-e2e: $base has $free_mib MiB free; $((largest * 6)) MiB are needed" >&2
  exit 1
fi

# One key for every tool: 16 ASCII characters are the same Blowfish key to
# zephral-cli (a passphrase) and to openssl (its bytes as hex), so the two
# make the same ciphertext but for zephral's padding block.
key=benchmark-key-16
hexkey=$(printf %s "$key" | od -An -tx1 | tr -d ' \n')
printf %s "$key" >"$work/passphrase"
export ZEPHRAL_KEY=$key GNUPGHOME=$work/gnupg
mkdir -m 700 "$GNUPGHOME"
openssl_bf=(openssl enc -provider legacy -provider default -bf-ecb -nopad -K "$hexkey")
gpg_batch=(gpg --batch --quiet --pinentry-mode loopback --passphrase-file "$work/passphrase")

# Runs one command line BENCH_RUNS times; prints "best_seconds peak_kib".
# Given a tree, each run starts from a fresh copy of it in $work/tree with an
# empty $work/out, made outside the time.
measure() { # command [tree]
  local best="" peak=0 t m
  for ((i = 0; i < runs; i++)); do
    rm -rf "$work/out"
    if [ -n "${2:-}" ]; then
      rm -rf "$work/tree"
      cp -r "$2" "$work/tree"
      mkdir "$work/out"
    fi
    # The wall time from the shell's clock, finer than GNU time's 10 ms.
    local start=$EPOCHREALTIME
    /usr/bin/time -f '%M' -o "$work/time" bash -c "exec $1" >/dev/null 2>&1 ||
      { echo "bench-e2e: failed: $1" >&2; exit 1; }
    t=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.3f", b - a }')
    read -r m <"$work/time"
    if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$t; fi
    [ "$m" -gt "$peak" ] && peak=$m
  done
  rm -rf "$work/tree" "$work/out"
  echo "$best $peak"
}

echo "Versions:"
echo "  $("$cli" --version)"
echo "  $(openssl version)"
echo "  $(ccrypt --version 2>&1 | head -1)"
echo "  $(gpg --version | head -1)"
echo "  $(cp --version | head -1)"
echo "  $(nproc) processors; files in $base"
echo

q() { printf %q "$1"; }
src=$work/src
for mib in $sizes; do
  head -c $((mib << 20)) /dev/urandom >"$src"
  label="$mib MiB"
  [ "$mib" -ge 1024 ] && label="$((mib / 1024)) GiB"

  # Each tool's ciphertext, for its own decryption, and the checks that the
  # race is fair: everything comes back, and zephral and openssl agree.
  "$cli" --quiet encrypt-file "$src" "$work/zephral.enc"
  "${openssl_bf[@]}" -in "$src" -out "$work/openssl.enc"
  ccrypt -e -K "$key" <"$src" >"$work/ccrypt.enc"
  "${gpg_batch[@]}" --symmetric --compress-algo none -o "$work/gpg.enc" "$src"
  cmp -s <(head -c $((mib << 20)) "$work/zephral.enc") "$work/openssl.enc" ||
    { echo "bench-e2e: zephral-cli and openssl disagree" >&2; exit 1; }
  "$cli" --quiet decrypt-file "$work/zephral.enc" "$work/out"
  cmp -s "$src" "$work/out" || { echo "bench-e2e: zephral-cli lost bytes" >&2; exit 1; }

  declare -A enc dec
  enc[zephral-cli]="$(q "$cli") --quiet encrypt-file $(q "$src") $(q "$work/out")"
  dec[zephral-cli]="$(q "$cli") --quiet decrypt-file $(q "$work/zephral.enc") $(q "$work/out")"
  enc[openssl]="${openssl_bf[*]} -in $(q "$src") -out $(q "$work/out")"
  dec[openssl]="${openssl_bf[*]} -d -in $(q "$work/openssl.enc") -out $(q "$work/out")"
  enc[ccrypt]="ccrypt -e -K $(q "$key") < $(q "$src") > $(q "$work/out")"
  dec[ccrypt]="ccrypt -d -K $(q "$key") < $(q "$work/ccrypt.enc") > $(q "$work/out")"
  enc[gpg]="${gpg_batch[*]} --symmetric --compress-algo none -o $(q "$work/out") $(q "$src")"
  dec[gpg]="${gpg_batch[*]} --decrypt -o $(q "$work/out") $(q "$work/gpg.enc")"
  enc[cp]="cp $(q "$src") $(q "$work/out")"
  dec[cp]=${enc[cp]}

  for direction in encrypt decrypt; do
    declare -A time peak
    for tool in zephral-cli openssl ccrypt gpg cp; do
      if [ $direction = encrypt ]; then line=${enc[$tool]}; else line=${dec[$tool]}; fi
      read -r time[$tool] peak[$tool] < <(measure "$line")
    done
    echo "$label, $direction (best of $runs):"
    printf '  %-12s %9s %11s %13s %9s\n' tool "wall s" "peak MiB" "vs openssl" "vs cp"
    for tool in zephral-cli openssl ccrypt gpg cp; do
      awk -v tool="$tool" -v t="${time[$tool]}" -v m="${peak[$tool]}" \
        -v o="${time[openssl]}" -v c="${time[cp]}" 'BEGIN {
          printf "  %-12s %9.3f %11.1f %12.1fx %8.1fx\n", tool, t, m / 1024, o / t, t / c }'
    done
    echo
    unset time peak
  done
  unset enc dec
  rm -f "$work"/*.enc "$work/out"

  # Text: lines of printable ASCII (Base64 wrapped at 76 columns, as base64
  # makes it), so that every tool takes it as text. Encoding makes one line
  # of Base64 in every tool; decoding reads the 76-column lines base64 makes.
  text=$work/text
  head -c $((mib * 3 << 18)) "$src" | base64 >"$text.lines"
  head -c $((mib << 20)) "$text.lines" >"$text"
  rm -f "$src" "$text.lines"
  base64 <"$text" >"$work/text.b64"
  "$cli" encrypt-text <"$text" >"$work/text.enc"
  "$cli" encode-text <"$text" | cmp -s - <(base64 -w 0 <"$text"; echo) ||
    { echo "bench-e2e: encode-text and base64 disagree" >&2; exit 1; }
  "$cli" decrypt-text <"$work/text.enc" | cmp -s - "$text" ||
    { echo "bench-e2e: decrypt-text lost bytes" >&2; exit 1; }
  declare -A line
  line[encode-text]="$(q "$cli") encode-text < $(q "$text") > $(q "$work/out")"
  line[encrypt-text]="$(q "$cli") encrypt-text < $(q "$text") > $(q "$work/out")"
  line[base64]="base64 -w 0 < $(q "$text") > $(q "$work/out")"
  line[openssl-a]="openssl enc -a -A -in $(q "$text") -out $(q "$work/out")"
  line[decode-text]="$(q "$cli") decode-text < $(q "$work/text.b64") > $(q "$work/out")"
  line[decrypt-text]="$(q "$cli") decrypt-text < $(q "$work/text.enc") > $(q "$work/out")"
  line[base64-d]="base64 -d < $(q "$work/text.b64") > $(q "$work/out")"
  line[openssl-a-d]="openssl enc -d -a -in $(q "$work/text.b64") -out $(q "$work/out")"
  for direction in encode decode; do
    if [ $direction = encode ]; then
      tools=(encode-text encrypt-text base64 openssl-a); base=base64
    else
      tools=(decode-text decrypt-text base64-d openssl-a-d); base=base64-d
    fi
    declare -A time peak
    for tool in "${tools[@]}"; do
      read -r time[$tool] peak[$tool] < <(measure "${line[$tool]}")
    done
    echo "$label of text, $direction (best of $runs; zephral-cli's commands on standard input and output):"
    printf '  %-14s %9s %11s %11s\n' tool "wall s" "peak MiB" "vs $base"
    for tool in "${tools[@]}"; do
      awk -v tool="$tool" -v t="${time[$tool]}" -v m="${peak[$tool]}" -v b="${time[$base]}" \
        'BEGIN { printf "  %-14s %9.3f %11.1f %10.1fx\n", tool, t, m / 1024, b / t }'
    done
    echo
    unset time peak
  done
  unset line
  rm -f "$text" "$work"/text.* "$work/out"
done
# Many files: a tree of BENCH_SMALL_FILES (default 10000) files of 4 KiB and
# one of 8 files of 128 MiB (BENCH_LARGE_MIB), encrypted by zephral-cli with
# -r -t and with --in-place beside ccrypt -r (in place) on the same trees,
# and gpg on the large tree only, one per file as it refuses --symmetric
# with --multifile (its key stretching per file
# would make the small tree a measure of that alone). Each run starts from a
# fresh copy of the tree, made outside the time.
small_files=${BENCH_SMALL_FILES:-10000}
large_mib=${BENCH_LARGE_MIB:-128}
mkdir -p "$work/small/d" "$work/large"
for ((n = 0; n < small_files; n++)); do
  [ $((n % 100)) -eq 0 ] && mkdir -p "$work/small/d/$((n / 100))"
  head -c 4096 /dev/urandom >"$work/small/d/$((n / 100))/f$n"
done
for ((n = 0; n < 8; n++)); do
  head -c $((large_mib << 20)) /dev/urandom >"$work/large/f$n"
done
for set in small large; do
  if [ $set = small ]; then count=$small_files label="$small_files files of 4 KiB"
  else count=8 label="8 files of $large_mib MiB"; fi
  declare -A line time peak
  line[zephral-r-t]="$(q "$cli") encrypt-file -q -r -t $(q "$work/out") $(q "$work/tree")"
  line[zephral-in-place]="$(q "$cli") encrypt-file -q -r --in-place $(q "$work/tree")"
  line[ccrypt-r]="ccrypt -e -r -f -K $(q "$key") $(q "$work/tree")"
  tools=(zephral-r-t zephral-in-place ccrypt-r)
  if [ $set = large ]; then
    # gpg refuses --symmetric with --multifile ("does not yet work"): one
    # gpg per file instead.
    line[gpg-per-file]="bash -c $(q "for f in $(q "$work/tree")/*; do ${gpg_batch[*]} --symmetric \"\$f\" || exit 1; done")"
    tools+=(gpg-per-file)
  fi
  for tool in "${tools[@]}"; do
    read -r time[$tool] peak[$tool] < <(measure "${line[$tool]}" "$work/$set")
  done
  echo "$label, encrypted (best of $runs):"
  printf '  %-18s %9s %11s %12s %11s\n' tool "wall s" "peak MiB" "files/s" "vs ccrypt"
  for tool in "${tools[@]}"; do
    awk -v tool="$tool" -v t="${time[$tool]}" -v m="${peak[$tool]}" -v b="${time[ccrypt-r]}" -v n="$count" \
      'BEGIN { printf "  %-18s %9.3f %11.1f %12.0f %10.1fx\n", tool, t, m / 1024, n / t, b / t }'
  done
  echo
  unset line time peak
done
rm -rf "$work/small" "$work/large"
echo "vs ccrypt: how many times faster than ccrypt -r on the same tree (higher is faster);"
echo "vs openssl: how many times faster than openssl enc -bf-ecb (higher is faster);"
echo "vs base64, vs base64-d: how many times faster than coreutils base64 (higher is faster);"
echo "vs cp: how many times cp's time (lower is better). Wall times include"
echo "starting the tool through GNU time, a few milliseconds."
