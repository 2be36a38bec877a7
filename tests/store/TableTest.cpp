#include "store/Table.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <span>

#include "store/Results.h"
#include "store/Sqlite.h"
#include "store/Text.h"
#include "tests/store/TempDir.h"

namespace veloria::store {
namespace {

using testing::TempDir;
using testing::WriteTable;

// Expects the statement to throw StoreError whose message contains every piece.
#define EXPECT_STORE_ERROR(statement, ...)                                           \
    do {                                                                             \
        try {                                                                        \
            statement;                                                               \
            ADD_FAILURE() << "no StoreError from " #statement;                       \
        } catch (const StoreError& e) {                                              \
            for (const std::string& piece : std::vector<std::string>{__VA_ARGS__}) { \
                EXPECT_NE(std::string_view(e.what()).find(piece), std::string::npos) \
                    << e.what() << " lacks " << piece;                               \
            }                                                                        \
        }                                                                            \
    } while (0)

std::vector<std::string> Frase(int n, std::string text) {
    return {std::to_string(n), text};
}

std::vector<std::string> Term(std::string name, std::string name2) {
    return {name, name2, "x", "", "", "", "", "", "", ""};
}

class TableTest : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteTable(dir.path(), "Frases.DB",
                   {Frase(1, "one"), Frase(10, "ten"), Frase(20, "twenty")});
        // NOMBRE2 repeats "b" so that the index order shows its tie-break on NOMBRE.
        WriteTable(dir.path(), "Glosario.DB",
                   {Term("K2", "b"), Term("K1", "b"), Term("K3", "a"), Term("K4", "\xE9tre"),
                    Term("K5", "\x80uro"), Term("K6", "z")});
        WriteTable(dir.path(), "Texto_B.DB", {});
        WriteTable(dir.path(), "Configura.db", {{"0", "", ""}});
    }

    Table Open(std::string_view name, std::string_view index = {}) {
        return Table(name, index, dir.path());
    }

    void AppendResult(Table& t, const std::string& reference) {
        t.Append();
        t.SetField("Referencia", reference);
        t.SetField("Numero", "1");
        t.SetField("Pensamiento", "text of " + reference);
        t.SetField("Libro", "T");
        t.Post();
    }

    // What another connection (another program) finds in the file.
    std::int64_t RowsOnDisk(std::string_view file, std::string_view table) {
        sqlite::Database db(dir.path() / file, SQLITE_OPEN_READONLY);
        return db.QueryInt("SELECT count(*) FROM " + std::string(table));
    }

    std::string Walk(Table& t, std::string_view field) {
        std::string seen;
        for (t.First(); !t.Eof(); t.Next())
            seen += t.FieldAsString(field) + " ";
        return seen;
    }

    TempDir dir;
};

TEST_F(TableTest, EmptyTableHasBothFlagsAndNoRow) {
    Table t = Open("Texto_B.DB");
    EXPECT_TRUE(t.IsEmpty());
    EXPECT_TRUE(t.Bof());
    EXPECT_TRUE(t.Eof());
    EXPECT_EQ(t.RecNo(), 0);
    EXPECT_EQ(t.FieldAsString("Referencia"), "");
    t.Next();
    t.Prior();
    t.Last();
    EXPECT_EQ(t.MoveBy(3), 0);
    EXPECT_TRUE(t.Bof());
    EXPECT_TRUE(t.Eof());
    EXPECT_EQ(Walk(t, "Referencia"), "");
}

TEST_F(TableTest, OneRowAndWalkEdgesFollowDataSetRules) {
    Table t = Open("Texto_B.DB");
    AppendResult(t, "r1");
    t.First();
    EXPECT_TRUE(t.Bof());
    EXPECT_FALSE(t.Eof());
    t.Next();  // on the last row: stays, sets Eof
    EXPECT_TRUE(t.Eof());
    EXPECT_FALSE(t.Bof());
    EXPECT_EQ(t.RecNo(), 1);
    EXPECT_EQ(t.FieldAsString("Referencia"), "r1");
    t.Prior();  // on the first row: stays, sets Bof
    EXPECT_TRUE(t.Bof());
    EXPECT_FALSE(t.Eof());
    EXPECT_EQ(t.RecNo(), 1);

    AppendResult(t, "r2");
    AppendResult(t, "r3");
    EXPECT_EQ(t.RecNo(), 3);  // Post makes the new row current
    EXPECT_EQ(Walk(t, "Referencia"), "r1 r2 r3 ");
    t.Last();
    EXPECT_TRUE(t.Eof());
    t.Next();  // already at Eof: nothing moves
    EXPECT_EQ(t.RecNo(), 3);
    t.Prior();
    EXPECT_FALSE(t.Eof());
    EXPECT_EQ(t.RecNo(), 2);
    EXPECT_EQ(t.MoveBy(5), 1);
    EXPECT_TRUE(t.Eof());
    EXPECT_EQ(t.MoveBy(-10), -2);
    EXPECT_TRUE(t.Bof());
    EXPECT_EQ(t.RecNo(), 1);
    t.MoveTo(99);
    EXPECT_EQ(t.RecNo(), 3);
    EXPECT_EQ(t.RowCount(), 3);
    EXPECT_EQ(t.CellAsString(2, 0), "r2");
    EXPECT_EQ(t.CellAsString(4, 0), "");
    EXPECT_EQ(t.CellAsString(1, 9), "");
}

TEST_F(TableTest, FindKeyOnIntegerTextAndIndexKeys) {
    Table frases = Open("Frases.DB");
    EXPECT_TRUE(frases.FindKey("010"));
    EXPECT_EQ(frases.FieldAsString("Umemo"), "ten");
    EXPECT_FALSE(frases.Bof());
    EXPECT_TRUE(frases.FindKey(" 001 "));
    EXPECT_EQ(frases.FieldAsInteger("numero"), 1);
    frases.Next();
    // Misses leave the cursor where it was.
    EXPECT_FALSE(frases.FindKey("11"));
    EXPECT_FALSE(frases.FindKey("1x"));
    EXPECT_FALSE(frases.FindKey(""));
    EXPECT_EQ(frases.FieldAsString("UMEMO"), "ten");

    Table byNumero = Open("Frases.DB", "NUMERO");  // the key's own field: key order
    EXPECT_TRUE(byNumero.FindKey("20"));
    EXPECT_EQ(byNumero.RecNo(), 3);

    Table glosario = Open("Glosario.DB");
    EXPECT_EQ(Walk(glosario, "NOMBRE"), "K1 K2 K3 K4 K5 K6 ");
    EXPECT_TRUE(glosario.FindKey("K4"));
    EXPECT_EQ(glosario.FieldAsString("NOMBRE2"), "\xE9tre");
    EXPECT_FALSE(glosario.FindKey("k4"));

    Table byName2 = Open("Glosario.DB", "nombre2");
    // A reader's order: "\xE9tre" among the e's, the euro sign (no letter) after the letters; ties
    // in key order.
    EXPECT_EQ(Walk(byName2, "NOMBRE"), "K3 K1 K2 K4 K6 K5 ");
    EXPECT_TRUE(byName2.FindKey("b"));
    EXPECT_EQ(byName2.FieldAsString("NOMBRE"), "K1");
    EXPECT_EQ(byName2.RecNo(), 2);
    EXPECT_FALSE(byName2.FindKey("c"));
    EXPECT_EQ(byName2.RecNo(), 2);
}

