#include "widgets/StdCtrls.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QValidator>
#include <algorithm>
#include <utility>

#include "store/Text.h"
#include "widgets/Accessible.h"
#include "widgets/Form.h"
#include "widgets/QtText.h"

namespace veloria::widgets {
namespace {

// Turns what the user types or pastes into Windows-1252 capitals, letter by letter, as the
// corpus builder and the search upper-case.
class UpperCaseValidator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override {
        const QString upper = ToQString(store::UpperCaseLetters(FromQString(input)));
        if (upper != input) {
            input = upper;
            pos = std::min<int>(pos, int(input.size()));
        }
        return Acceptable;
    }
};

QString DisplayText(std::string_view caption) {
    QString t = ToQString(caption);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QChar('\r'), QChar('\n'));
    return t;
}

}  // namespace

// --- TLabel ------------------------------------------------------------------------------------

TLabel::TLabel(QWidget* parent) : ControlHost<QWidget>(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void TLabel::SetCaption(std::string_view caption) {
    if (caption == caption_)
        return;
    const std::string before = std::exchange(caption_, std::string(caption));
    AdjustSize();
    update();
    accessibility::LabelTextChanged(*this, before);
}

void TLabel::SetAlignment(TAlignment alignment) {
    alignment_ = alignment;
    update();
}

void TLabel::SetLayout(TTextLayout layout) {
    layout_ = layout;
    update();
}

void TLabel::SetAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    AdjustSize();
}

void TLabel::SetWordWrap(bool wrap) {
    wordWrap_ = wrap;
    AdjustSize();
    update();
}

void TLabel::SetTransparent(bool transparent) {
    transparent_ = transparent;
    update();
}

void TLabel::SetShowAccelChar(bool show) {
    showAccelChar_ = show;
    AdjustSize();
    update();
}

void TLabel::SetFocusControl(TControl* control) {
    focusControl_ = control;
    accessibility::Renamed(*this);
}

char TLabel::AccessKey() const {
    return showAccelChar_ && focusControl_ ? AccessKeyOf(caption_) : 0;
}

void TLabel::AccessKeyAction() {
    if (focusControl_ && focusControl_->CanFocus())
        Dispatch([this] { focusControl_->SetFocus(); });
}

void TLabel::ApplyColor(TColor) {
    colorSet_ = true;
    update();
}

void TLabel::BoundsOrFontChanged() {
    AdjustSize();
}

int TLabel::TextFlags() const {
    int flags = 0;
    switch (alignment_) {
        case taLeftJustify:
            flags |= Qt::AlignLeft;
            break;
        case taRightJustify:
            flags |= Qt::AlignRight;
            break;
        case taCenter:
            flags |= Qt::AlignHCenter;
            break;
    }
    switch (layout_) {
        case tlTop:
            flags |= Qt::AlignTop;
            break;
        case tlCenter:
            flags |= Qt::AlignVCenter;
            break;
        case tlBottom:
            flags |= Qt::AlignBottom;
            break;
    }
    if (wordWrap_)
        flags |= Qt::TextWordWrap;
    if (showAccelChar_)
        flags |= Qt::TextShowMnemonic;
    return flags;
}

void TLabel::AdjustSize() {
    if (!autoSize_ || adjusting_)
        return;
    QString text = DisplayText(caption_);
    if (text.isEmpty())
        text = QStringLiteral(" ");
    const QFontMetrics fm(font());
    const int flags =
        TextFlags() & ~(Qt::AlignRight | Qt::AlignHCenter | Qt::AlignBottom | Qt::AlignVCenter);
    QRect bounds = wordWrap_
                       ? fm.boundingRect(QRect(0, 0, std::max(1, width()), 100000), flags, text)
                       : fm.boundingRect(QRect(0, 0, 100000, 100000), flags, text);
    const int w = wordWrap_ ? width() : bounds.width();
    const int h = std::max(bounds.height(), fm.height());
    const QRect g = geometry();
    int left = g.left();
    if (alignment_ == taRightJustify)
        left = g.left() + g.width() - w;
    if (alignment_ == taCenter)
        left = g.left() + (g.width() - w) / 2;
    adjusting_ = true;
    setGeometry(left, g.top(), w, h);
    adjusting_ = false;
}

void TLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!transparent_) {
        QColor fill = ToQColor(Color());
        if (!colorSet_) {
            const QWidget* parent = parentWidget();
            fill = (parent ? parent->palette() : palette()).color(QPalette::Window);
        }
        p.fillRect(rect(), fill);
    }
    const QString text = DisplayText(caption_);
    const int flags = TextFlags();
    if (isEnabled()) {
        p.setPen(palette().color(QPalette::Active, QPalette::WindowText));
        p.drawText(rect(), flags, text);
    } else {
        p.setPen(QColor(255, 255, 255));
        p.drawText(rect().translated(1, 1), flags, text);
        p.setPen(QColor(128, 128, 128));
        p.drawText(rect(), flags, text);
    }
}

void TLabel::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
}

void TLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_)
        return;
    pressed_ = false;
    if (rect().contains(event->position().toPoint()))
        Dispatch(OnClick);
}

void TLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        Dispatch(OnDblClick);
}

TStaticText::TStaticText(QWidget* parent) : TLabel(parent) {
    SetTransparent(false);
    setFocusPolicy(Qt::TabFocus);
}

void TStaticText::KeyboardClick() {
    Dispatch(OnClick);
}

void TStaticText::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat() && OnClick &&
        !(event->modifiers() & (Qt::AltModifier | Qt::ControlModifier))) {
        Dispatch(OnClick);
        return;
    }
    TLabel::keyPressEvent(event);
}

