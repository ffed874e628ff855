#include "slInfoBox.h"

#include "Clipbrd.h"
#include "Registry.h"
#include "slFormHelp.h"
#include "slSelfUpdaterStrings_win.h"

#include <mmsystem.h>

#include <algorithm>
#include <cctype>

namespace skyloom {

namespace {

// The self-upgrade's language block in use names the buttons.
void SelfUpdaterButtonCaptions(TslInfoBoxButtonCaptions& captions)
{
    captions.OK = SelfUpdaterCaption(sutOK);
    captions.Cancel = SelfUpdaterCaption(sutCancel);
    captions.Yes = SelfUpdaterCaption(sutYes);
    captions.No = SelfUpdaterCaption(sutNo);
}

} // namespace

std::function<void(TslInfoBoxButtonCaptions& captions)> InfoBoxLocalizedCaptions = SelfUpdaterButtonCaptions;
std::function<void(TslInfoBoxForm* form)> TslInfoBox::OnBoxCreated;

namespace {

const char kDefaultRegKey[] = "Software\\CompanyName\\ProgramName\\InfoBox";

// One box is tracked at a time; a box opened while another shows keeps the outer one's state to restore.
bool GBoxShowing = false;
TslInfoBoxForm* GBoxForm = nullptr;

bool IsNumber(const std::string& s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), IsDigit);
}

HKEY RootOf(TslRegLocation location) { return location == rlLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

} // namespace

// ---- TslInfoBoxForm ----

TslInfoBoxForm::TslInfoBoxForm(TComponent* owner) : TForm(owner)
{
    SetWindowClassName("TslInfoBoxForm");
    SetBorderStyle(bsDialog);
    SetBorderIcons(biSystemMenu);
    KeyPreview = true;
    SetClientSize(363, 120);
    Icon = NewChild<TslProportionalImage>(this, "Icon", this, 12, 12, 32, 32);
    Icon->SetAutoSize(true);
    Icon->SetTransparent(true);
    Text = NewChild<TslRichLabel>(this, "Text", this, 52, 12, 299, 13);
    Text->SetTransparent(true);
    Picture = NewComponent<TslProportionalImage>(this, "Picture");
    Picture->SetParent(this);
    Picture->SetVisible(false);
    Picture->SetAutoSize(true);
    CheckBox = NewChild<TCheckBox>(this, "CheckBox", this, 52, 60, 280, 17);
    CheckBox->Hint = "|Check this box if you don't want this message appear in future.";
    btns = NewComponent<TslButtonsPanel>(this, "btns");
    btns->SetButtonsAlignment(taCenter);
    btns->SetMarginVert(7);
    btns->BtnApply().SetVisible(false);
    btns->SetParent(this);
    FH = NewComponent<TslFormHelp>(this, "FH");
    FH->CaptionButton().Visible = false;
    FH->SystemMenu().ApplyToMenu = false;
    FH->SystemMenu().Position = 7;
    FH->WhatsThis().Caption = "&What's This?";
    // The box's built-in picture until Execute chooses one.
    Icon->Picture().Icon().SetHandle(CopyIcon(LoadIconA(nullptr, MAKEINTRESOURCEA(32516))));
    FinishLoading();
}

// ---- TslInfoBox ----

TslInfoBox::TslInfoBox(TComponent* owner) : TslComponent(owner)
{
    FIcon.OnChange = [this](TObject*) {
        if (FIcon.Graphic() && !FIcon.Graphic()->Empty())
            FIconKind = ikCustom;
    };
}

TslInfoBox::~TslInfoBox() { FIcon.OnChange = nullptr; }

void TslInfoBox::SetIconResID(const std::string& value)
{
    FIconResID = value;
    if (!value.empty())
        FIconKind = ikCustom;
}

void TslInfoBox::SetIconKind(TslWinIconKind value)
{
    FIconKind = value;
    if (value != ikCustom)
        FIconResID = IconResIDOfKind(value);
}

void TslInfoBox::SetRegKey(const std::string& value)
{
    std::string key = value;
    while (!key.empty() && key.back() == '\\')
        key.pop_back();
    FRegKey = key;
}

TslInfoBoxForm* TslInfoBox::ShowingForm() { return GBoxShowing ? GBoxForm : nullptr; }

