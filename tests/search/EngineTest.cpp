#include <gtest/gtest.h>
#include <sqlite3.h>

#include <array>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "search/SearchEngine.h"
#include "store/Error.h"
#include "store/Table.h"
#include "store/VolumeTables.h"
#include "tests/search/Oracle.h"
#include "tests/store/TempDir.h"

namespace veloria::search {
namespace {

using store::Table;
using testing::OracleResult;
using testing::OracleRow;

// Records what the search does with the progress window; can fail on a chosen AddProgress.
class RecordingProgress : public Progress {
  public:
    std::vector<std::string> events;
    int failAtAdd = 0;  // 1-based; 0 never

    void Show() override { events.push_back("show"); }
    void Repaint() override { events.push_back("repaint"); }
    void SetProgress(int v) override { events.push_back("set " + std::to_string(v)); }
    void AddProgress(int d) override {
        events.push_back("add " + std::to_string(d));
        if (failAtAdd > 0 && --failAtAdd == 0)
            throw std::runtime_error("injected failure");
    }
    void Close() override { events.push_back("close"); }

    int Adds() const {
        int n = 0;
        for (const std::string& e : events)
            n += e.rfind("add", 0) == 0;
        return n;
    }
    // The whole protocol for a search that went through with n steps.
    static std::vector<std::string> Expected(int steps) {
        std::vector<std::string> e = {"show", "repaint", "set 0"};
        e.insert(e.end(), std::size_t(steps), "add 1");
        e.push_back("close");
        return e;
    }
};

// A working directory with the five volume tables, the result table and the configuration, and
// the search dialog's own handles on them.
class SearchFixture : public ::testing::Test {
  protected:
    void Build(const std::array<std::vector<OracleRow>, 5>& volumes,
               const std::vector<std::vector<std::string>>& earlierResults = {}, int cantidad = 0) {
        volumes_ = volumes;
        for (int v = 0; v < 5; ++v) {
            std::vector<std::vector<std::string>> rows;
            int paragraph = 1;
            for (const OracleRow& r : volumes[v]) {
                rows.push_back({r.numero, r.umemo, r.referencia, "1", "", "1",
                                std::to_string(paragraph++), r.pieces[0], r.pieces[1], r.pieces[2],
                                r.pieces[3]});
            }
            store::testing::WriteTable(dir_.path(), store::Volumes()[v].volumeTable, rows);
        }
        store::testing::WriteTable(dir_.path(), "Texto_B.DB", earlierResults);
        store::testing::WriteTable(dir_.path(), "Configura.db",
                                   {{std::to_string(cantidad), "01/01/2024", "3"}});
        results_ = std::make_unique<Table>("Texto_B.DB", "", dir_.path());
        config_ = std::make_unique<Table>("Configura.db", "", dir_.path());
        volumeHandles_ = std::make_unique<store::VolumeTables>(
            store::VolumeTables::Headings::Without, dir_.path());
    }

    SearchTables Tables() { return {*results_, volumeHandles_->Books(), *config_}; }

    SearchOutcome Run(const std::string& box, bool exactWord = false, bool exactPhrase = false,
                      std::array<bool, 5> ticked = {true, true, true, true, true}) {
        progress_ = RecordingProgress();
        result_ = RunSearch({box, exactWord, exactPhrase, ticked}, Tables(), progress_);
        return result_.outcome;
    }

    std::vector<OracleResult> Expected(const std::string& box, bool exactWord, bool exactPhrase,
                                       std::array<bool, 5> ticked = {true, true, true, true,
                                                                     true}) const {
        std::array<const std::vector<OracleRow>*, 5> volumes{};
        for (int v = 0; v < 5; ++v)
            volumes[v] = ticked[v] ? &volumes_[v] : nullptr;
        return testing::OracleSearch(box, exactWord, exactPhrase, volumes);
    }

    // The result table as another window's handle sees it.
    std::vector<OracleResult> StoredResults() const {
        Table view("Texto_B.DB", "", dir_.path());
        view.Refresh();
        std::vector<OracleResult> rows;
        for (int r = 1; r <= view.RowCount(); ++r) {
            rows.push_back({view.CellAsString(r, 0), view.CellAsString(r, 1),
                            view.CellAsString(r, 2), view.CellAsString(r, 3)});
        }
        return rows;
    }

