// The message box: marked-up text with an icon, an optional picture, a check box that stores the answer in the
// registry, and one of five button sets.
#pragma once

#include "Forms.h"
#include "StdCtrls.h"
#include "slButtonsPanel.h"
#include "slClasses_win.h"
#include "slInfoBoxCore.h"
#include "slPropImage.h"
#include "slRichLabel.h"

#include <functional>
#include <string>

namespace skyloom {

class TslFormHelp;

// The box's window; it exists while Execute shows it.
class TslInfoBoxForm : public TForm {
public:
    explicit TslInfoBoxForm(TComponent* owner);
    TslProportionalImage* Icon;
    TslRichLabel* Text;
    TslProportionalImage* Picture;
    TCheckBox* CheckBox;
    TslButtonsPanel* btns;
    TslFormHelp* FH;
};

class TslInfoBox : public TslComponent {
public:
    explicit TslInfoBox(TComponent* owner);
    ~TslInfoBox() override;

    TslInfoBoxButtonCaptions ButtonCaptions;
    std::string CheckBoxCaption = "Don't show me this message again";
    bool EscCancel = true;
    TFont& Font() { return FFont; }
    TslInfoBoxButtons InfoBoxButtons = ibOK;
    // A custom icon; setting one makes IconKind ikCustom.
    TPicture& Icon() { return FIcon; }
    std::string IconResID() const { return FIconResID; }
    void SetIconResID(const std::string& value);
    TslWinIconKind IconKind() const { return FIconKind; }
    void SetIconKind(TslWinIconKind value);
    TPicture& Picture() { return FPicture; }
    int PictureResID = 0;
    TPosition Position = poScreenCenter;
    std::string RegKey() const { return FRegKey; }
    void SetRegKey(const std::string& value);
    std::string RegValue = "Dlg1";
    TslRegLocation RegLocation = rlCurrentUser;
    bool ShowCheckBox = true;
    bool ShowHelpButton = true;
    TslSystemSoundType Sound = stNoSound;
    std::string Text;
    TslTextStyle& TextStyle() { return FTextStyle; }
    std::string Title;

    // Shows the box and returns the button's modal result (1 OK, 2 Cancel, 3 Abort, 4 Retry, 6 Yes, 7 No).
    // With consultStoredAnswer, a stored answer (or another box being shown) is returned without showing.
    int Execute(bool consultStoredAnswer);
    // The answer stored for this box, 0 when none.
    int StoredAnswer();

    // While a box is shown: its window (for tests and the test query), else nullptr.
    static TslInfoBoxForm* ShowingForm();
    // Called with the window once it is laid out, before it is shown (tests answer the box from here).
    static std::function<void(TslInfoBoxForm* form)> OnBoxCreated;

private:
    void ChooseIcon(TslInfoBoxForm& form);
    void StoreAnswer(int answer);
    TFont FFont;
    TPicture FIcon;
    std::string FIconResID;
    TslWinIconKind FIconKind = ikInformation;
    TPicture FPicture;
    std::string FRegKey = "Software\\CompanyName\\ProgramName\\InfoBox";
    TslTextStyle FTextStyle;
};

// The message function of the self-upgrade subsystem: flags are message-box style bits (icon and buttons);
// LocalizedButtons takes the OK, Cancel, Yes and No captions from InfoBoxLocalizedCaptions; Silent plays no sound.
int ShowInfoBox(const std::string& text, const std::string& title, unsigned flags, bool localizedButtons,
                bool silent);
// Supplies the localized captions: by default strings 16, 17, 14 and 15 of the self-upgrade language block in
// use; unset, the defaults stay.
extern std::function<void(TslInfoBoxButtonCaptions& captions)> InfoBoxLocalizedCaptions;

} // namespace skyloom
