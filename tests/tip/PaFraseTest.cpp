#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDate>
#include <QLocale>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "store/Sqlite.h"
#include "store/Table.h"
#include "tests/glossary/Marks.h"
#include "tests/store/TempDir.h"
#include "tip/PaFrase.h"
#include "widgets/QtText.h"
#include "widgets/Testing.h"

namespace veloria::test {
namespace {

namespace wt = widgets::testing;
using Rows = std::vector<std::vector<std::string>>;

std::string TipText(int n) {
    return "Tip " + std::to_string(n) + ".";
}

std::string ShortDate(const QLocale& locale, QDate date) {
    return widgets::FromQString(locale.toString(date, QLocale::ShortFormat));
}

// A data directory with all 880 tips and one configuration row, the working directory while the
// test runs, and the tip window on it. The window's date, format and draw are the system's unless
// a test sets them.
class TipTest : public ::testing::Test {
  protected:
    TipTest() {
        Rows tips;
        for (int n = 1; n <= TFFrase::kTipCount; ++n)
            tips.push_back({std::to_string(n), TipText(n)});
        store::testing::WriteTable(dir_.path(), "Frases.DB", tips);
        SetConfiguration("", "");
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.path());
    }
    ~TipTest() override {
        form_.reset();
        TFFrase::Today = nullptr;
        TFFrase::DateLocale = nullptr;
        TFFrase::DrawNumber = nullptr;
        std::filesystem::current_path(previous_);
    }

    // Before the window is made: the configuration row as the program finds it.
    void SetConfiguration(const std::string& fecha, const std::string& bnumero) {
        store::testing::WriteTable(dir_.path(), "Configura.db", {{"3", fecha, bnumero}});
    }
    void SetTips(const Rows& tips) { store::testing::WriteTable(dir_.path(), "Frases.DB", tips); }

    TFFrase& Form() {
        if (!form_)
            form_ = std::make_unique<TFFrase>();
        return *form_;
    }
    // Shows the window modally, as the main window does, and closes it with its OK button once
    // it is showing; `inside` looks at it first.
    void ShowAndClose(const std::function<void()>& inside = {}) {
        TFFrase& f = Form();
        wt::WhenModal(f, [&f, inside] {
            if (inside)
                inside();
            wt::Click(*f.dxButton1);
        });
        f.ShowModal();
    }

    // Draws these numbers, one per draw, and counts the draws.
    void Draws(std::vector<int> numbers) {
        draws_ = 0;
        TFFrase::DrawNumber = [this, numbers] { return numbers.at(std::size_t(draws_++)); };
    }

    // The configuration row as the file holds it.
    std::string OnDisk(const std::string& field) {
        store::sqlite::Database db(dir_.path() / "Configura.db", SQLITE_OPEN_READONLY);
        return db.QueryText("SELECT " + field + " FROM Configura");
    }
    std::string Fecha() { return Form().Configura.FieldAsString("Fecha"); }
    std::string BNumero() { return Form().Configura.FieldAsString("BNumero"); }

