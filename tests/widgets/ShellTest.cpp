// The desktop's default action: a file or address no program could open is told, not lost.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <string>
#include <vector>

#include "widgets/Application.h"
#include "widgets/QtText.h"
#include "widgets/Testing.h"

namespace veloria::widgets::test {
namespace {

// Opens with the given opener and waits until it has ended; gives the failures told.
std::vector<std::string> OpenWith(const std::string& opener, std::string_view target) {
    Application().SetShellOpener(opener);
    std::vector<std::string> failures;
    ShellOpen(target, [&failures](const std::string& opened) { failures.push_back(opened); });
    EXPECT_TRUE(testing::WaitFor([] { return qApp->findChildren<QProcess*>().isEmpty(); }));
    testing::ProcessEvents();
    Application().SetShellOpener("xdg-open");
    return failures;
}

TEST(ShellOpenTest, TheOpenersExitStatusSaysWhetherAProgramOpenedTheFile) {
    const std::string path = FromQString(
        QDir::toNativeSeparators(QDir::current().absoluteFilePath(QStringLiteral("Help.htm"))));
    EXPECT_TRUE(OpenWith("true", "Help.htm").empty());
    EXPECT_EQ(OpenWith("false", "Help.htm"), std::vector<std::string>{path});
    EXPECT_EQ(OpenWith("/nonexistent/opener", "Help.htm"), std::vector<std::string>{path});
    EXPECT_EQ(OpenWith("false", "www.veloria.example.org"),
              std::vector<std::string>{"www.veloria.example.org"});
}

}  // namespace
}  // namespace veloria::widgets::test
