#include "reader/ContentsTree.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>

#include "store/Text.h"
#include "widgets/QtText.h"

namespace veloria::reader {
namespace {

// Volume, chapter and section, each counted from 1 in its own bits (0: none).
constexpr quintptr kVolumeBits = 4;
constexpr quintptr kChapterBits = 20;

quintptr Encode(int volume, int chapter, int section) {
    return quintptr(volume + 1) | (quintptr(chapter + 1) << kVolumeBits) |
           (quintptr(section + 1) << (kVolumeBits + kChapterBits));
}

// Whether a word of the entry begins with the typed text, both as the search folds them.
bool HasWordStarting(const QString& entry, const std::string& typed) {
    const std::string folded = store::NormaliseSearchText(widgets::FromQString(entry));
    for (std::size_t at = folded.find(typed); at != std::string::npos;
         at = folded.find(typed, at + 1)) {
        if (at == 0 || folded[at - 1] == ' ' || folded[at - 1] == '-')
            return true;
    }
    return false;
}

}  // namespace

ContentsModel::ContentsModel(std::span<store::VolumeText* const> volumes)
    : volumes_(volumes.begin(), volumes.end()) {}

ContentsModel::Key ContentsModel::Decode(const QModelIndex& index) {
    if (!index.isValid())
        return {};
    const quintptr id = index.internalId();
    return {int(id & ((quintptr(1) << kVolumeBits) - 1)) - 1,
            int((id >> kVolumeBits) & ((quintptr(1) << kChapterBits) - 1)) - 1,
            int(id >> (kVolumeBits + kChapterBits)) - 1};
}

const std::vector<store::ContentsChapter>& ContentsModel::Chapters(int volume) const {
    return volumes_[std::size_t(volume)]->Contents();
}

QModelIndex ContentsModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0 || row >= rowCount(parent))
        return {};
    const Key p = Decode(parent);
    if (!parent.isValid())
        return createIndex(row, 0, Encode(row, -1, -1));
    if (p.chapter < 0)
        return createIndex(row, 0, Encode(p.volume, row, -1));
    return createIndex(row, 0, Encode(p.volume, p.chapter, row));
}

QModelIndex ContentsModel::parent(const QModelIndex& child) const {
    const Key k = Decode(child);
    if (k.volume < 0 || k.chapter < 0)
        return {};
    if (k.section < 0)
        return createIndex(k.volume, 0, Encode(k.volume, -1, -1));
    return createIndex(k.chapter, 0, Encode(k.volume, k.chapter, -1));
}

int ContentsModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return int(volumes_.size());
    const Key k = Decode(parent);
    if (k.chapter < 0)
        return int(Chapters(k.volume).size());
    if (k.section < 0)
        return int(Chapters(k.volume)[std::size_t(k.chapter)].sections.size());
    return 0;
}

bool ContentsModel::hasChildren(const QModelIndex& parent) const {
    // A volume is not gathered just to draw its expander.
    const Key k = Decode(parent);
    return !parent.isValid() || k.chapter < 0 || (k.section < 0 && rowCount(parent) > 0);
}

QVariant ContentsModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    const Key k = Decode(index);
    if (k.volume < 0)
        return {};
    const store::VolumeText& volume = *volumes_[std::size_t(k.volume)];
    if (k.chapter < 0)
        return widgets::ToQString(volume.Info().label);
    const store::ContentsChapter& chapter = Chapters(k.volume)[std::size_t(k.chapter)];
    const std::string& title =
        k.section < 0 ? chapter.title : chapter.sections[std::size_t(k.section)].title;
    return widgets::ToQString(title.empty() ? std::string("(untitled)") : title);
}

Qt::ItemFlags ContentsModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsSelectable;
    if (PlaceOf(index).row > 0)
        f |= Qt::ItemIsEnabled;
    return f;
}

