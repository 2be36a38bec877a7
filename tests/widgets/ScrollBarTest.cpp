// The scroll bar's notifications: each action before the position is stored, one end-of-scroll
// with the final position after every gesture.
#include <gtest/gtest.h>

#include <QStyle>
#include <QStyleOptionSlider>

#include "tests/widgets/Fixtures.h"
#include "widgets/ScrollBar.h"

namespace veloria::widgets::test {
namespace {

// One notification: its code, the new position it brings, the position stored meanwhile.
struct Note {
    TScrollCode code;
    int pos;
    int stored;
    friend bool operator==(const Note&, const Note&) = default;
};

std::ostream& operator<<(std::ostream& out, const Note& n) {
    return out << "{" << int(n.code) << ", " << n.pos << ", " << n.stored << "}";
}

class ScrollBarTest : public WidgetTest {
  protected:
    void SetUp() override {
        form = std::make_unique<LoggedForm>("form", log);
        edit = form->Add<TEdit>("edit", 10, 10, 100, 24, 0);
        bar = form->Add<TScrollBar>("bar", 200, 20, 18, 153, 1, sbVertical);
        bar->SetParams(1, 1, 100);
        bar->SetSmallChange(1);
        bar->SetLargeChange(10);
        bar->OnScroll = [this](TScrollCode code, int& pos) {
            notes.push_back({code, pos, bar->Position()});
        };
        form->Show();
    }

    // Where a part of the bar is, in the bar's coordinates.
    QRect Part(QStyle::SubControl part) const {
        QStyleOptionSlider opt;
        opt.initFrom(bar);
        opt.orientation = bar->orientation();
        opt.minimum = bar->minimum();
        opt.maximum = bar->maximum();
        opt.sliderPosition = bar->sliderPosition();
        opt.sliderValue = bar->value();
        opt.singleStep = bar->singleStep();
        opt.pageStep = bar->pageStep();
        opt.subControls = QStyle::SC_All;
        return bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, part, bar);
    }

    std::unique_ptr<LoggedForm> form;
    TEdit* edit = nullptr;
    TScrollBar* bar = nullptr;
    std::vector<Note> notes;
};

TEST_F(ScrollBarTest, AnArrowClickNotifiesBeforeStoringAndEndsWithTheFinalPosition) {
    testing::Click(*bar, Part(QStyle::SC_ScrollBarAddLine).center());
    EXPECT_EQ(notes, (std::vector<Note>{{scLineDown, 2, 1}, {scEndScroll, 2, 2}}));
    EXPECT_EQ(bar->Position(), 2);
    notes.clear();
    testing::Click(*bar, Part(QStyle::SC_ScrollBarSubLine).center());
    EXPECT_EQ(notes, (std::vector<Note>{{scLineUp, 1, 2}, {scEndScroll, 1, 1}}));
    // At the minimum a line up brings nothing new, but still ends.
    notes.clear();
    testing::Click(*bar, Part(QStyle::SC_ScrollBarSubLine).center());
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes.back(), (Note{scEndScroll, 1, 1}));
}

TEST_F(ScrollBarTest, APageClickMovesByTheLargeChange) {
    testing::Click(*bar, Part(QStyle::SC_ScrollBarAddPage).center());
    EXPECT_EQ(notes, (std::vector<Note>{{scPageDown, 11, 1}, {scEndScroll, 11, 11}}));
}

TEST_F(ScrollBarTest, AThumbDragTracksThenReportsThePositionAndEnds) {
    const QRect groove = Part(QStyle::SC_ScrollBarGroove);
    const QPoint start = Part(QStyle::SC_ScrollBarSlider).center();
    testing::MousePress(*bar, start);
    testing::MouseMove(*bar, start + QPoint(0, groove.height() / 4));
    testing::MouseMove(*bar, start + QPoint(0, groove.height() / 2));
    testing::MouseRelease(*bar, start + QPoint(0, groove.height() / 2));
    ASSERT_GE(notes.size(), 4u);
    const int final = bar->Position();
    EXPECT_GT(final, 40);
    // While dragging each notification brings the new position; the stored one trails it.
    EXPECT_EQ(notes[0].code, scTrack);
    EXPECT_EQ(notes[0].stored, 1);
    EXPECT_EQ(notes[1].code, scTrack);
    EXPECT_EQ(notes[1].stored, notes[0].pos);
    EXPECT_EQ(notes[1].pos, final);
    EXPECT_EQ(notes[notes.size() - 2], (Note{scPosition, final, final}));
    EXPECT_EQ(notes.back(), (Note{scEndScroll, final, final}));
}

