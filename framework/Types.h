// Plain value types shared by every layer: colours, points, rectangles, date-times and window messages.
// Portable: no platform header is needed to use them.
#pragma once

#include <cstdint>

namespace skyloom {

// A colour as the platform stores it (0x00BBGGRR); values with the top byte 0xFF name a system colour
// (the low byte is the platform's colour index), resolved by ColorToRGB at drawing time.
using TColor = std::uint32_t;

constexpr TColor RGBColor(unsigned r, unsigned g, unsigned b)
{
    return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

constexpr TColor clSystemColor = 0xFF000000u;
constexpr TColor clBlack = RGBColor(0, 0, 0);
constexpr TColor clMaroon = RGBColor(128, 0, 0);
constexpr TColor clGreen = RGBColor(0, 128, 0);
constexpr TColor clOlive = RGBColor(128, 128, 0);
constexpr TColor clNavy = RGBColor(0, 0, 128);
constexpr TColor clPurple = RGBColor(128, 0, 128);
constexpr TColor clTeal = RGBColor(0, 128, 128);
constexpr TColor clGray = RGBColor(128, 128, 128);
constexpr TColor clSilver = RGBColor(192, 192, 192);
constexpr TColor clRed = RGBColor(255, 0, 0);
constexpr TColor clLime = RGBColor(0, 255, 0);
constexpr TColor clYellow = RGBColor(255, 255, 0);
constexpr TColor clBlue = RGBColor(0, 0, 255);
constexpr TColor clFuchsia = RGBColor(255, 0, 255);
constexpr TColor clAqua = RGBColor(0, 255, 255);
constexpr TColor clWhite = RGBColor(255, 255, 255);
// System colours (index as in the platform's GetSysColor).
constexpr TColor clScrollBar = clSystemColor | 0;
constexpr TColor clBackground = clSystemColor | 1;
constexpr TColor clActiveCaption = clSystemColor | 2;
constexpr TColor clInactiveCaption = clSystemColor | 3;
constexpr TColor clMenu = clSystemColor | 4;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowFrame = clSystemColor | 6;
constexpr TColor clMenuText = clSystemColor | 7;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clCaptionText = clSystemColor | 9;
constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clHighlightText = clSystemColor | 14;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clGrayText = clSystemColor | 17;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clBtnHighlight = clSystemColor | 20;
constexpr TColor cl3DDkShadow = clSystemColor | 21;
constexpr TColor cl3DLight = clSystemColor | 22;
constexpr TColor clInfoText = clSystemColor | 23;
constexpr TColor clInfoBk = clSystemColor | 24;
constexpr TColor clNone = 0x1FFFFFFFu;
constexpr TColor clDefault = 0x20000000u;

struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

inline TRect Rect(int left, int top, int right, int bottom) { return TRect{left, top, right, bottom}; }
inline TRect Bounds(int left, int top, int width, int height) { return TRect{left, top, left + width, top + height}; }

// Days since 30 December 1899; the fraction is the time of day.
using TDateTime = double;

// A window message with its answer, as handlers see it. Field widths match the platform's on both targets.
struct TMessage {
    std::uint32_t Msg = 0;
    std::uintptr_t WParam = 0;
    std::intptr_t LParam = 0;
    std::intptr_t Result = 0;
};

// Keyboard and mouse state passed to mouse events.
enum TShiftStateFlag : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64 };
using TShiftState = unsigned;
enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Answers of modal forms and message boxes.
using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;
constexpr TModalResult mrNoToAll = 9;
constexpr TModalResult mrYesToAll = 10;

} // namespace skyloom
