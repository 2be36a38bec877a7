#include "reader/ReadingView.h"

#include <QAccessibleEvent>
#include <QFocusEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLine>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "store/Text.h"

#include "widgets/Accessible.h"
#include "widgets/Form.h"
#include "widgets/HintWindow.h"
#include "widgets/Look.h"
#include "widgets/QtText.h"
#include "widgets/StoredPicture.h"
#include "widgets/TextMarks.h"

namespace veloria::reader {

using store::Block;
using store::BlockId;
using store::BlockKind;
using widgets::ToQColor;

namespace {

// Blocks kept laid out beyond those in view; the rest is laid out again when it comes back.
constexpr std::size_t kKeptLayouts = 300;
// How far a caret or a block is looked for from the top of the view before the view is placed
// anew rather than scrolled.
constexpr int kNearBlocks = 200;
// Lines are kept this many average characters long at most, however wide the window.
constexpr int kMaxLineCharacters = 80;

QTextLayout::FormatRange Range(int start, int length, const QTextCharFormat& format) {
    QTextLayout::FormatRange r;
    r.start = start;
    r.length = length;
    r.format = format;
    return r;
}

QTextCharFormat MarkFormat(const widgets::TTextMark& mark) {
    QTextCharFormat f;
    f.setBackground(ToQColor(mark.background));
    f.setForeground(ToQColor(mark.color));
    if (mark.bold)
        f.setFontWeight(QFont::Bold);
    return f;
}

}  // namespace

ReadingView::ReadingView(QWidget* parent) : ControlHost<QAbstractScrollArea>(parent) {
    InstallReadingAccessibility();
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setMouseTracking(true);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAutoFillBackground(false);
    QObject::connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
                     [this](int action) { widgets::Dispatch([&] { ScrollBarAction(action); }); });
    UpdateScrollBar();
}

ReadingView::~ReadingView() {
    for (const auto& [id, key] : accessibleIds_)
        QAccessible::deleteAccessibleInterface(key);
}

// ---- the volume and its layout ----

void ReadingView::SetVolume(store::VolumeText* volume) {
    volume_ = volume;
    DropLayouts();
    // The blocks a screen reader knew are another volume's.
    for (const auto& [id, key] : accessibleIds_)
        QAccessible::deleteAccessibleInterface(key);
    accessibleIds_.clear();
    focusedBlock_.reset();
    top_ = volume_ ? volume_->FirstBlock() : BlockId{};
    offset_ = 0;
    caret_ = anchor_ = {top_, 0};
    hitRow_ = 0;
    hitPatterns_.clear();
    lastCaretRow_ = -1;
    UpdateScrollBar();
    viewport()->update();
    ReportCaret();
}

void ReadingView::DropLayouts() {
    laid_.clear();
    layoutWidth_ = ColumnWidth();
}

QFont ReadingView::FontOf(BlockKind kind) const {
    QFont f = font();
    const int size = f.pixelSize() > 0 ? f.pixelSize() : 17;
    if (kind == BlockKind::Chapter) {
        f.setPixelSize(size * 7 / 5);
        f.setBold(true);
    } else if (kind == BlockKind::Section) {
        f.setPixelSize(size * 6 / 5);
        f.setBold(true);
    }
    return f;
}

int ReadingView::LineHeight() const {
    return QFontMetrics(font()).lineSpacing();
}

int ReadingView::ColumnWidth() const {
    const QFontMetrics m(font());
    const int margins = 2 * m.horizontalAdvance(QStringLiteral("p. 0000")) + Scale(16);
    const int room = std::max(80, viewport()->width() - margins);
    return std::min(room, kMaxLineCharacters * m.averageCharWidth());
}

int ReadingView::ColumnLeft() const {
    return (viewport()->width() - ColumnWidth()) / 2;
}

ReadingView::Laid& ReadingView::Get(BlockId id) {
    if (layoutWidth_ != ColumnWidth())
        DropLayouts();
    auto it = laid_.find(id);
    if (it == laid_.end()) {
        auto laid = std::make_unique<Laid>();
        laid->block = volume_->MakeBlock(id);
        Layout(*laid);
        it = laid_.emplace(id, std::move(laid)).first;
    }
    return *it->second;
}

