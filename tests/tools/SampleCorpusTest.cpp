#include "tools/SampleCorpus.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <tuple>

#include "store/Schema.h"
#include "store/SearchForm.h"
#include "store/Sqlite.h"
#include "store/Text.h"
#include "tests/tools/Files.h"
#include "tools/CorpusBuilder.h"

// The sample corpus as the program sees it: generated, built by the real builder, read back from
// the data directory.
namespace veloria::tools {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<std::string>>;  // Windows-1252
using testing::ReadAll;
using testing::TempDir;

class SampleCorpus : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = std::make_unique<TempDir>();
        WriteSampleCorpus(folder_->path() / "src", {});
        BuildOptions options;
        options.source = folder_->path() / "src";
        options.target = folder_->path() / "data";
        options.strict = true;
        build_ = std::make_unique<BuildResult>(BuildCorpus(options));
    }
    static void TearDownTestSuite() {
        build_.reset();
        folder_.reset();
    }
    void SetUp() override {
        for (const Diagnostic& d : build_->diagnostics)
            ADD_FAILURE() << d.Text();
        ASSERT_TRUE(build_->ok) << build_->summary;
    }

    static Rows Query(std::string_view table, const std::string& sql) {
        store::sqlite::Database db(folder_->path() / "data" / table, SQLITE_OPEN_READONLY);
        auto st = db.Prepare(sql);
        Rows rows;
        while (st.Step()) {
            auto& row = rows.emplace_back();
            for (int c = 0; c < st.ColumnCount(); ++c)
                row.push_back(store::FromUtf8(st.ColumnText(c)));
        }
        return rows;
    }
    static std::string Table(std::string_view fileName) {
        return fs::path(fileName).stem().string();
    }
    // Numero, Umemo, Referencia, Pagina, Biblia, Num_I, Parrafo2, A1 || A2 || A3 || A4 of a volume.
    static Rows Sentences(const store::Volume& v) {
        return Query(v.volumeTable,
                     "SELECT Numero, Umemo, Referencia, Pagina, Biblia, Num_I, Parrafo2, A1, A2, "
                     "A3, A4 FROM " +
                         Table(v.volumeTable) + " ORDER BY Numero");
    }

    static std::unique_ptr<TempDir> folder_;
    static std::unique_ptr<BuildResult> build_;
};
std::unique_ptr<TempDir> SampleCorpus::folder_;
std::unique_ptr<BuildResult> SampleCorpus::build_;

TEST_F(SampleCorpus, SameSeedSameFilesOtherSeedOtherText) {
    TempDir again, other;
    WriteSampleCorpus(again.path(), {});
    SampleCorpusOptions seed2;
    seed2.seed = 2;
    WriteSampleCorpus(other.path(), seed2);
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(folder_->path() / "src")) {
        ++files;
        EXPECT_EQ(ReadAll(entry.path()), ReadAll(again.path() / entry.path().filename()))
            << entry.path().filename();
    }
    EXPECT_EQ(files, 15u);  // fourteen content tables and the seeded results
    EXPECT_NE(ReadAll(folder_->path() / "src" / "LTexto.csv"),
              ReadAll(other.path() / "LTexto.csv"));
}

// For every word of every sentence, what a user typing that word searches for is exactly the
// text between two "#" of the stored form, in order; and the form is nothing else.
TEST_F(SampleCorpus, EveryWordOfEverySentenceIsFoundAsTyped) {
    std::size_t words = 0;
    for (const store::Volume& v : store::Volumes()) {
        for (const auto& row : Sentences(v)) {
            const std::string& text = row[1];
            std::string form;
            for (int a = 7; a < 11; ++a) {
                const std::string& piece = row[std::size_t(a)];
                EXPECT_LE(piece.size(), store::kSearchFormFieldSize);
                if (!piece.empty()) {
                    EXPECT_EQ(piece.back(), '#') << row[2];
                    EXPECT_EQ(piece.front() == '#', form.empty()) << row[2];
                }
                if (a > 7 && !piece.empty()) {
                    EXPECT_FALSE(row[std::size_t(a - 1)].empty());
                }
                form += piece;
            }
            std::string expected = "#";
            for (const store::SearchWord& w : store::SearchWords(text)) {
                const std::string typed = text.substr(w.begin, w.length);
                const std::string query =
                    store::NormaliseSearchText(store::UpperCaseLetters(typed));
                ASSERT_FALSE(query.empty()) << row[2];
                // The form's word is already in searched form: typing it finds it again.
                EXPECT_EQ(store::SearchWordForm(query), query);
                for (char c : query)
                    ASSERT_FALSE(store::IsSearchSeparator(c)) << row[2];
                expected += query + "#";
                ++words;
            }
            ASSERT_EQ(form, expected) << v.code << " " << row[2];
        }
    }
    EXPECT_GT(words, 31200u * 10);
}

