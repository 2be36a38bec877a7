#pragma once

#include "widgets/Types.h"

// The colours of the program's look, named by what they colour. A window asks the look in use for
// a colour by its role and writes no colour value of its own, so that another look (a high-contrast
// one) recolours every window at once. Black text and the white of the text boxes are no part of
// a look: they are what those controls are.
namespace veloria::widgets {

struct TLook {
    // The grid's title row and indicator column, and the panel behind a hint's arrow.
    TColor fixedCells;
    // The main window, behind its pictures.
    TColor mainWindow;
    // The windows that show a text to read: the paragraph and the Bible passages.
    TColor readingWindow;
    // The search dialog.
    TColor searchDialog;
    // The tip window's credits box and the web address over it.
    TColor credits;
    // Behind what a search matched in a sentence, and behind the current sentence of a longer
    // text (see TextMarks.h).
    TColor matchBackground;
    TColor currentBackground;
    // The progress gauge: the part done, and the rest.
    TColor gaugeDone;
    TColor gaugeRest;
    // Pictures behind text (the main window's background) are shown; a look that must keep every
    // text readable leaves them out and shows the window's colour.
    bool backgroundPictures = true;
    // The frame around a focused button, in pixels: 1 is the dotted line of the standard look,
    // wider ones are drawn solid.
    int focusFrame = 1;
    // The mark of a sentence the user has bookmarked.
    TColor bookmark;
};

// The look the windows were laid out in.
inline constexpr TLook kStandardLook{
    .fixedCells = RGB(166, 202, 240),
    .mainWindow = RGB(195, 220, 245),
    .readingWindow = RGB(119, 187, 255),
    .searchDialog = RGB(155, 205, 255),
    .credits = RGB(236, 245, 255),
    .matchBackground = RGB(255, 214, 90),
    .currentBackground = RGB(214, 232, 255),
    .gaugeDone = RGB(0, 0, 255),
    .gaugeRest = RGB(255, 255, 255),
    .bookmark = RGB(200, 60, 40),
};

// For eyes that need more: the windows' black text on light colours of at least 7:1 contrast,
// the marks of a search and the current sentence in colours far apart, no picture behind text,
// and a thick solid frame on the focused button.
inline constexpr TLook kHighContrastLook{
    .fixedCells = RGB(224, 224, 224),
    .mainWindow = RGB(255, 255, 255),
    .readingWindow = RGB(255, 255, 255),
    .searchDialog = RGB(255, 255, 255),
    .credits = RGB(255, 255, 255),
    .matchBackground = RGB(255, 255, 0),
    .currentBackground = RGB(150, 225, 255),
    .gaugeDone = RGB(0, 190, 255),
    .gaugeRest = RGB(255, 255, 255),
    .backgroundPictures = false,
    .focusFrame = 3,
    .bookmark = RGB(150, 0, 0),
};

// The look in use: the standard one until another is chosen. The windows read it when they are
// made and activated, so a change shows from their next activation.
//
// The contrast ratio of two colours (1 to 21), as accessibility guidelines measure it.
double ContrastRatio(TColor a, TColor b);
const TLook& Look();
void SetLook(const TLook& look);

}  // namespace veloria::widgets
