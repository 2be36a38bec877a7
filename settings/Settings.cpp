#include "settings/Settings.h"

#include <exception>
#include <string>

#include "study/Study.h"
#include "widgets/Application.h"
#include "widgets/HintWindow.h"
#include "widgets/Look.h"
#include "widgets/Make.h"
#include "widgets/WindowParts.h"
#include "widgets/Zoom.h"

using namespace veloria::widgets;
using veloria::study::Study;
using veloria::study::StudyStore;

TSettingsForm* FSettings = nullptr;

namespace {

const TFont kArial15{"Arial", 15};

// A setting the store cannot keep still applies for this run; the user learns it is not kept.
template <class Change>
void Keep(Change change) {
    StudyStore* study = Study();
    if (!study)
        return;
    try {
        change(*study);
    } catch (const std::exception& e) {
        Application().ShowException(e.what());
    }
}

const TLook& LookOf(veloria::study::Look look) {
    return look == veloria::study::Look::HighContrast ? kHighContrastLook : kStandardLook;
}

}  // namespace

TSettingsForm::TSettingsForm() : TForm("FSettings") {
    SetCaption("Settings");
    SetClientSize(400, 246);
    SetBorderStyle(bsDialog);
    SetBorderIcons({biSystemMenu});
    SetPosition(poScreenCenter);
    SetShowHint(true);
    SetFont(kArial15);
    OnActivate = [this] { FormActivate(); };

    ZoomCaption = Make<TLabel>(this, "ZoomCaption", 16, 16, 0, 0);
    ZoomCaption->SetCaption("Size of the windows:");
    ZoomValue = Make<TLabel>(this, "ZoomValue", 170, 16, 0, 0);
    SmallerButton =
        MakeFlatButton(this, {"SmallerButton", 16, 44, 110, 24, 0},
                       {"Sma&ller", "Ctrl+Minus in any window"}, [this] { ZoomBy(-1); });
    LargerButton = MakeFlatButton(this, {"LargerButton", 136, 44, 110, 24, 1},
                                  {"La&rger", "Ctrl+Plus in any window"}, [this] { ZoomBy(1); });
    NormalButton =
        MakeFlatButton(this, {"NormalButton", 256, 44, 128, 24, 2},
                       {"&Normal size", "Ctrl+0 in any window"}, [this] { NormalButtonClick(); });
    FitNote = Make<TLabel>(this, "FitNote", 16, 74, 368, 36);
    FitNote->SetAutoSize(false);
    FitNote->SetBounds(16, 74, 368, 36);
    FitNote->SetWordWrap(true);
    FitNote->SetFont({"Arial", 13});

    LookBox = Make<TGroupBox>(this, "LookBox", 16, 112, 368, 56);
    LookBox->SetCaption("Look");
    StandardLook = Make<TRadioButton>(LookBox, "StandardLook", 16, 24, 150, 20, 0);
    StandardLook->SetCaption("Stan&dard");
    HighContrastLook = Make<TRadioButton>(LookBox, "HighContrastLook", 180, 24, 170, 20, 1);
    HighContrastLook->SetCaption("&High contrast");
    StandardLook->OnClick = [this] { LookClick(); };
    HighContrastLook->OnClick = [this] { LookClick(); };

    TipAtStart = Make<TCheckBox>(this, "TipAtStart", 16, 178, 368, 20, 4);
    TipAtStart->SetCaption("Show the &tip of the day at start");
    TipAtStart->OnClick = [this] { TipAtStartClick(); };

    CloseButton = MakeCloseButton(this, {"CloseButton", 296, 212, 88, 24, 5}, [this] { Close(); });
}

void TSettingsForm::FormActivate() {
    SetColor(Look().searchDialog);
    HintWindow().SetArrowBackgroundColor(Look().fixedCells);
    const veloria::study::Settings s =
        Study() ? Study()->LoadSettings() : veloria::study::Settings{};
    const bool high =
        Look().focusFrame == kHighContrastLook.focusFrame && !Look().backgroundPictures;
    StandardLook->SetChecked(!high);
    HighContrastLook->SetChecked(high);
    TipAtStart->SetChecked(s.tipAtStart);
    ShowZoom();
    SmallerButton->SetFocus();
}

void TSettingsForm::ShowZoom() {
    const int chosen = ZoomPercent();
    ZoomValue->SetCaption(std::to_string(chosen) + " %");
    std::string note;
    // The windows that cannot show at the size chosen are drawn at the largest that fits.
    for (TForm* form : {Application().MainForm(), static_cast<TForm*>(this)}) {
        if (!form || form->ZoomInUse() >= chosen)
            continue;
        note = "This screen is too small for " + std::to_string(chosen) + " %: " +
               (form == this ? std::string("this window") : std::string("the main window")) +
               " is drawn at " + std::to_string(form->ZoomInUse()) + " %, the largest that fits.";
        break;
    }
    FitNote->SetCaption(note);
    FitNote->SetAccessibleName(note.empty() ? "Every window fits at this size" : note);
}

void TSettingsForm::ZoomBy(int direction) {
    SetZoomPercent(NextZoomStep(ZoomPercent(), direction));
    ShowZoom();
}

void TSettingsForm::NormalButtonClick() {
    SetZoomPercent(kZoomDefault);
    ShowZoom();
}

void TSettingsForm::LookClick() {
    const auto look = HighContrastLook->Checked() ? veloria::study::Look::HighContrast
                                                  : veloria::study::Look::Standard;
    SetLook(LookOf(look));
    SetColor(Look().searchDialog);
    Keep([look](StudyStore& study) { study.SetLook(look); });
}

void TSettingsForm::TipAtStartClick() {
    const bool show = TipAtStart->Checked();
    Keep([show](StudyStore& study) { study.SetTipAtStart(show); });
}

namespace veloria::settings {

void ApplyStoredSettings() {
    SetZoomChangedHook({});
    if (StudyStore* study = Study()) {
        const study::Settings s = study->LoadSettings();
        // The standard look is in use until a look is chosen.
        if (s.look != study::Look::Standard)
            SetLook(LookOf(s.look));
        SetZoomPercent(s.zoomPercent);
    }
    SetZoomChangedHook([](int percent) {
        Keep([percent](StudyStore& study) { study.SetZoomPercent(percent); });
        if (FSettings && FSettings->Visible())
            FSettings->ShowZoom();
    });
}

bool TipAtStart() {
    return Study() ? Study()->LoadSettings().tipAtStart : true;
}

}  // namespace veloria::settings