void ReadingView::Layout(Laid& laid) {
    const Block& block = laid.block;
    laid.text = widgets::ToQString(block.text);
    laid.text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    laid.layout = std::make_unique<QTextLayout>(laid.text, FontOf(block.id.kind), viewport());
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    laid.layout->setTextOption(option);

    QList<QTextLayout::FormatRange> formats;
    laid.pageRows.clear();
    laid.marks.assign(block.sentences.size(), {});
    for (std::size_t i = 0; i < block.sentences.size(); ++i) {
        const store::SentenceSpan& s = block.sentences[i];
        const std::string_view text = std::string_view(block.text).substr(s.begin, s.length);
        auto mark = [&](std::span<const std::string> patterns) {
            for (const widgets::TTextMark& m : widgets::MatchMarks(text, patterns, s.begin))
                formats.append(Range(m.start, m.length, MarkFormat(m)));
        };
        if (s.row == hitRow_)
            mark(hitPatterns_);
        mark(findPatterns_);
        if (volume_->StartsPage(s.row))
            laid.pageRows.push_back(s.row);
        if (sentenceMarks_)
            laid.marks[i] = sentenceMarks_(s.row);
    }
    laid.layout->setFormats(formats);

    const int width = ColumnWidth();
    laid.layout->beginLayout();
    qreal y = 0;
    for (QTextLine line = laid.layout->createLine(); line.isValid();
         line = laid.layout->createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    laid.layout->endLayout();

    const int l = LineHeight();
    int above = 0, below = l * 3 / 5;
    switch (block.id.kind) {
        case BlockKind::Chapter:
            above = block.id.row > 1 ? l * 2 : l / 2;
            below = l / 3;
            break;
        case BlockKind::Section: {
            const bool underChapter =
                volume_->PriorBlock(block.id) == BlockId{block.id.row, BlockKind::Chapter};
            above = underChapter ? l / 3 : (block.id.row > 1 ? l * 3 / 2 : l / 2);
            below = l / 2;
            break;
        }
        case BlockKind::Paragraph:
            break;
    }
    laid.above = above;
    laid.height = above + int(std::ceil(y)) + below;
}

// Keeps the layouts in view, the caret's and a few hundred more.
void ReadingView::Trim() {
    if (laid_.size() <= kKeptLayouts)
        return;
    std::vector<BlockId> keep;
    for (const Shown& s : Visible())
        keep.push_back(s.id);
    keep.push_back(caret_.block);
    keep.push_back(anchor_.block);
    for (auto it = laid_.begin(); it != laid_.end();) {
        if (std::find(keep.begin(), keep.end(), it->first) == keep.end())
            it = laid_.erase(it);
        else
            ++it;
    }
}

void ReadingView::SetHit(int row, std::vector<std::string> patterns) {
    const int was = hitRow_;
    hitRow_ = row;
    hitPatterns_ = std::move(patterns);
    // Only the paragraphs of the old and the new hit change.
    for (int r : {was, row}) {
        if (r > 0 && volume_ && r <= volume_->Rows())
            laid_.erase(BlockId{volume_->ParagraphFirst(r), BlockKind::Paragraph});
    }
    viewport()->update();
}

void ReadingView::SetFindPatterns(std::vector<std::string> patterns) {
    if (patterns == findPatterns_)
        return;
    findPatterns_ = std::move(patterns);
    laid_.clear();
    viewport()->update();
}

void ReadingView::SetSentenceMarks(SentenceMarks marks) {
    sentenceMarks_ = std::move(marks);
    RefreshMarks();
}

void ReadingView::RefreshMarks() {
    laid_.clear();
    viewport()->update();
}

// ---- scrolling ----

std::vector<ReadingView::Shown> ReadingView::Visible() {
    std::vector<Shown> shown;
    if (!volume_ || volume_->Rows() == 0)
        return shown;
    const int height = viewport()->height();
    int y = -offset_;
    BlockId id = top_;
    while (true) {
        const Laid& laid = Get(id);
        shown.push_back({id, y});
        y += laid.height;
        if (y >= height)
            break;
        const auto next = volume_->NextBlock(id);
        if (!next)
            break;
        id = *next;
    }
    return shown;
}

void ReadingView::Normalise() {
    if (!volume_ || volume_->Rows() == 0) {
        top_ = {};
        offset_ = 0;
        return;
    }
    for (int pass = 0; pass < 2; ++pass) {
        while (offset_ < 0) {
            const auto prior = volume_->PriorBlock(top_);
            if (!prior) {
                offset_ = 0;
                break;
            }
            top_ = *prior;
            offset_ += Get(top_).height;
        }
        while (offset_ > 0 && offset_ >= Get(top_).height) {
            const auto next = volume_->NextBlock(top_);
            if (!next)
                break;
            offset_ -= Get(top_).height;
            top_ = *next;
        }
        // Nothing is shown past the end of the volume: its last line stays at the bottom.
        const int height = viewport()->height();
        int y = -offset_;
        BlockId id = top_;
        while (y < height) {
            y += Get(id).height;
            const auto next = volume_->NextBlock(id);
            if (!next)
                break;
            id = *next;
        }
        if (y >= height)
            break;
        offset_ -= height - y;
    }
}

void ReadingView::ScrollBy(int pixels) {
    if (pixels == 0)
        return;
    offset_ += pixels;
    Normalise();
    UpdateScrollBar();
    viewport()->update();
}

void ReadingView::PlaceRowAt(int row, int fromTop) {
    const BlockId paragraph{volume_->ParagraphFirst(row), BlockKind::Paragraph};
    Laid& laid = Get(paragraph);
    int lineY = 0;
    for (const store::SentenceSpan& s : laid.block.sentences) {
        if (s.row == row)
            lineY = int(laid.layout->lineForTextPosition(s.begin).y());
    }
    top_ = paragraph;
    offset_ = laid.above + lineY - fromTop;
    Normalise();
    UpdateScrollBar();
    viewport()->update();
}

int ReadingView::TopRow() const {
    if (!volume_ || volume_->Rows() == 0)
        return 0;
    if (top_.kind != BlockKind::Paragraph)
        return top_.row;
    const auto it = laid_.find(top_);
    if (it == laid_.end())
        return top_.row;
    const Laid& laid = *it->second;
    const int y = offset_ - laid.above;
    int pos = 0;
    for (int i = 0; i < laid.layout->lineCount(); ++i) {
        const QTextLine line = laid.layout->lineAt(i);
        if (line.y() + line.height() > y) {
            pos = line.textStart();
            break;
        }
    }
    return SentenceAt(laid, pos);
}

void ReadingView::UpdateScrollBar() {
    QScrollBar* bar = verticalScrollBar();
    syncingBar_ = true;
    const int rows = volume_ ? volume_->Rows() : 0;
    bar->setRange(1, std::max(1, rows));
    int inView = 0;
    if (rows > 0) {
        for (const Shown& s : Visible())
            inView += int(Get(s.id).block.sentences.size());
    }
    bar->setPageStep(std::max(1, inView));
    bar->setSingleStep(1);
    bar->setValue(std::max(1, TopRow()));
    syncingBar_ = false;
}

void ReadingView::ScrollBarAction(int action) {
    if (!volume_ || volume_->Rows() == 0)
        return;
    QScrollBar* bar = verticalScrollBar();
    const int line = LineHeight();
    const int page = std::max(line, viewport()->height() - line);
    switch (action) {
        case QAbstractSlider::SliderSingleStepAdd:
            ScrollBy(line);
            break;
        case QAbstractSlider::SliderSingleStepSub:
            ScrollBy(-line);
            break;
        case QAbstractSlider::SliderPageStepAdd:
            ScrollBy(page);
            break;
        case QAbstractSlider::SliderPageStepSub:
            ScrollBy(-page);
            break;
        case QAbstractSlider::SliderToMinimum:
            top_ = volume_->FirstBlock();
            offset_ = 0;
            Normalise();
            viewport()->update();
            break;
        case QAbstractSlider::SliderToMaximum:
            top_ = volume_->LastBlock();
            offset_ = Get(top_).height;
            Normalise();
            viewport()->update();
            break;
        case QAbstractSlider::SliderMove:
            // The thumb follows the mouse; the text follows the thumb.
            PlaceRowAt(std::clamp(bar->sliderPosition(), 1, volume_->Rows()), 0);
            return;
        default:
            return;
    }
    bar->setSliderPosition(std::max(1, TopRow()));
}

// Only blocks within a view's height of the view are looked for: what lies further is not laid
// out for it.
std::optional<int> ReadingView::TopOf(BlockId id) {
    if (!volume_ || volume_->Rows() == 0)
        return std::nullopt;
    const int reach = 2 * std::max(viewport()->height(), LineHeight());
    int y = -offset_;
    BlockId at = top_;
    if (id < top_) {
        for (int i = 0; i < kNearBlocks && y > -reach; ++i) {
            const auto prior = volume_->PriorBlock(at);
            if (!prior)
                return std::nullopt;
            at = *prior;
            y -= Get(at).height;
            if (at == id)
                return y;
        }
        return std::nullopt;
    }
    for (int i = 0; i < kNearBlocks && y < reach; ++i) {
        if (at == id)
            return y;
        y += Get(at).height;
        const auto next = volume_->NextBlock(at);
        if (!next)
            return std::nullopt;
        at = *next;
    }
    return std::nullopt;
}

// ---- the caret ----

int ReadingView::SentenceAt(const Laid& laid, int pos) const {
    const auto& spans = laid.block.sentences;
    if (spans.empty())
        return laid.block.id.row;
    int row = spans.front().row;
    for (const store::SentenceSpan& s : spans) {
        if (s.begin <= pos)
            row = s.row;
    }
    return row;
}

int ReadingView::CurrentRow() const {
    if (!volume_ || volume_->Rows() == 0)
        return 0;
    if (caret_.block.kind != BlockKind::Paragraph)
        return caret_.block.row;
    const auto it = laid_.find(caret_.block);
    if (it != laid_.end())
        return SentenceAt(*it->second, caret_.pos);
    const Block block = volume_->MakeBlock(caret_.block);
    int row = caret_.block.row;
    for (const store::SentenceSpan& s : block.sentences) {
        if (s.begin <= caret_.pos)
            row = s.row;
    }
    return row;
}

void ReadingView::GoToRow(int row) {
    if (!volume_ || volume_->Rows() == 0)
        return;
    row = std::clamp(row, 1, volume_->Rows());
    const BlockId paragraph{volume_->ParagraphFirst(row), BlockKind::Paragraph};
    Laid& laid = Get(paragraph);
    int pos = 0;
    for (const store::SentenceSpan& s : laid.block.sentences) {
        if (s.row == row)
            pos = s.begin;
    }
    caret_ = anchor_ = {paragraph, pos};
    caretX_ = -1;
    const QRect r = CaretRect();
    if (r.isNull() || r.top() < 0 || r.bottom() > viewport()->height())
        PlaceRowAt(row, viewport()->height() / 3);
    viewport()->update();
    ReportCaret();
}

bool ReadingView::Step(Unit unit, bool forward) {
    if (!volume_ || volume_->Rows() == 0)
        return false;
    const int row = CurrentRow();
    const bool inHeading = caret_.block.kind != BlockKind::Paragraph;
    int target = 0;
    switch (unit) {
        case Unit::Sentence:
            // From a heading the next sentence is the first of its section.
            target = forward ? (inHeading ? row : row + 1) : row - 1;
            if (target > volume_->Rows())
                target = 0;
            break;
        case Unit::Paragraph:
            target = forward ? (inHeading ? row : volume_->NextParagraph(row))
                             : volume_->PriorParagraph(row);
            break;
        case Unit::Section:
            target = forward ? volume_->NextSection(row) : volume_->PriorSection(row);
            break;
    }
    if (target < 1)
        return false;
    GoToRow(target);
    return true;
}

void ReadingView::GoToStart() {
    if (!volume_ || volume_->Rows() == 0)
        return;
    top_ = volume_->FirstBlock();
    offset_ = 0;
    caret_ = anchor_ = {top_, 0};
    caretX_ = -1;
    Normalise();
    UpdateScrollBar();
    viewport()->update();
    ReportCaret();
}

void ReadingView::GoToEnd() {
    if (!volume_ || volume_->Rows() == 0)
        return;
    GoToRow(volume_->Rows());
    top_ = volume_->LastBlock();
    offset_ = Get(top_).height;
    Normalise();
    UpdateScrollBar();
    viewport()->update();
}

void ReadingView::PageStep(bool forward) {
    if (!volume_ || volume_->Rows() == 0)
        return;
    const int line = LineHeight();
    const int page = std::max(line, viewport()->height() - line);
    QRect caret = CaretRect();
    const bool caretInView =
        !caret.isNull() && caret.top() >= 0 && caret.bottom() <= viewport()->height();
    const QPoint at = caretInView ? caret.center() : QPoint(ColumnLeft(), line / 2);
    const BlockId topBefore = top_;
    const int offsetBefore = offset_;
    ScrollBy(forward ? page : -page);
    Position to = caret_;
    if (top_ != topBefore || offset_ != offsetBefore) {
        if (const auto p =
                PositionAtPoint(QPoint(caretX_ >= 0 ? caretX_ + ColumnLeft() : at.x(), at.y())))
            to = *p;
    } else if (forward) {
        // At the end already: the caret goes to the last character.
        const BlockId last = volume_->LastBlock();
        to = {last, int(Get(last).text.size())};
    } else {
        to = {volume_->FirstBlock(), 0};
    }
    const int x = caretX_;
    MoveCaret(to, false, true);
    caretX_ = x;
}

QRect ReadingView::CaretRect() {
    const auto top = TopOf(caret_.block);
    if (!top)
        return {};
    Laid& laid = Get(caret_.block);
    const QTextLine line = laid.layout->lineForTextPosition(caret_.pos);
    if (!line.isValid())
        return {};
    const int x = ColumnLeft() + int(line.cursorToX(caret_.pos));
    return QRect(x, *top + laid.above + int(line.y()), Scale(2), int(line.height()));
}

void ReadingView::EnsureCaretVisible() {
    const QRect r = CaretRect();
    const int height = viewport()->height();
    if (r.isNull()) {
        // Far from the view: the caret's line a third of the way down.
        Laid& laid = Get(caret_.block);
        const QTextLine line = laid.layout->lineForTextPosition(caret_.pos);
        top_ = caret_.block;
        offset_ = laid.above + (line.isValid() ? int(line.y()) : 0) - height / 3;
        Normalise();
        UpdateScrollBar();
    } else if (r.top() < 0) {
        ScrollBy(r.top());
    } else if (r.bottom() >= height) {
        ScrollBy(r.bottom() - height + 1);
    }
}

void ReadingView::MoveCaret(Position to, bool select, bool keepX) {
    caret_ = to;
    if (!select)
        anchor_ = to;
    if (!keepX)
        caretX_ = -1;
    EnsureCaretVisible();
    viewport()->update();
    ReportCaret();
}

void ReadingView::SetCaret(Position caret, bool select) {
    if (!volume_ || volume_->Rows() == 0)
        return;
    Laid& laid = Get(caret.block);
    caret.pos = std::clamp(caret.pos, 0, int(laid.text.size()));
    MoveCaret(caret, select);
}

void ReadingView::ReportCaret() {
    const int row = CurrentRow();
    if (row != lastCaretRow_) {
        lastCaretRow_ = row;
        widgets::Dispatch(OnCaretMoved);
    }
    if (!volume_ || volume_->Rows() == 0)
        return;
    if (!hasFocus() || !widgets::accessibility::Listening())
        return;
    // The reader is put on the block that holds the caret, and follows the caret in it.
    QAccessibleInterface* block = AccessibleBlock(*this, caret_.block);
    if (!block)
        return;
    if (focusedBlock_ != caret_.block) {
        focusedBlock_ = caret_.block;
        QAccessibleEvent focus(block, QAccessible::Focus);
        widgets::accessibility::Notify(focus);
    }
    QAccessibleTextCursorEvent moved(block, caret_.pos);
    widgets::accessibility::Notify(moved);
}

ReadingView::Position ReadingView::Neighbour(Position from, int key, bool word) {
    Laid& laid = Get(from.block);
    const auto mode = word ? QTextLayout::SkipWords : QTextLayout::SkipCharacters;
    if (key == Qt::Key_Right) {
        if (from.pos < int(laid.text.size()))
            return {from.block, laid.layout->nextCursorPosition(from.pos, mode)};
        if (const auto next = volume_->NextBlock(from.block))
            return {*next, 0};
        return from;
    }
    if (from.pos > 0)
        return {from.block, laid.layout->previousCursorPosition(from.pos, mode)};
    if (const auto prior = volume_->PriorBlock(from.block))
        return {*prior, int(Get(*prior).text.size())};
    return from;
}

ReadingView::Position ReadingView::LineMove(Position from, bool down) {
    Laid& laid = Get(from.block);
    const QTextLine line = laid.layout->lineForTextPosition(from.pos);
    if (caretX_ < 0)
        caretX_ = line.isValid() ? int(line.cursorToX(from.pos)) : 0;
    const int n = line.isValid() ? line.lineNumber() : 0;
    if (down && n + 1 < laid.layout->lineCount())
        return {from.block, laid.layout->lineAt(n + 1).xToCursor(caretX_)};
    if (!down && n > 0)
        return {from.block, laid.layout->lineAt(n - 1).xToCursor(caretX_)};
    const auto other = down ? volume_->NextBlock(from.block) : volume_->PriorBlock(from.block);
    if (!other)
        return from;
    Laid& next = Get(*other);
    const QTextLine target = next.layout->lineAt(down ? 0 : next.layout->lineCount() - 1);
    return {*other, target.isValid() ? target.xToCursor(caretX_) : 0};
}

std::optional<ReadingView::Position> ReadingView::PositionAtPoint(QPoint p) {
    const std::vector<Shown> shown = Visible();
    if (shown.empty())
        return std::nullopt;
    const Shown* hit = &shown.front();
    for (const Shown& s : shown) {
        if (s.top <= p.y())
            hit = &s;
    }
    Laid& laid = Get(hit->id);
    const int y = p.y() - hit->top - laid.above;
    const int x = p.x() - ColumnLeft();
    QTextLine line = laid.layout->lineAt(0);
    for (int i = 0; i < laid.layout->lineCount(); ++i) {
        const QTextLine l = laid.layout->lineAt(i);
        if (l.y() <= y)
            line = l;
    }
    if (!line.isValid())
        return Position{hit->id, 0};
    return Position{hit->id, line.xToCursor(x)};
}

std::optional<int> ReadingView::MarginMarkRowAt(QPoint p) {
    const int right = ColumnLeft() + ColumnWidth();
    if (p.x() < right + Scale(4) || p.x() > right + Scale(4) + LineHeight())
        return std::nullopt;
    for (const Shown& s : Visible()) {
        Laid& laid = Get(s.id);
        for (const store::SentenceSpan& span : laid.block.sentences) {
            if (!volume_->CitesBible(span.row))
                continue;
            const QTextLine line = laid.layout->lineForTextPosition(span.begin);
            const int top = s.top + laid.above + int(line.y());
            if (p.y() >= top && p.y() < top + int(line.height()))
                return span.row;
        }
    }
    return std::nullopt;
}

// ---- selection ----

std::string ReadingView::SelectedText() {
    if (!HasSelection() || !volume_)
        return {};
    const Position from = std::min(anchor_, caret_);
    const Position to = std::max(anchor_, caret_);
    std::string out;
    BlockId id = from.block;
    while (true) {
        const std::string& text = Get(id).block.text;
        const int begin = id == from.block ? from.pos : 0;
        const int end = id == to.block ? to.pos : int(text.size());
        if (!out.empty() || id != from.block)
            out += "\r\n";
        out += text.substr(std::size_t(begin), std::size_t(std::max(0, end - begin)));
        if (id == to.block)
            break;
        const auto next = volume_->NextBlock(id);
        if (!next)
            break;
        id = *next;
    }
    // Line breaks as the other boxes copy them.
    std::string copied;
    copied.reserve(out.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (out[i] == '\n' && (i == 0 || out[i - 1] != '\r'))
            copied += '\r';
        copied += out[i];
    }
    return copied;
}

void ReadingView::ClearSelection() {
    anchor_ = caret_;
    viewport()->update();
}

// ---- painting ----

void ReadingView::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), ToQColor(widgets::clWindow));
    if (!volume_ || volume_->Rows() == 0)
        return;
    const int left = ColumnLeft();
    const int right = left + ColumnWidth();
    const int row = CurrentRow();
    const Position from = std::min(anchor_, caret_);
    const Position to = std::max(anchor_, caret_);
    QFont small = font();
    small.setPixelSize(std::max(9, (font().pixelSize() > 0 ? font().pixelSize() : 17) * 3 / 4));
    const QImage bible = widgets::StoredPicture("bible.png").ImageFor(devicePixelRatioF());
    // The gaps and marks beside the text grow with the zoom, as the text does.
    const int markSize = std::min(LineHeight(), Scale(16));
    const int gap = Scale(4);

    for (const Shown& s : Visible()) {
        Laid& laid = Get(s.id);
        const QPointF at(left, s.top + laid.above);
        QList<QTextLayout::FormatRange> overlay;
        for (const store::SentenceSpan& span : laid.block.sentences) {
            if (span.row == row && caret_.block.kind == BlockKind::Paragraph) {
                overlay.append(Range(span.begin, span.length,
                                     MarkFormat(widgets::CurrentMark(span.begin, span.length))));
                // What the search or the find matched stays marked over the current sentence.
                for (const QTextLayout::FormatRange& f : laid.layout->formats()) {
                    if (f.start < span.End() && f.start + f.length > span.begin)
                        overlay.append(f);
                }
            }
        }
        if (from.block <= s.id && s.id <= to.block && from != to) {
            QTextCharFormat selected;
            selected.setBackground(palette().brush(QPalette::Highlight));
            selected.setForeground(palette().brush(QPalette::HighlightedText));
            const int begin = s.id == from.block ? from.pos : 0;
            const int end = s.id == to.block ? to.pos : int(laid.text.size());
            overlay.append(Range(begin, end - begin, selected));
        }
        p.setPen(ToQColor(widgets::clWindowText));
        laid.layout->draw(&p, at, overlay);

        // The margins: page numbers left, the Bible right, the marks of others beside the text.
        p.setFont(small);
        for (std::size_t i = 0; i < laid.block.sentences.size(); ++i) {
            const store::SentenceSpan& span = laid.block.sentences[i];
            const QTextLine line = laid.layout->lineForTextPosition(span.begin);
            const int y = int(at.y() + line.y());
            const int h = int(line.height());
            if (std::find(laid.pageRows.begin(), laid.pageRows.end(), span.row) !=
                laid.pageRows.end()) {
                p.setPen(ToQColor(widgets::clGrayText));
                const QString page = QStringLiteral("p. ") +
                                     widgets::ToQString(store::Trim(volume_->Page(span.row)));
                p.drawText(QRect(0, y, left - markSize - 2 * gap, h),
                           Qt::AlignRight | Qt::AlignVCenter, page);
            }
            int x = left - markSize - gap;
            for (const SentenceMark& mark : laid.marks[i]) {
                p.fillRect(QRect(x, y + (h - markSize / 2) / 2, markSize / 2, markSize / 2),
                           ToQColor(mark.color));
                x -= markSize / 2 + gap / 2;
            }
            if (volume_->CitesBible(span.row))
                p.drawImage(QRect(right + gap * 3 / 2, y + (h - markSize) / 2, markSize, markSize),
                            bible);
        }
    }
    if (hasFocus()) {
        const QRect caret = CaretRect();
        if (!caret.isNull())
            p.fillRect(QRect(caret.left(), caret.top(), Scale(2), caret.height()),
                       ToQColor(widgets::clWindowText));
    }
    p.end();
    Trim();
    SyncAccessible();
}

