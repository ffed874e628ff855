# The notice after an upgrade.

e2e_scenario after_upgrade
after_upgrade() {
    sl_seed_counter 3
    sl_start /afterupgrade
    sl_msgbox 20000
    sl_expect caption Information
    sl_expect text 'Skyloom has been upgraded. New in this release:\r\r- Added option to choose if program should start with Windows or not\r\n- Fixed bug with RSS feeds when there is no Internet connection'
    sl_expect icon 1
    sl_expect buttons OK
    sl_expect owner "$SL_MAIN_CLASS"
    sl_shot notice
    # Shown before any news refresh.
    sl_query state
    sl_expect refreshes 0
    sl_expect notices 1
    sl_press OK
    sl_wait_window visible
    sl_query state
    sl_expect refreshes 1
    sl_expect shows 1

    # Hidden and shown again: a new refresh, no second notice.
    sl_must close "$SL_MAIN_CLASS"
    sl_must wait-window "$SL_MAIN_CLASS" 5000 hidden
    sl_click_item Showmainwindow1
    sl_wait_window visible 5000
    sl_no_welcome 1500
    sl_query state
    sl_expect shows 2
    sl_expect refreshes 2
    sl_expect notices 1
}

e2e_scenario after_upgrade_other_case
after_upgrade_other_case() {
    sl_seed_counter 3
    sl_start /AfterUpgrade
    sl_wait_window visible
    sl_no_welcome 1500
    sl_query state
    sl_expect notices 0
}
