# Scenarios of the tray icon, the single-instance guard and the system menu. Sourced by scripts/e2e.
#
# The probe acts as the shell does: it posts the icon's callback message (2048, identifier, mouse message) to the
# program's notification window (class TTrayIconHandler; the program's only icon has identifier 1) and asks the
# shell whether it holds that icon. Menus belong to their process under Wine, so the tray and system menus are read
# through the program's test-mode query and seen on the screenshots.

SL_TRAY_CALLBACK=2048
SL_TRAY_ID=1

# The program's notification window (SL_TRAY_WND), waiting for it to exist.
sl_tray_window() {
    local i
    for i in $(seq 50); do
        sl_probe windows TTrayIconHandler
        if [ "$(sl_fact count)" -ge 1 ] 2>/dev/null; then
            SL_TRAY_WND=$(sl_fact wnd0)
            return 0
        fi
        sleep 0.2
    done
    sl_fail "no notification window TTrayIconHandler"
}

# The shell reports a mouse message ($1, a number) at the icon.
sl_tray_mouse() {
    sl_must post "$SL_TRAY_WND" "$SL_TRAY_CALLBACK" "$SL_TRAY_ID" "$1"
}

# present / absent: whether the shell holds the icon of window $1 (default: the program's).
sl_tray_icon() {
    sl_must tray-icon "${1:-$SL_TRAY_WND}" "$SL_TRAY_ID"
    sl_fact icon
}

# Waits (at most $2 tenths of a second) until the number of visible popup menus is $1.
sl_wait_popup() {
    local i n
    for i in $(seq "${2:-50}"); do
        sl_probe windows '#32768'
        n=$(sl_fact visible)
        [ "$n" = "$1" ] && return 0
        sleep 0.1
    done
    return 1
}

# Waits until the main window's visibility is $1 (0 or 1).
sl_wait_visible() {
    local i
    for i in $(seq 50); do
        sl_window
        [ "$(sl_fact visible)" = "$1" ] && return 0
        sleep 0.1
    done
    sl_fail "main window visible is $(sl_fact visible), expected $1"
}

# Menu lines of one menu from the test-mode query, in order: "name|caption|id|flags" each.
sl_menu_lines() {
    awk -v m="$1." 'index($0, m) == 1 { sub(/^[^=]*=/, ""); print }' <<<"$SL_MENUS"
}

WM_LBUTTONDOWN=513
WM_LBUTTONUP=514
WM_LBUTTONDBLCLK=515
WM_RBUTTONDOWN=516
WM_RBUTTONUP=517
WM_SYSCOMMAND=274
SC_MINIMIZE=61472
WS_MINIMIZEBOX=$((0x20000))
WS_MAXIMIZEBOX=$((0x10000))

e2e_scenario tray_menu_and_clicks
tray_menu_and_clicks() {
    sl_seed_counter 3
    sl_start
    sl_wait_window visible
    sl_tray_window
    [ "$(sl_tray_icon)" = present ] || sl_fail "no icon in the notification area"

    # Right button: the tray menu opens at the cursor.
    sl_tray_mouse $WM_RBUTTONDOWN
    sl_wait_popup 1 || sl_fail "the right button opened no menu"
    sleep 0.5
    sl_shot tray-menu
    sl_menus
    local lines
    lines=$(sl_menu_lines PopupMenu1 | cut -d'|' -f2 | paste -sd'#')
    [ "$lines" = "Show main window#About...#Check for updates...#Refresh news#-#Close application" ] ||
        sl_fail "tray menu entries are \"$lines\""
    sl_menu_lines PopupMenu1 | head -n 1 | grep -q 'default' || sl_fail "\"Show main window\" is not the default item"
    [ "$(sl_menu_lines PopupMenu1 | grep -c default)" = 1 ] || sl_fail "more than one default item"
    # A click elsewhere (Escape here) closes it without choosing anything.
    xdotool key Escape
    sl_wait_popup 0 || { xdotool mousemove 300 300 click 1; sl_wait_popup 0 || sl_fail "the tray menu stayed open"; }
    sl_tray_mouse $WM_RBUTTONUP

    # Hidden in the tray, a single click does nothing and a double click shows the window.
    sl_must close "$SL_MAIN_CLASS"
    sl_wait_visible 0
    sl_tray_mouse $WM_LBUTTONDOWN
    sl_tray_mouse $WM_LBUTTONUP
    sleep 1.5
    sl_window
    sl_expect visible 0
    sl_wait_popup 0 5 || sl_fail "a single click opened a menu"
    sl_tray_mouse $WM_LBUTTONDOWN
    sl_tray_mouse $WM_LBUTTONUP
    sl_tray_mouse $WM_LBUTTONDBLCLK
    sl_tray_mouse $WM_LBUTTONUP
    sl_wait_visible 1
    sl_alive || sl_fail "the program ended"
}

