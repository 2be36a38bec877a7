// The program: the splash, every window created once in a fixed order, the message loop.
#include <QApplication>
#include <exception>

#include "app/PaPresentacion.h"
#include "app/Program.h"
#include "widgets/Application.h"

using veloria::widgets::Application;

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    Application().Initialize();
    // Before the first window, so that every window shows it.
    Application().SetIcon(VELORIA_APP_ID);

    // Painted at once: the loop does not run until every window exists.
    TSplashForm splash;
    splash.Show();
    splash.Repaint();

    Application().SetTitle("Veloria");
    try {
        veloria::app::CreateForms(&splash);
    } catch (const std::exception& e) {
        // A table that cannot be opened leaves nothing to work with.
        Application().ShowException(e.what());
        return 1;
    }
    Application().Run();
    return 0;
}
