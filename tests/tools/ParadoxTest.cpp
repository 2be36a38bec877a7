#include "tools/Paradox.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/tools/Files.h"
#include "tests/tools/ParadoxWriter.h"

// The table reader on tables pxlib's own writer made, whole and damaged.
namespace veloria::tools::paradox {
namespace {

namespace fs = std::filesystem;
using testing::PxField;
using testing::PxRow;
using testing::ReadAll;
using testing::TempDir;
using testing::WriteAll;
using Kind = Value::Kind;

std::string Repeat(const std::string& piece, std::size_t length) {
    std::string out;
    while (out.size() < length)
        out += piece;
    return out.substr(0, length);
}

void PutLe(std::string& bytes, std::size_t at, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i)
        bytes.at(at + std::size_t(i)) = char((value >> (8 * i)) & 0xFF);
}

std::uint32_t GetLe(const std::string& bytes, std::size_t at, int width) {
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes.at(at + std::size_t(i)));
    return value;
}

// A table with one field of every kind the importer reads, and texts that lie in the record, in
// a shared memo block and in a memo block of their own.
class ParadoxTable : public ::testing::Test {
  protected:
    static std::vector<PxField> Fields() {
        return {{"Numero", FieldType::Long, 4},        {"Umemo", FieldType::Memo, 40},
                {"Referencia", FieldType::Alpha, 255}, {"Pagina", FieldType::Short, 2},
                {"Parrafo2", FieldType::Number, 8},    {"Num_I", FieldType::AutoIncrement, 4},
                {"Tip", FieldType::FormattedMemo, 20}};
    }
    // Windows-1252: "Ñ", "é", typographic quotes.
    const std::string accented = "\xD1o\xF1o dijo \x93s\xED\x94 y \xE9l";
    const std::string shared = Repeat("A sentence in a shared block. ", 1000);
    const std::string own = Repeat("A long tip in a block of its own. ", 5000);

    std::vector<PxRow> Rows() const {
        return {
            {std::int64_t(1), std::string("In the record."), std::string(255, 'R'),
             std::int64_t(12), 2.0, std::int64_t(1), std::string("Short tip.")},
            {std::int64_t(-2), shared, accented, std::int64_t(-7), -3.0, std::int64_t(2), own},
            {std::int64_t(0), {}, {}, std::int64_t(0), 0.0, {}, {}},
            {{}, accented, std::string("x"), {}, {}, std::int64_t(4), shared},
        };
    }
    void SetUp() override {
        testing::WriteParadoxTable(db(), Fields(), Rows());
        dbBytes_ = ReadAll(db());
        mbBytes_ = ReadAll(mb());
    }
    fs::path db() const { return tmp_.path() / "T.DB"; }
    fs::path mb() const { return tmp_.path() / "T.MB"; }
    Table Open() const { return Table(dbBytes_, mbBytes_); }
    // The error reading the whole table gives, or "" when it reads.
    std::string ErrorOf(const std::string& dbBytes, std::optional<std::string> mbBytes) const {
        try {
            Table table(dbBytes, std::move(mbBytes));
            std::vector<Value> values;
            for (std::int64_t r = 0; r < table.records(); ++r)
                table.Read(r, values);
        } catch (const Error& e) {
            return e.what();
        }
        return {};
    }
    std::vector<std::vector<Value>> ReadAllRecords(const Table& table) const {
        std::vector<std::vector<Value>> all;
        for (std::int64_t r = 0; r < table.records(); ++r)
            table.Read(r, all.emplace_back());
        return all;
    }
    // Where record r's field f begins in the .DB (a single data block).
    std::size_t FieldAt(int r, int f) const {
        const std::size_t header = GetLe(dbBytes_, 2, 2);
        std::size_t at = header + 6 + std::size_t(r) * GetLe(dbBytes_, 0, 2);
        for (int i = 0; i < f; ++i)
            at += std::size_t(Fields()[std::size_t(i)].size);
        return at;
    }

    TempDir tmp_;
    std::string dbBytes_;
    std::string mbBytes_;
};