e2e_scenario tray_minimize_and_close_hide
tray_minimize_and_close_hide() {
    sl_seed_counter 3
    sl_start
    sl_wait_window visible
    sl_tray_window
    sl_must post "$SL_MAIN_CLASS" $WM_SYSCOMMAND $SC_MINIMIZE 0
    sl_wait_visible 0
    sl_must windows TApplication
    sl_expect visible 0
    [ "$(sl_tray_icon)" = present ] || sl_fail "the icon went away on minimise"
    sl_shot minimized

    # Back from the tray, then the close button hides again.
    sl_tray_mouse $WM_LBUTTONDBLCLK
    sl_wait_visible 1
    sl_window
    sl_expect iconic 0
    sl_must close "$SL_MAIN_CLASS"
    sl_wait_visible 0
    sl_must windows TApplication
    sl_expect visible 0
    sl_alive || sl_fail "closing ended the program"
    [ "$(sl_tray_icon)" = present ] || sl_fail "the icon went away on close"
}

e2e_scenario tray_taskbar_recreated
tray_taskbar_recreated() {
    sl_seed_counter 3
    sl_start /tray
    sl_wait_window hidden
    sl_tray_window
    [ "$(sl_tray_icon)" = present ] || sl_fail "no icon at start"
    # A restarted Explorer has lost every icon and announces its new taskbar.
    sl_must tray-delete "$SL_TRAY_WND" "$SL_TRAY_ID"
    [ "$(sl_tray_icon)" = absent ] || sl_fail "the shell still holds the icon"
    sl_must broadcast TaskbarCreated
    local i
    for i in $(seq 30); do
        [ "$(sl_tray_icon)" = present ] && return 0
        sleep 0.1
    done
    sl_fail "the icon did not come back after TaskbarCreated"
}

e2e_scenario onlyone_start_twice
onlyone_start_twice() {
    sl_seed_counter 3
    sl_start
    sl_wait_window visible
    sl_tray_window
    local first=$SL_PID first_tray=$SL_TRAY_WND
    sl_reg HKCR TslOnlyOne Skyloom
    sl_expect reg REG_DWORD
    sl_start
    local second=$SL_PID
    SL_PID=$second
    sl_wait_exit 20 || sl_fail "the second instance kept running"
    SL_PID=$first
    sl_alive || sl_fail "the first instance ended"
    sl_must windows TTrayIconHandler
    sl_expect count 1
    sl_must windows "$SL_MAIN_CLASS"
    sl_expect count 1
    [ "$(sl_tray_icon "$first_tray")" = present ] || sl_fail "the first instance lost its icon"
    sl_must foreground
    sl_log "foreground after the second start: $(sl_fact foreground)"
    sl_shot after-second
}

e2e_scenario onlyone_first_hidden_stays_hidden
onlyone_first_hidden_stays_hidden() {
    sl_seed_counter 3
    sl_start /tray
    sl_wait_window hidden
    local first=$SL_PID
    sl_start
    sl_wait_exit 20 || sl_fail "the second instance kept running"
    SL_PID=$first
    sl_alive || sl_fail "the first instance ended"
    sleep 0.5
    sl_window
    sl_expect visible 0
    sl_must windows TApplication
    sl_expect visible 0
}

