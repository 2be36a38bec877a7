#include "widgets/Form.h"

#include <QApplication>
#include <QBackingStore>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>

#include "widgets/Accessible.h"
#include "widgets/DataLink.h"
#include "widgets/HintWindow.h"
#include "widgets/Pages.h"
#include "widgets/QtText.h"
#include "widgets/Zoom.h"

namespace veloria::widgets {
namespace {

// Counts our own moves of Qt's focus, whose focus events are no moves of the user.
class InternalFocus {
  public:
    explicit InternalFocus(int& depth) : depth_(depth) { ++depth_; }
    ~InternalFocus() { --depth_; }
    InternalFocus(const InternalFocus&) = delete;
    InternalFocus& operator=(const InternalFocus&) = delete;

  private:
    int& depth_;
};

// Controls answer access keys and Escape while they and their parents are enabled and visible
// (lying outside the client area does not matter), whether or not they take the focus.
bool Answers(const TControl& c) {
    return c.Widget().isEnabled() && c.Widget().isVisible();
}

bool Focusable(const QWidget* w) {
    return w && w->focusPolicy() != Qt::NoFocus && w->isEnabled() && w->isVisible();
}

// The controls among a widget's children, in tab order, each followed by its own children.
void CollectTabList(const QWidget* parent, std::vector<TControl*>& out) {
    std::vector<TControl*> level;
    std::vector<const QWidget*> plain;
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow())
            continue;
        if (auto* c = dynamic_cast<TControl*>(w))
            level.push_back(c);
        else
            plain.push_back(w);
    }
    std::stable_sort(level.begin(), level.end(),
                     [](TControl* a, TControl* b) { return a->TabOrder() < b->TabOrder(); });
    for (TControl* c : level) {
        out.push_back(c);
        CollectTabList(&c->Widget(), out);
    }
    for (const QWidget* w : plain) {
        if (w->objectName().startsWith(QLatin1String("qt_")))
            continue;
        CollectTabList(w, out);
    }
}

void CollectControls(const QWidget* parent, std::vector<TControl*>& out) {
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow())
            continue;
        if (auto* c = dynamic_cast<TControl*>(w))
            out.push_back(c);
        CollectControls(w, out);
    }
}

}  // namespace

TForm::TForm(std::string_view name) : QWidget(nullptr, Qt::Window), zoom_(ZoomPercent()) {
    if (!name.empty())
        setObjectName(QString::fromUtf8(name.data(), qsizetype(name.size())));
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setFocusPolicy(Qt::NoFocus);
    hintWindow_ = new THintWindow(this);
    SetColor(color_);
    SetFont(font_);
    ApplyWindowFlags();
}

TForm::~TForm() {
    // The window's own members (its table handles) are gone already: nothing of it may run now,
    // neither a focus handler nor a grid reading its table.
    dying_ = true;
    for (QWidget* w : findChildren<QWidget*>()) {
        if (auto* link = dynamic_cast<DataLink*>(w))
            link->Detach();
    }
    if (loop_)
        loop_->exit();
}

std::string TForm::Name() const {
    return objectName().toStdString();
}

void TForm::SetCaption(std::string_view caption) {
    caption_ = caption;
    setWindowTitle(ToQString(caption));
}

void TForm::SetAccessibleName(std::string_view name) {
    setAccessibleName(ToQString(name));
}

void TForm::SetClientSize(int width, int height) {
    clientWidth_ = width;
    clientHeight_ = height;
    ApplyClientSize();
}

void TForm::ApplyClientSize() {
    const int width = Scaled(clientWidth_, zoom_);
    const int height = Scaled(clientHeight_, zoom_);
    if (borderStyle_ == bsSizeable) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        resize(width, height);
    } else {
        setFixedSize(width, height);
    }
}

QSize TForm::FrameSize() const {
    const QSize shown = frameGeometry().size() - size();
    if (borderStyle_ == bsNone || (isVisible() && !shown.isEmpty()))
        return shown.expandedTo(QSize(0, 0));
    // As the desktop frames were drawn: borders of 4 pixels, a title bar of 23.
    return QSize(8, 31);
}