TEST_F(SampleCorpus, VolumesHaveTheirSizeReferencesParagraphsPagesAndHeadings) {
    const std::map<char, std::size_t> sizes = {
        {'T', 18200}, {'E', 9700}, {'M', 2100}, {'P', 600}, {'S', 600}};
    bool oneSentenceParagraph = false;
    for (const store::Volume& v : store::Volumes()) {
        SCOPED_TRACE(v.code);
        const Rows rows = Sentences(v);
        ASSERT_EQ(rows.size(), sizes.at(v.code));
        std::map<std::string, std::string> headings;  // Num_I -> Nom_1
        for (const auto& h :
             Query(v.indexTable, "SELECT Num_I, Nom_1, Nom_2 FROM " + Table(v.indexTable))) {
            headings[h[0]] = h[1];
            EXPECT_FALSE(h[2].empty());
        }
        std::set<std::string> references;
        int previousPage = 0;
        std::size_t run = 0;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const auto& r = rows[i];
            EXPECT_EQ(r[0], std::to_string(i + 1));
            const std::size_t length = store::Trim(r[1]).size();
            EXPECT_GE(length, 20u);
            EXPECT_LE(length, 400u);
            EXPECT_TRUE(references.insert(r[2]).second) << "duplicate reference " << r[2];
            EXPECT_EQ(r[2][0], v.code == 'M' ? r[2][0] : v.code);
            EXPECT_GE(std::stoi(r[3]), previousPage);
            previousPage = std::stoi(r[3]);
            ASSERT_TRUE(headings.contains(r[5]));
            if (v.code == 'M') {
                // Manual and Clarification: the reference's first letter and Nom_1 agree.
                EXPECT_EQ(r[2][0] == 'M', headings[r[5]] == "MANUAL FOR TEACHERS") << r[2];
                EXPECT_TRUE(r[2][0] == 'M' || r[2][0] == 'C') << r[2];
            }
            // Paragraphs: runs of equal Parrafo2, numbered upwards, of 1 to 12 sentences.
            ++run;
            const bool last = i + 1 == rows.size() || rows[i + 1][6] != r[6];
            if (last) {
                EXPECT_LE(run, 12u) << r[2];
                if (run == 1)
                    oneSentenceParagraph = true;
                if (i + 1 < rows.size()) {
                    EXPECT_GT(std::stoi(rows[i + 1][6]), std::stoi(r[6]));
                }
                run = 0;
            }
        }
        EXPECT_NE(rows[0][6], rows[rows.size() - 1][6]);
        EXPECT_EQ(rows[0][6], rows[1][6]);  // the first paragraph has several sentences
        if (v.code == 'M') {
            EXPECT_EQ(rows.front()[2][0], 'M');
            EXPECT_EQ(rows.back()[2][0], 'C');
        }
    }
    EXPECT_TRUE(oneSentenceParagraph);
}

TEST_F(SampleCorpus, SentencesCarryEveryKindOfCharacterARealCorpusHas) {
    std::string all;
    int edgeBlanks = 0, lineBreaks = 0;
    for (const store::Volume& v : store::Volumes()) {
        for (const auto& r : Sentences(v)) {
            all += r[1];
            edgeBlanks += store::Trim(r[1]) != r[1];
            lineBreaks += r[1].find("\r\n") != std::string::npos;
        }
    }
    EXPECT_GE(edgeBlanks, 5);
    EXPECT_GE(lineBreaks, 5);
    // The removed characters, the acute vowels, apostrophe, hyphen, digits, typographic
    // quotes, dashes and the ellipsis.
    const std::string wanted = store::FromUtf8("¡!\"(),./:;¿?[]_áéíóúÁÉÍÓÚ'-0123456789“”‘’–—…«»");
    for (char c : wanted) {
        EXPECT_NE(all.find(c), std::string::npos) << store::ToUtf8(std::string(1, c));
    }
}