    store::testing::TempDir dir_;
    std::filesystem::path previous_;
    std::unique_ptr<TFFrase> form_;
    int draws_ = 0;
};

TEST_F(TipTest, FirstShowingOfTheDayDrawsATipAndRemembersIt) {
    // The system's clock: the day may turn while the window is shown.
    const QDate before = QDate::currentDate();
    ShowAndClose();
    const QDate after = QDate::currentDate();
    const std::string today = Fecha();
    EXPECT_TRUE(today == ShortDate(QLocale::system(), before) ||
                today == ShortDate(QLocale::system(), after))
        << today;
    const std::string number = BNumero();
    ASSERT_EQ(number.size(), 3u);
    const int n = std::stoi(number);
    EXPECT_GE(n, 1);
    EXPECT_LE(n, 880);
    EXPECT_EQ(Form().Memo1->Text(), TipText(n));
    // Committed to the file, not only to the window's handle.
    EXPECT_EQ(OnDisk("Fecha"), today);
    EXPECT_EQ(OnDisk("BNumero"), number);
    EXPECT_EQ(OnDisk("Cantidad"), "3");
}

TEST_F(TipTest, LaterShowingsOfTheSameDayKeepTheTip) {
    Draws({7, 8, 9});
    ShowAndClose();
    EXPECT_EQ(draws_, 1);
    EXPECT_EQ(BNumero(), "007");
    const std::string fecha = Fecha();
    Form().Memo1->SetText("something else");
    ShowAndClose();
    EXPECT_EQ(draws_, 1);
    EXPECT_EQ(Fecha(), fecha);
    EXPECT_EQ(BNumero(), "007");
    EXPECT_EQ(Form().Memo1->Text(), TipText(7));

    // The next start of the program, the same day: the remembered tip again.
    form_.reset();
    ShowAndClose();
    EXPECT_EQ(draws_, 1);
    EXPECT_EQ(Form().Memo1->Text(), TipText(7));
}

TEST_F(TipTest, AChangedShortDateFormatDrawsAgainTheSameDay) {
    const QDate day(2024, 1, 2);
    TFFrase::Today = [day] { return day; };
    QLocale locale(QLocale::English, QLocale::UnitedStates);
    TFFrase::DateLocale = [&locale] { return locale; };
    Draws({5, 6});
    ShowAndClose();
    EXPECT_EQ(Fecha(), ShortDate(locale, day));
    EXPECT_EQ(BNumero(), "005");

    locale = QLocale(QLocale::German, QLocale::Germany);
    ASSERT_NE(ShortDate(locale, day),
              ShortDate(QLocale(QLocale::English, QLocale::UnitedStates), day));
    ShowAndClose();
    EXPECT_EQ(draws_, 2);
    EXPECT_EQ(Fecha(), ShortDate(locale, day));
    EXPECT_EQ(BNumero(), "006");
    EXPECT_EQ(Form().Memo1->Text(), TipText(6));
}

TEST_F(TipTest, ANewDayDrawsAgainAndMayRepeatYesterdaysTip) {
    QDate day(2024, 3, 31);
    TFFrase::Today = [&day] { return day; };
    Draws({12, 12});
    ShowAndClose();
    const std::string first = Fecha();
    day = day.addDays(1);
    ShowAndClose();
    EXPECT_EQ(draws_, 2);
    EXPECT_NE(Fecha(), first);
    EXPECT_EQ(Fecha(), ShortDate(QLocale::system(), day));
    EXPECT_EQ(BNumero(), "012");
    EXPECT_EQ(OnDisk("Fecha"), Fecha());
}

TEST_F(TipTest, DrawsAreStoredAsThreeDigits) {
    QDate day(2024, 5, 1);
    TFFrase::Today = [&day] { return day; };
    const std::vector<int> numbers = {7, 880, 1, 42};
    Draws(numbers);
    for (int n : numbers) {
        ShowAndClose();
        EXPECT_EQ(BNumero(), n == 7 ? "007" : n == 880 ? "880" : n == 1 ? "001" : "042");
        EXPECT_EQ(OnDisk("BNumero"), BNumero());
        EXPECT_EQ(Form().Memo1->Text(), TipText(n));
        day = day.addDays(1);
    }
}

TEST_F(TipTest, TheDrawCoversEveryTipFromOneTo880) {
    QDate day(2000, 1, 1);
    TFFrase::Today = [&day] { return day; };
    TFFrase& f = Form();
    std::set<int> seen;
    store::Table::Batch batch(f.Configura);
    for (int i = 0; i < 20000; ++i) {
        f.DailyTipDraw();
        const std::string number = BNumero();
        ASSERT_EQ(number.size(), 3u) << number;
        seen.insert(std::stoi(number));
        day = day.addDays(1);
    }
    batch.Commit();
    EXPECT_EQ(*seen.begin(), 1);
    EXPECT_EQ(*seen.rbegin(), 880);
    EXPECT_GT(seen.size(), 870u);
}

TEST_F(TipTest, ATipNumberThatMatchesNoTipLeavesTheMemoAsItWas) {
    const QDate day(2024, 6, 1);
    TFFrase::Today = [day] { return day; };
    const std::string today = ShortDate(QLocale::system(), day);
    for (const std::string number : {"999", "000", "", "abc", " 12x"}) {
        form_.reset();
        SetConfiguration(today, number);
        wt::DialogCapture capture;
        Form().Memo1->SetText("yesterday's tip");
        ShowAndClose();
        EXPECT_EQ(Form().Memo1->Text(), "yesterday's tip") << '"' << number << '"';
        EXPECT_EQ(BNumero(), number);
        EXPECT_TRUE(capture.Errors().empty()) << '"' << number << '"';
    }
    // At the first showing the memo is empty and stays so.
    form_.reset();
    SetConfiguration(today, "999");
    ShowAndClose();
    EXPECT_EQ(Form().Memo1->Text(), "");
}

TEST_F(TipTest, EachLineBreakOfTheTipStartsANewLine) {
    SetTips({{"1", "First line.\r\nSecond line.\nThird line."}});
    Draws({1});
    ShowAndClose();
    EXPECT_EQ(Form().Memo1->Lines(),
              (std::vector<std::string>{"First line.", "Second line.", "Third line."}));
}

// Where a phrase's characters lie in a text: its marks where it occurs, '.' elsewhere.
std::string Expected(const std::string& text, const std::string& phrase, char mark) {
    std::string marks(text.size(), '.');
    for (auto at = text.find(phrase); at != std::string::npos; at = text.find(phrase, at + 1))
        marks.replace(at, phrase.size(), phrase.size(), mark);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n')
            marks[i] = '/';
    }
    return marks;
}