void TForm::ApplyZoom() {
    int zoom = ZoomPercent();
    fits_ = true;
    if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen())
        zoom = FittingZoom(QSize(clientWidth_, clientHeight_), FrameSize(),
                           screen->availableGeometry().size(), zoom, &fits_);
    if (zoom != zoom_) {
        zoom_ = zoom;
        if (clientWidth_ > 0 || clientHeight_ > 0)
            ApplyClientSize();
        SetFont(font_);
        std::vector<TControl*> controls;
        CollectControls(this, controls);
        for (TControl* c : controls)
            c->Rezoom();
        hintWindow_->SetZoom(zoom_);
    }
    if (isVisible())
        KeepOnScreen();
}

void TForm::KeepOnScreen() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize frame = FrameSize();
    const QSize outer = size() + frame;
    const QPoint at = isVisible() ? frameGeometry().topLeft() : pos();
    // Where the window is larger than the area, its top left corner (the title bar) stays in.
    const int x = std::max(area.left(), std::min(at.x(), area.right() + 1 - outer.width()));
    const int y = std::max(area.top(), std::min(at.y(), area.bottom() + 1 - outer.height()));
    if (QPoint(x, y) != at)
        move(x, y);
}

void TForm::SetOuterSize(int width, int height) {
    if (borderStyle_ == bsNone)
        SetClientSize(width, height);
    else
        SetClientSize(width - 8, height - 31);
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
    borderStyle_ = style;
    ApplyWindowFlags();
    if (clientWidth_ > 0)
        SetClientSize(clientWidth_, clientHeight_);
}

void TForm::SetBorderIcons(TBorderIcons icons) {
    borderIcons_ = icons;
    ApplyWindowFlags();
}

void TForm::SetFormStyle(TFormStyle style) {
    formStyle_ = style;
    ApplyWindowFlags();
}

void TForm::ShowAsSplash() {
    splash_ = true;
    ApplyWindowFlags();
}

void TForm::SetLeftTop(int left, int top) {
    left_ = left;
    top_ = top;
    position_ = poDesigned;
}

void TForm::ApplyWindowFlags() {
    const bool wasVisible = isVisible();
    // A form shown modally is its opener's dialog: the window manager keeps it above the opener
    // (which may not be raised over it), leaves it out of the task list, and reads the buttons
    // of its title bar as a dialog's.
    Qt::WindowFlags f = dialog_ ? Qt::Dialog : Qt::Window;
    if (borderStyle_ == bsNone) {
        f |= Qt::FramelessWindowHint;
    } else {
        f |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (borderStyle_ == bsToolWindow)
            f |= Qt::Tool;
        if (borderIcons_.Contains(biSystemMenu)) {
            f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
            // Dialog frames have no minimise or maximise box.
            const bool dialog = borderStyle_ == bsDialog || borderStyle_ == bsToolWindow;
            if (borderIcons_.Contains(biMinimize) && !dialog)
                f |= Qt::WindowMinimizeButtonHint;
            if (borderIcons_.Contains(biMaximize) && !dialog && borderStyle_ == bsSizeable)
                f |= Qt::WindowMaximizeButtonHint;
        }
    }
    if (splash_) {
        // Left to the display server alone: a window manager framed the splash and put it in the
        // task list before it could be drawn, up to 25 ms more at every start, and the windows
        // that follow waited behind that work.
        f = Qt::SplashScreen | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint;
    }
    if (formStyle_ == fsStayOnTop)
        f |= Qt::WindowStaysOnTopHint;
    storePages_.Wait();  // the window, and the store with it, may be made again
    setWindowFlags(f);
    if (wasVisible) {
        QWidget::show();
        PrepareBackingStore();
    }
}

void TForm::SetColor(TColor color) {
    color_ = color;
    QPalette p = palette();
    p.setColor(QPalette::Window, ToQColor(color));
    setPalette(p);
    setAutoFillBackground(true);
}

void TForm::SetFont(const TFont& font) {
    font_ = font;
    setFont(ToQFont(font, zoom_));
    QPalette p = palette();
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(QPalette::Active, role, ToQColor(font.Color));
        p.setColor(QPalette::Inactive, role, ToQColor(font.Color));
    }
    setPalette(p);
}

void TForm::PlaceOnScreen() {
    ApplyZoom();
    QScreen* screen = QGuiApplication::primaryScreen();
    if (position_ == poDesigned || !screen) {
        move(left_, top_);
    } else {
        const QRect area = screen->availableGeometry();
        const QSize size = frameGeometry().size().expandedTo(this->size());
        move(area.left() + (area.width() - size.width()) / 2,
             area.top() + (area.height() - size.height()) / 2);
    }
    KeepOnScreen();
}

