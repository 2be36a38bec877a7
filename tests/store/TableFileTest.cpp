#include <gtest/gtest.h>

#include <fstream>

#include "store/Schema.h"
#include "store/Sqlite.h"
#include "store/TableFile.h"
#include "tests/store/TempDir.h"

namespace veloria::store {
namespace {

using testing::TempDir;
using testing::WriteTable;

TEST(Schema, TablesAndVolumesAreFoundByName) {
    ASSERT_NE(FindTableDef("configura.DB"), nullptr);
    EXPECT_EQ(FindTableDef("configura.DB")->fileName, "Configura.db");
    EXPECT_EQ(FindTableDef("Nothing.DB"), nullptr);
    const TableDef& volume = *FindTableDef("LTexto.DB");
    EXPECT_TRUE(volume.bookTable);
    EXPECT_TRUE(volume.content);
    EXPECT_EQ(FieldIndex(volume, "UMEMO"), 1);
    EXPECT_EQ(FieldIndex(volume, "a4"), 10);
    EXPECT_EQ(FieldIndex(volume, "Umemo2"), -1);
    EXPECT_FALSE(FindTableDef("Texto_B.DB")->content);
    EXPECT_EQ(FindTableDef("Biblia.DB")->fields.size(), 20u);
    EXPECT_EQ(FieldIndex(*FindTableDef("Glosario.DB"), "Uposi"), 9);

    std::string codes;
    for (const Volume& v : Volumes()) {
        codes += v.code;
        EXPECT_NE(FindTableDef(v.volumeTable), nullptr);
        EXPECT_NE(FindTableDef(v.indexTable), nullptr);
    }
    EXPECT_EQ(codes, "TEMPS");
    EXPECT_EQ(FindVolume('M')->label, "Manual for Teachers");
    EXPECT_FALSE(FindVolume('S')->pageShown);
    EXPECT_EQ(FindVolume('X'), nullptr);
}

// The working tables are made again, empty, where they are missing from a data directory, and
// nothing is made in a folder that is none.
TEST(TableFile, MissingWorkingTablesAreMadeAgainOnlyInADataDirectory) {
    const TempDir dir;
    for (const TableDef& def : AllTables())
        WriteTable(dir.path(), def.fileName, {});
    WriteTable(dir.path(), "Texto_B.DB", {{"T-1", "1", "A sentence.", "T"}});
    for (const char* name : {"Texto2B.DB", "TBiblia.db"})
        std::filesystem::remove(dir.path() / name);
    std::filesystem::remove(dir.path() / "LTexto.DB");
    EXPECT_TRUE(RecreateMissingWorkingTables(dir.path()).empty()) << "no volume: no data directory";
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "TBiblia.db"));

    WriteTable(dir.path(), "LTexto.DB", {});
    std::filesystem::remove(dir.path() / "Texto_B.DB");
    std::ofstream(dir.path() / "Texto_B.DB-wal") << "the log of the lost table";
    EXPECT_EQ(RecreateMissingWorkingTables(dir.path()),
              (std::vector<std::string>{"Texto_B.DB", "Texto2B.DB", "TBiblia.db"}));
    sqlite::Database db(dir.path() / "Texto_B.DB", SQLITE_OPEN_READONLY);
    EXPECT_EQ(db.QueryText("SELECT count(*) FROM Texto_B"), "0");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Texto_B.DB-wal"));
    EXPECT_TRUE(RecreateMissingWorkingTables(dir.path()).empty());
}

TEST(Schema, TheProgramsFilesAndTheirSideFilesInAnyCase) {
    for (const char* name :
         {"Configura.db", "CONFIGURA.DB", "Texto_B.DB", "texto_b.db", "Texto2B.DB", "TBiblia.db",
          "Texto_B.DB-journal", "Configura.db-wal", "TBiblia.db-shm", "texto2b.db-JOURNAL"})
        EXPECT_TRUE(IsProgramFile(name)) << name;
    for (const char* name : {"LTexto.DB", "LTexto.DB-journal", "Configura.db.bak",
                             "Texto_B.DB-wal2", "xConfigura.db", "Texto_B", "Help.htm", ""})
        EXPECT_FALSE(IsProgramFile(name)) << name;
}

