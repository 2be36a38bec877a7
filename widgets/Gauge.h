#pragma once

#include <QWidget>

#include "widgets/Control.h"

// The progress gauge. Progress stays within MinValue..MaxValue; the shown percentage is
// trunc((progress - min) * 100 / (max - min)), 0 when max equals min. The bar is drawn inside a
// one-pixel border from the left, covering that share of the inner width in whole pixels (nothing
// at 0 %). Setting the progress repaints at once, but only when the percentage changes. The
// gauge paints off-screen first and copies the picture in one step.
namespace veloria::widgets {

class TGauge : public ControlHost<QWidget> {
  public:
    explicit TGauge(QWidget* parent);

    int MinValue() const { return min_; }
    int MaxValue() const { return max_; }
    int Progress() const { return progress_; }
    void SetMinValue(int value);
    void SetMaxValue(int value);
    void SetProgress(int value);
    void AddProgress(int value) { SetProgress(progress_ + value); }
    int PercentDone() const;

    void SetForeColor(TColor color);
    void SetBackColor(TColor color);
    void SetShowText(bool show);
    void SetBorderStyle(TBorderStyle style);

    // Width in pixels of the bar as drawn now.
    int BarWidth() const;
    // Paints so far (for tests).
    int PaintCount() const { return paints_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void Changed(int oldPercent);

    int min_ = 0;
    int max_ = 100;
    int progress_ = 0;
    TColor fore_ = clBlack;
    TColor back_ = clWhite;
    bool showText_ = true;
    bool border_ = true;
    int paints_ = 0;
};

}  // namespace veloria::widgets
