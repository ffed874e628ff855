// Drawing over GDI: fonts, pens, brushes, the canvas, and picture holders (icons and bitmaps).
#pragma once

#include "Classes.h"
#include "WinHandles.h"

#include <functional>
#include <memory>
#include <string>

namespace skyloom {

// The RGB value of a colour, resolving system colours.
COLORREF ColorToRGB(TColor color);
// Fills r of dc with one colour.
void FillSolidRect(HDC dc, const RECT& r, COLORREF color);

enum TFontStyleFlag : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

// What a font, a pen and a brush share: the GDI object, made on demand and dropped by every change that shapes it;
// changes raise OnChange (controls repaint).
template <typename H>
class TGraphicsObject : public TPersistent {
public:
    TNotifyEvent OnChange;

protected:
    void Changed()
    {
        FHandle.Reset();
        Fire(OnChange, this);
    }
    template <typename Field, typename Value>
    void SetField(Field& field, Value&& value)
    {
        if (UpdateField(field, std::forward<Value>(value)))
            Changed();
    }
    TOwnedGdi<H> FHandle;
};

// Font description; Handle() makes the GDI font on demand.
class TFont : public TGraphicsObject<HFONT> {
public:
    TFont();
    std::string Name() const { return FName; }
    void SetName(const std::string& value) { SetField(FName, value); }
    // Points at the screen's logical resolution; Height is in pixels (negative: character height).
    int Size() const;
    void SetSize(int points);
    int Height() const { return FHeight; }
    void SetHeight(int value) { SetField(FHeight, value); }
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles value) { SetField(FStyle, value); }
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    unsigned char Charset() const { return FCharset; }
    void SetCharset(unsigned char value) { SetField(FCharset, value); }
    HFONT Handle();
    void Assign(const TPersistent& source) override;

private:
    std::string FName = "MS Sans Serif";
    int FHeight = -11;
    TFontStyles FStyle = 0;
    TColor FColor = clWindowText;
    unsigned char FCharset = DEFAULT_CHARSET;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

class TPen : public TGraphicsObject<HPEN> {
public:
    TColor Color() const { return FColor; }
    void SetColor(TColor value) { SetField(FColor, value); }
    int Width() const { return FWidth; }
    void SetWidth(int value) { SetField(FWidth, value); }
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle value) { SetField(FStyle, value); }
    HPEN Handle();
    void Assign(const TPersistent& source) override;

private:
    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = psSolid;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBrush : public TGraphicsObject<HBRUSH> {
public:
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle value) { SetField(FStyle, value); }
    HBRUSH Handle();
    void Assign(const TPersistent& source) override;

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
};

class TGraphic;

// Drawing on a device context with the current pen, brush and font. The canvas does not own the context.
class TCanvas : public TPersistent {
public:
    TCanvas();
    ~TCanvas() override;
    HDC Handle() const { return FHandle; }
    // Attaches a device context (nullptr detaches); the previous context gets its original objects back.
    void SetHandle(HDC dc);
    bool HandleAllocated() const { return FHandle != nullptr; }
    TPen& Pen() { return FPen; }
    TBrush& Brush() { return FBrush; }
    TFont& Font() { return FFont; }

    void FillRect(const TRect& r);
    void FrameRect(const TRect& r);
    void Rectangle(const TRect& r);
    void Ellipse(const TRect& r);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void TextOut(int x, int y, const std::string& text);
    // Text clipped to r, starting at x, y.
    void TextRect(const TRect& r, int x, int y, const std::string& text);
    // The platform's DrawText with DT_ flags; returns the text height. With DT_CALCRECT r receives the extent.
    int DrawText(const std::string& text, TRect& r, unsigned flags);
    int DrawTextW(const std::wstring& text, TRect& r, unsigned flags);
    TPoint TextExtent(const std::string& text);
    int TextWidth(const std::string& text) { return TextExtent(text).X; }
    int TextHeight(const std::string& text) { return TextExtent(text).Y; }
    void Draw(int x, int y, TGraphic& graphic);
    void StretchDraw(const TRect& r, TGraphic& graphic);
    // Selects the current pen, brush and font into the context (done before every drawing call).
    void RequireObjects();

private:
    void Restore();
    HDC FHandle = nullptr;
    HGDIOBJ FOldPen = nullptr;
    HGDIOBJ FOldBrush = nullptr;
    HGDIOBJ FOldFont = nullptr;
    TPen FPen;
    TBrush FBrush;
    TFont FFont;
};

class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

