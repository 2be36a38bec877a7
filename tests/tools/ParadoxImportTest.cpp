#include "tools/ParadoxImport.h"

#include <gtest/gtest.h>

#include <cmath>

#include "store/Schema.h"
#include "store/Sqlite.h"
#include "store/TableFile.h"
#include "store/Text.h"
#include "tests/tools/BuilderFixture.h"
#include "tests/tools/Files.h"
#include "tests/tools/ParadoxWriter.h"
#include "tools/SampleCorpus.h"

namespace veloria::tools {
namespace {

namespace fs = std::filesystem;
using paradox::FieldType;
using testing::PxField;
using testing::PxRow;
using testing::ReadAll;
using testing::TempDir;
using testing::WriteAll;

// Every row of every table of a data directory, each value with its SQLite type, in the order
// the tables hold them.
std::map<std::string, std::vector<std::string>> Contents(const fs::path& dir) {
    std::map<std::string, std::vector<std::string>> tables;
    for (const store::TableDef& def : store::AllTables()) {
        store::sqlite::Database db(dir / def.fileName, SQLITE_OPEN_READONLY);
        auto st = db.Prepare("SELECT * FROM " + store::QuoteSqlName(store::SqlTableName(def)) +
                             " ORDER BY rowid");
        auto& rows = tables[std::string(def.fileName)];
        while (st.Step()) {
            std::string row;
            for (int c = 0; c < st.ColumnCount(); ++c) {
                row += st.ColumnIsNull(c)
                           ? std::string("NULL")
                           : (sqlite3_column_type(st.get(), c) == SQLITE_INTEGER ? "i:" : "t:") +
                                 std::string(st.ColumnText(c));
                row += '|';
            }
            rows.push_back(row);
        }
    }
    return tables;
}

// The tiny corpus of the builder's tests, as Paradox tables, and a data directory to import into.
class ParadoxImport : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(csv());
        for (const auto& [name, text] : testing::TinyCorpus())
            WriteAll(csv() / name, text);
        testing::WriteParadoxCorpus(csv(), px());
    }
    BuildResult Import(bool strict = false) {
        BuildOptions options;
        options.source = px();
        options.target = data();
        options.strict = strict;
        return ImportParadox(options);
    }
    // The volume "LTexto.DB" with these rows of Numero, Umemo, Referencia, Pagina and, when
    // given, Biblia, Num_I, Parrafo2 and the extra fields: its memo leader holds twenty
    // characters, longer texts go to the memo file.
    void WriteTexto(std::vector<PxRow> rows, const std::vector<PxField>& extra = {},
                    int codePage = 1252) {
        std::vector<PxField> fields = {
            {"Numero", FieldType::Long, 4},        {"Umemo", FieldType::Memo, 30},
            {"Referencia", FieldType::Alpha, 255}, {"Pagina", FieldType::Short, 2},
            {"Biblia", FieldType::Alpha, 10},      {"Num_I", FieldType::Long, 4},
            {"Parrafo2", FieldType::Long, 4}};
        fields.insert(fields.end(), extra.begin(), extra.end());
        for (PxRow& row : rows) {
            const std::size_t given = row.size();
            row.resize(fields.size());
            for (std::size_t f : {5, 6}) {  // sentences of paragraph 1, section 1
                if (given <= f)
                    row[f].emplace<std::int64_t>(1);
            }
        }
        testing::WriteParadoxTable(px() / "LTexto.DB", fields, rows, codePage);
    }
    // The tiny corpus's three sentences of the Text; the third one's lies in the memo file.
    std::vector<PxRow> Texto() const {
        return {{std::int64_t(1), std::string("Love is here, now."), std::string("T-1.1:1"),
                 std::int64_t(1)},
                {std::int64_t(2), std::string("Peace."), std::string("T-1.1:2"), std::int64_t(1)},
                {std::int64_t(3), std::string("A second line\r\nof love."), std::string("T-1.2:1"),
                 std::int64_t(2)}};
    }
    std::string Query(const std::string& table, const std::string& sql) {
        store::sqlite::Database db(data() / table, SQLITE_OPEN_READONLY);
        return db.QueryText(sql);
    }
    // The one error of a failed import, which must leave the previous data directory as it was.
    Diagnostic Refused(const std::string& file, int record, const std::string& field) {
        const BuildResult r = Import();
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.errors, 1) << testing::AllText(r);
        EXPECT_TRUE(Unchanged()) << "the previous data directory";
        for (const Diagnostic& d : r.diagnostics) {
            if (!d.error)
                continue;
            EXPECT_EQ(d.file, file);
            EXPECT_EQ(d.line, record);
            EXPECT_EQ(d.field, field);
            EXPECT_TRUE(d.record);
            return d;
        }
        ADD_FAILURE() << "no error";
        return {};
    }
    // Imports the tiny corpus once, as the directory later failures must leave alone.
    void ImportPrevious() {
        ASSERT_TRUE(Import().ok);
        previous_ = Snapshot();
    }
    // Every file of the data directory with its bytes, and what lies beside it: a failed import
    // changes none of it and leaves nothing behind.
    std::map<std::string, std::string> Snapshot() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::directory_iterator(data()))
            files[entry.path().filename().string()] = ReadAll(entry.path());
        for (const auto& entry : fs::directory_iterator(tmp_.path()))
            files["../" + entry.path().filename().string()];
        return files;
    }
    // Whether the folder is as previous_ has it, naming what is not.
    ::testing::AssertionResult Unchanged() const {
        const auto now = Snapshot();
        std::string changed;
        for (const auto& [name, bytes] : now) {
            const auto was = previous_.find(name);
            if (was == previous_.end() || was->second != bytes)
                changed += " " + name;
        }
        for (const auto& [name, bytes] : previous_) {
            if (!now.contains(name))
                changed += " " + name + " (gone)";
        }
        if (changed.empty())
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "changed:" << changed;
    }
    fs::path csv() const { return tmp_.path() / "csv"; }
    fs::path px() const { return tmp_.path() / "px"; }
    fs::path data() const { return tmp_.path() / "data"; }
    using PxValue = testing::PxValue;

    TempDir tmp_;
    std::map<std::string, std::string> previous_;
};

