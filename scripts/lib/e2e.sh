# Helpers for the black-box scenarios (scripts/e2e, scenarios in scripts/e2e.d/*.sh). Sourced, never run.
#
# A scenario file registers each of its scenarios and defines a function of the same name:
#
#     e2e_scenario tray_start
#     tray_start() {
#         sl_ini $'[Skyloom]\nrss=http://127.0.0.1:1/none'   # optional: the settings file beside the exe
#         sl_start /tray                                   # start skyloom.exe with arguments
#         sl_wait_window hidden                            # main window created, not shown
#         sl_window; sl_expect visible 0                   # probe and compare a fact
#         sl_alive || sl_fail "process ended"
#     }
#
# The function runs in a subshell with its own Wine prefix (fresh registry), its own copy of skyloom.exe in a folder
# with a blank in its name, and the program in test mode. sl_fail "why" ends the scenario with FAIL; returning
# normally is PASS. After the function, a screenshot of the screen is saved as build/e2e/<name>/end.png and the
# scenario's wineserver is killed. Probe output is kept in build/e2e/<name>/log. The prefix and the program's copy
# are removed after the scenario (SL_E2E_KEEP=1 keeps them).
#
# The probe (tools/probe) prints facts as key=value lines with \r, \n and \\ escaped; sl_fact KEY reads one from the
# last probe call, sl_expect KEY VALUE compares it (VALUE written in the same escaped form).

source "$(dirname "${BASH_SOURCE[0]}")/prefix.sh"

SL_E2E_SCENARIOS=()
declare -A SL_E2E_TIMEOUTS=()
SL_MAIN_CLASS=${SL_MAIN_CLASS:-TForm1}
SL_E2E_TIMEOUT=${SL_E2E_TIMEOUT:-90}

# e2e_scenario NAME [SECONDS]: registers a scenario; SECONDS replaces the usual time limit for a long one.
e2e_scenario() {
    SL_E2E_SCENARIOS+=("$1")
    [ -z "${2:-}" ] || SL_E2E_TIMEOUTS[$1]=$2
}

# Chooses the build to run: win32 where this machine runs 32-bit Windows programs, win64 otherwise.
e2e_pick_arch() {
    local top=$1
    if [ -z "${SL_E2E_PRESET:-}" ]; then
        if /usr/lib/wine/wine --version >/dev/null 2>&1; then
            SL_E2E_PRESET=win32
        else
            SL_E2E_PRESET=win64
        fi
    fi
    case $SL_E2E_PRESET in
        win32) SL_WINE=/usr/lib/wine/wine ;;
        *) SL_WINE=/usr/lib/wine/wine64 ;;
    esac
    # SL_E2E_EXE runs the scenarios against another build of the program (a measurement of an older one).
    SL_EXE_BUILT=${SL_E2E_EXE:-"$top/build/$SL_E2E_PRESET/app/skyloom.exe"}
    SL_PROBE_EXE="$top/build/$SL_E2E_PRESET/tools/probe/probe.exe"
    export SL_E2E_PRESET SL_WINE SL_EXE_BUILT SL_PROBE_EXE
}

# A fresh prefix for one scenario: a clone of the booted template (scripts/lib/prefix.sh: the files Wine only
# reads are shared through hard links), and a virtual desktop named "shell" (Wine shows a taskbar and the
# notification area on a desktop of that name) so screenshots look like Windows.
e2e_make_prefix() {
    local prefix=$2
    sl_clone_prefix "$1" "$prefix" || return 1
    cat >>"$prefix/user.reg" <<'EOF'

[Software\\Wine\\Explorer] 1700000000
"Desktop"="shell"

[Software\\Wine\\Explorer\\Desktops] 1700000000
"shell"="1024x768"

[Software\\Wine\\WineDbg] 1700000000
"ShowCrashDialog"=dword:00000000
EOF
}

# --- used inside scenarios -------------------------------------------------------------------------------------

sl_fail() {
    printf '%s\n' "$*" >"$SL_DIR/why"
    exit 1
}

