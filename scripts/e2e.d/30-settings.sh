# The settings file beside the program.

e2e_scenario settings_missing
settings_missing() {
    sl_seed_counter 3
    sl_start /tray
    sl_wait_window
    sl_query state
    sl_expect feed "$(sl_build_setting SL_DEFAULT_FEED)"
    sl_expect ping "$(sl_build_setting SL_PROBE_HOST)"
    local exe
    exe=$(sl_exe_winpath)
    sl_expect appdir "$(sl_escape "${exe%\\*}\\")"
}

e2e_scenario settings_empty_rss
settings_empty_rss() {
    sl_seed_counter 3
    sl_ini $'[Skyloom]\r\nping=127.0.0.9\r\nrss=\r\n'
    sl_start /tray
    sl_wait_window
    sl_query state
    sl_expect feed ""
    sl_expect ping 127.0.0.9
}

e2e_scenario settings_long_value
settings_long_value() {
    sl_seed_counter 3
    local value
    value="http://127.0.0.1/$(head -c 2983 /dev/zero | tr '\0' 'x')"
    [ ${#value} = 3000 ] || sl_fail "test value is ${#value} bytes"
    sl_ini "[Skyloom]"$'\n'"rss=$value"$'\n'
    sl_start /tray
    sl_wait_window
    sl_query state
    sl_expect feed "${value:0:2047}"
    sl_expect ping "$(sl_build_setting SL_PROBE_HOST)"
}