// The sample corpus written as Paradox tables by pxlib and imported gives the data directory the
// builder makes from its CSV sources, table by table and row by row, search forms included.
TEST_F(ParadoxImport, TheSampleCorpusImportsToWhatTheBuilderMakesOfItsSources) {
#ifdef __SANITIZE_ADDRESS__
    // Minutes under the sanitizers for code the other tests here run on every kind of field.
    GTEST_SKIP() << "the round trip of the whole sample corpus runs in the normal build";
#endif
    const TempDir tmp;
    WriteSampleCorpus(tmp.path() / "csv", {});
    testing::WriteParadoxCorpus(tmp.path() / "csv", tmp.path() / "px");
    WriteAll(tmp.path() / "px" / "LTexto.PX", "an index, left alone");
    BuildOptions options;
    options.source = tmp.path() / "csv";
    options.target = tmp.path() / "built";
    const BuildResult built = BuildCorpus(options);
    ASSERT_TRUE(built.ok) << built.summary;
    options.source = tmp.path() / "px";
    options.target = tmp.path() / "imported";
    const BuildResult imported = ImportParadox(options);
    for (const Diagnostic& d : imported.diagnostics)
        ADD_FAILURE() << d.Text();
    ASSERT_TRUE(imported.ok) << imported.summary;
    EXPECT_EQ(imported.summary, "Built " + options.target.string() + ": 18 tables, " +
                                    std::to_string(built.rows) + " rows, 0 warnings.");

    const auto expected = Contents(tmp.path() / "built");
    const auto actual = Contents(tmp.path() / "imported");
    for (const auto& [table, rows] : expected) {
        const auto& got = actual.at(table);
        ASSERT_EQ(got.size(), rows.size()) << table;
        for (std::size_t r = 0; r < rows.size(); ++r)
            ASSERT_EQ(got[r], rows[r]) << table << " row " << r + 1;
    }
    // Every kind of field the import reads was in the files, and texts in both places.
    std::set<FieldType> kinds;
    for (const auto& entry : fs::directory_iterator(tmp.path() / "px")) {
        if (!store::SameName(entry.path().extension().string(), ".db"))
            continue;
        const paradox::Table table(ReadAll(entry.path()), std::nullopt);
        for (const auto& f : table.fields())
            kinds.insert(f.type);
    }
    EXPECT_EQ(kinds, (std::set<FieldType>{FieldType::Alpha, FieldType::Short, FieldType::Long,
                                          FieldType::Number, FieldType::AutoIncrement,
                                          FieldType::Memo, FieldType::FormattedMemo}));
}

