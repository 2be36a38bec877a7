#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

// The data directory a user runs the program in. The program only works in its working directory
// and writes its result tables and the tip of the day there, so an installed copy needs a
// directory of each user's own: seeded from the installed data on the first run, its content
// tables replaced when the installed content changes, and what the program wrote kept. No Qt.
namespace veloria::launcher {

// A problem the user has to know about; the text names the directory or file and the cause.
class LauncherError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// $XDG_DATA_HOME/veloria, or HOME/.local/share/veloria when XDG_DATA_HOME is unset, empty or
// relative (which the XDG base directory rules say to ignore). Either argument may be null;
// throws LauncherError when there is no absolute home folder to fall back on.
std::filesystem::path DefaultDataDir(const char* xdgDataHome, const char* home);

// The data as installed: a folder of tables, pictures and the help page, and the stamp of its
// content (a hash computed when it was built; another stamp means other content).
struct InstalledData {
    std::filesystem::path dir;
    std::string stamp;
};

// Reads the stamp from its file beside the installed folder. Throws LauncherError when the
// installed data is missing.
InstalledData FindInstalledData(const std::filesystem::path& dir,
                                const std::filesystem::path& stampFile);

// The name of the file in a data directory that records which installed content it holds.
inline constexpr std::string_view kContentFile = ".veloria-content";

// Makes `dir` ready for the program and returns it:
// - missing: creates its parent folders and fills it from the installed data in a folder beside
//   it, which takes its place only when complete;
// - holding other content than installed (another stamp, or a content file missing): replaces
//   each content file, removes the ones no longer installed, and keeps the program's files and
//   any other file of the user's; the new stamp is written last, so an interrupted update is
//   taken up again by the next run;
// - then checks that the program can write in it.
// Two launchers at once wait for each other. Throws LauncherError.
std::filesystem::path PrepareDataDir(const std::filesystem::path& dir,
                                     const InstalledData& installed);

// A directory the user named: it must exist, and the program must be able to write in it. It is
// neither filled nor updated. Throws LauncherError.
std::filesystem::path CheckDataDir(const std::filesystem::path& dir);

}  // namespace veloria::launcher
