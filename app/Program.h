#pragma once

#include <memory>

#include "app/PaPresentacion.h"
#include "app/StartPreparation.h"

namespace veloria::app {

// Creates every window once, hidden, in the order the program relies on, and hands the splash
// window to the main window. The preparation is finished first: what it throws is thrown, what it
// has to say about the user's store is said. The main window and the tip of the day are made at
// once, and a table either cannot open throws; the other windows once the first window is
// painted, and a table they cannot open ends the program with its message.
void CreateForms(TSplashForm* splash, StartPreparation& preparation);
// The same with the preparation done here, on this thread.
void CreateForms(TSplashForm* splash);

// Every window known as none: before a start, and once the windows are destroyed.
void ForgetForms();

}  // namespace veloria::app
