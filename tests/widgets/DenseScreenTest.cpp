// On a screen with two device pixels per pixel (QT_SCALE_FACTOR=2, a 192-dpi screen): layouts
// keep their sizes, pictures with a sharper source are shown pixel for pixel, the rest is scaled
// up, and what the widgets draw themselves is drawn at the screen's density.
#include <gtest/gtest.h>

#include <QImage>

#include "tests/widgets/Fixtures.h"
#include "tests/widgets/Stripes.h"
#include "widgets/Gauge.h"
#include "widgets/Picture.h"

namespace veloria::widgets::test {
namespace {

class DenseScreenTest : public WidgetTest {
  protected:
    void SetUp() override {
        ASSERT_EQ(qApp->devicePixelRatio(), 2) << "run with QT_SCALE_FACTOR=2";
        form = std::make_unique<LoggedForm>("form", log);
    }

    // The device pixels of a widget as the screen shows it.
    static QImage Shot(QWidget& w) {
        testing::ProcessEvents();
        return w.grab().toImage();
    }

    std::unique_ptr<LoggedForm> form;
};

TEST_F(DenseScreenTest, APictureWithASharperSourceIsShownPixelForPixel) {
    auto* image = form->Add<TImage>("Image1", 0, 0, 20, 20, -1);
    image->SetPicture(TPicture(Stripes(40, 40, 192), false));
    form->Show();
    const QImage shot = Shot(*image);
    ASSERT_EQ(shot.size(), QSize(40, 40));
    for (int x = 0; x < 40; ++x)
        EXPECT_EQ(qRed(shot.pixel(x, 17)), x % 2 ? 255 : 0) << x;
}

TEST_F(DenseScreenTest, ABitmapOfTheWorkingDirectoryKeepsItsPlaceAndIsScaledUp) {
    auto* image = form->Add<TImage>("Image2", 0, 0, 20, 20, -1);
    image->SetPicture(TPicture(Stripes(20, 20, 96)));
    form->Show();
    const QImage shot = Shot(*image);
    ASSERT_EQ(shot.size(), QSize(40, 40));
    for (int x = 0; x < 40; ++x)
        EXPECT_EQ(qRed(shot.pixel(x, 17)), (x / 2) % 2 ? 255 : 0) << x;
}

TEST_F(DenseScreenTest, AButtonGlyphWithASharperSourceIsShownPixelForPixel) {
    auto* button = form->Add<TdxButton>("dxButton1", 10, 10, 80, 24, -1);
    button->SetGlyph(TPicture(Stripes(32, 32, 192), false));
    form->Show();
    const QImage shot = Shot(*button);
    ASSERT_EQ(shot.size(), QSize(160, 48));
    // Without a caption the 16 x 16 glyph is centred: device pixels 64 to 95 across.
    for (int x = 64; x < 96; ++x)
        EXPECT_EQ(qRed(shot.pixel(x, 24)), x % 2 ? 255 : 0) << x;
}

TEST_F(DenseScreenTest, TheGaugeDrawsItsFigureAtTheScreensDensity) {
    auto* gauge = form->Add<TGauge>("Gauge1", 10, 10, 120, 30, -1);
    gauge->SetForeColor(RGB(0, 0, 255));
    gauge->SetBackColor(RGB(255, 255, 255));
    gauge->SetFont(TFont{"Arial", 17});
    gauge->SetShowText(true);
    gauge->SetProgress(48);
    form->Show();
    const QImage shot = Shot(*gauge);
    ASSERT_EQ(shot.size(), QSize(240, 60));
    // Drawn at 96 dpi and scaled up, every 2 x 2 block of device pixels would be one colour.
    int detailed = 0;
    for (int y = 0; y + 1 < shot.height(); y += 2) {
        for (int x = 0; x + 1 < shot.width(); x += 2) {
            const QRgb c = shot.pixel(x, y);
            detailed += c != shot.pixel(x + 1, y) || c != shot.pixel(x, y + 1) ||
                        c != shot.pixel(x + 1, y + 1);
        }
    }
    EXPECT_GT(detailed, 20);
}

}  // namespace
}  // namespace veloria::widgets::test
