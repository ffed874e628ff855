#include "Graphics.h"

#include <algorithm>
#include <cstring>
#include <tuple>
#include <vector>

namespace skyloom {

COLORREF ColorToRGB(TColor color)
{
    if ((color & 0xFF000000u) == clSystemColor)
        return GetSysColor(static_cast<int>(color & 0xFF));
    if (color == clNone || color == clDefault)
        return RGB(255, 255, 255);
    return static_cast<COLORREF>(color & 0x00FFFFFFu);
}

void FillSolidRect(HDC dc, const RECT& r, COLORREF color)
{
    TOwnedGdi<HBRUSH> brush(CreateSolidBrush(color));
    FillRect(dc, &r, brush.Get());
}

namespace {

int ScreenPixelsPerInch()
{
    static int ppi = [] {
        TWindowDC dc(nullptr);
        int v = dc.Get() ? GetDeviceCaps(dc.Get(), LOGPIXELSY) : 96;
        return v > 0 ? v : 96;
    }();
    return ppi;
}

} // namespace

// ---- TFont ----

TFont::TFont() = default;

int TFont::Size() const
{
    int h = FHeight < 0 ? -FHeight : FHeight;
    return MulDiv(h, 72, ScreenPixelsPerInch());
}

void TFont::SetSize(int points) { SetHeight(-MulDiv(points, ScreenPixelsPerInch(), 72)); }

void TFont::SetColor(TColor value)
{
    if (UpdateField(FColor, value))
        Fire(OnChange, this);  // the handle does not depend on the colour
}

HFONT TFont::Handle()
{
    if (!FHandle) {
        LOGFONTA lf{};
        lf.lfHeight = FHeight;
        lf.lfWeight = (FStyle & fsBold) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = (FStyle & fsItalic) ? 1 : 0;
        lf.lfUnderline = (FStyle & fsUnderline) ? 1 : 0;
        lf.lfStrikeOut = (FStyle & fsStrikeOut) ? 1 : 0;
        lf.lfCharSet = FCharset;
        lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
        lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        lf.lfQuality = DEFAULT_QUALITY;
        lf.lfPitchAndFamily = DEFAULT_PITCH;
        std::strncpy(lf.lfFaceName, FName.c_str(), LF_FACESIZE - 1);
        FHandle.Reset(CreateFontIndirectA(&lf));
    }
    return FHandle.Get();
}

void TFont::Assign(const TPersistent& source)
{
    // A copy of the same description keeps the handle and raises nothing.
    auto* other = dynamic_cast<const TFont*>(&source);
    if (other && std::tie(FName, FHeight, FStyle, FColor, FCharset) ==
                     std::tie(other->FName, other->FHeight, other->FStyle, other->FColor, other->FCharset))
        return;
    if (AssignFields<TPersistent>(*this, source, &TFont::FName, &TFont::FHeight, &TFont::FStyle, &TFont::FColor,
                                  &TFont::FCharset))
        Changed();
}

// ---- TPen ----

HPEN TPen::Handle()
{
    if (!FHandle) {
        static const int styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
        FHandle.Reset(CreatePen(styles[FStyle], FWidth, ColorToRGB(FColor)));
    }
    return FHandle.Get();
}

void TPen::Assign(const TPersistent& source)
{
    if (AssignFields<TPersistent>(*this, source, &TPen::FColor, &TPen::FWidth, &TPen::FStyle))
        Changed();
}

// ---- TBrush ----

void TBrush::SetColor(TColor value)
{
    if (!UpdateField(FColor, value))
        return;
    if (FStyle == bsClear)
        FStyle = bsSolid;
    Changed();
}

HBRUSH TBrush::Handle()
{
    if (!FHandle) {
        if (FStyle == bsClear) {
            LOGBRUSH lb{BS_NULL, 0, 0};
            FHandle.Reset(CreateBrushIndirect(&lb));
        } else if (FStyle == bsSolid) {
            FHandle.Reset(CreateSolidBrush(ColorToRGB(FColor)));
        } else {
            static const int hatches[] = {0, 0, HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL, HS_BDIAGONAL, HS_CROSS,
                                          HS_DIAGCROSS};
            FHandle.Reset(CreateHatchBrush(hatches[FStyle], ColorToRGB(FColor)));
        }
    }
    return FHandle.Get();
}

void TBrush::Assign(const TPersistent& source)
{
    if (AssignFields<TPersistent>(*this, source, &TBrush::FColor, &TBrush::FStyle))
        Changed();
}

// ---- TCanvas ----

TCanvas::TCanvas() = default;

TCanvas::~TCanvas() { Restore(); }

void TCanvas::Restore()
{
    if (!FHandle)
        return;
    if (FOldPen)
        SelectObject(FHandle, FOldPen);
    if (FOldBrush)
        SelectObject(FHandle, FOldBrush);
    if (FOldFont)
        SelectObject(FHandle, FOldFont);
    FOldPen = FOldBrush = FOldFont = nullptr;
}

void TCanvas::SetHandle(HDC dc)
{
    if (FHandle == dc)
        return;
    Restore();
    FHandle = dc;
}

void TCanvas::RequireObjects()
{
    if (!FHandle)
        throw EInvalidOperation("Canvas does not allow drawing");
    HGDIOBJ old = SelectObject(FHandle, FPen.Handle());
    if (!FOldPen)
        FOldPen = old;
    old = SelectObject(FHandle, FBrush.Handle());
    if (!FOldBrush)
        FOldBrush = old;
    old = SelectObject(FHandle, FFont.Handle());
    if (!FOldFont)
        FOldFont = old;
    SetTextColor(FHandle, ColorToRGB(FFont.Color()));
    if (FBrush.Style() == bsClear) {
        SetBkMode(FHandle, TRANSPARENT);
    } else {
        SetBkMode(FHandle, OPAQUE);
        SetBkColor(FHandle, ColorToRGB(FBrush.Color()));
    }
}

void TCanvas::FillRect(const TRect& r)
{
    RequireObjects();
    RECT rc{r.Left, r.Top, r.Right, r.Bottom};
    ::FillRect(FHandle, &rc, FBrush.Handle());
}

void TCanvas::FrameRect(const TRect& r)
{
    RequireObjects();
    RECT rc{r.Left, r.Top, r.Right, r.Bottom};
    ::FrameRect(FHandle, &rc, FBrush.Handle());
}

void TCanvas::Rectangle(const TRect& r)
{
    RequireObjects();
    ::Rectangle(FHandle, r.Left, r.Top, r.Right, r.Bottom);
}

void TCanvas::Ellipse(const TRect& r)
{
    RequireObjects();
    ::Ellipse(FHandle, r.Left, r.Top, r.Right, r.Bottom);
}

void TCanvas::MoveTo(int x, int y)
{
    RequireObjects();
    MoveToEx(FHandle, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y)
{
    RequireObjects();
    ::LineTo(FHandle, x, y);
}

void TCanvas::TextOut(int x, int y, const std::string& text)
{
    RequireObjects();
    ::TextOutA(FHandle, x, y, text.data(), static_cast<int>(text.size()));
}

void TCanvas::TextRect(const TRect& r, int x, int y, const std::string& text)
{
    RequireObjects();
    RECT rc{r.Left, r.Top, r.Right, r.Bottom};
    UINT opts = ETO_CLIPPED | (FBrush.Style() != bsClear ? ETO_OPAQUE : 0);
    ExtTextOutA(FHandle, x, y, opts, &rc, text.data(), static_cast<UINT>(text.size()), nullptr);
}

namespace {

// The platform's DrawText, narrow or wide, over r; r receives the rectangle the call answers.
template <typename Text, typename Call>
int DrawTextIn(HDC dc, const Text& text, TRect& r, unsigned flags, Call call)
{
    RECT rc{r.Left, r.Top, r.Right, r.Bottom};
    int h = call(dc, text.data(), static_cast<int>(text.size()), &rc, flags);
    r = Rect(rc.left, rc.top, rc.right, rc.bottom);
    return h;
}

} // namespace

int TCanvas::DrawText(const std::string& text, TRect& r, unsigned flags)
{
    RequireObjects();
    return DrawTextIn(FHandle, text, r, flags, ::DrawTextA);
}

int TCanvas::DrawTextW(const std::wstring& text, TRect& r, unsigned flags)
{
    RequireObjects();
    return DrawTextIn(FHandle, text, r, flags, ::DrawTextW);
}

TPoint TCanvas::TextExtent(const std::string& text)
{
    RequireObjects();
    SIZE sz{0, 0};
    GetTextExtentPoint32A(FHandle, text.data(), static_cast<int>(text.size()), &sz);
    return TPoint{sz.cx, sz.cy};
}

void TCanvas::Draw(int x, int y, TGraphic& graphic)
{
    if (graphic.Empty())
        return;
    graphic.Draw(*this, Bounds(x, y, graphic.Width(), graphic.Height()));
}

void TCanvas::StretchDraw(const TRect& r, TGraphic& graphic)
{
    if (!graphic.Empty())
        graphic.Draw(*this, r);
}

// ---- TIcon ----

void TIcon::SetHandle(HICON icon)
{
    if (FHandle.Get() == icon)
        return;
    FHandle.Reset(icon);
    Changed();
}

HICON TIcon::ReleaseHandle() { return FHandle.Release(); }

bool TIcon::LoadIconImage(HINSTANCE instance, const char* name, UINT flags)
{
    HICON icon = static_cast<HICON>(LoadImageA(instance, name, IMAGE_ICON, 0, 0, flags | LR_DEFAULTSIZE));
    if (!icon)
        return false;
    SetHandle(icon);
    return true;
}

bool TIcon::LoadFromResourceName(HINSTANCE instance, const std::string& name)
{
    return LoadIconImage(instance, name.c_str(), 0);
}

bool TIcon::LoadFromResourceID(HINSTANCE instance, int id) { return LoadIconImage(instance, MAKEINTRESOURCEA(id), 0); }

bool TIcon::LoadFromFile(const std::string& fileName) { return LoadIconImage(nullptr, fileName.c_str(), LR_LOADFROMFILE); }

namespace {

// The size of an icon's image in pixels (a monochrome icon's mask holds two images, one above the other); the
// system's icon size when the icon cannot be read.
SIZE IconSize(HICON icon)
{
    ICONINFO ii{};
    if (!GetIconInfo(icon, &ii))
        return {GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)};
    TOwnedGdi<HBITMAP> color(ii.hbmColor), mask(ii.hbmMask);
    BITMAP bm{};
    GetObjectA(ii.hbmColor ? ii.hbmColor : ii.hbmMask, sizeof bm, &bm);
    return {bm.bmWidth, ii.hbmColor ? bm.bmHeight : bm.bmHeight / 2};
}

} // namespace

int TIcon::Width() const { return FHandle ? IconSize(FHandle.Get()).cx : 0; }

int TIcon::Height() const { return FHandle ? IconSize(FHandle.Get()).cy : 0; }

void TIcon::Draw(TCanvas& canvas, const TRect& r)
{
    if (!FHandle || !canvas.Handle())
        return;
    DrawIconEx(canvas.Handle(), r.Left, r.Top, FHandle.Get(), r.Width(), r.Height(), 0, nullptr, DI_NORMAL);
}

std::unique_ptr<TGraphic> TIcon::Clone() const
{
    auto copy = std::make_unique<TIcon>();
    if (FHandle)
        copy->FHandle.Reset(CopyIcon(FHandle.Get()));
    return copy;
}

void TIcon::Assign(const TPersistent& source)
{
    if (auto* other = dynamic_cast<const TIcon*>(&source)) {
        if (other == this)
            return;
        FHandle.Reset(other->FHandle ? CopyIcon(other->FHandle.Get()) : nullptr);
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

// ---- TBitmap ----

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() { FreeCanvas(); }

void TBitmap::FreeCanvas()
{
    if (FCanvas)
        FCanvas->SetHandle(nullptr);
    if (FDC && FOldBitmap)
        SelectObject(FDC.Get(), FOldBitmap);
    FOldBitmap = nullptr;
    FCanvas.reset();
    FDC.Reset();
}

void TBitmap::SetHandle(HBITMAP bitmap)
{
    FreeCanvas();
    FHandle.Reset(bitmap);
    FWidth = FHeight = 0;
    if (bitmap) {
        BITMAP bm{};
        GetObjectA(bitmap, sizeof bm, &bm);
        FWidth = bm.bmWidth;
        FHeight = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
    }
    Changed();
}

void TBitmap::SetSize(int width, int height)
{
    if (width <= 0 || height <= 0) {
        SetHandle(nullptr);
        return;
    }
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bmp)
        throw EOutOfResources("Out of system resources");
    std::memset(bits, 0xFF, static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    SetHandle(bmp);
}

bool TBitmap::LoadFromFile(const std::string& fileName)
{
    HBITMAP bmp = static_cast<HBITMAP>(LoadImageA(nullptr, fileName.c_str(), IMAGE_BITMAP, 0, 0,
                                                  LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (!bmp)
        return false;
    SetHandle(bmp);
    return true;
}

bool TBitmap::LoadFromResourceName(HINSTANCE instance, const std::string& name)
{
    HBITMAP bmp = static_cast<HBITMAP>(LoadImageA(instance, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bmp)
        return false;
    SetHandle(bmp);
    return true;
}

TCanvas& TBitmap::Canvas()
{
    if (!FCanvas) {
        FCanvas = std::make_unique<TCanvas>();
        FDC.Reset(CreateCompatibleDC(nullptr));
        if (FHandle)
            FOldBitmap = SelectObject(FDC.Get(), FHandle.Get());
        FCanvas->SetHandle(FDC.Get());
    }
    return *FCanvas;
}

void TBitmap::Draw(TCanvas& canvas, const TRect& r)
{
    if (!FHandle || !canvas.Handle())
        return;
    HDC src = FDC.Get();
    TOwnedMemDC temp;
    HGDIOBJ old = nullptr;
    if (!src) {
        temp.Reset(CreateCompatibleDC(canvas.Handle()));
        src = temp.Get();
        old = SelectObject(src, FHandle.Get());
    }
    SetStretchBltMode(canvas.Handle(), COLORONCOLOR);
    if (Transparent) {
        COLORREF key = TransparentColor == clDefault ? GetPixel(src, 0, FHeight - 1) : ColorToRGB(TransparentColor);
        // gdi32's own, which msimg32's TransparentBlt forwards to: one library less to load before a first paint.
        GdiTransparentBlt(canvas.Handle(), r.Left, r.Top, r.Width(), r.Height(), src, 0, 0, FWidth, FHeight, key);
    } else {
        StretchBlt(canvas.Handle(), r.Left, r.Top, r.Width(), r.Height(), src, 0, 0, FWidth, FHeight, SRCCOPY);
    }
    if (old)
        SelectObject(src, old);
}

std::unique_ptr<TGraphic> TBitmap::Clone() const
{
    auto copy = std::make_unique<TBitmap>();
    if (FHandle)
        copy->SetHandle(static_cast<HBITMAP>(CopyImage(FHandle.Get(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    copy->Transparent = Transparent;
    copy->TransparentColor = TransparentColor;
    return copy;
}

void TBitmap::Assign(const TPersistent& source)
{
    if (auto* other = dynamic_cast<const TBitmap*>(&source)) {
        if (other == this)
            return;
        SetHandle(other->FHandle
                      ? static_cast<HBITMAP>(CopyImage(other->FHandle.Get(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION))
                      : nullptr);
        Transparent = other->Transparent;
        TransparentColor = other->TransparentColor;
        return;
    }
    TGraphic::Assign(source);
}

// ---- TPicture ----

// ---- TMetafile ----

TMetafile::~TMetafile()
{
    if (FHandle)
        DeleteEnhMetaFile(FHandle);
}

void TMetafile::SetHandle(HENHMETAFILE metafile)
{
    if (FHandle && FHandle != metafile)
        DeleteEnhMetaFile(FHandle);
    FHandle = metafile;
    FWidth = FHeight = 0;
    if (FHandle) {
        ENHMETAHEADER header{};
        GetEnhMetaFileHeader(FHandle, sizeof header, &header);
        // The frame is in hundredths of a millimetre; pixels at the screen's resolution.
        const TWindowDC screen(nullptr);
        const int dpiX = GetDeviceCaps(screen.Get(), LOGPIXELSX), dpiY = GetDeviceCaps(screen.Get(), LOGPIXELSY);
        FWidth = MulDiv(header.rclFrame.right - header.rclFrame.left, dpiX, 2540);
        FHeight = MulDiv(header.rclFrame.bottom - header.rclFrame.top, dpiY, 2540);
        if (FWidth <= 0 || FHeight <= 0) {
            FWidth = header.rclBounds.right - header.rclBounds.left + 1;
            FHeight = header.rclBounds.bottom - header.rclBounds.top + 1;
        }
    }
    Changed();
}

bool TMetafile::LoadFromFile(const std::string& fileName)
{
    HENHMETAFILE metafile = GetEnhMetaFileA(fileName.c_str());
    if (!metafile)
        return false;
    SetHandle(metafile);
    return true;
}

void TMetafile::Draw(TCanvas& canvas, const TRect& r)
{
    if (!FHandle || !canvas.Handle())
        return;
    RECT rc{r.Left, r.Top, r.Right, r.Bottom};
    PlayEnhMetaFile(canvas.Handle(), FHandle, &rc);
}

std::unique_ptr<TGraphic> TMetafile::Clone() const
{
    auto copy = std::make_unique<TMetafile>();
    if (FHandle)
        copy->SetHandle(CopyEnhMetaFileA(FHandle, nullptr));
    return copy;
}

void TMetafile::Assign(const TPersistent& source)
{
    if (auto* other = dynamic_cast<const TMetafile*>(&source)) {
        SetHandle(other->FHandle ? CopyEnhMetaFileA(other->FHandle, nullptr) : nullptr);
        return;
    }
    TGraphic::Assign(source);
}

// ---- TPicture ----

namespace {

struct TFileFormat {
    std::string Extension;
    TPicture::TGraphicFactory Factory;
    std::function<bool(TGraphic&, const std::string&)> Loader;
};

std::vector<TFileFormat>& FileFormats()
{
    static std::vector<TFileFormat> formats;
    return formats;
}

} // namespace

void TPicture::RegisterFileFormat(const std::string& extension, TGraphicFactory factory,
                                  std::function<bool(TGraphic&, const std::string&)> loader)
{
    for (auto& f : FileFormats())
        if (f.Extension == extension) {
            f.Factory = std::move(factory);
            f.Loader = std::move(loader);
            return;
        }
    FileFormats().push_back({extension, std::move(factory), std::move(loader)});
}

void TPicture::LoadFromFile(const std::string& fileName)
{
    std::string ext = LowerCase(ExtractFileExt(fileName));
    std::unique_ptr<TGraphic> graphic;
    bool loaded = false;
    if (ext == ".bmp") {
        auto bitmap = std::make_unique<TBitmap>();
        loaded = bitmap->LoadFromFile(fileName);
        graphic = std::move(bitmap);
    } else if (ext == ".ico") {
        auto icon = std::make_unique<TIcon>();
        loaded = icon->LoadFromFile(fileName);
        graphic = std::move(icon);
    } else if (ext == ".emf") {
        auto metafile = std::make_unique<TMetafile>();
        loaded = metafile->LoadFromFile(fileName);
        graphic = std::move(metafile);
    } else {
        for (auto& f : FileFormats())
            if (f.Extension == ext) {
                graphic = f.Factory();
                loaded = f.Loader(*graphic, fileName);
                break;
            }
        if (!graphic)
            throw EInvalidGraphic(Format("Unknown picture file extension (%s)", {ext}));
    }
    if (!loaded)
        throw EInvalidGraphic(Format("Cannot load picture from %s", {fileName}));
    SetGraphic(std::move(graphic));
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic)
{
    FGraphic = std::move(graphic);
    if (FGraphic)
        FGraphic->OnChange = [this](TObject*) { Changed(); };
    Changed();
}

TIcon& TPicture::Icon()
{
    if (!dynamic_cast<TIcon*>(FGraphic.get()))
        SetGraphic(std::make_unique<TIcon>());
    return static_cast<TIcon&>(*FGraphic);
}

TBitmap& TPicture::Bitmap()
{
    if (!dynamic_cast<TBitmap*>(FGraphic.get()))
        SetGraphic(std::make_unique<TBitmap>());
    return static_cast<TBitmap&>(*FGraphic);
}

void TPicture::Assign(const TPersistent& source)
{
    if (auto* other = dynamic_cast<const TPicture*>(&source)) {
        if (other != this)
            SetGraphic(other->FGraphic ? other->FGraphic->Clone() : nullptr);
        return;
    }
    if (auto* graphic = dynamic_cast<const TGraphic*>(&source)) {
        SetGraphic(graphic->Clone());
        return;
    }
    TPersistent::Assign(source);
}

} // namespace skyloom
