// veloria [--data DIR]: the command the desktop's menu entry runs. It makes the user's data
// directory ready and then becomes the program, started there as its working directory; the
// program itself takes no arguments and reads no settings.
#include <pwd.h>
#include <unistd.h>

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QString>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/launcher/DataHome.h"

namespace {

namespace fs = std::filesystem;
using namespace veloria::launcher;

// The command line: `veloria [--data DIR]`, and --help, --version.
struct Options {
    std::optional<std::filesystem::path> data;
    bool help = false;
    bool version = false;
};

class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

constexpr std::string_view kUsage =
    "usage: veloria [--data DIR]\n"
    "  Starts Veloria in the user's own data directory ($XDG_DATA_HOME/veloria,\n"
    "  ~/.local/share/veloria by default), filled from the installed data on the first run.\n"
    "  --data DIR   run in the data directory DIR instead (one built from your own corpus)\n"
    "  --help       show this text\n"
    "  --version    show the version\n";

// The arguments after the program's name. Throws UsageError.
Options ParseArguments(std::span<const std::string> args) {
    Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--data" || arg.starts_with("--data=")) {
            std::string value;
            if (arg == "--data") {
                if (i + 1 == args.size())
                    throw UsageError("--data needs a directory");
                value = args[++i];
            } else {
                value = arg.substr(std::string_view("--data=").size());
            }
            if (value.empty())
                throw UsageError("--data needs a directory");
            if (options.data)
                throw UsageError("--data given twice");
            options.data = value;
        } else {
            throw UsageError("unknown argument \"" + arg + "\"");
        }
    }
    return options;
}

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// One line on stderr, and the same in a message box when there is a display to show it on: a
// user who chose the menu entry sees no terminal.
int Fail(const std::string& message) {
    std::fprintf(stderr, "veloria: %s\n", message.c_str());
    if (!Set("DISPLAY") && !Set("WAYLAND_DISPLAY"))
        return 1;
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return 1;
    // A display that cannot be reached must not end in Qt's abort: then the box is skipped.
    if (platform.isEmpty())
        qputenv("QT_QPA_PLATFORM",
                Set("WAYLAND_DISPLAY") ? "wayland;xcb;offscreen" : "xcb;offscreen");
    // The one line above is the message; Qt's own remarks on the session would bury it.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    int argc = 1;
    char name[] = "veloria";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return 1;
    QString text = QString::fromLocal8Bit(message.c_str());
    text[0] = text[0].toUpper();
    QMessageBox::critical(nullptr, QStringLiteral("Veloria"),
                          QStringLiteral("Veloria cannot start.\n\n%1.").arg(text));
    return 1;
}

// The folder of this executable: the installation is found from it, so that an unpacked copy
// works wherever it lies.
fs::path OwnFolder() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path(VELORIA_INSTALL_BINDIR) : self.parent_path();
}

const char* Home() {
    if (Set("HOME"))
        return std::getenv("HOME");
    const passwd* user = ::getpwuid(::getuid());
    return user ? user->pw_dir : nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    try {
        options = ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& e) {
        std::fprintf(stderr, "veloria: %s\n%s", e.what(), std::string(kUsage).c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(std::string(kUsage).c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::puts("veloria " VELORIA_VERSION);
        return 0;
    }

    const fs::path bin = OwnFolder();
    const fs::path program = (bin / VELORIA_PROGRAM_FROM_BINDIR).lexically_normal();
    fs::path dir;
    try {
        if (options.data) {
            dir = CheckDataDir(*options.data);
        } else {
            const InstalledData installed =
                FindInstalledData((bin / VELORIA_DATA_FROM_BINDIR).lexically_normal(),
                                  (bin / VELORIA_STAMP_FROM_BINDIR).lexically_normal());
            dir = PrepareDataDir(DefaultDataDir(std::getenv("XDG_DATA_HOME"), Home()), installed);
        }
    } catch (const LauncherError& e) {
        return Fail(e.what());
    }

    if (::chdir(dir.c_str()) != 0)
        return Fail("cannot enter the data directory \"" + dir.string() +
                    "\": " + std::generic_category().message(errno));
    const std::string path = program.string();
    char* const programArgv[] = {const_cast<char*>(path.c_str()), nullptr};
    ::execv(path.c_str(), programArgv);
    return Fail("cannot start the program \"" + path +
                "\": " + std::generic_category().message(errno));
}