    std::int64_t StoredCantidad() const {
        Table view("Configura.db", "", dir_.path());
        view.Refresh();
        view.First();
        return view.FieldAsInteger("Cantidad");
    }

    // Checks a completed search against the rules.
    void ExpectCompleted(const std::vector<OracleResult>& expected) {
        EXPECT_EQ(StoredResults(), expected);
        EXPECT_EQ(StoredCantidad(), std::int64_t(expected.size()));
        EXPECT_EQ(result_.outcome, SearchOutcome::Completed);
        EXPECT_EQ(result_.count, std::int32_t(expected.size()));
        EXPECT_EQ(progress_.events.back(), "close");
        EXPECT_TRUE(results_->Active());
        EXPECT_TRUE(results_->Exclusive());
    }

    store::testing::TempDir dir_;
    std::array<std::vector<OracleRow>, 5> volumes_;
    std::unique_ptr<Table> results_, config_;
    std::unique_ptr<store::VolumeTables> volumeHandles_;
    RecordingProgress progress_;
    SearchResult result_;
};

OracleRow Row(int numero, const std::string& form, const std::string& umemo = "",
              const std::string& referencia = "") {
    OracleRow r;
    r.numero = std::to_string(numero);
    r.umemo = umemo.empty() ? form : umemo;
    r.referencia = referencia.empty() ? "R" + r.numero : referencia;
    r.pieces = {form, "", "", ""};
    return r;
}

// Rows whose forms are made of a small vocabulary full of prefixes and near-misses, each form cut
// over A1..A4 at random places.
std::vector<OracleRow> RandomRows(std::mt19937& rng, int count, const char* prefix) {
    static const std::vector<std::string> kVocabulary = {"LOVE",
                                                         "LOVING",
                                                         "GLOVE",
                                                         "LO",
                                                         "GOD",
                                                         "GODS",
                                                         "GOOD",
                                                         "HELLO",
                                                         "WORLD",
                                                         "HELLOWORLD",
                                                         "AMOR",
                                                         "PEACE",
                                                         "FEAR",
                                                         "FEARLESS",
                                                         "SELF-PITY",
                                                         "DON'T",
                                                         "\xD1"
                                                         "ANDU",
                                                         "IS",
                                                         "A",
                                                         "THE"};
    std::vector<OracleRow> rows;
    for (int i = 1; i <= count; ++i) {
        std::string form = "#", umemo = std::string(rng() % 3, ' ');
        const int words = 1 + int(rng() % 12);
        for (int w = 0; w < words; ++w) {
            const std::string& word = kVocabulary[rng() % kVocabulary.size()];
            form += word + "#";
            umemo += (rng() % 2 ? word : "x" + word) + (rng() % 4 ? " " : ", ");
        }
        OracleRow r;
        r.numero = std::to_string(i * 10);
        r.umemo = umemo;
        r.referencia = std::string(prefix) + "." + std::to_string(i) + (rng() % 2 ? "  " : "");
        std::size_t cut1 = rng() % (form.size() + 1), cut2 = rng() % (form.size() + 1),
                    cut3 = rng() % (form.size() + 1);
        if (cut1 > cut2)
            std::swap(cut1, cut2);
        if (cut2 > cut3)
            std::swap(cut2, cut3);
        if (cut1 > cut2)
            std::swap(cut1, cut2);
        r.pieces = {form.substr(0, cut1), form.substr(cut1, cut2 - cut1),
                    form.substr(cut2, cut3 - cut2), form.substr(cut3)};
        rows.push_back(r);
    }
    return rows;
}

// A query as a user might type it: words or their beginnings, in any case, with acute vowels,
// punctuation and stray blanks.
std::string RandomQuery(std::mt19937& rng, const std::vector<OracleRow>& someRows) {
    static const std::vector<std::string> kTyped = {"love",
                                                    "LOV",
                                                    "lo",
                                                    "glove",
                                                    "GOD",
                                                    "go",
                                                    "\xE1mor",
                                                    "AM\xD3R",
                                                    "hello,",
                                                    "WORLD",
                                                    "hello,world",
                                                    "(peace)",
                                                    "fear",
                                                    "fearl",
                                                    "self-pity",
                                                    "don't",
                                                    "?!",
                                                    "\xF1"
                                                    "andu",
                                                    "\xD1"
                                                    "AN",
                                                    "is",
                                                    "a",
                                                    "THE",
                                                    "x",
                                                    "OVE"};
    const int kind = int(rng() % 3);
    std::string q = std::string(rng() % 3, ' ');
    if (kind == 0 && !someRows.empty()) {
        // A run of neighbouring words of one row, as a phrase would be typed.
        const OracleRow& row = someRows[rng() % someRows.size()];
        const std::string form = row.pieces[0] + row.pieces[1] + row.pieces[2] + row.pieces[3];
        std::vector<std::string> words;
        std::size_t at = 1;
        while (at < form.size()) {
            const std::size_t end = form.find('#', at);
            words.push_back(form.substr(at, end - at));
            at = end + 1;
        }
        const std::size_t from = rng() % words.size();
        const std::size_t n = 1 + rng() % 3;
        for (std::size_t i = from; i < words.size() && i < from + n; ++i) {
            q += words[i] + (rng() % 5 ? " " : "  ");
        }
    } else {
        const int n = 1 + int(rng() % 4);
        for (int i = 0; i < n; ++i)
            q += kTyped[rng() % kTyped.size()] + (rng() % 4 ? " " : "  ");
    }
    if (rng() % 2)
        q += "\t";
    return q;
}

TEST_F(SearchFixture, AgreesWithTheRulesInEveryMode) {
    std::mt19937 rng(2024);
    std::array<std::vector<OracleRow>, 5> volumes = {
        RandomRows(rng, 120, "T"), RandomRows(rng, 80, "E"), RandomRows(rng, 40, "M"),
        RandomRows(rng, 15, "P"), RandomRows(rng, 15, "S")};
    Build(volumes);
    int hitsSeen = 0;
    for (int n = 0; n < 150; ++n) {
        const std::string box = RandomQuery(rng, volumes[rng() % 5]);
        const int mode = int(rng() % 3);
        const bool exactWord = mode != 0, exactPhrase = mode == 2;
        std::array<bool, 5> ticked{};
        while (ticked == std::array<bool, 5>{}) {
            for (bool& t : ticked)
                t = rng() % 3 != 0;
        }
        SCOPED_TRACE("query \"" + box + "\" mode " + std::to_string(mode));
        ASSERT_EQ(Run(box, exactWord, exactPhrase, ticked), SearchOutcome::Completed);
        const std::vector<OracleResult> expected = Expected(box, exactWord, exactPhrase, ticked);
        ExpectCompleted(expected);
        hitsSeen += int(expected.size());
        if (HasFailure())
            return;
    }
    EXPECT_GT(hitsSeen, 1000);  // the queries do find things
}

TEST_F(SearchFixture, WordsPhrasesAndTheirSpacing) {
    Build({{{Row(1, "#HELLO#WORLD#"), Row(2, "#HELLOWORLD#"), Row(3, "#GLOVE#"),
             Row(4, "#LOVING#GOD#"), Row(5, "#WORLD#HELLO#"), Row(6, "#AMOR#")},
            {},
            {},
            {},
            {}}});
    const auto numbers = [&] {
        std::vector<std::string> n;
        for (const OracleResult& r : StoredResults())
            n.push_back(r.numero);
        return n;
    };
    using V = std::vector<std::string>;
    Run("lov");
    EXPECT_EQ(numbers(), V{"4"});  // never inside GLOVE
    Run("HELLO, WORLD");
    EXPECT_EQ(numbers(), (V{"1", "5"}));
    Run("HELLO, WORLD", true, true);
    EXPECT_EQ(numbers(), V{"1"});
    Run("HELLO,WORLD");
    EXPECT_EQ(numbers(), V{"2"});
    Run("hello  world");
    EXPECT_EQ(numbers(), (V{"1", "5"}));
    Run("hello  world", true, true);  // looks for "#HELLO##WORLD#"
    EXPECT_EQ(numbers(), V{});
    Run("\xE1mor");
    EXPECT_EQ(numbers(), V{"6"});
    Run("AMOR", true);
    EXPECT_EQ(numbers(), V{"6"});
    Run("hell", true);
    EXPECT_EQ(numbers(), V{});
    Run(" ?! ");
    EXPECT_EQ(numbers(), (V{"1", "2", "3", "4", "5", "6"}));
    Run("?!", true, true);
    EXPECT_EQ(numbers(), (V{"1", "2", "3", "4", "5", "6"}));
    Run("zebra");
    EXPECT_EQ(numbers(), V{});
    ExpectCompleted({});  // no hits is a completed search all the same
}

TEST_F(SearchFixture, ResultRowsInScanOrder) {
    const std::string longText(100, 'x');
    Build({{{Row(5, "#GOD#", " \t\r\n" + longText + "  ", " T 1.2  "), Row(7, "#NO#")},
            {Row(2, "#GOD#IS#", "God is.")},
            {Row(3, "#GOD#", "  short  ", "M-3")},
            {},
            {Row(1, "#GOD#", "\xC1mor de Dios", "S.1"), Row(9, "#GODS#")}}});
    ASSERT_EQ(Run("god", true), SearchOutcome::Completed);
    ExpectCompleted({{" T 1.2  ", "5", std::string(80, 'x'), "T"},
                     {"R2", "2", "God is.", "E"},
                     {"M-3", "3", "short", "M"},
                     {"S.1", "1", "\xC1mor de Dios", "S"}});

    Run("god", true, false, {false, false, true, false, true});
    ExpectCompleted({{"M-3", "3", "short", "M"}, {"S.1", "1", "\xC1mor de Dios", "S"}});
}

TEST_F(SearchFixture, MoreThanTwentyWordsKeepsTheFirstTwenty) {
    // W1..W20 and W1..W25 without W20, as forms, and w1..w25 as typed.
    const auto words = [](char w, int last, int skip, char between) {
        std::string text(1, between);
        for (int i = 1; i <= last; ++i) {
            if (i == skip)
                continue;
            text += w;
            text += std::to_string(i);
            text += between;
        }
        return text;
    };
    const std::string first20 = words('W', 20, 0, '#'), without20 = words('W', 25, 20, '#');
    const std::string box = words('w', 25, 0, ' ');
    Build({{{Row(1, first20), Row(2, without20)}, {}, {}, {}, {}}});
    Run(box, true);
    ExpectCompleted({{"R1", "1", first20, "T"}});
    Run(box, true, true);  // the phrase is the whole text
    ExpectCompleted({});
}

TEST_F(SearchFixture, RefusesABlankQueryOrNoVolume) {
    Build({{{Row(1, "#A#")}, {}, {}, {}, {}}}, {{"Old", "9", "old sentence", "E"}}, 1);
    const std::vector<OracleResult> before = StoredResults();
    for (const auto& [box, ticked] :
         {std::pair{std::string(" \t "), std::array<bool, 5>{true, true, true, true, true}},
          std::pair{std::string(""), std::array<bool, 5>{true, false, false, false, false}},
          std::pair{std::string("a"), std::array<bool, 5>{}}}) {
        EXPECT_EQ(Run(box, false, false, ticked), SearchOutcome::Refused);
        EXPECT_TRUE(progress_.events.empty());
        EXPECT_EQ(StoredResults(), before);
        EXPECT_EQ(StoredCantidad(), 1);
        EXPECT_EQ(result_.count, 0);
        EXPECT_FALSE(results_->Exclusive());
    }
    EXPECT_EQ(result_.state.queryText, "A ");  // the search's own state is set all the same
    EXPECT_EQ(result_.state.volumes, (std::array<bool, 5>{}));
    EXPECT_EQ(result_.state.phrasePattern, "#");
}

TEST_F(SearchFixture, SetsTheSearchState) {
    Build({{{Row(1, "#A#")}, {}, {}, {}, {}}});
    Run(" l\xF3ve  God ", true, true, {true, false, true, false, true});
    EXPECT_EQ(result_.state.queryText, "L\xF3VE  GOD ");
    EXPECT_EQ(result_.state.phrasePattern, "#LOVE##GOD#");
    EXPECT_TRUE(result_.state.exactWord);
    EXPECT_EQ(result_.state.volumes, (std::array<bool, 5>{true, false, true, false, true}));
}

TEST_F(SearchFixture, GaugeStepsByTheTickedVolumesWeights) {
    std::array<std::vector<OracleRow>, 5> volumes;
    const std::array<int, 5> sizes = {700, 300, 150, 45, 45};
    for (int v = 0; v < 5; ++v) {
        for (int i = 1; i <= sizes[v]; ++i)
            volumes[v].push_back(Row(i, i % 7 ? "#A#" : "#B#"));
    }
    Build(volumes);
    Run("b");  // 1240 rows, a step every 312
    EXPECT_EQ(progress_.events, RecordingProgress::Expected(3));
    Run("b", false, false, {true, false, false, false, false});  // 700 rows, a step every 182
    EXPECT_EQ(progress_.events, RecordingProgress::Expected(3));
    // The count runs on from one volume into the next: 90 rows, a step every 12.
    Run("?!", false, false, {false, false, false, true, true});
    EXPECT_EQ(progress_.events, RecordingProgress::Expected(7));
    ExpectCompleted(Expected("?!", false, false, {false, false, false, true, true}));
}

// The volumes' texts are kept from one search to the next; a table that changed after all is
// read again.
TEST_F(SearchFixture, KeptTextsFollowAChangedTable) {
    Build({{{Row(1, "#A#"), Row(2, "#B#")}, {}, {}, {}, {}}});
    Run("a");
    ExpectCompleted({{"R1", "1", "#A#", "T"}});
    store::testing::WriteTable(dir_.path(), "LTexto.DB",
                               {{"3", "new", "R3", "1", "", "1", "1", "#B#", "", "", ""},
                                {"4", "newer", "R4", "1", "", "1", "2", "#A#", "", "", ""}});
    (*volumeHandles_)['T'].book.Refresh();
    Run("a");
    ExpectCompleted({{"R4", "4", "newer", "T"}});
}

// A failure part-way leaves the earlier results and their count as they were, and the progress
// window closed; the next try works.
TEST_F(SearchFixture, AFailurePartWayChangesNothing) {
    std::array<std::vector<OracleRow>, 5> volumes;
    for (int i = 1; i <= 400; ++i)
        volumes[0].push_back(Row(i, i % 3 ? "#A#" : "#B#"));
    for (int i = 1; i <= 400; ++i)
        volumes[1].push_back(Row(i, "#A#B#"));
    Build(volumes);
    Run("b");
    const std::vector<OracleResult> earlier = Expected("b", false, false);
    ExpectCompleted(earlier);

    progress_ = RecordingProgress();
    progress_.failAtAdd = 2;  // by then the first 312 rows' hits are appended
    EXPECT_THROW(
        RunSearch({"a", false, false, {true, true, true, true, true}}, Tables(), progress_),
        std::runtime_error);
    EXPECT_EQ(progress_.events.back(), "close");
    EXPECT_EQ(StoredResults(), earlier);
    EXPECT_EQ(StoredCantidad(), std::int64_t(earlier.size()));

    Run("a");
    ExpectCompleted(Expected("a", false, false));
}

// Another program holding a table: the engine's message reaches the caller, nothing changes.
class LockedFile {
  public:
    explicit LockedFile(const std::filesystem::path& file) {
        if (sqlite3_open(file.c_str(), &db_) != SQLITE_OK ||
            sqlite3_exec(db_, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK) {
            throw std::runtime_error("cannot lock " + file.string());
        }
    }
    ~LockedFile() {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db_);
    }

