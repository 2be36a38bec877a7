#include "app/launcher/DataHome.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

namespace veloria::launcher {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;  // name -> bytes

std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Write(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// The regular files of a folder with their bytes, hidden ones included.
Files Contents(const fs::path& dir) {
    Files files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.is_regular_file())
            files[entry.path().filename().string()] = Read(entry.path());
    }
    return files;
}

std::set<std::string> Names(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    return names;
}

// A home folder and an installation of the data, in a fresh temporary folder.
class DataHomeTest : public ::testing::Test {
  protected:
    DataHomeTest() {
        std::string pattern = (fs::temp_directory_path() / "veloria-launcher-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        root_ = pattern;
        fs::create_directories(root_ / "home");
    }
    ~DataHomeTest() override {
        std::error_code ec;
        fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ec);
        for (fs::recursive_directory_iterator it(root_, ec), end; !ec && it != end;
             it.increment(ec)) {
            if (it->is_directory() && !it->is_symlink())
                fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
        fs::remove_all(root_, ec);
    }

    // Installs `files` as the data of a package whose content has the stamp `stamp`.
    InstalledData Install(const Files& files, const std::string& stamp) {
        const fs::path dir = root_ / ("installed-" + stamp);
        fs::create_directories(dir);
        for (const auto& [name, bytes] : files)
            Write(dir / name, bytes);
        Write(root_ / ("installed-" + stamp + ".stamp"), stamp + "\n");
        return FindInstalledData(dir, root_ / ("installed-" + stamp + ".stamp"));
    }

    fs::path DataHome() const { return root_ / "home" / ".local" / "share"; }
    fs::path UserDir() const { return DataHome() / "veloria"; }

    static Files Version1() {
        return {{"LTexto.DB", "text v1"},         {"Frases.DB", "tips v1"},
                {"Retired.DB", "dropped later"},  {"Help.htm", "<p>help v1</p>"},
                {"Fondo01.bmp", "picture v1"},    {"Configura.db", "config as installed"},
                {"Texto_B.DB", "sample results"}, {"Texto2B.DB", "empty"},
                {"TBiblia.db", "empty"}};
    }
    static Files Version2() {
        return {{"LTexto.DB", "text v2"},         {"Frases.DB", "tips v2"},
                {"Glosario.DB", "new in v2"},     {"Help.htm", "<p>help v2</p>"},
                {"Fondo01.bmp", "picture v2"},    {"Configura.db", "config as installed v2"},
                {"Texto_B.DB", "sample results"}, {"Texto2B.DB", "empty"},
                {"TBiblia.db", "empty"}};
    }

    fs::path root_;
};

TEST(DataHomeNames, TheDirectoryFollowsTheXdgRules) {
    EXPECT_EQ(DefaultDataDir("/data/home", "/home/ana"), fs::path("/data/home/veloria"));
    EXPECT_EQ(DefaultDataDir(nullptr, "/home/ana"), fs::path("/home/ana/.local/share/veloria"));
    // Empty and relative values are to be ignored.
    EXPECT_EQ(DefaultDataDir("", "/home/ana"), fs::path("/home/ana/.local/share/veloria"));
    EXPECT_EQ(DefaultDataDir("share", "/home/ana"), fs::path("/home/ana/.local/share/veloria"));
    EXPECT_EQ(DefaultDataDir("/x", nullptr), fs::path("/x/veloria"));
    EXPECT_THROW(DefaultDataDir(nullptr, nullptr), LauncherError);
    EXPECT_THROW(DefaultDataDir("", "relative"), LauncherError);
}

// The installed command, run with these arguments and no display: its exit code, then what it
// wrote (stdout and stderr together).
std::pair<int, std::string> RunLauncher(const std::string& args) {
    const std::string command =
        "env -u DISPLAY -u WAYLAND_DISPLAY " + std::string(VELORIA_LAUNCHER) + " " + args + " 2>&1";
    FILE* out = ::popen(command.c_str(), "r");
    std::string text;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, out))
        text.append(buffer, n);
    const int status = ::pclose(out);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text};
}

TEST(LauncherCommandLine, DataDirectoryHelpVersionAndMistakes) {
    auto [code, text] = RunLauncher("--help");
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(text.starts_with("usage: veloria [--data DIR]\n")) << text;
    std::tie(code, text) = RunLauncher("--version");
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(text.starts_with("veloria ")) << text;
    for (const char* wrong :
         {"--data", "--data=", "--data a --data b", "dir", "--verbose", "-d x"}) {
        std::tie(code, text) = RunLauncher(wrong);
        EXPECT_EQ(code, 2) << wrong;
        EXPECT_NE(text.find("\nusage: veloria"), std::string::npos) << wrong << ": " << text;
    }
    // The directory given, in either form, is the one checked.
    std::tie(code, text) = RunLauncher("--data '/no such corpus'");
    EXPECT_EQ(code, 1);
    EXPECT_EQ(text, "veloria: there is no data directory \"/no such corpus\"\n");
    std::tie(code, text) = RunLauncher("--data=/");
    EXPECT_EQ(code, 1);
    EXPECT_EQ(text, "veloria: \"/\" is not a data directory: it has no Configura.db\n");
}

