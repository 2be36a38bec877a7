// A process killed in the middle of writing leaves every table readable and consistent: what was
// posted (or committed) is there, a batch in progress is gone as a whole.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "store/Sqlite.h"
#include "store/Table.h"
#include "tests/store/TempDir.h"

namespace veloria::store {
namespace {

using testing::TempDir;
using testing::WriteTable;

// A child process running work(report); report(n) sends n to the parent. The child is killed
// with SIGKILL when the parent asks, or when the test ends.
class Child {
  public:
    explicit Child(const std::function<void(const std::function<void(int)>&)>& work) {
        int fds[2];
        if (pipe(fds) != 0)
            throw std::runtime_error("pipe failed");
        pid_ = fork();
        if (pid_ < 0)
            throw std::runtime_error("fork failed");
        if (pid_ == 0) {
            close(fds[0]);
            try {
                work([fd = fds[1]](int n) {
                    if (write(fd, &n, sizeof n) != sizeof n)
                        _exit(3);
                });
            } catch (const std::exception& e) {
                std::fprintf(stderr, "child: %s\n", e.what());
                _exit(2);
            }
            _exit(0);
        }
        close(fds[1]);
        fd_ = fds[0];
    }

    ~Child() {
        Kill();
        close(fd_);
    }

    // The next number the child sent; -1 when it has ended.
    int Receive() {
        int n = 0;
        return read(fd_, &n, sizeof n) == sizeof n ? n : -1;
    }

    void Kill() {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = 0;
    }

  private:
    pid_t pid_ = 0;
    int fd_ = -1;
};

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

    EXPECT_EQ(IntegrityOf(dir.path() / "Texto_B.DB"), "ok");
    Table t("Texto_B.DB", {}, dir.path());
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

TEST(Crash, KilledDuringSinglePostsKeepsEveryPostedRow) {
    TempDir dir;
    WriteTable(dir.path(), "Texto_B.DB", {});
    Child child([&](const auto& report) {
        Table t("Texto_B.DB", {}, dir.path());
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

    EXPECT_EQ(IntegrityOf(dir.path() / "Texto_B.DB"), "ok");
    Table t("Texto_B.DB", {}, dir.path());
    ASSERT_GT(t.RowCount(), posted);  // every row whose Post returned, perhaps one more
    int i = 0;
    for (t.First(); !t.Eof(); t.Next(), ++i) {
        ASSERT_EQ(t.FieldAsString("Referencia"), std::to_string(i));
        ASSERT_EQ(t.FieldAsString("Pensamiento"), "sentence " + std::to_string(i) + " of batch 1");
    }
}

}  // namespace
}  // namespace veloria::store