void ReadingView::SyncAccessible() {
    const std::vector<BlockId> exposed = ExposedBlocks();
    const bool listening = widgets::accessibility::Listening();
    for (auto it = accessibleIds_.begin(); it != accessibleIds_.end();) {
        if (std::find(exposed.begin(), exposed.end(), it->first) != exposed.end()) {
            ++it;
            continue;
        }
        if (QAccessibleInterface* gone = QAccessible::accessibleInterface(it->second);
            gone && listening) {
            QAccessibleEvent event(gone, QAccessible::ObjectDestroyed);
            widgets::accessibility::Notify(event);
        }
        QAccessible::deleteAccessibleInterface(it->second);
        it = accessibleIds_.erase(it);
    }
    if (!listening)
        return;
    for (const BlockId& id : exposed) {
        if (accessibleIds_.count(id))
            continue;
        if (QAccessibleInterface* came = AccessibleBlock(*this, id)) {
            QAccessibleEvent event(came, QAccessible::ObjectCreated);
            widgets::accessibility::Notify(event);
        }
    }
}

void ReadingView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (!volume_)
        return;
    // The caret's line stays where it was as the text reflows.
    const QRect before = CaretRect();
    DropLayouts();
    if (!before.isNull() && before.top() >= 0 && before.top() < viewport()->height()) {
        Laid& laid = Get(caret_.block);
        const QTextLine line = laid.layout->lineForTextPosition(caret_.pos);
        top_ = caret_.block;
        offset_ = laid.above + (line.isValid() ? int(line.y()) : 0) - before.top();
    }
    Normalise();
    UpdateScrollBar();
}