TEST_F(DataHomeTest, AFirstRunFillsTheDirectoryWithTheInstalledData) {
    const InstalledData v1 = Install(Version1(), "stamp1");
    EXPECT_EQ(PrepareDataDir(UserDir(), v1), UserDir());

    Files got = Contents(UserDir());
    const std::string record = got.at(std::string(kContentFile));
    got.erase(std::string(kContentFile));
    EXPECT_EQ(got, Version1());
    // The record: the stamp, then the content files (not the program's own).
    EXPECT_EQ(record, "stamp1\nFondo01.bmp\nFrases.DB\nHelp.htm\nLTexto.DB\nRetired.DB\n");
    // Nothing of the seeding is left beside it, and the new folders are the user's alone.
    EXPECT_EQ(Names(DataHome()), std::set<std::string>{"veloria"});
    EXPECT_EQ(fs::status(UserDir()).permissions() & fs::perms::all, fs::perms::owner_all);
}

TEST_F(DataHomeTest, ALaterRunKeepsEverythingAsTheProgramLeftIt) {
    const InstalledData v1 = Install(Version1(), "stamp1");
    PrepareDataDir(UserDir(), v1);
    Write(UserDir() / "Configura.db", "today's tip");
    Write(UserDir() / "Texto_B.DB", "the last search");
    Write(UserDir() / "Texto_B.DB-journal", "a hot journal");
    const Files before = Contents(UserDir());

    PrepareDataDir(UserDir(), v1);
    EXPECT_EQ(Contents(UserDir()), before);
}

TEST_F(DataHomeTest, OtherContentReplacesTheContentTablesAndKeepsTheProgramsFiles) {
    PrepareDataDir(UserDir(), Install(Version1(), "stamp1"));
    const fs::path d = UserDir();
    // What the program wrote, with its side files.
    const Files programs = {{"Configura.db", "today's tip"},     {"Configura.db-wal", "log"},
                            {"Texto_B.DB", "the last search"},   {"Texto_B.DB-journal", "journal"},
                            {"Texto2B.DB", "verse hits"},        {"TBiblia.db", "passages"},
                            {"TBiblia.db-shm", "shared memory"}, {"Study.db", "settings, place"},
                            {"Study.db-wal", "its log"}};
    for (const auto& [name, bytes] : programs)
        Write(d / name, bytes);
    // Side files of a content table would be played into the new table; a copy in another case
    // would be found in place of the new one.
    Write(d / "LTexto.DB-journal", "stale journal");
    Write(d / "LTexto.DB-wal", "stale log");
    Write(d / "Retired.DB-shm", "stale");
    Write(d / "ltexto.db", "a copy in lower case");
    Write(d / "my notes.txt", "the user's own");

    // An installation that carries a user's store of its own does not replace the user's.
    Files installed = Version2();
    installed["Study.db"] = "a store shipped by mistake";
    EXPECT_EQ(PrepareDataDir(d, Install(installed, "stamp2")), d);

    Files expected = installed;
    for (const auto& [name, bytes] : programs)
        expected[name] = bytes;
    expected["my notes.txt"] = "the user's own";
    expected[std::string(kContentFile)] =
        "stamp2\nFondo01.bmp\nFrases.DB\nGlosario.DB\nHelp.htm\nLTexto.DB\n";
    EXPECT_EQ(Contents(d), expected);
}

TEST_F(DataHomeTest, AProgramFileTheUserRemovedComesBackFromTheInstalledData) {
    PrepareDataDir(UserDir(), Install(Version1(), "stamp1"));
    fs::remove(UserDir() / "Configura.db");
    Write(UserDir() / "Texto_B.DB", "the last search");
    fs::remove(UserDir() / "Frases.DB");  // the same content, with a table missing

    PrepareDataDir(UserDir(), Install(Version1(), "stamp1"));
    EXPECT_EQ(Read(UserDir() / "Configura.db"), "config as installed");
    EXPECT_EQ(Read(UserDir() / "Frases.DB"), "tips v1");
    EXPECT_EQ(Read(UserDir() / "Texto_B.DB"), "the last search");
}

TEST_F(DataHomeTest, ADirectoryWithoutARecordIsTreatedAsOtherContent) {
    // A data directory copied in by hand: its tables are replaced, the program's kept.
    fs::create_directories(UserDir());
    Write(UserDir() / "LTexto.DB", "old text");
    Write(UserDir() / "Configura.db", "their tip");
    PrepareDataDir(UserDir(), Install(Version1(), "stamp1"));
    EXPECT_EQ(Read(UserDir() / "LTexto.DB"), "text v1");
    EXPECT_EQ(Read(UserDir() / "Configura.db"), "their tip");
}

