// The glossary window as a user drives it: the lookup as letters are typed, the search box's
// clearing and colours, the list, its buttons and scroll bar, Copy, and Close.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "glossary/PaGlosario.h"
#include "tests/glossary/Marks.h"
#include "tests/store/TempDir.h"
#include "widgets/Application.h"
#include "widgets/Testing.h"

namespace veloria::test {
namespace {

namespace wt = widgets::testing;
using Rows = std::vector<std::vector<std::string>>;

// A glossary row: NOMBRE, NOMBRE2, U1 to U7 (the explanation split after `split` characters),
// Uposi.
std::vector<std::string> Term(const std::string& nombre, const std::string& nombre2,
                              const std::string& explanation, const std::string& uposi = "",
                              std::size_t split = 255) {
    std::vector<std::string> row = {nombre, nombre2};
    for (std::size_t i = 0; i < 7; ++i)
        row.push_back(i * split < explanation.size() ? explanation.substr(i * split, split) : "");
    row.push_back(uposi);
    return row;
}

// Nine position groups of three digits; the ninth marks a span of 5 characters, the eighth of 4.
std::string Uposi(int eighth, int ninth) {
    char text[28];
    std::snprintf(text, sizeof text, "000000000000000000000%03d%03d", eighth, ninth);
    return text;
}

// In the lookup key's order: Abundance, Élan, Light, Love, Lowliness, Miracle, Ñu, Zeal.
const Rows kTerms = {
    Term("Abundance", "ABUNDANCE", "What#is#shared#grows."),
    Term("Light", "LIGHT", "Light#is#understanding."),
    Term("Love", "LOVE", "Note#Love#is#whole.#Also#given.", Uposi(1, 21), 10),
    Term("Lowliness", "LOWLINESS", "Not#a#virtue#here."),
    Term("Miracle", "MIRACLE", "A#shift#in#perception."),
    Term("Zeal", "ZEAL", "Eagerness."),
    Term("\xC9lan", "\xC9LAN", "Impulse."),
    Term(" \xD1u ", "\xD1U", "A#term#with#blanks#around#it."),
};

class GlossaryTest : public ::testing::Test {
  protected:
    GlossaryTest() : previous_(std::filesystem::current_path()) { Build(kTerms); }
    ~GlossaryTest() override {
        form_.reset();
        std::filesystem::current_path(previous_);
    }

    void Build(const Rows& terms) {
        form_.reset();
        store::testing::WriteTable(dir_.path(), "Glosario.DB", terms);
        std::filesystem::current_path(dir_.path());
        form_ = std::make_unique<TFGlosario>();
    }

    TFGlosario& G() { return *form_; }

    // Shows the window modally, as the main window's Glossary command does, and runs the steps
    // inside the showing; a window the steps leave open is closed afterwards. The answer says
    // whether the steps closed it.
    bool Open(const std::function<void()>& steps) {
        bool closed = true;
        wt::WhenModal(G(), [&] {
            steps();
            if (G().ModalResult() == widgets::mrNone) {
                closed = false;
                G().Close();
            }
        });
        G().ShowModal();
        return closed;
    }

    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        wt::KeyClick(G(), key, modifiers);
    }
    std::string Focused() {
        widgets::TControl* c = G().ActiveControl();
        return c ? c->Name() : "";
    }
    // The term shown above the explanation.
    std::string Shown() { return G().DBText1->Caption(); }
    int Bar() { return G().ScrollBar1->Position(); }