sl_log() {
    printf '%s\n' "$*" >>"$SL_DIR/log"
}

# Writes the settings file beside the exe (exact bytes; use $'...' for line breaks).
sl_ini() {
    printf '%s' "$1" >"$SL_APP_DIR/skyloom.ini"
}

# Starts the program with the given arguments; SL_PID is its process (the Wine loader becomes the program).
sl_start() {
    sl_log "start skyloom.exe $*"
    (cd "$SL_APP_DIR" && exec "$SL_WINE" "$SL_APP_DIR/skyloom.exe" "$@" >>"$SL_DIR/program.out" 2>&1) &
    SL_PID=$!
}

sl_alive() {
    kill -0 "$SL_PID" 2>/dev/null
}

# Waits until the program has ended (at most $1 seconds, default 10).
sl_wait_exit() {
    local i
    for i in $(seq $((${1:-10} * 10))); do
        sl_alive || return 0
        sleep 0.1
    done
    return 1
}

# Runs the probe with the given commands ("--" between commands). The output is in SL_OUT; returns the probe's
# status, so `sl_probe ... || sl_fail ...` works.
sl_probe() {
    local rc=0 attempt
    for attempt in 1 2; do
        rc=0
        SL_OUT=$("$SL_WINE" "$SL_PROBE_EXE" "$@" 2>>"$SL_DIR/probe.err") || rc=$?
        { echo "> probe $*"; printf '%s\n' "$SL_OUT"; } >>"$SL_DIR/log"
        # A probe that failed without printing anything did not get to its command's end (it died under Wine);
        # that says nothing about the program, so it is asked once more. Refusals always print an error line.
        [ "$rc" != 0 ] && [ -z "$SL_OUT" ] && [ "$attempt" = 1 ] || break
        echo "(the probe ended with status $rc and no output; asking again)" >>"$SL_DIR/log"
    done
    return $rc
}

# Like sl_probe, but a failing probe fails the scenario with the probe's own error line.
sl_must() {
    sl_probe "$@" || sl_fail "probe $1: $(sl_fact error)"
}

sl_fact() {
    awk -v k="$1=" 'index($0, k) == 1 { print substr($0, length(k) + 1); exit }' <<<"$SL_OUT"
}

# sl_responsive_read FILE CLASS: reads what a responsiveness probe run in the background (probe responsive CLASS MS
# LIMIT >FILE) found into SL_OUT. A probe that printed no figures did not run to its end (Wine could not start it under
# load, or it died) and says nothing about the window: its errors are logged and the window is asked again for 5 s
# (SL_RESPONSIVE_SECS says how long the figures cover: empty for the caller's own run, 5 for the repeat).
sl_responsive_read() {
    SL_OUT=$(cat "$1")
    SL_RESPONSIVE_SECS=
    [ -z "$(sl_fact sends)" ] || return 0
    sl_log "the responsiveness probe printed no figures (error: $(sl_fact error)); its errors: $(tail -3 "$SL_DIR/probe.err" | tr '\n' ' ')"
    "$SL_WINE" "$SL_PROBE_EXE" responsive "$2" 5000 250 >"$1" 2>>"$SL_DIR/probe.err"
    SL_OUT=$(cat "$1")
    SL_RESPONSIVE_SECS=5
    [ -n "$(sl_fact sends)" ] || sl_fail "the responsiveness probe printed nothing twice"
}

sl_has_fact() {
    grep -q -F -x -e "$1=$2" <<<"$SL_OUT"
}

sl_expect() {
    local got
    got=$(sl_fact "$1")
    [ "$got" = "$2" ] || sl_fail "$1 is \"$got\", expected \"$2\""
}

