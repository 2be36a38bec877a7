#pragma once

#include <memory>

#include "app/PaPresentacion.h"

namespace veloria::app {

// Creates every window once, hidden, in the order the program relies on (the main window first),
// and hands the splash window to the main window. Throws when a window cannot open its tables.
void CreateForms(TSplashForm* splash);

}  // namespace veloria::app
