#include "slSelfUpdaterWizardCore.h"

#include <algorithm>
#include <cmath>

namespace skyloom {

namespace {

// The designed places inside the "Current file" box.
constexpr int kBoxLeft = 136, kBoxTop = 34, kBoxWidth = 319, kBoxHeight = 125;
constexpr int kLocationCaptionTop = 14;
constexpr int kFileSizeTop = 44, kTransferRateTop = 60, kEstimatedTimeTop = 76, kProgressTop = 96;

std::u16string Widen(std::string_view ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

bool IsSpecChar(char16_t c)
{
    return c == u'-' || c == u'.' || (c >= u'0' && c <= u'9');
}

} // namespace

TslWizardFileBoxLayout WizardFileBoxLayout(bool hideFileLocation)
{
    TslWizardFileBoxLayout layout;
    if (!hideFileLocation) {
        layout.Box = Bounds(kBoxLeft, kBoxTop, kBoxWidth, kBoxHeight);
        layout.FileSizeTop = kFileSizeTop;
        layout.TransferRateTop = kTransferRateTop;
        layout.EstimatedTimeTop = kEstimatedTimeTop;
        layout.ProgressTop = kProgressTop;
        return layout;
    }
    // The lines move up into the place of the address caption; the box shrinks by what they gained.
    layout.ShowLocation = false;
    layout.Box = Bounds(kBoxLeft, kBoxTop + 10, kBoxWidth, kBoxHeight - 30);
    layout.FileSizeTop = kLocationCaptionTop;
    layout.TransferRateTop = layout.FileSizeTop + 16;
    layout.EstimatedTimeTop = layout.TransferRateTop + 16;
    layout.ProgressTop = layout.EstimatedTimeTop + 20;
    return layout;
}

std::u16string FormatSelfUpdaterText(std::u16string_view format, std::initializer_list<TFormatArg> numbers,
                                     std::u16string_view text)
{
    std::u16string out;
    out.reserve(format.size() + 16);
    auto next = numbers.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char16_t c = format[i];
        if (c != u'%' || i + 1 == format.size()) {
            out += c;
            continue;
        }
        if (format[i + 1] == u'%') {
            out += u'%';
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        while (end < format.size() && IsSpecChar(format[end]))
            ++end;
        if (end == format.size()) {  // no conversion letter: not a place holder
            out.append(format.substr(i));
            break;
        }
        const char16_t kind = format[end];
        if (kind == u's') {
            out.append(text);
        } else if (kind == u'd' || kind == u'u' || kind == u'x' || kind == u'f') {
            std::string spec;
            for (std::size_t k = i; k <= end; ++k)
                spec += static_cast<char>(format[k]);
            if (next != numbers.end())
                out += Widen(Format(spec, {*next++}));
        } else {
            out.append(format.substr(i, end - i + 1));
        }
        i = end;
    }
    return out;
}

std::u16string FileSizeText(std::u16string_view format, std::int64_t announcedLength)
{
    if (announcedLength < 0)
        return {};
    return FormatSelfUpdaterText(format, {static_cast<double>(announcedLength) / 1024.0});
}

std::u16string TransferRateText(std::u16string_view format, double kilobytesPerSecond)
{
    if (!(kilobytesPerSecond > 0) || std::isinf(kilobytesPerSecond))
        kilobytesPerSecond = 0;
    return FormatSelfUpdaterText(format, {kilobytesPerSecond});
}

std::u16string TimeLeftText(std::u16string_view format, std::int64_t secondsLeft)
{
    secondsLeft = std::max<std::int64_t>(secondsLeft, 0);
    return FormatSelfUpdaterText(format, {secondsLeft / 3600, secondsLeft % 3600 / 60, secondsLeft % 60});
}

std::u16string FileNumberText(std::u16string_view format, int number, int count)
{
    return FormatSelfUpdaterText(format, {number, count});
}

std::u16string CompletedNoteText(std::u16string_view format, std::u16string_view appTitle)
{
    return FormatSelfUpdaterText(format, {}, appTitle);
}

TslPasswordFieldPlace PasswordFieldPlace(int textLeft, int captionWidth, int fieldLeft, int fieldWidth)
{
    TslPasswordFieldPlace place{textLeft, fieldLeft, fieldWidth};
    const int needed = textLeft + std::max(captionWidth, 0) + PasswordCaptionGap;
    if (needed > fieldLeft) {
        const int right = fieldLeft + fieldWidth;
        place.FieldLeft = needed;
        place.FieldWidth = std::max(right - needed, MinPasswordFieldWidth);
    }
    return place;
}

int PasswordClientHeight(int textTop, int textHeight, int iconBottom, int panelHeight)
{
    return std::max(textTop + std::max(textHeight, 0), iconBottom) + panelHeight;
}

} // namespace skyloom
