# Measurements of the program as a user meets it, each next to the floor measured in the same run and prefix: a
# program that only shows a window (tools/floor). tools/meter starts a program and times it from inside Wine. The
# figures go to the terminal and to build/e2e/<name>/figures; a scenario fails only when the program does not get
# there at all (no window, no headline, no ending), never on a figure.
# shellcheck shell=bash

MEASURE_RUNS=${MEASURE_RUNS:-3}

measure_tools() {
    local dir
    dir=$(dirname "$SL_PROBE_EXE")/..
    MEASURE_METER=$(readlink -f "$dir/meter/meter.exe")
    cp "$(readlink -f "$dir/floor/floor.exe")" "$SL_DIR/floor.exe"
    [ -f "$MEASURE_METER" ] || sl_fail "no meter at $MEASURE_METER"
    MEASURE_FLOOR_WIN=$(printf 'Z:%s' "${SL_DIR//\//\\}\\floor.exe")
}

# meter ARGS...: runs tools/meter; its key=value lines are in SL_OUT.
measure_meter() {
    SL_OUT=$(cd "$SL_APP_DIR" && "$SL_WINE" "$MEASURE_METER" "$@" 2>>"$SL_DIR/probe.err" | tr -d '\r')
    local rc=$?
    { echo "> meter $*"; printf '%s\n' "$SL_OUT"; } >>"$SL_DIR/log"
    [ $rc = 0 ] || sl_fail "meter: $(sl_fact error)"
}

