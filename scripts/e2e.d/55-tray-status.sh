# Scenarios of the connection state outside the main window: the mark on the tray icon and its tooltip
# ("traystatus=1"), the balloon notices ("notify=1") and the outage log ("outagelog=PATH"), and the program without
# those keys. Like the monitor's scenarios (50-monitor.sh, whose helpers these use) each runs in a network namespace
# of its own with a veth peer, 10.77.0.2, whose link is pulled and put back.
#
# The mark's colour is read from the screen: the notification area sits in the lower right corner of the virtual
# desktop's taskbar; the pixels of the exact mark colours are counted there.

TS_GREEN=008000
TS_RED=FF0000
TS_YELLOW=FFFF00

# Runs BODY inside the monitor scenarios' namespace; the functions of this file go along.
ts_netns() {
    # shellcheck disable=SC2046
    export -f $(compgen -A function ts_) sl_tray_window
    export SL_TRAY_ID TS_GREEN TS_RED TS_YELLOW
    mon_netns "$@"
}

# Number of pixels of colour $2 (RRGGBB) in the notification area of screenshot $1.
ts_tray_pixels() {
    convert "$1" -gravity SouthEast -crop 160x26+0+0 +repage -fill black +opaque "#$2" -fill white -opaque "#$2" \
        -colorspace Gray -format '%[fx:round(w*h*mean)]' info: 2>/dev/null
}

# Waits up to $2 seconds until the tray shows the mark in colour $1 and no other mark colour; saves the
# notification area of the last screenshot as $3.png when $3 is given.
ts_wait_mark() {
    local want=$1 secs=$2 shot=$SL_DIR/tray-check.png start n c other
    start=$(date +%s)
    while :; do
        sl_shot tray-check
        n=$(ts_tray_pixels "$shot" "$want")
        other=0
        for c in $TS_GREEN $TS_RED $TS_YELLOW; do
            [ "$c" = "$want" ] || other=$((other + $(ts_tray_pixels "$shot" "$c")))
        done
        if [ "${n:-0}" -ge 10 ] && [ "$other" = 0 ]; then
            sl_log "tray mark $want: $n pixels"
            [ -z "${3:-}" ] || cp "$shot" "$SL_DIR/$3.png"
            return 0
        fi
        [ $(($(date +%s) - start)) -lt "$secs" ] || sl_fail "the tray shows $n pixels of $want and $other of other mark colours, expected a $want mark"
        sleep 0.3
    done
}

# Waits up to $1 seconds until a balloon shows above the notification area (its white face), saving the screen as
# $2.png. Wine's shell shows a balloon a moment after the request and for at least 10 s; on a busy machine it has
# been seen to skip one, so a balloon missing from the screen is logged, not failed: the program's part is the
# request, which the shell accepted (counted by ts_wait_balloons).
ts_wait_balloon_shown() {
    local start n
    start=$(date +%s)
    while :; do
        sl_shot "$2"
        n=$(convert "$SL_DIR/$2.png" -gravity SouthEast -crop 220x100+0+30 +repage -fill black +opaque white \
            -fill white -opaque white -colorspace Gray -format '%[fx:round(w*h*mean)]' info: 2>/dev/null)
        if [ "${n:-0}" -ge 2000 ]; then
            sl_log "balloon on the screen: $n white pixels ($(($(date +%s) - start)) s)"
            return 0
        fi
        if [ $(($(date +%s) - start)) -ge "$1" ]; then
            sl_log "no balloon on the screen within $1 s"
            return 0
        fi
        sleep 0.3
    done
}

ts_tray() {
    sl_query tray
}

# Waits up to $2 seconds until the program has shown $1 balloons.
ts_wait_balloons() {
    local start
    start=$(date +%s)
    while :; do
        ts_tray
        [ "$(sl_fact tray.balloons)" = "$1" ] && return 0
        [ $(($(date +%s) - start)) -lt "$2" ] || sl_fail "$(sl_fact tray.balloons) balloons shown, expected $1"
        sleep 0.3
    done
}

# The tooltip must read "Skyloom – $1 since <time>".
ts_expect_hint() {
    local hint
    hint=$(sl_fact tray.hint)
    [[ $hint =~ ^Skyloom\ –\ $1\ since\ [0-9]{1,2}[:.][0-9]{2} ]] || sl_fail "tooltip \"$hint\", expected \"Skyloom – $1 since <time>\""
}