void ReadingView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        DropLayouts();
        Normalise();
        UpdateScrollBar();
    }
}

// ---- input ----

void ReadingView::keyPressEvent(QKeyEvent* event) {
    if (!volume_ || volume_->Rows() == 0)
        return;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (event->modifiers() & Qt::AltModifier)
        return;
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
            MoveCaret(Neighbour(caret_, event->key(), ctrl), shift);
            break;
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (ctrl) {
                Step(Unit::Paragraph, event->key() == Qt::Key_Down);
            } else {
                const int x = caretX_;
                const Position to = LineMove(caret_, event->key() == Qt::Key_Down);
                const int kept = caretX_ >= 0 ? caretX_ : x;
                MoveCaret(to, shift, true);
                caretX_ = kept;
            }
            break;
        case Qt::Key_Home:
        case Qt::Key_End:
            if (ctrl) {
                if (event->key() == Qt::Key_Home)
                    GoToStart();
                else
                    GoToEnd();
            } else {
                Laid& laid = Get(caret_.block);
                const QTextLine line = laid.layout->lineForTextPosition(caret_.pos);
                if (line.isValid()) {
                    int pos = line.textStart();
                    if (event->key() == Qt::Key_End) {
                        pos = line.textStart() + line.textLength();
                        // The blank a line wraps at belongs before the break.
                        if (pos > line.textStart() && pos < int(laid.text.size()))
                            --pos;
                    }
                    MoveCaret({caret_.block, pos}, shift);
                }
            }
            break;
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            PageStep(event->key() == Qt::Key_PageDown);
            break;
        default:
            QAbstractScrollArea::keyPressEvent(event);
    }
}

