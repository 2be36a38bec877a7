#include "widgets/Buttons.h"

#include "widgets/Look.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include "widgets/Accessible.h"
#include "widgets/Form.h"
#include "widgets/QtText.h"

namespace veloria::widgets {
namespace {

// The grey, flattened form of a glyph for a disabled button.
QImage DisabledGlyph(const QImage& glyph) {
    QImage out = glyph.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const int gray = 128 + qGray(line[x]) / 2;
            line[x] = qRgba(gray, gray, gray, qAlpha(line[x]) / 2);
        }
    }
    return out;
}

void DrawEdge(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
    p.setPen(topLeft);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(bottomRight);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

}  // namespace

// --- TdxButton ---------------------------------------------------------------------------------

TdxButton::TdxButton(QWidget* parent) : ControlHost<QWidget>(parent) {
    setFocusPolicy(Qt::StrongFocus);
    SetTabStop(true);
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
}

void TdxButton::SetCaption(std::string_view caption) {
    if (caption == caption_)
        return;
    caption_ = caption;
    update();
    accessibility::Renamed(*this);
}

void TdxButton::SetGlyph(const TPicture& glyph) {
    const bool meaningChanged = glyph.Description() != glyph_.Description();
    glyph_ = glyph;
    if (meaningChanged)
        accessibility::DescriptionChanged(*this);
    glyphShown_ = glyph.IsBitmap() ? glyph.Changed(TransparentBitmap) : glyph;
    glyphDisabled_ = glyphShown_.Empty() ? TPicture() : glyphShown_.Changed(DisabledGlyph);
    update();
}

void ButtonBehaviour::Press(TControl& button) const {
    if (modalResult_ != mrNone) {
        if (TForm* form = button.Form())
            form->SetModalResult(modalResult_);
    }
    // A copy: the handler may reassign itself while it runs.
    auto handler = button.OnClick;
    if (handler)
        handler();
}

void TdxButton::Click() {
    Press(*this);
}

void TdxButton::AccessKeyAction() {
    Dispatch([this] { Click(); });
}

void TdxButton::KeyboardClick() {
    Dispatch([this] { Click(); });
}

void TdxButton::ApplyColor(TColor color) {
    QPalette p = palette();
    p.setColor(QPalette::Button, ToQColor(color));
    setPalette(p);
    update();
}

QSize TdxButton::sizeHint() const {
    return QSize(75, 25);
}

void TdxButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    pressed_ = true;
    down_ = true;
    update();
}

void TdxButton::mouseMoveEvent(QMouseEvent* event) {
    if (!pressed_)
        return;
    const bool inside = rect().contains(event->position().toPoint());
    if (inside != down_) {
        down_ = inside;
        update();
    }
}

void TdxButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_)
        return;
    pressed_ = false;
    const bool click = rect().contains(event->position().toPoint());
    down_ = false;
    update();
    if (click)
        Dispatch([this] { Click(); });
}

void TdxButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat() &&
        !(event->modifiers() & (Qt::AltModifier | Qt::ControlModifier))) {
        spaceDown_ = true;
        down_ = true;
        update();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TdxButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && spaceDown_) {
        spaceDown_ = false;
        down_ = false;
        update();
        Dispatch([this] { Click(); });
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void TdxButton::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QWidget::enterEvent(event);
}

void TdxButton::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QWidget::leaveEvent(event);
}

void TdxButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        hovered_ = down_ = pressed_ = spaceDown_ = false;
    }
    QWidget::changeEvent(event);
}

void TdxButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    QColor face = palette().color(QPalette::Button);
    const bool enabled = isEnabled();
    const bool hot = enabled && (hovered_ || down_);
    if (hot && !down_)
        face = face.lighter(108);
    if (down_)
        face = face.darker(106);
    p.fillRect(r, face);
    if (hot) {
        const QRect edge = r.adjusted(0, 0, -1, -1);
        if (down_)
            DrawEdge(p, edge, QColor(128, 128, 128), QColor(255, 255, 255));
        else
            DrawEdge(p, edge, QColor(255, 255, 255), QColor(128, 128, 128));
    }

    // Glyph and caption side by side, centred together; pressed, both move by one pixel.
    const QString text = ToQString(caption_);
    const QFontMetrics fm(font());
    const TPicture& glyph = enabled ? glyphShown_ : glyphDisabled_;
    const int spacing = glyph.Empty() || text.isEmpty() ? 0 : 4;
    const int textWidth = fm.horizontalAdvance(WithoutMarker(caption_));
    const int glyphWidth = Scale(glyph.Width());
    const int glyphHeight = Scale(glyph.Height());
    const int total = glyphWidth + spacing + textWidth;
    int x = (r.width() - total) / 2;
    const int shift = down_ ? 1 : 0;
    if (!glyph.Empty()) {
        const QRect place(x + shift, (r.height() - glyphHeight) / 2 + shift, glyphWidth,
                          glyphHeight);
        p.setRenderHint(QPainter::SmoothPixmapTransform, ZoomInUse() != 100);
        p.drawImage(place, glyph.ImageFor(devicePixelRatioF() * ZoomInUse() / 100.0));
        x += glyphWidth + spacing;
    }
    const QRect textRect(x + shift, shift, textWidth + 2, r.height());
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic;
    if (enabled) {
        p.setPen(palette().color(QPalette::Active, QPalette::ButtonText));
        p.drawText(textRect, flags, text);
    } else {
        p.setPen(QColor(255, 255, 255));
        p.drawText(textRect.translated(1, 1), flags, text);
        p.setPen(QColor(128, 128, 128));
        p.drawText(textRect, flags, text);
    }
    if (hasFocus() && enabled) {
        const int frame = Scale(Look().focusFrame);
        p.setBrush(Qt::NoBrush);
        if (Look().focusFrame <= 1) {
            p.setPen(QPen(QColor(0, 0, 0), 1, Qt::DotLine));
            p.drawRect(r.adjusted(3, 3, -4, -4));
        } else {
            QPen pen(QColor(0, 0, 0), frame, Qt::SolidLine);
            pen.setJoinStyle(Qt::MiterJoin);
            p.setPen(pen);
            const int in = frame / 2 + 1;
            p.drawRect(r.adjusted(in, in, -in - 1 + frame % 2, -in - 1 + frame % 2));
        }
    }
}

// --- TButton -----------------------------------------------------------------------------------

TButton::TButton(QWidget* parent) : ControlHost<QPushButton>(parent) {
    setFocusPolicy(Qt::StrongFocus);
    SetTabStop(true);
    setAutoDefault(false);
    setDefault(false);
    QObject::connect(this, &QPushButton::clicked, this, [this] { Dispatch([this] { Click(); }); });
}

void TButton::SetCaption(std::string_view caption) {
    if (caption == caption_)
        return;
    caption_ = caption;
    setText(ToQString(caption));
    accessibility::Renamed(*this);
}

void TButton::Click() {
    Press(*this);
}

void TButton::AccessKeyAction() {
    Dispatch([this] { Click(); });
}

void TButton::KeyboardClick() {
    Dispatch([this] { Click(); });
}

// --- TCheckBox ---------------------------------------------------------------------------------

TCheckBox::TCheckBox(QWidget* parent) : ControlHost<QCheckBox>(parent) {
    setFocusPolicy(Qt::StrongFocus);
    SetTabStop(true);
    QObject::connect(this, &QCheckBox::clicked, this, [this] { Dispatch(OnClick); });
}

void TCheckBox::SetCaption(std::string_view caption) {
    caption_ = caption;
    setText(ToQString(caption));
}

void TCheckBox::SetChecked(bool checked) {
    if (checked == isChecked())
        return;
    setChecked(checked);
    auto handler = OnClick;
    if (handler)
        handler();
}

void TCheckBox::AccessKeyAction() {
    QPointer<QWidget> alive(this);
    Dispatch([this] { SetFocus(); });
    if (alive && isEnabled())
        Dispatch([this] { SetChecked(!isChecked()); });
}

void TCheckBox::ApplyColor(TColor color) {
    QPalette p = palette();
    p.setColor(QPalette::Window, ToQColor(color));
    setPalette(p);
    setAutoFillBackground(true);
}

// --- TRadioButton ------------------------------------------------------------------------------

TRadioButton::TRadioButton(QWidget* parent) : ControlHost<QRadioButton>(parent) {
    setFocusPolicy(Qt::StrongFocus);
    SetTabStop(true);
    QObject::connect(this, &QRadioButton::toggled, this, [this](bool on) {
        if (on && !programmatic_)
            Dispatch(OnClick);
    });
}

void TRadioButton::SetCaption(std::string_view caption) {
    caption_ = caption;
    setText(ToQString(caption));
}

void TRadioButton::SetChecked(bool checked) {
    if (checked == isChecked())
        return;
    programmatic_ = true;
    // Qt keeps one of a group selected; the platform lets the program clear them all.
    const bool exclusive = autoExclusive();
    if (!checked)
        setAutoExclusive(false);
    setChecked(checked);
    setAutoExclusive(exclusive);
    programmatic_ = false;
    if (checked) {
        auto handler = OnClick;
        if (handler)
            handler();
    }
}

void TRadioButton::AccessKeyAction() {
    QPointer<QWidget> alive(this);
    Dispatch([this] { SetFocus(); });
    if (alive && isEnabled())
        Dispatch([this] { SetChecked(true); });
}

void TRadioButton::ApplyColor(TColor color) {
    QPalette p = palette();
    p.setColor(QPalette::Window, ToQColor(color));
    setPalette(p);
    setAutoFillBackground(true);
}

}  // namespace veloria::widgets