void TStaticText::paintEvent(QPaintEvent* event) {
    TLabel::paintEvent(event);
    if (hasFocus()) {
        QPainter p(this);
        p.setPen(QPen(QColor(0, 0, 0), 1, Qt::DotLine));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

// --- TEdit -------------------------------------------------------------------------------------

TEdit::TEdit(QWidget* parent) : ControlHost<QLineEdit>(parent) {
    setFocusPolicy(Qt::StrongFocus);
    SetTabStop(true);
    setMaxLength(32767);
    QObject::connect(this, &QLineEdit::textChanged, this, [this] { Dispatch(OnChange); });
}

std::string TEdit::Text() const {
    return FromQString(text());
}

void TEdit::SetText(std::string_view text) {
    setText(ToQString(text));
}

void TEdit::SetCharCase(TEditCharCase charCase) {
    charCase_ = charCase;
    if (charCase == ecUpperCase) {
        setValidator(new UpperCaseValidator(this));
        SetText(store::UpperCaseLetters(Text()));
    } else {
        setValidator(nullptr);
    }
}

int TEdit::SelStart() const {
    return hasSelectedText() ? selectionStart() : cursorPosition();
}

int TEdit::SelLength() const {
    return hasSelectedText() ? int(selectedText().size()) : 0;
}

void TEdit::SetSelStart(int start) {
    setCursorPosition(std::clamp(start, 0, int(text().size())));
}

void TEdit::SetSelLength(int length) {
    const int start = SelStart();
    setSelection(start, std::clamp(length, 0, int(text().size()) - start));
}

std::string TEdit::SelText() const {
    return FromQString(selectedText());
}

void TEdit::TakeChar(char c) {
    if (!isReadOnly())
        insert(ToQString(std::string_view(&c, 1)));
}

void TEdit::ApplyColor(TColor color) {
    QPalette p = palette();
    p.setColor(QPalette::Base, ToQColor(color));
    setPalette(p);
}

// --- TGroupBox ---------------------------------------------------------------------------------

TGroupBox::TGroupBox(QWidget* parent) : ControlHost<QGroupBox>(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void TGroupBox::SetCaption(std::string_view caption) {
    caption_ = caption;
    setTitle(ToQString(caption));
}

void TGroupBox::AccessKeyAction() {
    TControl* first = nullptr;
    for (QObject* o : children()) {
        auto* c = dynamic_cast<TControl*>(o);
        if (c && c->TabStop() && c->CanFocus() && (!first || c->TabOrder() < first->TabOrder()))
            first = c;
    }
    if (first)
        Dispatch([first] { first->SetFocus(); });
}

void TGroupBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QFontMetrics fm(font());
    const QRect frame = rect().adjusted(0, fm.height() / 2, -1, -1);
    p.setPen(QColor(128, 128, 128));
    p.drawRect(frame.adjusted(0, 0, -1, -1));
    p.setPen(QColor(255, 255, 255));
    p.drawRect(frame.adjusted(1, 1, 0, 0));
    if (caption_.empty())
        return;
    const QString text = ToQString(caption_);
    const QRect box(8, 0, fm.horizontalAdvance(WithoutMarker(caption_)) + 2, fm.height());
    p.fillRect(box, palette().color(QPalette::Window));
    p.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    p.drawText(box.adjusted(1, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic, text);
}

// --- TBevel ------------------------------------------------------------------------------------

TBevel::TBevel(QWidget* parent) : ControlHost<QWidget>(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TBevel::SetShape(TBevelShape shape) {
    shape_ = shape;
    update();
}

void TBevel::SetStyle(TBevelStyle style) {
    style_ = style;
    update();
}

void TBevel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QColor dark(128, 128, 128), light(255, 255, 255);
    const QColor first = style_ == bsLowered ? dark : light;
    const QColor second = style_ == bsLowered ? light : dark;
    const QRect r = rect().adjusted(0, 0, -1, -1);
    auto edge = [&](const QRect& box, const QColor& tl, const QColor& br) {
        p.setPen(tl);
        p.drawLine(box.topLeft(), box.topRight());
        p.drawLine(box.topLeft(), box.bottomLeft());
        p.setPen(br);
        p.drawLine(box.bottomLeft(), box.bottomRight());
        p.drawLine(box.topRight(), box.bottomRight());
    };
    switch (shape_) {
        case bsBox:
            edge(r, first, second);
            break;
        case bsFrame:
            edge(r.adjusted(0, 0, -1, -1), first, first);
            edge(r.adjusted(1, 1, 0, 0), second, second);
            break;
        case bsTopLine:
            p.setPen(first);
            p.drawLine(0, 0, r.right(), 0);
            p.setPen(second);
            p.drawLine(0, 1, r.right(), 1);
            break;
        case bsBottomLine:
            p.setPen(first);
            p.drawLine(0, r.bottom() - 1, r.right(), r.bottom() - 1);
            p.setPen(second);
            p.drawLine(0, r.bottom(), r.right(), r.bottom());
            break;
        case bsLeftLine:
            p.setPen(first);
            p.drawLine(0, 0, 0, r.bottom());
            p.setPen(second);
            p.drawLine(1, 0, 1, r.bottom());
            break;
        case bsRightLine:
            p.setPen(first);
            p.drawLine(r.right() - 1, 0, r.right() - 1, r.bottom());
            p.setPen(second);
            p.drawLine(r.right(), 0, r.right(), r.bottom());
            break;
    }
}

}  // namespace veloria::widgets