void ReadingView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !volume_)
        return;
    if (const auto row = MarginMarkRowAt(event->pos())) {
        if (OnBibleMark)
            widgets::Dispatch(OnBibleMark, *row);
        return;
    }
    if (const auto p = PositionAtPoint(event->pos())) {
        MoveCaret(*p, event->modifiers() & Qt::ShiftModifier);
        selecting_ = true;
    }
}

void ReadingView::mouseMoveEvent(QMouseEvent* event) {
    viewport()->setCursor(MarginMarkRowAt(event->pos()) ? Qt::PointingHandCursor : Qt::IBeamCursor);
    if (!selecting_ || !(event->buttons() & Qt::LeftButton))
        return;
    if (event->pos().y() < 0)
        ScrollBy(-LineHeight());
    else if (event->pos().y() > viewport()->height())
        ScrollBy(LineHeight());
    if (const auto p = PositionAtPoint(event->pos()))
        MoveCaret(*p, true);
}

void ReadingView::mouseReleaseEvent(QMouseEvent*) {
    selecting_ = false;
}

void ReadingView::mouseDoubleClickEvent(QMouseEvent* event) {
    const auto p = PositionAtPoint(event->pos());
    if (!p)
        return;
    Laid& laid = Get(p->block);
    // The word clicked.
    const int end = laid.layout->nextCursorPosition(p->pos, QTextLayout::SkipWords);
    const int begin =
        laid.layout->previousCursorPosition(std::min(end, p->pos + 1), QTextLayout::SkipWords);
    anchor_ = {p->block, begin};
    caret_ = {p->block, end};
    viewport()->update();
    ReportCaret();
}