TEST_F(TableTest, GotoNearestFindsTheFirstKeyNotLess) {
    Table byName2 = Open("Glosario.DB", "NOMBRE2");
    byName2.GotoNearest("az");
    EXPECT_EQ(byName2.FieldAsString("NOMBRE"), "K1");
    byName2.GotoNearest("b");
    EXPECT_EQ(byName2.FieldAsString("NOMBRE"), "K1");
    byName2.GotoNearest("");
    EXPECT_EQ(byName2.RecNo(), 1);
    byName2.GotoNearest("\xFE");  // past the last key: the last row
    EXPECT_EQ(byName2.FieldAsString("NOMBRE"), "K5");
    byName2.GotoNearest("E");  // by the same order
    EXPECT_EQ(byName2.FieldAsString("NOMBRE"), "K4");
    EXPECT_FALSE(byName2.Eof());

    Table frases = Open("Frases.DB");
    frases.GotoNearest("15");
    EXPECT_EQ(frases.FieldAsString("NUMERO"), "20");
    frases.GotoNearest("-3");
    EXPECT_EQ(frases.FieldAsString("NUMERO"), "1");
    frases.GotoNearest("999");
    EXPECT_EQ(frases.FieldAsString("NUMERO"), "20");
    frases.GotoNearest(" ");
    EXPECT_EQ(frases.FieldAsString("NUMERO"), "1");
    EXPECT_STORE_ERROR(frases.GotoNearest("ten"), "Frases.DB", "\"ten\"", "NUMERO");
}

// Terms that begin with an accented capital stand among their base letter, and the text typed
// goes to the nearest of them by the same order; the file keeps plain SQL, readable by any tool.
TEST_F(TableTest, AGlossaryLookupKeyIsInAReadersOrder) {
    WriteTable(dir.path(), "Glosario.DB",
               {Term("Worry", "WORRY"), Term("\xC1nimo", "\xC1NIMO"),
                Term("Evening of Comfort", "EVENING OF COMFORT"), Term("\xC9lan", "\xC9LAN"),
                Term("\xCDntimo", "\xCDNTIMO"), Term("Animal", "ANIMAL"), Term("Elan", "ELAN")});
    Table byName2 = Open("Glosario.DB", "NOMBRE2");
    EXPECT_EQ(Walk(byName2, "NOMBRE"),
              "Animal \xC1nimo Elan \xC9lan Evening of Comfort \xCDntimo Worry ");
    byName2.GotoNearest("ELA");
    EXPECT_EQ(byName2.FieldAsString("NOMBRE"), "Elan");
    byName2.GotoNearest("\xC9LAN");  // the accent breaks the tie
    EXPECT_EQ(byName2.FieldAsString("NOMBRE"), "\xC9lan");
    byName2.GotoNearest("I");
    EXPECT_EQ(byName2.FieldAsString("NOMBRE"), "\xCDntimo");
    EXPECT_TRUE(byName2.FindKey("\xC9LAN"));
    EXPECT_EQ(byName2.RecNo(), 4);
    sqlite::Database db(dir.path() / "Glosario.DB", SQLITE_OPEN_READONLY);
    EXPECT_EQ(db.QueryText("SELECT sql FROM sqlite_master WHERE name = 'Glosario_NOMBRE2'"),
              "CREATE INDEX \"Glosario_NOMBRE2\" ON \"Glosario\" (\"NOMBRE2\")");
}

TEST_F(TableTest, HandlesShareRowsAndSurviveEachOthersWrites) {
    Table writer = Open("Texto_B.DB");
    Table reader = Open("texto_b.db");
    EXPECT_EQ(writer.Path(), reader.Path());
    for (const char* r : {"a", "b", "c"})
        AppendResult(writer, r);
    reader.Refresh();
    EXPECT_EQ(reader.RecNo(), 1);  // rows arrived in an empty table: the first is current
    EXPECT_FALSE(reader.Eof());
    reader.Last();
    EXPECT_EQ(reader.FieldAsString("Referencia"), "c");
    EXPECT_EQ(writer.RecNo(), 3);

    // Each handle keeps its own position and its row while others append.
    writer.First();
    AppendResult(writer, "d");
    EXPECT_EQ(reader.FieldAsString("Referencia"), "c");
    EXPECT_EQ(reader.RecNo(), 3);
    const auto before = reader.DataVersion();

    writer.EmptyTable();
    EXPECT_GT(reader.DataVersion(), before);
    EXPECT_TRUE(reader.IsEmpty());
    EXPECT_TRUE(reader.Eof());
    EXPECT_TRUE(reader.Bof());
    EXPECT_EQ(reader.FieldAsString("Referencia"), "");
    reader.Next();
    reader.MoveTo(2);
    EXPECT_EQ(reader.RecNo(), 0);

    AppendResult(writer, "e");
    AppendResult(writer, "f");
    reader.Refresh();
    EXPECT_EQ(Walk(reader, "Referencia"), "e f ");
    reader.Last();

    // A row edited through one handle is seen by the other; removing the edited row from under
    // an edit is reported rather than written to nowhere.
    writer.First();
    writer.Edit();
    writer.SetField("Referencia", "E");
    writer.Post();
    reader.First();
    EXPECT_EQ(reader.FieldAsString("Referencia"), "E");
    reader.Edit();
    reader.SetField("Referencia", "lost");
    writer.EmptyTable();
    EXPECT_STORE_ERROR(reader.Post(), "Texto_B.DB", "no longer exists");
    reader.Cancel();
    EXPECT_EQ(RowsOnDisk("Texto_B.DB", "Texto_B"), 0);
}