TEST_F(ParadoxImport, TextsInTheRecordAndInTheMemoFileAccentsAndTheLongestText) {
    // "Ñoño said “sí” and él", in Windows-1252 as the tables hold it.
    const std::string accented = "\xD1o\xF1o said \x93s\xED\x94 and \xE9l";
    const std::string longest = "T-" + std::string(253, '9');
    std::vector<PxRow> rows = Texto();
    rows[0][1] = accented;               // in the memo file
    rows[1][1] = std::string("Short.");  // in the record
    rows[2][2] = longest;                // 255 characters
    WriteTexto(rows);
    // A tip in a memo block of its own.
    std::vector<PxRow> tips;
    for (int n = 1; n <= 880; ++n)
        tips.push_back({std::int64_t(n), std::string("Tip.")});
    std::string tip;
    while (tip.size() < 5000)
        tip += "A long tip, " + std::to_string(tip.size()) + ". ";
    tips[0][1] = tip;
    testing::WriteParadoxTable(px() / "Frases.DB",
                               {{"NUMERO", FieldType::Short, 2}, {"Umemo", FieldType::Memo, 20}},
                               tips);
    const BuildResult r = Import();
    ASSERT_TRUE(r.ok) << testing::AllText(r);
    EXPECT_EQ(Query("LTexto.DB", "SELECT Umemo FROM LTexto WHERE Numero = 1"),
              "Ñoño said “sí” and él");
    EXPECT_EQ(Query("LTexto.DB", "SELECT A1 FROM LTexto WHERE Numero = 1"),
              "#ÑOÑO#SAID#SI#AND#EL#");
    EXPECT_EQ(Query("LTexto.DB", "SELECT Umemo FROM LTexto WHERE Numero = 2"), "Short.");
    EXPECT_EQ(Query("Frases.DB", "SELECT Umemo FROM Frases WHERE NUMERO = 1"), tip);
    EXPECT_EQ(Query("LTexto.DB", "SELECT Referencia FROM LTexto WHERE Numero = 3"),
              store::ToUtf8(longest));
    EXPECT_EQ(Query("LTexto.DB", "SELECT typeof(Numero) || typeof(Pagina) FROM LTexto LIMIT 1"),
              "integerinteger");
}

TEST_F(ParadoxImport, TextIsConvertedFromTheCodePageTheHeaderNames) {
    // Code page 850, as a DOS table holds "Ñ" (0xA5) and "é" (0x82).
    std::vector<PxRow> rows = Texto();
    rows[0][1] = std::string("\xA5o\xA4o y \x82l.");
    rows[1][1] = std::string("\xB5l.");
    rows.pop_back();
    WriteTexto(rows, {}, 850);
    BuildResult r = Import();
    ASSERT_TRUE(r.ok) << testing::AllText(r);
    EXPECT_EQ(Query("LTexto.DB", "SELECT Umemo FROM LTexto WHERE Numero = 1"), "Ñoño y él.");
    EXPECT_EQ(Query("LTexto.DB", "SELECT Umemo FROM LTexto WHERE Numero = 2"), "Ál.");

    // A character the program's code page has no place for.
    std::string bytes = ReadAll(px() / "LTexto.DB");
    ImportPrevious();
    bytes.replace(bytes.find("\xB5l."), 1, "\xC4");  // a box-drawing line in code page 850
    WriteAll(px() / "LTexto.DB", bytes);
    EXPECT_NE(Refused("LTexto.DB", 2, "Umemo").message.find("0xC4 of code page 850"),
              std::string::npos);

    // A code page this system does not know.
    bytes[0x6A] = char(0x0F), bytes[0x6B] = char(0x27);  // 9999
    WriteAll(px() / "LTexto.DB", bytes);
    EXPECT_NE(Refused("LTexto.DB", 0, "").message.find("code page 9999"), std::string::npos);
}