void ReadingView::wheelEvent(QWheelEvent* event) {
    if (widgets::TForm* form = Form())
        form->HintWindow().ReleaseHint();
    ScrollBy(-event->angleDelta().y() * 3 * LineHeight() / 120);
    event->accept();
}

void ReadingView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
    // After Qt's own report of the view's focus, which names the view alone.
    focusedBlock_.reset();
    QTimer::singleShot(0, this, [this] { ReportCaret(); });
}

void ReadingView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    focusedBlock_.reset();
    viewport()->update();
}

bool ReadingView::viewportEvent(QEvent* event) {
    widgets::TForm* form = Form();
    if (event->type() == QEvent::ToolTip) {
        // The reference of the sentence under the mouse.
        auto* help = static_cast<QHelpEvent*>(event);
        const auto p = PositionAtPoint(help->pos());
        if (form && form->ShowHint() && p && volume_) {
            int row = p->block.row;
            if (p->block.kind == BlockKind::Paragraph)
                row = SentenceAt(Get(p->block), p->pos);
            form->HintWindow().ActivateHint(help->globalPos(),
                                            store::Trim(volume_->Reference(row)));
        }
        return true;
    }
    if (form && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::Leave))
        form->HintWindow().ReleaseHint();
    return QAbstractScrollArea::viewportEvent(event);
}

