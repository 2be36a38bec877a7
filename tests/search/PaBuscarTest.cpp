#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QApplication>
#include <QScreen>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/uGlobal.h"
#include "search/PaBarra.h"
#include "search/PaBuscar.h"
#include "store/Schema.h"
#include "store/SearchForm.h"
#include "store/Table.h"
#include "tests/store/TempDir.h"
#include "widgets/HintWindow.h"
#include "widgets/Testing.h"

namespace veloria::test {
namespace {

namespace wt = widgets::testing;
using Rows = std::vector<std::vector<std::string>>;
using widgets::RGB;

// A volume row with its search form as the corpus builder stores it.
std::vector<std::string> Sentence(int numero, const std::string& umemo,
                                  const std::string& referencia) {
    const auto pieces = store::SplitSearchForm(store::SearchForm(umemo));
    if (!pieces)
        throw std::logic_error("search form too long");
    return {std::to_string(numero), umemo,        referencia,   "1",          "",          "1",
            std::to_string(numero), (*pieces)[0], (*pieces)[1], (*pieces)[2], (*pieces)[3]};
}

// A result row as the search writes it: Referencia, Numero, Pensamiento, Libro.
using Result = std::vector<std::string>;

// Another program writing a table: the table engine refuses it until the lock goes.
class LockedFile {
  public:
    explicit LockedFile(const std::filesystem::path& file) {
        if (sqlite3_open(file.c_str(), &db_) != SQLITE_OK ||
            sqlite3_exec(db_, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK) {
            sqlite3_close(db_);
            throw std::runtime_error("cannot lock " + file.string());
        }
    }
    ~LockedFile() {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db_);
    }
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

  private:
    sqlite3* db_ = nullptr;
};

// A data directory with every table the dialog opens, the working directory while the test runs,
// an earlier search's single result in it, and the dialog with the progress window made as the
// program makes them. Every box the program shows is captured.
class SearchDialogTest : public ::testing::Test {
  protected:
    SearchDialogTest() : previous_(std::filesystem::current_path()) {
        Build({{
            Rows{Sentence(1, "  Love is all there is.  ", "T-1.1"),
                 Sentence(2, "The glove is lost.", "T-1.2"),
                 Sentence(3, "Lovely brothers meet here.", "T-1.3")},
            {Sentence(1, "Love holds no grievances.", "W-1")},
            {Sentence(1, "A teacher of love.", "M-1")},
            {Sentence(1, "Love heals the mind.", "P-1")},
            {Sentence(1, "The song of love is prayer.", "S-1")},
        }});
    }
    ~SearchDialogTest() override {
        Destroy();
        std::filesystem::current_path(previous_);
    }

    void Build(const std::array<Rows, 5>& volumes) {
        Destroy();
        for (std::size_t v = 0; v < volumes.size(); ++v)
            store::testing::WriteTable(dir_.path(), store::Volumes()[v].volumeTable, volumes[v]);
        store::testing::WriteTable(dir_.path(), "Texto_B.DB", {kEarlier});
        store::testing::WriteTable(dir_.path(), "Configura.db", {{"1", "01/01/2024", "007"}});
        uGlobal::ResultCount = 1;
        uGlobal::SearchDone = 0;
        std::filesystem::current_path(dir_.path());
        dialog_ = std::make_unique<TFBuscar>();
        progress_ = std::make_unique<TPBarra>();
        FBuscar = dialog_.get();
        PBarra = progress_.get();
    }

    void Destroy() {
        FBuscar = nullptr;
        PBarra = nullptr;
        dialog_.reset();
        progress_.reset();
    }

    TFBuscar& D() { return *dialog_; }

    // Opens the dialog as the Search command does and runs the steps inside its modal showing.
    // A dialog the steps leave open is cancelled afterwards, so a failing test cannot hang; the
    // answer says whether that was needed.
    bool OpenAndLeftOpen(const std::function<void()>& steps) {
        uGlobal::SearchDone = 0;
        bool leftOpen = false;
        wt::WhenModal(D(), [&] {
            steps();
            if (D().ModalResult() == widgets::mrNone) {
                leftOpen = true;
                D().Close();
            }
        });
        D().ShowModal();
        wt::ProcessEvents();
        return leftOpen;
    }
    // Types the words, Enter, Enter: the search runs and closes the dialog.
    void Search(const std::string& words, const std::function<void()>& before = {}) {
        const bool leftOpen = OpenAndLeftOpen([&] {
            if (before)
                before();
            wt::KeyClick(D(), Qt::Key_P, Qt::AltModifier);
            wt::TypeText(D(), words);
            wt::KeyClick(D(), Qt::Key_Return);
            wt::KeyClick(D(), Qt::Key_Return);
        });
        EXPECT_FALSE(leftOpen) << "the search did not close the dialog";
    }

    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        wt::KeyClick(D(), key, modifiers);
    }
    // Check boxes and radio buttons answer a click on their box or caption.
    static void ClickBox(widgets::TControl& box) { wt::Click(box, QPoint(6, 8)); }