// Each problem the import refuses: named with table, record and field, and the data directory of
// the last good import left exactly as it was.
TEST_F(ParadoxImport, EachRefusalNamesTheTableAndRecordAndLeavesThePreviousDirectory) {
    WriteTexto(Texto());
    const std::string texto = ReadAll(px() / "LTexto.DB");
    const std::string memo = ReadAll(px() / "LTexto.MB");
    ImportPrevious();

    // A .DB cut short in its third record.
    const std::size_t header = std::uint8_t(texto[2]) | std::uint8_t(texto[3]) << 8;
    const std::size_t record = std::uint8_t(texto[0]) | std::uint8_t(texto[1]) << 8;
    WriteAll(px() / "LTexto.DB", texto.substr(0, header + 6 + 2 * record + record / 2));
    EXPECT_NE(Refused("LTexto.DB", 3, "").message.find("cut short: record 3 lies past its end"),
              std::string::npos);
    WriteAll(px() / "LTexto.DB", texto);

    // Its memo file missing, then cut short, then pointing past its end.
    fs::remove(px() / "LTexto.MB");
    EXPECT_NE(Refused("LTexto.DB", 3, "Umemo").message.find("memo file, which is missing"),
              std::string::npos);
    WriteAll(px() / "LTexto.MB", memo.substr(0, 4096 + 300));
    EXPECT_NE(Refused("LTexto.DB", 3, "Umemo").message.find("cut short"), std::string::npos);
    WriteAll(px() / "LTexto.MB", memo.substr(0, 4096));
    EXPECT_NE(Refused("LTexto.DB", 3, "Umemo").message.find("past the end of the memo file"),
              std::string::npos);
    WriteAll(px() / "LTexto.MB", memo);

    // A duplicate key, and a number the program cannot key.
    std::vector<PxRow> rows = Texto();
    rows[2][0] = std::int64_t(1);
    WriteTexto(rows);
    EXPECT_EQ(Refused("LTexto.DB", 3, "Numero").message, "duplicate key \"1\" (first on record 1)");
    WriteTexto(Texto());
    const std::pair<double, std::string> unkeyable[] = {
        {2.5, "2.5 is not a whole number; the program keys and shows it as one"},
        {1e19, "1e+19 is beyond the whole numbers the program keys"},
        {-HUGE_VAL, "-inf is beyond the whole numbers the program keys"},
        {std::nan(""),
         "the field holds no number (NaN); the program keys and shows whole numbers"}};
    for (const auto& [number, message] : unkeyable) {
        // pxlib cannot write a NaN: 2.5 (stored big-endian, its sign bit set) is made one.
        testing::WriteParadoxTable(
            px() / "Frases.DB", {{"NUMERO", FieldType::Number, 8}, {"Umemo", FieldType::Memo, 30}},
            {{1.0, std::string("Tip.")},
             {std::isnan(number) ? 2.5 : number, std::string("Not a tip.")}});
        if (std::isnan(number)) {
            std::string bytes = ReadAll(px() / "Frases.DB");
            const std::string stored("\xC0\x04\0\0\0\0\0\0", 8);
            ASSERT_NE(bytes.find(stored), std::string::npos);
            bytes.replace(bytes.find(stored), 2, "\xFF\xF8");
            WriteAll(px() / "Frases.DB", bytes);
        }
        EXPECT_EQ(Refused("Frases.DB", 2, "NUMERO").message, message);
    }
}

// What would import a text cut short, or a column blanked, without a word: a memo length that
// disagrees with its text, a key kept in a memo field, a NUL inside a text.
TEST_F(ParadoxImport, TextsThatWouldBeReadCutShortAreRefused) {
    WriteTexto(Texto());
    const std::string texto = ReadAll(px() / "LTexto.DB");
    ImportPrevious();
    const std::size_t header = std::uint8_t(texto[2]) | std::uint8_t(texto[3]) << 8;
    const std::size_t record = std::uint8_t(texto[0]) | std::uint8_t(texto[1]) << 8;
    // The length in Umemo's leader of record n: after Numero's 4 bytes, a leader of 20, an offset.
    auto withLength = [&](int n, std::uint32_t length) {
        std::string bytes = texto;
        const std::size_t at = header + 6 + std::size_t(n - 1) * record + 4 + 20 + 4;
        for (int i = 0; i < 4; ++i)
            bytes[at + std::size_t(i)] = char(length >> (8 * i));
        WriteAll(px() / "LTexto.DB", bytes);
    };
    // "Peace." in the leader, its length made 2, then 0.
    withLength(2, 2);
    EXPECT_EQ(Refused("LTexto.DB", 2, "Umemo").message,
              "the record gives its text 2 bytes, but its leader alone holds 6");
    EXPECT_EQ(Import().warnings, 0) << "nothing more about the refused record";
    withLength(2, 0);
    EXPECT_NE(Refused("LTexto.DB", 2, "Umemo").message.find("its leader alone holds 6"),
              std::string::npos);
    // A text of 23 bytes in the memo file, its length made that of the leader.
    withLength(3, 20);
    EXPECT_NE(
        Refused("LTexto.DB", 3, "Umemo").message.find("holds 23 bytes where the record says 20"),
        std::string::npos);

    // Referencia's field type made memo (0x0C) by one byte of the header.
    std::string bytes = texto;
    ASSERT_EQ(bytes[124], char(FieldType::Alpha));
    bytes[124] = char(FieldType::Memo);
    WriteAll(px() / "LTexto.DB", bytes);
    EXPECT_EQ(Refused("LTexto.DB", 0, "Referencia").message,
              "a memo field, where the program needs a key: an alpha or number field");

    // "T-1.1:2" with a NUL for its fourth character.
    bytes = texto;
    bytes[bytes.find("T-1.1:2") + 3] = '\0';
    WriteAll(px() / "LTexto.DB", bytes);
    EXPECT_EQ(Refused("LTexto.DB", 2, "Referencia").message,
              "a NUL character at character 4 would cut the text short; a text holds none");
}