// ---- what the accessibility layer reads ----

std::vector<BlockId> ReadingView::ExposedBlocks() {
    std::vector<BlockId> ids;
    for (const Shown& s : Visible())
        ids.push_back(s.id);
    if (volume_ && volume_->Rows() > 0 &&
        std::find(ids.begin(), ids.end(), caret_.block) == ids.end()) {
        ids.insert(std::upper_bound(ids.begin(), ids.end(), caret_.block), caret_.block);
    }
    return ids;
}

const Block* ReadingView::BlockText(BlockId id) {
    if (!volume_ || volume_->Rows() == 0)
        return nullptr;
    return &Get(id).block;
}

QRect ReadingView::BlockScreenRect(BlockId id) {
    const auto top = TopOf(id);
    if (!top)
        return {};
    const QRect r(0, *top, viewport()->width(), Get(id).height);
    return QRect(viewport()->mapToGlobal(r.topLeft()), r.size());
}

QRect ReadingView::CharacterScreenRect(BlockId id, int pos) {
    const auto top = TopOf(id);
    if (!top)
        return {};
    Laid& laid = Get(id);
    const QTextLine line = laid.layout->lineForTextPosition(pos);
    if (!line.isValid())
        return {};
    const int x = ColumnLeft() + int(line.cursorToX(pos));
    const int next = ColumnLeft() + int(line.cursorToX(pos + 1));
    const QRect r(x, *top + laid.above + int(line.y()), std::max(1, next - x), int(line.height()));
    return QRect(viewport()->mapToGlobal(r.topLeft()), r.size());
}