# Median of the numbers given.
measure_median() {
    printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

measure_report() {
    printf 'MEASURE %s\n' "$*" | tee -a "$SL_DIR/figures"
}

# Starts the program once, reads the command id of "Exit" through the test-mode query and ends it with that
# command. Also the warm-up run: Wine has loaded its own libraries once before anything is timed.
measure_exit_id() {
    sl_start
    sl_wait_window visible
    sl_menus
    MEASURE_EXIT_ID=$(sl_menu_id Exit1)
    [ -n "$MEASURE_EXIT_ID" ] || sl_fail "no Exit item"
    sl_must command "$SL_MAIN_CLASS" "$MEASURE_EXIT_ID"
    sl_wait_exit 20 || sl_fail "Exit did not end the program"
}

# Start-up: process start to the main window visible, to its status panel painted, and to the first headline of a
# local feed; the floor to its window visible and painted. Medians of MEASURE_RUNS alternating runs.
e2e_scenario measure_startup 240
measure_startup() {
    news_serve feed.xml
    news_numbered_feed 100
    measure_tools
    measure_exit_id
    measure_meter --class SlFloorWindow --pixel 20,20 --painted 008080 --end close -- "$MEASURE_FLOOR_WIN"
    local fs=() fp=() ss=() sp=() sh=() se=() r
    for r in $(seq "$MEASURE_RUNS"); do
        measure_meter --class SlFloorWindow --pixel 20,20 --painted 008080 --end close -- "$MEASURE_FLOOR_WIN"
        fs+=("$(sl_fact shown_ms)")
        fp+=("$(sl_fact painted_ms)")
        measure_meter --class "$SL_MAIN_CLASS" --pixel 20,20 --painted FFFF00,008000,FF0000 --list TWideListBox \
            --end "$MEASURE_EXIT_ID" -- "$(sl_exe_winpath)"
        ss+=("$(sl_fact shown_ms)")
        sp+=("$(sl_fact painted_ms)")
        sh+=("$(sl_fact list_ms)")
        se+=("$(sl_fact exit_ms)")
    done
    local floor skyloom
    floor=$(measure_median "${fp[@]}")
    skyloom=$(measure_median "${sp[@]}")
    measure_report "startup floor: shown $(measure_median "${fs[@]}") ms, painted $floor ms"
    measure_report "startup skyloom: shown $(measure_median "${ss[@]}") ms, painted $skyloom ms," \
        "first headline $(measure_median "${sh[@]}") ms, exit $(measure_median "${se[@]}") ms"
    measure_report "startup ratio painted skyloom/floor: $(awk -v a="$skyloom" -v b="$floor" 'BEGIN { printf "%.2f", a / b }') (target <= 1.5)"
}

# Ending: "Exit" to the process gone, on the virtual desktop and with Wine drawing straight onto the X screen (no
# desktop window, the usual way on a Linux desktop). The floor's ending after WM_CLOSE is the reference.
measure_exit_mode() {
    local mode=$1 fe=() se=() ue=() r t0 t1
    news_serve feed.xml
    news_feed A B C >"$NEWS_FEEDS/feed.xml"
    measure_tools
    measure_exit_id
    for r in $(seq "$MEASURE_RUNS"); do
        measure_meter --class SlFloorWindow --end close -- "$MEASURE_FLOOR_WIN"
        fe+=("$(sl_fact exit_ms)")
        measure_meter --class "$SL_MAIN_CLASS" --list TWideListBox --end "$MEASURE_EXIT_ID" -- "$(sl_exe_winpath)"
        se+=("$(sl_fact exit_ms)")
        # As the shell sees it: from the command posted to the Wine process gone.
        sl_start
        sl_wait_window visible
        news_wait_lines "1. A|2. B|3. C"
        sl_must command "$SL_MAIN_CLASS" "$MEASURE_EXIT_ID"
        # The probe posts the command just before it ends, so its own end is the start.
        t0=$(date +%s%N)
        sl_wait_exit 20 || sl_fail "Exit did not end the program"
        t1=$(date +%s%N)
        ue+=("$(( (t1 - t0) / 1000000 ))")
    done
    measure_report "exit ($mode) floor: $(measure_median "${fe[@]}") ms; skyloom: $(measure_median "${se[@]}") ms" \
        "(process handle), $(measure_median "${ue[@]}") ms (probe done to the Wine process gone) (target < 1000)"
}

e2e_scenario measure_exit_desktop 240
measure_exit_desktop() {
    measure_exit_mode "virtual desktop"
}

e2e_scenario measure_exit_no_desktop 240
measure_exit_no_desktop() {
    # The prefix has not run yet: without the desktop setting Wine puts every window straight onto the X screen.
    sed -i '/^"Desktop"="shell"$/d' "$WINEPREFIX/user.reg"
    measure_exit_mode "no desktop"
}

# Cost of leaving it running: Skyloom with a 100-item feed and the status loop, and the floor carrying the same
# system libraries, side by side in one prefix for MEASURE_HOLD_S seconds (60 by default; 600 for the ten-minute
# figure). Reports the working sets as Wine's process counters give them, the CPU time of each process as Linux
# counts it (all its threads; Wine's own server and device processes not included), and the status passes the
# program counted.
MEASURE_HOLD_S=${MEASURE_HOLD_S:-60}

# CPU seconds (user + system) of a Linux process so far.
measure_cpu_s() {
    awk -v hz="$(getconf CLK_TCK)" '{ print ($14 + $15) / hz }' "/proc/$1/stat"
}

e2e_scenario measure_running $((MEASURE_HOLD_S + 120))
measure_running() {
    news_serve feed.xml
    local dlls
    news_numbered_feed 100
    measure_tools
    sl_start
    sl_wait_window visible
    news_wait_lines "$(news_numbered_lines 100)" 60
    sleep 5
    # The floor carries the system libraries the program has loaded by now: those it imports and those it loads on
    # first use (the transfers', the status loop's, the tray's), so that the difference is the program's own.
    measure_meter --attach --class "$SL_MAIN_CLASS" --hold 1
    IFS=, read -r -a dlls <<<"$(sl_fact modules)"
    [ "${#dlls[@]}" -gt 1 ] || sl_fail "no modules read"
    dlls=("${dlls[@]:1}")
    sl_log "modules the program has loaded (the floor loads the same): ${dlls[*]}"
    "$SL_WINE" "$SL_DIR/floor.exe" "${dlls[@]}" >/dev/null 2>&1 &
    local floor_pid=$!
    sl_must wait-window SlFloorWindow 15000 visible
    local p1 t1 c1 f1 p2 t2 c2 f2
    sl_query state
    p1=$(sl_fact passes) t1=$(date +%s%N) c1=$(measure_cpu_s "$SL_PID") f1=$(measure_cpu_s "$floor_pid")
    sleep "$MEASURE_HOLD_S"
    sl_query state
    p2=$(sl_fact passes) t2=$(date +%s%N) c2=$(measure_cpu_s "$SL_PID") f2=$(measure_cpu_s "$floor_pid")
    measure_meter --attach --class SlFloorWindow --hold 1 --end close
    local fws sws
    fws=$(sl_fact working_set_kb)
    measure_meter --attach --class "$SL_MAIN_CLASS" --hold 1
    sws=$(sl_fact working_set_kb)
    [ -n "$fws" ] && [ -n "$sws" ] || sl_fail "no working set read"
    local secs rate scpu
    secs=$(awk -v s="$t1" -v e="$t2" 'BEGIN { printf "%.1f", (e - s) / 1e9 }')
    rate=$(awk -v a="$p1" -v b="$p2" -v s="$secs" 'BEGIN { printf "%.1f", (b - a) / s }')
    scpu=$(awk -v a="$c1" -v b="$c2" 'BEGIN { printf "%.2f", b - a }')
    measure_report "running ${secs}s: working set floor ${fws} kB (with ${#dlls[@]} DLLs), skyloom ${sws} kB," \
        "difference $(awk -v a="$sws" -v b="$fws" 'BEGIN { printf "%.1f", (a - b) / 1024 }') MB (target <= 4)"
    measure_report "running ${secs}s: CPU floor $(awk -v a="$f1" -v b="$f2" 'BEGIN { printf "%.2f", b - a }') s," \
        "skyloom $scpu s = $(awk -v c="$scpu" -v s="$secs" 'BEGIN { printf "%.1f", c / s * 3600 }') CPU s/hour;" \
        "$rate passes/s, $(awk -v c="$scpu" -v s="$secs" -v r="$rate" 'BEGIN { printf "%.3f", c * 1000 / (s * r) }') CPU ms/pass"
}