TEST_F(TableTest, RefreshPicksUpAnotherProgramsWrites) {
    Table t = Open("Texto_B.DB");
    AppendResult(t, "mine");
    {
        sqlite::Database other(dir.path() / "Texto_B.DB", SQLITE_OPEN_READWRITE);
        other.Exec("INSERT INTO Texto_B VALUES ('caf\xC3\xA9', '2', 'x', 'E')");
    }
    t.Refresh();
    t.Last();
    EXPECT_EQ(t.RecNo(), 2);
    EXPECT_EQ(t.FieldAsString("Referencia"), "caf\xE9");
    // A write also starts from what is in the file.
    {
        sqlite::Database other(dir.path() / "Texto_B.DB", SQLITE_OPEN_READWRITE);
        other.Exec("DELETE FROM Texto_B WHERE Libro = 'T'");
    }
    AppendResult(t, "again");
    EXPECT_EQ(Walk(t, "Referencia"), "caf\xE9 again ");
}

TEST_F(TableTest, PostIsDurableAtOnceAndEditsKeepTheirRow) {
    Table config = Open("Configura.db");
    config.Edit();
    config.SetField("Cantidad", std::int64_t(42));
    config.SetField("Fecha", "2024-05-01");
    EXPECT_EQ(config.FieldAsString("Cantidad"), "42");  // the pending row is what a handle reads
    config.Post();
    EXPECT_EQ(RowsOnDisk("Configura.db", "Configura"), 1);
    {
        sqlite::Database other(dir.path() / "Configura.db", SQLITE_OPEN_READONLY);
        EXPECT_EQ(other.QueryInt("SELECT Cantidad FROM Configura"), 42);
    }
    config.Edit();
    config.SetField("Cantidad", " 007 ");
    config.Cancel();
    EXPECT_EQ(config.FieldAsInteger("Cantidad"), 42);

    // A changed row is posted before the cursor moves; an unchanged one is dropped.
    config.Edit();
    config.SetField("BNumero", "12");
    config.First();
    EXPECT_FALSE(config.Editing());
    EXPECT_EQ(config.FieldAsString("BNumero"), "12");
    config.Edit();
    config.SetField("Cantidad", "");
    config.Post();
    EXPECT_EQ(config.FieldAsString("Cantidad"), "");
    EXPECT_EQ(config.FieldAsInteger("Cantidad"), 0);

    EXPECT_STORE_ERROR(config.SetField("Cantidad", "1"), "Configura.db", "not in edit");
    config.Edit();
    EXPECT_STORE_ERROR(config.SetField("Cantidad", "many"), "Configura.db", "\"many\"", "Cantidad");
    config.Cancel();

    // Edit on an empty table adds the row.
    config.EmptyTable();
    config.Edit();
    config.SetField("Cantidad", std::int64_t(3));
    config.Post();
    EXPECT_EQ(RowsOnDisk("Configura.db", "Configura"), 1);
    EXPECT_EQ(Open("Configura.db").FieldAsInteger("Cantidad"), 3);
}

TEST_F(TableTest, ExclusiveIgnoresOwnHandlesButNotOtherPrograms) {
    Table reader = Open("Texto_B.DB");
    Table search = Open("Texto_B.DB");
    search.Close();
    EXPECT_FALSE(search.Active());
    EXPECT_STORE_ERROR(search.First(), "Texto_B.DB", "not open");
    search.SetExclusive(true);
    search.Open();
    EXPECT_TRUE(search.Exclusive());
    AppendResult(search, "x");
    EXPECT_EQ(reader.RowCount(), 1);
    EXPECT_STORE_ERROR(search.SetExclusive(false), "close the table");

    sqlite::Database other(dir.path() / "Texto_B.DB", SQLITE_OPEN_READWRITE);
    other.Exec("BEGIN IMMEDIATE");
    search.Close();
    EXPECT_STORE_ERROR(search.Open(), "Texto_B.DB", "locked by another program");
    EXPECT_FALSE(search.Active());
    // Reading goes on while the other program writes.
    EXPECT_EQ(reader.FieldAsString("Referencia"), "x");
    // A write waits for the other program a little, then gives up with the same message.
    EXPECT_STORE_ERROR(AppendResult(reader, "y"), "Texto_B.DB", "locked by another program");
    EXPECT_TRUE(reader.Editing());  // the row is still pending, as after any failed Post
    reader.Cancel();
    other.Exec("ROLLBACK");
    search.Open();
    AppendResult(reader, "y");
    EXPECT_EQ(search.RowCount(), 2);
}

TEST_F(TableTest, NamesMatchWithoutRegardToCase) {
    std::filesystem::rename(dir.path() / "Configura.db", dir.path() / "CONFIGURA.DB");
    Table t = Open("configura.db");
    EXPECT_EQ(t.Path(), dir.path() / "CONFIGURA.DB");
    EXPECT_EQ(t.Def().fileName, "Configura.db");
    EXPECT_EQ(t.FieldAsString("cantidad"), "0");
    EXPECT_EQ(t.FieldAsString("CANTIDAD"), "0");
    t.Edit();
    t.SetField("fEcHa", "d");
    t.Post();
    EXPECT_EQ(t.FieldAsString("Fecha"), "d");
}

