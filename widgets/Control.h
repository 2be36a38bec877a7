#pragma once

#include <QEvent>
#include <QRect>
#include <QWidget>
#include <functional>
#include <string>
#include <string_view>

#include "widgets/Dispatch.h"
#include "widgets/Types.h"

class QKeyEvent;

// The base of every control: geometry in its parent's client area, visibility, enabled state,
// focus, tab order, font, colour, hint, and the events every control has.
//
// A control is a Qt widget (owned by its Qt parent, usually its form) that also is a TControl.
// Its key and focus events take one path, the one the windows rely on:
// - Tab, Escape, Enter and the arrow keys go to the form first where the control does not want
//   them (Tab moves in tab order, Escape presses the cancel button, Enter clicks a focused
//   button, arrows move between buttons);
// - then OnKeyDown (setting the key to 0 consumes it), then the access keys (Alt+letter), then
//   OnKeyPress with the key's character (0 consumes it), then the control's own handling;
// - a key's release runs OnKeyUp once, when the key is let go (auto-repeat releases dropped);
// - OnEnter and OnExit run once for each real move of the focus within the form (see TForm).
namespace veloria::widgets {

class TForm;

class TControl {
  public:
    virtual ~TControl();
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    QWidget& Widget() { return self_; }
    const QWidget& Widget() const { return self_; }
    // The form the control lies on; nullptr before it has one.
    TForm* Form() const;

    std::string Name() const;
    void SetName(std::string_view name);

    // Place and size in the parent's client area, in the window's own coordinates: the control
    // is drawn at the zoom in use (Zoom.h), and these read back the window's coordinates.
    void SetBounds(int left, int top, int width, int height);
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void SetTop(int top) { SetBounds(Left(), top, Width(), Height()); }
    void SetWidth(int width) { SetBounds(Left(), Top(), width, Height()); }
    // Which parent edges the control keeps its distance to when the parent is resized.
    void SetAnchors(TAnchors anchors);
    TAnchors Anchors() const { return anchors_; }

    // The control's own flags: a visible control outside its parent's client area is visible.
    bool Visible() const;
    void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const;
    // Disabling the focused control leaves it the focus (nothing else gains it); enabled again,
    // it has the keyboard again.
    void SetEnabled(bool enabled);

    // Enabled and visible with every parent up to a showing form.
    bool CanFocus() const;
    // Holds its form's focus (the form need not be the one the user works in).
    bool Focused() const;
    // A real move of the focus to this control: OnExit of the control that had it, OnEnter of
    // this one. While its form is being shown the move is remembered and made once the showing
    // is done. Throws WidgetError for a control that cannot take the focus.
    void SetFocus();

    int TabOrder() const { return tabOrder_; }
    void SetTabOrder(int order) { tabOrder_ = order; }
    virtual bool TabStop() const { return tabStop_; }
    void SetTabStop(bool tabStop) { tabStop_ = tabStop; }

    void SetFont(const TFont& font);
    TFont Font() const;
    void SetFontColor(TColor color);
    void SetColor(TColor color);
    TColor Color() const { return color_; }
    void SetHint(std::string_view hint);
    const std::string& Hint() const { return hint_; }
    // What a screen reader calls the control, where its caption, label or hint would not say
    // (see Accessible.h).
    void SetAccessibleName(std::string_view name);
    const std::string& AccessibleName() const { return accessibleName_; }
    void SetShowHint(bool show) { showHint_ = show; }
    bool ShowHint() const { return showHint_; }
    void SetCursor(TCursor cursor);

    void BringToFront();
    void SendToBack();
    // Paints now (synchronously).
    virtual void Repaint();
    void Invalidate();
    void Refresh() { Repaint(); }

    // The letter after '&' in the caption (upper case), 0 when there is none.
    virtual char AccessKey() const { return 0; }

    std::function<void()> OnEnter;
    std::function<void()> OnExit;
    std::function<void()> OnClick;
    std::function<void()> OnDblClick;
    std::function<void(WORD& key, TShiftState shift)> OnKeyDown;
    std::function<void(WORD& key, TShiftState shift)> OnKeyUp;
    std::function<void(char& key)> OnKeyPress;

  protected:
    explicit TControl(QWidget& self);

    // The event path described above; false lets the Qt widget handle the event alone.
    bool HandleEvent(QEvent* event, bool& result);
    // The Qt widget's own handling of an event.
    virtual bool BaseEvent(QEvent* event) = 0;

    // What the access key does (buttons click, check boxes toggle...).
    virtual void AccessKeyAction() {}
    // Keys the control handles itself instead of leaving them to the form.
    virtual bool WantsTab() const { return false; }
    virtual bool WantsArrows() const { return true; }
    // Buttons click on Enter while focused.
    virtual bool ClicksOnEnter() const { return false; }
    virtual void KeyboardClick() {}
    // The cancel button answers Escape.
    virtual bool IsCancelButton() const { return false; }
    // A character that OnKeyPress replaced: the control takes the new one.
    virtual void TakeChar(char) {}
    // Colours the Qt widget for SetColor.
    virtual void ApplyColor(TColor color);
    // Called after SetBounds and SetFont (labels size themselves), and after a change of zoom.
    virtual void BoundsOrFontChanged() {}
    // The zoom the control is drawn at, in percent: its form's (100 without a form).
    int ZoomInUse() const;
    // A length of the window's coordinates in screen pixels, at that zoom.
    int Scale(int length) const;

    // The caption's access key, for the controls that have captions.
    static char AccessKeyOf(std::string_view caption);

  private:
    friend class TForm;
    bool KeyPress(QKeyEvent& event, bool& result);
    bool KeyRelease(QKeyEvent& event, bool& result);
    void ParentResized(QSize size);
    // The form's zoom changed: geometry and font again from the window's coordinates.
    void Rezoom();

    QWidget& self_;
    int tabOrder_;
    int serial_;
    bool tabStop_ = false;
    bool showHint_ = true;
    std::string hint_;
    std::string accessibleName_;
    TFont font_;
    bool fontSet_ = false;
    TColor color_ = clBtnFace;
    TAnchors anchors_{akLeft, akTop};
    QRect bounds_;  // as the window gave them
    bool boundsSet_ = false;
    QRect anchorBounds_;
    QSize anchorParent_;
};

// A Qt widget class made a control. Every concrete control derives from one of these.
template <class W>
class ControlHost : public W, public TControl {
  public:
    // Controls are made with their forms, before these are shown.
    explicit ControlHost(QWidget* parent) : W(parent), TControl(static_cast<QWidget&>(*this)) {}

  protected:
    bool event(QEvent* event) override {
        bool result = false;
        if (HandleEvent(event, result))
            return result;
        return W::event(event);
    }
    bool BaseEvent(QEvent* event) override { return W::event(event); }
};

// The control a widget belongs to (the widget itself or its nearest parent that is a control).
TControl* ControlOf(QWidget* widget);

}  // namespace veloria::widgets
