#include "widgets/SessionBus.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QGuiApplication>
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <vector>

namespace veloria::widgets {

namespace {

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

// A reply, or none on an error, which is taken here rather than left to the program's own
// handling of the display's errors (a window gone meanwhile is no fault of the program's).
template <typename Reply, typename Cookie>
ReplyPtr<Reply> Take(xcb_connection_t* c, Cookie cookie,
                     Reply* (*reply)(xcb_connection_t*, Cookie, xcb_generic_error_t**)) {
    xcb_generic_error_t* error = nullptr;
    ReplyPtr<Reply> r(reply(c, cookie, &error), &std::free);
    std::free(error);
    return r;
}

xcb_intern_atom_cookie_t ExistingAtom(xcb_connection_t* c, std::string_view name) {
    return xcb_intern_atom(c, 1, std::uint16_t(name.size()), name.data());
}

// As the bus library reads it: its own copy first, then the system's.
std::string MachineId() {
    for (const char* path : {"/var/lib/dbus/machine-id", "/etc/machine-id"}) {
        std::ifstream in(path);
        std::string id;
        if (in >> id && id.size() == 32 &&
            std::all_of(id.begin(), id.end(), [](unsigned char ch) { return std::isxdigit(ch); }))
            return id;
    }
    return {};
}

std::string UserName() {
    std::vector<char> buffer(4096);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return {};
    return found->pw_name;
}

// The user's bus at its usual place, which the library takes before it starts the launcher.
bool UserBusInRuntimeFolder() {
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    if (!dir || !*dir)
        return false;
    struct stat s {};
    return ::stat((std::string(dir) + "/bus").c_str(), &s) == 0 && S_ISSOCK(s.st_mode) &&
           s.st_uid == getuid();
}

}  // namespace

std::string BusSelectionName(std::string_view user, std::string_view machineId) {
    std::string name = "_DBUS_SESSION_BUS_SELECTION_";
    name += user;
    name += '_';
    name += machineId;
    return name;
}

std::optional<std::string> BusAddressOnDisplay(xcb_connection_t* display,
                                               std::string_view selection) {
    // Both asked at once: one round trip. Atoms nobody made mean no launcher ever ran here.
    const auto selectionCookie = ExistingAtom(display, selection);
    const auto addressCookie = ExistingAtom(display, "_DBUS_SESSION_BUS_ADDRESS");
    const auto selectionAtom = Take(display, selectionCookie, &xcb_intern_atom_reply);
    const auto addressAtom = Take(display, addressCookie, &xcb_intern_atom_reply);
    if (!selectionAtom || !addressAtom || selectionAtom->atom == XCB_ATOM_NONE ||
        addressAtom->atom == XCB_ATOM_NONE)
        return std::nullopt;
    const auto owner = Take(display, xcb_get_selection_owner(display, selectionAtom->atom),
                            &xcb_get_selection_owner_reply);
    if (!owner || owner->owner == XCB_WINDOW_NONE)
        return std::nullopt;
    // Up to 4 KiB of text, as the launcher reads it, and nothing longer.
    const auto property = Take(
        display,
        xcb_get_property(display, 0, owner->owner, addressAtom->atom, XCB_ATOM_STRING, 0, 1024),
        &xcb_get_property_reply);
    if (!property || property->type != XCB_ATOM_STRING || property->format != 8 ||
        property->bytes_after != 0)
        return std::nullopt;
    std::string address(static_cast<const char*>(xcb_get_property_value(property.get())),
                        std::size_t(xcb_get_property_value_length(property.get())));
    address.erase(std::find(address.begin(), address.end(), '\0'), address.end());
    if (address.empty())
        return std::nullopt;
    return address;
}

void FindSessionBusOfDisplay() {
    if (const char* named = std::getenv("DBUS_SESSION_BUS_ADDRESS"); named && *named)
        return;
    if (UserBusInRuntimeFolder())
        return;
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    const std::string user = UserName();
    const std::string machine = MachineId();
    if (user.empty() || machine.empty())
        return;
    if (const auto address =
            BusAddressOnDisplay(x11->connection(), BusSelectionName(user, machine)))
        ::setenv("DBUS_SESSION_BUS_ADDRESS", address->c_str(), 0);
}

}  // namespace veloria::widgets
