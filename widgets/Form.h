#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "widgets/Application.h"
#include "widgets/Control.h"
#include "widgets/Pages.h"
#include "widgets/Types.h"

class QEventLoop;

// A top-level window: fixed client size, caption, border, place on the screen, colour, font, and
// the order of window events the windows rely on.
//
// - Show (not modal): OnActivate runs first; then the control that OnActivate gave the focus, or
//   else the first control in tab order, gains the focus (its OnEnter runs).
// - ShowModal: the first control in tab order gains the focus during the showing (OnEnter), then
//   OnActivate runs; ShowModal returns when the form is closed (Close, or a ModalResult). Then the
//   form that was active before is active again, with its focus where it was, and neither its
//   OnActivate nor any OnEnter runs.
// - OnActivate runs only when a form is shown, never when the window system moves the activation.
// - A control's OnEnter runs once for each real move of the focus to it within its form: a mouse
//   press, Tab, an access key that focuses, SetFocus. Never on re-activation of the window (the
//   return from a box or from another window is one), never because another control was
//   disabled. A disabled focused control keeps the focus.
// - A key's release is a key stroke of the form only when its press reached the form too, since
//   the window last became active: the release of the Enter that dismissed a box, or that opened
//   the form, runs no OnKeyUp, nor does that of a key whose press brought up a box.
// - Escape presses the form's cancel button; Alt+letter the control with that access key, from
//   any control of the form.
// - A modal form blocks every other window while it is shown, except a form that works beside
//   the modal windows (SetBesideModalWindows) and was shown from inside its showing. When a
//   modal form closes, the form that opened it is active again, whichever window the user
//   worked in last.
namespace veloria::widgets {

class THintWindow;

class TForm : public QWidget {
  public:
    explicit TForm(std::string_view name = {});
    ~TForm() override;

    std::string Name() const;
    void SetCaption(std::string_view caption);
    const std::string& Caption() const { return caption_; }
    // What a screen reader calls the window, where its caption would not say; the caption
    // otherwise.
    void SetAccessibleName(std::string_view name);

    // In the window's own coordinates; drawn at the zoom in use.
    void SetClientSize(int width, int height);
    // For layouts given by the window's outer size: the client area of the desktop frame they
    // were made for (borders of 4 pixels, a title bar of 23); a borderless form is all client.
    void SetOuterSize(int width, int height);
    int ClientWidth() const { return clientWidth_; }
    int ClientHeight() const { return clientHeight_; }
    void SetBorderStyle(TFormBorderStyle style);
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderIcons(TBorderIcons icons);
    void SetFormStyle(TFormStyle style);
    // A picture shown while the program starts: no window manager frames it or lists it among the
    // windows, and it is drawn as soon as it is mapped.
    void ShowAsSplash();
    // Centred (poScreenCenter, poDesktopCenter) or at SetLeftTop's screen position (poDesigned).
    void SetPosition(TPosition position) { position_ = position; }
    void SetLeftTop(int left, int top);

    // The zoom the form is drawn at, in percent: the one chosen (Zoom.h), or the largest below
    // it at which the form fits wholly on its screen.
    int ZoomInUse() const { return zoom_; }
    // False when the form fits nowhere on its screen, not even at the smallest zoom.
    bool FitsOnScreen() const { return fits_; }
    // Draws the form at the chosen zoom, or the largest that fits, and keeps it on its screen
    // (the zoom calls this for every form at each change).
    void ApplyZoom();

    void SetColor(TColor color);
    TColor Color() const { return color_; }
    void SetFont(const TFont& font);
    TFont Font() const { return font_; }
    // Hints of the form's controls are shown in its hint window.
    void SetShowHint(bool show) { showHint_ = show; }
    bool ShowHint() const { return showHint_; }
    THintWindow& HintWindow() { return *hintWindow_; }

    void Show();
    int ShowModal();
    // A form that is never modal and works beside the modal windows: shown (or shown again) from
    // inside a modal showing, it is not blocked by that window nor by those below it, only by
    // modal windows opened after it; it stays usable beside the modal windows that remain when
    // that one closes. Shown while no modal window runs, it is an ordinary window.
    void SetBesideModalWindows(bool beside) { besideModal_ = beside; }
    bool BesideModalWindows() const { return besideModal_; }
    // A modal form ends its showing with mrCancel; the main form ends the program; any other
    // form hides.
    void Close();
    void Hide();
    bool Visible() const { return isVisible(); }
    bool Modal() const { return modal_; }
    int ModalResult() const { return modalResult_; }
    // A result other than mrNone ends the modal showing.
    void SetModalResult(int result);
    // Paints the whole form now.
    void Repaint();

