// What the builder may replace and what it must leave alone, and how it names source files that
// are not files.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <set>

#include "tests/tools/BuilderFixture.h"
#include "tools/CorpusBuilder.h"

namespace veloria::tools {
namespace {

namespace fs = std::filesystem;
using testing::AllText;
using testing::ReadAll;
using testing::WriteAll;
using Builder = testing::BuilderTest;

// The names in a folder, for comparing a folder before and after.
std::set<std::string> Listing(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        names.insert(fs::relative(entry.path(), dir).string());
    return names;
}

// A process number that is certainly not running: a child that has exited and been reaped.
pid_t DeadProcess() {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

TEST_F(Builder, NeverBuildsOverItsSources) {
    const auto before = Listing(src());
    BuildResult r = BuildTo(src());
    EXPECT_FALSE(r.ok);
    EXPECT_NE(AllText(r).find("is the source folder"), std::string::npos) << AllText(r);
    EXPECT_EQ(Listing(src()), before);

    // The folder that holds the sources, with a file of the user's beside them.
    WriteAll(tmp_.path() / "notes.txt", "mine");
    r = BuildTo(tmp_.path());
    EXPECT_FALSE(r.ok);
    EXPECT_NE(AllText(r).find("holds the source folder"), std::string::npos) << AllText(r);
    EXPECT_EQ(Listing(src()), before);
    EXPECT_EQ(ReadAll(tmp_.path() / "notes.txt"), "mine");

    // Reached through a symbolic link, it is still the source.
    fs::create_directory_symlink(src(), tmp_.path() / "link");
    r = BuildTo(tmp_.path() / "link");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(Listing(src()), before);
}

TEST_F(Builder, ReplacesOnlyAnEmptyFolderOrADataDirectoryItMade) {
    // Someone's folder: left alone, with the reason and a way on.
    fs::create_directories(data() / "photos");
    WriteAll(data() / "photos" / "a.jpg", "jpeg");
    BuildResult r = Build();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errors, 1);
    EXPECT_NE(AllText(r).find("is not empty and is not a data directory made by the builder"),
              std::string::npos)
        << AllText(r);
    EXPECT_EQ(ReadAll(data() / "photos" / "a.jpg"), "jpeg");

    // An empty folder is taken; the result carries the builder's mark, so it is taken again.
    fs::remove_all(data());
    fs::create_directory(data());
    ASSERT_TRUE(Build().ok);
    EXPECT_TRUE(fs::is_regular_file(data() / kDataDirectoryMark));
    ASSERT_TRUE(Build().ok);

    // The mark of a build that did not list what it wrote.
    WriteAll(data() / kDataDirectoryMark,
             "A Veloria data directory, made by the corpus builder.\n");
    ASSERT_TRUE(Build().ok);
}

// Every table of a built directory, copied by hand into a folder that holds the user's thesis, is
// no proof that the builder made the folder; nor does a build remove from one it made what it did
// not write there.
TEST_F(Builder, OnlyTheMarkProvesAFolderTheBuildersAndNothingElseInItIsRemoved) {
    ASSERT_TRUE(Build().ok);
    const fs::path copy = tmp_.path() / "copy";
    fs::create_directory(copy);
    for (const auto& entry : fs::directory_iterator(data())) {
        if (entry.path().filename() != kDataDirectoryMark)
            fs::copy_file(entry.path(), copy / entry.path().filename());
    }
    WriteAll(copy / "thesis.txt", "mine");
    const auto copied = testing::Snapshot(copy);
    BuildResult r = BuildTo(copy);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(AllText(r).find("is not a data directory made by the builder"), std::string::npos)
        << AllText(r);
    EXPECT_EQ(testing::Snapshot(copy), copied);

    // Where the program ran (the side files of its tables, its lock) and the user left a note.
    WriteAll(data() / "Texto_B.DB-wal", "");
    WriteAll(data() / ".veloria-lock", "");
    WriteAll(data() / "notes.txt", "mine");
    fs::create_directory(data() / "drafts");
    const auto built = testing::Snapshot(data());
    r = Build();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errors, 1);
    EXPECT_NE(AllText(r).find("holds what the builder did not write (\"drafts\", \"notes.txt\"); "
                              "a build replaces everything in it, so it is left as it is. Move "
                              "those out of it first"),
              std::string::npos)
        << AllText(r);
    EXPECT_EQ(testing::Snapshot(data()), built);
    fs::remove(data() / "notes.txt");
    fs::remove(data() / "drafts");
    ASSERT_TRUE(Build().ok);
    EXPECT_FALSE(fs::exists(data() / "Texto_B.DB-wal"));
}

// The user's own store (bookmarks, notes, settings), its log and a copy the program set aside
// are what the user made: a rebuild carries them into the new directory byte for byte.
TEST_F(Builder, ARebuildCarriesTheUsersOwnStoreOver) {
    ASSERT_TRUE(Build().ok);
    const std::string names[] = {"Study.db", "Study.db-wal", "Study.db.damaged-20261209-142233"};
    for (const std::string& name : names)
        WriteAll(data() / name, "the user's " + name);
    BuildResult r = Build();
    ASSERT_TRUE(r.ok) << AllText(r);
    for (const std::string& name : names)
        EXPECT_EQ(ReadAll(data() / name), "the user's " + name);
    // Nothing of it was taken for the builder's own: a third build carries it over again.
    ASSERT_TRUE(Build().ok);
    EXPECT_EQ(ReadAll(data() / "Study.db"), "the user's Study.db");
}

TEST_F(Builder, ASymbolicLinkInTheTargetsPlaceIsLeftAlone) {
    fs::create_directory(tmp_.path() / "elsewhere");
    fs::create_directory_symlink(tmp_.path() / "elsewhere", data());
    const BuildResult r = Build();
    EXPECT_FALSE(r.ok);
    EXPECT_NE(AllText(r).find("is a symbolic link"), std::string::npos) << AllText(r);
    EXPECT_TRUE(fs::is_symlink(data()));
}

TEST_F(Builder, LeftoversOfAKilledBuildAreRemovedByTheNext) {
    ASSERT_TRUE(Build().ok);
    const std::string dead = std::to_string(DeadProcess());
    // What a build killed late leaves: its half-written folder, or the old one it swapped out.
    const fs::path building = tmp_.path() / (".data.building-" + dead);
    const fs::path old = tmp_.path() / ("data.old-" + dead);
    for (const fs::path& dir : {building, old}) {
        fs::create_directory(dir);
        WriteAll(dir / kDataDirectoryMark, "");
        WriteAll(dir / "LTexto.DB", std::string(1000, 'x'));
    }
    // Not leftovers: a build still running, and a folder of that name the builder did not make.
    const fs::path running = tmp_.path() / (".data.building-" + std::to_string(::getppid()));
    fs::create_directory(running);
    WriteAll(running / kDataDirectoryMark, "");
    const fs::path someones = tmp_.path() / (".data.building-" + dead + "0");
    fs::create_directory(someones);
    WriteAll(someones / "diary.txt", "mine");

    ASSERT_TRUE(Build().ok);
    EXPECT_FALSE(fs::exists(building));
    EXPECT_FALSE(fs::exists(old));
    EXPECT_TRUE(fs::exists(running));
    EXPECT_EQ(ReadAll(someones / "diary.txt"), "mine");
}

// A source folder that is missing, or that the user cannot enter, is said once, not as every table
// missing from it.
TEST_F(Builder, ASourceFolderThatCannotBeReadIsOneError) {
    fs::remove_all(src());
    EXPECT_EQ(AllText(Build()),
              src().string() + ": error: missing: there is no folder of CSV sources here\n");
    WriteAll(src(), "a file");
    EXPECT_EQ(AllText(Build()), src().string() + ": error: not a folder of CSV sources\n");

    fs::remove(src());
    SetUp();
    fs::permissions(tmp_.path(), fs::perms::all);  // an ordinary user passes through to it
    fs::permissions(src(), fs::perms::none);
    // As an ordinary user: root enters any folder.
    EXPECT_EXIT(
        {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                std::_Exit(3);
            const BuildResult r = Build();
            std::fputs(AllText(r).c_str(), stderr);
            std::_Exit(r.errors);
        },
        ::testing::ExitedWithCode(1), "src: error: cannot be read: Permission denied\n$");
    fs::permissions(src(), fs::perms::owner_all);
}

// Each kind of thing that can stand where a source file should, as the error names it.
TEST_F(Builder, SourcesThatAreNotFilesAreNamedForWhatTheyAre) {
    auto errorFor = [&](const std::string& file) {
        const BuildResult r = Build();
        EXPECT_FALSE(r.ok) << file;
        EXPECT_EQ(r.errors, 1) << AllText(r);
        return r.diagnostics.empty() ? std::string() : r.diagnostics[0].Text();
    };
    const fs::path texto = src() / "LTexto.csv";

    fs::remove(texto);
    ASSERT_EQ(::mkfifo(texto.c_str(), 0600), 0);
    EXPECT_EQ(errorFor("fifo"), "LTexto.csv: error: is a named pipe (FIFO), not a file");

    fs::remove(texto);
    fs::create_symlink("/dev/null", texto);
    EXPECT_EQ(errorFor("device"),
              "LTexto.csv: error: is a symbolic link to \"/dev/null\", which is a device, not a "
              "file");

    fs::remove(texto);
    fs::create_symlink(src() / "gone.txt", texto);
    EXPECT_NE(errorFor("dangling").find("which does not exist, not a file"), std::string::npos);

    fs::remove(texto);
    fs::create_symlink(texto, texto);
    EXPECT_EQ(errorFor("loop"),
              "LTexto.csv: error: is a symbolic link that loops back on itself, not a file");

    fs::remove(texto);
    fs::create_directory(texto);
    EXPECT_EQ(errorFor("folder"), "LTexto.csv: error: is a folder, not a file");

    // A link to a file is the file.
    fs::remove(texto);
    SetUp();
    fs::rename(texto, src() / "real.txt");
    fs::create_symlink(src() / "real.txt", texto);
    EXPECT_TRUE(Build().ok);

    // The optional result table given as a folder is an error, not a table left out.
    SetUp();
    fs::create_directory(src() / "Texto_B.csv");
    EXPECT_EQ(errorFor("optional folder"), "Texto_B.csv: error: is a folder, not a file");
}

}  // namespace
}  // namespace veloria::tools
