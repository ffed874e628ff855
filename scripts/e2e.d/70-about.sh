# Scenarios of the about box: opened from the menu bar, the tray menu and the system menu; its caption, the main
# window disabled while it shows, OK and Escape, and its two links. Sourced by scripts/e2e.
#
# The links go to a recorder (tools/recorder) that this scenario's own prefix registers for web pages and for
# http, https and mailto addresses, so nothing reaches a real browser or mail program; the recorder writes the
# addresses it is started with to recorder.log in the scenario's folder.

SL_ABOUT_CLASS=TslQuickAboutBoxForm
WM_KEYDOWN=256
WM_MOUSEMOVE=512
WM_LBUTTONDOWN=513
WM_LBUTTONUP=514
WM_SYSCOMMAND=274
VK_ESCAPE=27

# Registers the recorder in the prefix (before the program starts, as an installed browser would be).
about_register_recorder() {
    local recorder="$SL_TOP/build/$SL_E2E_PRESET/tools/recorder/recorder.exe" win value cls
    [ -f "$recorder" ] || sl_fail "no recorder at $recorder"
    cp "$recorder" "$SL_DIR/recorder.exe"
    rm -f "$SL_DIR/recorder.log"
    win="Z:${SL_DIR//\//\\}\\recorder.exe"
    value="@=\"\\\"${win//\\/\\\\}\\\" \\\"%1\\\"\""
    {
        printf '\n[Software\\\\Classes\\\\.html] 1700000000\n@="htmlfile"\n'
        for cls in htmlfile http https mailto; do
            printf '\n[Software\\\\Classes\\\\%s\\\\shell\\\\open\\\\command] 1700000000\n%s\n' "$cls" "$value"
        done
    } >>"$WINEPREFIX/system.reg"
}

# Waits for the about box (visible) and reads it.
about_wait_box() {
    sl_must wait-window "$SL_ABOUT_CLASS" 15000 visible
    sl_must window "$SL_ABOUT_CLASS"
    sl_expect caption "About Skyloom. . ."
}

# Starts the program (not for the first time, the recorder registered) and opens the about box from the menu bar.
about_open_from_menu_bar() {
    sl_seed_counter 3
    about_register_recorder
    sl_start
    sl_wait_window visible
    sl_choose About2
    about_wait_box
}

# Waits until no about box window exists any more.
about_wait_gone() {
    local i
    for i in $(seq 50); do
        sl_probe windows "$SL_ABOUT_CLASS"
        [ "$(sl_fact count)" = 0 ] && return 0
        sleep 0.2
    done
    sl_fail "the about box did not close"
}

# The about box control named $1 as the program describes it: ABOUT_X ABOUT_Y ABOUT_W ABOUT_H (client
# coordinates of the box) and ABOUT_SX ABOUT_SY (its top-left corner on the screen).
about_control() {
    sl_query controls about
    local line rect size
    line=$(awk -v k="control.$1=" 'index($0, k) == 1 { print substr($0, length(k) + 1); exit }' <<<"$SL_OUT")
    [ -n "$line" ] || sl_fail "the about box has no control $1"
    rect=$(cut -d'|' -f2 <<<"$line")
    IFS=, read -r ABOUT_X ABOUT_Y size <<<"$rect"
    ABOUT_W=${size%x*}
    ABOUT_H=${size#*x}
    sl_must pixel "$SL_ABOUT_CLASS" - "$ABOUT_X" "$ABOUT_Y"
    IFS=, read -r ABOUT_SX ABOUT_SY <<<"$(sl_fact screenpoint)"
}

# Number of pixels of a colour (red or blue: a strong component, the other two weak) in the last control that
# about_control described, on screenshot $1.
about_count() {
    local expr
    case $2 in
        red) expr='r>0.7&&g<0.3&&b<0.3' ;;
        blue) expr='b>0.7&&r<0.3&&g<0.3' ;;
    esac
    convert "$1" -crop "${ABOUT_W}x${ABOUT_H}+${ABOUT_SX}+${ABOUT_SY}" +repage -fx "($expr)?1:0" \
        -format '%[fx:round(w*h*mean)]' info: 2>/dev/null
}

# Moves the mouse pointer to a few pixels inside the last described control (on the X display the desktop
# shows on), and with "click" clicks there: the button's press and release reach the box as the mouse sends
# them (posted, so that a busy desktop cannot lose them).
about_pointer() {
    local x=$((ABOUT_X + 4)) y=$((ABOUT_Y + ABOUT_H / 2))
    xdotool mousemove --sync $((ABOUT_SX + 4)) $((ABOUT_SY + ABOUT_H / 2)) >/dev/null 2>&1 ||
        sl_fail "cannot move the pointer"
    if [ "${1:-}" = click ]; then
        sl_must post "$SL_ABOUT_CLASS" $WM_MOUSEMOVE 0 $(((y << 16) | x))
        sl_must post "$SL_ABOUT_CLASS" $WM_LBUTTONDOWN 1 $(((y << 16) | x))
        sl_must post "$SL_ABOUT_CLASS" $WM_LBUTTONUP 0 $(((y << 16) | x))
    fi
}