// Base of the picture formats.
class TGraphic : public TPersistent {
public:
    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void Draw(TCanvas& canvas, const TRect& r) = 0;
    virtual std::unique_ptr<TGraphic> Clone() const = 0;
    bool Transparent = false;
    TNotifyEvent OnChange;

protected:
    void Changed() { Fire(OnChange, this); }
};

class TIcon : public TGraphic {
public:
    TIcon() = default;
    HICON Handle() const { return FHandle.Get(); }
    // Takes ownership of icon.
    void SetHandle(HICON icon);
    // Gives up the handle without destroying it.
    HICON ReleaseHandle();
    // From this program's resources (by name or number); false when missing.
    bool LoadFromResourceName(HINSTANCE instance, const std::string& name);
    bool LoadFromResourceID(HINSTANCE instance, int id);
    bool LoadFromFile(const std::string& fileName);
    bool Empty() const override { return !FHandle.Valid(); }
    int Width() const override;
    int Height() const override;
    void Draw(TCanvas& canvas, const TRect& r) override;
    std::unique_ptr<TGraphic> Clone() const override;
    void Assign(const TPersistent& source) override;

private:
    // Loads an icon of the default size with LoadImage; false when missing.
    bool LoadIconImage(HINSTANCE instance, const char* name, UINT flags);
    TOwnedIcon FHandle;
};

class TBitmap : public TGraphic {
public:
    TBitmap();
    ~TBitmap() override;
    HBITMAP Handle() const { return FHandle.Get(); }
    // Takes ownership of bitmap.
    void SetHandle(HBITMAP bitmap);
    // A 32-bit top-down device-independent bitmap of this size (contents cleared to white).
    void SetSize(int width, int height);
    bool LoadFromFile(const std::string& fileName);
    bool LoadFromResourceName(HINSTANCE instance, const std::string& name);
    // A canvas drawing into the bitmap.
    TCanvas& Canvas();
    bool Empty() const override { return !FHandle.Valid(); }
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    void Draw(TCanvas& canvas, const TRect& r) override;
    std::unique_ptr<TGraphic> Clone() const override;
    void Assign(const TPersistent& source) override;
    // Colour treated as transparent when Transparent is set (clDefault: the bottom-left pixel).
    TColor TransparentColor = clDefault;

private:
    void FreeCanvas();
    TOwnedGdi<HBITMAP> FHandle;
    int FWidth = 0;
    int FHeight = 0;
    TOwnedMemDC FDC;
    HGDIOBJ FOldBitmap = nullptr;
    std::unique_ptr<TCanvas> FCanvas;
};

// An enhanced metafile, drawn scaled into its rectangle.
class TMetafile : public TGraphic {
public:
    HENHMETAFILE Handle() const { return FHandle; }
    // Takes ownership of metafile.
    void SetHandle(HENHMETAFILE metafile);
    bool LoadFromFile(const std::string& fileName);
    bool Empty() const override { return FHandle == nullptr; }
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    void Draw(TCanvas& canvas, const TRect& r) override;
    std::unique_ptr<TGraphic> Clone() const override;
    void Assign(const TPersistent& source) override;
    ~TMetafile() override;

private:
    HENHMETAFILE FHandle = nullptr;
    int FWidth = 0;
    int FHeight = 0;
};

// Holds one graphic of any format.
class TPicture : public TPersistent {
public:
    // Makes an empty graphic of a registered kind for a file extension (with the dot, lower case).
    using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;
    // Graphic kinds outside the framework (JPEG pictures) register their extensions here; a loader that
    // fails raises or leaves the graphic empty.
    static void RegisterFileFormat(const std::string& extension, TGraphicFactory factory,
                                   std::function<bool(TGraphic&, const std::string&)> loader);
    // Loads a picture by its extension: .bmp, .ico, .emf and the registered ones. Raises EInvalidGraphic
    // "Unknown picture file extension (.x)" for others, and "Cannot load picture from %s" when loading fails.
    void LoadFromFile(const std::string& fileName);
    TGraphic* Graphic() const { return FGraphic.get(); }
    void SetGraphic(std::unique_ptr<TGraphic> graphic);
    // The graphic as an icon or bitmap, replacing any other format with an empty one of that kind.
    TIcon& Icon();
    TBitmap& Bitmap();
    int Width() const { return FGraphic ? FGraphic->Width() : 0; }
    int Height() const { return FGraphic ? FGraphic->Height() : 0; }
    void Assign(const TPersistent& source) override;
    TNotifyEvent OnChange;

private:
    void Changed() { Fire(OnChange, this); }
    std::unique_ptr<TGraphic> FGraphic;
};

} // namespace skyloom
