#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "glossary/Markup.h"
#include "tests/glossary/Marks.h"
#include "widgets/Memo.h"

namespace veloria::glossary {
namespace {

using test::Marks;
using widgets::TRichEdit;

class MarkupTest : public ::testing::Test {
  protected:
    TRichEdit& Box(const std::string& text) {
        box_->SetText(text);
        return *box_;
    }
    std::unique_ptr<TRichEdit> box_ = std::make_unique<TRichEdit>(nullptr);
};

std::string Groups(int g1, int g2 = 0, int g3 = 0, int g4 = 0, int g5 = 0, int g6 = 0, int g7 = 0,
                   int g8 = 0, int g9 = 0) {
    std::string s;
    for (int g : {g1, g2, g3, g4, g5, g6, g7, g8, g9})
        s += ZeroPad(std::to_string(g), 3);
    return s;
}

const std::string k40(40, 'x');

TEST(HashToBlank, EveryMarkerBecomesOneBlank) {
    EXPECT_EQ(HashToBlank("A#B##C"), "A B  C");
    EXPECT_EQ(HashToBlank(""), "");
    EXPECT_EQ(HashToBlank("##"), "  ");
    // Windows-1252 letters and line breaks pass unchanged.
    EXPECT_EQ(HashToBlank("\xe9t\xe9#\r\n#"), "\xe9t\xe9 \r\n ");
}

TEST(ZeroPad, PadsToTheWidthAndNeverCuts) {
    EXPECT_EQ(ZeroPad("7", 3), "007");
    EXPECT_EQ(ZeroPad("42", 3), "042");
    EXPECT_EQ(ZeroPad("880", 3), "880");
    EXPECT_EQ(ZeroPad("1234", 3), "1234");
    EXPECT_EQ(ZeroPad("", 3), "000");
    EXPECT_EQ(ZeroPad("5", 0), "5");
    EXPECT_EQ(ZeroPad("5", -2), "5");
}

TEST_F(MarkupTest, FirstGroupAloneMarksTwentyOneCharactersAndLeavesTheCaretAtOne) {
    TRichEdit& box = Box(k40);
    HighlightByPositions(box, Groups(1));
    EXPECT_EQ(Marks(box), std::string(21, 'R') + std::string(19, '.'));
    box.SetSelStart(7);
    HighlightByPositions(box, Groups(0, 0, 0, 0, 0, 0, 0, 0, 0));
    EXPECT_EQ(box.SelStart(), 7);  // nothing marked, caret untouched

    TRichEdit& again = Box(k40);
    HighlightByPositions(again, Groups(3));
    EXPECT_EQ(again.SelStart(), 1);
    EXPECT_EQ(again.SelLength(), 0);
    EXPECT_EQ(again.Text(), k40);
}

TEST_F(MarkupTest, EachGroupHasItsOwnSpanLength) {
    const int lengths[] = {21, 13, 19, 21, 9, 8, 11, 4, 5};
    for (int g = 0; g < 9; ++g) {
        int groups[9] = {};
        groups[g] = 2;
        TRichEdit& box = Box(k40);
        HighlightByPositions(box, Groups(groups[0], groups[1], groups[2], groups[3], groups[4],
                                         groups[5], groups[6], groups[7], groups[8]));
        EXPECT_EQ(Marks(box), "." + std::string(std::size_t(lengths[g]), 'R') +
                                  std::string(std::size_t(39 - lengths[g]), '.'))
            << "group " << g + 1;
    }
}

TEST_F(MarkupTest, NoMarkersMarkNothing) {
    for (const std::string& markers : {Groups(0), std::string(), std::string("   "),
                                       std::string("\t\r\n "), std::string(27, ' ')}) {
        TRichEdit& box = Box(k40);
        box.SetSelStart(9);
        HighlightByPositions(box, markers);
        EXPECT_EQ(Marks(box), std::string(40, '.')) << '"' << markers << '"';
        box.SetSelStart(9);
        HighlightByPositions(box, markers);
        EXPECT_EQ(box.SelStart(), 9);
    }
}

TEST_F(MarkupTest, OverlappingSpansAndSpansPastTheEnd) {
    TRichEdit& box = Box(std::string(30, 'x'));
    // Group 1 (21 from 1) and group 2 (13 from 10) overlap; group 9 (5 from 28) runs past the
    // end; group 8 starts beyond it.
    HighlightByPositions(box, Groups(1, 10, 0, 0, 0, 0, 0, 99, 28));
    EXPECT_EQ(Marks(box), std::string(22, 'R') + "....." + "RRR");
    EXPECT_EQ(box.Text(), std::string(30, 'x'));

    TRichEdit& oneChar = Box("x");
    HighlightByPositions(oneChar, Groups(1, 1, 2));
    EXPECT_EQ(Marks(oneChar), "R");

    TRichEdit& empty = Box("");
    HighlightByPositions(empty, Groups(1, 5, 9, 13, 17, 21, 25, 29, 33));
    EXPECT_EQ(empty.Text(), "");
    EXPECT_EQ(empty.SelStart(), 0);
}

TEST_F(MarkupTest, ShortOrNonDigitMarkersMarkTheGroupsThatAreThere) {
    TRichEdit& shortOne = Box(k40);
    HighlightByPositions(shortOne, "003");  // group 1 only
    EXPECT_EQ(Marks(shortOne), ".." + std::string(21, 'R') + std::string(17, '.'));

    TRichEdit& cut = Box(k40);
    HighlightByPositions(cut, "00000");  // no whole group
    EXPECT_EQ(Marks(cut), std::string(40, '.'));

    TRichEdit& letters = Box(k40);
    // Group 1 is not three digits, group 2 (13 from 5) is; the rest are junk or signs.
    HighlightByPositions(letters, "0a1005-01+01 01xyz\xff\xff\xff");
    EXPECT_EQ(Marks(letters), "...." + std::string(13, 'R') + std::string(23, '.'));
}

TEST_F(MarkupTest, PositionsCountTheStoredLineBreaks) {
    // a0 b1 CR2 LF3 c4 d5 e6 f7 g8 h9 LF10 i11 j12 k13 l14
    TRichEdit& box = Box("ab\r\ncdefgh\nijkl");
    HighlightByPositions(box, Groups(0, 0, 0, 0, 0, 0, 0, 5));  // group 8: 4 from 5
    EXPECT_EQ(Marks(box), "..//RRRR../....");
    TRichEdit& across = Box("ab\r\ncdefgh\nijkl");
    HighlightByPositions(across, Groups(0, 0, 0, 0, 0, 0, 0, 2, 9));  // 4 from 2, 5 from 9
    EXPECT_EQ(Marks(across), ".R//R...RR/RR..");
}

TEST_F(MarkupTest, BoldColourAllMarksEveryOccurrence) {
    TRichEdit& box = Box("one two one three one");
    BoldColourAll(box, "one");
    EXPECT_EQ(Marks(box), "LLL.....LLL.......LLL");
    EXPECT_EQ(box.Text(), "one two one three one");

    TRichEdit& overlap = Box("AAA");
    BoldColourAll(overlap, "AA");
    EXPECT_EQ(Marks(overlap), "LL.");

    TRichEdit& four = Box("AAAA");
    BoldColourAll(four, "AA");
    EXPECT_EQ(Marks(four), "LLLL");

    TRichEdit& caseSensitive = Box("One one ONE");
    BoldColourAll(caseSensitive, "one");
    EXPECT_EQ(Marks(caseSensitive), "....LLL....");

    TRichEdit& absent = Box("nothing here");
    absent.SetSelStart(4);
    BoldColourAll(absent, "missing");
    EXPECT_EQ(Marks(absent), std::string(12, '.'));
}

TEST_F(MarkupTest, OccurrencesAreFoundAtTheirStoredPositionsAcrossLineBreaks) {
    TRichEdit& box = Box("x\r\nfoo\r\n\r\nfoo\nfoo");
    BoldColourAll(box, "foo");
    EXPECT_EQ(Marks(box),
              "."
              "//LLL////LLL/LLL");
    // A phrase that holds a line break.
    TRichEdit& spanning = Box("ab\r\ncd ab\r\ncd");
    BoldColourAll(spanning, "b\r\nc");
    EXPECT_EQ(Marks(spanning), ".L//L...L//L.");
}

TEST_F(MarkupTest, OddPhrasesEndAndChangeNoText) {
    TRichEdit& single = Box("banana");
    BoldColourAll(single, "a");
    EXPECT_EQ(Marks(single), ".L.L.L");

    TRichEdit& highBytes = Box("\xff\xff\xff x");
    UnderlineAll(highBytes, "\xff\xff");  // the byte the search itself writes
    EXPECT_EQ(highBytes.Text(), "\xff\xff\xff x");
    EXPECT_EQ(Marks(highBytes), "UU...");
    TRichEdit& notThePhrase = Box("\377aaa");
    BoldColourAll(notThePhrase, "\377aa");
    EXPECT_EQ(Marks(notThePhrase), "LLL.");

    TRichEdit& empty = Box("");
    BoldColourAll(empty, "ab");
    UnderlineAll(empty, "a");
    EXPECT_EQ(empty.Text(), "");

    TRichEdit& noPhrase = Box("text");
    BoldColourAll(noPhrase, "");
    EXPECT_EQ(Marks(noPhrase), "....");

    TRichEdit& longer = Box("ab");
    UnderlineAll(longer, "abc");
    EXPECT_EQ(Marks(longer), "..");
}

TEST_F(MarkupTest, UnderlineReplacesTheStyleAndKeepsTheColour) {
    TRichEdit& box = Box("a free program and free again");
    HighlightByPositions(box, Groups(3));  // "free program and free" bold red
    UnderlineAll(box, "free");
    EXPECT_EQ(Marks(box),
              ".."
              "uuuu" +
                  std::string(13, 'R') +
                  "uuuu"
                  "......");
}

}  // namespace
}  // namespace veloria::glossary