TEST(TableFile, ParseIntegerTakesTrimmedDecimalsOnly) {
    EXPECT_EQ(ParseInteger("001"), 1);
    EXPECT_EQ(ParseInteger("  -42 "), -42);
    EXPECT_EQ(ParseInteger("+7"), 7);
    EXPECT_EQ(ParseInteger("-9223372036854775808"), INT64_MIN);
    EXPECT_FALSE(ParseInteger("9223372036854775808"));
    EXPECT_FALSE(ParseInteger(""));
    EXPECT_FALSE(ParseInteger("-"));
    EXPECT_FALSE(ParseInteger("12a"));
    EXPECT_FALSE(ParseInteger("1 2"));
    EXPECT_FALSE(ParseInteger("0x10"));
}

TEST(TableFile, FileIsFoundWithoutRegardToCase) {
    TempDir dir;
    WriteTable(dir.path(), "Configura.db", {{"0", "", ""}}, "configura.DB");
    EXPECT_EQ(FindTableFile(dir.path(), "Configura.db"), dir.path() / "configura.DB");
    EXPECT_EQ(FindTableFile(dir.path(), "CONFIGURA.DB"), dir.path() / "configura.DB");
    EXPECT_TRUE(FindTableFile(dir.path(), "Texto_B.DB").empty());
    EXPECT_TRUE(FindTableFile(dir.path() / "nowhere", "Texto_B.DB").empty());
}

TEST(TableFile, WriterStoresUtf8TextNullIntegersAndIndexes) {
    TempDir dir;
    WriteTable(dir.path(), "Glosario.DB",
               {{"CAF\xC9", "caf\xE9", "a#b", "", "", "", "", "", "", ""},
                {"AMOR", "amor", "", "", "", "", "", "", "", ""}});
    WriteTable(dir.path(), "Configura.db", {{"", "x", ""}});

    sqlite::Database db(dir.path() / "Glosario.DB", SQLITE_OPEN_READONLY);
    auto s = db.Prepare("SELECT NOMBRE, NOMBRE2, U2 FROM Glosario ORDER BY rowid");
    ASSERT_TRUE(s.Step());
    EXPECT_EQ(s.ColumnText(0), "CAF\xC3\x89");
    EXPECT_FALSE(s.ColumnIsNull(2));  // empty text is '' rather than NULL
    EXPECT_EQ(db.QueryText("PRAGMA journal_mode"), "delete");
    EXPECT_EQ(db.QueryInt("SELECT count(*) FROM sqlite_master WHERE type='index' AND "
                          "name='Glosario_NOMBRE2'"),
              1);

    sqlite::Database config(dir.path() / "Configura.db", SQLITE_OPEN_READONLY);
    EXPECT_EQ(config.QueryInt("SELECT Cantidad IS NULL FROM Configura"), 1);
}

TEST(TableFile, WriterRefusesBadRowsNamingFileRowAndField) {
    TempDir dir;
    const TableDef& def = *FindTableDef("Frases.DB");
    const auto file = dir.path() / "Frases.DB";
    auto message = [&](const std::vector<std::string>& row) {
        TableWriter writer(file, def);
        writer.AddRow({"1", "first"});
        try {
            writer.AddRow(row);
        } catch (const StoreError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message({"1"}), file.string() + ": row 2: 1 values for 2 fields");
    EXPECT_EQ(message({"x1", "a"}),
              file.string() + ": row 2: \"x1\" is no integer (field \"NUMERO\")");
    EXPECT_EQ(message({" ", "a"}), file.string() + ": row 2: empty key field \"NUMERO\"");
    EXPECT_EQ(message({"001", "dup"}).rfind(file.string() + ": row 2: key violation", 0), 0u);
    // A writer that never finished leaves no file behind.
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(TableFile, WriterReplacesAnOldFile) {
    TempDir dir;
    WriteTable(dir.path(), "Frases.DB", {{"1", "old"}, {"2", "old"}});
    WriteTable(dir.path(), "Frases.DB", {{"5", "new"}});
    sqlite::Database db(dir.path() / "Frases.DB", SQLITE_OPEN_READONLY);
    EXPECT_EQ(db.QueryInt("SELECT count(*) FROM Frases"), 1);
    EXPECT_EQ(db.QueryText("SELECT Umemo FROM Frases"), "new");
}

}  // namespace
}  // namespace veloria::store