# The main window: waits until it exists (optionally visible or hidden), at most $2 ms.
# sl_wait_window [STATE [MS]]: waits for the main window (in that state). Without MS: 20 s, and when that runs out
# the log says whether the program still runs and the wait goes on for 40 s more, so that a start stalled by Wine
# (seen once on a fresh prefix: nothing at all for 20 s) is told apart from a program that never shows its window.
sl_wait_window() {
    if [ -n "${2:-}" ]; then
        sl_must wait-window "$SL_MAIN_CLASS" "$2" ${1:+"$1"}
        return
    fi
    sl_probe wait-window "$SL_MAIN_CLASS" 20000 ${1:+"$1"} && return
    sl_log "no main window${1:+ $1} after 20 s; the program $(sl_alive && echo still runs || echo has ended); waiting 40 s more"
    sl_must wait-window "$SL_MAIN_CLASS" 40000 ${1:+"$1"}
    sl_log "the main window${1:+ $1} came after more than 20 s"
}

sl_window() {
    sl_must window "$SL_MAIN_CLASS"
}

sl_controls() {
    sl_must controls "$SL_MAIN_CLASS"
}

# Index N of the child control whose text is $1 (from the last sl_controls), or empty.
sl_child_with_text() {
    awk -v t="$1" -F= '$1 ~ /^child[0-9]+\.text$/ && substr($0, length($1) + 2) == t { sub(/^child/, "", $1); sub(/\..*/, "", $1); print $1; exit }' <<<"$SL_OUT"
}

# Index N of the first child control whose class is $1.
sl_child_of_class() {
    awk -v c="$1" -F= '$1 ~ /^child[0-9]+\.class$/ && $2 == c { sub(/^child/, "", $1); sub(/\..*/, "", $1); print $1; exit }' <<<"$SL_OUT"
}

# Asks the running program (test mode, app/TestQuery.h): sl_query state | controls | menus | click NAME.
sl_query() {
    sl_must query "$SL_MAIN_CLASS" "$@"
}

# The program's menus as it reports them: lines "<menu>.<n>[.<m>]=<name>|<caption>|<id>|<flags>".
sl_menus() {
    sl_query menus
    SL_MENUS=$SL_OUT
}

# Command id of the menu item named $1 (from the last sl_menus).
sl_menu_id() {
    awk -F'|' -v n="$1" '{ split($1, a, "="); if (a[2] == n) { print $3; exit } }' <<<"$SL_MENUS"
}

# Chooses a menu item by its name. For the menu bar the probe posts the item's command to the window, as choosing
# it with the mouse or the keyboard does; the tray menu's commands go to the tray's own window while its menu is
# open, so its items are clicked through the test-mode query.
sl_choose() {
    local id
    [ -n "${SL_MENUS:-}" ] || sl_menus
    id=$(sl_menu_id "$1")
    [ -n "$id" ] || sl_fail "no menu item $1"
    if grep -q "^PopupMenu1\.[0-9.]*=$1|" <<<"$SL_MENUS"; then
        sl_click_item "$1"
    else
        sl_must command "$SL_MAIN_CLASS" "$id"
    fi
}

# Chooses an item of any of the program's menus (the tray menu too) through the test-mode query.
sl_click_item() {
    sl_query click "$1"
}

# Waits for a message box and reads it; SL_OUT then has caption, text, owner, owner.visible, icon, buttons.
sl_msgbox() {
    sl_must wait-msgbox "${1:-10000}"
}

sl_press() {
    sl_must press "$1"
}

sl_reg() {
    sl_must reg "$@"
}

# Marks the program as started before (the start counter holds $1, default 1), so no welcome box appears.
sl_seed_counter() {
    printf '\n[Software\\\\Quorvane\\\\Skyloom\\\\Default] 1700000000\n"Start Counter"=dword:%08x\n' "${1:-1}" \
        >>"$WINEPREFIX/user.reg"
}

# The program's path as Windows shows it to the program (Z: is the Unix root).
sl_exe_winpath() {
    printf 'Z:%s' "${SL_APP_DIR//\//\\}\\skyloom.exe"
}

# A build-time setting of the build under test (SL_DEFAULT_FEED, SL_PROBE_HOST, ...).
sl_build_setting() {
    sed -n "s/^$1:[A-Z]*=//p" "$SL_TOP/build/$SL_E2E_PRESET/CMakeCache.txt" | head -n 1
}

