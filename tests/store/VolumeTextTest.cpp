#include "store/VolumeText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/SearchForm.h"
#include "tests/store/TempDir.h"

namespace veloria::store {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// Numero, Umemo, Referencia, Pagina, Biblia, Num_I, Parrafo2, with the computed search form.
std::vector<std::string> Row(int numero, std::string umemo, std::string referencia, int pagina,
                             int numI, int parrafo, std::string biblia = "") {
    const auto form = SplitSearchForm(SearchForm(umemo)).value();
    return {std::to_string(numero),
            umemo,
            referencia,
            std::to_string(pagina),
            biblia,
            std::to_string(numI),
            std::to_string(parrafo),
            form[0],
            form[1],
            form[2],
            form[3]};
}

// The Text: two chapters, the first of two sections; the Workbook's references share the
// Text's beginnings as far as "1".
class VolumeTextTest : public ::testing::Test {
  protected:
    static bool Write(const std::filesystem::path& d) {
        using testing::WriteTable;
        WriteTable(d, "LTexto.DB",
                   {Row(1, " One. ", "T-1.1.1:1", 1, 1, 1),
                    Row(2, "Two,\r\non two lines.", "T-1.1.1:2", 1, 1, 1, "4"),
                    Row(3, "Three.", "T-1.1.2:1", 2, 1, 2), Row(4, "Four.", "T-1.2.1:1", 2, 2, 2),
                    Row(5, "Five.", "T-1.20.1:1", 3, 3, 3), Row(6, "Six.", "T-2.1.1:1", 3, 4, 4)});
        WriteTable(d, "Indice_T.db",
                   {{"1", "Chapter 1", "Introduction"},
                    {"2", "Chapter 1", "1. Second"},
                    {"3", "Chapter 1", ""},
                    {"4", "Chapter 2", "Introduction"},
                    {"5", "Chapter 2", "Without sentences"}});
        WriteTable(d, "LEjercicio.DB", {Row(1, "Lesson.", "T-1.1.1:1x", 1, 1, 1)});
        WriteTable(d, "Indice_E.db", {{"1", "PART I", "Lesson 1"}});
        for (auto [book, index] :
             {std::pair{"Maestro.DB", "Indice_M.db"}, std::pair{"LPsico.DB", "Indice_P.db"},
              std::pair{"LOracion.DB", "Indice_S.db"}}) {
            WriteTable(d, book, {});
            WriteTable(d, index, {});
        }
        return true;
    }

