# The update check as a user meets it: every showing of the window and both "Check for updates..." entries fetch
# the information file from the update server (tools/updateserver on port 80 of the update host, which maps to
# 127.0.0.1 in the private namespace), and only a newer release is ever mentioned.
# shellcheck shell=bash

UPD_QUESTION_TAIL='Do you want to update your version with the latest one?'

# Starts the update server over a folder of the scenario ($UPD_WWW, the program's files under skyloom/); its
# requests go to $UPD_LOG, one JSON line each.
upd_serve() {
    UPD_WWW="$SL_DIR/www"
    UPD_LOG="$SL_DIR/requests.log"
    mkdir -p "$UPD_WWW/skyloom"
    echo '{}' >"$UPD_WWW/control.json"
    : >"$UPD_LOG"
    rm -f "$SL_DIR/update.port"
    python3 "$SL_TOP/tools/updateserver/updateserver.py" --port 80 --dir "$UPD_WWW" --control "$UPD_WWW/control.json" \
        --log "$UPD_LOG" --port-file "$SL_DIR/update.port" 2>>"$SL_DIR/updateserver.err" &
    UPD_PID=$!
    trap 'kill "$UPD_PID" 2>/dev/null' EXIT
    trap 'kill "$UPD_PID" 2>/dev/null; exit 1' TERM
    local i
    for i in $(seq 100); do
        [ -s "$SL_DIR/update.port" ] && return 0
        kill -0 "$UPD_PID" 2>/dev/null || break
        sleep 0.05
    done
    sl_fail "update server did not start: $(tail -n 1 "$SL_DIR/updateserver.err")"
}

# Writes the information file: upd_info DATE [MESSAGE] (the file list is the program itself).
upd_info() {
    local host
    host=$(sl_build_setting SL_UPDATE_HOST)
    {
        printf '#url=http://%s/skyloom/skyloom.exe\r\n' "$host"
        printf '#date=%s\r\n' "$1"
        [ -z "${2:-}" ] || printf '#message={%s}\r\n' "$2"
    } >"$UPD_WWW/skyloom/update.inf"
}

# Sets the control file (JSON) of the update server.
upd_control() {
    printf '%s\n' "$1" >"$UPD_WWW/control.json"
}

# Number of logged requests for PATH, and how many of them carried "Pragma: no-cache".
upd_requests() {
    python3 - "$UPD_LOG" "$1" <<'EOF'
import json, sys
n = p = 0
for line in open(sys.argv[1]):
    try:
        e = json.loads(line)
    except ValueError:
        continue
    if e.get("path") == sys.argv[2]:
        n += 1
        if (e.get("Pragma") or "").lower() == "no-cache":
            p += 1
print(n, p)
EOF
}

# Waits until PATH was requested at least N times (at most $3 seconds, default 15).
upd_wait_requests() {
    local i
    for i in $(seq $((${3:-15} * 10))); do
        read -r n _ <<<"$(upd_requests "$1")"
        [ "$n" -ge "$2" ] && return 0
        sleep 0.1
    done
    return 1
}

# The window answers at once all along: sent messages timed over $1 ms.
upd_responsive() {
    sl_must responsive "$SL_MAIN_CLASS" "${1:-3000}" 250
    [ "$(sl_fact over_limit)" = 0 ] && [ "$(sl_fact timed_out)" = 0 ] ||
        sl_fail "the window took $(sl_fact longest_ms) ms to answer"
}

upd_start() {
    sl_seed_counter 3
    sl_ini "[Skyloom]"$'\r\n'"rss=http://127.0.0.1:1/none.xml"$'\r\n'
    sl_start "$@"
    sl_wait_window visible
}

# Waits until the program's restarted instance shows the after-upgrade notice (at most $1 ms, default 40000) and
# checks it.
upd_expect_restart_notice() {
    sl_msgbox "${1:-40000}"
    sl_expect caption Information
    case $(sl_fact text) in
        'Skyloom has been upgraded. New in this release:'*) ;;
        *) sl_fail "not the after-upgrade notice: $(sl_fact text)" ;;
    esac
}

