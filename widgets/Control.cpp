#include "widgets/Control.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QPointer>
#include <cctype>

#include "widgets/Accessible.h"
#include "widgets/Form.h"
#include "widgets/QtText.h"
#include "widgets/Zoom.h"

namespace veloria::widgets {
namespace {

int nextSerial = 0;

WORD VirtualKey(const QKeyEvent& e) {
    const int k = e.key();
    if (k >= Qt::Key_A && k <= Qt::Key_Z)
        return WORD('A' + (k - Qt::Key_A));
    if (k >= Qt::Key_0 && k <= Qt::Key_9)
        return WORD('0' + (k - Qt::Key_0));
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24)
        return WORD(VK_F1 + (k - Qt::Key_F1));
    switch (k) {
        case Qt::Key_Backspace:
            return VK_BACK;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return VK_TAB;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return VK_RETURN;
        case Qt::Key_Shift:
            return VK_SHIFT;
        case Qt::Key_Control:
            return VK_CONTROL;
        case Qt::Key_Alt:
            return VK_MENU;
        case Qt::Key_Pause:
            return VK_PAUSE;
        case Qt::Key_CapsLock:
            return VK_CAPITAL;
        case Qt::Key_Escape:
            return VK_ESCAPE;
        case Qt::Key_Space:
            return VK_SPACE;
        case Qt::Key_PageUp:
            return VK_PRIOR;
        case Qt::Key_PageDown:
            return VK_NEXT;
        case Qt::Key_End:
            return VK_END;
        case Qt::Key_Home:
            return VK_HOME;
        case Qt::Key_Left:
            return VK_LEFT;
        case Qt::Key_Up:
            return VK_UP;
        case Qt::Key_Right:
            return VK_RIGHT;
        case Qt::Key_Down:
            return VK_DOWN;
        case Qt::Key_Insert:
            return VK_INSERT;
        case Qt::Key_Delete:
            return VK_DELETE;
        default:
            return WORD(k & 0xFFFF);
    }
}

TShiftState ShiftOf(const QKeyEvent& e) {
    TShiftState s;
    const auto m = e.modifiers();
    if (m & Qt::ShiftModifier || e.key() == Qt::Key_Backtab)
        s.Include(ssShift);
    if (m & Qt::AltModifier)
        s.Include(ssAlt);
    if (m & Qt::ControlModifier)
        s.Include(ssCtrl);
    return s;
}

// The character a key press types, as the key-press handlers receive it.
bool CharOf(const QKeyEvent& e, char& c) {
    const auto m = e.modifiers();
    if (m & Qt::AltModifier)
        return false;
    switch (e.key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            c = '\r';
            return true;
        case Qt::Key_Escape:
            c = 27;
            return true;
        case Qt::Key_Backspace:
            c = 8;
            return true;
        case Qt::Key_Tab:
            c = '\t';
            return true;
        default:
            break;
    }
    if (m & Qt::ControlModifier) {
        if (e.key() >= Qt::Key_A && e.key() <= Qt::Key_Z) {
            c = char(1 + (e.key() - Qt::Key_A));
            return true;
        }
        return false;
    }
    const QString text = e.text();
    if (text.size() != 1 || text.at(0).unicode() < 32 || text.at(0).unicode() == 127)
        return false;
    const std::string s = FromQString(text);
    if (s.size() != 1)
        return false;
    c = s[0];
    return true;
}

bool IsAccessChord(TShiftState s) {
    return s.Contains(ssAlt) && !s.Contains(ssCtrl);
}

}  // namespace

TControl* ControlOf(QWidget* widget) {
    for (QWidget* w = widget; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
        if (auto* c = dynamic_cast<TControl*>(w))
            return c;
    }
    return nullptr;
}

TControl::TControl(QWidget& self) : self_(self), serial_(nextSerial++) {
    // As the platform numbers them: in the order the controls are made on their parent.
    int siblings = 0;
    if (QWidget* p = self.parentWidget()) {
        for (QObject* o : p->children()) {
            if (o != &self && dynamic_cast<TControl*>(o))
                ++siblings;
        }
    }
    tabOrder_ = siblings;
}

TControl::~TControl() = default;

TForm* TControl::Form() const {
    return dynamic_cast<TForm*>(self_.window());
}

std::string TControl::Name() const {
    return self_.objectName().toStdString();
}

void TControl::SetName(std::string_view name) {
    self_.setObjectName(QString::fromUtf8(name.data(), qsizetype(name.size())));
}

int TControl::ZoomInUse() const {
    const TForm* form = Form();
    return form ? form->ZoomInUse() : 100;
}

int TControl::Scale(int length) const {
    return Scaled(length, ZoomInUse());
}

int TControl::Left() const {
    return Unscaled(self_.x(), ZoomInUse());
}

int TControl::Top() const {
    return Unscaled(self_.y(), ZoomInUse());
}

int TControl::Width() const {
    return Unscaled(self_.width(), ZoomInUse());
}

int TControl::Height() const {
    return Unscaled(self_.height(), ZoomInUse());
}