    std::string Focused() {
        widgets::TControl* c = D().ActiveControl();
        return c ? c->Name() : "";
    }

    static std::vector<Result> StoredResults() {
        store::Table t("Texto_B.DB");
        std::vector<Result> rows;
        for (t.First(); !t.Eof(); t.Next()) {
            rows.push_back({t.FieldAsString("Referencia"), t.FieldAsString("Numero"),
                            t.FieldAsString("Pensamiento"), t.FieldAsString("Libro")});
        }
        return rows;
    }
    static std::int64_t StoredCantidad() {
        store::Table t("Configura.db");
        return t.FieldAsInteger("Cantidad");
    }
    void ExpectNothingChanged() {
        EXPECT_EQ(uGlobal::SearchDone, 0);
        EXPECT_EQ(uGlobal::ResultCount, 1);
        EXPECT_EQ(StoredResults(), std::vector<Result>{kEarlier});
        EXPECT_EQ(StoredCantidad(), 1);
    }
    void ExpectCompleted(const std::vector<Result>& rows) {
        EXPECT_EQ(uGlobal::SearchDone, 1);
        EXPECT_EQ(uGlobal::ResultCount, std::int32_t(rows.size()));
        EXPECT_EQ(StoredResults(), rows);
        EXPECT_EQ(StoredCantidad(), std::int64_t(rows.size()));
        EXPECT_FALSE(progress_->Visible());
    }

    const Result kEarlier = {"X-9", "9", "An earlier hit.", "T"};
    const Result kT1 = {"T-1.1", "1", "Love is all there is.", "T"};
    const Result kT3 = {"T-1.3", "3", "Lovely brothers meet here.", "T"};
    const Result kE1 = {"W-1", "1", "Love holds no grievances.", "E"};
    const Result kM1 = {"M-1", "1", "A teacher of love.", "M"};
    const Result kP1 = {"P-1", "1", "Love heals the mind.", "P"};
    const Result kS1 = {"S-1", "1", "The song of love is prayer.", "S"};

