# The upgrade end to end, as a user meets it: the update server offers a newer build (the program under test with
# a marker appended, still a valid program), "Yes" downloads it beside the program with the wizard, "OK" on the
# completion page hands over to the replacer, which swaps the files after the program has exited and starts it
# again with "/afterupgrade". The program's folder has a blank in its name. Uses the update-server helpers of
# 80-update.sh (upd_serve, upd_control, upd_responsive, upd_expect_restart_notice).
# shellcheck shell=bash

UPG_MARKER='SKYLOOM-NEWER-BUILD-MARKER'
UPG_WIZARD=TslSelfUpdaterWizardForm

# Serves the newer build and an information file that lists it, and the extra files named (as #url0), each holding
# "extra file <name>".
upg_serve() {
    local host name
    upd_serve
    host=$(sl_build_setting SL_UPDATE_HOST)
    cp "$SL_EXE_BUILT" "$UPD_WWW/skyloom/skyloom.exe"
    printf '%s' "$UPG_MARKER" >>"$UPD_WWW/skyloom/skyloom.exe"
    {
        printf '#url=http://%s/skyloom/skyloom.exe\r\n' "$host"
        for name in "$@"; do
            printf '#url0=http://%s/skyloom/%s\r\n' "$host" "$name"
            printf 'extra file %s' "$name" >"$UPD_WWW/skyloom/$name"
        done
        printf '#date=12/31/2030\r\n#message={- A marked build}\r\n'
    } >"$UPD_WWW/skyloom/update.inf"
}

# Starts the program, which checks at its first showing. The question may come before the window is shown.
upg_start() {
    sl_seed_counter 3
    sl_ini "[Skyloom]"$'\r\n'"rss=http://127.0.0.1:1/none.xml"$'\r\n'
    sl_start "$@"
}

# Answers the upgrade question with Yes and waits for the wizard.
upg_agree() {
    sl_msgbox 20000
    sl_expect buttons '&Yes,&Later'
    sl_press Yes
    sl_must wait-window "$UPG_WIZARD" 10000 visible
}

# Whether the wizard's button with text $1 is enabled (1), disabled (0) or missing (empty).
upg_button_enabled() {
    sl_probe controls "$UPG_WIZARD" || return 0
    local key
    key=$(printf '%s\n' "$SL_OUT" | sed -n "s/^\(child[0-9]*\)\.text=$1\$/\1/p" | head -n 1)
    [ -n "$key" ] && printf '%s\n' "$SL_OUT" | sed -n "s/^$key\.enabled=//p" | head -n 1
}

# Waits for the completion page: the wizard's OK button becomes enabled (at most $1 seconds, default 60). The
# information file then names the program's own release, so that the restarted program finds nothing newer (as
# once the publisher's program is the one installed).
upg_wait_completion() {
    local i
    for i in $(seq $((${1:-60} * 4))); do
        if [ "$(upg_button_enabled '&OK')" = 1 ]; then
            sed -i 's|^#date=.*|#date=06/27/2006\r|' "$UPD_WWW/skyloom/update.inf"
            return 0
        fi
        sleep 0.25
    done
    sl_fail "the wizard did not reach its completion page"
}

# Waits for the completion page, presses its OK and waits until the program has ended and its restarted instance
# has shown the after-upgrade notice, which is then answered.
upg_finish_and_restart() {
    upg_wait_completion 60
    sl_must click-child "$UPG_WIZARD" '&OK'
    sl_wait_exit 30 || sl_fail "the old program did not end after OK"
    upd_expect_restart_notice
    sl_press OK
}

# The downloads left in the program's folder.
upg_leftovers() {
    find "$SL_APP_DIR" -maxdepth 1 -iname '*.uTMP' -printf '%f '
}

# The replacer files in the prefix's temporary folder.
upg_replacer_files() {
    find "$WINEPREFIX/drive_c" -iname slReplacer.exe 2>/dev/null
}

# Waits until COMMAND... succeeds, at most $1 seconds; its last status.
upg_until() {
    local limit=$1 i
    shift
    for i in $(seq $((limit * 5))); do
        "$@" && return 0
        sleep 0.2
    done
    "$@"
}
upg_no_leftovers() { [ -z "$(upg_leftovers)" ]; }
upg_no_replacer() { [ -z "$(upg_replacer_files)" ]; }

# Answers every message box that comes within $1 ms with OK, logging caption and text to $SL_DIR/boxes; stops after
# $2 boxes.
upg_answer_boxes() {
    local n=0
    : >"$SL_DIR/boxes"
    while [ "$n" -lt "$2" ] && sl_probe wait-msgbox "$1"; do
        printf '%s|%s\n' "$(sl_fact caption)" "$(sl_fact text)" >>"$SL_DIR/boxes"
        sl_probe press OK || true
        n=$((n + 1))
    done
}

# Lists a file the server does not have, agrees to the upgrade and waits for the question about the lost file.
upg_lost_file_question() {
    upg_serve missing.txt
    rm -f "$UPD_WWW/skyloom/missing.txt"
    upg_start
    upg_agree
    sl_msgbox 30000
    sl_expect caption 'Error #404'
}

