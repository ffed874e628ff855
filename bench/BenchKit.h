// What the benchmarks share besides the loopback server: the feed they load and the process's CPU time.
#pragma once

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

namespace skyloom::bench {

// An RSS 2.0 feed of `items` items of the usual shape: a title with a few letters beyond ASCII (the list turns them
// into wide text), a link, an escaped HTML description of a couple of hundred bytes, a permanent guid, a category,
// a date with its zone and an enclosure whose length is written with a thousands separator.
inline std::string RssFeed(int items)
{
    static const char* const days[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    std::string feed = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\"><channel>\n"
                       "<title>Loopback News</title><link>http://127.0.0.1/</link>"
                       "<description>Benchmark feed</description><language>en-gb</language>"
                       "<lastBuildDate>Sat, 07 Sep 2002 10:00:00 GMT</lastBuildDate><ttl>15</ttl>\n";
    char buf[1280];
    for (int i = 0; i < items; ++i) {
        std::snprintf(buf, sizeof buf,
                      "<item>\n  <title>Z\xC3\xBCrich \xE2\x80\x93 caf\xC3\xA9 headline %d about what happened</title>\n"
                      "  <description>&lt;p&gt;Paragraph %d of the story, with &lt;b&gt;bold&lt;/b&gt; text "
                      "and a few more words so that the description has a realistic length of a couple of "
                      "hundred bytes.&lt;/p&gt;&lt;br /&gt;</description>\n"
                      "  <link>http://127.0.0.1/news/%d</link>\n"
                      "  <guid isPermaLink=\"true\">http://127.0.0.1/news/%d</guid>\n"
                      "  <category domain=\"http://127.0.0.1/cats\">World</category>\n"
                      "  <pubDate>%s, %02d Sep 2002 %02d:%02d:%02d +0100</pubDate>\n"
                      "  <enclosure url=\"http://127.0.0.1/audio/%d.mp3\" length=\"1,234\" type=\"audio/mpeg\"/>\n"
                      "</item>\n",
                      i, i, i, i, days[i % 7], 1 + i % 28, i % 24, i % 60, (i * 7) % 60, i);
        feed += buf;
    }
    return feed + "</channel></rss>\n";
}

// The CPU seconds (user and kernel) this process has used so far. Under Wine this is the program's own time; the
// wineserver's share is not in it.
inline double CpuSeconds()
{
#ifdef _WIN32
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
#else
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
#endif
}

} // namespace skyloom::bench
