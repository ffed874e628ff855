# Scenarios of the connection monitor: the status bar follows what the probe host's name and echoes do.
#
# Each scenario runs in a network namespace of its own (inside the harness's), with its own hosts file and, where
# needed, a veth peer in a second namespace: 10.77.0.2, answering echoes or ignoring them. The program, its
# wineserver (which sends Wine's echoes) and the probe all run inside it. Echo requests leaving the scenario's
# namespace are counted from /proc/net/snmp, which gives the number of status passes.

MON_TOP=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
MON_PROBE_HOST=$(sed -n 's/^set(SL_PROBE_HOST "\([^"]*\)".*/\1/p' "$MON_TOP/CMakeLists.txt")
export MON_TOP MON_PROBE_HOST

# mon_netns PEER BODY: runs the function BODY inside a fresh namespace. PEER: none, answer, ignore, or router (the
# peer answers echoes for 10.78.0.0/16 with "host unreachable"). The hosts file
# is $SL_DIR/hosts (write it before; BODY may rewrite it, lookups read it afresh).
mon_netns() {
    local peer=$1 body=$2
    [ -f "$SL_DIR/hosts" ] || echo "127.0.0.1 localhost" >"$SL_DIR/hosts"
    unshare -nm --propagation private -- bash -c '
        peer=$1 body=$2
        set -e
        ip link set lo up
        mount --bind "$SL_DIR/hosts" /etc/hosts
        [ -e /etc/resolv.conf ] && mount --bind /dev/null /etc/resolv.conf || true
        if [ "$peer" != none ]; then
            mount -t tmpfs tmpfs /run
            ip netns add monpeer
            ip link add mon0 type veth peer name mon1 netns monpeer
            ip addr add 10.77.0.1/24 dev mon0
            ip link set mon0 up
            ip -n monpeer link set lo up
            ip -n monpeer addr add 10.77.0.2/24 dev mon1
            ip -n monpeer link set mon1 up
            [ "$peer" = ignore ] && ip netns exec monpeer sysctl -qw net.ipv4.icmp_echo_ignore_all=1
            if [ "$peer" = router ]; then
                ip netns exec monpeer sysctl -qw net.ipv4.ip_forward=1
                ip netns exec monpeer sysctl -qw net.ipv4.icmp_ratelimit=0
                ip -n monpeer route add unreachable 10.78.0.0/16
                ip route add 10.78.0.0/16 via 10.77.0.2
            fi
        fi
        set +e
        source "$MON_TOP/scripts/lib/e2e.sh"
        source "$MON_TOP/scripts/e2e.d/50-monitor.sh"
        "$body"
        rc=$?
        wineserver -k >/dev/null 2>&1
        exit $rc' mon-netns "$peer" "$body"
}

mon_hosts() {
    printf '127.0.0.1 localhost\n%s' "${1:+$1 $MON_PROBE_HOST
}" >"$SL_DIR/hosts"
}

# Echo requests this namespace has sent so far (one per status pass).
mon_echoes_sent() {
    awk '$1 == "IcmpMsg:" { if (!n) { for (i = 2; i <= NF; i++) k[i] = $i; n = 1 } else { for (i = 2; i <= NF; i++) if (k[i] == "OutType8") v = $i } } END { print v + 0 }' /proc/net/snmp
}

# The panel's caption and colour as the user sees them: MON_TEXT, MON_RGB.
mon_panel() {
    sl_must controls "$SL_MAIN_CLASS" -- pixel "$SL_MAIN_CLASS" TPanel 6 6
    local i
    i=$(awk -F= '$1 ~ /^child[0-9]+\.class$/ && $2 == "TPanel" { sub(/^child/, "", $1); sub(/\..*/, "", $1); print $1; exit }' <<<"$SL_OUT")
    [ -n "$i" ] || sl_fail "no status panel"
    MON_TEXT=$(sl_fact "child$i.text")
    MON_RGB=$(sl_fact pixel)
}

# Waits up to $3 seconds until the panel shows caption $1 in colour $2; MON_WAITED is the time it took (ms).
mon_wait_panel() {
    local start now
    start=$(date +%s%N)
    while :; do
        mon_panel
        now=$(date +%s%N)
        MON_WAITED=$(((now - start) / 1000000))
        [ "$MON_TEXT" = "$1" ] && [ "$MON_RGB" = "$2" ] && return 0
        [ "$MON_WAITED" -gt $(($3 * 1000)) ] && sl_fail "panel shows \"$MON_TEXT\" in $MON_RGB, expected \"$1\" in $2 within ${3}s"
        sleep 0.1
    done
}