    testing::TempDir dir_;
    bool written_ = Write(dir_.path());
    VolumeTables tables_{VolumeTables::Headings::With, dir_.path()};
    VolumeText text_{tables_['T']};
    VolumeText workbook_{tables_['E']};
    VolumeText manual_{tables_['M']};
};

std::vector<BlockId> AllBlocks(VolumeText& v) {
    std::vector<BlockId> blocks{v.FirstBlock()};
    while (const auto next = v.NextBlock(blocks.back()))
        blocks.push_back(*next);
    return blocks;
}

TEST_F(VolumeTextTest, HeadingsStandWhereAChapterAndASectionBeginAndParagraphsFollow) {
    using enum BlockKind;
    const std::vector<BlockId> expected = {
        {1, Chapter},   {1, Section},   {1, Paragraph}, {3, Paragraph}, {4, Section},
        {4, Paragraph}, {5, Paragraph}, {6, Chapter},   {6, Section},   {6, Paragraph}};
    // Row 3 starts a paragraph of its own; section 3 has no heading line; a chapter line is
    // shown where it changes only.
    EXPECT_EQ(AllBlocks(text_), expected);
    std::vector<BlockId> backwards{text_.LastBlock()};
    while (const auto prior = text_.PriorBlock(backwards.front()))
        backwards.insert(backwards.begin(), *prior);
    EXPECT_EQ(backwards, expected);
    EXPECT_EQ(text_.BlockAt(2), (BlockId{1, Chapter}));
    EXPECT_EQ(text_.BlockAt(5), (BlockId{5, Paragraph}));
    EXPECT_EQ(text_.MakeBlock({4, Section}).text, "1. Second");
    EXPECT_EQ(text_.MakeBlock({1, Chapter}).text, "Chapter 1");
}

TEST_F(VolumeTextTest, AParagraphJoinsItsTrimmedSentencesWithOneBlank) {
    const Block block = text_.MakeBlock({1, BlockKind::Paragraph});
    EXPECT_EQ(block.text, "One. Two,\non two lines.");
    ASSERT_EQ(block.sentences.size(), 2u);
    EXPECT_EQ(block.sentences[0].row, 1);
    EXPECT_EQ(block.text.substr(std::size_t(block.sentences[1].begin),
                                std::size_t(block.sentences[1].length)),
              "Two,\non two lines.");
    EXPECT_TRUE(text_.CitesBible(2));
    EXPECT_FALSE(text_.CitesBible(1));
}

TEST_F(VolumeTextTest, MovesByParagraphSectionAndPageStopAtTheEnds) {
    EXPECT_EQ(text_.NextParagraph(1), 3);
    EXPECT_EQ(text_.NextParagraph(2), 3);
    // A new section is a new paragraph even when Parrafo2 goes on.
    EXPECT_EQ(text_.NextParagraph(3), 4);
    EXPECT_EQ(text_.PriorParagraph(4), 3);
    EXPECT_EQ(text_.PriorParagraph(2), 0);
    EXPECT_EQ(text_.NextParagraph(6), 0);
    EXPECT_EQ(text_.NextSection(2), 4);
    EXPECT_EQ(text_.PriorSection(5), 4);
    EXPECT_EQ(text_.PriorSection(3), 0);
    EXPECT_EQ(text_.NextSection(6), 0);
    EXPECT_TRUE(text_.StartsPage(1));
    EXPECT_FALSE(text_.StartsPage(2));
    EXPECT_TRUE(text_.StartsPage(3));
    EXPECT_EQ(text_.RowOf("5"), 5);
    EXPECT_EQ(text_.RowOf("50"), 0);
}

TEST_F(VolumeTextTest, TheContentsGroupSectionsByChapterWithTheirFirstSentences) {
    const auto& chapters = text_.Contents();
    ASSERT_EQ(chapters.size(), 2u);
    EXPECT_EQ(chapters[0].title, "Chapter 1");
    ASSERT_EQ(chapters[0].sections.size(), 3u);
    EXPECT_EQ(chapters[0].sections[1].title, "1. Second");
    EXPECT_EQ(chapters[0].sections[1].firstRow, 4);
    ASSERT_EQ(chapters[1].sections.size(), 2u);
    EXPECT_EQ(chapters[1].sections[0].firstRow, 6);
    EXPECT_EQ(chapters[1].sections[1].firstRow, 0);
    // An empty volume has no blocks to walk and no contents.
    EXPECT_TRUE(manual_.Contents().empty());
    EXPECT_FALSE(manual_.NextBlock(manual_.FirstBlock()));
}

TEST_F(VolumeTextTest, AReferenceIsFoundWholeOrByItsBeginning) {
    std::vector<VolumeText*> volumes = {&workbook_, &text_};
    auto find = [&](std::string_view typed) -> std::string {
        const auto place = FindReference(volumes, typed);
        return place ? std::string(1, place->code) + std::to_string(place->row) : "none";
    };
    // Whole, in any volume, before any beginning; blanks around and the case do not count.
    EXPECT_EQ(find("T-1.1.1:2"), "T2");
    EXPECT_EQ(find("  t-1.1.2:1 "), "T3");
    // A beginning: the first sentence whose reference begins so, in the volumes' order.
    EXPECT_EQ(find("T-1.2"), "T4");
    EXPECT_EQ(find("T-2"), "T6");
    EXPECT_EQ(find("T-1.1.1:1x"), "E1");
    EXPECT_EQ(find("T-1.1.1"), "E1");
    EXPECT_EQ(find("T-1.20"), "T5");
    // "T-1.1.1:1" is no beginning of "T-1.1.1:1x": a number runs on there.
    volumes = {&workbook_};
    EXPECT_EQ(find("T-1.1.1:1"), "none");
    volumes = {&text_};
    EXPECT_EQ(find("T-1.1.1:1"), "T1");
    EXPECT_EQ(find("T-3"), "none");
    EXPECT_EQ(find("T-1.1.1:"), "T1");
    EXPECT_EQ(find("   "), "none");
    EXPECT_EQ(find("T-1.1.1:10"), "none");
}

}  // namespace
}  // namespace veloria::store
