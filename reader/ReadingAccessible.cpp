// What a screen reader finds of the reading view: a document whose children are the headings and
// paragraphs near the view. Reading by sentence goes by the volume's own sentences, not by a guess
// at full stops.
#include <QAccessibleWidget>
#include <QPointer>
#include <QWindow>
#include <algorithm>

#include "reader/ReadingView.h"
#include "store/Text.h"
#include "widgets/Accessible.h"
#include "widgets/QtText.h"

namespace veloria::reader {
namespace {

using store::BlockId;
using store::BlockKind;

class BlockAccessible : public QAccessibleInterface, public QAccessibleTextInterface {
  public:
    BlockAccessible(ReadingView& view, BlockId id) : view_(&view), id_(id) {}

    bool isValid() const override {
        return view_ && view_->AccessibleIds().count(id_) > 0 && Block() != nullptr;
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return view_ ? view_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return view_ ? QAccessible::queryAccessibleInterface(view_.data()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        const store::Block* block = Block();
        if (!block)
            return {};
        if (t != QAccessible::Name)
            return {};
        // A heading is named by its line, a paragraph by the reference it begins at (its text is
        // read through the text interface).
        if (id_.kind != BlockKind::Paragraph)
            return widgets::ToQString(block->text);
        if (block->sentences.empty() || !view_->Volume())
            return {};
        return widgets::ToQString(
            store::Trim(view_->Volume()->Reference(block->sentences.front().row)));
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override { return view_ ? view_->BlockScreenRect(id_) : QRect(); }
    QAccessible::Role role() const override {
        return id_.kind == BlockKind::Paragraph ? QAccessible::Paragraph : QAccessible::Heading;
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.focusable = true;
        s.readOnly = true;
        s.selectableText = true;
        s.multiLine = true;
        if (!view_) {
            s.invalid = true;
            return s;
        }
        s.focused = view_->hasFocus() && view_->Caret().block == id_;
        s.offscreen = view_->BlockScreenRect(id_).isNull();
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return nullptr;
    }

    // ---- the text ----
    void selection(int n, int* start, int* end) const override {
        *start = *end = 0;
        if (n == 0)
            SelectionHere(start, end);
    }
    int selectionCount() const override {
        int start = 0, end = 0;
        SelectionHere(&start, &end);
        return end > start ? 1 : 0;
    }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int) override {
        if (view_)
            view_->ClearSelection();
    }
    void setSelection(int, int start, int end) override {
        if (!view_)
            return;
        view_->SetCaret({id_, start});
        view_->SetCaret({id_, end}, true);
    }
    int cursorPosition() const override {
        return view_ && view_->Caret().block == id_ ? view_->Caret().pos : 0;
    }
    void setCursorPosition(int position) override {
        if (view_)
            view_->SetCaret({id_, position});
    }
    QString text(int start, int end) const override {
        const QString all = All();
        start = std::clamp(start, 0, int(all.size()));
        end = end < 0 ? int(all.size()) : std::clamp(end, start, int(all.size()));
        return all.mid(start, end - start);
    }
    int characterCount() const override { return int(All().size()); }
    QRect characterRect(int offset) const override {
        return view_ ? view_->CharacterScreenRect(id_, offset) : QRect();
    }
    int offsetAtPoint(const QPoint& point) const override {
        return view_ ? view_->PositionAt(id_, point) : -1;
    }
    void scrollToSubstring(int start, int) override {
        if (view_)
            view_->SetCaret({id_, start});
    }
    QString attributes(int offset, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        if (!view_)
            return {};
        int markStart = 0, markEnd = 0;
        const auto mark = view_->MarkAt(id_, offset, &markStart, &markEnd);
        if (!mark)
            return {};
        *start = markStart;
        *end = markEnd;
        const widgets::TColor c = mark->first;
        QString out = QStringLiteral("background-color:rgb(%1,%2,%3);").arg(c.r).arg(c.g).arg(c.b);
        if (mark->second)
            out += QStringLiteral("font-weight:bold;");
        return out;
    }

    // Sentences are the volume's own; a heading is one sentence.
    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                         int* end) const override {
        if (type != QAccessible::SentenceBoundary)
            return QAccessibleTextInterface::textAtOffset(offset, type, start, end);
        const auto spans = Sentences();
        const auto at = std::find_if(spans.rbegin(), spans.rend(),
                                     [&](const auto& s) { return s.first <= offset; });
        return Span(at == spans.rend() ? spans.begin() : std::prev(at.base()), spans, start, end);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                            int* end) const override {
        if (type != QAccessible::SentenceBoundary)
            return QAccessibleTextInterface::textAfterOffset(offset, type, start, end);
        const auto spans = Sentences();
        const auto after = std::find_if(spans.begin(), spans.end(),
                                        [&](const auto& s) { return s.first > offset; });
        return Span(after, spans, start, end);
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                             int* end) const override {
        if (type != QAccessible::SentenceBoundary)
            return QAccessibleTextInterface::textBeforeOffset(offset, type, start, end);
        const auto spans = Sentences();
        auto at = std::find_if(spans.rbegin(), spans.rend(),
                               [&](const auto& s) { return s.first <= offset; });
        if (at == spans.rend() || std::next(at) == spans.rend()) {
            *start = *end = -1;
            return {};
        }
        return Span(std::prev(std::next(at).base()), spans, start, end);
    }