# --- all three keys: mark, tooltip, one balloon per lasting change, the log of every outage --------------------
e2e_scenario tray_status_changes 200
tray_status_changes() {
    mon_hosts 10.77.0.2
    ts_netns answer ts_changes_body
}
ts_changes_body() {
    sl_ini $'[Skyloom]\r\ntraystatus=1\r\nnotify=1\r\noutagelog=outages.log\r\n'
    # A log that exists already is appended to, never rewritten.
    printf 'earlier;line;1\r\n' >"$SL_APP_DIR/outages.log"
    mon_start
    mon_wait_panel ONLINE $TS_GREEN 3
    ts_wait_mark $TS_GREEN 5 tray-online
    ts_tray
    sl_expect tray.mark green
    ts_expect_hint ONLINE
    sl_expect tray.balloons 0              # the first state is no change
    sl_log "online: $(sl_fact tray.hint)"

    # A flap of a second: the log has it, no balloon.
    ip link set mon0 down
    sleep 1
    ip link set mon0 up
    mon_wait_panel ONLINE $TS_GREEN 3
    sleep 6
    ts_tray
    sl_expect tray.balloons 0
    sl_expect outagelog.lines 1

    # First outage: red mark, tooltip, "Connection lost" once it has lasted 5 s.
    ip link set mon0 down
    mon_wait_panel OFFLINE $TS_RED 3
    ts_wait_mark $TS_RED 5 tray-offline
    ts_tray
    ts_expect_hint OFFLINE
    ts_wait_balloons 1 9
    sl_expect tray.balloon1 "Skyloom|Connection lost"
    ts_wait_balloon_shown 12 balloon-lost
    # A restarted taskbar gets the icon back with its mark.
    sl_tray_window
    sl_must tray-delete "$SL_TRAY_WND" "$SL_TRAY_ID"
    sl_must broadcast TaskbarCreated
    ts_wait_mark $TS_RED 5 tray-recreated
    sleep 2
    ip link set mon0 up
    mon_wait_panel ONLINE $TS_GREEN 3
    ts_wait_mark $TS_GREEN 5
    ts_wait_balloons 2 9
    local restored
    restored=$(sl_fact tray.balloon2)
    [[ $restored =~ ^Skyloom\|Connection\ restored\ after\ ([0-9]+)\ s$ ]] || sl_fail "second balloon \"$restored\""
    local restored_secs=${BASH_REMATCH[1]}
    [ "$restored_secs" -ge 8 ] || sl_fail "\"$restored\" for an outage of at least 8 s"
    ts_wait_balloon_shown 12 balloon-restored

    # Second outage, then a third one that is still running when the program ends.
    ip link set mon0 down
    ts_wait_balloons 3 9
    ip link set mon0 up
    ts_wait_balloons 4 9
    sl_expect tray.balloon3 "Skyloom|Connection lost"
    ts_tray
    sl_expect outagelog written
    sl_expect outagelog.lines 3
    ip link set mon0 down
    mon_wait_panel OFFLINE $TS_RED 3
    sleep 2
    sl_choose Exit1
    sl_wait_exit 10 || sl_fail "\"Exit\" did not end the program"

    local log=$SL_APP_DIR/outages.log lines
    cp "$log" "$SL_DIR/outages.log"
    mapfile -t lines <"$log"
    [ "${#lines[@]}" = 5 ] || sl_fail "the log has ${#lines[@]} lines, expected the earlier one and 4 outages"
    [ "${lines[0]}" = $'earlier;line;1\r' ] || sl_fail "the earlier line became \"${lines[0]}\""
    local iso='[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}[+-][0-9]{2}:[0-9]{2}'
    local i secs min max prev_end=
    local -a mins=(0 0 8 5 1) maxs=(0 4 120 60 30)
    for i in 1 2 3 4; do
        [[ ${lines[$i]} =~ ^($iso)\;($iso)\;([0-9]+)$'\r'$ ]] || sl_fail "log line $i is \"${lines[$i]}\""
        secs=${BASH_REMATCH[3]}
        [ "$(($(date -d "${BASH_REMATCH[2]}" +%s) - $(date -d "${BASH_REMATCH[1]}" +%s)))" = "$secs" ] ||
            sl_fail "log line $i: $secs s between ${BASH_REMATCH[1]} and ${BASH_REMATCH[2]}"
        [ "$secs" -ge "${mins[$i]}" ] && [ "$secs" -le "${maxs[$i]}" ] ||
            sl_fail "log line $i: an outage of $secs s, expected ${mins[$i]} to ${maxs[$i]}"
        if [ -n "$prev_end" ]; then
            [ "$(date -d "${BASH_REMATCH[1]}" +%s)" -ge "$(date -d "$prev_end" +%s)" ] || sl_fail "log line $i starts before the one above ended"
        fi
        prev_end=${BASH_REMATCH[2]}
        # The balloon and the log measure the same outage (on different clocks: a second apart at most).
        if [ "$i" = 2 ] && { [ $((secs - restored_secs)) -lt -1 ] || [ $((secs - restored_secs)) -gt 1 ]; }; then
            sl_fail "the log has $secs s for the outage the balloon called $restored_secs s"
        fi
    done
    sl_log "log: $(tr '\r\n' '  ' <"$log")"
}