void TControl::Rezoom() {
    if (boundsSet_) {
        self_.setGeometry(Scaled(bounds_, ZoomInUse()));
        anchorBounds_ = self_.geometry();
        if (QWidget* p = self_.parentWidget())
            anchorParent_ = p->size();
    }
    if (fontSet_)
        self_.setFont(ToQFont(font_, ZoomInUse()));
    BoundsOrFontChanged();
}

void TControl::SetBounds(int left, int top, int width, int height) {
    bounds_ = QRect(left, top, std::max(0, width), std::max(0, height));
    boundsSet_ = true;
    self_.setGeometry(Scaled(bounds_, ZoomInUse()));
    anchorBounds_ = self_.geometry();
    if (QWidget* p = self_.parentWidget()) {
        anchorParent_ = p->size();
        // Controls are visible unless hidden, also those placed on a form already showing.
        if (p->isVisible() && !self_.testAttribute(Qt::WA_WState_ExplicitShowHide))
            self_.show();
    }
    BoundsOrFontChanged();
}

void TControl::SetAnchors(TAnchors anchors) {
    anchors_ = anchors;
    anchorBounds_ = self_.geometry();
    if (QWidget* p = self_.parentWidget())
        anchorParent_ = p->size();
}

void TControl::ParentResized(QSize size) {
    if (anchors_ == TAnchors{akLeft, akTop} || anchorParent_.isEmpty())
        return;
    QRect r = anchorBounds_;
    const int dx = size.width() - anchorParent_.width();
    const int dy = size.height() - anchorParent_.height();
    // A side anchored to one edge only keeps the size it has now (a label sizes itself).
    r.setWidth(self_.width());
    r.setHeight(self_.height());
    if (anchors_.Contains(akRight)) {
        if (anchors_.Contains(akLeft))
            r.setWidth(std::max(0, anchorBounds_.width() + dx));
        else
            r.moveLeft(anchorBounds_.right() + 1 + dx - self_.width());
    }
    if (anchors_.Contains(akBottom)) {
        if (anchors_.Contains(akTop))
            r.setHeight(std::max(0, anchorBounds_.height() + dy));
        else
            r.moveTop(r.top() + dy);
    }
    self_.setGeometry(r);
}

bool TControl::Visible() const {
    return !self_.isHidden();
}

void TControl::SetVisible(bool visible) {
    if (visible == Visible())
        return;
    TForm* form = Form();
    if (!visible && form)
        form->BeforeHideOrDisable(*this);
    self_.setVisible(visible);
    if (visible && form)
        form->AfterShowOrEnable(*this);
}

bool TControl::Enabled() const {
    return !self_.testAttribute(Qt::WA_ForceDisabled);
}

void TControl::SetEnabled(bool enabled) {
    if (enabled == Enabled())
        return;
    TForm* form = Form();
    if (!enabled && form)
        form->BeforeHideOrDisable(*this);
    self_.setEnabled(enabled);
    if (enabled && form)
        form->AfterShowOrEnable(*this);
}

bool TControl::CanFocus() const {
    return self_.focusPolicy() != Qt::NoFocus && self_.isEnabled() && self_.isVisible() &&
           Form() != nullptr;
}

bool TControl::Focused() const {
    TForm* form = Form();
    return form && form->ActiveControl() == this;
}

void TControl::SetFocus() {
    TForm* form = Form();
    if (!form || !CanFocus())
        throw WidgetError("Cannot focus a disabled or invisible window");
    form->FocusControl(*this);
}

void TControl::SetFont(const TFont& font) {
    font_ = font;
    fontSet_ = true;
    self_.setFont(ToQFont(font, ZoomInUse()));
    QPalette p = self_.palette();
    const QColor c = ToQColor(font.Color);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(QPalette::Active, role, c);
        p.setColor(QPalette::Inactive, role, c);
    }
    self_.setPalette(p);
    BoundsOrFontChanged();
}

TFont TControl::Font() const {
    if (fontSet_)
        return font_;
    TFont f;
    const QFont q = self_.font();
    f.Name = q.family().toStdString();
    f.Height = Unscaled(q.pixelSize() > 0 ? q.pixelSize() : int(q.pointSizeF() * 96.0 / 72.0 + 0.5),
                        ZoomInUse());
    if (q.bold())
        f.Style.Include(fsBold);
    if (q.italic())
        f.Style.Include(fsItalic);
    if (q.underline())
        f.Style.Include(fsUnderline);
    if (q.strikeOut())
        f.Style.Include(fsStrikeOut);
    f.Color = FromQColor(self_.palette().color(QPalette::WindowText));
    return f;
}

void TControl::SetFontColor(TColor color) {
    TFont f = Font();
    f.Color = color;
    SetFont(f);
}

void TControl::SetColor(TColor color) {
    color_ = color;
    ApplyColor(color);
}

void TControl::ApplyColor(TColor color) {
    QPalette p = self_.palette();
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button}) {
        p.setColor(role, ToQColor(color));
    }
    self_.setPalette(p);
    self_.setAutoFillBackground(true);
}

