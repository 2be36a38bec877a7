#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <initializer_list>
#include <string>
#include <string_view>

#include "widgets/Types.h"

// The one crossing between the tables' Windows-1252 text and Qt's strings, and between our
// colours and fonts and Qt's. Every Windows-1252 character is one QChar, so positions carry over.
namespace veloria::widgets {

QString ToQString(std::string_view cp1252);
// Characters Windows-1252 cannot hold become '?'.
std::string FromQString(const QString& text);

// A caption as it reads: each '&' that marks the next character as its access key dropped, "&&"
// read as one '&'.
QString WithoutMarker(std::string_view caption);

QColor ToQColor(TColor c);
TColor FromQColor(const QColor& c);

// At a zoom in percent: the character height scaled with the rest of the window.
QFont ToQFont(const TFont& font, int zoomPercent = 100);

// Reads the system's font configuration, which every font is matched against, as the first font
// used would. Safe on any thread, also before the application object exists: done beside the
// start, it spares the first window's making that reading, about half of what its fonts cost.
void ReadFontConfiguration();
// Looks up the font names, as a window's first text in each would. Qt keeps for all threads
// the fonts it found installed and the families it falls back on for a name, and for each thread
// the font it then opens: done beside the start, this spares the first window's making the first
// two, some 2.5 ms. Safe on any thread once the application object exists and has installed the
// names' substitutes (TApplication::Initialize).
void MatchFontsAhead(std::initializer_list<const char*> names);

}  // namespace veloria::widgets
