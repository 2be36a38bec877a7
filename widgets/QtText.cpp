#include "widgets/QtText.h"

#include <fontconfig/fontconfig.h>

#include <QFontMetrics>

#include "widgets/Zoom.h"

#include "store/Text.h"

namespace veloria::widgets {

QString ToQString(std::string_view cp1252) {
    return QString::fromStdString(store::ToUtf8(cp1252));
}

std::string FromQString(const QString& text) {
    return store::FromUtf8Lossy(text.toStdString());
}

QString WithoutMarker(std::string_view caption) {
    const QString in = ToQString(caption);
    QString out;
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in.at(i) == QLatin1Char('&') && i + 1 < in.size())
            ++i;
        out.append(in.at(i));
    }
    return out;
}

QColor ToQColor(TColor c) {
    return QColor(c.r, c.g, c.b);
}

TColor FromQColor(const QColor& c) {
    return RGB(c.red(), c.green(), c.blue());
}

QFont ToQFont(const TFont& font, int zoomPercent) {
    QFont f(QString::fromStdString(font.Name));
    f.setPixelSize(Scaled(font.Height > 0 ? font.Height : 11, zoomPercent));
    f.setBold(font.Style.Contains(fsBold));
    f.setItalic(font.Style.Contains(fsItalic));
    f.setUnderline(font.Style.Contains(fsUnderline));
    f.setStrikeOut(font.Style.Contains(fsStrikeOut));
    return f;
}

void MatchFontsAhead(std::initializer_list<const char*> names) {
    for (const char* name : names)
        QFontMetrics(QFont(QString::fromLatin1(name))).height();
}

void ReadFontConfiguration() {
    // Qt reads the configuration through the same call at its first font, and takes the one read
    // here; the library sees to two threads reading at once.
    FcInit();
}

}  // namespace veloria::widgets
