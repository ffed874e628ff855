// How the pane's renderer spends its time on news items: reading (tokenizing) alone, the whole layout, and the
// layout of the same text with its markup stripped, relative to one plain pass over the bytes measured in the
// same run. Prints the figures and the ratios; there are no targets here to pass or fail.
#include "HtmlLayout.h"
#include "NewsHtml.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace skyloom;

class TMeasurer : public html::IHtmlTextMeasurer {
public:
    html::TFontMetrics Metrics(const html::TFontSpec& f) override { return {f.Height - f.Height / 5, f.Height / 5}; }
    int TextWidth(const html::TFontSpec& f, std::u16string_view text) override
    {
        return static_cast<int>(text.size()) * (f.Height / 2);
    }
};

std::vector<std::string> Items()
{
    std::vector<std::string> out;
    const std::string desc =
        "Owners of caf\xE9s along the river front say the council\x92s decision to allow terraces until November "
        "will save jobs.&lt;br /&gt;<b>It\x92s a lifeline,</b> said one owner. <a href=\"http://x/1\">More</a> "
        "<ul><li>Season tickets: +2.1%</li><li>Off-peak returns: frozen</li></ul><blockquote>We believed until the "
        "last second.</blockquote><font face=\"Verdana\" size=\"-1\" color=\"#800000\">Small print &amp; notes</font>";
    for (int i = 0; i < 30; ++i) {
        out.push_back(NewsItemHTML(desc + std::to_string(i), "http://127.0.0.1/news/" + std::to_string(i)));
    }
    return out;
}

std::string Stripped(const std::string& html)
{
    std::string out;
    bool tag = false;
    for (const char c : html) {
        if (c == '<') {
            tag = true;
        } else if (c == '>') {
            tag = false;
        } else if (!tag) {
            out.push_back(c);
        }
    }
    return out;
}

template <typename F>
double NsPerItem(const std::vector<std::string>& items, int rounds, F&& f)
{
    const auto start = std::chrono::steady_clock::now();
    for (int r = 0; r < rounds; ++r) {
        for (const std::string& item : items) {
            f(item);
        }
    }
    const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
    return took.count() / (static_cast<double>(rounds) * static_cast<double>(items.size()));
}

} // namespace

int main()
{
    const std::vector<std::string> items = Items();
    std::vector<std::string> plain;
    for (const std::string& item : items) {
        plain.push_back(Stripped(item));
    }
    TMeasurer m;
    volatile std::size_t sink = 0;
    const int rounds = 2000;
    const double pass = NsPerItem(items, rounds, [&](const std::string& s) {
        std::size_t n = 0;
        for (const char c : s) {
            n += c == '<';
        }
        sink = sink + n;
    });
    const double tokenize = NsPerItem(items, rounds, [&](const std::string& s) { sink = sink + html::TokenizeHtml(s).size(); });
    const double layout = NsPerItem(items, rounds, [&](const std::string& s) {
        sink = sink + html::LayoutHtml(s, 465, m).Runs.size();
    });
    const double layoutPlain = NsPerItem(plain, rounds, [&](const std::string& s) {
        sink = sink + html::LayoutHtml(s, 465, m).Runs.size();
    });
    std::printf("news item of %zu bytes, %d rounds of %zu items\n", items.front().size(), rounds, items.size());
    std::printf("%-28s %10.0f ns/item  x%.1f\n", "one pass over the bytes", pass, 1.0);
    std::printf("%-28s %10.0f ns/item  x%.1f\n", "tokenize", tokenize, tokenize / pass);
    std::printf("%-28s %10.0f ns/item  x%.1f\n", "layout (markup)", layout, layout / pass);
    std::printf("%-28s %10.0f ns/item  x%.1f\n", "layout (same text, no tags)", layoutPlain, layoutPlain / pass);
    std::printf("layout with markup / without: %.2f\n", layout / layoutPlain);
    return sink == 0 ? 1 : 0;
}
