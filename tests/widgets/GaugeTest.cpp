// The progress gauge: clamping, percentage, the bar's width, and repainting only on a change.
#include <gtest/gtest.h>

#include "tests/widgets/Fixtures.h"
#include "widgets/Gauge.h"

namespace veloria::widgets::test {
namespace {

class GaugeTest : public WidgetTest {
  protected:
    void SetUp() override {
        form = std::make_unique<LoggedForm>("PBarra", log);
        form->SetBorderStyle(bsNone);
        form->SetClientSize(361, 100);
        gauge = form->Add<TGauge>("Gauge1", 27, 42, 297, 25, -1);
        gauge->SetForeColor(RGB(0, 0, 255));
        gauge->SetBackColor(RGB(255, 255, 255));
        gauge->SetShowText(false);
        form->Show();
        form->Repaint();
    }

    QImage Shot() { return gauge->grab().toImage(); }

    std::unique_ptr<LoggedForm> form;
    TGauge* gauge = nullptr;
};

TEST_F(GaugeTest, ProgressIsClampedAndThePercentageTruncated) {
    gauge->SetProgress(150);
    EXPECT_EQ(gauge->Progress(), 100);
    gauge->SetProgress(-5);
    EXPECT_EQ(gauge->Progress(), 0);
    gauge->SetMinValue(0);
    gauge->SetMaxValue(3);
    gauge->SetProgress(2);
    EXPECT_EQ(gauge->PercentDone(), 66);
    gauge->SetMaxValue(0);
    EXPECT_EQ(gauge->Progress(), 0);
    EXPECT_EQ(gauge->PercentDone(), 0);
}

TEST_F(GaugeTest, TheBarCoversTheShareOfTheInnerWidthInsideTheBorder) {
    gauge->SetProgress(50);
    // Inner width 295: 50 % is 147 whole pixels.
    EXPECT_EQ(gauge->BarWidth(), 147);
    const QImage shot = Shot();
    EXPECT_EQ(QColor(shot.pixel(0, 12)), QColor(0, 0, 0));      // border
    EXPECT_EQ(QColor(shot.pixel(1, 12)), QColor(0, 0, 255));    // first bar pixel
    EXPECT_EQ(QColor(shot.pixel(147, 12)), QColor(0, 0, 255));  // last bar pixel
    EXPECT_EQ(QColor(shot.pixel(148, 12)), QColor(255, 255, 255));
    EXPECT_EQ(QColor(shot.pixel(296, 12)), QColor(0, 0, 0));
    gauge->SetProgress(0);
    EXPECT_EQ(QColor(Shot().pixel(1, 12)), QColor(255, 255, 255));
}

TEST_F(GaugeTest, SettingTheProgressRepaintsAtOnceOnlyWhenThePercentageChanges) {
    const int before = gauge->PaintCount();
    gauge->SetProgress(0);  // already 0
    EXPECT_EQ(gauge->PaintCount(), before);
    gauge->AddProgress(1);
    EXPECT_EQ(gauge->PaintCount(), before + 1);  // synchronously, no event loop needed
    gauge->SetProgress(1);
    EXPECT_EQ(gauge->PaintCount(), before + 1);
    // With a range of 1000, ten steps share one percent.
    gauge->SetMaxValue(1000);
    const int ranged = gauge->PaintCount();
    for (int i = 0; i < 9; ++i)
        gauge->AddProgress(1);
    EXPECT_EQ(gauge->Progress(), 10);
    EXPECT_EQ(gauge->PaintCount(), ranged + 1);
    // Beyond the maximum: full, and no more paints.
    gauge->SetMaxValue(100);
    gauge->SetProgress(100);
    const int full = gauge->PaintCount();
    gauge->AddProgress(1);
    gauge->AddProgress(5);
    EXPECT_EQ(gauge->Progress(), 100);
    EXPECT_EQ(gauge->PaintCount(), full);
}

}  // namespace
}  // namespace veloria::widgets::test
