#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/VolumeTables.h"

namespace veloria::store {

// What running text is made of: the headings that stand where a chapter and a section begin, and
// the paragraphs. A block is named by the first sentence row of the place it stands at and its
// kind; at one row the chapter heading comes first, then the section heading, then the paragraph.
enum class BlockKind { Chapter, Section, Paragraph };

struct BlockId {
    int row = 0;
    BlockKind kind = BlockKind::Paragraph;
    friend auto operator<=>(const BlockId&, const BlockId&) = default;
};

// A sentence inside a paragraph's text: its row and where its text stands (0-based offset).
struct SentenceSpan {
    int row = 0;
    int begin = 0;
    int length = 0;
    int End() const { return begin + length; }
};

// A block's text as it is read and copied: a heading line, or the paragraph's sentences each
// trimmed and joined by one blank (as the paragraph window joins them), every line break a single
// '\n'.
struct Block {
    BlockId id;
    std::string text;
    std::vector<SentenceSpan> sentences;  // paragraphs only
};

// A section of the contents: its heading line, its key in the index table, its first sentence (0
// when no sentence of the volume belongs to it).
struct ContentsSection {
    std::string title;
    std::string numI;
    int firstRow = 0;
};

// A chapter of the contents: a run of sections with the same chapter line.
struct ContentsChapter {
    std::string title;
    std::vector<ContentsSection> sections;
};

// One volume read as running text, over a volume's handles on its book and index tables (with
// headings). Sentences are named by their row in reading order, counted from 1 as RecNo counts
// them. Reading a row moves no cursor; the lookups by key (RowOf, the headings) move the handle
// they look in. Every sentence starts a paragraph whose Parrafo2 differs from the sentence's
// before it, and a section whose Num_I does: a paragraph never runs across a section.
class VolumeText {
  public:
    explicit VolumeText(VolumeTables::Entry& volume);

    const Volume& Info() const { return entry_.volume; }
    int Rows() const { return entry_.book.RowCount(); }

    // A row's fields as stored ("" outside the volume).
    std::string_view Numero(int row) const { return Cell(row, numero_); }
    std::string_view Sentence(int row) const { return Cell(row, umemo_); }
    std::string_view Reference(int row) const { return Cell(row, referencia_); }
    std::string_view Page(int row) const { return Cell(row, pagina_); }
    std::string_view Bible(int row) const { return Cell(row, biblia_); }
    std::string_view SectionKey(int row) const { return Cell(row, numI_); }
    bool CitesBible(int row) const;

    // The row of the sentence of that number, or 0.
    int RowOf(std::string_view numero);

    bool StartsParagraph(int row) const;
    bool StartsSection(int row) const;
    // The volumes whose page is shown mark the sentence that begins a page (the first one too).
    bool StartsPage(int row) const;

    int ParagraphFirst(int row) const;
    int ParagraphLast(int row) const;
    int SectionFirst(int row) const;
    // The first row of the next or the previous paragraph or section; 0 when there is none.
    int NextParagraph(int row) const;
    int PriorParagraph(int row) const;
    int NextSection(int row) const;
    int PriorSection(int row) const;

    // The two heading lines of a row's section, as the index table holds them; none when the
    // index has no row for its Num_I.
    struct Headings {
        std::string chapter;
        std::string section;
    };
    std::optional<Headings> HeadingsOf(int row);

    // The blocks in reading order: the first, the last, the one after or before (none past the
    // ends), and the first block that stands at a row's paragraph (its headings when the
    // paragraph begins a section).
    BlockId FirstBlock();
    BlockId LastBlock() const;
    std::optional<BlockId> NextBlock(BlockId id);
    std::optional<BlockId> PriorBlock(BlockId id);
    BlockId BlockAt(int row);
    Block MakeBlock(BlockId id);

    // The chapters and sections as the index table lists them, with each section's first
    // sentence; made once.
    const std::vector<ContentsChapter>& Contents();

    // The first row whose reference is the typed one, or begins with it, as FindReference
    // finds them; 0 for none. The typed text is trimmed and in capitals.
    int FindReferenceRow(std::string_view typed, bool whole);
    // Makes the list of references that lookup needs now, if it is not made.
    void PrepareReferences();

  private:
    std::string_view Cell(int row, int field) const;
    // The blocks that stand at a paragraph's first row, in order.
    std::vector<BlockId> BlocksAt(int row);

    VolumeTables::Entry& entry_;
    int numero_, umemo_, referencia_, pagina_, biblia_, numI_, parrafo_;
    std::optional<std::vector<ContentsChapter>> contents_;
    // Every reference, trimmed and in capitals, each between two '\0', in reading order, and
    // where each row's stands: one pass of a byte search finds a reference. Made at the first
    // lookup, again when the rows change.
    std::string references_;
    std::vector<std::uint32_t> referenceStarts_;
    std::uint64_t referencesVersion_ = 0;
};

// Where a reference leads in the five volumes: the volume's book code and the sentence's row.
struct ReferencePlace {
    char code = 0;
    int row = 0;
};

// The sentence a reference names, as it is printed ("T-4.4.2:10"), or the first sentence whose
// reference begins with what is given ("T-4.4" finds "T-4.4.1:1" and never "T-4.40.1:1": a
// beginning that ends in a letter or digit ends there in the reference too). Blanks around it do
// not count, nor the case of letters. A whole reference wins over a beginning; the volumes are
// tried in the order given. None for a text that is blank or leads nowhere.
std::optional<ReferencePlace> FindReference(std::span<VolumeText* const> volumes,
                                            std::string_view typed);

}  // namespace veloria::store
