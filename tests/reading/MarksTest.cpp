// Why a sentence is a hit, as both reading windows show it: the words the search matched marked in
// the sentence, and the current sentence set apart in its paragraph; never part of the text or of
// what is copied.
#include <gtest/gtest.h>

#include "reading/PaDesplegar.h"
#include "reading/Principal.h"
#include "search/PaBuscar.h"
#include "tests/reading/ProgramFixture.h"
#include "widgets/Application.h"
#include "widgets/Look.h"
#include "widgets/TextMarks.h"

namespace veloria::test {
namespace {

namespace t = widgets::testing;
using widgets::TMemo;
using widgets::TTextMark;

enum class Mode { AnyOrder, ExactWord, ExactPhrase };

// A search run from the main window as the user runs it.
void Search(TForm1& f, std::string_view words, Mode mode) {
    t::WhenModal(*FBuscar, [&] {
        t::Click(mode == Mode::ExactPhrase ? *FBuscar->ChFraseE : *FBuscar->ChPalabraOr);
        if (mode == Mode::ExactWord)
            t::Click(*FBuscar->ChPalabraEx);
        t::Click(*FBuscar->Edit1);
        t::TypeText(*FBuscar, words);
        t::KeyClick(*FBuscar, Qt::Key_Return);
        t::KeyClick(*FBuscar, Qt::Key_Return);
    });
    t::Click(*f.Boton1);
}

// The texts of the box's marks of what the search matched.
std::vector<std::string> Matched(const TMemo& memo) {
    std::vector<std::string> out;
    const std::string text = memo.Text();
    for (const TTextMark& m : memo.Marks()) {
        if (m.background == widgets::Look().matchBackground)
            out.push_back(text.substr(std::size_t(m.start), std::size_t(m.length)));
    }
    return out;
}

// The paragraph window's text as opened on the current hit, with its marks: the current sentence
// and what the search matched in it.
struct Paragraph {
    std::string text, current;
    std::vector<std::string> matched;
    std::string copied, copiedSelection;
};

Paragraph OpenParagraph(TForm1& f) {
    Paragraph p;
    t::WhenModal(*FDesplegar, [&] {
        TMemo& memo = *FDesplegar->Memo1;
        p.text = memo.Text();
        for (const TTextMark& m : memo.Marks()) {
            if (m.background == widgets::Look().currentBackground)
                p.current = p.text.substr(std::size_t(m.start), std::size_t(m.length));
        }
        p.matched = Matched(memo);
        t::Click(*FDesplegar->dxButton1);
        p.copied = widgets::Clipboard().AsText();
        memo.SetSelStart(5);
        memo.SetSelLength(6);
        t::Click(*FDesplegar->dxButton1);
        p.copiedSelection = widgets::Clipboard().AsText();
        t::KeyClick(*FDesplegar, Qt::Key_Escape);
    });
    t::Click(*f.dxButton6);
    return p;
}

using Texts = std::vector<std::string>;

TEST_F(ProgramTest, EachModeMarksWhatItMatchedInTheSentence) {
    SetHits({{"T", "1"}});
    Start();
    Search(F(), "sent of", Mode::AnyOrder);
    EXPECT_EQ(F().Memo1->Text(), "First sentence of the text.");
    EXPECT_EQ(Matched(*F().Memo1), (Texts{"sent", "of"}));
    // Moving to the next hit marks that sentence.
    Search(F(), "sent", Mode::AnyOrder);
    t::Click(*F().dxButton9);
    EXPECT_EQ(F().Memo1->Text(), "Second sentence.");
    EXPECT_EQ(Matched(*F().Memo1), (Texts{"sent"}));

    Search(F(), "THE", Mode::ExactWord);
    EXPECT_EQ(F().Memo1->Text(), "First sentence of the text.");
    EXPECT_EQ(Matched(*F().Memo1), (Texts{"the"}));

    Search(F(), "sixth the", Mode::ExactPhrase);
    EXPECT_EQ(F().Label7->Caption(), "1 / 1 References");
    EXPECT_EQ(Matched(*F().Memo1), (Texts{"Sixth, the"}));
    // The text is the sentence as stored, marks or not.
    EXPECT_EQ(F().Memo1->Text(), "Sixth, the last of the volume.");
}

TEST_F(ProgramTest, ResultsOfAnEarlierRunAreShownWithoutMarks) {
    SetHits({{"T", "3"}});
    Start();
    EXPECT_EQ(F().Memo1->Text(), "  Third sentence.  ");
    EXPECT_TRUE(F().Memo1->Marks().empty());
    const Paragraph p = OpenParagraph(F());
    EXPECT_EQ(p.current, "Third sentence.");
    EXPECT_TRUE(p.matched.empty());
    // A search that is refused (a blank query) leaves the results, and so nothing to mark.
    Search(F(), "   ", Mode::AnyOrder);
    EXPECT_TRUE(F().Memo1->Marks().empty());
}

TEST_F(ProgramTest, CopyIsTheSameWithMarksAsWithout) {
    SetHits({{"T", "2"}});
    Start();
    Search(F(), "second", Mode::AnyOrder);
    ASSERT_EQ(Matched(*F().Memo1), (Texts{"Second"}));
    t::Click(*F().dxButton4);
    EXPECT_EQ(widgets::Clipboard().AsText(), "Second sentence. (T-1.2)");
    t::Click(*F().Memo1);
    F().Memo1->SetSelStart(3);
    F().Memo1->SetSelLength(8);
    t::KeyClick(F(), Qt::Key_C, Qt::AltModifier);
    EXPECT_EQ(widgets::Clipboard().AsText(), "ond sent");

    const Paragraph p = OpenParagraph(F());
    EXPECT_EQ(p.text, "     Second sentence. Third sentence. Fourth.");
    EXPECT_EQ(p.copied, p.text);
    EXPECT_EQ(p.copiedSelection, "Second");
}

TEST_F(ProgramTest, TheParagraphSetsTheCurrentSentenceApartWhereverItStands) {
    SetHits({{"T", "1"}, {"T", "3"}, {"T", "4"}, {"T", "6"}, {"S", "1"}});
    Start();
    Search(F(), "sentence", Mode::AnyOrder);
    // The first sentence of the volume, a paragraph of its own.
    Paragraph p = OpenParagraph(F());
    EXPECT_EQ(p.text, "      First sentence of the text.");
    EXPECT_EQ(p.current, "First sentence of the text.");
    EXPECT_EQ(p.matched, (Texts{"sentence"}));
    // In the middle of a paragraph; the stored blanks around it are not part of it.
    t::Click(*F().dxButton9);
    t::Click(*F().dxButton9);
    p = OpenParagraph(F());
    EXPECT_EQ(p.text, "     Second sentence. Third sentence. Fourth.");
    EXPECT_EQ(p.current, "Third sentence.");
    EXPECT_EQ(p.matched, (Texts{"sentence"}));

    // The last of its paragraph, and the last of the volume.
    Search(F(), "fourth", Mode::AnyOrder);
    EXPECT_EQ(OpenParagraph(F()).current, "Fourth.");
    Search(F(), "last volume", Mode::AnyOrder);
    p = OpenParagraph(F());
    EXPECT_EQ(p.text, "     Fifth. Sixth, the last of the volume.");
    EXPECT_EQ(p.current, "Sixth, the last of the volume.");
    EXPECT_EQ(p.matched, (Texts{"last", "volume"}));
    // The only sentence of a volume is its first and its last.
    Search(F(), "song", Mode::AnyOrder);
    p = OpenParagraph(F());
    EXPECT_EQ(p.current, "A song sentence.");
    EXPECT_EQ(p.matched, (Texts{"song"}));
}

}  // namespace
}  // namespace veloria::test