    // The control that has the form's focus (the form need not be the one the user works in).
    TControl* ActiveControl() const;
    // The first control in tab order that can take the focus.
    TControl* FirstControl() const;
    // Moves the focus to the next (or previous) control in tab order after `from`, wrapping.
    void SelectNext(TControl* from, bool forward, bool checkTabStop = true);
    // Every control of the form, in creation order.
    std::vector<TControl*> Controls() const;
    TControl* FindControl(std::string_view name) const;

    std::function<void()> OnActivate;
    std::function<void()> OnShow;

    // Runs an action once the form's next showing has finished (after OnActivate), from inside
    // its modal loop when shown modally. For tests.
    void AfterShowing(std::function<void()> action);

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    friend class TControl;
    friend class TApplication;

    bool Live() const;
    void FocusControl(TControl& control);
    void MoveFocusTo(TControl* control);
    void SetQtFocus();
    void QtFocusIn(TControl& control, Qt::FocusReason reason);
    void BeforeHideOrDisable(TControl& control);
    void AfterShowOrEnable(TControl& control);
    bool DialogKey(TControl* control, WORD key, TShiftState shift);
    bool AccessKey(WORD key);
    bool HasAccessKey(WORD key) const;
    TControl* CancelButton() const;
    void ShowHintFor(TControl& control, QPoint globalPos);
    void HideHint();
    void Restore();
    void PlaceOnScreen();
    // Puts a showing form wholly inside the screen's available area, where it fits.
    void KeepOnScreen();
    // The frame the window system puts around the client area (an estimate before the first
    // showing).
    QSize FrameSize() const;
    void ApplyClientSize();
    void ApplyWindowFlags();
    // The backing store the window is painted into, made at its showing in the window's size, as
    // its first paint would make it, with its pages mapped at once: that paint fills every pixel.
    // Those of a large window are made on another thread (PagesMadeAhead) while the window is
    // activated. A store that is no image in memory, as on some platforms, is left to Qt.
    void PrepareBackingStore();
    void RunAfterShowing();
    std::vector<TControl*> TabList() const;
    // Makes a form beside the modal windows a child of the topmost one running (or of none), so
    // that the window system and Qt leave it usable.
    void AttachBesideModal();
    // This modal form closes: the forms beside it go to the modal form below, or to none.
    void HandOnBesideForms();
    // Blocked by a modal window now.
    bool BlockedByModal() const;

    std::string caption_;
    int clientWidth_ = 0;
    int clientHeight_ = 0;
    int zoom_;
    bool fits_ = true;
    TFormBorderStyle borderStyle_ = bsSizeable;
    TBorderIcons borderIcons_{biSystemMenu, biMinimize, biMaximize};
    TFormStyle formStyle_ = fsNormal;
    bool splash_ = false;
    TPosition position_ = poDesigned;
    int left_ = 0;
    int top_ = 0;
    TColor color_ = clBtnFace;
    TFont font_;
    bool showHint_ = false;
    THintWindow* hintWindow_ = nullptr;  // a child window, owned by the form

    // Keys whose press reached a control of this form since its window became active, and that
    // are not released yet.
    std::set<WORD> keysDown_;
    QPointer<QWidget> focused_;  // the control whose OnEnter ran last
    QPointer<QWidget> wanted_;   // the control to have the focus once the form is live again
    bool activating_ = false;
    bool dying_ = false;
    int internalFocus_ = 0;
    bool modal_ = false;
    bool dialog_ = false;  // the window is made a dialog, for its modal showings
    bool besideModal_ = false;
    QPointer<TForm> opener_;  // of a modal showing: the form active when it began
    int modalResult_ = mrNone;
    QEventLoop* loop_ = nullptr;
    std::vector<std::function<void()>> afterShowing_;
    PagesMadeAhead storePages_;  // waited for before the window goes with its store
};

template <class T, class... Args>
T* TApplication::CreateForm(Args&&... args) {
    auto form = std::make_unique<T>(std::forward<Args>(args)...);
    T* raw = form.get();
    Adopt(std::move(form));
    return raw;
}

}  // namespace veloria::widgets