TEST_F(ParadoxImport, ATableOrMemoFileLargerThanMemoryIsRefusedUnread) {
    ImportPrevious();
    fs::resize_file(px() / "Indice_P.db", std::uintmax_t(1) << 40);  // sparse
    EXPECT_NE(Refused("Indice_P.db", 0, "").message.find("it holds 1099511627776 bytes (1 TiB)"),
              std::string::npos);
    testing::WriteParadoxCorpus(csv(), px());
    fs::resize_file(px() / "LPsico.MB", std::uintmax_t(8) << 30);
    EXPECT_NE(Refused("LPsico.MB", 0, "").message.find("(8 GiB)"), std::string::npos);
}

TEST_F(ParadoxImport, TablesThatCannotServeAreRefusedAsAWhole) {
    ImportPrevious();
    auto refusal = [&](const std::string& file, const std::string& field) {
        return Refused(file, 0, field).message;
    };
    // A table lacking a field.
    testing::WriteParadoxTable(px() / "Indice_P.db",
                               {{"Num_I", FieldType::Long, 4}, {"Nom_1", FieldType::Alpha, 20}},
                               {{std::int64_t(1), std::string("Chapter 1")}});
    EXPECT_EQ(refusal("Indice_P.db", "Nom_2"), "missing field");
    testing::WriteParadoxCorpus(csv(), px());

    // A field kind the program has no use for where it needs a number.
    testing::WriteParadoxTable(px() / "Indice_S.db",
                               {{"Num_I", FieldType::Date, 4},
                                {"Nom_1", FieldType::Alpha, 20},
                                {"Nom_2", FieldType::Alpha, 20}},
                               {});
    EXPECT_EQ(refusal("Indice_S.db", "Num_I"),
              "a date field, of no use here: the program reads a number from a short, long, "
              "number, autoincrement or alpha field");
    testing::WriteParadoxCorpus(csv(), px());

    // An encrypted table.
    std::string bytes = ReadAll(px() / "Glosario.DB");
    bytes[0x5C] = 0x5A;
    WriteAll(px() / "Glosario.DB", bytes);
    EXPECT_NE(refusal("Glosario.DB", "").find("encrypted"), std::string::npos);
}

