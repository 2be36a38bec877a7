#pragma once

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QTextLayout>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "store/VolumeText.h"
#include "widgets/Control.h"

// The running text of one volume: headings where chapters and sections begin, paragraphs, the
// page numbers in the left margin of the volumes whose page is shown, a small mark in the right
// margin beside each sentence that cites the Bible, and the marks others put beside a sentence
// (SetSentenceMarks).
//
// Only what is near the view is laid out: the view stands on a block (a heading or a paragraph)
// and a number of pixels into it, and lays out the blocks from there down as far as it shows,
// keeping a few hundred laid-out blocks at most. Its scroll bar counts sentences: the thumb
// stands at the first sentence in view, and a drag reads from the sentence it is dragged to.
//
// A caret stands in the text, as in any text box; the sentence it stands in is the current one,
// set apart. The arrows, Home and End, Page Up and Page Down move it (with Shift they select);
// Ctrl+Up and Ctrl+Down move it by paragraph, Ctrl+Home and Ctrl+End to the ends of the volume.
// A click puts it where it is clicked, a drag selects. Resting the mouse on a sentence shows its
// reference in the form's hint window.
//
// Fonts and colours come from the widget layer: the body in the control's own font (SetFont),
// headings and margin numbers in sizes of it, the marks in the colours every window marks with.
//
// A screen reader finds a document named as the control is (SetAccessibleName) whose children
// are the headings (as headings) and paragraphs near the view, each with its text; the one that
// holds the caret has the focus, and reading by sentence goes by the volume's own sentences.
namespace veloria::reader {

// A mark beside a sentence: a small square of its colour in the left margin, and what it means,
// for those who do not see it.
struct SentenceMark {
    widgets::TColor color;
    std::string description;  // Windows-1252
};

class ReadingView : public widgets::ControlHost<QAbstractScrollArea> {
  public:
    // A place in the text: a block and a 0-based character position in its text.
    struct Position {
        store::BlockId block;
        int pos = 0;
        friend auto operator<=>(const Position&, const Position&) = default;
    };
    enum class Unit { Sentence, Paragraph, Section };

    explicit ReadingView(QWidget* parent);
    ~ReadingView() override;

    // The volume shown, from its first sentence; nullptr shows nothing. The volume must outlive
    // the view's use of it.
    void SetVolume(store::VolumeText* volume);
    store::VolumeText* Volume() const { return volume_; }

    // The caret to the start of the sentence of that row; the sentence is scrolled into view
    // (a third of the way down) unless it is in view already.
    void GoToRow(int row);
    // The sentence the caret stands in (a heading stands for its section's first sentence); 0
    // for an empty volume.
    int CurrentRow() const;
    Position Caret() const { return caret_; }
    // Where a selection began; the caret's place when nothing is selected.
    Position Anchor() const { return anchor_; }
    // The caret to the first sentence of the next or previous sentence, paragraph or section;
    // false, and nothing moves, when there is none.
    bool Step(Unit unit, bool forward);
    void GoToStart();
    void GoToEnd();
    // Page Down or Page Up: the text moves by the height of the view less a line, the caret with
    // it.
    void PageStep(bool forward);
    // The first sentence in view.
    int TopRow() const;

    // The sentence of a search hit, its words marked by the patterns (0: none). Replaces the
    // last one.
    void SetHit(int row, std::vector<std::string> patterns);
    // What a find in the volume matches, marked wherever it stands in view (none: no marks).
    void SetFindPatterns(std::vector<std::string> patterns);
    // The marks beside sentences, asked for each sentence as it is laid out; RefreshMarks asks
    // again.
    using SentenceMarks = std::function<std::vector<SentenceMark>(int row)>;
    void SetSentenceMarks(SentenceMarks marks);
    void RefreshMarks();

    bool HasSelection() const { return anchor_ != caret_; }
    // The selected text, blocks separated by a line break; "" without a selection.
    std::string SelectedText();
    void ClearSelection();

    // The caret moved (the current sentence may be another).
    std::function<void()> OnCaretMoved;
    // The Bible mark beside a sentence was clicked.
    std::function<void(int row)> OnBibleMark;

