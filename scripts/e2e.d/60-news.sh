# Scenarios of the headline list and the HTML pane, against a feed served on loopback by tools/feedserver.
# shellcheck shell=bash

# Writes an RSS document with one item per argument "Title|Description" (description optional) to stdout; the root
# element gets the attributes of NEWS_ROOT_ATTRS as well.
news_feed() {
    local n=0 arg title desc
    printf '<?xml version="1.0" encoding="windows-1252"?>\r\n<rss version="2.0"%s><channel><title>Test feed</title>\r\n' \
        "${NEWS_ROOT_ATTRS:+ $NEWS_ROOT_ATTRS}"
    for arg in "$@"; do
        n=$((n + 1))
        title=${arg%%|*}
        desc=${arg#*|}
        [ "$desc" = "$arg" ] && desc="Text of $title"
        printf '<item><title>%s</title><link>http://127.0.0.1/news/%d</link><description>%s</description></item>\r\n' \
            "$title" "$n" "$desc"
    done
    printf '</channel></rss>\r\n'
}

# Writes the feed file feed.xml with COUNT items "Headline N"; each item's text is TEXT with N for every "#"
# (default "Text of item #"). Call after news_serve.
news_numbered_feed() {
    local items=() i text=${2:-'Text of item #'}
    for i in $(seq "$1"); do items+=("Headline $i|${text//#/$i}"); done
    news_feed "${items[@]}" >"$NEWS_FEEDS/feed.xml"
}

# The list lines of a feed from news_numbered_feed, as news_wait_lines takes them.
news_numbered_lines() {
    seq "$1" | awk '{ printf "%s%d. Headline %d", (NR > 1 ? "|" : ""), $1, $1 }'
}

# Starts the feed server over a folder of the scenario and points the settings file at FILE in it.
news_serve() {
    local file=$1
    NEWS_FEEDS="$SL_DIR/feeds"
    mkdir -p "$NEWS_FEEDS"
    # shellcheck source=../lib/feedserver.sh
    source "$SL_TOP/scripts/lib/feedserver.sh"
    SL_FEED_LOG="$SL_DIR/feedserver.log" sl_start_feedserver "$NEWS_FEEDS" || sl_fail "feed server did not start"
    trap sl_stop_feedserver EXIT
    sl_ini "[Skyloom]"$'\r\n'"rss=http://127.0.0.1:$SL_FEED_PORT/$file"$'\r\n'
    # Not the first start: no welcome message in the way.
    sl_must reg-set HKCU 'Software\Quorvane\Skyloom\Default' 'Start Counter' dword 5
}

# The headline list's lines, joined with "|", from a fresh probe of the main window.
news_lines() {
    sl_controls
    awk -F= '
        $1 ~ /^child[0-9]+\.lines$/ && list == "" { list = $1; sub(/\.lines$/, "", list) }
        list != "" && index($1, list ".line") == 1 && $1 ~ /\.line[0-9]+$/ {
            v = substr($0, length($1) + 2); out = out (out == "" ? "" : "|") v }
        END { print out }' <<<"$SL_OUT"
}

# Waits (at most $2 seconds, default 20) until the list shows exactly $1.
news_wait_lines() {
    local want=$1 i got
    for i in $(seq $((${2:-20} * 2))); do
        got=$(news_lines)
        [ "$got" = "$want" ] && { sl_log "lines: $got"; return 0; }
        sleep 0.5
    done
    sl_fail "list shows \"$got\", expected \"$want\""
}

# The text the HTML pane shows (its renderer answers WM_GETTEXT), from a fresh probe.
news_pane_text() {
    sl_controls
    local n
    n=$(sl_child_of_class TslHTMLRenderer)
    [ -n "$n" ] || { echo ""; return; }
    sl_fact "child$n.text"
}

news_wait_pane() {
    local want=$1 i got
    for i in $(seq 40); do
        got=$(news_pane_text)
        [ "$got" = "$want" ] && { sl_log "pane: $got"; return 0; }
        sleep 0.5
    done
    sl_fail "pane shows \"$got\", expected \"$want\""
}

e2e_scenario news_three_items
news_three_items() {
    news_serve feed.xml
    # The feed names an address of its own; the feed component's transfer takes it but is never started.
    local NEWS_ROOT_ATTRS="from=\"http://127.0.0.1:$SL_FEED_PORT/own-transfer.xml\""
    news_feed A B C >"$NEWS_FEEDS/feed.xml"
    sl_start
    sl_wait_window visible
    news_wait_lines "1. A|2. B|3. C"
    local t0 t1
    t0=$(date +%s%N)
    sl_choose Refreshnews1
    news_wait_lines "1. A|2. B|3. C"
    t1=$(date +%s%N)
    sl_log "refresh to filled list: $(( (t1 - t0) / 1000000 )) ms as the probe sees it"
    sl_query state
    sl_log "refresh inside the program: $(sl_fact lastrefreshms) ms"
    # Hidden in the tray, "Refresh news" of the tray menu still refreshes.
    sl_must close "$SL_MAIN_CLASS"
    sl_window
    sl_expect visible 0
    news_feed D E >"$NEWS_FEEDS/feed.xml"
    sl_choose Refreshnews2
    news_wait_lines "1. D|2. E"
    sl_window
    sl_expect visible 0
    local fetched own
    fetched=$(grep -c 'GET /feed.xml ' "$SL_DIR/feedserver.log")
    own=$(grep -c 'own-transfer' "$SL_DIR/feedserver.log")
    sl_log "feed server: $fetched requests of the feed, $own of the feed's own address"
    [ "$fetched" -ge 3 ] || sl_fail "the feed server logged $fetched requests of the feed"
    [ "$own" = 0 ] || sl_fail "something fetched the address the feed names for its own transfer"
}

e2e_scenario news_unreachable_and_not_rss
news_unreachable_and_not_rss() {
    news_serve feed.xml
    news_feed A B C >"$NEWS_FEEDS/feed.xml"
    sl_start
    sl_wait_window visible
    news_wait_lines "1. A|2. B|3. C"
    # A page that is not RSS: the earlier headlines are listed again.
    printf '<html><body><p>Service page, not a feed</p></body></html>\r\n' >"$NEWS_FEEDS/feed.xml"
    sl_choose Refreshnews1
    sleep 1
    news_wait_lines "1. A|2. B|3. C"
    # The server gone: the list ends up empty, even though it showed headlines.
    sl_stop_feedserver
    sl_choose Refreshnews1
    news_wait_lines ""
    sl_probe no-msgbox 1500 || sl_fail "a failed refresh showed a message"
}

e2e_scenario news_pane_shows_item
news_pane_shows_item() {
    news_serve feed.xml
    news_feed "A|first item" \
        "B|Second &amp;lt;b&amp;gt;item&amp;lt;/b&amp;gt; text&amp;lt;BR /&amp;gt;after the break" \
        "C|&lt;script&gt;alert('ran')&lt;/script&gt;Scripted item" >"$NEWS_FEEDS/feed.xml"
    sl_start
    sl_wait_window visible
    news_wait_lines "1. A|2. B|3. C"
    news_wait_pane "Click on news headline to display news text here"
    sl_must select "$SL_MAIN_CLASS" 1
    # Item 2's description: escaped markup stays text, the escaped break in capitals becomes a line break.
    news_wait_pane "Second <b>item</b> text\\r\\nafter the break\\r\\nRead more..."
    sl_shot item2
    sl_must select "$SL_MAIN_CLASS" 2
    news_wait_pane "Scripted item\\r\\nRead more..."
    sl_probe no-msgbox 2000 || sl_fail "the script in the description ran"
}

e2e_scenario news_tray_start
news_tray_start() {
    news_serve feed.xml
    news_feed A B C >"$NEWS_FEEDS/feed.xml"
    sl_start /tray
    sl_wait_window hidden
    sleep 2
    [ "$(news_lines)" = "" ] || sl_fail "the list was filled before the window was shown"
    sl_choose Refreshnews2
    news_wait_lines "1. A|2. B|3. C"
    sl_window
    sl_expect visible 0
}

# --- feeds in UTF-8, the XML default --------------------------------------------------------------------------
e2e_scenario news_utf8_feed
news_utf8_feed() {
    news_serve feed.xml
    {
        printf '<?xml version="1.0" encoding="UTF-8"?>\r\n<rss version="2.0"><channel><title>T</title>\r\n'
        printf '<item><title>Zürich – café</title><link>http://127.0.0.1/news/1</link>'
        printf '<description>Le café de Zürich – ouvert</description></item>\r\n'
        printf '<item><title>Ærø, Łódź, Ελλάδα</title><link>http://127.0.0.1/news/2</link>'
        printf '<description>x</description></item>\r\n</channel></rss>\r\n'
    } >"$NEWS_FEEDS/feed.xml"
    sl_start
    sl_wait_window visible
    news_wait_lines "1. Zürich – café|2. Ærø, Łódź, Ελλάδα"
    sl_must select "$SL_MAIN_CLASS" 0
    # The probe reads a window's text in the system's code page (windows-1252 here): "é" is E9, "–" is 96, where
    # text misread as windows-1252 would give the two bytes of each UTF-8 character.
    news_wait_pane "$(printf 'Le caf\xe9 de Z\xfcrich \x96 ouvert')\\r\\nRead more..."
    sl_shot utf8
    # Without any declaration a feed is UTF-8 as well; one in windows-1252 still reads right.
    printf '<rss version="2.0"><channel><item><title>Crème brûlée</title></item></channel></rss>' >"$NEWS_FEEDS/feed.xml"
    sl_choose Refreshnews1
    news_wait_lines "1. Crème brûlée"
    news_feed "$(printf 'Caf\xe9 \x96 na\xefve')" >"$NEWS_FEEDS/feed.xml"
    sl_choose Refreshnews1
    news_wait_lines "1. Café – naïve"
}

# --- a feed server that misbehaves never freezes the window ------------------------------------------------------
# Runs in a namespace of its own (scripts/e2e.d/50-monitor.sh), so that the probe host's name can be taken away and
# given back while the server misbehaves: the status bar must follow.
news_hostile() {
    NEWS_HOSTILE_MODES=$1
    export NEWS_HOSTILE_MODES
    export -f news_serve news_feed news_lines news_wait_lines news_hostile_body
    mon_hosts 127.0.0.1
    mon_netns none news_hostile_body
}

news_hostile_body() {
    news_serve feed.xml
    news_feed A B C >"$NEWS_FEEDS/feed.xml"
    sl_start
    sl_wait_window visible
    news_wait_lines "1. A|2. B|3. C"
    mon_wait_panel ONLINE 008000 5
    local mode rp secs
    for mode in $NEWS_HOSTILE_MODES; do
        echo "$mode" >"$NEWS_FEEDS/feed.xml.hostile"
        sl_choose Refreshnews1
        # The window is asked over and over for 10 s, each answer timed inside the probe around the send.
        "$SL_WINE" "$SL_PROBE_EXE" responsive "$SL_MAIN_CLASS" 10000 250 >"$SL_DIR/responsive-$mode" \
            2>>"$SL_DIR/probe.err" &
        rp=$!
        sleep 1
        mon_hosts ""
        mon_wait_panel OFFLINE FF0000 5
        sl_log "$mode: status bar OFFLINE ${MON_WAITED} ms after the probe host's name went"
        mon_hosts 127.0.0.1
        mon_wait_panel ONLINE 008000 5
        sl_log "$mode: status bar ONLINE ${MON_WAITED} ms after it came back"
        wait "$rp"
        sl_responsive_read "$SL_DIR/responsive-$mode" "$SL_MAIN_CLASS"
        secs=${SL_RESPONSIVE_SECS:-10}
        sl_log "hostile $mode: $(sl_fact sends) messages in $secs s, longest answer $(sl_fact longest_ms) ms, mean $(sl_fact mean_ms) ms, over 250 ms: $(sl_fact over_limit), timed out: $(sl_fact timed_out)"
        echo "measure hostile $mode: longest $(sl_fact longest_ms) ms mean $(sl_fact mean_ms) ms over $(sl_fact sends) sends" >>"$SL_DIR/measure"
        [ "$(sl_fact sends)" -ge 100 ] || sl_fail "$mode: only $(sl_fact sends) messages went to the window in $secs s"
        [ "$(sl_fact over_limit)" = 0 ] && [ "$(sl_fact timed_out)" = 0 ] ||
            sl_fail "$mode: the window took $(sl_fact longest_ms) ms to answer ($(sl_fact over_limit) answers over 250 ms)"
        # The server gives up with a reset: the refresh failed and the list stays empty.
        echo reset >"$NEWS_FEEDS/feed.xml.hostile"
        news_wait_lines "" 10
        local i
        for i in $(seq 40); do
            sl_query state
            [ "$(sl_fact newsbusy)" = 0 ] && break
            sleep 0.25
        done
        [ "$(sl_fact newsbusy)" = 0 ] || sl_fail "$mode: the refresh never ended"
        [ "$(news_lines)" = "" ] || sl_fail "$mode: the failed refresh left lines"
        rm -f "$NEWS_FEEDS/feed.xml.hostile"
        sl_choose Refreshnews1
        news_wait_lines "1. A|2. B|3. C"
    done
    sl_alive || sl_fail "the program ended"
}

e2e_scenario news_hostile_slow
news_hostile_slow() { news_hostile "trickle stall"; }

e2e_scenario news_hostile_big
news_hostile_big() { news_hostile "huge endless"; }

# --- a refresh of a 1,000-item feed: the window keeps answering, figures for the record --------------------------
e2e_scenario news_large_feed
news_large_feed() {
    news_serve feed.xml
    news_numbered_feed 1000 'Story # with &lt;b&gt;some&lt;/b&gt; text'
    sl_start
    sl_wait_window visible
    news_wait_lines "$(news_numbered_lines 1000)" 60
    sl_query state
    sl_log "1000 items, first refresh: request to filled list $(sl_fact lastrefreshms) ms, main thread's longest stretch $(sl_fact lastlistingms) ms (loading $(sl_fact lastloadms) ms)"
    "$SL_WINE" "$SL_PROBE_EXE" responsive "$SL_MAIN_CLASS" 6000 250 >"$SL_DIR/responsive" 2>>"$SL_DIR/probe.err" &
    local rp=$!
    local n
    for n in 1 2 3; do
        sleep 1.5
        sl_choose Refreshnews1
    done
    wait "$rp"
    sl_responsive_read "$SL_DIR/responsive" "$SL_MAIN_CLASS"
    local longest=$(sl_fact longest_ms) over=$(sl_fact over_limit)
    sl_query state
    sl_log "1000 items: request to filled list $(sl_fact lastrefreshms) ms, main thread's longest stretch $(sl_fact lastlistingms) ms (loading $(sl_fact lastloadms) ms); window answers over 6 s with 3 refreshes: longest ${longest} ms"
    echo "measure large feed: refresh $(sl_fact lastrefreshms) ms longest main-thread stretch $(sl_fact lastlistingms) ms loading $(sl_fact lastloadms) ms longest answer ${longest} ms" >>"$SL_DIR/measure"
    [ "$over" = 0 ] || sl_fail "the window took ${longest} ms to answer during a refresh"
}