int TslInfoBox::StoredAnswer()
{
    if (FRegKey.empty())
        FRegKey = kDefaultRegKey;
    if (Designing())
        return 0;
    try {
        TRegistry registry(KEY_READ);
        registry.SetRootKey(RootOf(RegLocation));
        if (registry.OpenKeyReadOnly(FRegKey) && registry.ValueExists(RegValue))
            return registry.ReadInteger(RegValue);
    } catch (const std::exception&) {
        // An unreadable value counts as no stored answer.
    }
    return 0;
}

void TslInfoBox::StoreAnswer(int answer)
{
    if (Designing())
        return;
    try {
        TRegistry registry(KEY_WRITE);
        registry.SetRootKey(RootOf(RegLocation));
        if (registry.OpenKey(FRegKey, true))
            registry.WriteInteger(RegValue, answer);
    } catch (const std::exception&) {
        // A key the user may not write (no rights under the local machine): the answer is simply not kept.
    }
}

void TslInfoBox::ChooseIcon(TslInfoBoxForm& form)
{
    TPicture& target = form.Icon->Picture();
    if (FIconKind == ikCustom && FIcon.Graphic() && !FIcon.Graphic()->Empty()) {
        target.Assign(FIcon);
        return;
    }
    int bits = 0;
    {
        const TWindowDC screen(nullptr);
        bits = GetDeviceCaps(screen.Get(), BITSPIXEL) * GetDeviceCaps(screen.Get(), PLANES);
    }
    HINSTANCE module = GetModuleHandleA(nullptr);
    if (bits < 16) {
        target.Icon().SetHandle(CopyIcon(LoadIconA(nullptr, MAKEINTRESOURCEA(32516))));
        return;
    }
    if (!FIconResID.empty()) {
        std::string name = IsNumber(FIconResID) ? "#" + FIconResID : FIconResID;
        TIcon icon;
        if (icon.LoadFromResourceName(module, name)) {
            target.Icon().Assign(icon);
            return;
        }
        TBitmap bitmap;
        if (bitmap.LoadFromResourceName(module, name)) {
            target.Bitmap().Assign(bitmap);
            return;
        }
        // A number too large for any resource finds no system icon either.
        int number = 0;
        HICON system = !IsNumber(FIconResID) ? LoadIconA(nullptr, FIconResID.c_str())
                       : TryDigitsToInt(FIconResID, number) ? LoadIconA(nullptr, MAKEINTRESOURCEA(number & 0xFFFF))
                                                            : nullptr;
        if (system)
            target.Icon().SetHandle(CopyIcon(system));
        return;  // nothing found: the built-in picture stays
    }
    target.Icon().SetHandle(CopyIcon(LoadIconA(nullptr, MAKEINTRESOURCEA(32516))));
}

