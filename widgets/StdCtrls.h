#pragma once

#include <QGroupBox>
#include <QLineEdit>
#include <QWidget>
#include <string>
#include <string_view>

#include "widgets/Control.h"

// Labels, static text, the one-line edit box, group boxes and bevels.
namespace veloria::widgets {

// A caption painted on its parent: transparent over a background picture or filled with its
// colour; sized to its caption (AutoSize, keeping the right edge of a right-justified label and
// the centre of a centred one); "&" underlines the next letter.
class TLabel : public ControlHost<QWidget> {
  public:
    explicit TLabel(QWidget* parent);

    void SetCaption(std::string_view caption);
    const std::string& Caption() const { return caption_; }
    void SetAlignment(TAlignment alignment);
    TAlignment Alignment() const { return alignment_; }
    void SetLayout(TTextLayout layout);
    void SetAutoSize(bool autoSize);
    bool AutoSize() const { return autoSize_; }
    void SetWordWrap(bool wrap);
    void SetTransparent(bool transparent);
    bool Transparent() const { return transparent_; }
    void SetShowAccelChar(bool show);
    bool ShowAccelChar() const { return showAccelChar_; }
    // The control its access key focuses.
    void SetFocusControl(TControl* control);
    TControl* FocusControl() const { return focusControl_; }

    char AccessKey() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void AccessKeyAction() override;
    void ApplyColor(TColor color) override;
    void BoundsOrFontChanged() override;

  private:
    void AdjustSize();
    int TextFlags() const;

    std::string caption_;
    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlTop;
    bool autoSize_ = true;
    bool wordWrap_ = false;
    bool transparent_ = false;
    bool colorSet_ = false;
    bool showAccelChar_ = true;
    bool pressed_ = false;
    bool adjusting_ = false;
    TControl* focusControl_ = nullptr;
};

// Text in a box of its own colour (not transparent), with OnClick; the web address of the tip
// window. One that answers clicks is reached by Tab (not by the mouse) and clicks on Enter and
// the space bar, so that the keyboard can follow it too.
class TStaticText : public TLabel {
  public:
    explicit TStaticText(QWidget* parent);

    bool TabStop() const override { return TLabel::TabStop() || static_cast<bool>(OnClick); }

  protected:
    bool ClicksOnEnter() const override { return static_cast<bool>(OnClick); }
    void KeyboardClick() override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

// The one-line edit box. With CharCase ecUpperCase every letter typed or pasted turns to its
// Windows-1252 capital (the word box of the search and the glossary's search box).
class TEdit : public ControlHost<QLineEdit> {
  public:
    explicit TEdit(QWidget* parent);

    std::string Text() const;
    // Runs OnChange when the text changes.
    void SetText(std::string_view text);
    void Clear() { SetText({}); }
    void SetCharCase(TEditCharCase charCase);
    TEditCharCase CharCase() const { return charCase_; }
    void SetMaxLength(int length) { setMaxLength(length > 0 ? length : 32767); }
    void SetReadOnly(bool readOnly) { setReadOnly(readOnly); }
    void SetBorderStyle(TBorderStyle style) { setFrame(style != bsNone); }
    int SelStart() const;
    int SelLength() const;
    void SetSelStart(int start);
    void SetSelLength(int length);
    std::string SelText() const;
    void SelectAll() { selectAll(); }

    std::function<void()> OnChange;

  protected:
    void TakeChar(char c) override;
    void ApplyColor(TColor color) override;

  private:
    TEditCharCase charCase_ = ecNormal;
};

// A frame with a caption around other controls; positions inside it are relative to it. It never
// takes the focus; its access key focuses its first control.
class TGroupBox : public ControlHost<QGroupBox> {
  public:
    explicit TGroupBox(QWidget* parent);

    void SetCaption(std::string_view caption);
    const std::string& Caption() const { return caption_; }
    char AccessKey() const override { return AccessKeyOf(caption_); }

  protected:
    void AccessKeyAction() override;
    // An etched frame with the caption set into its top line, on the parent's colour.
    void paintEvent(QPaintEvent* event) override;

  private:
    std::string caption_;
};

// A bevelled frame or line.
class TBevel : public ControlHost<QWidget> {
  public:
    explicit TBevel(QWidget* parent);

    void SetShape(TBevelShape shape);
    void SetStyle(TBevelStyle style);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    TBevelShape shape_ = bsBox;
    TBevelStyle style_ = bsLowered;
};

}  // namespace veloria::widgets