TEST_F(ParadoxTable, EveryKindOfFieldReadsBackAsWritten) {
    const Table table = Open();
    ASSERT_EQ(table.fields().size(), 7u);
    EXPECT_EQ(table.fields()[1].name, "Umemo");
    EXPECT_EQ(table.fields()[1].type, FieldType::Memo);
    EXPECT_EQ(table.fields()[6].type, FieldType::FormattedMemo);
    EXPECT_EQ(table.codePage(), 1252);
    const auto all = ReadAllRecords(table);
    ASSERT_EQ(all.size(), 4u);

    auto text = [](const Value& v) { return v.kind == Kind::Text ? v.text : "<not text>"; };
    auto integer = [](const Value& v) { return v.kind == Kind::Integer ? v.integer : -999; };
    EXPECT_EQ(integer(all[0][0]), 1);
    EXPECT_EQ(text(all[0][1]), "In the record.");
    EXPECT_EQ(text(all[0][2]), std::string(255, 'R'));  // the widest alpha field
    EXPECT_EQ(integer(all[0][3]), 12);
    EXPECT_EQ(all[0][4].kind, Kind::Real);
    EXPECT_EQ(all[0][4].real, 2.0);
    EXPECT_EQ(integer(all[0][5]), 1);
    EXPECT_EQ(text(all[0][6]), "Short tip.");

    EXPECT_EQ(integer(all[1][0]), -2);
    EXPECT_EQ(text(all[1][1]), shared);  // a slot of a shared block
    EXPECT_EQ(text(all[1][2]), accented);
    EXPECT_EQ(integer(all[1][3]), -7);
    EXPECT_EQ(all[1][4].real, -3.0);
    EXPECT_EQ(text(all[1][6]), own);  // a block of its own

    // Zero is a value; nothing is an empty field, for every kind.
    EXPECT_EQ(integer(all[2][0]), 0);
    EXPECT_EQ(integer(all[2][3]), 0);
    EXPECT_EQ(all[2][4].kind, Kind::Real);
    for (int f : {1, 2, 5, 6})
        EXPECT_EQ(all[2][std::size_t(f)].kind, Kind::Empty) << f;
    // pxlib itself reads an empty long as -2147483648.
    EXPECT_EQ(all[3][0].kind, Kind::Empty);
    EXPECT_EQ(all[3][3].kind, Kind::Empty);
    EXPECT_EQ(all[3][4].kind, Kind::Empty);
    EXPECT_EQ(text(all[3][1]), accented);  // in the record, within the leader
}

TEST_F(ParadoxTable, RecordsAreReadWhereTheChainOfBlocksPutsThem) {
    // Three blocks of records, the second emptied as Paradox leaves a block whose records were
    // all deleted: its size is one record less than nothing. pxlib's own reading takes its stale
    // records for live ones.
    std::vector<PxRow> rows;
    for (int n = 1; n <= 70; ++n)
        rows.push_back({std::int64_t(n), std::string(96, 'p')});
    const fs::path file = tmp_.path() / "B.DB";
    testing::WriteParadoxTable(
        file, {{"Numero", FieldType::Long, 4}, {"Pad", FieldType::Alpha, 96}}, rows);
    std::string bytes = ReadAll(file);
    const std::size_t header = GetLe(bytes, 2, 2);
    const std::size_t block = std::size_t(static_cast<unsigned char>(bytes[5])) * 1024;
    const std::size_t perBlock = (block - 6) / 100;
    ASSERT_EQ(GetLe(bytes, 0x0C, 2), 3u);
    PutLe(bytes, header + block + 4, std::uint32_t(-100) & 0xFFFF, 2);
    PutLe(bytes, 6, std::uint32_t(70 - perBlock), 4);
    const Table table(bytes, std::nullopt);
    ASSERT_EQ(table.records(), std::int64_t(70 - perBlock));
    std::vector<Value> values;
    table.Read(std::int64_t(perBlock), values);
    EXPECT_EQ(values[0].integer, std::int64_t(2 * perBlock + 1));  // the third block's first

    // A chain that comes back on itself, or leaves the file, is refused, not walked for ever.
    std::string loop = bytes;
    PutLe(loop, header + 2 * block, 1, 2);  // the last block's next is the first
    EXPECT_NE(ErrorOf(loop, std::nullopt).find("comes back to block 1"), std::string::npos);
    std::string away = bytes;
    PutLe(away, header, 9, 2);
    EXPECT_NE(ErrorOf(away, std::nullopt).find("reaches block 9 of 3"), std::string::npos);
}

TEST_F(ParadoxTable, ADamagedOrForeignHeaderIsRefusedWithItsReason) {
    auto damaged = [&](std::size_t at, std::uint32_t value, int width) {
        std::string bytes = dbBytes_;
        PutLe(bytes, at, value, width);
        return ErrorOf(bytes, mbBytes_);
    };
    EXPECT_NE(ErrorOf("", mbBytes_).find("not a Paradox table"), std::string::npos);
    EXPECT_NE(ErrorOf(dbBytes_.substr(0, 0x40), mbBytes_).find("not a Paradox table"),
              std::string::npos);
    EXPECT_NE(damaged(0x04, 1, 1).find("another kind of Paradox file"), std::string::npos);
    EXPECT_NE(damaged(0x39, 0x20, 1).find("unknown version"), std::string::npos);
    EXPECT_NE(damaged(0x25, 0x12345678, 4).find("encrypted"), std::string::npos);
    EXPECT_NE(damaged(0x5C, 0x12345678, 4).find("encrypted"), std::string::npos);
    EXPECT_NE(damaged(0x00, 7, 2).find("the fields take"), std::string::npos);
    EXPECT_NE(damaged(0x02, 0xF000, 2).find("the header takes 61440 bytes"), std::string::npos);
    EXPECT_NE(damaged(0x05, 0, 1).find("blocks of 0 KiB"), std::string::npos);
    EXPECT_NE(damaged(0x21, 0, 2).find("0 fields"), std::string::npos);
    EXPECT_NE(damaged(0x21, 300, 2).find("300 fields"), std::string::npos);
    EXPECT_NE(damaged(0x78, 0x44, 1).find("unknown type 0x44"), std::string::npos);
    EXPECT_NE(damaged(0x79, 3, 1).find("long integer of size 3"), std::string::npos);
    EXPECT_NE(damaged(0x06, 5, 4).find("its header counts 5 records"), std::string::npos);
    // No blocks, yet a first one: pxlib would walk a chain out of the file.
    std::string none = dbBytes_.substr(0, GetLe(dbBytes_, 2, 2));
    PutLe(none, 0x06, 0, 4);
    PutLe(none, 0x0C, 0, 2);
    EXPECT_NE(ErrorOf(none, mbBytes_).find("reaches block 1 of 0"), std::string::npos);
    PutLe(none, 0x0E, 0, 2);
    EXPECT_EQ(ErrorOf(none, mbBytes_), "");  // an empty table
    // A .DB cut anywhere in its data.
    const std::string cut = ErrorOf(dbBytes_.substr(0, dbBytes_.size() - 1), mbBytes_);
    EXPECT_NE(cut.find("cut short"), std::string::npos) << cut;
}

