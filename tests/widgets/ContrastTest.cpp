// The high-contrast look: every text on every background it colours reads at 7:1 or more, the
// marks of a search and the current sentence stay apart, and the focused button is framed boldly.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>

#include "tests/widgets/Fixtures.h"
#include "widgets/Look.h"

namespace veloria::widgets::test {
namespace {

int Distance(TColor a, TColor b) {
    return int(std::lround(std::hypot(a.r - b.r, a.g - b.g, a.b - b.b)));
}

TEST(ContrastTest, EveryTextOfTheHighContrastLookReadsAtSevenToOne) {
    EXPECT_NEAR(ContrastRatio(clBlack, clWhite), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(clWhite, clWhite), 1.0, 1e-9);
    const TLook& look = kHighContrastLook;
    struct Pair {
        const char* what;
        TColor text, background;
    };
    // The windows' text is black, the credits' link and heading blue, a selected row white.
    const Pair pairs[] = {
        {"grid titles", clBlack, look.fixedCells},
        {"main window", clBlack, look.mainWindow},
        {"reading windows", clBlack, look.readingWindow},
        {"search dialog", clBlack, look.searchDialog},
        {"credits", clBlack, look.credits},
        {"credits link", clBlue, look.credits},
        {"search mark", clBlack, look.matchBackground},
        {"current sentence", clBlack, look.currentBackground},
        {"gauge figure over the bar", clBlack, look.gaugeDone},
        {"gauge figure beside it", clBlack, look.gaugeRest},
        {"text boxes", clBlack, clWhite},
        {"hints", clBlack, clInfoBk},
        {"selected row", clHighlightText, clHighlight},
    };
    for (const Pair& p : pairs)
        EXPECT_GE(ContrastRatio(p.text, p.background), 7.0) << p.what;

    // The marks stay apart from each other and from the white they lie on.
    EXPECT_GE(Distance(look.matchBackground, look.currentBackground), 150);
    EXPECT_GE(Distance(look.matchBackground, clWhite), 100);
    EXPECT_GE(Distance(look.currentBackground, clWhite), 100);
    EXPECT_FALSE(look.backgroundPictures);
}

TEST(ContrastTest, TheFocusedButtonIsFramedBoldlyInTheHighContrastLook) {
    EventLog log;
    LoggedForm form("form", log);
    auto* button = form.Add<TdxButton>("button", 10, 10, 80, 24, 0);
    button->SetCaption("");
    form.Show();
    button->SetFocus();
    const auto darkAt = [&](int x, int y) {
        testing::ProcessEvents();
        return qGray(button->Widget().grab().toImage().pixel(x, y)) < 64;
    };
    // The standard look's dotted line leaves gaps; the bold frame is solid and three pixels wide.
    SetLook(kHighContrastLook);
    button->Invalidate();
    const bool solid = darkAt(40, 1) && darkAt(41, 2) && darkAt(40, 3) && darkAt(2, 12);
    SetLook(kStandardLook);
    button->Invalidate();
    EXPECT_TRUE(solid);
    EXPECT_FALSE(darkAt(40, 2) && darkAt(41, 2));
    form.Hide();
}

}  // namespace
}  // namespace veloria::widgets::test