bool TForm::Live() const {
    return isVisible() && !activating_ && Application().ActiveForm() == this;
}

void TForm::Show() {
    if (besideModal_)
        AttachBesideModal();
    if (isVisible()) {
        Application().BringToTop(*this);
        detail::ActivateWindow(*this);
        return;
    }
    QPointer<TForm> self(this);
    if (dialog_) {
        dialog_ = false;
        ApplyWindowFlags();
    }
    PlaceOnScreen();
    accessibility::Showing(*this);
    focused_ = nullptr;
    wanted_ = nullptr;
    keysDown_.clear();
    activating_ = true;
    QWidget::show();
    PrepareBackingStore();
    Application().PushActive(*this);
    Dispatch(OnShow);
    if (self)
        Dispatch(OnActivate);
    if (!self)
        return;
    activating_ = false;
    if (Live()) {
        TControl* target = ControlOf(wanted_);
        if (!target || !target->CanFocus())
            target = FirstControl();
        if (target)
            MoveFocusTo(target);
        else
            SetQtFocus();
    }
    RunAfterShowing();
}

int TForm::ShowModal() {
    if (isVisible())
        throw WidgetError("Cannot make a visible window modal");
    QPointer<TForm> self(this);
    opener_ = Application().ActiveForm();
    modal_ = true;
    modalResult_ = mrNone;
    focused_ = nullptr;
    wanted_ = nullptr;
    keysDown_.clear();
    activating_ = false;
    setWindowModality(Qt::ApplicationModal);
    // A form is shown either always modally or never: its type changes once at most.
    if (!dialog_) {
        dialog_ = true;
        ApplyWindowFlags();
    }
    if (TForm* opener = Application().ActiveForm()) {
        winId();
        if (windowHandle() && opener->windowHandle())
            windowHandle()->setTransientParent(opener->windowHandle());
    }
    PlaceOnScreen();
    accessibility::Showing(*this);
    QWidget::show();
    PrepareBackingStore();
    Application().PushActive(*this);
    Dispatch(OnShow);
    // The first control gains the focus during the showing, before the activation.
    if (self && modalResult_ == mrNone) {
        if (TControl* first = FirstControl())
            MoveFocusTo(first);
        else
            SetQtFocus();
    }
    if (self && modalResult_ == mrNone)
        Dispatch(OnActivate);
    if (self && modalResult_ == mrNone)
        RunAfterShowing();
    if (self && modalResult_ == mrNone && isVisible()) {
        QEventLoop loop;
        loop_ = &loop;
        loop.exec(QEventLoop::DialogExec);
        if (self)
            loop_ = nullptr;
    }
    if (!self) {
        // Deleted while shown: whoever was active before is again.
        Application().Reactivate();
        return mrCancel;
    }
    const int result = modalResult_ == mrNone ? mrCancel : modalResult_;
    HandOnBesideForms();
    modal_ = false;
    HideHint();
    QWidget::hide();
    setWindowModality(Qt::NonModal);
    // The opener is active again, also when the user worked in a window beside this one last.
    if (opener_ && opener_->isVisible() && opener_ != this) {
        Application().BringToTop(*opener_);
        Application().PopActive(*this);
        Application().Reactivate();
    } else {
        Application().PopActive(*this);
    }
    return result;
}

void TForm::AttachBesideModal() {
    TForm* host = nullptr;
    if (auto* modal = dynamic_cast<TForm*>(QApplication::activeModalWidget());
        modal && modal != this && modal->Modal()) {
        host = modal;
    }
    winId();
    if (windowHandle())
        windowHandle()->setTransientParent(host ? host->windowHandle() : nullptr);
}

void TForm::HandOnBesideForms() {
    QWindow* window = windowHandle();
    if (!window)
        return;
    TForm* below = opener_ && opener_->Modal() && opener_ != this ? opener_.data() : nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* form = dynamic_cast<TForm*>(w);
        if (form && form->besideModal_ && form->windowHandle() &&
            form->windowHandle()->transientParent() == window) {
            form->windowHandle()->setTransientParent(below ? below->windowHandle() : nullptr);
        }
    }
}

bool TForm::BlockedByModal() const {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == this)
        return false;
    const QWindow* own = windowHandle();
    return !own || !modal->windowHandle() ||
           !modal->windowHandle()->isAncestorOf(own, QWindow::IncludeTransients);
}