TEST_F(TableTest, FailuresNameFileAndCause) {
    const std::string dirName = dir.path().string();
    EXPECT_STORE_ERROR(Open("LTexto.DB"), dirName + "/LTexto.DB", "table file not found");
    EXPECT_STORE_ERROR(Open("Biblia.db"), dirName + "/Biblia.DB: table file not found");
    EXPECT_STORE_ERROR(Open("Nada.DB"), "\"Nada.DB\"", "unknown table");
    EXPECT_STORE_ERROR(Open("Glosario.DB", "NOMBRE3"), "Glosario.DB", "no index \"NOMBRE3\"");

    std::ofstream(dir.path() / "LTexto.DB") << "this is no database, it is just some text........"
                                               "..............................................";
    EXPECT_STORE_ERROR(Open("LTexto.DB"), "LTexto.DB", "not a table");
    {
        sqlite::Database other(dir.path() / "Maestro.DB",
                               SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        other.Exec("CREATE TABLE Something (x)");
    }
    EXPECT_STORE_ERROR(Open("Maestro.DB"), "Maestro.DB", "not a table", "\"Maestro\"");
    {
        sqlite::Database other(dir.path() / "LPsico.DB",
                               SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        other.Exec("CREATE TABLE LPsico (Numero INTEGER PRIMARY KEY, Umemo TEXT)");
    }
    EXPECT_STORE_ERROR(Open("LPsico.DB"), "LPsico.DB", "lacks the field \"Referencia\"");

    Table frases = Open("Frases.DB");
    EXPECT_STORE_ERROR(frases.FieldAsString("Texto"), "no such field \"Texto\"", "Frases.DB");
    EXPECT_STORE_ERROR(frases.Append(), "Frases.DB", "read-only");
    EXPECT_STORE_ERROR(frases.Edit(), "Frases.DB", "read-only");
    EXPECT_STORE_ERROR(frases.EmptyTable(), "Frases.DB", "read-only");
    EXPECT_STORE_ERROR(Table::Batch{frases}, "Frases.DB", "read-only");
    EXPECT_EQ(frases.RowCount(), 3);

    Table results = Open("Texto_B.DB");
    EXPECT_STORE_ERROR(results.FindKey("1"), "Texto_B.DB", "has no key");

    // Disk full and read-only files, as the SQLite layer reports them to every caller.
    sqlite::Database db(dir.path() / "Texto_B.DB", SQLITE_OPEN_READWRITE);
    db.Exec("PRAGMA max_page_count = " + std::to_string(db.QueryInt("PRAGMA page_count")));
    EXPECT_STORE_ERROR(db.Exec("INSERT INTO Texto_B VALUES (zeroblob(100000), '', '', '')"),
                       "Texto_B.DB: disk full");
    sqlite::Database ro(dir.path() / "Configura.db", SQLITE_OPEN_READONLY);
    EXPECT_STORE_ERROR(ro.Exec("DELETE FROM Configura"), "Configura.db: read-only");
}

TEST_F(TableTest, BatchCommitsOnceOrRestoresEveryHandle) {
    Table a = Open("Texto_B.DB");
    Table b = Open("Texto_B.DB");
    AppendResult(a, "old1");
    AppendResult(a, "old2");
    b.Last();
    {
        Table::Batch batch(a);
        a.EmptyTable();
        for (int i = 0; i < 5; ++i)
            AppendResult(a, "new" + std::to_string(i));
        AppendResult(b, "fromB");
        EXPECT_EQ(a.RowCount(), 6);
        EXPECT_EQ(RowsOnDisk("Texto_B.DB", "Texto_B"), 2);  // others see nothing uncommitted
        // an exception ends the batch here
    }
    EXPECT_EQ(Walk(a, "Referencia"), "old1 old2 ");
    EXPECT_EQ(Walk(b, "Referencia"), "old1 old2 ");
    EXPECT_EQ(RowsOnDisk("Texto_B.DB", "Texto_B"), 2);

    {
        Table::Batch batch(b);
        b.EmptyTable();
        AppendResult(a, "kept");
        {
            Table::Batch inner(a);  // nested: a savepoint
            AppendResult(a, "dropped");
        }
        EXPECT_EQ(Walk(b, "Referencia"), "kept ");
        batch.Commit();
    }
    EXPECT_EQ(RowsOnDisk("Texto_B.DB", "Texto_B"), 1);
    EXPECT_EQ(Walk(a, "Referencia"), "kept ");

    // Another program writing stops a batch from starting.
    sqlite::Database other(dir.path() / "Texto_B.DB", SQLITE_OPEN_READWRITE);
    other.Exec("BEGIN IMMEDIATE");
    EXPECT_STORE_ERROR(Table::Batch{a}, "Texto_B.DB", "locked by another program");
    other.Exec("ROLLBACK");
}

// Appends reuse the pending row's buffers, bind ASCII text without converting it and keep the rows
// in memory that an emptied table gives back: none of it may leak one row's text into another.
TEST_F(TableTest, RefilledResultsReadBackExactlyInMemoryAndOnDisk) {
    Table a = Open("Texto_B.DB");
    const auto text = [](int round, int i) {
        std::string t = "sentence " + std::to_string(i) + " of round " + std::to_string(round);
        if (i % 3 == 0)
            t += " \xE9t\xE9 \x93quoted\x94 \x80";  // needs converting
        if (i % 5 == 0)
            t += std::string(300, 'x');  // a long cell after short ones
        return t;
    };
    // Sizes that outgrow the first blocks of row memory and then fit into the kept ones.
    for (const int round : {0, 1, 2}) {
        const int rows = round == 1 ? 3000 : 700;
        Table::Batch batch(a);
        a.EmptyTable();
        for (int i = 0; i < rows; ++i) {
            a.Append();
            a.SetField("Referencia", std::to_string(i) + "R");
            if (i % 2 == 0)  // left out on odd rows: the cell must come back empty
                a.SetField("Numero", std::to_string(i));
            a.SetField("Pensamiento", text(round, i));
            a.SetField("Libro", i % 7 == 0 ? "\xD1" : "T");
            a.Post();
        }
        batch.Commit();

        sqlite::Database other(dir.path() / "Texto_B.DB", SQLITE_OPEN_READONLY);
        auto select = other.Prepare(
            "SELECT Referencia, Numero, Pensamiento, Libro FROM Texto_B ORDER BY rowid");
        Table fresh = Open("Texto_B.DB");
        ASSERT_EQ(fresh.RowCount(), rows);
        for (int i = 0; i < rows; ++i) {
            ASSERT_TRUE(select.Step());
            const std::string numero = i % 2 == 0 ? std::to_string(i) : "";
            const std::string libro = i % 7 == 0 ? "\xD1" : "T";
            ASSERT_EQ(fresh.CellView(i + 1, 0), std::to_string(i) + "R");
            ASSERT_EQ(fresh.CellView(i + 1, 1), numero) << i;
            ASSERT_EQ(fresh.CellView(i + 1, 2), text(round, i)) << i;
            ASSERT_EQ(fresh.CellView(i + 1, 3), libro) << i;
            ASSERT_EQ(select.ColumnText(1), numero) << i;
            ASSERT_EQ(select.ColumnText(2), ToUtf8(text(round, i))) << i;
            ASSERT_EQ(select.ColumnText(3), ToUtf8(libro)) << i;
        }
        EXPECT_FALSE(select.Step());
    }

    // An emptied and refilled table that is rolled back shows its committed rows again.
    {
        Table::Batch batch(a);
        a.EmptyTable();
        AppendResult(a, "dropped");
    }
    EXPECT_EQ(a.RowCount(), 700);
    a.Last();
    EXPECT_EQ(a.FieldAsString("Pensamiento"), text(2, 699));

    // A cell set from a view of itself, and an edit after appends, keep their text.
    a.Edit();
    a.SetField("Pensamiento", a.FieldView("Pensamiento"));
    a.SetField("Referencia", a.FieldView("Referencia").substr(0, 3));
    a.Post();
    EXPECT_EQ(a.FieldAsString("Pensamiento"), text(2, 699));
    EXPECT_EQ(Open("Texto_B.DB").CellAsString(700, 0), "699");
}

TEST_F(TableTest, AReplacedFileIsReadAfreshAndABadOneRefused) {
    Table t = Open("Texto_B.DB");
    AppendResult(t, "before");
    WriteTable(dir.path(), "Texto_B.DB", {{"new1", "1", "p", "E"}, {"new2", "2", "p", "E"}});
    t.Refresh();
    EXPECT_EQ(Walk(t, "Referencia"), "new1 new2 ");
    AppendResult(t, "after");
    EXPECT_EQ(RowsOnDisk("Texto_B.DB", "Texto_B"), 3);

    std::filesystem::remove(dir.path() / "Texto_B.DB-wal");
    std::filesystem::remove(dir.path() / "Texto_B.DB-shm");
    std::filesystem::remove(dir.path() / "Texto_B.DB");
    std::ofstream(dir.path() / "Texto_B.DB") << std::string(4096, 'x');
    EXPECT_STORE_ERROR(t.Refresh(), "Texto_B.DB", "not a table");
    EXPECT_EQ(t.RowCount(), 3);  // the rows read before stay usable
    EXPECT_STORE_ERROR(t.Refresh(), "not a table");
    std::filesystem::remove(dir.path() / "Texto_B.DB");
    EXPECT_STORE_ERROR(t.Refresh(), "Texto_B.DB", "table file not found");
}

TEST_F(TableTest, VolumeAndIndexTablesSeekByTheirNamedIndexes) {
    std::vector<std::vector<std::string>> sentences;
    for (int n : {3, 1, 2}) {
        sentences.push_back({std::to_string(n), "Sentence " + std::to_string(n),
                             " T-" + std::to_string(n) + " ", "12", "", "7", "1", "#S#", "", "",
                             ""});
    }
    WriteTable(dir.path(), "LTexto.DB", sentences);
    WriteTable(dir.path(), "Indice_T.db", {{"7", "CHAPTER ONE", "Section"}, {"2", "A", "B"}});
    Table volume = Open("LTexto.DB", "NUMERO");
    EXPECT_EQ(Walk(volume, "numero"), "1 2 3 ");
    ASSERT_TRUE(volume.FindKey("00002"));
    EXPECT_EQ(volume.FieldAsString("Referencia"), " T-2 ");
    EXPECT_EQ(volume.FieldAsString("Pagina"), "12");
    Table index = Open("Indice_T.db", "NUM_I");
    ASSERT_TRUE(index.FindKey(volume.FieldAsString("Num_I")));
    EXPECT_EQ(index.FieldAsString("Nom_1"), "CHAPTER ONE");
    EXPECT_FALSE(index.FindKey("8"));
    EXPECT_EQ(index.FieldAsString("Nom_1"), "CHAPTER ONE");
}

// The start shows one sentence of a volume: found by its number before the volume's rows are
// read, it stands where they put it once they are, and views of its cells outlive that reading.
TEST_F(TableTest, ASentenceFoundBeforeTheRowsAreReadStandsAmongThem) {
    std::vector<std::vector<std::string>> sentences;
    for (int n : {2, 5, 9, 14}) {
        const std::string i = std::to_string(n);
        sentences.push_back({i, "Sentence " + i, "T-" + i, i, "", "1", "1", "#F" + i, "", "", ""});
    }
    WriteTable(dir.path(), "LTexto.DB", sentences);
    {
        Table volume = Open("LTexto.DB");
        ASSERT_TRUE(volume.FindKey("00009"));
        const std::string_view sentence = volume.FieldView("Umemo");
        const std::string_view form = volume.FieldView("A1");  // left in the file
        EXPECT_FALSE(volume.FindKey("6"));
        EXPECT_FALSE(volume.FindKey("x"));
        EXPECT_EQ(volume.FieldAsString("Referencia"), "T-9");
        EXPECT_EQ(volume.RecNo(), 3);
        EXPECT_EQ(sentence, "Sentence 9");
        EXPECT_EQ(form, "#F9");
        volume.Next();
        EXPECT_EQ(volume.FieldAsString("Numero"), "14");
    }
    // Gone from the file before the rows are read: the cursor stands where the row stood.
    Table volume = Open("LTexto.DB");
    ASSERT_TRUE(volume.FindKey("5"));
    sqlite::Database(dir.path() / "LTexto.DB", SQLITE_OPEN_READWRITE)
        .Exec("DELETE FROM LTexto WHERE Numero = 5");
    EXPECT_EQ(volume.RecNo(), 2);
    EXPECT_EQ(volume.FieldAsString("Numero"), "9");
}

// The search forms stay in the file: read by name like any field, or all rows in one pass, in
// the handle's order and from the file as the rows were read.
TEST_F(TableTest, FieldsLeftInTheFileReadLikeTheOthers) {
    const auto sentence = [](int n, const std::string& form) {
        return std::vector<std::string>{std::to_string(n), "s", "r", "1", "", "1", "1", form,
                                        "#\xC9",           "#", ""};
    };
    WriteTable(dir.path(), "LTexto.DB", {sentence(2, "#TWO"), sentence(1, "#ONE")});
    Table volume = Open("LTexto.DB");
    const int a1 = FieldIndex(volume.Def(), "A1");
    EXPECT_EQ(volume.CellView(1, a1), "#ONE");
    const std::string_view two = volume.CellView(2, a1);
    EXPECT_EQ(volume.FieldAsString("A2"), "#\xC9");  // Windows-1252, as every field
    EXPECT_EQ(two, "#TWO");                          // still valid after other reads

    const std::array<std::string_view, 2> fields = {"A1", "A2"};
    std::string read;
    volume.ReadFromFile(fields, [&](std::span<const std::string_view> row) {
        read += std::string(row[0]) + std::string(row[1]) + " ";
    });
    EXPECT_EQ(read, "#ONE#\xC9 #TWO#\xC9 ");

    // A file changed under the handle is read afresh first: rows and fields stay one for one.
    {
        sqlite::Database other(dir.path() / "LTexto.DB", SQLITE_OPEN_READWRITE);
        other.Exec("UPDATE LTexto SET A1 = '#UNO' WHERE Numero = 1");
        other.Exec("INSERT INTO LTexto (Numero, A1) VALUES (3, '#THREE')");
    }
    read.clear();
    volume.ReadFromFile(
        fields, [&](std::span<const std::string_view> row) { read += std::string(row[0]) + " "; });
    EXPECT_EQ(read, "#UNO #TWO #THREE ");
    EXPECT_EQ(volume.RowCount(), 3);
    EXPECT_EQ(volume.CellView(1, a1), "#UNO");
}

// A volume reads its rows' ids when first used and a row's cells when first asked for, after a
// few rows all of them in one pass: every value is the file's, in any order of reading, and a
// view taken before that pass stays valid. A file changed in place under the handle is refused
// rather than read half old, half new.
TEST_F(TableTest, AVolumesCellsAreReadAsAskedAndAreTheFiles) {
    std::vector<std::vector<std::string>> sentences;
    for (int n = 1; n <= 300; n += 2) {
        const std::string i = std::to_string(n);
        sentences.push_back(
            {i, "Sentence " + i + " \xE9", "T-" + i, i, "", "1", "1", "", "", "", ""});
    }
    WriteTable(dir.path(), "LTexto.DB", sentences);
    Table volume = Open("LTexto.DB");
    // Reading the rows changes nothing a handle sees, its version neither: what was kept by the
    // version (the search's forms) is not read again.
    const std::uint64_t version = volume.DataVersion();
    EXPECT_EQ(volume.RowCount(), 150);
    EXPECT_EQ(volume.DataVersion(), version);
    Table other = Open("LTexto.DB", "NUMERO");
    // Rows read ahead together, as a search reads its hits (positions outside are passed over).
    const std::array<int, 4> ahead = {3, 7, 149, 150};
    volume.ReadAhead(ahead);
    EXPECT_EQ(volume.CellView(4, 1), "Sentence 7 \xE9");
    EXPECT_EQ(volume.CellView(150, 2), "T-299");
    ASSERT_TRUE(other.FindKey("151"));
    const std::string_view early = other.FieldView("Umemo");
    EXPECT_EQ(early, "Sentence 151 \xE9");
    EXPECT_FALSE(other.FindKey("150"));
    EXPECT_EQ(other.RecNo(), 76);
    for (int n = 299; n >= 1; n -= 4) {
        ASSERT_TRUE(volume.FindKey(std::to_string(n)));
        EXPECT_EQ(volume.FieldAsString("Referencia"), "T-" + std::to_string(n));
    }
    EXPECT_EQ(early, "Sentence 151 \xE9") << "read before the pass over every row";
    EXPECT_EQ(volume.CellAsString(150, 0), "299");
    other.Last();
    EXPECT_EQ(other.FieldAsString("Pagina"), "299");

    WriteTable(dir.path(), "Indice_T.db", {{"1", "One", "A"}, {"2", "Two", "B"}});
    Table index = Open("Indice_T.db");
    EXPECT_EQ(index.RowCount(), 2);
    {
        sqlite::Database changer(dir.path() / "Indice_T.db", SQLITE_OPEN_READWRITE);
        changer.Exec("UPDATE Indice_T SET Nom_1 = 'Uno' WHERE Num_I = 1");
    }
    EXPECT_STORE_ERROR(index.FieldAsString("Nom_1"), "Indice_T.db", "changed while it was read");
    index.Refresh();
    EXPECT_EQ(index.FieldAsString("Nom_1"), "Uno");
}

TEST_F(TableTest, ContentTablesAreSharedAndReadOnlyOnDisk) {
    Table one = Open("Glosario.DB");
    Table two = Open("GLOSARIO.DB", "NOMBRE2");
    EXPECT_EQ(one.DataVersion(), two.DataVersion());
    one.Last();
    EXPECT_EQ(two.RecNo(), 1);
    EXPECT_EQ(one.FieldView("NOMBRE"), "K6");
    // No side files: the program never writes into the content tables.
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Glosario.DB-wal"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Glosario.DB-journal"));
}

