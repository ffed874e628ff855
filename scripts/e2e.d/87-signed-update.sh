# Signed updates as a user meets them. The program with the build folder's test publisher key
# (app/testkey/skyloom.exe) installs a newer build only when the information file carries the publisher's
# signature of its exact bytes; a changed byte or a missing signature brings the lost-file question with a text of
# its own, and No leaves the old program running with nothing downloaded left behind. The program without a key
# (the default build) installs an unsigned one as before. Uses the update-server helpers of 80-update.sh.
# shellcheck shell=bash

SIG_MARKER='SKYLOOM-SIGNED-BUILD-MARKER'
SIG_WIZARD=TslSelfUpdaterWizardForm
SIG_QUESTION=$'File skyloom.exe is not signed by the publisher.\n\nTry to skip this file and continue upgrade?'

# The publisher's signing tool (a native program), built when missing.
sig_tool() {
    local tool="$SL_TOP/build/native/tools/sign-update/sign-update"
    { cmake --preset native && cmake --build --preset native -j2 --target sign-update; } \
        >"$SL_DIR/sign-update-build.log" 2>&1 || sl_fail "cannot build sign-update: see $SL_DIR/sign-update-build.log"
    printf '%s\n' "$tool"
}

# Puts the program that carries the test publisher key in place of the one under test.
sig_keyed_program() {
    local keyed
    keyed="$(dirname "$SL_EXE_BUILT")/testkey/skyloom.exe"
    # Built every time (nothing to do when it is current): a copy left from an older build would test old code.
    cmake --build --preset "$SL_E2E_PRESET" -j2 --target skyloom_testkey >"$SL_DIR/testkey-build.log" 2>&1 ||
        sl_fail "cannot build the program with the test key: see $SL_DIR/testkey-build.log"
    cp "$keyed" "$SL_APP_DIR/skyloom.exe"
}

# Serves a newer build (the program in the app folder with a marker appended) and its information file:
# sig_serve signed|unsigned|tampered. "tampered" signs the build and then changes one byte of what is served.
sig_serve() {
    local host exe sig=""
    upd_serve
    host=$(sl_build_setting SL_UPDATE_HOST)
    exe="$UPD_WWW/skyloom/skyloom.exe"
    cp "$SL_APP_DIR/skyloom.exe" "$exe"
    printf '%s' "$SIG_MARKER" >>"$exe"
    if [ "$1" != unsigned ]; then
        sig=$("$(sig_tool)" sign "$SL_TOP/build/$SL_E2E_PRESET/test-publisher/publisher.key" "$exe") ||
            sl_fail "sign-update could not sign the build"
        printf '%s\n' "$sig" >"$SL_DIR/signature"
    fi
    if [ "$1" = tampered ]; then
        # One byte in the middle of the program, flipped in place: same size, same name.
        python3 - "$exe" <<'PY'
import sys
p = sys.argv[1]
with open(p, "r+b") as f:
    f.seek(0, 2)
    at = f.tell() // 2
    f.seek(at)
    b = f.read(1)
    f.seek(at)
    f.write(bytes([b[0] ^ 0x01]))
PY
    fi
    {
        printf '#url=http://%s/skyloom/skyloom.exe\r\n' "$host"
        [ -z "$sig" ] || printf '%s\r\n' "$sig"
        printf '#date=12/31/2030\r\n#message={- A signed build}\r\n'
    } >"$UPD_WWW/skyloom/update.inf"
    cp "$UPD_WWW/skyloom/update.inf" "$SL_DIR/update.inf"
}

# Answers the upgrade question with Yes and waits for the wizard.
sig_agree() {
    sl_msgbox 20000
    sl_expect buttons '&Yes,&Later'
    sl_press Yes
    sl_must wait-window "$SIG_WIZARD" 10000 visible
}

# Downloads and replacer files left behind.
sig_leftovers() {
    find "$SL_APP_DIR" -maxdepth 1 -iname '*.uTMP' -printf '%f '
    find "$WINEPREFIX/drive_c" -iname slReplacer.exe -printf '%f ' 2>/dev/null
}

