#include "widgets/Gauge.h"

#include <QPainter>
#include <QPixmap>
#include <algorithm>

#include "widgets/Accessible.h"
#include "widgets/QtText.h"

namespace veloria::widgets {

TGauge::TGauge(QWidget* parent) : ControlHost<QWidget>(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int TGauge::PercentDone() const {
    if (max_ == min_)
        return 0;
    return int((static_cast<long long>(progress_) - min_) * 100 /
               (static_cast<long long>(max_) - min_));
}

void TGauge::SetMinValue(int value) {
    const int before = PercentDone();
    min_ = value;
    if (max_ < min_)
        max_ = min_;
    progress_ = std::clamp(progress_, min_, max_);
    Changed(before);
}

void TGauge::SetMaxValue(int value) {
    const int before = PercentDone();
    max_ = value;
    if (min_ > max_)
        min_ = max_;
    progress_ = std::clamp(progress_, min_, max_);
    Changed(before);
}

void TGauge::SetProgress(int value) {
    const int before = PercentDone();
    progress_ = std::clamp(value, min_, max_);
    Changed(before);
}

void TGauge::Changed(int oldPercent) {
    if (PercentDone() == oldPercent)
        return;
    if (isVisible())
        repaint();
    accessibility::ValueChanged(*this, progress_);
}

void TGauge::SetForeColor(TColor color) {
    fore_ = color;
    update();
}

void TGauge::SetBackColor(TColor color) {
    back_ = color;
    update();
}

void TGauge::SetShowText(bool show) {
    showText_ = show;
    update();
}

void TGauge::SetBorderStyle(TBorderStyle style) {
    border_ = style != bsNone;
    update();
}

int TGauge::BarWidth() const {
    const int inner = std::max(0, width() - (border_ ? 2 : 0));
    return int(static_cast<long long>(inner) * PercentDone() / 100);
}

void TGauge::paintEvent(QPaintEvent*) {
    ++paints_;
    // Drawn whole off the screen first, at the screen's own density so the figure stays sharp.
    QPixmap picture(size() * devicePixelRatioF());
    picture.setDevicePixelRatio(devicePixelRatioF());
    {
        QPainter p(&picture);
        const QRect all = rect();
        const int edge = Scale(1);
        const QRect inner = border_ ? all.adjusted(edge, edge, -edge, -edge) : all;
        if (border_)
            p.fillRect(all, QColor(0, 0, 0));
        p.fillRect(inner, ToQColor(back_));
        const int bar = BarWidth();
        if (bar > 0)
            p.fillRect(QRect(inner.left(), inner.top(), bar, inner.height()), ToQColor(fore_));
        if (showText_) {
            p.setFont(font());
            p.setPen(palette().color(QPalette::WindowText));
            p.drawText(inner, Qt::AlignCenter, QStringLiteral("%1%").arg(PercentDone()));
        }
    }
    QPainter(this).drawPixmap(0, 0, picture);
}

}  // namespace veloria::widgets