// The results and their count: written as a pair, each file stamped with the pair's generation,
// seen whole or not at all by every handle and on disk.
TEST_F(TableTest, AJointBatchWritesResultsAndCountAsAPair) {
    Table results = Open("Texto_B.DB");
    Table config = Open("Configura.db");
    Table otherConfig = Open("Configura.db");
    AppendResult(results, "old");
    const auto onDisk = [&](const char* file, const char* sql) {
        sqlite::Database db(dir.path() / file, SQLITE_OPEN_READONLY);
        return db.QueryInt(sql);
    };
    const auto write = [&](int rows) {
        results.EmptyTable();
        for (int i = 0; i < rows; ++i)
            AppendResult(results, "new" + std::to_string(i));
        config.First();
        config.Edit();
        config.SetField("Cantidad", std::int64_t(rows));
        config.Post();
    };
    {
        Table::Batch batch(results, config);
        write(3);
        EXPECT_EQ(otherConfig.FieldAsInteger("Cantidad"), 3);  // this process sees it at once
        EXPECT_EQ(onDisk("Configura.db", "SELECT Cantidad FROM Configura"), 0);
        EXPECT_EQ(RowsOnDisk("Texto_B.DB", "Texto_B"), 1);
    }
    EXPECT_EQ(Walk(results, "Referencia"), "old ");
    EXPECT_EQ(otherConfig.FieldAsInteger("Cantidad"), 0);
    EXPECT_EQ(onDisk("Configura.db", "SELECT Cantidad FROM Configura"), 0);
    EXPECT_TRUE(Table::CommittedTogether(results, config));

    for (int round = 1; round <= 2; ++round) {
        Table::Batch batch(results, config);
        write(2);
        {
            Table::Batch inner(config);  // nests in the pair's batch
            config.Edit();
            config.SetField("Cantidad", std::int64_t(99));
            config.Post();
        }
        EXPECT_EQ(config.FieldAsInteger("Cantidad"), 2);
        EXPECT_EQ(Walk(results, "Referencia"), "new0 new1 ");
        batch.Commit();
        EXPECT_EQ(onDisk("Configura.db", "SELECT Cantidad FROM Configura"), 2);
        EXPECT_EQ(RowsOnDisk("Texto_B.DB", "Texto_B"), 2);
        EXPECT_EQ(onDisk("Texto_B.DB", "PRAGMA user_version"), round);
        EXPECT_EQ(onDisk("Configura.db", "PRAGMA user_version"), round);
        EXPECT_TRUE(Table::CommittedTogether(results, config));
    }
    EXPECT_EQ(otherConfig.FieldAsInteger("Cantidad"), 2);

    // What a kill between the two commits leaves: the results of a pair the count never joined.
    {
        sqlite::Database db(dir.path() / "Texto_B.DB", SQLITE_OPEN_READWRITE);
        db.Exec("BEGIN; DELETE FROM Texto_B; PRAGMA user_version = 3; COMMIT");
    }
    results.Refresh();
    EXPECT_FALSE(Table::CommittedTogether(results, config));
    EXPECT_FALSE(Table::CommittedTogether(config, results));
    // The next pair mends it, with a generation neither file had.
    {
        Table::Batch batch(results, config);
        write(1);
        batch.Commit();
    }
    EXPECT_TRUE(Table::CommittedTogether(results, config));
    EXPECT_EQ(onDisk("Configura.db", "PRAGMA user_version"), 4);
    // Where the numbers wrap too: the next after the largest must not be the other file's.
    for (const auto& [file, generation] :
         {std::pair{"Texto_B.DB", "2147483647"}, std::pair{"Configura.db", "1"}}) {
        sqlite::Database db(dir.path() / file, SQLITE_OPEN_READWRITE);
        db.Exec(std::string("PRAGMA user_version = ") + generation);
    }
    results.Refresh();
    config.Refresh();
    {
        Table::Batch batch(results, config);
        write(1);
        batch.Commit();
    }
    EXPECT_EQ(onDisk("Texto_B.DB", "PRAGMA user_version"), 2);
    EXPECT_EQ(onDisk("Configura.db", "PRAGMA user_version"), 2);

    // Each table goes on alone. Another program writing the count stops the pair before
    // anything is written.
    AppendResult(results, "alone");
    EXPECT_EQ(RowsOnDisk("Texto_B.DB", "Texto_B"), 2);
    sqlite::Database other(dir.path() / "Configura.db", SQLITE_OPEN_READWRITE);
    other.Exec("BEGIN IMMEDIATE");
    EXPECT_STORE_ERROR((Table::Batch{results, config}), "Configura.db", "locked");
    other.Exec("ROLLBACK");
    AppendResult(results, "after");  // no batch left open on the results
    EXPECT_EQ(RowsOnDisk("Texto_B.DB", "Texto_B"), 3);
}

