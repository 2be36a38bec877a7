#pragma once

#include <xcb/xcb.h>

#include <optional>
#include <string>
#include <string_view>

// The desktop's session bus, which the screen readers' bridge joins as the first window is shown.
// Without one named in the environment, or at its usual place in the user's runtime folder, the
// bus library starts a launcher program that looks for the bus started earlier for this display
// (and starts one when there is none). That program's start, on the window's path, took a sixth
// of the program's. The launcher finds the bus through the display: its address is a property of
// the window that owns a selection named for the user and the machine. Looking there here costs
// two round trips; when there is no bus, the library is left to start one, as before.
namespace veloria::widgets {

// Names, in the environment, the bus the launcher would find for the display the program shows
// on; nothing else changes. Once the QApplication exists, before the first window is shown and
// before any other thread reads the environment.
void FindSessionBusOfDisplay();

// The selection the launcher owns for a user on a machine.
std::string BusSelectionName(std::string_view user, std::string_view machineId);

// The address on the window owning the selection, if a window owns it and names an address.
std::optional<std::string> BusAddressOnDisplay(xcb_connection_t* display,
                                               std::string_view selection);

}  // namespace veloria::widgets
