// What every window of the program shows alike.
#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>

#include "tests/reading/ProgramFixture.h"
#include "widgets/Buttons.h"

namespace veloria::test {
namespace {

TEST_F(ProgramTest, EveryWindowShowsTheProgramsIcon) {
    // Run from the build tree, where no icon is installed: the copy built into the program.
    widgets::Application().SetIcon(VELORIA_APP_ID);
    Start();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* form = dynamic_cast<widgets::TForm*>(w)) {
            EXPECT_FALSE(form->windowIcon().pixmap(32, 32).isNull()) << form->Name();
        }
    }
}

TEST_F(ProgramTest, TheButtonsOfEachWindowShareOneFont) {
    Start();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* form = dynamic_cast<widgets::TForm*>(w);
        if (!form)
            continue;
        std::vector<widgets::TdxButton*> buttons;
        for (QWidget* c : form->findChildren<QWidget*>()) {
            if (auto* b = dynamic_cast<widgets::TdxButton*>(c))
                buttons.push_back(b);
        }
        for (widgets::TdxButton* b : buttons) {
            EXPECT_EQ(b->font(), buttons.front()->font())
                << form->Name() << ": " << b->Name() << " and " << buttons.front()->Name();
        }
    }
}

}  // namespace
}  // namespace veloria::test