# Starts the program and waits for its window; the very first start in a prefix greets the user first.
mon_start() {
    sl_start "$@"
    if [ -z "${MON_GREETED:-}" ]; then
        sl_msgbox 20000
        sl_press OK
        MON_GREETED=1
    fi
    sl_wait_window visible
}

# CPU time (clock ticks) used so far by every process of this namespace, and by the program alone.
mon_cpu_ticks() {
    local me p total=0 prog=0 t
    me=$(readlink /proc/self/ns/net)
    for p in /proc/[0-9]*; do
        [ "$(readlink "$p/ns/net" 2>/dev/null)" = "$me" ] || continue
        t=$(awk '{ print $14 + $15 }' "$p/stat" 2>/dev/null) || continue
        [ -n "$t" ] || continue
        total=$((total + t))
        [ "${p#/proc/}" = "$SL_PID" ] && prog=$t
    done
    echo "$total $prog"
}

# --- probe host mapped to 127.0.0.1: green "ONLINE" ------------------------------------------------------------
e2e_scenario monitor_online
monitor_online() {
    mon_hosts 127.0.0.1
    mon_netns none monitor_online_body
}
monitor_online_body() {
    mon_start
    mon_wait_panel ONLINE 008000 1
    sl_log "ONLINE ${MON_WAITED} ms after the window was seen"
    # Passes and CPU while online on loopback.
    local e0 e1 c0 c1 hz secs=5
    hz=$(getconf CLK_TCK)
    e0=$(mon_echoes_sent)
    read -r c0 p0 < <(mon_cpu_ticks)
    sleep $secs
    e1=$(mon_echoes_sent)
    read -r c1 p1 < <(mon_cpu_ticks)
    local passes=$((e1 - e0))
    [ "$passes" -gt 0 ] || sl_fail "no echo went out in ${secs}s"
    awk -v n="$passes" -v s="$secs" -v c=$((c1 - c0)) -v p=$((p1 - p0)) -v hz="$hz" 'BEGIN {
        printf "measure passes/s=%.1f cpu-ms/pass(all wine processes)=%.3f cpu-ms/pass(program)=%.3f\n",
               n / s, c * 1000 / hz / n, p * 1000 / hz / n }' | tee -a "$SL_DIR/measure" >>"$SL_DIR/log"
    mon_panel
    [ "$MON_TEXT" = ONLINE ] || sl_fail "panel went to \"$MON_TEXT\" while online"
    sl_shot online
}

# --- probe host unresolvable: red "OFFLINE" ----------------------------------------------------------------------
e2e_scenario monitor_unresolvable
monitor_unresolvable() {
    mon_hosts ""
    mon_netns none monitor_unresolvable_body
}
monitor_unresolvable_body() {
    mon_start
    mon_wait_panel OFFLINE FF0000 2
    sleep 1
    mon_panel
    [ "$MON_TEXT" = OFFLINE ] || sl_fail "panel went to \"$MON_TEXT\" without a name for the probe host"
}

# --- echoes unanswered: "OFFLINE", one pass about every three seconds ------------------------------------------
e2e_scenario monitor_unanswered
monitor_unanswered() {
    mon_hosts 10.77.0.2
    mon_netns ignore monitor_unanswered_body
}
monitor_unanswered_body() {
    mon_start
    mon_wait_panel OFFLINE FF0000 5
    local e0 e1 secs=9
    e0=$(mon_echoes_sent)
    sleep $secs
    e1=$(mon_echoes_sent)
    sl_log "echoes in ${secs}s: $((e1 - e0))"
    echo "measure unanswered: $((e1 - e0)) passes in ${secs}s" >>"$SL_DIR/measure"
    [ $((e1 - e0)) -ge 2 ] && [ $((e1 - e0)) -le 4 ] || sl_fail "$((e1 - e0)) passes in ${secs}s, expected about one every 3 s"
    mon_panel
    [ "$MON_TEXT" = OFFLINE ] || sl_fail "panel shows \"$MON_TEXT\" although no echo is answered"
}

# --- the probe host unreachable behind a router: its ICMP error is no answer, "OFFLINE" -------------------------
e2e_scenario monitor_unreachable
monitor_unreachable() {
    mon_hosts 10.78.0.5
    mon_netns router monitor_unreachable_body
}
monitor_unreachable_body() {
    mon_start
    mon_wait_panel OFFLINE FF0000 3
    sleep 1
    mon_panel
    [ "$MON_TEXT" = OFFLINE ] || sl_fail "panel shows \"$MON_TEXT\" for a host the router reports unreachable"
}