ContentsModel::Place ContentsModel::PlaceOf(const QModelIndex& index) const {
    const Key k = Decode(index);
    if (k.volume < 0)
        return {};
    if (k.chapter < 0)
        return {k.volume, volumes_[std::size_t(k.volume)]->Rows() > 0 ? 1 : 0};
    const auto& chapter = Chapters(k.volume)[std::size_t(k.chapter)];
    if (k.section >= 0)
        return {k.volume, chapter.sections[std::size_t(k.section)].firstRow};
    for (const store::ContentsSection& s : chapter.sections) {
        if (s.firstRow > 0)
            return {k.volume, s.firstRow};
    }
    return {k.volume, 0};
}

QModelIndex ContentsModel::SectionIndex(int volume, int chapter, int section) const {
    return createIndex(section, 0, Encode(volume, chapter, section));
}

// ---- the list ----

ContentsTree::ContentsTree(QWidget* parent, std::span<store::VolumeText* const> volumes)
    : ControlHost<QTreeView>(parent), model_(volumes) {
    setModel(&model_);
    setHeaderHidden(true);
    // Long titles are read whole: the list scrolls sideways rather than cutting them short.
    setTextElideMode(Qt::ElideNone);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    setUniformRowHeights(true);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    setFocusPolicy(Qt::StrongFocus);
    QObject::connect(this, &QTreeView::activated, this, [this](const QModelIndex& index) {
        const ContentsModel::Place place = model_.PlaceOf(index);
        if (place.row > 0 && OnChoose)
            widgets::Dispatch(OnChoose, place.volume, place.row);
    });
}

void ContentsTree::Reveal(const QModelIndex& index) {
    for (QModelIndex p = index.parent(); p.isValid(); p = p.parent())
        expand(p);
    setCurrentIndex(index);
    scrollTo(index, PositionAtCenter);
    // The entries are read from their beginning.
    horizontalScrollBar()->setValue(0);
}

void ContentsTree::ShowPlace(int volume, int row) {
    const QModelIndex volumeIndex = model_.index(volume, 0, {});
    // The section whose first sentence is the last one at or before the row.
    QModelIndex best;
    int bestRow = 0;
    for (int c = 0; c < model_.rowCount(volumeIndex); ++c) {
        const QModelIndex chapter = model_.index(c, 0, volumeIndex);
        for (int s = 0; s < model_.rowCount(chapter); ++s) {
            const int first = model_.PlaceOf(model_.index(s, 0, chapter)).row;
            if (first > 0 && first <= row && first >= bestRow) {
                bestRow = first;
                best = model_.SectionIndex(volume, c, s);
            }
        }
    }
    Reveal(best.isValid() ? best : volumeIndex);
}

QModelIndex ContentsTree::NextEntry(const QModelIndex& from) const {
    if (!from.isValid())
        return model_.index(0, 0, {});
    if (model_.rowCount(from) > 0)
        return model_.index(0, 0, from);
    for (QModelIndex at = from; at.isValid(); at = at.parent()) {
        const QModelIndex sibling = model_.index(at.row() + 1, 0, at.parent());
        if (sibling.isValid())
            return sibling;
    }
    return model_.index(0, 0, {});
}

void ContentsTree::keyboardSearch(const QString& search) {
    if (search.isEmpty())
        return;
    if (!sinceTyped_.isValid() || sinceTyped_.elapsed() > QApplication::keyboardInputInterval())
        typed_.clear();
    sinceTyped_.start();
    // A letter typed again on its own goes on to the next entry with it.
    const bool again = typed_.size() == 1 && search == typed_;
    if (!again)
        typed_ += search;
    const std::string wanted = store::NormaliseSearchText(widgets::FromQString(typed_));
    if (wanted.empty())
        return;
    const QModelIndex start = currentIndex();
    QModelIndex at = typed_.size() == 1 || !start.isValid() ? NextEntry(start) : start;
    // Every entry once at most, round to where the search began.
    for (int guard = 0; guard < 1'000'000; ++guard) {
        if (HasWordStarting(model_.data(at, Qt::DisplayRole).toString(), wanted)) {
            Reveal(at);
            return;
        }
        at = NextEntry(at);
        if (at == start || (!start.isValid() && at == model_.index(0, 0, {})))
            break;
    }
}

}  // namespace veloria::reader