void TForm::SetModalResult(int result) {
    modalResult_ = result;
    if (result != mrNone && loop_)
        loop_->exit();
}

void TForm::Close() {
    if (modal_) {
        SetModalResult(mrCancel);
    } else if (Application().MainForm() == this) {
        Hide();
        Application().Terminate();
    } else {
        Hide();
    }
}

void TForm::Hide() {
    if (modal_) {
        SetModalResult(mrCancel);
        return;
    }
    if (!isVisible())
        return;
    HideHint();
    QWidget::hide();
    Application().PopActive(*this);
}

void TForm::PrepareBackingStore() {
    constexpr std::size_t kAheadBytes = 256 * 1024;  // below it, a thread costs what it saves
    QBackingStore* store = backingStore();
    if (!store)
        return;
    storePages_.Wait();  // the image it works on may go now
    store->resize(size());
    const auto* image = dynamic_cast<const QImage*>(store->paintDevice());
    if (!image)
        return;
    const auto bytes = std::size_t(image->sizeInBytes());
    // Qt paints into the store, and resizes it, only once the window system has exposed the
    // window (it is mapped then): the exposure waits for the pages (eventFilter).
    QWindow* window = windowHandle();
    if (window && !testAttribute(Qt::WA_Mapped) && bytes >= kAheadBytes) {
        window->installEventFilter(this);
        storePages_.Start(image->constBits(), bytes);
    } else {
        MapPagesAtOnce(image->constBits(), bytes);
    }
}

bool TForm::eventFilter(QObject* watched, QEvent* e) {
    // The exposure maps the window: every paint, and any resizing of the store, comes after.
    if (watched == windowHandle() && e->type() == QEvent::Expose)
        storePages_.Wait();
    return QWidget::eventFilter(watched, e);
}

void TForm::Repaint() {
    detail::AfterEvent();
    // A window just shown is painted once the window system has exposed it, which it reports
    // asynchronously: wait for that (no user input is handled meanwhile), then paint at once.
    // The window may be exposed already while the form has not yet been told (it is not mapped
    // until the exposure is handled), and a form not mapped paints nothing.
    const auto ready = [this] {
        return windowHandle()->isExposed() && testAttribute(Qt::WA_Mapped);
    };
    if (isVisible() && windowHandle() && !ready()) {
        QElapsedTimer waited;
        waited.start();
        while (!ready() && waited.elapsed() < 500) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
        }
    }
    repaint();
}

void TForm::AfterShowing(std::function<void()> action) {
    afterShowing_.push_back(std::move(action));
}

void TForm::RunAfterShowing() {
    auto actions = std::move(afterShowing_);
    afterShowing_.clear();
    for (auto& action : actions) {
        QTimer::singleShot(0, this, [action = std::move(action)] { Dispatch(action); });
    }
}

// --- focus -------------------------------------------------------------------------------------

TControl* TForm::ActiveControl() const {
    return ControlOf(focused_);
}

std::vector<TControl*> TForm::TabList() const {
    std::vector<TControl*> list;
    CollectTabList(this, list);
    return list;
}

std::vector<TControl*> TForm::Controls() const {
    std::vector<TControl*> list;
    CollectControls(this, list);
    return list;
}

TControl* TForm::FindControl(std::string_view name) const {
    const QString n = QString::fromUtf8(name.data(), qsizetype(name.size()));
    for (TControl* c : Controls()) {
        if (c->Widget().objectName() == n)
            return c;
    }
    return nullptr;
}

TControl* TForm::FirstControl() const {
    for (TControl* c : TabList()) {
        QWidget& w = c->Widget();
        if (c->TabStop() && w.focusPolicy() != Qt::NoFocus && w.isEnabledTo(this) &&
            w.isVisibleTo(this)) {
            return c;
        }
    }
    return nullptr;
}

void TForm::SelectNext(TControl* from, bool forward, bool checkTabStop) {
    std::vector<TControl*> list = TabList();
    if (!checkTabStop && from) {
        // Arrow keys: among the controls of the same parent, tab stops or not.
        QWidget* parent = from->Widget().parentWidget();
        std::erase_if(list, [&](TControl* c) { return c->Widget().parentWidget() != parent; });
    }
    if (list.empty())
        return;
    const auto n = std::ptrdiff_t(list.size());
    std::ptrdiff_t at = from ? std::find(list.begin(), list.end(), from) - list.begin() : -1;
    if (at >= n)
        at = -1;
    for (std::ptrdiff_t step = 1; step <= n; ++step) {
        std::ptrdiff_t i = forward ? at + step : at - step;
        if (at < 0 && !forward)
            i = n - step;
        i = ((i % n) + n) % n;
        TControl* c = list[std::size_t(i)];
        if (c == from)
            break;
        if ((!checkTabStop || c->TabStop()) && c->CanFocus()) {
            c->SetFocus();
            return;
        }
    }
}