// An installed file whose reading fails half way, even for root: /proc/self/mem is a regular
// file that cannot be read from its start.
void InstallUnreadable(const InstalledData& installed, const std::string& name) {
    fs::remove(installed.dir / name);
    fs::create_symlink("/proc/self/mem", installed.dir / name);
}

TEST_F(DataHomeTest, AFailedFirstRunLeavesNoDirectory) {
    const InstalledData v1 = Install(Version1(), "stamp1");
    InstallUnreadable(v1, "LTexto.DB");
    try {
        PrepareDataDir(UserDir(), v1);
        FAIL() << "no error";
    } catch (const LauncherError& e) {
        EXPECT_NE(std::string(e.what()).find("cannot create the data directory \"" +
                                             UserDir().string() + "\""),
                  std::string::npos)
            << e.what();
    }
    EXPECT_FALSE(fs::exists(UserDir()));
    EXPECT_TRUE(Names(DataHome()).empty());
}

TEST_F(DataHomeTest, WhatAnInterruptedRunLeftIsNotTrustedAndCleanedUp) {
    const InstalledData v1 = Install(Version1(), "stamp1");
    // A seeding killed half way: a folder beside the directory, never renamed.
    fs::create_directories(DataHome() / ".veloria-seeding-abc123");
    Write(DataHome() / ".veloria-seeding-abc123" / "LTexto.DB", "half");
    PrepareDataDir(UserDir(), v1);
    EXPECT_EQ(Names(DataHome()), std::set<std::string>{"veloria"});

    // An update killed half way: a table written under its temporary name, and the old stamp.
    Write(UserDir() / ".veloria-new-zz9", "half a table");
    Write(UserDir() / "LTexto.DB", "text v2");
    const InstalledData v2 = Install(Version2(), "stamp2");
    InstallUnreadable(v2, "Help.htm");
    EXPECT_THROW(PrepareDataDir(UserDir(), v2), LauncherError);
    EXPECT_EQ(Read(UserDir() / std::string(kContentFile)).substr(0, 7), "stamp1\n");

    // The next run takes the update up again.
    Write(v2.dir / "Help.htm.tmp", "<p>help v2</p>");
    fs::remove(v2.dir / "Help.htm");
    fs::rename(v2.dir / "Help.htm.tmp", v2.dir / "Help.htm");
    PrepareDataDir(UserDir(), v2);
    EXPECT_EQ(Read(UserDir() / "Help.htm"), "<p>help v2</p>");
    EXPECT_EQ(Read(UserDir() / std::string(kContentFile)).substr(0, 7), "stamp2\n");
    for (const std::string& name : Names(UserDir()))
        EXPECT_FALSE(name.starts_with(".veloria-new-")) << name;
}

TEST_F(DataHomeTest, LaunchersStartedTogetherFillTheDirectoryOnce) {
    const InstalledData v1 = Install(Version1(), "stamp1");
    std::vector<std::string> errors(4);
    std::vector<std::thread> launchers;
    for (std::string& error : errors) {
        launchers.emplace_back([&] {
            try {
                PrepareDataDir(UserDir(), v1);
            } catch (const std::exception& e) {
                error = e.what();
            }
        });
    }
    for (std::thread& t : launchers)
        t.join();
    for (const std::string& error : errors)
        EXPECT_EQ(error, "");
    EXPECT_EQ(Names(DataHome()), std::set<std::string>{"veloria"});
    EXPECT_EQ(Read(UserDir() / "LTexto.DB"), "text v1");
}

TEST_F(DataHomeTest, SomethingInTheWayIsReportedWithTheDirectory) {
    const InstalledData v1 = Install(Version1(), "stamp1");
    // The data home is a file: the directory cannot be created.
    fs::create_directories(DataHome().parent_path());
    Write(DataHome(), "not a folder");
    EXPECT_THROW(
        {
            try {
                PrepareDataDir(UserDir(), v1);
            } catch (const LauncherError& e) {
                EXPECT_EQ(std::string(e.what()), "cannot create the data directory \"" +
                                                     UserDir().string() + "\": Not a directory");
                throw;
            }
        },
        LauncherError);
    fs::remove(DataHome());

    // The directory itself is a file.
    fs::create_directories(DataHome());
    Write(UserDir(), "not a folder");
    try {
        PrepareDataDir(UserDir(), v1);
        FAIL() << "no error";
    } catch (const LauncherError& e) {
        EXPECT_EQ(std::string(e.what()), "cannot use \"" + UserDir().string() +
                                             "\" as the data directory: it is not a folder");
    }
}

