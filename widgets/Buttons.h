#pragma once

#include <QCheckBox>
#include <QImage>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>
#include <string>
#include <string_view>

#include "widgets/Control.h"
#include "widgets/Picture.h"

// Push buttons, flat buttons with pictures, check boxes and radio buttons.
namespace veloria::widgets {

// What every button has: a caption with an access key, the cancel flag (Escape), a modal result
// that ends its form's modal showing, and Click().
class ButtonBehaviour {
  public:
    void SetCancel(bool cancel) { cancel_ = cancel; }
    bool Cancel() const { return cancel_; }
    void SetModalResult(int result) { modalResult_ = result; }
    int ModalResult() const { return modalResult_; }

  protected:
    // A press of the button: its modal result ends its form's modal showing, then OnClick runs.
    void Press(TControl& button) const;

    bool cancel_ = false;
    int modalResult_ = mrNone;
};

// The flat push button: a picture (glyph) and a caption, flat until the mouse is over it. It takes
// the focus on a mouse press, clicks on Enter and Space while focused, and clicks at once on its
// access key without taking the focus.
class TdxButton : public ControlHost<QWidget>, public ButtonBehaviour {
  public:
    explicit TdxButton(QWidget* parent);

    void SetCaption(std::string_view caption);
    const std::string& Caption() const { return caption_; }
    void SetGlyph(const TPicture& glyph);
    const TPicture& Glyph() const { return glyph_; }
    // Clicks as the program presses it: the modal result, then OnClick. Works on any button,
    // also a disabled or hidden one.
    void Click();

    char AccessKey() const override { return AccessKeyOf(caption_); }
    bool Hovered() const { return hovered_; }
    bool Down() const { return down_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    QSize sizeHint() const override;

    void AccessKeyAction() override;
    bool WantsArrows() const override { return false; }
    bool ClicksOnEnter() const override { return true; }
    void KeyboardClick() override;
    bool IsCancelButton() const override { return cancel_; }
    void ApplyColor(TColor color) override;

  private:
    std::string caption_;
    TPicture glyph_;
    TPicture glyphShown_;
    TPicture glyphDisabled_;
    bool hovered_ = false;
    bool down_ = false;
    bool pressed_ = false;
    bool spaceDown_ = false;
};

// The standard push button. One that lies outside the visible client area still answers its
// access key (at once, without taking the focus); a hidden one answers nothing.
class TButton : public ControlHost<QPushButton>, public ButtonBehaviour {
  public:
    explicit TButton(QWidget* parent);

    void SetCaption(std::string_view caption);
    const std::string& Caption() const { return caption_; }
    void Click();

    char AccessKey() const override { return AccessKeyOf(caption_); }

  protected:
    void AccessKeyAction() override;
    bool WantsArrows() const override { return false; }
    bool ClicksOnEnter() const override { return true; }
    void KeyboardClick() override;
    bool IsCancelButton() const override { return cancel_; }

  private:
    std::string caption_;
};

class TCheckBox : public ControlHost<QCheckBox> {
  public:
    explicit TCheckBox(QWidget* parent);

    void SetCaption(std::string_view caption);
    const std::string& Caption() const { return caption_; }
    bool Checked() const { return isChecked(); }
    // A change runs OnClick, as a click does.
    void SetChecked(bool checked);

    char AccessKey() const override { return AccessKeyOf(caption_); }

  protected:
    void AccessKeyAction() override;
    bool WantsArrows() const override { return false; }
    void ApplyColor(TColor color) override;

  private:
    std::string caption_;
};

// Radio buttons with one parent form one group. Only the selected one is a tab stop.
class TRadioButton : public ControlHost<QRadioButton> {
  public:
    explicit TRadioButton(QWidget* parent);

    void SetCaption(std::string_view caption);
    const std::string& Caption() const { return caption_; }
    bool Checked() const { return isChecked(); }
    // Becoming selected runs OnClick.
    void SetChecked(bool checked);

    char AccessKey() const override { return AccessKeyOf(caption_); }
    bool TabStop() const override { return isChecked(); }

  protected:
    void AccessKeyAction() override;
    void ApplyColor(TColor color) override;

  private:
    std::string caption_;
    bool programmatic_ = false;
};

}  // namespace veloria::widgets
