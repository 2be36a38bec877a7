// The program's three paths through the Bible windows, from the main window, on the full sample
// corpus as the corpus builder makes it. What each path shows is checked against the tables as
// SQLite holds them, read here on their own: the sentences' Biblia fields, the passages, the
// citing-sentence list, and the working tables the windows wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/uGlobal.h"
#include "bible/PABVeloria.h"
#include "bible/PaBc.h"
#include "bible/PaBiblia.h"
#include "bible/PaCB.h"
#include "store/Sqlite.h"
#include "store/Text.h"
#include "tests/reading/ProgramFixture.h"
#include "tools/CorpusBuilder.h"
#include "tools/SampleCorpus.h"

namespace veloria::test {
namespace {

namespace fs = std::filesystem;
namespace t = widgets::testing;
using Strings = std::vector<std::string>;

// The volume tables' file names by book code.
const std::map<std::string, std::string> kBooks = {{"T", "LTexto.DB"},
                                                   {"E", "LEjercicio.DB"},
                                                   {"M", "Maestro.DB"},
                                                   {"P", "LPsico.DB"},
                                                   {"S", "LOracion.DB"}};

// The passage keys a Biblia field names: its "/"-separated numbers, blanks around them dropped.
Strings KeysOf(const std::string& biblia) {
    Strings keys;
    std::string key;
    for (char c : biblia + "/") {
        if (c != '/') {
            key += c;
        } else if (!store::Trim(key).empty()) {
            keys.push_back(store::Trim(key));
            key.clear();
        } else {
            key.clear();
        }
    }
    return keys;
}

class BiblePathsTest : public ProgramTest {
  protected:
    static void SetUpTestSuite() {
        sample_ = std::make_unique<store::testing::TempDir>();
        const store::testing::TempDir sources;
        tools::WriteSampleCorpus(sources.path(), {});
        tools::BuildOptions build;
        build.source = sources.path();
        build.target = sample_->path() / "data";
        const tools::BuildResult built = tools::BuildCorpus(build);
        ASSERT_TRUE(built.ok) << built.summary;
    }
    static void TearDownTestSuite() { sample_.reset(); }

    // The program's own small corpus gives way to the sample's tables.
    BiblePathsTest() {
        for (const auto& entry : fs::directory_iterator(sample_->path() / "data")) {
            const std::string ext = entry.path().extension().string();
            if (ext == ".DB" || ext == ".db")
                fs::copy_file(entry.path(), Dir() / entry.path().filename(),
                              fs::copy_options::overwrite_existing);
        }
    }

    std::vector<Strings> Query(std::string_view file, const std::string& sql) const {
        store::sqlite::Database db(Dir() / file, SQLITE_OPEN_READONLY);
        auto st = db.Prepare(sql);
        std::vector<Strings> rows;
        while (st.Step()) {
            auto& row = rows.emplace_back();
            for (int c = 0; c < st.ColumnCount(); ++c)
                row.push_back(store::FromUtf8(st.ColumnText(c)));
        }
        return rows;
    }
    std::string One(std::string_view file, const std::string& sql) const {
        const auto rows = Query(file, sql);
        return rows.empty() ? "" : rows[0][0];
    }
    // A passage's text as the viewer must show it: U1 to U13 joined, "#" a blank.
    std::string PassageText(const std::string& key) const {
        std::string text = One("Biblia.DB",
                               "SELECT U1||U2||U3||U4||U5||U6||U7||U8||U9||U10||U11||U12||U13 "
                               "FROM Biblia WHERE NUMERO = " +
                                   key);
        std::replace(text.begin(), text.end(), '#', ' ');
        return text;
    }
    // The references of the passages of these keys, in the order of the keys.
    Strings References(const Strings& keys) const {
        Strings references;
        for (const std::string& key : keys)
            references.push_back(
                One("Biblia.DB", "SELECT REFERENCIA FROM Biblia WHERE NUMERO = " + key));
        return references;
    }
    // Every sentence of the work whose Biblia field cites the passage, as "T123".
    std::set<std::string> Citing(const std::string& key) const {
        std::set<std::string> citing;
        for (const auto& [code, file] : kBooks) {
            const std::string table = fs::path(file).stem().string();
            for (const Strings& row :
                 Query(file, "SELECT Numero, Biblia FROM " + table + " WHERE Biblia <> ''")) {
                const Strings keys = KeysOf(row[1]);
                if (std::find(keys.begin(), keys.end(), key) != keys.end())
                    citing.insert(code + row[0]);
            }
        }
        return citing;
    }
    // Whether every command of the main window is disabled.
    bool CommandsOff() {
        for (widgets::TdxButton* b :
             {F().Boton1, F().dxButton1, F().dxButton2, F().dxButton3, F().dxButton4, F().dxButton5,
              F().dxButton6, F().dxButton7, F().dxButton8, F().dxButton9, F().dxButton10,
              F().dxButton15, F().B_Biblia}) {
            if (b->Enabled())
                return false;
        }
        return true;
    }

