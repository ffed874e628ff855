// Parses and lays out arbitrary marked-up text with arbitrary options against a measurer with uneven widths.
#include "slRichText.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace skyloom;

namespace {

class TUnevenMeasurer : public TslTextMeasurer {
public:
    int TextWidth(std::string_view text, TslRichStyles style) override
    {
        int width = 0;
        for (char c : text)
            width += 1 + (static_cast<unsigned char>(c) % 9) + ((style & rsBold) ? 1 : 0);
        return width;
    }
    int LineHeight() override { return 13; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    TslMarkupOptions markup;
    markup.PlainText = data[0] & 1;
    markup.Accelerators = data[0] & 2;
    markup.TagOpen = (data[0] & 4) ? static_cast<char>(data[1]) : '[';
    markup.TagClose = (data[0] & 8) ? static_cast<char>(data[2]) : ']';
    TslRichLayoutOptions layout;
    layout.Width = data[3] * 2 - 40;  // negative widths too
    layout.MarginHorz = data[1] % 16;
    layout.MarginVert = data[2] % 16;
    layout.WordWrap = !(data[0] & 16);
    layout.Alignment = static_cast<TslRichAlignment>((data[0] >> 5) % 3);
    layout.ShowShadow = data[0] & 128;
    std::string_view text(reinterpret_cast<const char*>(data + 4), size - 4);
    TUnevenMeasurer measurer;
    TslRichLayout result = LayoutRichText(text, markup, layout, measurer, data[1] & 15);
    // Every character of the text that is not part of a tag lands on exactly one line.
    std::size_t drawn = 0;
    for (const auto& line : result.Lines)
        for (const auto& run : line.Runs)
            drawn += run.Text.size();
    if (drawn > text.size())
        __builtin_trap();
    if (result.Height < 0 || result.Lines.empty())
        __builtin_trap();
    std::string plain = RichPlainText(text, markup.TagOpen, markup.TagClose);
    if (plain.size() > text.size())
        __builtin_trap();
    return 0;
}