TEST_F(TableTest, APairIsTwoWritableTablesOutsideAnyBatch) {
    Table results = Open("Texto_B.DB");
    Table again = Open("Texto_B.DB");
    Table config = Open("Configura.db");
    Table frases = Open("Frases.DB");
    EXPECT_STORE_ERROR((Table::Batch{results, again}), "a pair is two tables");
    EXPECT_STORE_ERROR((Table::Batch{results, frases}), "Frases.DB", "read-only");
    AppendResult(results, "no batch left open");
    EXPECT_EQ(RowsOnDisk("Texto_B.DB", "Texto_B"), 1);
    {
        Table::Batch alone(config);
        EXPECT_STORE_ERROR((Table::Batch{results, config}), "must begin before any batch");
    }
    Table::Batch pair(results, config);
    EXPECT_STORE_ERROR((Table::Batch{config, results}), "must begin before any batch");
    AppendResult(results, "in the pair");
    pair.Commit();
    EXPECT_EQ(RowsOnDisk("Texto_B.DB", "Texto_B"), 2);
}

// The tables the program writes keep a write-ahead log where the file system offers one, and fall
// back to a rollback journal where it does not: SQLite then says so, in its answer.
TEST_F(TableTest, WrittenTablesKeepALogOrFallBackToAJournal) {
    const auto modeOnDisk = [&](std::string_view file) {
        sqlite::Database look(dir.path() / file, SQLITE_OPEN_READONLY);
        return look.QueryText("PRAGMA journal_mode");
    };
    { Table results = Open("Texto_B.DB"); }
    EXPECT_EQ(modeOnDisk("Texto_B.DB"), "wal");

    // Locks by lock files alone: no shared memory, hence no log.
    WriteTable(dir.path(), "TBiblia.db", {});
    sqlite3_vfs* normal = sqlite3_vfs_find(nullptr);
    sqlite3_vfs* noLog = sqlite3_vfs_find("unix-dotfile");
    ASSERT_NE(noLog, nullptr);
    sqlite3_vfs_register(noLog, 1);
    try {
        Table passages = Open("TBiblia.db");
        passages.Append();
        passages.SetField("Referencia", "Jn 1:1");
        passages.Post();
        EXPECT_EQ(RowsOnDisk("TBiblia.db", "TBiblia"), 1);
    } catch (const StoreError& e) {
        ADD_FAILURE() << e.what();
    }
    sqlite3_vfs_register(normal, 1);
    EXPECT_EQ(modeOnDisk("TBiblia.db"), "delete");

    // Any other answer (here: a file kept in memory alone) would make every commit a promise that
    // a kill breaks: the table is refused, and says why.
    sqlite3_vfs* inMemory = sqlite3_vfs_find("memdb");
    ASSERT_NE(inMemory, nullptr);
    sqlite3_vfs_register(inMemory, 1);
    try {
        Table passages = Open("TBiblia.db");
        ADD_FAILURE() << "a table without a journal was opened for writing";
    } catch (const StoreError& e) {
        EXPECT_NE(std::string(e.what()).find("TBiblia.db"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("\"memory\""), std::string::npos) << e.what();
    }
    sqlite3_vfs_register(normal, 1);
}

// The log is written into the file when the program finds time, not inside the commit that the
// user waits for, and not in the middle of a batch.
TEST_F(TableTest, TheLogIsWrittenIntoTheFileWhenTheProgramFindsTime) {
    Table results = Open("Texto_B.DB");
    RunIdleWork();
    ASSERT_FALSE(IdleWorkDue());
    const std::string text(1000, 'x');
    const auto fileSize = [&] { return std::filesystem::file_size(dir.path() / "Texto_B.DB"); };
    {
        Table::Batch batch(results);
        for (int i = 0; i < 5000; ++i) {
            results.Append();
            results.SetField("Pensamiento", text);
            results.Post();
        }
        batch.Commit();
    }
    EXPECT_TRUE(IdleWorkDue());
    EXPECT_LT(fileSize(), 1u << 20) << "the log was written into the file at the commit";
    {
        Table::Batch batch(results);
        RunIdleWork();
        EXPECT_TRUE(IdleWorkDue()) << "a table in a batch waits";
        EXPECT_LT(fileSize(), 1u << 20);
    }
    RunIdleWork();
    EXPECT_FALSE(IdleWorkDue());
    EXPECT_GT(fileSize(), 4u << 20);
    EXPECT_EQ(results.RowCount(), 5000);
}

// A table emptied and refilled with many rows has its next emptying made ahead when the program
// finds time. It is invisible until an emptying takes it, and undone by anything else that writes
// the table.
TEST_F(TableTest, TheNextEmptyingMadeAheadChangesNothingUntilTaken) {
    constexpr int kMany = 1000;
    Table results = Open("Texto_B.DB");
    Table other = Open("Texto_B.DB");
    Table config = Open("Configura.db");
    const auto refill = [&](int rows) {
        Table::Batch batch(results);
        results.EmptyTable();
        for (int i = 0; i < rows; ++i)
            AppendResult(results, "r" + std::to_string(i));
        batch.Commit();
    };
    const auto expectRows = [&](int rows) {
        EXPECT_EQ(results.RowCount(), rows);
        EXPECT_EQ(other.RowCount(), rows);
        EXPECT_EQ(RowsOnDisk("Texto_B.DB", "Texto_B"), rows);
    };
    sqlite::Database writer(dir.path() / "Texto_B.DB", SQLITE_OPEN_READWRITE);
    const auto madeAhead = [&](bool made) {
        EXPECT_TRUE(IdleWorkDue());
        RunIdleWork();
        EXPECT_FALSE(IdleWorkDue());
        // Made ahead, it holds the table's write lock, as exclusive use does.
        if (made) {
            EXPECT_STORE_ERROR(writer.Exec("BEGIN IMMEDIATE"), "locked by another program");
        } else {
            writer.Exec("BEGIN IMMEDIATE");
            writer.Exec("ROLLBACK");
        }
    };

    refill(3);
    madeAhead(false);  // a few rows cost nothing to empty
    refill(kMany);
    madeAhead(true);
    other.Refresh();
    expectRows(kMany);
    // A batch that writes nothing leaves the file, and the emptying, as they were.
    Table::Batch(results).Commit();
    expectRows(kMany);

    // Taken by the next emptying, within a pair with the count as the search writes it.
    {
        Table::Batch pair(results, config);
        results.EmptyTable();
        AppendResult(results, "new");
        config.Edit();
        config.SetField("Cantidad", std::int64_t(1));
        config.Post();
        pair.Commit();
    }
    expectRows(1);
    EXPECT_TRUE(Table::CommittedTogether(results, config));

    // Undone by a row appended alone, by a batch that only appends, by a batch given up, and by
    // a file replaced under the table.
    refill(kMany);
    madeAhead(true);
    AppendResult(other, "alone");
    expectRows(kMany + 1);
    madeAhead(true);
    {
        Table::Batch batch(results);
        AppendResult(results, "batched");
        batch.Commit();
    }
    expectRows(kMany + 2);
    madeAhead(true);
    {
        Table::Batch batch(results);
        results.EmptyTable();
    }
    expectRows(kMany + 2);
    results.Last();
    EXPECT_EQ(results.FieldAsString("Referencia"), "batched");
    results.Prior();
    EXPECT_EQ(results.FieldAsString("Referencia"), "alone");
    madeAhead(true);
    WriteTable(dir.path(), "Texto_B.DB", {{"x", "1", "x", "T"}});
    results.Refresh();
    other.Refresh();
    expectRows(1);
    refill(2);
    expectRows(2);
}

// A stored count that is no count comes from damage: the rows stand in for it, never a negative
// or wrapped number; a stored 0 stays 0 whatever rows there are.
TEST_F(TableTest, TheStoredCountIsReadAsACountOrTheRowsStandIn) {
    Table results = Open("Texto_B.DB");
    Table config = Open("Configura.db");
    for (int i = 0; i < 3; ++i)
        AppendResult(results, "r" + std::to_string(i));
    const auto stored = [&](const std::string& sqlValue) {
        {
            sqlite::Database db(dir.path() / "Configura.db", SQLITE_OPEN_READWRITE);
            db.Exec("UPDATE Configura SET Cantidad = " + sqlValue);
        }
        config.Refresh();
        config.Last();
        return StoredResultCount(config, results);
    };
    EXPECT_EQ(stored("2"), 2);
    EXPECT_EQ(config.RecNo(), 1);
    // A count that a kill kept from joining its results belongs to the results before.
    {
        sqlite::Database db(dir.path() / "Texto_B.DB", SQLITE_OPEN_READWRITE);
        db.Exec("PRAGMA user_version = 5");
    }
    results.Refresh();
    EXPECT_EQ(stored("2"), 3);
    EXPECT_EQ(stored("0"), 3);
    {
        sqlite::Database db(dir.path() / "Configura.db", SQLITE_OPEN_READWRITE);
        db.Exec("PRAGMA user_version = 5");
    }
    config.Refresh();
    EXPECT_EQ(stored("0"), 0);
    EXPECT_EQ(stored("2147483647"), 2147483647);
    EXPECT_EQ(stored("' 7 '"), 7);
    for (const char* damaged : {"2147483648", "3000000000", "-1", "-2147483648", "'abc'", "NULL",
                                "''", "2.5", "99999999999999999999"}) {
        EXPECT_EQ(stored(damaged), 3) << damaged;
    }
}

// A batch whose rollback could not read the rows back leaves them out of step with the file: every
// use says why, with the cause of the latest attempt to read them again, until one succeeds.
TEST_F(TableTest, RowsThatCouldNotBeRestoredSayWhyUntilTheyAre) {
    Table results = Open("Texto_B.DB");
    AppendResult(results, "kept");
    {
        Table::Batch batch(results);
        AppendResult(results, "dropped");
        // SQLite can take no more memory: the rollback undoes the file, but reading the rows
        // back fails.
        sqlite3_hard_heap_limit64(sqlite3_memory_used());
    }
    EXPECT_STORE_ERROR(results.RowCount(), "Texto_B.DB", "out of memory",
                       "reading the table again failed");
    EXPECT_STORE_ERROR(results.First(), "Texto_B.DB", "reading the table again failed");
    sqlite3_hard_heap_limit64(0);
    EXPECT_EQ(Walk(results, "Referencia"), "kept ");
    EXPECT_EQ(RowsOnDisk("Texto_B.DB", "Texto_B"), 1);
    AppendResult(results, "next");  // committed at once again, not into a forgotten transaction
    EXPECT_EQ(RowsOnDisk("Texto_B.DB", "Texto_B"), 2);
}

}  // namespace
}  // namespace veloria::store
