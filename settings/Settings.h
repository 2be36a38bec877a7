#pragma once

#include "widgets/Buttons.h"
#include "widgets/Form.h"
#include "widgets/StdCtrls.h"

// The user's settings: how large the windows are drawn, the look, and whether the tip of the day
// greets the user at start. Each change shows at once and is kept in the user's store.
class TSettingsForm : public veloria::widgets::TForm {
  public:
    TSettingsForm();

    veloria::widgets::TLabel* ZoomCaption;
    veloria::widgets::TLabel* ZoomValue;
    veloria::widgets::TdxButton* SmallerButton;
    veloria::widgets::TdxButton* LargerButton;
    veloria::widgets::TdxButton* NormalButton;
    // Says when a window is drawn smaller than chosen, because the screen cannot hold it.
    veloria::widgets::TLabel* FitNote;
    veloria::widgets::TGroupBox* LookBox;
    veloria::widgets::TRadioButton* StandardLook;
    veloria::widgets::TRadioButton* HighContrastLook;
    veloria::widgets::TCheckBox* TipAtStart;
    veloria::widgets::TdxButton* CloseButton;

    void FormActivate();
    void ZoomBy(int direction);
    void NormalButtonClick();
    void LookClick();
    void TipAtStartClick();

    // The zoom chosen and the zoom the windows are drawn at, in words; also after a zoom by the
    // keys or the wheel while the window is open.
    void ShowZoom();
};

extern TSettingsForm* FSettings;

namespace veloria::settings {

// Puts the settings the user's store keeps into effect (zoom, look) and keeps every later change
// of zoom there; before the first window is made. Without a store the defaults stay.
void ApplyStoredSettings();
// Whether the tip of the day shows at start (the store's setting; yes without one).
bool TipAtStart();

}  // namespace veloria::settings