e2e_scenario update_not_newer
update_not_newer() {
    upd_serve
    upd_info 06/27/2006 "- Same release"
    upd_start
    upd_wait_requests /skyloom/update.inf 1 || sl_fail "the information file was not fetched at the first showing"
    sl_no_welcome 2500
    read -r n p <<<"$(upd_requests /skyloom/update.inf)"
    [ "$n" = 1 ] && [ "$p" = 1 ] || sl_fail "first showing: $n requests, $p with Pragma: no-cache (expected 1 and 1)"

    # Hidden and shown again: one more check; then the menu bar's and the tray menu's entries, one each.
    sl_must close "$SL_MAIN_CLASS"
    sl_must wait-window "$SL_MAIN_CLASS" 5000 hidden
    sl_click_item Showmainwindow1
    sl_wait_window visible 5000
    upd_wait_requests /skyloom/update.inf 2 || sl_fail "the second showing did not check"
    sl_choose Checkforupdates1
    upd_wait_requests /skyloom/update.inf 3 || sl_fail "Program / Check for updates... did not check"
    sl_choose Checkforupdates2
    upd_wait_requests /skyloom/update.inf 4 || sl_fail "the tray menu's Check for updates... did not check"
    sl_no_welcome 2000
    read -r n p <<<"$(upd_requests /skyloom/update.inf)"
    [ "$n" = 4 ] && [ "$p" = 4 ] || sl_fail "$n requests, $p with Pragma: no-cache (expected 4 and 4)"
    read -r n _ <<<"$(upd_requests /skyloom/skyloom.exe)"
    [ "$n" = 0 ] || sl_fail "the program file was requested although nothing is newer"
    upd_responsive 2000
}

e2e_scenario update_newer_later
update_newer_later() {
    upd_serve
    upd_info 12/01/2026 $'- Faster news\r\n- Fewer bugs'
    upd_start
    sl_msgbox 15000
    sl_expect class TslInfoBoxForm
    sl_expect caption 'Application update wizard'
    sl_expect buttons '&Yes,&Later'
    sl_query controls box
    local text
    text=$(sl_escape $'A newer version of [b]Skyloom[] was released.\n\n- Faster news\r\n- Fewer bugs[DEF]\n\n')
    [[ "$(sl_fact control.Text)" == *"|$text$UPD_QUESTION_TAIL|"* ]] || sl_fail "question: $(sl_fact control.Text)"
    [[ "$(sl_fact control.CheckBox)" =~ \|hidden\| ]] || sl_fail "check box: $(sl_fact control.CheckBox)"
    [[ "$(sl_fact control.Icon)" =~ \|visible\| ]] || sl_fail "icon: $(sl_fact control.Icon)"
    sl_shot question
    sl_press Later
    sl_must no-msgbox 3000
    read -r n _ <<<"$(upd_requests /skyloom/skyloom.exe)"
    [ "$n" = 0 ] || sl_fail "Later: the program file was requested"
    sl_must windows TslSelfUpdaterWizardForm
    sl_expect count 0
    upd_responsive 2000
}

e2e_scenario update_info_missing
update_info_missing() {
    upd_serve
    upd_info 12/01/2026
    upd_control '{"/skyloom/update.inf": {"mode": "404"}}'
    upd_start
    upd_wait_requests /skyloom/update.inf 1 || sl_fail "the information file was not asked for"
    sl_no_welcome 2500
    sl_choose Checkforupdates1
    upd_wait_requests /skyloom/update.inf 2 || sl_fail "the menu did not check again"
    sl_no_welcome 2000
    upd_responsive 2000
}

e2e_scenario update_server_down
update_server_down() {
    # Nothing listens on the update host.
    upd_start
    sl_no_welcome 3000
    sl_choose Checkforupdates1
    sl_no_welcome 2000
    upd_responsive 2000
    sl_alive || sl_fail "the program ended"
}

e2e_scenario update_stalled
update_stalled() {
    upd_serve
    upd_info 12/01/2026
    upd_control '{"/skyloom/update.inf": {"mode": "stall", "seconds": 40}}'
    upd_start
    upd_wait_requests /skyloom/update.inf 1 || sl_fail "the information file was not asked for"
    # The window keeps answering while the server says nothing, and a second check waits for the first.
    upd_responsive 3000
    sl_choose Checkforupdates1
    sl_no_welcome 2000
    upd_responsive 2000
    read -r n _ <<<"$(upd_requests /skyloom/update.inf)"
    [ "$n" = 1 ] || sl_fail "$n requests while the first check still waits (expected 1)"
}

