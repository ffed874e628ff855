# Scenarios of the headline list and the HTML pane, against a feed served on loopback by tools/feedserver.
# shellcheck shell=bash

# Writes an RSS document with one item per argument "Title|Description" (description optional) to stdout.
news_feed() {
    local n=0 arg title desc
    printf '<?xml version="1.0" encoding="windows-1252"?>\r\n<rss version="2.0"><channel><title>Test feed</title>\r\n'
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