e2e_scenario upgrade_complete 240
upgrade_complete() {
    upg_serve readme.txt
    # Slow enough to see the wizard at work: about 0.5 MB/s.
    upd_control '{"/skyloom/skyloom.exe": {"mode": "trickle", "chunk": 100000, "interval": 0.2}}'
    upg_start
    upg_agree
    sleep 2
    sl_shot downloading
    [ -n "$(upg_leftovers)" ] || sl_fail "no download beside the program while the wizard runs"
    upg_wait_completion 90
    sl_shot completed
    sl_alive || sl_fail "the program ended before the wizard's OK"
    sl_must click-child "$UPG_WIZARD" '&OK'
    sl_wait_exit 30 || sl_fail "the old program did not end after OK"

    upd_expect_restart_notice
    sl_shot notice
    sl_press OK
    sl_must wait-window "$SL_MAIN_CLASS" 20000 visible
    cmp -s "$SL_APP_DIR/skyloom.exe" "$UPD_WWW/skyloom/skyloom.exe" ||
        sl_fail "skyloom.exe does not hold the served build"
    [ "$(cat "$SL_APP_DIR/readme.txt" 2>/dev/null)" = "extra file readme.txt" ] || sl_fail "readme.txt not in place"
    sl_must file "$(sl_exe_winpath)"
    sl_expect attributes archive
    [ -z "$(upg_leftovers)" ] || sl_fail "downloads left: $(upg_leftovers)"
    sl_query state
    sl_expect notices 1
    sl_no_welcome 1500
    # The restarted program deleted the replacer when it started.
    upg_until 10 upg_no_replacer || sl_fail "slReplacer.exe left in the temporary folder: $(upg_replacer_files)"
}

# A listed file the server does not have: the question, and Yes installs the others.
e2e_scenario upgrade_lost_file_continue 180
upgrade_lost_file_continue() {
    upg_lost_file_question
    sl_expect buttons '&Yes,&No'
    sl_shot lost-file
    sl_press Yes
    upg_finish_and_restart
    cmp -s "$SL_APP_DIR/skyloom.exe" "$UPD_WWW/skyloom/skyloom.exe" || sl_fail "skyloom.exe not upgraded"
    [ ! -e "$SL_APP_DIR/missing.txt" ] || sl_fail "the missing file appeared"
    [ -z "$(upg_leftovers)" ] || sl_fail "downloads left: $(upg_leftovers)"
}

# No to the lost-file question: the upgrade ends, nothing is left behind and the program goes on.
e2e_scenario upgrade_lost_file_abort 180
upgrade_lost_file_abort() {
    upg_lost_file_question
    sl_press No
    sleep 3
    sl_probe wait-window "$UPG_WIZARD" 500 && sl_fail "the wizard is still there after No"
    [ -z "$(upg_leftovers)" ] || sl_fail "downloads left: $(upg_leftovers)"
    sl_alive || sl_fail "the program ended"
    [ -z "$(upg_replacer_files)" ] || sl_fail "a replacer was written"
    cmp -s "$SL_APP_DIR/skyloom.exe" "$SL_EXE_BUILT" || sl_fail "skyloom.exe changed"
}

# Cancel during a slow download: the abort question; Yes deletes the downloads and the program goes on.
e2e_scenario upgrade_cancel 180
upgrade_cancel() {
    upg_serve
    upd_control '{"/skyloom/skyloom.exe": {"mode": "trickle", "chunk": 4096, "interval": 0.2}}'
    upg_start
    upg_agree
    sleep 2
    [ -n "$(upg_leftovers)" ] || sl_fail "no download beside the program"
    sl_must click-child "$UPG_WIZARD" '&Cancel'
    sl_msgbox 10000
    sl_shot abort-question
    sl_press Yes
    upg_until 10 upg_no_leftovers || sl_fail "downloads left after the abort: $(upg_leftovers)"
    sl_probe wait-window "$UPG_WIZARD" 500 && sl_fail "the wizard is still there"
    sl_alive || sl_fail "the program ended"
    upd_responsive 2000
    cmp -s "$SL_APP_DIR/skyloom.exe" "$SL_EXE_BUILT" || sl_fail "skyloom.exe changed"
}

# The connection breaks off during the download: the user is told, nothing restarts, the program goes on; a later
# upgrade completes.
e2e_scenario upgrade_connection_cut 240
upgrade_connection_cut() {
    upg_serve
    upd_control '{"/skyloom/skyloom.exe": {"mode": "cut", "after": 200000}}'
    upg_start
    upg_agree
    sl_msgbox 30000
    sl_shot connection-lost
    sl_expect caption 'Application update wizard'
    sl_press OK
    sleep 3
    sl_alive || sl_fail "the program ended after the cut"
    [ -z "$(upg_replacer_files)" ] || sl_fail "a replacer was started"
    cmp -s "$SL_APP_DIR/skyloom.exe" "$SL_EXE_BUILT" || sl_fail "skyloom.exe changed"

    upd_control '{}'
    sl_choose Checkforupdates1
    upg_agree
    upg_finish_and_restart
    cmp -s "$SL_APP_DIR/skyloom.exe" "$UPD_WWW/skyloom/skyloom.exe" || sl_fail "the later upgrade did not complete"
    [ -z "$(upg_leftovers)" ] || sl_fail "downloads left: $(upg_leftovers)"
}

