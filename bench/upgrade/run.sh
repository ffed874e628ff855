#!/usr/bin/env bash
# The transfer component (under wine, win64 build) against curl, both fetching the same 100 MB file from
# tools/updateserver into a file, in the same run, inside a private network namespace.
#     bench/upgrade/run.sh [SIZE_MB]
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
size=${1:-100}
exe="$top/build/win64/bench/upgrade/bench_transfer.exe"
[ -x "$exe" ] || { echo "build the win64 preset first (bench_transfer.exe)" >&2; exit 1; }
source "$top/scripts/lib/netns.sh"
host=$(sed -n 's/^set(SL_UPDATE_HOST "\([^"]*\)".*/\1/p' "$top/CMakeLists.txt")
sl_netns bash -c '
  set -e
  top=$1 size=$2 exe=$3 host=$4
  work=$(mktemp -d /tmp/skyloom-bench.XXXXXX)
  mkdir -p "$work/www"
  head -c $((size * 1024 * 1024)) /dev/urandom >"$work/www/big.bin"
  python3 "$top/tools/updateserver/updateserver.py" --port 0 --dir "$work/www" --port-file "$work/port" &
  server=$!
  for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
  url="http://$host:$(cat "$work/port")/big.bin"
  best=
  for _ in 1 2 3; do
    t=$(curl -s -o "$work/curl.bin" -w "%{time_total}" "$url")
    if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then best=$t; fi
  done
  cmp -s "$work/curl.bin" "$work/www/big.bin" || { echo "curl copy differs" >&2; exit 1; }
  echo "curl: ${size} MB in ${best} s = $(awk "BEGIN{printf \"%.1f\", $size / $best}") MB/s"
  export WINEPREFIX=$top/build/win64/bench/upgrade/wineprefix
  # The default 4 KB reads of the component and 64 KB reads, each with a progress handler (every chunk then crosses to
  # the main thread, as in the upgrade wizard) and without one.
  for variant in "4096 progress" "4096 noprogress" "65536 progress" "65536 noprogress"; do
    set -- $variant
    out=$("$top/scripts/wine-run" "$exe" "$url" "Z:${work//\//\\}\\ours.bin" 1 "$1" "$2" | tr -d "\r")
    echo "$out" | grep -v RESULT
    cmp -s "$work/ours.bin" "$work/www/big.bin" || { echo "our copy differs" >&2; exit 1; }
    ours=$(echo "$out" | sed -n "s/RESULT seconds=\([0-9.]*\).*/\1/p")
    echo "  ratio ours/curl (time): $(awk "BEGIN{printf \"%.2f\", $ours / $best}")"
  done
  wineserver -k 2>/dev/null || true
  kill $server; wait $server 2>/dev/null || true
  rm -rf "$work"' bench "$top" "$size" "$exe" "$host"
