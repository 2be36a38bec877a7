#pragma once

#include <stdlib.h>

#include <QApplication>
#include <optional>

#include "app/Program.h"
#include "bench/Figures.h"
#include "reading/Principal.h"
#include "tip/PaFrase.h"
#include "widgets/Application.h"
#include "widgets/Testing.h"

namespace veloria::bench {

// The start of the main() of a bench of windows: off screen unless a platform is named, the bench's
// flags read (Start), then the application and the widget layer made. False for an unknown flag.
inline bool StartWindows(int& argc, char** argv, std::optional<QApplication>& app) {
    if (!getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!Start(argc, argv))
        return false;
    app.emplace(argc, argv);
    widgets::Application().Initialize();
    return true;
}

// The program started in the working directory as its process starts it: every window made, the
// main window shown, the tip of the day closed as soon as it shows.
inline TForm1& ShowProgram() {
    app::CreateForms(nullptr);
    widgets::testing::WhenModal(*FFrase, [] { FFrase->Close(); });
    Form1->Show();
    widgets::testing::ProcessEvents();
    return *Form1;
}

}  // namespace veloria::bench