e2e_scenario onlyone_registration_gone_after_exit
onlyone_registration_gone_after_exit() {
    sl_seed_counter 3
    sl_start
    sl_wait_window visible
    sl_tray_window
    local tray=$SL_TRAY_WND
    sl_reg HKCR TslOnlyOne Skyloom
    sl_expect reg REG_DWORD
    sl_menus
    sl_choose Exit1
    sl_wait_exit 15 || sl_fail "\"Exit\" did not end the program"
    sl_reg HKCR TslOnlyOne Skyloom
    sl_expect reg missing
    [ "$(sl_tray_icon "$tray")" = absent ] || sl_fail "\"Exit\" left an icon behind"
}

e2e_scenario onlyone_close_application_leaves_nothing
onlyone_close_application_leaves_nothing() {
    sl_seed_counter 3
    sl_start /tray
    sl_wait_window hidden
    sl_tray_window
    local tray=$SL_TRAY_WND
    sl_menus
    sl_choose Closeapplication1
    sl_wait_exit 15 || sl_fail "\"Close application\" did not end the program"
    [ "$(sl_tray_icon "$tray")" = absent ] || sl_fail "\"Close application\" left an icon behind"
    sl_reg HKCR TslOnlyOne Skyloom
    sl_expect reg missing
}

e2e_scenario onlyone_other_title_coexists
onlyone_other_title_coexists() {
    sl_seed_counter 3
    # Another program of the same library, called "Skyloom Other", runs: it holds its own mutex.
    "$SL_WINE" "$SL_PROBE_EXE" hold-mutex "TslOnlyOneSkyloom Other" 15000 >/dev/null 2>&1 &
    local other=$!
    sleep 1
    sl_start
    sl_wait_window visible
    sleep 1
    sl_alive || sl_fail "Skyloom ended although only a program with another title runs"
    # Skyloom holds a mutex of its own title, and is registered under it.
    sl_must hold-mutex "TslOnlyOneSkyloom" 0
    sl_expect existed 1
    sl_reg HKCR TslOnlyOne Skyloom
    sl_expect reg REG_DWORD
    kill "$other" 2>/dev/null
}

e2e_scenario onlyone_ten_at_once
onlyone_ten_at_once() {
    sl_seed_counter 3
    local pids=() i alive=0
    for i in $(seq 10); do
        sl_start /tray
        pids+=("$SL_PID")
    done
    sleep 3
    for i in $(seq 200); do
        alive=0
        for p in "${pids[@]}"; do kill -0 "$p" 2>/dev/null && alive=$((alive + 1)); done
        [ "$alive" -le 1 ] && break
        sleep 0.1
    done
    sleep 1
    alive=0
    for p in "${pids[@]}"; do kill -0 "$p" 2>/dev/null && { alive=$((alive + 1)); SL_PID=$p; }; done
    [ "$alive" = 1 ] || sl_fail "$alive of ten programs run"
    sl_must windows "$SL_MAIN_CLASS"
    sl_expect count 1
    sl_must windows TTrayIconHandler
    sl_expect count 1
}

e2e_scenario sysmenu_about_first
sysmenu_about_first() {
    sl_seed_counter 3
    sl_start
    sl_wait_window visible
    sl_window
    sl_expect maximizebox 1
    sl_expect minimizebox 1
    sl_expect sizable 0
    sl_menus
    local first second
    first=$(sl_menu_lines SystemMenu | sed -n 1p)
    second=$(sl_menu_lines SystemMenu | sed -n 2p)
    [ "$(cut -d'|' -f2 <<<"$first")" = "About..." ] || sl_fail "first system menu entry is \"$first\""
    [ "$(cut -d'|' -f3 <<<"$second")" = 61728 ] || sl_fail "\"About...\" is not directly above Restore: \"$second\""
    # Open it as Alt+Space does, look at it, close it.
    sl_must post "$SL_MAIN_CLASS" $WM_SYSCOMMAND 61696 32
    sl_wait_popup 1 || sl_fail "the system menu did not open"
    sleep 0.5
    sl_shot system-menu
    xdotool key Escape
    sl_wait_popup 0 || true
}