  private:
    using Spans = std::vector<std::pair<int, int>>;  // each sentence from its start to the next's

    const store::Block* Block() const { return view_ ? view_->BlockText(id_) : nullptr; }
    QString All() const {
        const store::Block* block = Block();
        return block ? widgets::ToQString(block->text) : QString();
    }
    Spans Sentences() const {
        Spans spans;
        const store::Block* block = Block();
        if (!block)
            return spans;
        const int size = int(block->text.size());
        if (block->sentences.empty()) {
            spans.emplace_back(0, size);
            return spans;
        }
        for (std::size_t i = 0; i < block->sentences.size(); ++i) {
            const int next = i + 1 < block->sentences.size() ? block->sentences[i + 1].begin : size;
            spans.emplace_back(i == 0 ? 0 : block->sentences[i].begin, next);
        }
        return spans;
    }
    QString Span(Spans::const_iterator at, const Spans& spans, int* start, int* end) const {
        if (at == spans.end()) {
            *start = *end = -1;
            return {};
        }
        *start = at->first;
        *end = at->second;
        return text(at->first, at->second);
    }
    // The selection's part in this block.
    void SelectionHere(int* start, int* end) const {
        *start = *end = 0;
        if (!view_ || !view_->HasSelection())
            return;
        const auto from = std::min(view_->Anchor(), view_->Caret());
        const auto to = std::max(view_->Anchor(), view_->Caret());
        if (id_ < from.block || to.block < id_)
            return;
        *start = id_ == from.block ? from.pos : 0;
        *end = id_ == to.block ? to.pos : characterCount();
    }

    QPointer<ReadingView> view_;
    BlockId id_;
};

class ViewAccessible : public QAccessibleWidget {
  public:
    explicit ViewAccessible(ReadingView* view) : QAccessibleWidget(view, QAccessible::Document) {}

    QString text(QAccessible::Text t) const override {
        if (const ReadingView* v = View()) {
            if (t == QAccessible::Name)
                return widgets::accessibility::NameOf(*v);
            if (t == QAccessible::Description)
                return QStringLiteral(
                    "Alt+Down and Alt+Up: next and previous sentence; Ctrl+Down and Ctrl+Up: "
                    "paragraph; Ctrl+Page Down and Ctrl+Page Up: section");
        }
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        return s;
    }
    int childCount() const override { return View() ? int(Blocks().size()) : 0; }
    QAccessibleInterface* child(int index) const override {
        const auto blocks = Blocks();
        if (index < 0 || std::size_t(index) >= blocks.size())
            return nullptr;
        return AccessibleBlock(*View(), blocks[std::size_t(index)]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child || !View())
            return -1;
        const auto blocks = Blocks();
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            if (AccessibleBlock(*View(), blocks[i]) == child)
                return int(i);
        }
        return -1;
    }
    QAccessibleInterface* focusChild() const override {
        ReadingView* v = View();
        if (!v || !v->hasFocus() || !v->Volume() || v->Volume()->Rows() == 0)
            return nullptr;
        return AccessibleBlock(*v, v->Caret().block);
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        for (int i = 0; i < childCount(); ++i) {
            QAccessibleInterface* c = child(i);
            if (c && c->rect().contains(x, y))
                return c;
        }
        return nullptr;
    }

  private:
    ReadingView* View() const { return static_cast<ReadingView*>(widget()); }
    std::vector<BlockId> Blocks() const {
        ReadingView* v = View();
        return v ? v->ExposedBlocks() : std::vector<BlockId>{};
    }
};

QAccessibleInterface* Factory(const QString&, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    if (auto* view = dynamic_cast<ReadingView*>(static_cast<QWidget*>(object)))
        return new ViewAccessible(view);
    return nullptr;
}

}  // namespace

QAccessibleInterface* AccessibleBlock(ReadingView& view, BlockId id) {
    auto& ids = view.AccessibleIds();
    if (const auto it = ids.find(id); it != ids.end()) {
        if (QAccessibleInterface* known = QAccessible::accessibleInterface(it->second))
            return known;
        ids.erase(it);
    }
    if (!view.BlockText(id))
        return nullptr;
    auto* block = new BlockAccessible(view, id);
    ids[id] = QAccessible::registerAccessibleInterface(block);
    return block;
}

void InstallReadingAccessibility() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(&Factory);
}

}  // namespace veloria::reader
