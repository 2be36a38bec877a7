// A second copy of the program for SecondInstanceTest: it starts the main window the way the
// program does, while the test holds the guard, and writes the box it shows (and whether it got
// past the guard) to the report file named by its argument.
#include <QApplication>
#include <fstream>
#include <string>

#include "reading/Principal.h"
#include "widgets/Application.h"
#include "widgets/Testing.h"

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    const std::string report = argv[1];
    veloria::widgets::testing::UseOffscreenUnlessSet();
    QApplication app(argc, argv);
    veloria::widgets::Application().SetDialogHook([report](const veloria::widgets::ShownDialog& d) {
        std::ofstream(report) << d.text << "|" << d.caption;
        return veloria::widgets::IDOK;
    });
    new TForm1();  // ends the process when another copy runs
    std::ofstream(report, std::ios::app) << "|created";
    return 0;
}