TEST_F(ScrollBarTest, KeysScrollAndEachKeyEnds) {
    bar->SetFocus();
    testing::KeyClick(*form, Qt::Key_Down);
    testing::KeyClick(*form, Qt::Key_End);
    testing::KeyClick(*form, Qt::Key_Home);
    EXPECT_EQ(notes, (std::vector<Note>{{scLineDown, 2, 1},
                                        {scEndScroll, 2, 2},
                                        {scBottom, 100, 2},
                                        {scEndScroll, 100, 100},
                                        {scTop, 1, 100},
                                        {scEndScroll, 1, 1}}));
}

TEST_F(ScrollBarTest, TheWheelScrollsByLinesAndEnds) {
    testing::Wheel(*bar, -1);
    const int lines = QApplication::wheelScrollLines();
    ASSERT_EQ(notes.size(), std::size_t(lines + 1));
    for (int i = 0; i < lines; ++i)
        EXPECT_EQ(notes[i], (Note{scLineDown, 2 + i, 1 + i}));
    EXPECT_EQ(notes.back(), (Note{scEndScroll, 1 + lines, 1 + lines}));
}

TEST_F(ScrollBarTest, TheHandlersPositionIsWhatTheBarStores) {
    // A handler that sets the position itself (as the grid's focus display does) is overridden
    // by the notification's own position; one that changes pos decides.
    bar->OnScroll = [this](TScrollCode code, int& pos) {
        notes.push_back({code, pos, bar->Position()});
        bar->SetPosition(50);
        if (code == scPageDown)
            pos = 30;
    };
    testing::Click(*bar, Part(QStyle::SC_ScrollBarAddLine).center());
    EXPECT_EQ(bar->Position(), 2);
    testing::Click(*bar, Part(QStyle::SC_ScrollBarAddPage).center());
    EXPECT_EQ(bar->Position(), 30);
    // Set by the program: clamped, and no notification.
    notes.clear();
    bar->SetPosition(500);
    EXPECT_EQ(bar->Position(), 100);
    bar->SetPosition(-3);
    EXPECT_EQ(bar->Position(), 1);
    bar->SetParams(1, 1, 1);
    EXPECT_EQ(bar->Max(), 1);
    EXPECT_TRUE(notes.empty());
}

// The reading window gives its grid the focus in every notification; the gesture still ends
// on the bar with the final position.
TEST_F(ScrollBarTest, AGestureEndsOnTheBarAlthoughAHandlerMovedTheFocus) {
    bar->OnScroll = [this](TScrollCode code, int& pos) {
        notes.push_back({code, pos, bar->Position()});
        edit->SetFocus();
    };
    const QRect groove = Part(QStyle::SC_ScrollBarGroove);
    const QPoint start = Part(QStyle::SC_ScrollBarSlider).center();
    testing::MousePress(*bar, start);
    testing::MouseMove(*bar, start + QPoint(0, groove.height() / 3));
    testing::MouseRelease(*bar, start + QPoint(0, groove.height() / 3));
    ASSERT_GE(notes.size(), 3u);
    EXPECT_EQ(notes.back().code, scEndScroll);
    EXPECT_EQ(notes.back().pos, bar->Position());
    EXPECT_GT(bar->Position(), 20);
    EXPECT_TRUE(edit->Focused());
    EXPECT_FALSE(bar->isSliderDown());
}

TEST_F(ScrollBarTest, TheBarTakesTheFocusWhenClicked) {
    log.Clear();
    testing::Click(*bar, Part(QStyle::SC_ScrollBarAddLine).center());
    EXPECT_EQ(log.events, (std::vector<std::string>{"edit.exit", "bar.enter"}));
}

}  // namespace
}  // namespace veloria::widgets::test