int ReadingView::PositionAt(BlockId id, QPoint screen) {
    const auto top = TopOf(id);
    if (!top)
        return -1;
    Laid& laid = Get(id);
    const QPoint p = viewport()->mapFromGlobal(screen);
    const int y = p.y() - *top - laid.above;
    for (int i = 0; i < laid.layout->lineCount(); ++i) {
        const QTextLine line = laid.layout->lineAt(i);
        if (y >= line.y() && y < line.y() + line.height())
            return line.xToCursor(p.x() - ColumnLeft());
    }
    return -1;
}

std::optional<std::pair<widgets::TColor, bool>> ReadingView::MarkAt(BlockId id, int pos, int* start,
                                                                    int* end) {
    Laid& laid = Get(id);
    for (const QTextLayout::FormatRange& f : laid.layout->formats()) {
        if (f.start <= pos && pos < f.start + f.length) {
            *start = f.start;
            *end = f.start + f.length;
            return std::pair(widgets::FromQColor(f.format.background().color()),
                             f.format.fontWeight() >= QFont::Bold);
        }
    }
    if (id == caret_.block && id.kind == BlockKind::Paragraph) {
        const int row = CurrentRow();
        for (const store::SentenceSpan& s : laid.block.sentences) {
            if (s.row == row && s.begin <= pos && pos < s.End()) {
                *start = s.begin;
                *end = s.End();
                return std::pair(widgets::Look().currentBackground, false);
            }
        }
    }
    return std::nullopt;
}

}  // namespace veloria::reader