TEST_F(ParadoxTable, EveryMemoPointerIsCheckedAgainstTheMemoFile) {
    // Record 2's memo lies in a shared block, record 2's tip in a block of its own.
    const std::size_t memo = FieldAt(1, 1) + 30;  // past the leader: offset, length, number
    const std::uint32_t offset = GetLe(dbBytes_, memo, 4);
    const std::size_t block = offset & 0xFFFFFF00u, slot = offset & 0xFF;
    ASSERT_EQ(mbBytes_.at(block), 3);

    auto withDb = [&](std::size_t at, std::uint32_t value, int width) {
        std::string bytes = dbBytes_;
        PutLe(bytes, at, value, width);
        return ErrorOf(bytes, mbBytes_);
    };
    auto withMb = [&](std::size_t at, unsigned char value) {
        std::string bytes = mbBytes_;
        bytes.at(at) = char(value);
        return ErrorOf(dbBytes_, bytes);
    };
    auto isError = [](const std::string& message, const char* part) {
        return message.find(part) != std::string::npos;
    };
    EXPECT_TRUE(
        isError(ErrorOf(dbBytes_, std::nullopt), "lies in the memo file, which is missing"));
    EXPECT_TRUE(isError(withDb(memo, std::uint32_t(mbBytes_.size()) + 4096 * 3 + 0xFF, 4),
                        "past the end of the memo file"));
    EXPECT_TRUE(isError(withDb(memo, 0x18FF, 4), "not at the start of a block"));
    EXPECT_TRUE(isError(withDb(memo, 0xFF, 4), "not at the start of a block"));  // the header
    EXPECT_TRUE(
        isError(withDb(memo + 4, std::uint32_t(shared.size() + 1), 4), "where the record says"));
    EXPECT_TRUE(isError(withDb(memo, std::uint32_t(block | 0x50), 4), "of a shared block of 64"));
    EXPECT_TRUE(isError(withDb(memo, std::uint32_t(block | 0xFF), 4), "slot 255"));
    EXPECT_TRUE(isError(withMb(block, 4), "a free block"));
    EXPECT_TRUE(isError(withMb(block, 9), "unknown type 9"));
    EXPECT_TRUE(isError(withMb(block + 12 + slot * 5 + 1, 0), "which is empty"));
    EXPECT_TRUE(isError(withMb(block + 12 + slot * 5, 255), "outside its block"));
    EXPECT_TRUE(isError(withMb(0, 2), "does not begin with its header block"));
    EXPECT_TRUE(isError(ErrorOf(dbBytes_, mbBytes_.substr(0, 4000)), "less than its header block"));
    // Cut inside the long tip's block: the text would be silently short.
    const std::string cut = ErrorOf(dbBytes_, mbBytes_.substr(0, mbBytes_.size() - 4096));
    EXPECT_TRUE(isError(cut, "the memo file is cut short")) << cut;

    // The error names the record and the field.
    std::string bytes = dbBytes_;
    PutLe(bytes, FieldAt(1, 6) + 10, 0x7FFFFFFF, 4);
    try {
        const Table table(bytes, mbBytes_);
        std::vector<Value> values;
        table.Read(1, values);
        ADD_FAILURE() << "read";
    } catch (const Error& e) {
        EXPECT_EQ(e.record(), 2);
        EXPECT_EQ(e.field(), "Tip");
    }
}

TEST_F(ParadoxTable, AMemoFileOfWholeBlocksHoldingOnlyItsHeaderIsRead) {
    // The memo file of a table whose memos all fit in their records: one block, the header.
    testing::WriteParadoxTable(db(),
                               {{"Numero", FieldType::Long, 4}, {"Umemo", FieldType::Memo, 40}},
                               {{std::int64_t(1), std::string("Short.")}});
    ASSERT_EQ(fs::file_size(mb()) % 4096, 0u);
    const Table table(ReadAll(db()), ReadAll(mb()));
    std::vector<Value> values;
    table.Read(0, values);
    EXPECT_EQ(values[1].text, "Short.");
}

}  // namespace
}  // namespace veloria::tools::paradox
