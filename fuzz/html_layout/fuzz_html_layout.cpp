// Any byte string laid out at a few widths: the renderer must neither crash, hang nor place a line above the
// previous one.
#include "HtmlLayout.h"
#include "NewsHtml.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

class TMeasurer : public skyloom::html::IHtmlTextMeasurer {
public:
    skyloom::html::TFontMetrics Metrics(const skyloom::html::TFontSpec& f) override
    {
        return {f.Height - f.Height / 5, f.Height / 5};
    }
    int TextWidth(const skyloom::html::TFontSpec& f, std::u16string_view text) override
    {
        int w = 0;
        for (const char16_t c : text) {
            w += c == u'i' ? 0 : (f.Height / 2 + (c & 3));  // some zero-width characters too
        }
        return w;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    TMeasurer m;
    for (const int width : {0, 37, 465}) {
        skyloom::html::THtmlBodyStyle body;
        body.MarginLeft = width % 3 == 0 ? -1 : 3;
        const skyloom::html::THtmlLayout layout = skyloom::html::LayoutHtml(input, width, m, body);
        int y = 0;
        for (const auto& run : layout.Runs) {
            if (run.Y < y || run.Text.empty() || run.Height <= 0) {
                std::abort();
            }
            y = run.Y;
            if (run.Link >= static_cast<int>(layout.Links.size())) {
                std::abort();
            }
        }
        if (layout.Height < y) {
            std::abort();
        }
        (void)layout.Text();
        (void)layout.LinkAt(width / 2, y);
    }
    const std::string html = skyloom::NewsItemHTML(input, input);
    if (html.size() > 2 * size + 64) {
        std::abort();
    }
    return 0;
}
