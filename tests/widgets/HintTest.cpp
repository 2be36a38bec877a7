// The arrow-style hint window shown for a control's hint.
#include <gtest/gtest.h>

#include "tests/widgets/Fixtures.h"
#include "widgets/HintWindow.h"

namespace veloria::widgets::test {
namespace {

class HintTest : public WidgetTest {};

TEST_F(HintTest, HoveringAControlShowsItsHintWithTheFormsArrowColour) {
    LoggedForm form("form", log);
    form.SetShowHint(true);
    auto* button = form.Add<TdxButton>("button", 20, 20, 80, 24, 0);
    button->SetCaption("&Search");
    button->SetHint("Search in Veloria");
    auto* plain = form.Add<TdxButton>("plain", 120, 20, 80, 24, 1);
    form.OnActivate = [&] { form.HintWindow().SetArrowBackgroundColor(RGB(166, 202, 240)); };
    form.Show();
    THintWindow& hint = form.HintWindow();
    testing::MouseMove(*button, QPoint(10, 10));
    testing::MouseMove(*button, QPoint(12, 12));
    ASSERT_TRUE(testing::WaitFor([&] { return hint.Showing(); }));
    EXPECT_EQ(hint.Text(), "Search in Veloria");
    EXPECT_EQ(hint.ArrowBackgroundColor(), RGB(166, 202, 240));
    const QImage shot = hint.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(2, 1)), QColor(166, 202, 240));
    EXPECT_EQ(QColor(shot.pixel(shot.width() - 3, 1)), QColor(255, 255, 225));
    // A mouse press puts it away; a control without a hint shows none.
    testing::Click(*button, QPoint(12, 12));
    EXPECT_FALSE(hint.Showing());
    testing::MouseMove(*plain, QPoint(10, 10));
    testing::MouseMove(*plain, QPoint(12, 12));
    testing::ProcessEvents(1200);
    EXPECT_FALSE(hint.Showing());
}

TEST_F(HintTest, AFormWithoutHintsShowsNone) {
    LoggedForm form("form", log);
    auto* button = form.Add<TdxButton>("button", 20, 20, 80, 24, 0);
    button->SetHint("Close");
    form.Show();
    testing::MouseMove(*button, QPoint(10, 10));
    testing::MouseMove(*button, QPoint(12, 12));
    testing::ProcessEvents(1200);
    EXPECT_FALSE(form.HintWindow().Showing());
}

}  // namespace
}  // namespace veloria::widgets::test
