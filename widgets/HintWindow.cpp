#include "widgets/HintWindow.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "widgets/QtText.h"
#include "widgets/Zoom.h"

namespace veloria::widgets {

THintWindow::THintWindow(QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    SetFont(TFont{"MS Sans Serif", 11, {}, clBlack});
    hideTimer_.setSingleShot(true);
    QObject::connect(&hideTimer_, &QTimer::timeout, this, [this] { ReleaseHint(); });
}

void THintWindow::SetArrowBackgroundColor(TColor color) {
    arrowColor_ = color;
    update();
}

void THintWindow::SetColor(TColor color) {
    color_ = color;
    update();
}

void THintWindow::SetFont(const TFont& font) {
    font_ = font;
    setFont(ToQFont(font, zoom_));
}

void THintWindow::SetZoom(int percent) {
    zoom_ = percent;
    SetFont(font_);
}

void THintWindow::ActivateHint(QPoint globalPos, std::string_view text) {
    text_ = text;
    const QFontMetrics fm(font());
    const QString t = ToQString(text);
    const int panel = Scaled(kArrowPanel, zoom_);
    const QSize size(panel + 8 + fm.horizontalAdvance(t) + 6, std::max(fm.height() + 6, panel + 2));
    QPoint at = globalPos + QPoint(0, 20);
    if (QScreen* screen = QGuiApplication::screenAt(globalPos)) {
        const QRect area = screen->geometry();
        at.setX(
            std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - size.width())));
        if (at.y() + size.height() > area.bottom())
            at.setY(globalPos.y() - size.height() - 4);
    }
    setGeometry(QRect(at, size));
    show();
    update();
    hideTimer_.start(kHidePause);
}

void THintWindow::ReleaseHint() {
    hideTimer_.stop();
    if (isVisible())
        hide();
}

void THintWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, ToQColor(color_));
    const int width = Scaled(kArrowPanel, zoom_);
    p.fillRect(QRect(0, 0, width, r.height()), ToQColor(arrowColor_));
    // The arrow: a white triangle pointing at the text, centred in its panel.
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    const int cy = r.height() / 2;
    const qreal z = zoom_ / 100.0;
    const QPointF arrow[3] = {QPointF(5 * z, cy - 5 * z), QPointF(13 * z, cy),
                              QPointF(5 * z, cy + 5 * z)};
    p.drawPolygon(arrow, 3);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(0, 0, 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.drawText(r.adjusted(width + 6, 0, -3, 0), Qt::AlignVCenter | Qt::AlignLeft, ToQString(text_));
}

}  // namespace veloria::widgets
