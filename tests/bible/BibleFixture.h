#pragma once

#include <gtest/gtest.h>

#include <QAccessible>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/uGlobal.h"
#include "bible/PABVeloria.h"
#include "bible/PaBc.h"
#include "bible/PaBiblia.h"
#include "bible/PaCB.h"
#include "store/Sqlite.h"
#include "store/Text.h"
#include "tests/store/TempDir.h"
#include "widgets/Application.h"
#include "widgets/HintWindow.h"
#include "widgets/Testing.h"

// The four Bible windows on a small corpus of their own, in a fresh data directory, created anew
// for each test and destroyed after it, with the process-wide values they use set back.
namespace veloria::test {

namespace wt = widgets::testing;
using Rows = std::vector<std::vector<std::string>>;

// A volume row: Numero, Umemo, Referencia, Pagina, Biblia, Num_I, Parrafo2 and an empty search
// form (these windows never search).
inline std::vector<std::string> Sentence(std::string numero, std::string umemo,
                                         std::string referencia, std::string pagina,
                                         std::string biblia) {
    return {std::move(numero),
            std::move(umemo),
            std::move(referencia),
            std::move(pagina),
            std::move(biblia),
            "1",
            "1",
            "",
            "",
            "",
            ""};
}

// A passage row: NUMERO, REFERENCIA, TEXTO, U1..U13 (the text split as given), C1..C4.
inline std::vector<std::string> Passage(int numero, std::string reference,
                                        std::vector<std::string> text,
                                        std::vector<std::string> citing = {}) {
    std::vector<std::string> row = {std::to_string(numero), std::move(reference), ""};
    text.resize(13);
    citing.resize(4);
    row[2] = text[0].substr(0, 30);
    row.insert(row.end(), text.begin(), text.end());
    row.insert(row.end(), citing.begin(), citing.end());
    return row;
}

// The volumes: the Text's sentence 1 cites passages 1 and 2, sentence 2 nothing (a field of
// blanks), sentence 12345 has a number of five digits; the Manual's first sentence has a
// reference beginning with "M", the second (of the Clarification) one beginning with "C".
inline const Rows kText = {
    Sentence("1", "First sentence of the text.", "  T-1.1:1  ", "1", " 1/2 "),
    Sentence("2", "Second sentence,\r\non two lines.", "T-1.1:2", "1", "   "),
    Sentence("3", "Third sentence.", "T-1.2:1", "2", "3"),
    Sentence("12345", "A sentence of a long number.", "T-9.9:9", "99", "1"),
};

// 404 passages. The first is split in the middle of a word; the second has a line break and
// "#" for its blanks, and is cited from every volume over all four fields, with blanks around the
// entries; the third is cited by a sentence that does not exist.
inline Rows Passages() {
    Rows rows = {
        Passage(1, "John 1:1", {"In the begin", "ning#was#the#Word."}, {"T1/T12345/  "}),
        Passage(2, "Psalm 2:6", {"Yet#have#I#set", "#my#king.\r\nUpon#my#hill."},
                {" T1/E1/ ", "M1/", "  M2/", "S1/P1/"}),
        Passage(3, "Isaiah 5:3", {"And#now,#O#inhabitants."}, {"T3/T999/"}),
    };
    for (int n = 4; n <= 404; ++n)
        rows.push_back(
            Passage(n, "Verse " + std::to_string(n), {"Text#of#verse#" + std::to_string(n) + "."}));
    return rows;
}

class BibleTest : public ::testing::Test {
  protected:
    BibleTest() {
        using store::testing::WriteTable;
        const auto& d = dir_.path();
        WriteTable(d, "LTexto.DB", kText);
        WriteTable(d, "LEjercicio.DB", {Sentence("1", "A workbook lesson.", "W-1", "7", "2")});
        WriteTable(d, "Maestro.DB",
                   {Sentence("1", "A manual sentence.", "M-1.1", "4", "2"),
                    Sentence("2", "A clarification sentence.", " C-1.1", "9", "2")});
        WriteTable(d, "LPsico.DB", {Sentence("1", "A psychotherapy sentence.", "P-1", "", "2")});
        WriteTable(d, "LOracion.DB", {Sentence("1", "A song sentence.", "S-1", "", "2/1")});
        WriteTable(d, "Biblia.DB", Passages());
        WriteTable(d, "VLBiblia.DB", CitingSentences());
        WriteTable(d, "Texto2B.DB", {});
        WriteTable(d, "TBiblia.db", {});
        std::filesystem::current_path(d);
        FBiblia = new TFBiblia;
        FB_Veloria = new TFB_Veloria;
        FBC = new TFBC;
        FCurBi = new TFCurBi;
    }