    std::filesystem::path previous_;
    store::testing::TempDir dir_;
    std::unique_ptr<TFGlosario> form_;
    wt::DialogCapture boxes_;
};

TEST_F(GlossaryTest, OpensOnTheFirstTermWithTheSearchBoxEmptyAndFocused) {
    Open([&] {
        EXPECT_EQ(Focused(), "edSearch");
        EXPECT_EQ(G().edSearch->Text(), "");
        EXPECT_EQ(G().edSearch->Font().Color, widgets::clBlack);
        EXPECT_EQ(Shown(), "Abundance");
        EXPECT_EQ(G().RichEdit1->Text(), "What is shared grows.");
        EXPECT_EQ(Bar(), 1);
        EXPECT_EQ(G().DBGrid1->FixedColor(), widgets::RGB(166, 202, 240));
    });
    EXPECT_EQ(G().Caption().rfind("Glossary  -  ", 0), 0u);
    EXPECT_EQ(G().ClientWidth(), 704);
    EXPECT_EQ(G().ClientHeight(), 447);
    EXPECT_TRUE(boxes_.Dialogs().empty());
}

TEST_F(GlossaryTest, EachLetterTypedMovesToTheFirstTermAtOrAfterTheText) {
    Open([&] {
        wt::TypeText(G(), "l");
        EXPECT_EQ(G().edSearch->Text(), "L");
        EXPECT_EQ(Shown(), "Light");
        EXPECT_EQ(Bar(), 3);
        wt::TypeText(G(), "o");
        EXPECT_EQ(Shown(), "Love");
        EXPECT_EQ(G().RichEdit1->Text(), "Note Love is whole. Also given.");
        EXPECT_EQ(Bar(), 4);
        wt::TypeText(G(), "w");
        EXPECT_EQ(Shown(), "Lowliness");
        Key(Qt::Key_Backspace);
        EXPECT_EQ(Shown(), "Love");
        Key(Qt::Key_Backspace);
        EXPECT_EQ(G().edSearch->Text(), "L");
        EXPECT_EQ(Shown(), "Light");
        Key(Qt::Key_Backspace);
        EXPECT_EQ(Shown(), "Abundance");
        EXPECT_EQ(Bar(), 1);
        // Between two terms: the next one.
        wt::TypeText(G(), "lp");
        EXPECT_EQ(Shown(), "Miracle");
    });
}

TEST_F(GlossaryTest, AnAccentedLetterFindsItsCapitalAndATextPastTheLastKeyTheLastTerm) {
    Open([&] {
        wt::TypeText(G(), "\xE9");
        EXPECT_EQ(G().edSearch->Text(), "\xC9");
        EXPECT_EQ(Shown(), "\xC9lan");
        Key(Qt::Key_Backspace);
        wt::TypeText(G(), "\xF1");
        EXPECT_EQ(G().edSearch->Text(), "\xD1");
        EXPECT_EQ(Shown(), " \xD1u ");
        EXPECT_EQ(Bar(), 7);
        Key(Qt::Key_Backspace);
        wt::TypeText(G(), "zz");
        EXPECT_EQ(Shown(), "Zeal");
        EXPECT_EQ(Bar(), 8);
    });
}

// Terms that begin with an accented capital stand among their base letter, where typing finds
// them: "ela" lands on "Élan", not on the term after all the plain e's.
TEST_F(GlossaryTest, AccentedTermsStandAmongTheirBaseLetter) {
    Build({Term("\xC1nimo", "\xC1NIMO", "Spirit."), Term("\xC9lan", "\xC9LAN", "Impulse."),
           Term("Evening of Comfort", "EVENING OF COMFORT", "Rest."),
           Term("\xCDntimo", "\xCDNTIMO", "Close."), Term("Worry", "WORRY", "Fear.")});
    Open([&] {
        wt::TypeText(G(), "ela");
        EXPECT_EQ(Shown(), "\xC9lan");
        EXPECT_EQ(Bar(), 2);
        Key(Qt::Key_Backspace);
        Key(Qt::Key_Backspace);
        Key(Qt::Key_Backspace);
        wt::TypeText(G(), "i");
        EXPECT_EQ(Shown(), "\xCDntimo");
        EXPECT_EQ(Bar(), 4);
    });
}

TEST_F(GlossaryTest, DownOrEnterGoesToTheListKeepingTheEntryAndTheBoxTurnsWhite) {
    Open([&] {
        wt::TypeText(G(), "lo");
        Key(Qt::Key_Down);
        EXPECT_EQ(Focused(), "DBGrid1");
        EXPECT_EQ(Shown(), "Love");
        EXPECT_EQ(G().Glosario.RecNo(), 4);
        // Still there, but white on the white box.
        EXPECT_EQ(G().edSearch->Text(), "LO");
        EXPECT_EQ(G().edSearch->Font().Color, widgets::clWhite);
        // Alt+S comes back into the box: cleared, black, and the list at its first term.
        Key(Qt::Key_S, Qt::AltModifier);
        EXPECT_EQ(Focused(), "edSearch");
        EXPECT_EQ(G().edSearch->Text(), "");
        EXPECT_EQ(G().edSearch->Font().Color, widgets::clBlack);
        EXPECT_EQ(Shown(), "Abundance");
        EXPECT_EQ(Bar(), 1);
        wt::TypeText(G(), "m");
        Key(Qt::Key_Return);
        EXPECT_EQ(Focused(), "DBGrid1");
        EXPECT_EQ(Shown(), "Miracle");
        EXPECT_EQ(G().Glosario.RecNo(), 6);
        // A click into the box clears it too.
        wt::Click(*G().edSearch);
        EXPECT_EQ(G().edSearch->Text(), "");
        EXPECT_EQ(Shown(), "Abundance");
    });
}

TEST_F(GlossaryTest, TheListItsButtonsAndItsBarMoveThroughTheTerms) {
    Open([&] {
        Key(Qt::Key_Down);
        EXPECT_EQ(Focused(), "DBGrid1");
        wt::KeyPress(G(), Qt::Key_Down);
        EXPECT_EQ(Shown(), "\xC9lan") << "the list follows at once";
        EXPECT_EQ(G().RichEdit1->Text(), "What is shared grows.") << "the entry when let go";
        wt::KeyRelease(G(), Qt::Key_Down);
        EXPECT_EQ(G().RichEdit1->Text(), "Impulse.");
        EXPECT_EQ(Bar(), 2);
        wt::Click(*G().dxButton6);
        EXPECT_EQ(Shown(), "Zeal");
        EXPECT_EQ(Bar(), 8);
        EXPECT_EQ(Focused(), "DBGrid1");
        wt::Click(*G().dxButton5);
        EXPECT_EQ(G().Glosario.RecNo(), 8);
        wt::Click(*G().dxButton4);
        EXPECT_EQ(G().RichEdit1->Text(), "A term with blanks around it.");
        EXPECT_EQ(Bar(), 7);
        wt::Click(*G().dxButton3);
        EXPECT_EQ(Shown(), "Abundance");
        EXPECT_EQ(Bar(), 1);
        wt::Click(*G().DBGrid1, G().DBGrid1->CellRect(5, 0).center());
        EXPECT_EQ(G().RichEdit1->Text(), "Not a virtue here.");
        EXPECT_EQ(Bar(), 5);
        // The bar's lower arrow names the next row.
        auto& bar = *G().ScrollBar1;
        wt::Click(bar, QPoint(bar.Width() / 2, bar.Height() - 5));
        EXPECT_EQ(Bar(), 6);
        EXPECT_EQ(Shown(), "Miracle");
        EXPECT_EQ(G().RichEdit1->Text(), "A shift in perception.");
        EXPECT_EQ(Focused(), "DBGrid1");
    });
}

TEST_F(GlossaryTest, TheBarReachesTheFirst140TermsOnly) {
    Rows terms;
    for (int i = 1; i <= 150; ++i) {
        const std::string n = (i < 10 ? "T00" : i < 100 ? "T0" : "T") + std::to_string(i);
        terms.push_back(Term(n, n, "Term#" + n));
    }
    Build(terms);
    Open([&] {
        EXPECT_EQ(G().ScrollBar1->Max(), 140);
        wt::Click(*G().dxButton6);
        EXPECT_EQ(Shown(), "T150");
        EXPECT_EQ(Bar(), 140);
        Key(Qt::Key_S, Qt::AltModifier);
        wt::TypeText(G(), "t145");
        EXPECT_EQ(Shown(), "T145");
        EXPECT_EQ(Bar(), 140);
        // The bar's own end is the 140th term.
        for (int i = 0; i < 7; ++i)
            Key(Qt::Key_Tab);
        ASSERT_EQ(Focused(), "ScrollBar1");
        Key(Qt::Key_End);
        EXPECT_EQ(Shown(), "T140");
        EXPECT_EQ(G().RichEdit1->Text(), "Term T140");
        EXPECT_EQ(Focused(), "DBGrid1");
        Key(Qt::Key_Up);
        Key(Qt::Key_Up);
        EXPECT_EQ(Shown(), "T138");
        EXPECT_EQ(Bar(), 138);
    });
}

TEST_F(GlossaryTest, SubHeadingsAreMarkedAndNothingOfThemIsLeftOverAfterwards) {
    Open([&] {
        wt::TypeText(G(), "lov");
        // "Note" and "Also " are its sub-headings (the explanation split over U1 to U4).
        EXPECT_EQ(G().RichEdit1->SelStart(), 1);
        const std::string love = "RRRR" + std::string(16, '.') + "RRRRR" + std::string(6, '.');
        EXPECT_EQ(Marks(*G().RichEdit1), love);
        wt::Click(*G().dxButton5);
        EXPECT_EQ(Marks(*G().RichEdit1), std::string(18, '.'));
        wt::Click(*G().dxButton4);
        EXPECT_EQ(Marks(*G().RichEdit1), love);
        Key(Qt::Key_Up);
        EXPECT_EQ(Marks(*G().RichEdit1), std::string(23, '.'));
    });
}

TEST_F(GlossaryTest, CopyPutsTheTrimmedTermALoneCarriageReturnAndTheExplanation) {
    Open([&] {
        wt::TypeText(G(), "\xF1");
        widgets::Clipboard().Clear();
        wt::Click(*G().dxButton2);
        EXPECT_EQ(widgets::Clipboard().AsText(), "\xD1u\rA term with blanks around it.");
        EXPECT_EQ(Focused(), "DBGrid1");
        // With part of the explanation selected, that part alone, by the button or its key.
        wt::Click(*G().RichEdit1);
        G().RichEdit1->SetSelStart(2);
        G().RichEdit1->SetSelLength(4);
        wt::Click(*G().dxButton2);
        EXPECT_EQ(widgets::Clipboard().AsText(), "term");
        EXPECT_TRUE(widgets::Clipboard().HasHtml());
        wt::Click(*G().RichEdit1);
        G().RichEdit1->SetSelStart(7);
        G().RichEdit1->SetSelLength(4);
        Key(Qt::Key_C, Qt::AltModifier);
        EXPECT_EQ(widgets::Clipboard().AsText(), "with");
        EXPECT_EQ(Focused(), "DBGrid1");
    });
}

TEST_F(GlossaryTest, EscapeClosesAndTheNextShowingStartsAfresh) {
    EXPECT_TRUE(Open([&] {
        wt::TypeText(G(), "m");
        Key(Qt::Key_Down);
        Key(Qt::Key_Escape);
    }));
    EXPECT_TRUE(Open([&] {
        EXPECT_EQ(Focused(), "edSearch");
        EXPECT_EQ(G().edSearch->Text(), "");
        EXPECT_EQ(G().edSearch->Font().Color, widgets::clBlack);
        EXPECT_EQ(Shown(), "Abundance");
        EXPECT_EQ(Bar(), 1);
        wt::Click(*G().dxButton1);
    }));
}

TEST_F(GlossaryTest, TabVisitsTheControlsInTheirOrder) {
    const std::vector<std::string> order = {"DBGrid1",   "RichEdit1", "dxButton1",  "dxButton2",
                                            "Button3",   "Memo1",     "ScrollBar1", "dxButton3",
                                            "dxButton4", "dxButton5", "dxButton6",  "edSearch"};
    Open([&] {
        for (const std::string& name : order) {
            Key(Qt::Key_Tab);
            EXPECT_EQ(Focused(), name);
        }
    });
}

}  // namespace
}  // namespace veloria::test