TEST_F(TipTest, TheCreditsShowTheirEmphasisAtEveryShowing) {
    TFFrase& f = Form();
    const std::string credits = f.RichEdit1->Text();
    EXPECT_NE(credits.find(TFFrase::kFreeOfCharge), std::string::npos);
    EXPECT_NE(credits.find(TFFrase::kCreditsHeading), std::string::npos);
    EXPECT_EQ(std::string(TFFrase::kCreditsHeading).front(), '*');
    EXPECT_EQ(std::string(TFFrase::kCreditsHeading).back(), '*');
    EXPECT_TRUE(credits.ends_with("The Veloria developers"));

    std::string expected = Expected(credits, TFFrase::kFreeOfCharge, 'U');
    const std::string heading = Expected(credits, TFFrase::kCreditsHeading, 'L');
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (heading[i] == 'L')
            expected[i] = 'L';
    }
    for (int showing = 0; showing < 2; ++showing) {
        int selStart = -1, selLength = -1;
        ShowAndClose([&] {
            selStart = f.RichEdit1->SelStart();
            selLength = f.RichEdit1->SelLength();
        });
        EXPECT_EQ(selStart, 3);
        EXPECT_EQ(selLength, 0);
        EXPECT_EQ(Marks(*f.RichEdit1), expected) << "showing " << showing + 1;
        EXPECT_EQ(f.RichEdit1->Text(), credits);
        EXPECT_EQ(f.RichEdit1->Color(), widgets::RGB(236, 245, 255));
        EXPECT_EQ(f.StaticText1->Color(), widgets::RGB(236, 245, 255));
    }
}

TEST_F(TipTest, CreditsWithoutThePhraseShowNoUnderline) {
    TFFrase& f = Form();
    const std::string credits =
        std::string("A free program.\r\n") + TFFrase::kCreditsHeading + "\r\nprograma gratuito";
    f.RichEdit1->SetText(credits);
    ShowAndClose();
    const std::string marks = Marks(*f.RichEdit1);
    EXPECT_EQ(marks.find('U'), std::string::npos) << marks;
    EXPECT_EQ(marks, Expected(credits, TFFrase::kCreditsHeading, 'L'));
}

TEST_F(TipTest, OkEnterAndEscapeCloseTheWindowAndTheAddressOpensThePage) {
    TFFrase& f = Form();
    wt::DialogCapture capture;
    bool shown = false;
    // OK has the focus when the window opens: Enter presses it.
    wt::WhenModal(f, [&] {
        shown = true;
        EXPECT_TRUE(f.dxButton1->Focused());
        wt::Click(*f.StaticText1);
        wt::KeyClick(f, Qt::Key_Return);
    });
    f.ShowModal();
    EXPECT_TRUE(shown);
    EXPECT_FALSE(f.Visible());
    EXPECT_EQ(capture.Opened(), std::vector<std::string>{f.StaticText1->Caption()});
    EXPECT_EQ(f.StaticText1->Caption(), "www.veloria.example.org");

    wt::WhenModal(f, [&] { wt::KeyClick(f, Qt::Key_Escape); });
    f.ShowModal();
    EXPECT_FALSE(f.Visible());
}

TEST_F(TipTest, OnlyTheCreditsFollowTheWindowsWidth) {
    TFFrase& f = Form();
    EXPECT_EQ(f.ClientWidth(), 506);
    EXPECT_EQ(f.ClientHeight(), 487);
    std::vector<QRect> before;
    std::vector<widgets::TControl*> others = {f.Image2, f.Image1,      f.Bevel1,   f.Image3,
                                              f.Memo1,  f.StaticText1, f.dxButton1};
    for (auto* c : others)
        before.push_back(c->Widget().geometry());
    ShowAndClose([&] {
        f.resize(f.width() + 40, f.height() + 20);
        wt::ProcessEvents();
        EXPECT_EQ(f.RichEdit1->Widget().geometry(), QRect(40, 245, 465, 196));
        for (std::size_t i = 0; i < others.size(); ++i)
            EXPECT_EQ(others[i]->Widget().geometry(), before[i]) << others[i]->Name();
    });
    EXPECT_EQ(before[4], QRect(22, 83, 462, 157));
    EXPECT_EQ(before[5], QRect(183, 418, 145, 20));
    EXPECT_EQ(before[6], QRect(213, 455, 81, 25));
}

}  // namespace
}  // namespace veloria::test
