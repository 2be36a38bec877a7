// Thousands of damaged copies of a sound table and memo file: every one is read or refused with
// an Error, never a crash, a hang or another exception. Run under AddressSanitizer by
// scripts/test --sanitize. Each case is made from its number alone, so a failure names the case
// that reproduces it. (The import of damaged tables: ParadoxImportTest.)
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "tests/tools/Files.h"
#include "tests/tools/ParadoxWriter.h"
#include "tools/Paradox.h"

namespace veloria::tools::paradox {
namespace {

namespace fs = std::filesystem;
using testing::PxRow;
using testing::ReadAll;
using testing::TempDir;
using testing::WriteAll;

// A table of three data blocks with a field of every kind read, and texts in the records, in
// shared memo blocks and in memo blocks of their own.
struct Sound {
    std::string db;
    std::string mb;
};

Sound MakeSound(const fs::path& dir) {
    std::vector<PxRow> rows;
    for (int n = 1; n <= 80; ++n) {
        // In a block of its own (over 2048 bytes), in a shared block, in the record.
        const std::size_t length = n % 9 == 0 ? 2100 : n % 3 == 1 ? 100 + 7 * std::size_t(n) : 5;
        rows.push_back({std::int64_t(n), std::string(length, char('a' + n % 26)),
                        std::string("T-") + std::to_string(n), std::int64_t(n % 7), n * 0.5,
                        std::int64_t(n), std::string(n % 2 ? 15 : 40, 'f')});
    }
    testing::WriteParadoxTable(dir / "S.DB",
                               {{"Numero", FieldType::Long, 4},
                                {"Umemo", FieldType::Memo, 20},
                                {"Referencia", FieldType::Alpha, 30},
                                {"Pagina", FieldType::Short, 2},
                                {"Parrafo2", FieldType::Number, 8},
                                {"Num_I", FieldType::AutoIncrement, 4},
                                {"Tip", FieldType::FormattedMemo, 20}},
                               rows);
    return {ReadAll(dir / "S.DB"), ReadAll(dir / "S.MB")};
}

// How the damaged copies fared.
struct Outcome {
    int tablesRefused = 0;
    int recordsRefused = 0;
};

// Reads every record; only an Error may come out.
void ReadDamaged(std::string db, std::string mb, int kase, Outcome& outcome) {
    try {
        const Table table(std::move(db), std::move(mb));
        std::vector<Value> values;
        for (std::int64_t r = 0; r < table.records(); ++r) {
            try {
                table.Read(r, values);
            } catch (const Error&) {
                ++outcome.recordsRefused;  // one record refused; the others are read on
            }
        }
    } catch (const Error&) {
        ++outcome.tablesRefused;
    } catch (const std::exception& e) {
        ADD_FAILURE() << "case " << kase << ": " << e.what();
    }
}

TEST(ParadoxDamage, ThousandsOfDamagedTablesAndMemoFilesAreReadOrRefused) {
    TempDir tmp;
    const Sound sound = MakeSound(tmp.path());
    const std::size_t header = std::uint8_t(sound.db[2]) | std::uint8_t(sound.db[3]) << 8;
    const std::size_t block = std::size_t(std::uint8_t(sound.db[5])) * 1024;
    ASSERT_GE(sound.db.size(), header + 3 * block);
    ASSERT_GT(sound.mb.size(), 10 * MemoFile::kBlock);
    Outcome sound0;
    ReadDamaged(sound.db, sound.mb, -1, sound0);
    ASSERT_EQ(sound0.tablesRefused + sound0.recordsRefused, 0);

    constexpr int kTableCases = 2000, kMemoCases = 1000;
    Outcome tables, memos;
    for (int kase = 0; kase < kTableCases; ++kase) {
        std::mt19937 rng(static_cast<std::uint32_t>(kase));
        std::string db = sound.db;
        testing::Damage(db, rng, block, header);
        ReadDamaged(std::move(db), sound.mb, kase, tables);
    }
    for (int kase = kTableCases; kase < kTableCases + kMemoCases; ++kase) {
        std::mt19937 rng(static_cast<std::uint32_t>(kase));
        std::string mb = sound.mb;
        testing::Damage(mb, rng, MemoFile::kBlock, MemoFile::kBlock);
        ReadDamaged(sound.db, std::move(mb), kase, memos);
    }
    // The damage reached what is read: many copies were refused, as a whole or record by record.
    std::printf(
        "damaged tables: %d refused, %d records refused; damaged memo files: %d refused, "
        "%d records refused\n",
        tables.tablesRefused, tables.recordsRefused, memos.tablesRefused, memos.recordsRefused);
    EXPECT_GT(tables.tablesRefused, kTableCases / 10);
    EXPECT_GT(memos.tablesRefused + memos.recordsRefused, kMemoCases / 10);
}

}  // namespace
}  // namespace veloria::tools::paradox