# --- "ping" equal to the probe host's address: "OFFLINE" although echoes succeed; other values change nothing ----
e2e_scenario monitor_ping_setting
monitor_ping_setting() {
    mon_hosts 127.0.0.1
    mon_netns none monitor_ping_setting_body
}
monitor_ping_setting_body() {
    local value expect
    # (The settings file's reader drops blanks around a value, so " 127.0.0.1" would read as the address itself.)
    for value in 127.0.0.1 127.0.0.10 127.0.0.2 localhost "$MON_PROBE_HOST" ""; do
        expect=ONLINE
        [ "$value" = 127.0.0.1 ] && expect=OFFLINE
        sl_ini "[Skyloom]"$'\r\n'"ping=$value"$'\r\n'
        mon_start
        sleep 1
        local before
        before=$(mon_echoes_sent)
        if [ $expect = ONLINE ]; then
            mon_wait_panel ONLINE 008000 2
        else
            mon_wait_panel OFFLINE FF0000 2
            sleep 0.5
            mon_panel
            [ "$MON_TEXT" = OFFLINE ] || sl_fail "ping=$value: panel shows \"$MON_TEXT\""
        fi
        [ "$(mon_echoes_sent)" -gt "$before" ] || sl_fail "ping=$value: no echoes went out"
        sl_choose Exit1
        sl_wait_exit 10 || sl_fail "ping=$value: \"Exit\" did not end the program"
        sl_log "ping=\"$value\": $expect"
    done
}

# --- the network goes away and comes back: the bar follows within a pass ----------------------------------------
e2e_scenario monitor_network_changes
monitor_network_changes() {
    mon_hosts 10.77.0.2
    mon_netns answer monitor_network_changes_body
}
monitor_network_changes_body() {
    mon_start
    mon_wait_panel ONLINE 008000 3
    ip link set mon0 down                       # the cable is pulled
    mon_wait_panel OFFLINE FF0000 2
    sl_log "link down: OFFLINE after ${MON_WAITED} ms"
    ip link set mon0 up
    mon_wait_panel ONLINE 008000 3
    sl_log "link up: ONLINE after ${MON_WAITED} ms"
    mon_hosts ""                                # the name service loses the host
    mon_wait_panel OFFLINE FF0000 2
    sl_log "name gone: OFFLINE after ${MON_WAITED} ms"
    mon_hosts 10.77.0.2
    mon_wait_panel ONLINE 008000 3
    sl_log "name back: ONLINE after ${MON_WAITED} ms"
    ip netns exec monpeer sysctl -qw net.ipv4.icmp_echo_ignore_all=1   # the host stops answering
    mon_wait_panel OFFLINE FF0000 5
    sl_log "echoes ignored: OFFLINE after ${MON_WAITED} ms"
    ip netns exec monpeer sysctl -qw net.ipv4.icmp_echo_ignore_all=0
    mon_wait_panel ONLINE 008000 5
    sl_log "echoes answered: ONLINE after ${MON_WAITED} ms"
}

# --- "Exit" while a pass waits for its echo: the process is gone within a second ---------------------------------
e2e_scenario monitor_exit_during_echo
monitor_exit_during_echo() {
    mon_hosts 10.77.0.2
    mon_netns ignore monitor_exit_during_echo_body
}
monitor_exit_during_echo_body() {
    mon_start
    mon_wait_panel OFFLINE FF0000 5
    sl_menus
    local id e0
    id=$(sl_menu_id Exit1)
    [ -n "$id" ] || sl_fail "no menu item Exit1"
    # Just after an echo went out, so the pass is certainly waiting for it.
    e0=$(mon_echoes_sent)
    while [ "$(mon_echoes_sent)" = "$e0" ]; do sleep 0.05; done
    sleep 0.3
    # The probe needs a while to start under Wine; the command reaches the program just before the probe ends.
    local start sent end
    start=$(date +%s%N)
    sl_must command "$SL_MAIN_CLASS" "$id"
    sent=$(date +%s%N)
    while sl_alive; do
        [ $((($(date +%s%N) - sent) / 1000000)) -lt 5000 ] || sl_fail "the program still runs 5 s after Exit"
        sleep 0.02
    done
    end=$(date +%s%N)
    local ms=$(((end - sent) / 1000000)) total=$(((end - start) / 1000000))
    sl_log "gone ${ms} ms after the probe delivered Exit (${total} ms including the probe's start-up)"
    echo "measure exit-latency-ms=$ms (after the probe delivered Exit; ${total} ms including the probe's start-up)" >>"$SL_DIR/measure"
    [ "$ms" -lt 1000 ] || sl_fail "the program took ${ms} ms to end after Exit"
}
