#pragma once

#include <QTimer>
#include <QWidget>
#include <string>
#include <string_view>

#include "widgets/Types.h"

// The arrow-style hint window: a small box with an arrow on a coloured panel beside the hint's
// text. Each form has one; the windows set its arrow background colour when they are activated.
namespace veloria::widgets {

class THintWindow : public QWidget {
  public:
    explicit THintWindow(QWidget* owner);

    void SetArrowBackgroundColor(TColor color);
    TColor ArrowBackgroundColor() const { return arrowColor_; }
    void SetColor(TColor color);
    TColor Color() const { return color_; }
    void SetFont(const TFont& font);
    // Drawn at its form's zoom, in percent.
    void SetZoom(int percent);

    // Shows the text below the given screen point.
    void ActivateHint(QPoint globalPos, std::string_view text);
    void ReleaseHint();
    bool Showing() const { return isVisible(); }
    const std::string& Text() const { return text_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    static constexpr int kArrowPanel = 18;
    TColor arrowColor_ = RGB(48, 144, 207);
    TColor color_ = clInfoBk;
    TFont font_;
    int zoom_ = 100;
    std::string text_;
    // How long a hint stays up, in milliseconds.
    static constexpr int kHidePause = 2500;
    QTimer hideTimer_;
};

}  // namespace veloria::widgets