e2e_scenario update_password
update_password() {
    upd_serve
    upd_info 06/27/2006
    upd_control '{"/skyloom/update.inf": {"mode": "401", "realm": "Skyloom updates"}}'
    upd_start
    sl_must wait-window TslSelfUpdaterPasswordForm 15000 visible
    sl_must window TslSelfUpdaterPasswordForm
    sl_expect caption 'Enter password'
    sl_shot password
    upd_responsive 1000
}

e2e_scenario update_yes_wizard
update_yes_wizard() {
    upd_serve
    upd_info 12/01/2026 '- Faster news'
    head -c 400000 /dev/urandom >"$UPD_WWW/skyloom/skyloom.exe"
    upd_control '{"/skyloom/skyloom.exe": {"mode": "trickle", "chunk": 2048, "interval": 0.1}}'
    upd_start
    sl_msgbox 15000
    sl_expect buttons '&Yes,&Later'
    sl_press Yes
    sl_must wait-window TslSelfUpdaterWizardForm 10000 visible
    upd_wait_requests /skyloom/skyloom.exe 1 || sl_fail "the program file was not requested"
    sleep 2
    sl_query controls wizard
    grep -q -E '^control\.WizardTitle=.*\|visible\|Downloading files\.\.\.\|' <<<"$SL_OUT" ||
        sl_fail "the wizard's title is not \"Downloading files...\""
    # Nothing visible names the file's address (the address field and its caption are hidden).
    ! grep -E '\|visible\|' <<<"$SL_OUT" | grep -q -F -e 'http://' -e 'skyloom.exe' ||
        sl_fail "the wizard shows the file's address"
    grep -q -E '^control\.FileURL=.*\|hidden\|' <<<"$SL_OUT" || sl_fail "the address field is not hidden"
    sl_shot wizard
    [ -n "$(find "$SL_APP_DIR" -maxdepth 1 -name 'skyloom.exe.uTMP')" ] || sl_fail "no download beside the program"
    upd_responsive 1000
}

# The program's side of a whole upgrade: downloaded beside the program, the completion page, OK, and the program
# started again by the replacer with the after-upgrade notice.
e2e_scenario update_completes_restart 150
update_completes_restart() {
    upd_serve
    upd_info 12/01/2026 '- Faster news'
    local marker="skyloom-upgrade-marker-$RANDOM$RANDOM"
    { cat "$SL_EXE_BUILT"; printf '%s' "$marker"; } >"$UPD_WWW/skyloom/skyloom.exe"
    upd_start
    sl_msgbox 15000
    sl_press Yes
    sl_must wait-window TslSelfUpdaterWizardForm 10000 visible
    local i done=
    for i in $(seq 60); do
        sl_query controls wizard
        if grep -q -E '^control\.WizardTitle=.*\|visible\|Upgrade completed!\|' <<<"$SL_OUT"; then done=1; break; fi
        sleep 0.5
    done
    [ -n "$done" ] || sl_fail "the wizard never reached its completion page"
    grep -q -E '^control\.OKBtn=button\|.*\|visible\|&OK\|' <<<"$SL_OUT" || sl_fail "no OK button on the completion page"
    grep -q -E '^control\.AfterNote=.*\|visible\|The update of Skyloom has been successfully completed\.' <<<"$SL_OUT" ||
        sl_fail "the completion note is missing"
    sl_shot completion
    [ -f "$SL_APP_DIR/skyloom.exe.uTMP" ] || sl_fail "the download is not beside the program"
    # The restarted program finds nothing newer.
    upd_info 06/27/2006
    sl_must click-child TslSelfUpdaterWizardForm '&OK'
    sl_wait_exit 20 || sl_fail "the program did not close for the restart"
    upd_expect_restart_notice 30000
    sl_shot notice
    cmp -s "$SL_APP_DIR/skyloom.exe" "$UPD_WWW/skyloom/skyloom.exe" || sl_fail "skyloom.exe is not the served file"
    [ -z "$(find "$SL_APP_DIR" -maxdepth 1 -name '*.uTMP')" ] || sl_fail "a download was left behind"
}