    // What the accessibility layer reads: the blocks near the view, in order, and their text.
    std::vector<store::BlockId> ExposedBlocks();
    const store::Block* BlockText(store::BlockId id);
    // A block's place on the screen, and the screen rectangle of a character; empty when the
    // block is not in view.
    QRect BlockScreenRect(store::BlockId id);
    QRect CharacterScreenRect(store::BlockId id, int pos);
    int PositionAt(store::BlockId id, QPoint screen);
    // The caret into a block (a screen reader moving it); the block is scrolled into view.
    void SetCaret(Position caret, bool select = false);
    // Marks of a character, for the accessibility layer: its background and weight.
    std::optional<std::pair<widgets::TColor, bool>> MarkAt(store::BlockId id, int pos, int* start,
                                                           int* end);
    // A stable key for the accessible object of each exposed block.
    std::map<store::BlockId, QAccessible::Id>& AccessibleIds() { return accessibleIds_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    // The view paints what its place says; the scroll bar only reports.
    void scrollContentsBy(int, int) override {}
    void changeEvent(QEvent* event) override;
    bool WantsArrows() const override { return true; }

  private:
    struct Laid {
        store::Block block;
        QString text;  // the block's text as the layout holds it
        std::unique_ptr<QTextLayout> layout;
        int above = 0;                                 // space above the text
        int height = 0;                                // everything, space above and below included
        std::vector<int> pageRows;                     // sentences that begin a page
        std::vector<std::vector<SentenceMark>> marks;  // per sentence
    };
    // A block in view, and where it stands (its top, in viewport pixels).
    struct Shown {
        store::BlockId id;
        int top;
    };

    Laid& Get(store::BlockId id);
    void Layout(Laid& laid);
    QFont FontOf(store::BlockKind kind) const;
    int ColumnLeft() const;
    int ColumnWidth() const;
    int LineHeight() const;
    void DropLayouts();
    void Trim();

    // Scrolling: the block at the top and the pixels of it above the view.
    void ScrollBy(int pixels);
    void Normalise();
    void PlaceRowAt(int row, int fromTop);
    void UpdateScrollBar();
    void ScrollBarAction(int action);
    // The blocks in view from the top, as painting finds them.
    std::vector<Shown> Visible();
    std::optional<int> TopOf(store::BlockId id);

    // The caret.
    void MoveCaret(Position to, bool select, bool keepX = false);
    void EnsureCaretVisible();
    std::optional<Position> PositionAtPoint(QPoint viewportPoint);
    QRect CaretRect();
    Position Neighbour(Position from, int key, bool word);
    Position LineMove(Position from, bool down);
    int SentenceAt(const Laid& laid, int pos) const;
    std::optional<int> MarginMarkRowAt(QPoint viewportPoint);
    void ReportCaret();
    // The accessible objects of blocks that left the view are let go, those that came are made,
    // and a listening reader is told.
    void SyncAccessible();

    store::VolumeText* volume_ = nullptr;
    std::map<store::BlockId, std::unique_ptr<Laid>> laid_;
    int layoutWidth_ = -1;
    store::BlockId top_;
    int offset_ = 0;
    Position caret_;
    Position anchor_;
    int caretX_ = -1;  // where Up and Down keep the caret, across short lines
    bool selecting_ = false;
    int lastCaretRow_ = 0;
    std::optional<store::BlockId> focusedBlock_;  // the block a screen reader was last put on
    bool syncingBar_ = false;
    int hitRow_ = 0;
    std::vector<std::string> hitPatterns_;
    std::vector<std::string> findPatterns_;
    SentenceMarks sentenceMarks_;
    std::map<store::BlockId, QAccessible::Id> accessibleIds_;
};

// Installs what the screen reader reads of the view; once, before the first view is made.
void InstallReadingAccessibility();
// The accessible object of a block of the view, made when first asked for.
QAccessibleInterface* AccessibleBlock(ReadingView& view, store::BlockId id);

}  // namespace veloria::reader