# The lost-file question with the not-signed text comes; No ends the upgrade and the old program goes on.
sig_expect_refusal() {
    local before
    before=$(md5sum <"$SL_APP_DIR/skyloom.exe")
    upd_start
    sig_agree
    sl_msgbox 60000
    sl_expect buttons '&Yes,&No'
    local caption
    caption=$(sl_fact caption)
    # The box draws its text itself; the program tells it.
    sl_query controls box
    [[ "$(sl_fact control.Text)" == *"|$(sl_escape "$SIG_QUESTION")|"* ]] ||
        sl_fail "not the not-signed question: $(sl_fact control.Text)"
    printf 'refused: caption [%s] text [%s]\n' "$caption" "$(sl_fact control.Text)" >>"$SL_DIR/outcome"
    sl_shot not-signed
    sl_press No
    local i
    for i in $(seq 50); do
        sl_probe windows "$SIG_WIZARD" && [ "$(sl_fact visible)" = 0 ] && break
        sleep 0.2
    done
    [ "$(sl_fact visible)" = 0 ] || sl_fail "the wizard stayed after No"
    sleep 1
    sl_alive || sl_fail "the old program ended after the refused download"
    sl_must wait-window "$SL_MAIN_CLASS" 5000 visible
    [ -z "$(sig_leftovers)" ] || sl_fail "left behind: $(sig_leftovers)"
    [ "$(md5sum <"$SL_APP_DIR/skyloom.exe")" = "$before" ] || sl_fail "the program file changed"
    sl_shot end
}

# The upgrade runs through: completion page, OK, restart with the notice, the served build in place.
sig_expect_install() {
    upd_start
    sig_agree
    local i done=
    for i in $(seq 120); do
        sl_query controls wizard
        if grep -q -E '^control\.WizardTitle=.*\|visible\|Upgrade completed!\|' <<<"$SL_OUT"; then done=1; break; fi
        sl_probe no-msgbox 200 || sl_fail "a message came instead of the completion page: $(sl_fact caption): $(sl_fact text)"
        sleep 0.3
    done
    [ -n "$done" ] || sl_fail "the wizard never reached its completion page"
    sl_shot completion
    # The restarted program finds nothing newer.
    upd_info 06/27/2006
    sl_must click-child "$SIG_WIZARD" '&OK'
    sl_wait_exit 30 || sl_fail "the old program did not end after OK"
    upd_expect_restart_notice
    sl_press OK
    cmp -s "$SL_APP_DIR/skyloom.exe" "$UPD_WWW/skyloom/skyloom.exe" || sl_fail "skyloom.exe does not hold the served build"
    sleep 1
    [ -z "$(find "$SL_APP_DIR" -maxdepth 1 -iname '*.uTMP')" ] || sl_fail "downloads left behind"
    printf 'installed: %s\n' "$(md5sum <"$SL_APP_DIR/skyloom.exe")" >>"$SL_DIR/outcome"
}

e2e_scenario signed_update_installed 240
signed_update_installed() {
    sig_keyed_program
    sig_serve signed
    sig_expect_install
}

e2e_scenario signed_update_tampered_refused 180
signed_update_tampered_refused() {
    sig_keyed_program
    sig_serve tampered
    sig_expect_refusal
}

e2e_scenario signed_update_unsigned_refused 180
signed_update_unsigned_refused() {
    sig_keyed_program
    sig_serve unsigned
    sig_expect_refusal
}

# Without a publisher key in the build, signatures are neither needed nor looked at.
e2e_scenario signed_update_unsigned_without_key 240
signed_update_unsigned_without_key() {
    [ -z "$(sl_build_setting SL_UPDATE_PUBLIC_KEY)" ] || sl_fail "this build carries a publisher key (SL_UPDATE_PUBLIC_KEY)"
    sig_serve unsigned
    sig_expect_install
}
