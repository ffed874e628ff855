#!/usr/bin/env bash
# Runs a test program inside a private network namespace (loopback only; the program's update host and the other
# configured hosts map to 127.0.0.1) beside tools/updateserver, which serves an empty folder of its own.
# The program finds the server through SL_UPDATE_PORT and the folder (files, control.json, requests.log) through
# SL_UPDATE_WORK. Usage: netns-updateserver.sh [--wine PREFIX] -- CMD...
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
wine_prefix=
while [ $# -gt 0 ]; do
  case $1 in
    --wine) wine_prefix=$2; shift ;;
    --) shift; break ;;
    *) echo "netns-updateserver: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
source "$top/scripts/lib/netns.sh"
sl_netns bash -c '
  set -e
  top=$1 wine_prefix=$2; shift 2
  work=$(mktemp -d /tmp/skyloom-update.XXXXXX)
  mkdir -p "$work/www"
  echo "{}" >"$work/www/control.json"
  python3 "$top/tools/updateserver/updateserver.py" --port 0 --dir "$work/www" --log "$work/requests.log" \
    --port-file "$work/port" 2>"$work/server.err" &
  server=$!
  for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
  export SL_UPDATE_PORT=$(cat "$work/port") SL_UPDATE_WORK=$work
  rc=0
  if [ -n "$wine_prefix" ]; then
    export WINEPREFIX=$wine_prefix
    "$top/scripts/wine-run" "$@" || rc=$?
    wineserver -k 2>/dev/null || true
  else
    "$@" || rc=$?
  fi
  kill $server 2>/dev/null; wait $server 2>/dev/null || true
  rm -rf "$work"
  exit $rc' netns-updateserver "$top" "$wine_prefix" "$@"