    static std::unique_ptr<store::testing::TempDir> sample_;
};

std::unique_ptr<store::testing::TempDir> BiblePathsTest::sample_;

TEST_F(BiblePathsTest, BibleOnASentenceCitingTwoPassagesListsBoth) {
    const auto two =
        Query("LTexto.DB",
              "SELECT Numero, Referencia, Biblia FROM LTexto WHERE Biblia LIKE '%_/_%' AND "
              "Biblia NOT LIKE '%/%/%' LIMIT 1");
    ASSERT_EQ(two.size(), 1u);
    const Strings keys = KeysOf(two[0][2]);
    ASSERT_EQ(keys.size(), 2u);
    SetResults({{two[0][1], two[0][0], "", "T"}}, 1);
    Start();
    ASSERT_TRUE(F().B_Biblia->Enabled());

    Strings listed;
    std::string shown;
    bool commandsOff = false;
    t::WhenModal(*FBiblia, [&] {
        for (int r = 1; r <= FBiblia->DBGrid1->DataTable().RowCount(); ++r)
            listed.push_back(FBiblia->DBGrid1->DataTable().CellAsString(r, 0));
        shown = FBiblia->Memo1->Text();
        commandsOff = CommandsOff();
        t::KeyClick(*FBiblia, Qt::Key_Escape);
    });
    t::Click(*F().B_Biblia);
    EXPECT_EQ(listed, References(keys));
    EXPECT_EQ(shown, PassageText(keys[0]));
    EXPECT_TRUE(commandsOff);
    EXPECT_EQ(Query("TBiblia.db", "SELECT Numero FROM TBiblia ORDER BY rowid"),
              (std::vector<Strings>{{keys[0]}, {keys[1]}}));
    EXPECT_FALSE(CommandsOff());
    EXPECT_TRUE(F().DBGrid1->Focused());
}

TEST_F(BiblePathsTest, AVerseOfTheVerseListListsExactlyTheSentencesCitingIt) {
    // The most cited of the verses the list shows at once.
    Start();
    const int visible = 12;
    int row = 0;
    std::set<std::string> expected;
    const auto verses = Query("Biblia.DB", "SELECT NUMERO FROM Biblia ORDER BY NUMERO");
    for (int r = 1; r <= visible; ++r) {
        std::set<std::string> citing = Citing(verses[std::size_t(r - 1)][0]);
        if (citing.size() > expected.size())
            row = r, expected = std::move(citing);
    }
    ASSERT_GT(expected.size(), 10u);

    std::set<std::string> listed;
    std::string counter;
    bool offInside = false, offAfterChild = false;
    t::WhenModal(*FBC, [&] {
        t::WhenModal(*FB_Veloria, [&] {
            widgets::TDBGrid& grid = *FB_Veloria->DBGrid1;
            for (int r = 1; r <= grid.DataTable().RowCount(); ++r)
                listed.insert(grid.DataTable().CellAsString(r, 0) +
                              grid.DataTable().CellAsString(r, 1));
            counter = FB_Veloria->Label2->Caption();
            offInside = CommandsOff();
            t::KeyClick(*FB_Veloria, Qt::Key_Escape);
        });
        ASSERT_GE(FBC->DBGrid1->VisibleRowCount(), visible);
        t::Click(*FBC->DBGrid1, FBC->DBGrid1->CellRect(row, 0).center());
        t::Click(*FBC->dxButton3);
        offAfterChild = CommandsOff();
        t::KeyClick(*FBC, Qt::Key_Escape);
    });
    t::KeyClick(F(), Qt::Key_B, Qt::AltModifier);

    EXPECT_EQ(listed, expected);
    EXPECT_EQ(counter, " / " + std::to_string(expected.size()) + " References");
    std::set<std::string> stored;
    for (const Strings& r : Query("Texto2B.DB", "SELECT Libro || Numero FROM Texto2B"))
        stored.insert(r[0]);
    EXPECT_EQ(stored, expected);
    EXPECT_TRUE(offInside);
    EXPECT_TRUE(offAfterChild) << "the main window waits for the verse list to close";
    EXPECT_FALSE(CommandsOff());
    EXPECT_TRUE(F().DBGrid1->Focused());
}

TEST_F(BiblePathsTest, ASentenceOfTheCitingListShowsItsPassages) {
    Start();
    const int row = 9;
    const auto citing = Query("VLBiblia.DB", "SELECT Libro, Numero FROM VLBiblia ORDER BY rowid");
    const std::string code = citing[row - 1][0], numero = citing[row - 1][1];
    const std::string file = kBooks.at(code);
    const Strings keys = KeysOf(One(file, "SELECT Biblia FROM " + fs::path(file).stem().string() +
                                              " WHERE Numero = " + numero));
    ASSERT_FALSE(keys.empty());

    Strings listed;
    std::string shown;
    bool offInside = false;
    t::WhenModal(*FCurBi, [&] {
        t::WhenModal(*FBiblia, [&] {
            for (int r = 1; r <= FBiblia->DBGrid1->DataTable().RowCount(); ++r)
                listed.push_back(FBiblia->DBGrid1->DataTable().CellAsString(r, 0));
            shown = FBiblia->Memo1->Text();
            offInside = CommandsOff();
            t::KeyClick(*FBiblia, Qt::Key_Escape);
        });
        t::Click(*FCurBi->DBGrid1, FCurBi->DBGrid1->CellRect(row, 0).center());
        t::KeyClick(*FCurBi, Qt::Key_B, Qt::AltModifier);
        EXPECT_TRUE(CommandsOff());
        t::KeyClick(*FCurBi, Qt::Key_Escape);
    });
    t::Click(*F().dxButton10);

    EXPECT_EQ(listed, References(keys));
    EXPECT_EQ(shown, PassageText(keys[0]));
    EXPECT_TRUE(offInside);
    Strings stored;
    for (const Strings& r : Query("TBiblia.db", "SELECT Numero FROM TBiblia ORDER BY rowid"))
        stored.push_back(r[0]);
    EXPECT_EQ(stored, keys);
    EXPECT_FALSE(CommandsOff());
}

}  // namespace
}  // namespace veloria::test
