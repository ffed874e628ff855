#include "slPropImage.h"

#include <algorithm>

namespace skyloom {

TslProportionalImage::TslProportionalImage(TComponent* owner) : TGraphicControl(owner)
{
    RegisterJPEGFileFormat();
    SetInitialSize(105, 105);
    FPicture.OnChange = [this](TObject*) { PictureChanged(); };
}

TslProportionalImage::~TslProportionalImage()
{
    FPicture.OnChange = nullptr;
    if (auto* jpeg = dynamic_cast<TJPEGImage*>(FPicture.Graphic()))
        jpeg->OnProgress = nullptr;
}

void TslProportionalImage::SetProportional(bool value)
{
    if (FProportional == value)
        return;
    FProportional = value;
    PictureChanged();
}

void TslProportionalImage::SetStretch(bool value)
{
    if (FStretch == value)
        return;
    FStretch = value;
    PictureChanged();
}

void TslProportionalImage::SetFixedStretching(bool value)
{
    if (FFixedStretching == value)
        return;
    FFixedStretching = value;
    PictureChanged();
}

void TslProportionalImage::SetAlignment(TslImageAlignment value)
{
    if (FAlignment == value)
        return;
    FAlignment = value;
    PictureChanged();
}

void TslProportionalImage::SetAutoSize(bool value)
{
    if (FAutoSize == value)
        return;
    FAutoSize = value;
    PictureChanged();
}

void TslProportionalImage::SetTransparent(bool value)
{
    if (FTransparent == value)
        return;
    FTransparent = value;
    PictureChanged();
}

void TslProportionalImage::SetJPEGProperties(const TJPEGProperties& value)
{
    if (FJPEGProperties == value)
        return;
    FJPEGProperties = value;
    PictureChanged();
}

void TslProportionalImage::Loaded()
{
    TGraphicControl::Loaded();
    PictureChanged();
}

void TslProportionalImage::Progress(int percent)
{
    if (IncrementalDisplay && !FDrawing)
        Repaint();
    Fire(OnProgress, this, percent);
}

void TslProportionalImage::PictureChanged()
{
    // The picture asking to be repainted while it is being drawn is held back.
    if (FDrawing || Loading())
        return;
    TGraphic* graphic = FPicture.Graphic();
    if (graphic) {
        if (FAutoSize && graphic->Width() > 0 && graphic->Height() > 0)
            SetBounds(FLeft, FTop, graphic->Width(), graphic->Height());
        bool iconOrMetafile = dynamic_cast<TIcon*>(graphic) || dynamic_cast<TMetafile*>(graphic);
        if (!iconOrMetafile)
            graphic->Transparent = FTransparent;
        if (auto* jpeg = dynamic_cast<TJPEGImage*>(graphic)) {
            jpeg->OnProgress = [this](TObject*, int percent) { Progress(percent); };
            FDrawing = true;  // a new decoding reports through Progress, not as a change of the picture
            try {
                jpeg->SetProperties(FJPEGProperties);
            } catch (...) {
                FDrawing = false;
                throw;
            }
            FDrawing = false;
        }
    }
    FOpaque = graphic && !graphic->Transparent && FStretch && !FProportional;
    Invalidate();
}

TRect TslProportionalImage::DestRect()
{
    TGraphic* graphic = FPicture.Graphic();
    int w = graphic ? graphic->Width() : 0, h = graphic ? graphic->Height() : 0;
    return ProportionalImageRect(w, h, FWidth, FHeight, FProportional, FStretch, FAlignment);
}

void TslProportionalImage::Paint()
{
    TGraphic* graphic = FPicture.Graphic();
    if (!graphic || graphic->Empty())
        return;
    TRect r = DestRect();
    if (r.Width() <= 0 || r.Height() <= 0)
        return;
    FDrawing = true;
    try {
        TCanvas& canvas = Canvas();
        if (dynamic_cast<TIcon*>(graphic) || !FFixedStretching) {
            graphic->Draw(canvas, r);
        } else {
            // Scaled once into a bitmap, then copied unscaled. The bitmap holds only the part inside the control:
            // a picture shown at its own size in a smaller box would otherwise cost a bitmap of its full size at
            // every paint.
            const TRect v = Rect(std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, FWidth),
                                 std::min(r.Bottom, FHeight));
            if (v.Width() > 0 && v.Height() > 0) {
                TBitmap scaled;
                scaled.SetSize(v.Width(), v.Height());
                HDC dc = scaled.Canvas().Handle();
                BitBlt(dc, 0, 0, v.Width(), v.Height(), canvas.Handle(), v.Left, v.Top, SRCCOPY);
                graphic->Draw(scaled.Canvas(), Rect(r.Left - v.Left, r.Top - v.Top, r.Right - v.Left, r.Bottom - v.Top));
                BitBlt(canvas.Handle(), v.Left, v.Top, v.Width(), v.Height(), dc, 0, 0, SRCCOPY);
            }
        }
    } catch (...) {
        FDrawing = false;
        throw;
    }
    FDrawing = false;
}

} // namespace skyloom
