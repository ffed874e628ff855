// The picture control of the widget kit: scales its picture down (or, with Stretch, up) keeping its proportions,
// and places it by one of nine alignments.
#pragma once

#include "Controls.h"
#include "Graphics.h"
#include "slJPEGImage.h"
#include "slPropImageCore.h"

namespace skyloom {

class TslProportionalImage : public TGraphicControl {
public:
    explicit TslProportionalImage(TComponent* owner);
    ~TslProportionalImage() override;

    TPicture& Picture() { return FPicture; }
    bool Proportional() const { return FProportional; }
    void SetProportional(bool value);
    bool Stretch() const { return FStretch; }
    void SetStretch(bool value);
    bool FixedStretching() const { return FFixedStretching; }
    void SetFixedStretching(bool value);
    TslImageAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TslImageAlignment value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);
    bool IncrementalDisplay = false;
    const TJPEGProperties& JPEGProperties() const { return FJPEGProperties; }
    void SetJPEGProperties(const TJPEGProperties& value);
    TProgressEvent OnProgress;

    // Where the picture is drawn in the client area now.
    TRect DestRect();
    // The control is opaque only when it covers itself: an opaque picture stretched without proportions.
    bool Opaque() const { return FOpaque; }

protected:
    void Loaded() override;
    void Paint() override;

private:
    void PictureChanged();
    void Progress(int percent);
    TPicture FPicture;
    bool FProportional = true;
    bool FStretch = false;
    bool FFixedStretching = true;
    TslImageAlignment FAlignment = iaCenter;
    bool FAutoSize = false;
    bool FTransparent = false;
    TJPEGProperties FJPEGProperties;
    bool FDrawing = false;
    bool FOpaque = false;
};

} // namespace skyloom