void TForm::FocusControl(TControl& control) {
    wanted_ = &control.Widget();
    if (Live())
        MoveFocusTo(&control);
}

void TForm::MoveFocusTo(TControl* control) {
    if (dying_)
        return;
    QPointer<QWidget> target = control ? &control->Widget() : nullptr;
    wanted_ = target;
    if (focused_ == target) {
        SetQtFocus();
        return;
    }
    QPointer<QWidget> old = focused_;
    focused_ = target;
    SetQtFocus();
    if (TControl* previous = ControlOf(old))
        Dispatch(previous->OnExit);
    if (target && focused_ == target)
        Dispatch(control->OnEnter);
}

void TForm::SetQtFocus() {
    InternalFocus guard(internalFocus_);
    if (Focusable(focused_)) {
        if (QApplication::focusWidget() != focused_ || focused_ != focusWidget())
            focused_->setFocus(Qt::OtherFocusReason);
    } else if (focusWidget() != this) {
        // The focused control cannot take keys now (it is disabled or hidden): the form takes
        // them, and answers only access keys and Escape.
        setFocus(Qt::OtherFocusReason);
    }
}

void TForm::QtFocusIn(TControl& control, Qt::FocusReason reason) {
    if (internalFocus_ > 0 || dying_)
        return;
    QWidget* w = &control.Widget();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) {
        // The window was activated again: Qt restores its focus widget; ours is what counts.
        if (w != focused_)
            SetQtFocus();
        return;
    }
    if (reason == Qt::MouseFocusReason && isVisible() && !activating_ &&
        Application().ActiveForm() != this) {
        Application().BringToTop(*this);
    }
    if (!Live()) {
        wanted_ = w;
        SetQtFocus();
        return;
    }
    if (focused_ && focused_ != w && !Focusable(focused_)) {
        // Qt moving the focus away from a control that was disabled or hidden.
        SetQtFocus();
        return;
    }
    MoveFocusTo(&control);
}

bool TForm::focusNextPrevChild(bool) {
    // Tab is ours (DialogKey). Qt calls this when it disables or hides the focused widget, to
    // hand the focus on; the focus stays where it is instead.
    if (!dying_)
        SetQtFocus();
    return true;
}

void TForm::BeforeHideOrDisable(TControl& control) {
    if (focused_ && (focused_ == &control.Widget() || control.Widget().isAncestorOf(focused_))) {
        InternalFocus guard(internalFocus_);
        if (focusWidget() != this)
            setFocus(Qt::OtherFocusReason);
    }
}

void TForm::AfterShowOrEnable(TControl& control) {
    if (focused_ && (focused_ == &control.Widget() || control.Widget().isAncestorOf(focused_)) &&
        Live()) {
        SetQtFocus();
    }
}

void TForm::Restore() {
    if (!isVisible())
        return;
    detail::ActivateWindow(*this);
    if (Live() && wanted_ && wanted_ != focused_) {
        TControl* c = ControlOf(wanted_);
        if (c && c->CanFocus()) {
            MoveFocusTo(c);
            return;
        }
    }
    SetQtFocus();
}

// --- keys --------------------------------------------------------------------------------------

TControl* TForm::CancelButton() const {
    for (TControl* c : Controls()) {
        if (c->IsCancelButton() && Answers(*c))
            return c;
    }
    return nullptr;
}

