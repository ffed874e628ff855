# Sourced by the scripts. sl_netns CMD...: runs CMD in a private network namespace that has only loopback, with a
# hosts file that maps the program's probe, feed and update hosts (and any in SL_EXTRA_HOSTS) to 127.0.0.1, so
# nothing a test or demo resolves can leave the machine.
sl_netns() {
  local top hosts
  top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  hosts=$(mktemp /tmp/skyloom-hosts.XXXXXX)
  {
    echo "127.0.0.1 localhost"
    echo "::1 localhost ip6-localhost"
    for h in $(sl_config_hosts "$top") ${SL_EXTRA_HOSTS:-}; do echo "127.0.0.1 $h"; done
  } >"$hosts"
  unshare -nm --propagation private -- bash -c '
    set -e
    ip link set lo up
    mount --bind "$1" /etc/hosts
    [ -e /etc/resolv.conf ] && mount --bind /dev/null /etc/resolv.conf || true
    shift
    exec "$@"' sl-netns "$hosts" "$@"
  local rc=$?
  rm -f "$hosts"
  return $rc
}

# The host names the program is built to reach, read from the one place they are set.
sl_config_hosts() {
  sed -n 's/^set(SL_\(PROBE_HOST\|UPDATE_HOST\|DEFAULT_FEED\|PRODUCT_SITE\) "\([^"]*\)".*/\2/p' "$1/CMakeLists.txt" \
    | sed -E 's#^[a-z]+://##; s#[/:].*$##' | sort -u
}

# Starts Xvfb on a free display inside the current namespace; sets DISPLAY and SL_XVFB_PID.
sl_start_xvfb() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    SL_XVFB_PID=$!
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.1
    done
    if kill -0 "$SL_XVFB_PID" 2>/dev/null; then
      export DISPLAY=":$n"
      return 0
    fi
  done
  echo "no free X display" >&2
  return 1
}