    ~BibleTest() override {
        for (widgets::TForm* f :
             std::initializer_list<widgets::TForm*>{FCurBi, FBC, FB_Veloria, FBiblia}) {
            delete f;
        }
        FBiblia = nullptr;
        FB_Veloria = nullptr;
        FBC = nullptr;
        FCurBi = nullptr;
        uGlobal::BibleRefList.clear();
        uGlobal::VerseRefList.clear();
        std::filesystem::current_path(home_);
    }

    // 1121 rows: the first five are T1, T2 (citing nothing), X1 (no book code), T999 (no such
    // sentence) and S1; the rest go round the sentences that cite the Bible.
    static Rows CitingSentences() {
        Rows rows = {{"T", "1", "T-1.1:1", "First sentence of the text."},
                     {"T", "2", "T-1.1:2", "Second sentence."},
                     {"X", "1", "X-1", "Of no volume."},
                     {"T", "999", "T-9", "Missing."},
                     {"S", "1", "S-1", "A song sentence."}};
        const Rows cycle = {{"T", "3", "T-1.2:1", "Third sentence."},
                            {"E", "1", "W-1", "A workbook lesson."},
                            {"M", "1", "M-1.1", "A manual sentence."},
                            {"P", "1", "P-1", "A psychotherapy sentence."}};
        while (rows.size() < 1121)
            rows.push_back(cycle[rows.size() % cycle.size()]);
        return rows;
    }

    // Shows the window modally, as its opener does, and runs the steps inside the showing; a
    // window the steps leave open is closed afterwards. The answer says whether the steps closed
    // it.
    static bool Open(widgets::TForm& form, const std::function<void()>& steps) {
        bool closed = true;
        wt::WhenModal(form, [&] {
            steps();
            if (form.ModalResult() == widgets::mrNone) {
                closed = false;
                form.Close();
            }
        });
        form.ShowModal();
        return closed;
    }

    // The name a screen reader gives the control.
    static std::string ReaderName(QWidget& w) {
        return QAccessible::queryAccessibleInterface(&w)->text(QAccessible::Name).toStdString();
    }

    static std::string Focused(widgets::TForm& form) {
        widgets::TControl* c = form.ActiveControl();
        return c ? c->Name() : "";
    }

    // Drags the bar's thumb down by `pixels` and lets it go there.
    static void DragThumb(widgets::TScrollBar& bar, int pixels) {
        const QPoint thumb = wt::ThumbCentre(bar);
        wt::MousePress(bar, thumb);
        wt::MouseMove(bar, thumb + QPoint(0, pixels / 2));
        wt::MouseMove(bar, thumb + QPoint(0, pixels));
        wt::MouseRelease(bar, thumb + QPoint(0, pixels));
    }

    // The rows of a table file as SQLite holds them, each field as Windows-1252 text, read apart
    // from the windows and their handles.
    Rows Query(std::string_view file, const std::string& sql) const {
        store::sqlite::Database db(dir_.path() / file, SQLITE_OPEN_READONLY);
        auto st = db.Prepare(sql);
        Rows rows;
        while (st.Step()) {
            auto& row = rows.emplace_back();
            for (int c = 0; c < st.ColumnCount(); ++c)
                row.push_back(store::FromUtf8(st.ColumnText(c)));
        }
        return rows;
    }

    // Makes every insert into a table file fail with the engine's message, as a full disk would.
    void FailInserts(std::string_view file, std::string_view table) const {
        store::sqlite::Database db(dir_.path() / file, SQLITE_OPEN_READWRITE);
        db.Exec("CREATE TRIGGER fail BEFORE INSERT ON " + std::string(table) +
                " WHEN (SELECT count(*) FROM " + std::string(table) +
                ") >= 1 BEGIN SELECT RAISE(ABORT, 'no space left on the device'); END");
    }

    const std::filesystem::path& Dir() const { return dir_.path(); }

    std::filesystem::path home_ = std::filesystem::current_path();
    store::testing::TempDir dir_;
    wt::DialogCapture boxes_;
};

}  // namespace veloria::test