TEST_F(DataHomeTest, NoInstalledDataIsReportedAsSuch) {
    EXPECT_THROW(FindInstalledData(root_ / "nowhere", root_ / "nowhere.stamp"), LauncherError);
    const InstalledData v1 = Install(Version1(), "stamp1");
    Write(root_ / "empty.stamp", "");
    EXPECT_THROW(FindInstalledData(v1.dir, root_ / "empty.stamp"), LauncherError);
    EXPECT_EQ(FindInstalledData(v1.dir, root_ / "installed-stamp1.stamp").stamp, "stamp1");
}

// Runs `prepare` as an ordinary user (as root, the files' permissions would not apply) in a child
// process; the child ends with 1 and the message on stderr when it throws.
#define EXPECT_REFUSED_AS_USER(prepare, message)                              \
    EXPECT_EXIT(                                                              \
        {                                                                     \
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) \
                std::_Exit(3);                                                \
            try {                                                             \
                prepare;                                                      \
            } catch (const LauncherError& e) {                                \
                std::fprintf(stderr, "%s\n", e.what());                       \
                std::_Exit(1);                                                \
            }                                                                 \
            std::_Exit(0);                                                    \
        },                                                                    \
        ::testing::ExitedWithCode(1), message)

TEST_F(DataHomeTest, ADirectoryTheUserCannotWriteIsRefused) {
    const InstalledData v1 = Install(Version1(), "stamp1");
    const fs::perms readOnly = fs::perms::owner_read | fs::perms::owner_exec |
                               fs::perms::others_read | fs::perms::others_exec;
    fs::permissions(root_, fs::perms::all);  // the other user passes through to the home
    fs::permissions(root_ / "home", fs::perms::all);
    fs::permissions(v1.dir, readOnly);

    // A data home the user may not write in.
    fs::create_directories(DataHome());
    fs::permissions(DataHome(), readOnly);
    EXPECT_REFUSED_AS_USER(PrepareDataDir(UserDir(), v1),
                           "cannot create the data directory .*: Permission denied");

    // A directory that exists and is up to date, but read-only to the user.
    fs::permissions(DataHome(), fs::perms::all);
    PrepareDataDir(UserDir(), v1);
    fs::permissions(UserDir(), readOnly);
    EXPECT_REFUSED_AS_USER(PrepareDataDir(UserDir(), v1),
                           "cannot write in the data directory .*: Permission denied");
    EXPECT_REFUSED_AS_USER(CheckDataDir(UserDir()),
                           "cannot write in the data directory .*: Permission denied");
    // One the user cannot even look into is not taken for missing.
    fs::permissions(DataHome(), fs::perms::owner_all);
    EXPECT_REFUSED_AS_USER(CheckDataDir(UserDir()),
                           "cannot use the data directory .*: Permission denied");
    EXPECT_REFUSED_AS_USER(PrepareDataDir(UserDir(), v1),
                           "cannot use the data directory .*: Permission denied");
    fs::permissions(DataHome(), fs::perms::all);

    // A writable directory with a table the program could not write.
    fs::permissions(UserDir(), fs::perms::all);
    for (const auto& entry : fs::directory_iterator(UserDir()))
        fs::permissions(entry.path(), fs::perms::all);
    fs::permissions(UserDir() / "Configura.db", fs::perms::owner_read | fs::perms::others_read);
    EXPECT_REFUSED_AS_USER(
        PrepareDataDir(UserDir(), v1),
        "cannot write in the data directory .*: Configura.db: Permission denied");
}

TEST_F(DataHomeTest, ADirectoryOfTheUsersOwnIsCheckedAndTakenAsItIs) {
    const fs::path mine = root_ / "my corpus";
    EXPECT_THROW(CheckDataDir(mine), LauncherError);  // there is none
    fs::create_directories(mine);
    EXPECT_THROW(CheckDataDir(mine), LauncherError);  // no Configura.db: not a data directory
    Write(mine / "CONFIGURA.DB", "their own");
    Write(mine / "LTexto.DB", "their text");

    // A relative name is taken from the current folder, as the shell gives it.
    const fs::path cwd = fs::current_path();
    fs::current_path(root_);
    const fs::path got = CheckDataDir("my corpus");
    fs::current_path(cwd);
    EXPECT_EQ(got, mine);
    EXPECT_EQ(Names(mine), (std::set<std::string>{"CONFIGURA.DB", "LTexto.DB"}));

    Write(root_ / "a file", "");
    try {
        CheckDataDir(root_ / "a file");
        FAIL() << "no error";
    } catch (const LauncherError& e) {
        EXPECT_NE(std::string(e.what()).find("it is not a folder"), std::string::npos);
    }
}

}  // namespace
}  // namespace veloria::launcher
