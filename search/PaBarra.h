#pragma once

#include "search/Progress.h"
#include "widgets/Form.h"
#include "widgets/Gauge.h"
#include "widgets/Picture.h"

// The progress window: a borderless box with a gauge, shown while a search scans the volumes. It
// has no handlers of its own; the search shows it, moves its gauge and hides it again.
class TPBarra : public veloria::widgets::TForm, public veloria::search::Progress {
  public:
    TPBarra();

    veloria::widgets::TImage* Image1;
    veloria::widgets::TGauge* Gauge1;

    // What the search drives. The scan processes no window messages, so Repaint is the one full
    // paint the window gets; the gauge repaints itself when its percentage changes.
    void Show() override;
    void Repaint() override;
    void SetProgress(int value) override;
    void AddProgress(int delta) override;
    void Close() override;
};

extern TPBarra* PBarra;
