// One zoom for every window: geometry, fonts and pictures drawn larger from the windows' own
// coordinates, live; the zoom keys; and a window kept wholly on its screen.
#include <gtest/gtest.h>

#include <QImage>
#include <QScreen>

#include "tests/widgets/Fixtures.h"
#include "tests/widgets/Stripes.h"
#include "widgets/Picture.h"
#include "widgets/Zoom.h"

namespace veloria::widgets::test {
namespace {

class ZoomTest : public WidgetTest {
  protected:
    void SetUp() override {
        form = std::make_unique<LoggedForm>("form", log);
        edit = form->Add<TEdit>("Edit1", 10, 20, 100, 24, 0);
        edit->SetFont(TFont{"Arial", 15});
    }
    void TearDown() override {
        SetZoomPercent(100);
        WidgetTest::TearDown();
    }

    std::unique_ptr<LoggedForm> form;
    TEdit* edit = nullptr;
};

TEST_F(ZoomTest, GeometryAndFontsScaleLiveAndTheWindowKeepsItsOwnCoordinates) {
    form->Show();
    SetZoomPercent(200);
    EXPECT_EQ(form->ZoomInUse(), 200);
    EXPECT_EQ(form->size(), QSize(640, 440));
    EXPECT_EQ(edit->Widget().geometry(), QRect(20, 40, 200, 48));
    EXPECT_EQ(edit->Widget().font().pixelSize(), 30);
    // What the window reads back is what it laid out.
    EXPECT_EQ(edit->Left(), 10);
    EXPECT_EQ(edit->Width(), 100);
    EXPECT_EQ(edit->Font().Height, 15);
    EXPECT_EQ(form->ClientWidth(), 320);

    // A control placed while zoomed lands where it would have at 100 %, scaled.
    edit->SetBounds(30, 40, 50, 20);
    EXPECT_EQ(edit->Widget().geometry(), QRect(60, 80, 100, 40));

    SetZoomPercent(100);
    EXPECT_EQ(form->size(), QSize(320, 220));
    EXPECT_EQ(edit->Widget().geometry(), QRect(30, 40, 50, 20));
    EXPECT_EQ(edit->Widget().font().pixelSize(), 15);
}

TEST_F(ZoomTest, TheKeysAndTheWheelStepTheZoomWithinItsRange) {
    form->Show();
    testing::KeyClick(*form, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(ZoomPercent(), 110);
    for (int i = 0; i < 4; ++i)
        testing::KeyClick(*form, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(ZoomPercent(), 80);
    testing::KeyClick(*form, Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(ZoomPercent(), 100);
    for (int i = 0; i < 12; ++i)
        testing::KeyClick(*form, Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(ZoomPercent(), 300);
    SetZoomPercent(100);

    const auto wheel = [&](int notches, Qt::KeyboardModifiers mods) {
        QWidget& w = edit->Widget();
        const QPointF at = w.rect().center();
        QWheelEvent e(at, w.mapToGlobal(at), QPoint(), QPoint(0, notches * 120), Qt::NoButton, mods,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(&w, &e);
    };
    wheel(2, Qt::ControlModifier);
    EXPECT_EQ(ZoomPercent(), 125);
    wheel(-1, Qt::NoModifier);
    EXPECT_EQ(ZoomPercent(), 125);
    // The keys typed nothing into the box that had the focus.
    EXPECT_EQ(edit->Text(), "");
}

TEST_F(ZoomTest, APictureDrawnLargerTakesItsSharperSource) {
    auto* image = form->Add<TImage>("Image1", 0, 0, 20, 20, -1);
    image->SetPicture(TPicture(Stripes(40, 40, 192), false));
    form->Show();
    SetZoomPercent(200);
    testing::ProcessEvents();
    const QImage shot = image->Widget().grab().toImage();
    ASSERT_EQ(shot.size(), QSize(40, 40));
    for (int x = 0; x < 40; ++x)
        EXPECT_EQ(qRed(shot.pixel(x, 17)), x % 2 ? 255 : 0) << x;
}

TEST_F(ZoomTest, AWindowOpensWhollyOnItsScreenAtTheLargestZoomThatFits) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    // Too large for the screen at 100 %, small enough at 80 %.
    form->SetClientSize(area.width() * 9 / 8, area.height() * 9 / 8);
    form->SetPosition(poDesigned);
    form->SetLeftTop(-100, -50);
    form->Show();
    testing::ProcessEvents();
    const int zoom = form->ZoomInUse();
    EXPECT_LT(zoom, 100);
    EXPECT_GE(zoom, kZoomMin);
    EXPECT_TRUE(form->FitsOnScreen());
    EXPECT_TRUE(area.contains(form->frameGeometry())) << form->frameGeometry().x();
    // The largest that fits, to the percent; none fits below 80 %.
    bool fits = false;
    EXPECT_EQ(FittingZoom(QSize(1000, 400), QSize(8, 30), QSize(908, 600), 200, &fits), 90);
    EXPECT_TRUE(fits);
    EXPECT_EQ(FittingZoom(QSize(1000, 400), QSize(8, 30), QSize(500, 600), 200, &fits), 80);
    EXPECT_FALSE(fits);

    // A window that fits keeps the zoom chosen.
    auto small = std::make_unique<LoggedForm>("small", log);
    SetZoomPercent(150);
    small->Show();
    EXPECT_EQ(small->ZoomInUse(), 150);
    EXPECT_TRUE(area.contains(small->frameGeometry()));
}

}  // namespace
}  // namespace veloria::widgets::test
