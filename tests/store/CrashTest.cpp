// A process killed in the middle of writing leaves every table readable and consistent: what was
// posted (or committed) is there, a batch in progress is gone as a whole.
#include <gtest/gtest.h>
#include <unistd.h>

#include "store/Sqlite.h"
#include "store/Table.h"
#include "tests/store/Child.h"
#include "tests/store/TempDir.h"

namespace veloria::store {
namespace {

using testing::Child;
using testing::TempDir;
using testing::WriteTable;

void AppendRow(Table& t, int batch, int i) {
    t.Append();
    t.SetField("Referencia", std::to_string(i));
    t.SetField("Numero", std::to_string(batch));
    t.SetField("Pensamiento",
               "sentence " + std::to_string(i) + " of batch " + std::to_string(batch));
    t.SetField("Libro", "T");
    t.Post();
}

std::string IntegrityOf(const std::filesystem::path& file) {
    sqlite::Database db(file, SQLITE_OPEN_READONLY);
    return db.QueryText("PRAGMA integrity_check");
}

TEST(Crash, KilledDuringBatchesLeavesTheLastCommittedBatchWhole) {
    TempDir dir;
    WriteTable(dir.path(), "Texto_B.DB", {{"old", "0", "old", "T"}});
    constexpr int kRows = 1000;
    Child child([&](const auto& report) {
        Table t("Texto_B.DB", {}, dir.path());
        for (int batch = 1;; ++batch) {
            Table::Batch b(t);
            t.EmptyTable();
            for (int i = 0; i < kRows; ++i) {
                AppendRow(t, batch, i);
                if (i == kRows / 2)
                    report(2 * batch + 1);  // half-way through this batch
            }
            b.Commit();
            report(2 * batch);
        }
    });
    int committed = 0;
    for (int n; (n = child.Receive()) != -1;) {
        if (n % 2 == 0)
            committed = n / 2;
        if (n % 2 == 1 && committed >= 3)
            break;
    }
    child.Kill();
    ASSERT_GE(committed, 3) << "the child died early";

    // Opened as the next start opens it, which rolls back what the killed batch left.
    Table t("Texto_B.DB", {}, dir.path());
    EXPECT_EQ(IntegrityOf(dir.path() / "Texto_B.DB"), "ok");
    ASSERT_EQ(t.RowCount(), kRows);
    const std::string batch = t.FieldAsString("Numero");
    EXPECT_GE(std::stoi(batch), committed);
    int i = 0;
    for (t.First(); !t.Eof(); t.Next(), ++i) {
        ASSERT_EQ(t.FieldAsString("Numero"), batch);
        ASSERT_EQ(t.FieldAsString("Referencia"), std::to_string(i));
    }
    // The table goes on being written normally.
    AppendRow(t, 0, kRows);
    EXPECT_EQ(t.RowCount(), kRows + 1);
}

// The next emptying, made ahead while the program had time, is an open transaction: a kill
// before a search takes it leaves the rows in the file.
TEST(Crash, KilledWithTheNextEmptyingMadeAheadKeepsTheRows) {
    TempDir dir;
    WriteTable(dir.path(), "Texto_B.DB", {});
    Child child([&](const auto& report) {
        Table t("Texto_B.DB", {}, dir.path());
        Table::Batch b(t);
        t.EmptyTable();
        for (int i = 0; i < 1000; ++i)
            AppendRow(t, 1, i);
        b.Commit();
        RunIdleWork();
        report(1);
        for (;;)
            pause();
    });
    ASSERT_EQ(child.Receive(), 1);
    EXPECT_EQ(sqlite::Database(dir.path() / "Texto_B.DB", SQLITE_OPEN_READONLY)
                  .QueryInt("SELECT count(*) FROM Texto_B"),
              1000)
        << "another program reads the rows meanwhile";
    child.Kill();

    EXPECT_EQ(IntegrityOf(dir.path() / "Texto_B.DB"), "ok");
    Table t("Texto_B.DB", {}, dir.path());
    EXPECT_EQ(t.RowCount(), 1000);
}

// Single posts are what the tables with a write-ahead log take (the verse results).
TEST(Crash, KilledDuringSinglePostsKeepsEveryPostedRow) {
    TempDir dir;
    WriteTable(dir.path(), "Texto2B.DB", {});
    Child child([&](const auto& report) {
        Table t("Texto2B.DB", {}, dir.path());
        for (int i = 0;; ++i) {
            AppendRow(t, 1, i);
            report(i);
        }
    });
    int posted = -1;
    while (posted < 300) {
        const int n = child.Receive();
        ASSERT_NE(n, -1) << "the child died early";
        posted = n;
    }
    child.Kill();

    EXPECT_EQ(IntegrityOf(dir.path() / "Texto2B.DB"), "ok");
    Table t("Texto2B.DB", {}, dir.path());
    ASSERT_GT(t.RowCount(), posted);  // every row whose Post returned, perhaps one more
    int i = 0;
    for (t.First(); !t.Eof(); t.Next(), ++i) {
        ASSERT_EQ(t.FieldAsString("Referencia"), std::to_string(i));
        ASSERT_EQ(t.FieldAsString("Pensamiento"), "sentence " + std::to_string(i) + " of batch 1");
    }
}

}  // namespace
}  // namespace veloria::store
