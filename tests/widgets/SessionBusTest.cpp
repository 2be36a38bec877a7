// The session bus found through the display as the bus's launcher finds it: a display server of
// the test's own, with a launcher's window played by the test.
#include "widgets/SessionBus.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace veloria::widgets {
namespace {

// A display server started for the test, on a display number it chooses itself; none when the
// program is not installed.
class OwnDisplay {
  public:
    OwnDisplay() {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0",
                     "64x64x24", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        char ch = 0;
        while (::poll(&p, 1, 10000) == 1 && ::read(fds[0], &ch, 1) == 1 && ch != '\n')
            number += ch;
        ::close(fds[0]);
        if (!number.empty())
            connection_ = xcb_connect((":" + number).c_str(), nullptr);
    }
    ~OwnDisplay() {
        if (connection_)
            xcb_disconnect(connection_);
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    OwnDisplay(const OwnDisplay&) = delete;
    OwnDisplay& operator=(const OwnDisplay&) = delete;

    xcb_connection_t* get() const {
        return connection_ && !xcb_connection_has_error(connection_) ? connection_ : nullptr;
    }

  private:
    pid_t pid_ = -1;
    xcb_connection_t* connection_ = nullptr;
};

xcb_atom_t MakeAtom(xcb_connection_t* c, const std::string& name) {
    auto* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, std::uint16_t(name.size()), name.data()), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// A window as the launcher leaves it: owning the selection, the address on it.
xcb_window_t LauncherWindow(xcb_connection_t* c, const std::string& selection,
                            const std::string& address, xcb_atom_t type) {
    const xcb_window_t window = xcb_generate_id(c);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, MakeAtom(c, "_DBUS_SESSION_BUS_ADDRESS"),
                        type, 8, std::uint32_t(address.size()), address.data());
    xcb_set_selection_owner(c, window, MakeAtom(c, selection), XCB_CURRENT_TIME);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));  // all done
    return window;
}

TEST(SessionBusTest, TheLaunchersBusIsFoundOnTheDisplayAndNothingElse) {
    const OwnDisplay display;
    if (!display.get())
        GTEST_SKIP() << "no display server to start";
    xcb_connection_t* c = display.get();
    const std::string selection = BusSelectionName("ana", "0123456789abcdef0123456789abcdef");
    EXPECT_EQ(selection, "_DBUS_SESSION_BUS_SELECTION_ana_0123456789abcdef0123456789abcdef");

    // No launcher ever ran on this display: the names are not even known to it.
    EXPECT_EQ(BusAddressOnDisplay(c, selection), std::nullopt);

    const std::string address = "unix:path=/tmp/dbus-test,guid=00112233445566778899aabbccddeeff";
    const xcb_window_t other = LauncherWindow(
        c, BusSelectionName("bruno", "0123456789abcdef0123456789abcdef"), address, XCB_ATOM_STRING);
    EXPECT_EQ(BusAddressOnDisplay(c, selection), std::nullopt) << "another user's bus";

    // An address that is not text is none.
    const xcb_window_t odd = LauncherWindow(c, selection, address, XCB_ATOM_INTEGER);
    EXPECT_EQ(BusAddressOnDisplay(c, selection), std::nullopt);

    const xcb_window_t launcher = LauncherWindow(c, selection, address, XCB_ATOM_STRING);
    EXPECT_EQ(BusAddressOnDisplay(c, selection), address);

    // The launcher gone, its selection goes with its window.
    xcb_destroy_window(c, launcher);
    EXPECT_EQ(BusAddressOnDisplay(c, selection), std::nullopt);
    xcb_destroy_window(c, odd);
    xcb_destroy_window(c, other);
}

}  // namespace
}  // namespace veloria::widgets