# Text escaped the way the probe prints facts (\r, \n, \t, \\).
sl_escape() {
    local s=${1//\\/\\\\}
    s=${s//$'\r'/\\r}
    s=${s//$'\n'/\\n}
    s=${s//$'\t'/\\t}
    printf '%s' "$s"
}

# No message box appears within $1 ms (default 1500): no welcome, no notice.
sl_no_welcome() {
    sl_must no-msgbox "${1:-1500}"
}

# Number of dark pixels in a client rectangle (x y w h, client coordinates of the main window) of a screenshot.
sl_dark_pixels() {
    local file=$1 x=$2 y=$3 w=$4 h=$5 sx sy
    sl_must pixel "$SL_MAIN_CLASS" - "$x" "$y"
    IFS=, read -r sx sy <<<"$(sl_fact screenpoint)"
    convert "$file" -crop "${w}x${h}+${sx}+${sy}" +repage -colorspace Gray -threshold 50% -negate \
        -format '%[fx:round(w*h*mean)]' info: 2>/dev/null
}

sl_shot() {
    import -window root -display "$DISPLAY" "$SL_DIR/$1.png" 2>/dev/null || true
}

# --- the runner ----------------------------------------------------------------------------------------------

# e2e_run NAME: runs one registered scenario and prints PASS or FAIL.
e2e_run() {
    local name=$1 top=$SL_TOP rc why
    SL_DIR="$top/build/e2e/$name"
    # Stop a wineserver left over from an earlier run of this scenario before its prefix goes away.
    [ -d "$SL_DIR/prefix" ] && WINEPREFIX="$SL_DIR/prefix" wineserver -k >/dev/null 2>&1
    rm -rf "$SL_DIR"
    mkdir -p "$SL_DIR"
    SL_APP_DIR="$SL_DIR/Sky loom"
    mkdir -p "$SL_APP_DIR"
    cp "$SL_EXE_BUILT" "$SL_APP_DIR/skyloom.exe"
    e2e_make_prefix "$top/build/wine-template" "$SL_DIR/prefix"
    (
        export WINEPREFIX="$SL_DIR/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" SKYLOOM_TEST_QUERY=1
        export SL_DIR SL_APP_DIR SL_TOP
        set -u
        "$name"
    ) &
    local body=$!
    local limit=${SL_E2E_TIMEOUTS[$name]:-$SL_E2E_TIMEOUT}
    # The watchdog ends its own sleep when it is stopped, and holds none of our output open: a sleep left behind would
    # keep the caller's pipe (scripts/test's tee) waiting for the whole limit.
    ( trap 'kill "$nap" 2>/dev/null; exit 0' TERM
      sleep "$limit" & nap=$!
      wait "$nap"
      echo "timed out after ${limit}s" >"$SL_DIR/why"; kill -TERM "$body" 2>/dev/null ) >/dev/null 2>&1 &
    local watchdog=$!
    wait "$body"
    rc=$?
    kill "$watchdog" 2>/dev/null
    wait "$watchdog" 2>/dev/null
    import -window root -display "$DISPLAY" "$SL_DIR/end.png" 2>/dev/null || true
    WINEPREFIX="$SL_DIR/prefix" wineserver -k >/dev/null 2>&1
    WINEPREFIX="$SL_DIR/prefix" wineserver -w >/dev/null 2>&1
    # What a reader of the result needs stays (logs, screenshots, the program's output); the prefix and the copy
    # of the program go, unless SL_E2E_KEEP=1 asks to keep them for a closer look.
    if [ -z "${SL_E2E_KEEP:-}" ]; then
        rm -rf "$SL_DIR/prefix"
        find "$SL_APP_DIR" -maxdepth 1 -type f -iname '*.exe' -delete 2>/dev/null
    fi
    if [ "$rc" = 0 ] && [ ! -s "$SL_DIR/why" ]; then
        echo "PASS $name"
        return 0
    fi
    why=$(head -n 1 "$SL_DIR/why" 2>/dev/null)
    echo "FAIL $name: ${why:-exit status $rc}"
    return 1
}
