# The main window as a user sees it, the start switch and closing.

# Checks that the main window is the designed one: caption, size, border, controls, colours, menu bar.
check_main_window() {
    sl_window
    sl_expect caption Skyloom
    sl_expect visible 1
    sl_expect client 480x426
    # The system menu component switches the maximize box on with its standard commands; the border still
    # keeps the window's size.
    sl_expect maximizebox 1
    sl_expect minimizebox 1
    sl_expect sysmenu 1
    sl_expect sizable 0

    sl_controls
    local panel list box
    # The status bar starts as "Checking connection..." and soon shows what the monitor found.
    panel=$(sl_child_of_class TPanel)
    [ -n "$panel" ] || sl_fail "no status panel"
    case $(sl_fact "child$panel.text") in
        "Checking connection..." | ONLINE | OFFLINE) ;;
        *) sl_fail "status panel shows \"$(sl_fact "child$panel.text")\"" ;;
    esac
    sl_expect "child$panel.rect" "8,8,465x41"
    box=$(sl_child_with_text "run with system")
    [ -n "$box" ] || sl_fail "no check box \"run with system\""
    sl_expect "child$box.rect" "352,56,113x17"
    list=$(awk -F= '$1 ~ /^child[0-9]+\.lines$/ { sub(/^child/, "", $1); sub(/\..*/, "", $1); print $1; exit }' <<<"$SL_OUT")
    [ -n "$list" ] || sl_fail "no list box"
    sl_expect "child$list.rect" "8,72,457x177"
    sl_expect "child$list.lines" 0
    sl_expect "child$list.itemheight" 16

    # Colours as painted on the screen: the panel inside its bevel, the window's background.
    local cls
    cls=$(sl_fact "child$panel.class")
    # Yellow while checking, then green or red; the text and the colour always belong together.
    local text colour
    text=$(sl_fact "child$panel.text")
    sl_must pixel "$SL_MAIN_CLASS" "$cls" 4 4
    colour=$(sl_fact pixel)
    case "$text/$colour" in
        "Checking connection.../FFFF00" | ONLINE/008000 | OFFLINE/FF0000) ;;
        *) sl_fail "panel shows \"$text\" in $colour" ;;
    esac
    sl_must pixel "$SL_MAIN_CLASS" - 200 260
    sl_expect pixel FFFFFF

    # The label has no window of its own: the program names it, and its text must be painted where it stands.
    sl_query controls
    # The label fits its width to its text (97 with Verdana; a substitute font may differ by a pixel or two).
    [[ "$(sl_fact control.Label1)" =~ ^label\|8,56,(9[0-9]|10[0-4])x13\|visible\|Latest\ headlines:\|FFFFFF\|Verdana,-11,0\|$ ]] ||
        sl_fail "label: $(sl_fact control.Label1)"
    [[ "$(sl_fact control.Panel1)" =~ ^panel\|8,8,465x41\|visible\|(Checking\ connection...\|FFFF00|ONLINE\|008000|OFFLINE\|FF0000)\|Verdana,-11,0\|$ ]] ||
        sl_fail "panel: $(sl_fact control.Panel1)"
    sl_has_fact form "Skyloom|FFFFFF|Verdana,-11" || sl_fail "form: $(sl_fact form)"
    sl_has_fact control.WideListBox1 "listbox|8,72,457x177|visible||system5|Verdana,-13,1|0 lines" ||
        sl_fail "list: $(sl_fact control.WideListBox1)"
    sl_shot window
    local dark
    dark=$(sl_dark_pixels "$SL_DIR/window.png" 8 56 97 13)
    [ "${dark:-0}" -gt 20 ] || sl_fail "no text painted where \"Latest headlines:\" stands ($dark dark pixels)"

    # The menu bar: "Program" with its five entries in order.
    sl_menus
    grep -q -x 'MainMenu1.0=File1|Program|[0-9]*|popup' <<<"$SL_MENUS" || sl_fail "menu bar: $(grep '^MainMenu1.0=' <<<"$SL_MENUS")"
    local got want
    got=$(grep '^MainMenu1\.0\.[0-9]*=' <<<"$SL_MENUS" | cut -d'|' -f1,2 | sed 's/^MainMenu1\.0\.//' | tr '\n' ';')
    want='0=About2|About...;1=Checkforupdates1|Check for updates...;2=Refreshnews1|Refresh news;3=N1|-;4=Exit1|Exit;'
    [ "$got" = "$want" ] || sl_fail "Program menu is \"$got\""
    [ "$(grep -c '^MainMenu1\.' <<<"$SL_MENUS")" = 6 ] || sl_fail "menu bar has more than \"Program\""
}

e2e_scenario plain_start
plain_start() {
    sl_seed_counter 3
    sl_start
    sl_wait_window visible
    sl_no_welcome
    check_main_window
    sl_query state
    sl_expect title Skyloom
    sl_expect timer 600000,enabled
    sl_expect shows 1
    sl_alive || sl_fail "the program ended"
}

e2e_scenario tray_switch
tray_switch() {
    sl_seed_counter 3
    sl_start /tray
    sl_wait_window
    sleep 2
    sl_window
    sl_expect visible 0
    sl_alive || sl_fail "the program ended"
    sl_query state
    sl_expect shows 0
}

e2e_scenario tray_switch_other_case
tray_switch_other_case() {
    sl_seed_counter 3
    sl_start /Tray
    sl_wait_window visible 20000
    sl_window
    sl_expect visible 1
}

e2e_scenario tray_switch_longer
tray_switch_longer() {
    sl_seed_counter 3
    sl_start /tray2
    sl_wait_window visible 20000
    sl_window
    sl_expect visible 1
}

e2e_scenario close_hides
close_hides() {
    sl_seed_counter 3
    sl_start
    sl_wait_window visible
    sl_must close "$SL_MAIN_CLASS"
    sl_must wait-window "$SL_MAIN_CLASS" 5000 hidden
    sleep 1
    sl_alive || sl_fail "closing the window ended the program"
    sl_window
    sl_expect visible 0
    # The taskbar button goes with the application window.
    sl_must window TApplication
    sl_expect visible 0
}

e2e_scenario exit_ends
exit_ends() {
    sl_seed_counter 3
    sl_start
    sl_wait_window visible
    sl_choose Exit1
    sl_wait_exit 10 || sl_fail "\"Exit\" did not end the program"
}
