// The settings window: each change shows at once, is kept in the user's store, and is in effect
// again at the next start; the tip of the day can stay away at start while its draw goes on.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include "store/Table.h"
#include "tests/reading/ProgramFixture.h"
#include "widgets/Look.h"
#include "widgets/Zoom.h"

namespace veloria::test {
namespace {

using widgets::testing::WhenModal;

TEST_F(ProgramTest, SettingsShowAtOnceAndAreInEffectAtTheNextStart) {
    Start();
    std::string note;
    WhenModal(*FSettings, [&note] {
        FSettings->LargerButton->Click();
        FSettings->LargerButton->Click();
        FSettings->HighContrastLook->click();
        FSettings->TipAtStart->click();
        note = FSettings->FitNote->Caption();
        FSettings->Close();
    });
    widgets::testing::KeyClick(F(), Qt::Key_T, Qt::AltModifier);
    EXPECT_EQ(widgets::ZoomPercent(), 125);
    EXPECT_FALSE(widgets::Look().backgroundPictures);
    EXPECT_EQ(F().Color(), widgets::kHighContrastLook.mainWindow);
    EXPECT_FALSE(F().Image1->Visible());
    // The main window cannot show at 125 % on this screen: it is drawn smaller, and it is said.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    if (widgets::Scaled(749, 125) > area.width()) {
        EXPECT_LT(F().ZoomInUse(), 125);
        EXPECT_NE(note.find("too small for 125 %"), std::string::npos) << note;
    }
    EXPECT_TRUE(area.contains(F().frameGeometry()));

    EndProgram();
    app::CreateForms(nullptr);
    bool tipShown = false;
    WhenModal(*FFrase, [&tipShown] {
        tipShown = true;
        FFrase->Close();
    });
    Form1->Show();
    // No tip to wait for: the windows the commands open exist once the commands are on.
    EXPECT_TRUE(F().dxButton1->Enabled());
    EXPECT_NE(FGlosario, nullptr);
    widgets::testing::ProcessEvents();
    EXPECT_FALSE(tipShown);
    EXPECT_EQ(widgets::ZoomPercent(), 125);
    EXPECT_FALSE(widgets::Look().backgroundPictures);
    // Today's tip is drawn all the same.
    store::Table config("Configura.db");
    config.First();
    EXPECT_FALSE(config.FieldAsString("Fecha").empty());
    EXPECT_EQ(config.FieldAsString("BNumero").size(), 3u);
}

// A zoom by the keys while the window is open shows in it, as one by its own buttons does.
TEST_F(ProgramTest, TheSettingsWindowFollowsAZoomByTheKeys) {
    Start();
    std::string shown;
    WhenModal(*FSettings, [&shown] {
        widgets::testing::KeyClick(*FSettings, Qt::Key_Plus, Qt::ControlModifier);
        shown = FSettings->ZoomValue->Caption();
        FSettings->Close();
    });
    widgets::testing::KeyClick(F(), Qt::Key_T, Qt::AltModifier);
    EXPECT_EQ(widgets::ZoomPercent(), 110);
    EXPECT_EQ(shown, "110 %");
}

}  // namespace
}  // namespace veloria::test