# Waits until the recorder has written a line equal to $1.
about_wait_record() {
    local i
    for i in $(seq 100); do
        [ -f "$SL_DIR/recorder.log" ] && grep -q -F -x -e "$1" "$SL_DIR/recorder.log" && return 0
        sleep 0.1
    done
    sl_fail "the recorder did not get \"$1\" (it has: $(tr '\n' ' ' <"$SL_DIR/recorder.log" 2>/dev/null))"
}

e2e_scenario about_from_menu_bar
about_from_menu_bar() {
    about_open_from_menu_bar
    sl_window
    sl_expect enabled 0
    sleep 0.5
    sl_shot about-menu-bar

    sl_query controls about
    grep -q '^control.TitleLabel=label|4,4,[0-9]*x21|visible|Skyloom|' <<<"$SL_OUT" ||
        sl_fail "title: $(grep '^control.TitleLabel=' <<<"$SL_OUT")"
    grep -q '^control.WWWLab=label|72,[0-9]*,[0-9]*x[0-9]*|visible|https://www.quorvane.com/skyloom/|' <<<"$SL_OUT" ||
        sl_fail "web link: $(grep '^control.WWWLab=' <<<"$SL_OUT")"

    sl_must click-child "$SL_ABOUT_CLASS" OK
    about_wait_gone
    sl_window
    sl_expect enabled 1
    sl_expect visible 1
    sl_alive || sl_fail "the program ended"
}

e2e_scenario about_links 240   # starts a recorder twice and waits for each; slow on a loaded machine
about_links() {
    about_open_from_menu_bar

    # The web link is blue; hovering turns it red; a click opens the product site.
    about_control WWWLab
    xdotool mousemove --sync 2 2 >/dev/null 2>&1
    sleep 0.3
    sl_shot about-link-normal
    [ "$(about_count "$SL_DIR/about-link-normal.png" blue)" -gt 10 ] 2>/dev/null ||
        sl_fail "the web link is not blue before hovering"
    about_pointer
    sleep 0.5
    sl_shot about-link-hover
    [ "$(about_count "$SL_DIR/about-link-hover.png" red)" -gt 10 ] 2>/dev/null ||
        sl_fail "the web link did not turn red under the pointer"
    [ "$(about_count "$SL_DIR/about-link-hover.png" blue)" -lt 3 ] 2>/dev/null ||
        sl_fail "the hovered web link is still blue"
    about_pointer click
    about_wait_record "arg=$(sl_build_setting SL_PRODUCT_SITE)"

    # The mail link composes a message whose subject is the program's name.
    about_control EmailLab
    about_pointer click
    local i mail=""
    for i in $(seq 100); do
        mail=$(grep '^arg=mailto:' "$SL_DIR/recorder.log" 2>/dev/null | head -n 1)
        [ -n "$mail" ] && break
        sleep 0.1
    done
    [ -n "$mail" ] || sl_fail "the recorder got no mailto address"
    sl_log "mail: $mail"
    case $mail in
        "arg=mailto:$(sl_build_setting SL_CONTACT_MAIL)?Subject=Skyloom&Body=P.S: I'm using "*"); CPU: "*"MHz.&CC=&BCC=") ;;
        *) sl_fail "mail text is \"$mail\"" ;;
    esac

    sl_must post "$SL_ABOUT_CLASS" $WM_KEYDOWN $VK_ESCAPE 0
    about_wait_gone
    sl_alive || sl_fail "the program ended"
}

e2e_scenario about_from_tray_menu_hidden
about_from_tray_menu_hidden() {
    sl_seed_counter 3
    about_register_recorder
    sl_start /tray
    sl_wait_window hidden
    sl_click_item About3
    about_wait_box
    sl_window
    sl_expect visible 0
    sleep 0.5
    sl_shot about-tray-menu
    sl_must post "$SL_ABOUT_CLASS" $WM_KEYDOWN $VK_ESCAPE 0
    about_wait_gone
    sleep 0.5
    sl_window
    sl_expect visible 0
    sl_expect enabled 1
    sl_alive || sl_fail "the program ended"
}

e2e_scenario about_from_system_menu
about_from_system_menu() {
    sl_seed_counter 3
    about_register_recorder
    sl_start
    sl_wait_window visible
    sl_menus
    local id
    id=$(sl_menu_lines SystemMenu | awk -F'|' '$1 == "About1" { print $3; exit }')
    [ -n "$id" ] || sl_fail "no About1 in the system menu"
    sl_must post "$SL_MAIN_CLASS" $WM_SYSCOMMAND "$id" 0
    about_wait_box
    sl_window
    sl_expect enabled 0
    sleep 0.5
    sl_shot about-system-menu
    sl_must click-child "$SL_ABOUT_CLASS" OK
    about_wait_gone
    sl_window
    sl_expect enabled 1
    sl_expect visible 1
}