void TControl::SetHint(std::string_view hint) {
    if (hint == hint_)
        return;
    hint_ = hint;
    accessibility::Renamed(self_);
}

void TControl::SetAccessibleName(std::string_view name) {
    if (name == accessibleName_)
        return;
    accessibleName_ = name;
    accessibility::Renamed(self_);
}

void TControl::SetCursor(TCursor cursor) {
    switch (cursor) {
        case crDefault:
            self_.unsetCursor();
            break;
        case crHandPoint:
            self_.setCursor(Qt::PointingHandCursor);
            break;
        case crHourGlass:
            self_.setCursor(Qt::WaitCursor);
            break;
        case crIBeam:
            self_.setCursor(Qt::IBeamCursor);
            break;
    }
}

void TControl::BringToFront() {
    self_.raise();
}

void TControl::SendToBack() {
    self_.lower();
}

void TControl::Repaint() {
    self_.repaint();
}

void TControl::Invalidate() {
    self_.update();
}

char TControl::AccessKeyOf(std::string_view caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&')
            continue;
        if (caption[i + 1] == '&') {
            ++i;
            continue;
        }
        return char(std::toupper(static_cast<unsigned char>(caption[i + 1])));
    }
    return 0;
}

bool TControl::HandleEvent(QEvent* event, bool& result) {
    TForm* form = Form();
    switch (event->type()) {
        case QEvent::KeyPress:
            return KeyPress(static_cast<QKeyEvent&>(*event), result);
        case QEvent::KeyRelease:
            return KeyRelease(static_cast<QKeyEvent&>(*event), result);
        case QEvent::ShortcutOverride: {
            // Our access keys are ours: Qt's own mnemonics never see them.
            auto& ke = static_cast<QKeyEvent&>(*event);
            if (form && IsAccessChord(ShiftOf(ke)) && form->HasAccessKey(VirtualKey(ke))) {
                ke.accept();
                result = true;
                return true;
            }
            return false;
        }
        case QEvent::Shortcut:
            // Qt's mnemonics click later (animateClick); the form answers access keys at once.
            result = true;
            return true;
        case QEvent::FocusIn: {
            // The widget takes its focus first; then the form may move it on (a focus moved
            // away while the widget was still receiving it would leave the widget believing it
            // had it).
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            QPointer<QWidget> alive(&self_);
            result = BaseEvent(event);
            if (form && alive)
                form->QtFocusIn(*this, reason);
            return true;
        }
        case QEvent::ToolTip:
            if (form)
                form->ShowHintFor(*this, static_cast<QHelpEvent*>(event)->globalPos());
            result = true;
            return true;
        case QEvent::Leave:
        case QEvent::MouseButtonPress:
        case QEvent::Wheel:
            if (form)
                form->HideHint();
            return false;
        case QEvent::Resize:
            for (QObject* o : self_.children()) {
                if (auto* c = dynamic_cast<TControl*>(o))
                    c->ParentResized(self_.size());
            }
            return false;
        default:
            return false;
    }
}

bool TControl::KeyPress(QKeyEvent& event, bool& result) {
    TForm* form = Form();
    QPointer<QWidget> alive(&self_);
    if (form)
        form->HideHint();
    const WORD key = VirtualKey(event);
    const TShiftState shift = ShiftOf(event);
    event.accept();
    result = true;
    if (form)
        form->keysDown_.insert(key);
    if (form && form->DialogKey(this, key, shift))
        return true;
    if (!alive)
        return true;
    if (OnKeyDown) {
        WORD k = key;
        Dispatch(OnKeyDown, k, shift);
        if (!alive || k == 0)
            return true;
    }
    if (form && IsAccessChord(shift) && form->AccessKey(key))
        return true;
    if (!alive)
        return true;
    char ch = 0;
    if (CharOf(event, ch) && OnKeyPress) {
        char c = ch;
        Dispatch(OnKeyPress, c);
        if (!alive || c == 0)
            return true;
        if (c != ch) {
            TakeChar(c);
            return true;
        }
    }
    BaseEvent(&event);
    // Keys never travel on to the parent widgets: the form has had its turn already.
    event.accept();
    return true;
}

bool TControl::KeyRelease(QKeyEvent& event, bool& result) {
    event.accept();
    result = true;
    // A held key repeats its press; its release comes once, when it is let go.
    if (event.isAutoRepeat())
        return true;
    // The release of a key pressed elsewhere (in a box that the press dismissed, in the window
    // that the press left) is no key stroke here: running OnKeyUp for it would bring back the
    // failure that the box reported, at every dismissal.
    TForm* form = Form();
    const bool pressedHere = form && form->keysDown_.erase(VirtualKey(event)) > 0;
    QPointer<QWidget> alive(&self_);
    if (OnKeyUp && pressedHere) {
        WORD k = VirtualKey(event);
        Dispatch(OnKeyUp, k, ShiftOf(event));
        if (!alive || k == 0)
            return true;
    }
    BaseEvent(&event);
    event.accept();
    return true;
}

}  // namespace veloria::widgets
