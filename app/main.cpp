// The program: the splash, every window created once in a fixed order, the message loop.
#include <QApplication>
#include <exception>

#include "app/PaPresentacion.h"
#include "app/Program.h"
#include "app/StartPreparation.h"
#include "widgets/Application.h"

using veloria::widgets::Application;

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    Application().Initialize();
    // The start's work that needs no window, on the other processor while the splash is shown.
    // Not begun before Qt's own start, which waits on the display server at every step: the
    // server then found both processors busy, and Qt's start lost what the work gained. Nor
    // before the font substitutes are installed: the work looks fonts up.
    veloria::app::StartPreparation preparation;
    // Before the first window, so that every window shows it.
    Application().SetIcon(VELORIA_APP_ID);

    // Painted at once: the loop does not run until every window exists.
    TSplashForm splash;
    splash.Show();
    splash.Repaint();

    Application().SetTitle("Veloria");
    try {
        veloria::app::CreateForms(&splash, preparation);
    } catch (const std::exception& e) {
        // A table that cannot be opened or made leaves nothing to work with.
        Application().ShowException(e.what());
        return 1;
    }
    Application().Run();
    return 0;
}
