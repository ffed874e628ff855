#!/usr/bin/env bash
# Runs a test program inside a private network and mount namespace of its own: loopback only, a hosts file with the
# names the tests use, no DNS. Options shape the network:
#   --ping-group     allow unprivileged ICMP datagram sockets (otherwise they are refused and raw sockets are used)
#   --ignore-echo    this namespace does not answer echo requests (an unanswering host on 127.0.0.1)
#   --router         a veth peer 10.77.0.2 in a second namespace that answers echoes and routes 10.78.0.0/16 into an
#                    unreachable route, so echoes to 10.78.0.5 come back as ICMP "host unreachable"
#   --wine PREFIX    run CMD with its own wine prefix and wineserver started inside the namespace (wine sends echoes
#                    from the wineserver's namespace), killed afterwards
# Usage: netns-run.sh [options] -- CMD...
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
ping_group="1 0" ignore_echo=0 router=0 wine_prefix=
while [ $# -gt 0 ]; do
  case $1 in
    --ping-group) ping_group="0 2147483647" ;;
    --ignore-echo) ignore_echo=1 ;;
    --router) router=1 ;;
    --wine) wine_prefix=$2; shift ;;
    --) shift; break ;;
    *) echo "netns-run: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
long=$(printf 'a%.0s' $(seq 63)).$(printf 'b%.0s' $(seq 63)).$(printf 'c%.0s' $(seq 63)).$(printf 'd%.0s' $(seq 58)).test
hosts=$(mktemp /tmp/skyloom-monitor-hosts.XXXXXX)
trap 'rm -f "$hosts"' EXIT
cat >"$hosts" <<HOSTS
127.0.0.1 localhost
127.0.0.1 pinglib-probe.test
127.0.0.1 $long
10.77.0.2 pinglib-peer.test
HOSTS
export SL_TEST_HOSTS_MAPPED=1 SL_TEST_IGNORE_ECHO=$ignore_echo SL_TEST_ROUTER=$router
unshare -nm --propagation private -- bash -c '
  set -e
  hosts=$1 ping_group=$2 ignore_echo=$3 router=$4 wine_prefix=$5 top=$6; shift 6
  ip link set lo up
  mount --bind "$hosts" /etc/hosts
  [ -e /etc/resolv.conf ] && mount --bind /dev/null /etc/resolv.conf || true
  sysctl -qw net.ipv4.ping_group_range="$ping_group"
  sysctl -qw net.ipv4.icmp_echo_ignore_all=$ignore_echo
  if [ "$router" = 1 ]; then
    mount -t tmpfs tmpfs /run
    peer=slmon$$
    ip netns add $peer
    ip link add slmon0 type veth peer name slmon1 netns $peer
    ip addr add 10.77.0.1/24 dev slmon0
    ip link set slmon0 up
    ip -n $peer link set lo up
    ip -n $peer addr add 10.77.0.2/24 dev slmon1
    ip -n $peer link set slmon1 up
    ip netns exec $peer sysctl -qw net.ipv4.ip_forward=1
    ip netns exec $peer sysctl -qw net.ipv4.icmp_ratelimit=0
    ip -n $peer route add unreachable 10.78.0.0/16
    ip route add 10.78.0.0/16 via 10.77.0.2
  fi
  rc=0
  if [ -n "$wine_prefix" ]; then
    export WINEPREFIX=$wine_prefix
    "$top/scripts/wine-prefix" "$WINEPREFIX"
    "$top/scripts/wine-run" "$@" || rc=$?
    wineserver -k 2>/dev/null || true
  else
    "$@" || rc=$?
  fi
  exit $rc' netns-run "$hosts" "$ping_group" "$ignore_echo" "$router" "$wine_prefix" "$top" "$@"
