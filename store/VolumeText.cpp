#include "store/VolumeText.h"

#include <string.h>

#include <algorithm>
#include <stdexcept>
#include <unordered_map>

#include "store/Text.h"

namespace veloria::store {
namespace {

int FieldOf(const Table& table, std::string_view name) {
    const int field = FieldIndex(table.Def(), name);
    if (field < 0)
        throw StoreError(std::string(table.Def().fileName) + " has no field " + std::string(name));
    return field;
}

// The text as a block holds it: trimmed, each line break (CR LF, CR or LF) one '\n'.
void AppendLines(std::string& out, std::string_view text) {
    text = TrimView(text);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += text[i];
        }
    }
}

char Fold(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

bool IsAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

VolumeText::VolumeText(VolumeTables::Entry& volume)
    : entry_(volume),
      numero_(FieldOf(volume.book, "Numero")),
      umemo_(FieldOf(volume.book, "Umemo")),
      referencia_(FieldOf(volume.book, "Referencia")),
      pagina_(FieldOf(volume.book, "Pagina")),
      biblia_(FieldOf(volume.book, "Biblia")),
      numI_(FieldOf(volume.book, "Num_I")),
      parrafo_(FieldOf(volume.book, "Parrafo2")) {
    if (!volume.index)
        throw std::logic_error("a volume read as text needs its headings");
}

std::string_view VolumeText::Cell(int row, int field) const {
    return entry_.book.CellView(row, field);
}

bool VolumeText::CitesBible(int row) const {
    return !TrimView(Bible(row)).empty();
}

int VolumeText::RowOf(std::string_view numero) {
    return entry_.book.FindKey(numero) ? entry_.book.RecNo() : 0;
}

bool VolumeText::StartsParagraph(int row) const {
    return row <= 1 || Cell(row, parrafo_) != Cell(row - 1, parrafo_) || StartsSection(row);
}

bool VolumeText::StartsSection(int row) const {
    return row <= 1 || Cell(row, numI_) != Cell(row - 1, numI_);
}

bool VolumeText::StartsPage(int row) const {
    if (!Info().pageShown || row < 1 || row > Rows() || TrimView(Page(row)).empty())
        return false;
    return row == 1 || Page(row) != Page(row - 1);
}

int VolumeText::ParagraphFirst(int row) const {
    while (row > 1 && !StartsParagraph(row))
        --row;
    return row;
}

int VolumeText::ParagraphLast(int row) const {
    const int rows = Rows();
    while (row < rows && !StartsParagraph(row + 1))
        ++row;
    return row;
}

int VolumeText::SectionFirst(int row) const {
    while (row > 1 && !StartsSection(row))
        --row;
    return row;
}

int VolumeText::NextParagraph(int row) const {
    const int next = ParagraphLast(row) + 1;
    return next <= Rows() ? next : 0;
}

int VolumeText::PriorParagraph(int row) const {
    const int first = ParagraphFirst(row);
    return first > 1 ? ParagraphFirst(first - 1) : 0;
}

int VolumeText::NextSection(int row) const {
    const int rows = Rows();
    for (++row; row <= rows; ++row) {
        if (StartsSection(row))
            return row;
    }
    return 0;
}

int VolumeText::PriorSection(int row) const {
    const int first = SectionFirst(row);
    return first > 1 ? SectionFirst(first - 1) : 0;
}

std::optional<VolumeText::Headings> VolumeText::HeadingsOf(int row) {
    Table& index = *entry_.index;
    if (row < 1 || row > Rows() || !index.FindKey(SectionKey(row)))
        return std::nullopt;
    return Headings{index.FieldAsString("Nom_1"), index.FieldAsString("Nom_2")};
}

std::vector<BlockId> VolumeText::BlocksAt(int row) {
    std::vector<BlockId> blocks;
    if (StartsSection(row)) {
        if (const auto headings = HeadingsOf(row)) {
            const std::string_view chapter = TrimView(headings->chapter);
            // A chapter line is shown where it changes, not above each of its sections.
            if (!chapter.empty()) {
                const auto before = HeadingsOf(row - 1);
                if (!before || TrimView(before->chapter) != chapter)
                    blocks.push_back({row, BlockKind::Chapter});
            }
            if (!TrimView(headings->section).empty())
                blocks.push_back({row, BlockKind::Section});
        }
    }
    blocks.push_back({row, BlockKind::Paragraph});
    return blocks;
}

BlockId VolumeText::FirstBlock() {
    return Rows() > 0 ? BlocksAt(1).front() : BlockId{0, BlockKind::Paragraph};
}

BlockId VolumeText::LastBlock() const {
    return {Rows() > 0 ? ParagraphFirst(Rows()) : 0, BlockKind::Paragraph};
}

std::optional<BlockId> VolumeText::NextBlock(BlockId id) {
    if (id.kind != BlockKind::Paragraph) {
        const std::vector<BlockId> here = BlocksAt(id.row);
        for (std::size_t i = 0; i + 1 < here.size(); ++i) {
            if (here[i] == id)
                return here[i + 1];
        }
    }
    const int next = id.row > 0 ? NextParagraph(id.row) : 0;
    if (next == 0)
        return std::nullopt;
    return BlocksAt(next).front();
}

std::optional<BlockId> VolumeText::PriorBlock(BlockId id) {
    if (id.row < 1)
        return std::nullopt;
    if (id.kind != BlockKind::Chapter) {
        const std::vector<BlockId> here = BlocksAt(id.row);
        for (std::size_t i = 1; i < here.size(); ++i) {
            if (here[i] == id)
                return here[i - 1];
        }
    }
    const int prior = PriorParagraph(id.row);
    if (prior == 0)
        return std::nullopt;
    return BlockId{prior, BlockKind::Paragraph};
}

BlockId VolumeText::BlockAt(int row) {
    if (Rows() == 0)
        return {0, BlockKind::Paragraph};
    return BlocksAt(ParagraphFirst(std::clamp(row, 1, Rows()))).front();
}

Block VolumeText::MakeBlock(BlockId id) {
    Block block{id, {}, {}};
    if (id.row < 1 || id.row > Rows())
        return block;
    if (id.kind != BlockKind::Paragraph) {
        if (const auto headings = HeadingsOf(id.row))
            AppendLines(block.text,
                        id.kind == BlockKind::Chapter ? headings->chapter : headings->section);
        return block;
    }
    const int last = ParagraphLast(id.row);
    for (int row = id.row; row <= last; ++row) {
        const std::string_view sentence = TrimView(Sentence(row));
        if (!block.text.empty() && !sentence.empty())
            block.text += ' ';
        const int begin = int(block.text.size());
        AppendLines(block.text, sentence);
        block.sentences.push_back({row, begin, int(block.text.size()) - begin});
    }
    return block;
}

const std::vector<ContentsChapter>& VolumeText::Contents() {
    if (contents_)
        return *contents_;
    // Each section's first sentence, from one pass over the volume.
    std::unordered_map<std::string, int> firstRows;
    const int rows = Rows();
    for (int row = 1; row <= rows; ++row) {
        if (StartsSection(row))
            firstRows.try_emplace(std::string(SectionKey(row)), row);
    }
    const Table& index = *entry_.index;
    const int numI = FieldOf(index, "Num_I"), nom1 = FieldOf(index, "Nom_1"),
              nom2 = FieldOf(index, "Nom_2");
    std::vector<ContentsChapter> chapters;
    for (int r = 1; r <= index.RowCount(); ++r) {
        const std::string chapter = Trim(index.CellView(r, nom1));
        if (chapters.empty() || chapters.back().title != chapter)
            chapters.push_back({chapter, {}});
        const std::string key(index.CellView(r, numI));
        const auto first = firstRows.find(key);
        chapters.back().sections.push_back(
            {Trim(index.CellView(r, nom2)), key, first == firstRows.end() ? 0 : first->second});
    }
    contents_ = std::move(chapters);
    return *contents_;
}

void VolumeText::PrepareReferences() {
    const Table& book = entry_.book;
    if (referencesVersion_ == book.DataVersion() && !referenceStarts_.empty())
        return;
    references_.clear();
    referenceStarts_.clear();
    references_ += '\0';
    for (int row = 1; row <= Rows(); ++row) {
        referenceStarts_.push_back(std::uint32_t(references_.size()));
        for (char c : TrimView(Reference(row)))
            references_ += Fold(c);
        references_ += '\0';
    }
    referencesVersion_ = book.DataVersion();
}

int VolumeText::FindReferenceRow(std::string_view typed, bool whole) {
    if (typed.empty() || typed.find('\0') != std::string_view::npos)
        return 0;
    PrepareReferences();
    std::string pattern(1, '\0');
    pattern += typed;
    if (whole)
        pattern += '\0';
    const char* const begin = references_.data();
    const char* const end = begin + references_.size();
    for (const char* at = begin; at < end;) {
        const void* found = memmem(at, std::size_t(end - at), pattern.data(), pattern.size());
        if (!found)
            return 0;
        const char* hit = static_cast<const char*>(found);
        // A beginning that ends in a letter or digit ends there in the reference too. (The
        // reference goes on to its closing '\0' at least.)
        if (whole || !IsAlnum(typed.back()) || !IsAlnum(hit[pattern.size()])) {
            const auto row = std::upper_bound(referenceStarts_.begin(), referenceStarts_.end(),
                                              std::uint32_t(hit - begin + 1)) -
                             referenceStarts_.begin();
            return int(row);
        }
        at = hit + 1;
    }
    return 0;
}

std::optional<ReferencePlace> FindReference(std::span<VolumeText* const> volumes,
                                            std::string_view typed) {
    typed = TrimView(typed);
    if (typed.empty())
        return std::nullopt;
    std::string folded;
    for (char c : typed)
        folded += Fold(c);
    for (const bool whole : {true, false}) {
        for (VolumeText* volume : volumes) {
            if (const int row = volume->FindReferenceRow(folded, whole))
                return ReferencePlace{volume->Info().code, row};
        }
    }
    return std::nullopt;
}

}  // namespace veloria::store