TEST_F(SampleCorpus, BibleReferencesAgreeBothWays) {
    using Cite = std::tuple<char, std::string, std::string>;  // book, Numero, passage
    std::set<Cite> fromSentences, fromPassages;
    std::map<std::pair<char, std::string>, std::pair<std::string, std::string>> citing;
    int several = 0;
    for (const store::Volume& v : store::Volumes()) {
        for (const auto& r : Sentences(v)) {
            if (r[4].empty())
                continue;
            citing[{v.code, r[0]}] = {r[2], r[1]};
            std::size_t at = 0, keys = 0;
            while (at <= r[4].size()) {
                std::size_t slash = r[4].find('/', at);
                if (slash == std::string::npos)
                    slash = r[4].size();
                fromSentences.insert({v.code, r[0], r[4].substr(at, slash - at)});
                ++keys;
                at = slash + 1;
            }
            several += keys > 1;
        }
    }
    EXPECT_EQ(citing.size(), 1121u);
    EXPECT_GT(several, 50);

    const Rows bible = Query("Biblia.DB", "SELECT NUMERO, C1, C2, C3, C4 FROM Biblia");
    ASSERT_EQ(bible.size(), 404u);
    bool spills = false;
    for (const auto& b : bible) {
        EXPECT_FALSE(b[1].empty()) << "passage " << b[0] << " is cited by nothing";
        for (int c = 1; c <= 4; ++c) {
            const std::string& list = b[std::size_t(c)];
            EXPECT_LE(list.size(), 255u);
            if (list.empty())
                continue;
            if (c > 1)
                spills = true;
            EXPECT_EQ(list.back(), '/');
            std::size_t at = 0;
            while (at < list.size()) {
                const std::size_t slash = list.find('/', at);
                const std::string entry = list.substr(at, slash - at);
                EXPECT_LE(entry.size(), 6u);
                fromPassages.insert({entry[0], entry.substr(1), b[0]});
                at = slash + 1;
            }
        }
    }
    EXPECT_TRUE(spills);
    EXPECT_EQ(fromSentences, fromPassages);

    const Rows list =
        Query("VLBiblia.DB", "SELECT Libro, Numero, Referencia, Pensamiento FROM VLBiblia");
    ASSERT_EQ(list.size(), 1121u);
    for (const auto& l : list) {
        const auto it = citing.find({l[0][0], l[1]});
        ASSERT_NE(it, citing.end()) << l[0] << l[1];
        EXPECT_EQ(it->second.first, l[2]);
        EXPECT_EQ(it->second.second, l[3]);
        citing.erase(it);
    }
}

TEST_F(SampleCorpus, PassagesSpanSeveralFieldsWithMarkedBlanks) {
    bool midWord = false, hashes = false;
    for (const auto& b : Query("Biblia.DB",
                               "SELECT NUMERO, REFERENCIA, TEXTO, U1, U2, U3, U4, U5, U6, U7, U8, "
                               "U9, U10, U11, U12, U13 FROM Biblia ORDER BY NUMERO")) {
        EXPECT_FALSE(b[1].empty());
        EXPECT_FALSE(b[2].empty());
        EXPECT_FALSE(b[4].empty()) << "passage " << b[0] << " fits in one field";
        bool ended = false;
        for (std::size_t u = 3; u < 16; ++u) {
            EXPECT_LE(b[u].size(), 255u);
            if (b[u].empty()) {
                ended = true;
            } else {
                EXPECT_FALSE(ended) << "a gap in the U fields of passage " << b[0];
            }
            hashes = hashes || b[u].find('#') != std::string::npos;
            if (u > 3 && !b[u].empty() && std::isalpha(static_cast<unsigned char>(b[u].front())) &&
                std::isalpha(static_cast<unsigned char>(b[u - 1].back()))) {
                midWord = true;
            }
        }
    }
    EXPECT_TRUE(midWord);
    EXPECT_TRUE(hashes);
}