  private:
    sqlite3* db_ = nullptr;
};

TEST_F(SearchFixture, ALockedTableChangesNothing) {
    std::array<std::vector<OracleRow>, 5> volumes;
    for (int i = 1; i <= 50; ++i)
        volumes[2].push_back(Row(i, i % 2 ? "#A#" : "#B#"));
    Build(volumes);
    Run("a");
    const std::vector<OracleResult> earlier = Expected("a", false, false);
    ExpectCompleted(earlier);

    for (const char* locked : {"Configura.db", "Texto_B.DB"}) {
        SCOPED_TRACE(locked);
        {
            LockedFile lock(dir_.path() / locked);
            progress_ = RecordingProgress();
            try {
                RunSearch({"b", false, false, {true, true, true, true, true}}, Tables(), progress_);
                ADD_FAILURE() << "the search went through a locked table";
            } catch (const store::StoreError& e) {
                EXPECT_NE(std::string(e.what()).find(locked), std::string::npos) << e.what();
            }
            EXPECT_EQ(progress_.events.back(), "close");
        }
        EXPECT_EQ(StoredResults(), earlier);
        EXPECT_EQ(StoredCantidad(), std::int64_t(earlier.size()));
    }
    Run("b");
    ExpectCompleted(Expected("b", false, false));
}

}  // namespace
}  // namespace veloria::search