# --- the keys absent: the static icon, the plain tooltip, no balloon, no file --------------------------------------
e2e_scenario tray_status_absent 120
tray_status_absent() {
    mon_hosts 10.77.0.2
    ts_netns answer ts_absent_body
}
ts_absent_body() {
    sl_ini $'[Skyloom]\r\nping=somewhere\r\n'
    mon_start
    mon_wait_panel ONLINE $TS_GREEN 3
    sleep 1
    sl_shot absent-online
    ts_tray
    sl_expect tray.hint Skyloom
    sl_expect tray.mark none
    sl_expect outagelog off
    ip link set mon0 down
    mon_wait_panel OFFLINE $TS_RED 3
    sleep 7
    sl_shot absent-offline
    ts_tray
    sl_expect tray.hint Skyloom
    sl_expect tray.balloons 0
    local c n
    for c in $TS_GREEN $TS_RED $TS_YELLOW; do
        n=$(ts_tray_pixels "$SL_DIR/absent-offline.png" $c)
        [ "$n" = 0 ] || sl_fail "$n pixels of mark colour $c in the notification area"
    done
    # The icon itself is the same online and offline.
    local diff shot
    for shot in absent-online absent-offline; do
        convert "$SL_DIR/$shot.png" -gravity SouthEast -crop 160x26+0+0 +repage "$SL_DIR/$shot-tray.png"
    done
    diff=$(compare -metric AE "$SL_DIR/absent-online-tray.png" "$SL_DIR/absent-offline-tray.png" null: 2>&1)
    [ "$diff" = 0 ] || sl_fail "the notification area changed when the connection went ($diff pixels)"
    ip link set mon0 up
    mon_wait_panel ONLINE $TS_GREEN 3
    sl_choose Exit1
    sl_wait_exit 10 || sl_fail "\"Exit\" did not end the program"
    local files
    files=$(cd "$SL_APP_DIR" && ls -A | sort | tr '\n' ' ')
    [ "$files" = "skyloom.exe skyloom.ini " ] || sl_fail "the program's folder holds $files"
}

# --- a log that cannot be written: skipped quietly, the program goes on ------------------------------------------
e2e_scenario tray_status_log_unwritable
tray_status_log_unwritable() {
    mon_hosts ""
    ts_netns none ts_unwritable_body
}
ts_unwritable_body() {
    sl_ini $'[Skyloom]\r\noutagelog=no such folder\\outages.log\r\n'
    mon_start
    mon_wait_panel OFFLINE $TS_RED 3
    ts_tray
    sl_expect outagelog idle
    sl_expect tray.mark none
    sl_expect tray.hint Skyloom
    mon_hosts 127.0.0.1
    mon_wait_panel ONLINE $TS_GREEN 3
    ts_tray
    sl_expect outagelog unwritable
    sl_expect outagelog.failures 1
    sl_no_welcome 1000
    sl_alive || sl_fail "the program ended"
    [ ! -e "$SL_APP_DIR/no such folder" ] || sl_fail "a folder was made for the log"
}