# Fault injection: another program holds skyloom.exe open so that it cannot be replaced. The old program still
# starts, the download is kept, and the replacer tells the user.
e2e_scenario upgrade_cannot_replace 240
upgrade_cannot_replace() {
    upg_serve
    upg_start
    upg_agree
    upg_wait_completion 60
    "$SL_WINE" "$SL_PROBE_EXE" hold-file "$(sl_exe_winpath)" 60000 >"$SL_DIR/hold.out" 2>&1 &
    upg_until 10 grep -q '^held=' "$SL_DIR/hold.out" || sl_fail "could not hold skyloom.exe: $(cat "$SL_DIR/hold.out")"
    sl_must click-child "$UPG_WIZARD" '&OK'
    sl_wait_exit 30 || sl_fail "the old program did not end after OK"
    sl_must wait-window "$SL_MAIN_CLASS" 40000
    sl_shot cannot-replace
    upg_answer_boxes 15000 2
    grep -q '^Skyloom Upgrade|.*skyloom.exe' "$SL_DIR/boxes" || sl_fail "the user was not told: $(cat "$SL_DIR/boxes")"
    sl_must wait-window "$SL_MAIN_CLASS" 10000 visible
    # Started as a plain start: no notice of an upgrade that did not happen.
    grep -q '^Information|' "$SL_DIR/boxes" && sl_fail "the old program announced an upgrade"
    sl_query state
    sl_expect notices 0
    cmp -s "$SL_APP_DIR/skyloom.exe" "$SL_EXE_BUILT" || sl_fail "skyloom.exe is not the old program"
    [ "$(upg_leftovers)" = "skyloom.exe.uTMP " ] || sl_fail "the download was not kept: $(upg_leftovers)"
    cmp -s "$SL_APP_DIR/skyloom.exe.uTMP" "$UPD_WWW/skyloom/skyloom.exe" || sl_fail "the kept download is damaged"
}

# External setup: the listed executable is a setup (here the recorder, which notes its arguments beside itself).
# The replacer runs it with the restart parameters, deletes it once it has ended and starts the program again; the
# program itself is not replaced.
e2e_scenario upgrade_external_setup 240
upgrade_external_setup() {
    local host
    upd_serve
    host=$(sl_build_setting SL_UPDATE_HOST)
    cp "$(dirname "$SL_PROBE_EXE")/../recorder/recorder.exe" "$UPD_WWW/skyloom/setup.exe"
    printf '#url=http://%s/skyloom/setup.exe\r\n#method=1\r\n#date=12/31/2030\r\n#message={- A new setup}\r\n' \
        "$host" >"$UPD_WWW/skyloom/update.inf"
    upg_start
    upg_agree
    upg_finish_and_restart
    [ "$(tr -d '\r' <"$SL_APP_DIR/recorder.log" 2>/dev/null)" = "arg=/afterupgrade" ] ||
        sl_fail "the setup did not run with the restart parameters: $(cat "$SL_APP_DIR/recorder.log" 2>/dev/null)"
    upg_until 5 test ! -e "$SL_APP_DIR/setup.exe" || sl_fail "the setup was not deleted after it ended"
    cmp -s "$SL_APP_DIR/skyloom.exe" "$SL_EXE_BUILT" || sl_fail "the program itself was replaced"
    [ -z "$(upg_leftovers)" ] || sl_fail "downloads left: $(upg_leftovers)"
}

# Redirect: the listed address opens in the browser (the recorder of 70-about.sh stands in for it); nothing is
# downloaded, nothing replaced, and the program goes on.
e2e_scenario upgrade_redirect 120
upgrade_redirect() {
    local host n
    about_register_recorder
    upd_serve
    host=$(sl_build_setting SL_UPDATE_HOST)
    printf '#url=http://%s/skyloom/download.html\r\n#method=2\r\n#date=12/31/2030\r\n#message={- See the site}\r\n' \
        "$host" >"$UPD_WWW/skyloom/update.inf"
    upg_start
    sl_msgbox 20000
    sl_press Yes
    about_wait_record "arg=http://$host/skyloom/download.html"
    sl_probe wait-window "$UPG_WIZARD" 1000 && sl_fail "a wizard opened for a redirect"
    sl_alive || sl_fail "the program ended"
    read -r n _ <<<"$(upd_requests /skyloom/download.html)"
    [ "$n" = 0 ] || sl_fail "the program downloaded the redirect address itself"
    [ -z "$(upg_leftovers)" ] || sl_fail "downloads left: $(upg_leftovers)"
    cmp -s "$SL_APP_DIR/skyloom.exe" "$SL_EXE_BUILT" || sl_fail "skyloom.exe changed"
}
