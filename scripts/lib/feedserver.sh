# Sourced by the demo and the scenarios. sl_start_feedserver DIR: serves the files of DIR on 127.0.0.1 with
# tools/feedserver (a free port is chosen); sets SL_FEED_PORT and SL_FEED_PID. Must run inside the private network
# namespace (sl_netns) like everything else that opens sockets. sl_stop_feedserver ends it; sl_demo_feed (below)
# serves the demo feed for a program folder.
sl_start_feedserver() {
  local dir=$1 top portfile i
  top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  portfile=$(mktemp /tmp/skyloom-feedport.XXXXXX)
  rm -f "$portfile"
  python3 "$top/tools/feedserver/feedserver.py" --port 0 --dir "$dir" --port-file "$portfile" 2>>"${SL_FEED_LOG:-/dev/null}" &
  SL_FEED_PID=$!
  for i in $(seq 100); do
    [ -s "$portfile" ] && break
    kill -0 "$SL_FEED_PID" 2>/dev/null || break
    sleep 0.05
  done
  SL_FEED_PORT=$(cat "$portfile" 2>/dev/null)
  rm -f "$portfile"
  [ -n "$SL_FEED_PORT" ] || { echo "feed server did not start" >&2; return 1; }
  export SL_FEED_PORT SL_FEED_PID
}

sl_stop_feedserver() {
  [ -n "${SL_FEED_PID:-}" ] && kill "$SL_FEED_PID" 2>/dev/null && wait "$SL_FEED_PID" 2>/dev/null
  SL_FEED_PID=
  true
}

# sl_demo_feed APPDIR: serves the sample feed of tools/feedserver/sample and writes APPDIR/skyloom.ini so that the
# program reads its news from there. The settings file is left as it was when the server cannot start.
sl_demo_feed() {
  local appdir=$1 top
  top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  sl_start_feedserver "$top/tools/feedserver/sample" || return 1
  printf '[Skyloom]\r\nrss=http://127.0.0.1:%s/news.xml\r\n' "$SL_FEED_PORT" >"$appdir/skyloom.ini"
}
