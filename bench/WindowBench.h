#pragma once

#include <stdlib.h>

#include <QApplication>
#include <optional>

#include "bench/Figures.h"
#include "widgets/Application.h"

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

}  // namespace veloria::bench