bool TForm::DialogKey(TControl* control, WORD key, TShiftState shift) {
    // Ctrl+Tab moves on also from a control that keeps Tab for itself (a grid moving between its
    // columns), which the keyboard could not leave otherwise.
    if (key == VK_TAB && shift.Contains(ssCtrl) && !shift.Contains(ssAlt)) {
        SelectNext(control, !shift.Contains(ssShift));
        return true;
    }
    const bool plain = !shift.Contains(ssAlt) && !shift.Contains(ssCtrl);
    if (!plain)
        return false;
    switch (key) {
        case VK_TAB:
            if (control && control->WantsTab())
                return false;
            SelectNext(control, !shift.Contains(ssShift));
            return true;
        case VK_ESCAPE:
            if (shift.Contains(ssShift))
                return false;
            if (TControl* cancel = CancelButton()) {
                cancel->KeyboardClick();
                return true;
            }
            return false;
        case VK_RETURN:
            if (shift.Contains(ssShift))
                return false;
            if (control && control->ClicksOnEnter()) {
                control->KeyboardClick();
                return true;
            }
            return false;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
            if (!control || control->WantsArrows() || shift.Contains(ssShift))
                return false;
            SelectNext(control, key == VK_RIGHT || key == VK_DOWN, false);
            return true;
        default:
            return false;
    }
}

bool TForm::HasAccessKey(WORD key) const {
    if (key == 0 || key > 0xFF)
        return false;
    for (TControl* c : Controls()) {
        if (c->AccessKey() == char(key) && Answers(*c))
            return true;
    }
    return false;
}

bool TForm::AccessKey(WORD key) {
    if (key == 0 || key > 0xFF)
        return false;
    for (TControl* c : Controls()) {
        if (c->AccessKey() == char(key) && Answers(*c)) {
            c->AccessKeyAction();
            return true;
        }
    }
    return false;
}

bool TForm::event(QEvent* e) {
    switch (e->type()) {
        case QEvent::ShortcutOverride: {
            auto* ke = static_cast<QKeyEvent*>(e);
            const auto m = ke->modifiers();
            if ((m & Qt::AltModifier) && !(m & Qt::ControlModifier)) {
                const int k = ke->key();
                WORD vk = 0;
                if (k >= Qt::Key_A && k <= Qt::Key_Z)
                    vk = WORD('A' + (k - Qt::Key_A));
                if (k >= Qt::Key_0 && k <= Qt::Key_9)
                    vk = WORD('0' + (k - Qt::Key_0));
                if (HasAccessKey(vk)) {
                    ke->accept();
                    return true;
                }
            }
            return QWidget::event(e);
        }
        case QEvent::KeyPress: {
            // Keys reach the form itself only while no control can take them.
            auto* ke = static_cast<QKeyEvent*>(e);
            const auto m = ke->modifiers();
            const int k = ke->key();
            if (k == Qt::Key_Escape && !(m & (Qt::AltModifier | Qt::ControlModifier))) {
                DialogKey(nullptr, VK_ESCAPE, {});
            } else if ((m & Qt::AltModifier) && !(m & Qt::ControlModifier)) {
                if (k >= Qt::Key_A && k <= Qt::Key_Z)
                    AccessKey(WORD('A' + (k - Qt::Key_A)));
                if (k >= Qt::Key_0 && k <= Qt::Key_9)
                    AccessKey(WORD('0' + (k - Qt::Key_0)));
            }
            ke->accept();
            return true;
        }
        case QEvent::KeyRelease:
            e->accept();
            return true;
        case QEvent::ToolTip:
            return true;
        case QEvent::WindowActivate:
            // Keys pressed before the window was left (for a box, another window) were
            // released there: their releases here are no key strokes of this form.
            keysDown_.clear();
            // The user came to this window by the window system (a click on its frame, a key
            // of the desktop): it is the one worked in, unless a modal window holds it.
            if (isVisible() && !activating_ && !BlockedByModal() &&
                Application().ActiveForm() != this) {
                Application().BringToTop(*this);
            }
            if (Live())
                SetQtFocus();
            return QWidget::event(e);
        default:
            return QWidget::event(e);
    }
}

void TForm::closeEvent(QCloseEvent* event) {
    // The close box (or the application quitting): the form closes the way Close() closes it.
    // A modal form hides once its showing has ended; any other is hidden by now.
    Close();
    if (isVisible())
        event->ignore();
    else
        event->accept();
}

void TForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    for (QObject* o : children()) {
        if (auto* c = dynamic_cast<TControl*>(o))
            c->ParentResized(size());
    }
}

// --- hints -------------------------------------------------------------------------------------

void TForm::ShowHintFor(TControl& control, QPoint globalPos) {
    if (!showHint_ || !control.ShowHint() || control.Hint().empty()) {
        HideHint();
        return;
    }
    hintWindow_->ActivateHint(globalPos, control.Hint());
}

void TForm::HideHint() {
    if (hintWindow_)
        hintWindow_->ReleaseHint();
}

}  // namespace veloria::widgets
