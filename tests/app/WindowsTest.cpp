// What every window of the program shows alike.
#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>

#include "tests/reading/ProgramFixture.h"

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

}  // namespace
}  // namespace veloria::test