TEST_F(SampleCorpus, GlossaryMarkersPointAtSubHeadingsOfTheirLength) {
    constexpr std::size_t kSpan[9] = {21, 13, 19, 21, 9, 8, 11, 4, 5};
    const Rows terms = Query("Glosario.DB",
                             "SELECT NOMBRE, NOMBRE2, U1 || U2 || U3 || U4 || U5 || "
                             "U6 || U7, Uposi, U2 FROM Glosario");
    ASSERT_EQ(terms.size(), 160u);
    std::set<std::string> keys;
    std::set<std::size_t> groupsUsed;
    for (const auto& t : terms) {
        EXPECT_EQ(t[1], store::UpperCaseLetters(t[0]));
        EXPECT_TRUE(keys.insert(t[1]).second);
        EXPECT_FALSE(t[4].empty()) << t[0] << " fits in one field";
        std::string text = t[2];
        EXPECT_EQ(text.find(' '), std::string::npos) << "blanks are stored as #";
        for (char& c : text)
            c = c == '#' ? ' ' : c;
        ASSERT_EQ(t[3].size(), 27u);
        int marked = 0;
        for (std::size_t g = 0; g < 9; ++g) {
            const std::size_t at = std::stoul(t[3].substr(g * 3, 3));
            if (at == 0)
                continue;
            ++marked;
            groupsUsed.insert(g);
            ASSERT_LE(at - 1 + kSpan[g], text.size()) << t[0];
            const std::string span = text.substr(at - 1, kSpan[g]);
            // A sub-heading: after a blank, made of words, followed by its colon.
            EXPECT_EQ(text[at - 2], ' ') << t[0] << ": " << span;
            EXPECT_EQ(text[at - 1 + kSpan[g]], ':') << t[0] << ": " << span;
            EXPECT_TRUE(std::isupper(static_cast<unsigned char>(span[0]))) << span;
            EXPECT_EQ(
                span.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ "),
                std::string::npos)
                << span;
        }
        EXPECT_GE(marked, 2) << t[0];
    }
    EXPECT_EQ(groupsUsed.size(), 9u);
}

TEST_F(SampleCorpus, TipsConfigurationAndSeededResults) {
    const Rows tips = Query("Frases.DB", "SELECT NUMERO, Umemo FROM Frases ORDER BY NUMERO");
    ASSERT_EQ(tips.size(), 880u);
    int lineBreaks = 0;
    for (std::size_t i = 0; i < tips.size(); ++i) {
        EXPECT_EQ(tips[i][0], std::to_string(i + 1));
        EXPECT_FALSE(store::Trim(tips[i][1]).empty());
        lineBreaks += tips[i][1].find("\r\n") != std::string::npos;
    }
    EXPECT_GT(lineBreaks, 10);

    // The seeded results are the hits of a search for words beginning with LOVE.
    std::vector<std::string> expected;
    for (const store::Volume& v : store::Volumes()) {
        for (const auto& r : Sentences(v)) {
            if ((r[7] + r[8] + r[9] + r[10]).find("#LOVE") == std::string::npos)
                continue;
            expected.push_back(r[2] + "|" + r[0] + "|" + store::Trim(r[1]).substr(0, 80) + "|" +
                               v.code);
        }
    }
    std::vector<std::string> seeded;
    for (const auto& r : Query("Texto_B.DB",
                               "SELECT Referencia, Numero, Pensamiento, Libro FROM "
                               "Texto_B ORDER BY rowid")) {
        seeded.push_back(r[0] + "|" + r[1] + "|" + r[2] + "|" + r[3]);
    }
    EXPECT_GT(seeded.size(), 500u);
    EXPECT_EQ(seeded, expected);
    const Rows config = Query("Configura.db", "SELECT Cantidad, Fecha, BNumero FROM Configura");
    ASSERT_EQ(config.size(), 1u);
    EXPECT_EQ(config[0], (std::vector<std::string>{std::to_string(seeded.size()), "", ""}));
    EXPECT_TRUE(Query("Texto2B.DB", "SELECT * FROM Texto2B").empty());
    EXPECT_TRUE(Query("TBiblia.db", "SELECT * FROM TBiblia").empty());
}

}  // namespace
}  // namespace veloria::tools