TEST_F(ParadoxImport, FindsItsTablesAsTheProgramWouldAndLeavesTheRestAlone) {
    // Names in any case, the memo file's and the fields' too; the program's own tables and index
    // files in the same folder; a seeded result table.
    fs::rename(px() / "LTexto.DB", px() / "LTEXTO.db");
    fs::rename(px() / "LTexto.MB", px() / "ltexto.mb");
    for (const char* own : {"Configura.db", "TBiblia.db", "Texto2B.DB"})
        WriteAll(px() / own, "the program's own, from its last run");
    WriteAll(px() / "LTexto.PX", "index");
    testing::WriteParadoxTable(
        px() / "Texto_B.DB",
        {{"REFERENCIA", FieldType::Alpha, 20},
         {"Numero", FieldType::Long, 4},
         {"pensamiento", FieldType::Alpha, 80},
         {"LiBrO", FieldType::Alpha, 1}},
        {{std::string("T-1.1:2"), std::int64_t(2), std::string("Peace."), std::string("T")}});
    testing::WriteParadoxTable(px() / "Notes.DB", {{"Text", FieldType::Alpha, 10}}, {});
    BuildResult r = Import();
    ASSERT_TRUE(r.ok) << testing::AllText(r);
    ASSERT_EQ(r.warnings, 1);
    EXPECT_EQ(r.diagnostics[0].Text(), "Notes.DB: warning: names no table of the corpus; ignored");
    EXPECT_EQ(Query("Configura.db", "SELECT Cantidad || '|' || Fecha FROM Configura"), "1|");
    EXPECT_EQ(
        Query("Texto_B.DB", "SELECT Referencia || Numero || Pensamiento || Libro FROM Texto_B"),
        "T-1.1:22Peace.T");
    EXPECT_EQ(Query("LTexto.DB", "SELECT Umemo FROM LTexto WHERE Numero = 3"),
              "A second line\r\nof love.");
}

TEST_F(ParadoxImport, WarningsAndTheStrictMode) {
    // A field the program does not know is left out with a warning; a dangling reference warns.
    std::vector<PxRow> rows = Texto();
    rows[0].insert(rows[0].end(), {{}, std::int64_t(1), std::int64_t(1), std::string("x")});
    rows[1].insert(rows[1].end(), {{}, std::int64_t(9), std::int64_t(1)});  // no heading 9
    rows[2].insert(rows[2].end(), {{}, std::int64_t(2), std::int64_t(2)});
    WriteTexto(rows, {{"Notas", FieldType::Alpha, 10}});
    BuildResult r = Import();
    ASSERT_TRUE(r.ok) << testing::AllText(r);
    std::vector<std::string> texts;
    for (const Diagnostic& d : r.diagnostics)
        texts.push_back(d.Text());
    EXPECT_EQ(texts,
              (std::vector<std::string>{
                  "LTexto.DB: warning: Notas: \"LTexto.DB\" has no such field; ignored",
                  "LTexto.DB: record 2: warning: Num_I: \"9\" names no row of Indice_T.db"}));
    r = Import(/*strict=*/true);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errors, 2);
}

// Damage through the whole import: a failed one leaves the previous data directory as it was.
TEST_F(ParadoxImport, ADamagedTableLeavesThePreviousDataDirectory) {
    WriteTexto(Texto());
    const std::string db = ReadAll(px() / "LTexto.DB");
    const std::string mb = ReadAll(px() / "LTexto.MB");
    ImportPrevious();
    const std::size_t header = std::uint8_t(db[2]) | std::uint8_t(db[3]) << 8;
    const std::size_t block = std::size_t(std::uint8_t(db[5])) * 1024;
    const std::size_t records = header + 6 + 3 * (std::uint8_t(db[0]) | std::uint8_t(db[1]) << 8);
    int refused = 0;
    for (int kase = 0; kase < 20; ++kase) {
        std::mt19937 rng(static_cast<std::uint32_t>(kase));
        std::string damagedDb = db, damagedMb = mb;
        // By turns: the header's structure, the records, the memo file's header and first block.
        auto within = [&](std::string& bytes, std::size_t from, std::size_t to, std::size_t size) {
            std::string part = bytes.substr(from, to - from);
            testing::Damage(part, rng, size, part.size());
            bytes.replace(from, to - from, part);
        };
        if (kase % 3 == 0)
            within(damagedDb, 0, 0x200, block);
        else if (kase % 3 == 1)
            within(damagedDb, header, records, block);
        else
            within(damagedMb, 0, 2 * paradox::MemoFile::kBlock, paradox::MemoFile::kBlock);
        WriteAll(px() / "LTexto.DB", damagedDb);
        WriteAll(px() / "LTexto.MB", damagedMb);
        const BuildResult r = Import();
        if (r.ok) {  // a text changed but still sound, or a byte nothing reads
            previous_ = Snapshot();
            continue;
        }
        ++refused;
        EXPECT_GE(r.errors, 1) << "case " << kase;
        EXPECT_TRUE(Unchanged()) << "case " << kase;
    }
    EXPECT_GE(refused, 4);  // the damage did reach what is read
}

}  // namespace
}  // namespace veloria::tools
