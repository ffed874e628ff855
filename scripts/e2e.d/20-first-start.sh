# The start counter, the welcome of the very first start and the autorun registration.

RUN_KEY='Software\Microsoft\Windows\CurrentVersion\Run'
RUNONCE_KEY='Software\Microsoft\Windows\CurrentVersion\RunOnce'
COUNTER_KEY='Software\Quorvane\Skyloom\Default'
WELCOME=$'Welcome to the Quorvane Skyloom\r\rWith this program you can check your Internet connection\rand you can read RSS news from predefined source\r\rMore info at '

# The welcome box of a first start, checked and answered.
answer_welcome() {
    sl_msgbox 20000
    sl_expect caption Information
    sl_expect text "$(sl_escape "$WELCOME$(sl_build_setting SL_PRODUCT_SITE)")"
    sl_expect icon 1
    sl_expect buttons OK
    sl_expect owner "$SL_MAIN_CLASS"
    # The box comes before the main window: its owner is the still hidden main window.
    sl_expect owner.visible 0
    sl_shot welcome
    sl_press OK
}

e2e_scenario first_start
first_start() {
    sl_start
    sl_msgbox 20000
    # Registered before the welcome is shown.
    sl_reg HKLM "$RUN_KEY" "Skyloom 2"
    sl_expect reg REG_SZ
    local command
    command="\"$(sl_exe_winpath)\" /tray"
    sl_expect data "$(sl_escape "$command")"
    sl_expect size $(( ${#command} + 1 ))
    answer_welcome
    sl_wait_window visible
    sl_controls
    local box
    box=$(sl_child_with_text "run with system")
    sl_expect "child$box.checked" 1
    sl_reg HKCU "$COUNTER_KEY" "Start Counter"
    sl_expect reg REG_DWORD
    sl_expect data 1
    sl_reg HKCU "$COUNTER_KEY" InstallTime
    sl_expect reg REG_BINARY
    sl_expect size 8
}

e2e_scenario second_start
second_start() {
    sl_start
    answer_welcome
    sl_wait_window visible
    sl_reg HKCU "$COUNTER_KEY" InstallTime
    local installed
    installed=$(sl_fact data)
    sl_choose Exit1
    sl_wait_exit 10 || sl_fail "\"Exit\" did not end the first run"

    sl_start
    sl_wait_window visible
    sl_no_welcome
    sl_reg HKCU "$COUNTER_KEY" "Start Counter"
    sl_expect data 2
    sl_reg HKCU "$COUNTER_KEY" InstallTime
    sl_expect data "$installed"
}

e2e_scenario autorun_toggle
autorun_toggle() {
    sl_seed_counter 3
    sl_must reg-set HKLM "$RUN_KEY" "Skyloom 2" sz "\"C:\\old place\\skyloom.exe\" /tray" -- \
        reg-set HKLM "$RUNONCE_KEY" "Skyloom 2" sz "x" -- reg-set HKLM "$RUNONCE_KEY" "Other" sz "y"
    sl_start
    sl_wait_window visible
    sl_controls
    local box
    box=$(sl_child_with_text "run with system")
    sl_expect "child$box.checked" 1

    # Unchecking removes the value from Run and RunOnce, and nothing else.
    sl_must click-child "$SL_MAIN_CLASS" "run with system"
    sl_controls
    sl_expect "child$box.checked" 0
    sl_reg HKLM "$RUN_KEY" "Skyloom 2"
    sl_expect reg missing
    sl_reg HKLM "$RUNONCE_KEY" "Skyloom 2"
    sl_expect reg missing
    sl_reg HKLM "$RUNONCE_KEY" "Other"
    sl_expect data y

    # Checking writes Run only, with the program's current path.
    sl_must click-child "$SL_MAIN_CLASS" "run with system"
    sl_controls
    sl_expect "child$box.checked" 1
    sl_reg HKLM "$RUN_KEY" "Skyloom 2"
    sl_expect data "$(sl_escape "\"$(sl_exe_winpath)\" /tray")"
    sl_reg HKLM "$RUNONCE_KEY" "Skyloom 2"
    sl_expect reg missing
    sl_no_welcome 500
}

e2e_scenario autorun_absent_at_start
autorun_absent_at_start() {
    # Not registered: the box turns unchecked at start, which also clears a RunOnce value of that name.
    sl_seed_counter 3
    sl_must reg-set HKLM "$RUNONCE_KEY" "Skyloom 2" sz "x"
    sl_start
    sl_wait_window visible
    sl_controls
    local box
    box=$(sl_child_with_text "run with system")
    sl_expect "child$box.checked" 0
    sl_reg HKLM "$RUNONCE_KEY" "Skyloom 2"
    sl_expect reg missing
    sl_reg HKLM "$RUN_KEY" "Skyloom 2"
    sl_expect reg missing
}
