# The program's own message box: marked-up text, the warning question's buttons, answered by the user.

e2e_scenario infobox_question
infobox_question() {
    sl_seed_counter 3
    sl_start
    sl_wait_window visible
    sl_no_welcome 1000
    sl_query infobox 52 'A newer version of [b]Skyloom[] was released. Download it [red]now[]?'
    sl_msgbox 10000
    sl_expect class TslInfoBoxForm
    sl_expect caption Skyloom
    sl_expect owner TApplication
    sl_expect buttons '&Yes,&No'
    sl_expect buttons.disabled ''
    sl_query controls box
    sl_expect form 'Skyloom|system15|MS Sans Serif,-11'
    [[ "$(sl_fact control.Text)" =~ ^richlabel\|56,12,[0-9]+x[0-9]+\|visible\|A\ newer\ version\ of\ \[b\]Skyloom\[\]\ was\ released\.\ Download\ it\ \[red\]now\[\]\?\| ]] ||
        sl_fail "text: $(sl_fact control.Text)"
    [[ "$(sl_fact control.CheckBox)" =~ ^checkbox\|.*\|hidden\| ]] || sl_fail "check box: $(sl_fact control.CheckBox)"
    [[ "$(sl_fact control.Icon)" =~ ^image\|12,[0-9]+,32x32\|visible\| ]] || sl_fail "icon: $(sl_fact control.Icon)"
    sl_shot question
    sl_press No
    sl_must no-msgbox 1000
    sl_query state
    sl_expect infobox 7
}
