// Test mode for the black-box scenarios (scripts/e2e). Only when the environment variable SKYLOOM_TEST_QUERY is
// "1" does the main window answer the scenario probe's questions; a user never sets it, and without it nothing
// here is installed.
//
// The probe sends WM_COPYDATA with dwData "SLPQ" (0x51504C53), the request text as data and its own window as
// wParam; the program answers at once with WM_COPYDATA "SLPR" (0x52504C53) to that window, one "key=value" line
// per fact (values escaped: \r, \n, \t, \\, \xNN). Requests:
//   menus        every item of the menu bar and the tray menu, in order:
//                "<menu>.<index>[.<index>]=<name>|<caption>|<command id>|<flags>" (flags: popup, default, separator)
//   state        shows, refreshes, notices (counts in this process), feed, ping, appdir, timer, title, infobox (the
//                answer of the last box opened by "infobox", -1 before one was answered)
//   tray         the tray icon's tooltip as the shell got it (tray.hint, UTF-8), the state mark it shows
//                (tray.mark: none, yellow, green, red; tray.marksize), the watched state, every balloon shown
//                (tray.balloons, tray.balloonN=title|text) and the outage log (outagelog: off, idle, written,
//                unwritable; outagelog.path, .lines, .failures)
//   controls     the window's controls, windowless ones (labels) included:
//                "control.<name>=<kind>|<left>,<top>,<width>x<height>|<visible>|<caption>|<colour>|<font>|<extra>"
//                (kinds: label, richlabel, image, button, panel, checkbox, listbox, control; extra holds "checked",
//                the line count, and "disabled" for a disabled control)
//   controls box the same for the message box being shown (its caption as "form=")
//   controls about  the same for the about box being shown
//   controls wizard the same for the upgrade wizard while it exists
//   infobox FLAGS TEXT  opens ShowInfoBox(TEXT, the application title, FLAGS, no localized buttons, silent) a
//                moment later; its answer shows in "state" once the box is closed
//   click NAME   clicks the menu item NAME a moment later (as choosing it does; the probe is not kept waiting
//                by a modal box the command opens)
// Menus are per process under Wine, so another program cannot read them; this is how the scenarios see them.
#pragma once

namespace skyloom {

class TForm1;

void InstallTestQuery(TForm1& form);

} // namespace skyloom