int TslInfoBox::Execute(bool consultStoredAnswer)
{
    int stored = StoredAnswer();
    if (consultStoredAnswer && (GBoxShowing || stored != 0))
        return stored;

    const bool outerShowing = GBoxShowing;
    TslInfoBoxForm* const outerForm = GBoxForm;
    auto* form = new TslInfoBoxForm(&Application);
    struct TRestore {
        TslInfoBoxForm* Form;
        bool Showing;
        TslInfoBoxForm* Outer;
        ~TRestore()
        {
            delete Form;
            GBoxShowing = Showing;
            GBoxForm = Outer;
        }
    } restore{form, outerShowing, outerForm};
    GBoxShowing = true;
    GBoxForm = form;

    if (ShowHelpButton)
        form->SetBorderIcons(biSystemMenu | biHelp);
    form->Font().Assign(FFont);
    form->SetCaption(Title.empty() ? Application.Title() : Title);

    ChooseIcon(*form);

    TslRichLabel* label = form->Text;
    label->TextStyle().Assign(FTextStyle);
    label->SetWidth(299);
    label->SetCaption(Text);
    TslRichLayout measured = label->Measure();

    TslInfoBoxLayoutInput in;
    in.IconLeft = form->Icon->Left();
    in.IconTop = form->Icon->Top();
    in.IconWidth = form->Icon->Width();
    in.IconHeight = form->Icon->Height();
    in.TextTop = label->Top();
    in.TextWidth = measured.Width;
    in.TextHeight = measured.Height;
    in.ShowCheckBox = ShowCheckBox;
    in.CheckBoxHeight = form->CheckBox->Height();
    in.PanelHeight = form->btns->Height();
    bool hasPicture = (FPicture.Graphic() && !FPicture.Graphic()->Empty()) || PictureResID != 0;
    if (hasPicture) {
        if (FPicture.Graphic() && !FPicture.Graphic()->Empty())
            form->Picture->Picture().Assign(FPicture);
        else {
            TBitmap bitmap;
            if (bitmap.LoadFromResourceName(GetModuleHandleA(nullptr), "#" + std::to_string(PictureResID)))
                form->Picture->Picture().Bitmap().Assign(bitmap);
        }
        hasPicture = form->Picture->Picture().Width() > 0;
    }
    in.HasPicture = hasPicture;
    in.PictureWidth = form->Picture->Picture().Width();
    in.PictureHeight = form->Picture->Picture().Height();
    TslInfoBoxLayout layout = LayoutInfoBox(in);

    label->SetBounds(layout.TextLeft, label->Top(), layout.TextWidth, measured.Height);
    form->Icon->SetTop(layout.IconTop);
    form->CheckBox->SetVisible(ShowCheckBox);
    if (ShowCheckBox) {
        form->CheckBox->SetCaption(CheckBoxCaption);
        form->CheckBox->SetBounds(layout.CheckBox.Left, layout.CheckBox.Top, layout.CheckBox.Width(),
                                  layout.CheckBox.Height());
        form->CheckBox->SetChecked(stored != 0);
    }
    if (hasPicture) {
        form->Picture->SetBounds(layout.Picture.Left, layout.Picture.Top, layout.Picture.Width(),
                                 layout.Picture.Height());
        form->Picture->SetVisible(true);
    }
    form->SetClientSize(layout.ClientWidth, layout.ClientHeight);

    // The buttons: the panel's OK, Cancel and custom places take the set's results and captions.
    TslInfoBoxButtonSet set = InfoBoxButtonSet(InfoBoxButtons, EscCancel);
    TslPanelBitBtn* places[3] = {&form->btns->BtnOK(), &form->btns->BtnCancel(), &form->btns->BtnCustom()};
    form->btns->SetButtonSpacing(static_cast<std::uint8_t>(set.Spacing));
    for (int i = 0; i < 3; ++i) {
        TslPanelBitBtn& b = *places[i];
        b.SetVisible(set.Results[i] != 0);
        b.SetModalResult(set.Results[i]);
        b.SetCaption(ButtonCaptions.CaptionOf(set.Results[i]));
        b.Button()->Cancel = i == set.EscapePlace;
    }
    form->btns->Relayout();

    form->OnKeyDown = [form, label](TObject*, unsigned short& key, TShiftState shift) {
        if ((shift & ssCtrl) && (key == 'C' || key == VK_INSERT)) {
            Clipboard().SetAsText(label->PlainText());
            key = 0;
        }
    };
    const bool escCancel = EscCancel;
    const TslSystemSoundType sound = Sound;
    form->OnShow = [form, escCancel, sound](TObject*) {
        if (!escCancel)
            EnableMenuItem(GetSystemMenu(form->Handle(), FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
        SetForegroundWindow(form->Handle());
        const char* alias = SystemSoundAlias(sound);
        if (*alias)
            PlaySoundA(alias, nullptr, SND_ALIAS | SND_ASYNC | SND_NODEFAULT);
    };
    form->SetPosition(Position);
    if (OnBoxCreated)
        OnBoxCreated(form);
    int result = form->ShowModal();
    if (result != idInfoCancel && ShowCheckBox && form->CheckBox->Checked())
        StoreAnswer(result);
    return result;
}

int ShowInfoBox(const std::string& text, const std::string& title, unsigned flags, bool localizedButtons,
                bool silent)
{
    TslInfoBox box(nullptr);
    TslInfoBoxFlagMapping m = MapInfoBoxFlags(flags, silent);
    box.Sound = m.Sound;
    if (localizedButtons && InfoBoxLocalizedCaptions)
        InfoBoxLocalizedCaptions(box.ButtonCaptions);
    box.InfoBoxButtons = m.Buttons;
    box.Text = text;
    box.Title = title;
    box.ShowCheckBox = false;
    box.ShowHelpButton = false;
    box.Position = poScreenCenter;
    if (!m.IconResID.empty())
        box.SetIconResID(m.IconResID);
    return box.Execute(false);
}

} // namespace skyloom