    std::filesystem::path previous_;
    store::testing::TempDir dir_;
    std::unique_ptr<TFBuscar> dialog_;
    std::unique_ptr<TPBarra> progress_;
    wt::DialogCapture boxes_;
};

TEST_F(SearchDialogTest, ExactPhraseForcesExactWordAndAnyOrderReleasesItUnticked) {
    const bool leftOpen = OpenAndLeftOpen([&] {
        EXPECT_TRUE(D().ChPalabraOr->Checked());
        EXPECT_FALSE(D().ChPalabraEx->Checked());
        EXPECT_TRUE(D().ChPalabraEx->Enabled());
        // The user ticks Exact Word, then chooses Exact Phrase with the mouse.
        ClickBox(*D().ChPalabraEx);
        EXPECT_TRUE(D().ChPalabraEx->Checked());
        ClickBox(*D().ChFraseE);
        EXPECT_TRUE(D().ChFraseE->Checked());
        EXPECT_TRUE(D().ChPalabraEx->Checked());
        EXPECT_FALSE(D().ChPalabraEx->Enabled());
        // Greyed, it ignores its access key and the mouse.
        Key(Qt::Key_E, Qt::AltModifier);
        ClickBox(*D().ChPalabraEx);
        EXPECT_TRUE(D().ChPalabraEx->Checked());
        // Back to Any Order: unticked and available, the earlier tick is not restored.
        ClickBox(*D().ChPalabraOr);
        EXPECT_FALSE(D().ChPalabraEx->Checked());
        EXPECT_TRUE(D().ChPalabraEx->Enabled());
        // The same by the access keys.
        Key(Qt::Key_E, Qt::AltModifier);
        EXPECT_TRUE(D().ChPalabraEx->Checked());
        Key(Qt::Key_H, Qt::AltModifier);
        EXPECT_TRUE(D().ChFraseE->Checked());
        EXPECT_FALSE(D().ChPalabraEx->Enabled());
        Key(Qt::Key_R, Qt::AltModifier);
        EXPECT_TRUE(D().ChPalabraOr->Checked());
        EXPECT_FALSE(D().ChPalabraEx->Checked());
        EXPECT_TRUE(D().ChPalabraEx->Enabled());
    });
    EXPECT_TRUE(leftOpen);
    EXPECT_TRUE(boxes_.Dialogs().empty());
}

TEST_F(SearchDialogTest, EnterInTheWordBoxMovesToOkAndASecondEnterSearches) {
    const bool leftOpen = OpenAndLeftOpen([&] {
        EXPECT_EQ(Focused(), "Edit1");
        wt::TypeText(D(), "love");
        EXPECT_EQ(D().Edit1->Text(), "LOVE");
        Key(Qt::Key_Return);
        EXPECT_EQ(Focused(), "dxButton2");
        EXPECT_EQ(D().Edit1->Text(), "LOVE");
        EXPECT_EQ(D().ModalResult(), widgets::mrNone);
        EXPECT_EQ(uGlobal::SearchDone, 0);
        EXPECT_EQ(StoredResults(), std::vector<Result>{kEarlier});
        Key(Qt::Key_Return);
    });
    EXPECT_FALSE(leftOpen);
    ExpectCompleted({kT1, kT3, kE1, kM1, kP1, kS1});
    EXPECT_TRUE(boxes_.Dialogs().empty());
}

TEST_F(SearchDialogTest, TabVisitsTheControlsInOrderAndAltPReturnsToTheWordBoxFromEach) {
    const std::vector<std::string> order = {"dxButton2", "dxButton1",   "ChTexto", "ChEjercicios",
                                            "ChMaestro", "ChPalabraEx", "Button3", "ChPsico",
                                            "ChOracion", "ChPalabraOr", "Edit1"};
    const bool leftOpen = OpenAndLeftOpen([&] {
        for (std::size_t n = 1; n <= order.size(); ++n) {
            SCOPED_TRACE(order[n - 1]);
            for (std::size_t i = 0; i < n; ++i)
                Key(Qt::Key_Tab);
            EXPECT_EQ(Focused(), order[n - 1]);
            Key(Qt::Key_P, Qt::AltModifier);
            EXPECT_EQ(Focused(), "Edit1");
        }
        // The keyboard is really in the word box: typing lands there.
        Key(Qt::Key_Tab);
        Key(Qt::Key_Tab);
        Key(Qt::Key_P, Qt::AltModifier);
        wt::TypeText(D(), "x");
        EXPECT_EQ(D().Edit1->Text(), "X");
        EXPECT_EQ(D().ModalResult(), widgets::mrNone);
    });
    EXPECT_TRUE(leftOpen);
    // Only Button3 (which the user never sees) had the P; nothing was ticked or searched.
    EXPECT_TRUE(D().ChTexto->Checked());
    EXPECT_TRUE(D().ChPsico->Checked());
    ExpectNothingChanged();
}

TEST_F(SearchDialogTest, EscapeAndTheCloseBoxCancelWithoutSearching) {
    for (const char* from : {"Edit1", "ChMaestro", "ChFraseE", "dxButton2", "close box"}) {
        SCOPED_TRACE(from);
        bool leftOpen = OpenAndLeftOpen([&] {
            wt::TypeText(D(), "love");
            if (std::string(from) == "close box") {
                D().close();  // as the window system asks a window to close
                return;
            }
            if (std::string(from) != "Edit1")
                D().FindControl(from)->SetFocus();
            Key(Qt::Key_Escape);
        });
        EXPECT_FALSE(leftOpen);
        EXPECT_EQ(D().ModalResult(), widgets::mrCancel);
        EXPECT_FALSE(D().Visible());
        EXPECT_FALSE(progress_->Visible());
        ExpectNothingChanged();
    }
    // The Cancel button with the mouse, likewise.
    EXPECT_FALSE(OpenAndLeftOpen([&] {
        wt::TypeText(D(), "love");
        wt::Click(*D().dxButton1);
    }));
    ExpectNothingChanged();
    EXPECT_TRUE(boxes_.Dialogs().empty());
}

TEST_F(SearchDialogTest, ASecondOpeningHasAnEmptyWordBoxAndTheLastTicksAndMode) {
    EXPECT_EQ(D().Color(), widgets::clSilver);
    OpenAndLeftOpen([&] {
        EXPECT_EQ(D().Color(), RGB(155, 205, 255));
        EXPECT_EQ(D().HintWindow().ArrowBackgroundColor(), RGB(166, 202, 240));
        wt::TypeText(D(), "love heals");
        Key(Qt::Key_T, Qt::AltModifier);  // untick the Text
        ClickBox(*D().ChOracion);         // and the Song of Prayer
        Key(Qt::Key_H, Qt::AltModifier);  // Exact Phrase
        Key(Qt::Key_Escape);
    });
    // Whatever became of the colours meanwhile, each activation sets them again.
    D().SetColor(widgets::clSilver);
    D().HintWindow().SetArrowBackgroundColor(RGB(48, 144, 207));
    OpenAndLeftOpen([&] {
        EXPECT_EQ(D().Edit1->Text(), "");
        EXPECT_EQ(Focused(), "Edit1");
        EXPECT_EQ(D().Color(), RGB(155, 205, 255));
        EXPECT_EQ(D().HintWindow().ArrowBackgroundColor(), RGB(166, 202, 240));
        EXPECT_FALSE(D().ChTexto->Checked());
        EXPECT_TRUE(D().ChEjercicios->Checked());
        EXPECT_TRUE(D().ChMaestro->Checked());
        EXPECT_TRUE(D().ChPsico->Checked());
        EXPECT_FALSE(D().ChOracion->Checked());
        EXPECT_TRUE(D().ChFraseE->Checked());
        EXPECT_FALSE(D().ChPalabraOr->Checked());
        EXPECT_TRUE(D().ChPalabraEx->Checked());
        EXPECT_FALSE(D().ChPalabraEx->Enabled());
        Key(Qt::Key_Escape);
    });
    // A search keeps them too, and the phrase is searched in the ticked volumes only.
    Search("love heals");
    ExpectCompleted({kP1});
    OpenAndLeftOpen([&] {
        EXPECT_EQ(D().Edit1->Text(), "");
        EXPECT_FALSE(D().ChTexto->Checked());
        EXPECT_TRUE(D().ChFraseE->Checked());
    });
}

TEST_F(SearchDialogTest, TheControlsChooseVolumesAndModes) {
    // Each volume's check box alone finds that volume's hits only.
    std::array<widgets::TCheckBox*, 5> boxes = {D().ChTexto, D().ChEjercicios, D().ChMaestro,
                                                D().ChPsico, D().ChOracion};
    const std::array<std::vector<Result>, 5> alone = {
        std::vector<Result>{kT1, kT3}, {kE1}, {kM1}, {kP1}, {kS1}};
    for (std::size_t v = 0; v < boxes.size(); ++v) {
        SCOPED_TRACE(store::Volumes()[v].code);
        Search("love", [&] {
            for (std::size_t other = 0; other < boxes.size(); ++other) {
                if (boxes[other]->Checked() != (other == v))
                    ClickBox(*boxes[other]);
            }
        });
        ExpectCompleted(alone[v]);
    }
    // All five again: Any Order matches the beginnings of words, never their inside (GLOVE).
    Search("lov", [&] {
        for (auto* box : boxes) {
            if (!box->Checked())
                ClickBox(*box);
        }
    });
    ExpectCompleted({kT1, kT3, kE1, kM1, kP1, kS1});
    // Exact Word: whole words only.
    Search("love", [&] { Key(Qt::Key_E, Qt::AltModifier); });
    ExpectCompleted({kT1, kE1, kM1, kP1, kS1});
    // Exact Phrase: the words together and in order.
    Search("love is", [&] { Key(Qt::Key_H, Qt::AltModifier); });
    ExpectCompleted({kT1, kS1});
    // Any Order again: both words anywhere.
    Search("is love", [&] { Key(Qt::Key_R, Qt::AltModifier); });
    ExpectCompleted({kT1, kS1});
    // Typed in lower case with accents and punctuation, as the corpus builder normalises.
    Search("L\xF3ve, HE\xC1LS!");
    ExpectCompleted({kP1});
    EXPECT_TRUE(boxes_.Dialogs().empty());
}

TEST_F(SearchDialogTest, WordsPastTheTwentiethAreIgnored) {
    const std::string twenty =
        "one two three four five six seven eight nine ten eleven twelve thirteen fourteen "
        "fifteen sixteen seventeen eighteen nineteen twenty";
    Build({{Rows{Sentence(1, twenty + ".", "T-1"), Sentence(2, "One two three.", "T-2")},
            {},
            {},
            {},
            {}}});
    Search(twenty + " absent words here");
    ExpectCompleted({{"T-1", "1", (twenty + ".").substr(0, 80), "T"}});
    // An absent word in the twentieth place still counts: nothing is found.
    Search(twenty.substr(0, twenty.rfind(' ')) + " absent");
    ExpectCompleted({});
}

TEST_F(SearchDialogTest, ABlankQueryOrNoVolumeClosesTheDialogAndChangesNothing) {
    const int paints = progress_->Gauge1->PaintCount();
    Search("   ");
    ExpectNothingChanged();
    Search("love", [&] {
        for (auto* box :
             {D().ChTexto, D().ChEjercicios, D().ChMaestro, D().ChPsico, D().ChOracion}) {
            ClickBox(*box);
        }
    });
    ExpectNothingChanged();
    EXPECT_EQ(progress_->Gauge1->PaintCount(), paints) << "the progress window was shown";
    EXPECT_TRUE(boxes_.Dialogs().empty());
}

TEST_F(SearchDialogTest, AFailingTableShowsTheErrorAndKeepsTheDialogOpen) {
    const bool leftOpen = OpenAndLeftOpen([&] {
        wt::TypeText(D(), "love");
        {
            LockedFile lock(dir_.path() / "Configura.db");
            Key(Qt::Key_Return);
            Key(Qt::Key_Return);
        }
        ASSERT_EQ(boxes_.Errors().size(), 1u);
        const std::string error = boxes_.Errors()[0];
        EXPECT_NE(error.find("Configura.db"), std::string::npos) << error;
        EXPECT_NE(error.find("locked by another program"), std::string::npos) << error;
        EXPECT_TRUE(D().Visible());
        EXPECT_EQ(D().ModalResult(), widgets::mrNone);
        EXPECT_FALSE(progress_->Visible());
        EXPECT_EQ(progress_->Gauge1->Progress(), 0);
        ExpectNothingChanged();
        // The user tries again once the other program is done: the search goes through.
        boxes_.Clear();
        EXPECT_EQ(Focused(), "dxButton2");
        Key(Qt::Key_Return);
        EXPECT_TRUE(boxes_.Dialogs().empty());
    });
    EXPECT_FALSE(leftOpen);
    ExpectCompleted({kT1, kT3, kE1, kM1, kP1, kS1});
}

TEST_F(SearchDialogTest, TheGaugeRepaintsOnlyWhenItsPercentageChanges) {
    // The Psychotherapy alone moves the gauge every 6 rows: 1,000 rows give 166 steps, of which
    // only the first 100 change what the gauge shows.
    Rows rows;
    for (int n = 1; n <= 1000; ++n)
        rows.push_back(
            Sentence(n, "Row " + std::to_string(n) + " of the volume.", "P-" + std::to_string(n)));
    Build({{Rows{}, {}, {}, rows, {}}});
    widgets::TGauge& gauge = *progress_->Gauge1;
    const int before = gauge.PaintCount();
    Search("row", [&] {
        for (auto* box : {D().ChTexto, D().ChEjercicios, D().ChMaestro, D().ChOracion})
            ClickBox(*box);
    });
    const int paints = gauge.PaintCount() - before;
    EXPECT_GE(paints, 100) << "the gauge was not painted as it moved";
    EXPECT_LE(paints, 101);
    EXPECT_EQ(gauge.Progress(), 100);
    EXPECT_EQ(uGlobal::ResultCount, 1000);
    EXPECT_FALSE(progress_->Visible());
    // Hidden, it keeps its last value until the next search starts it at 0.
    progress_->Show();
    EXPECT_EQ(gauge.Progress(), 100);
    progress_->Close();
}

TEST_F(SearchDialogTest, TheProgressWindowIsABorderlessCentredBoxWithAGauge) {
    TPBarra& p = *progress_;
    EXPECT_EQ(p.Caption(), "PBarra");
    EXPECT_TRUE(p.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(p.size(), QSize(361, 100));
    EXPECT_EQ(p.Image1->Picture().Width(), 600);
    EXPECT_EQ(p.Gauge1->geometry(), QRect(27, 42, 297, 25));
    p.Show();
    p.Repaint();
    EXPECT_TRUE(p.Visible());
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE(std::abs(p.geometry().center().x() - screen.center().x()), 1);
    EXPECT_LE(std::abs(p.geometry().center().y() - screen.center().y()), 1);
    const int paints = p.Gauge1->PaintCount();
    p.SetProgress(0);
    p.AddProgress(-1);
    EXPECT_EQ(p.Gauge1->PaintCount(), paints);
    p.AddProgress(1);
    EXPECT_EQ(p.Gauge1->PaintCount(), paints + 1);
    EXPECT_EQ(p.Gauge1->BarWidth(), 2);  // 1 % of the 295 pixels inside the border
    p.SetProgress(250);
    EXPECT_EQ(p.Gauge1->Progress(), 100);
    p.AddProgress(1);
    EXPECT_EQ(p.Gauge1->PaintCount(), paints + 2);
    p.Close();
    EXPECT_FALSE(p.Visible());
}

}  // namespace
}  // namespace veloria::test
