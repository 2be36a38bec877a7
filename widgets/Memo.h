#pragma once

#include <QPlainTextEdit>
#include <QTextCharFormat>
#include <QTextEdit>
#include <string>
#include <string_view>
#include <vector>

#include "widgets/Control.h"

// Multi-line text boxes: the memo (plain text) and the rich-text box (character styles and
// colours). Their texts are Windows-1252, and every position (SelStart counted from 0,
// SelLength) addresses the characters of the stored text, also where it holds line breaks: a
// carriage return with its line feed is two characters of the stored text, though the box shows
// one line break for it. A carriage return or a line feed alone is one character and one break.
namespace veloria::widgets {

// The stored text of a box and where its line breaks lie, to map stored positions to the
// document's and back.
class StoredText {
  public:
    void Assign(std::string text);
    const std::string& Text() const { return text_; }
    // The document's plain text: one '\n' for each line break.
    std::string DocumentText() const;
    // A stored position inside a carriage return / line feed pair maps to the break.
    int ToDocument(int stored) const;
    int ToStored(int document) const;
    int Length() const { return int(text_.size()); }

  private:
    std::string text_;
    std::vector<int> pairs_;  // stored positions of the carriage return of each CR LF pair
};

// The lines of a text: split at CR LF, CR or LF, and joined again with CR LF.
std::vector<std::string> SplitLines(std::string_view text);
std::string JoinLines(const std::vector<std::string>& lines);

// A stretch of a memo's text set apart from the rest, in stored positions (as SelStart and
// SelLength count): a background, a text colour, bold or not. Presentation only: the text, the
// selection and what the box copies stay as they are. A screen reader finds the mark among the
// text's attributes (its background, colour and weight).
struct TTextMark {
    int start = 0;
    int length = 0;
    TColor background = clWhite;
    TColor color = clBlack;
    bool bold = false;
    bool operator==(const TTextMark&) const = default;
};

// What both boxes offer on top of their Qt widget.
class TextBoxBehaviour {
  public:
    virtual ~TextBoxBehaviour() = default;

    // The text as set (or as the user edited it, lines joined with CR LF).
    std::string Text() const;
    void SetText(std::string_view text);
    void Clear() { SetText({}); }
    std::vector<std::string> Lines() const { return SplitLines(Text()); }

    int SelStart() const;
    int SelLength() const;
    // Puts the caret there with nothing selected.
    void SetSelStart(int start);
    // Selects that many characters from SelStart.
    void SetSelLength(int length);
    std::string SelText() const;
    void SelectAll();

    // The selection to the clipboard, as the box copies (nothing when there is none).
    virtual void CopyToClipboard() = 0;
    // The selection as the box copies it; without one, the whole text as plain text, its lines
    // joined with CR LF.
    void CopySelectionOrAll();

    // The text changed, by the user or by the program.
    std::function<void()> OnChange;

  protected:
    virtual QTextDocument& Document() const = 0;
    virtual QTextCursor Cursor() const = 0;
    virtual void SetTextCursorTo(const QTextCursor& cursor) = 0;
    // Fills the document with the stored text's document form.
    virtual void Fill(const QString& documentText) = 0;
    // The user changed the document: the stored text follows it.
    void DocumentEdited();
    const StoredText& Stored() const;
    bool Filling() const { return filling_; }
    // Runs a change of the document's looks alone: the text stays, so it is no edit.
    void ChangeLooks(const std::function<void()>& change);

  private:
    mutable StoredText stored_;
    mutable bool edited_ = false;
    mutable QString documentText_;  // the document's text as the stored text gives it
    bool filling_ = false;
};

// What the memo and the rich-text box are alike over their Qt widget (QPlainTextEdit, QTextEdit):
// a tab stop that Tab leaves, read-only or not (a read-only box shows its caret only while it has
// the focus, as the platform's do), scroll bars, word wrap, border and colour.
template <class W>
class TextBox : public ControlHost<W>, public TextBoxBehaviour {
  public:
    explicit TextBox(QWidget* parent);

    void SetReadOnly(bool readOnly);
    void SetScrollBars(TScrollStyle style);
    void SetWordWrap(bool wrap);
    void SetBorderStyle(TBorderStyle style);

  protected:
    QTextDocument& Document() const override { return *this->document(); }
    QTextCursor Cursor() const override { return this->textCursor(); }
    void SetTextCursorTo(const QTextCursor& cursor) override { this->setTextCursor(cursor); }
    void ApplyColor(TColor color) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // With the focus the keyboard moves and selects in a read-only box; without, the mouse alone.
    void ShowCaret(bool focused);
};

extern template class TextBox<QPlainTextEdit>;
extern template class TextBox<QTextEdit>;

// The memo: plain text, read-only or not, scroll bars, word wrap, font.
class TMemo : public TextBox<QPlainTextEdit> {
  public:
    explicit TMemo(QWidget* parent);

    void SetAlignment(TAlignment alignment);
    // The selection as plain text.
    void CopyToClipboard() override;

    // Sets stretches of the text apart, replacing those set before; a new text drops them. Later
    // marks are laid over earlier ones where they overlap. For read-only boxes: the marks are no
    // part of the user's undo history.
    void SetMarks(std::vector<TTextMark> marks);
    const std::vector<TTextMark>& Marks() const { return marks_; }
    // Scrolls, if need be, so that the characters from start (stored positions) are in view, as
    // far as the box's height allows; the caret and the selection stay where they are.
    void ScrollIntoView(int start, int length);

  protected:
    // What the box copies, or drags, is its plain text: never the marks' looks.
    QMimeData* createMimeDataFromSelection() const override;
    void Fill(const QString& documentText) override;
    bool WantsTab() const override { return false; }

  private:
    TAlignment alignment_ = taLeftJustify;
    std::vector<TTextMark> marks_;
};

class TRichEdit;

// Character attributes of a rich-text box: of its selection (SelAttributes) or of the text it
// puts in from now on (DefAttributes).
class TTextAttributes {
  public:
    TFontStyles Style() const;
    // The whole set: bold, italic, underline and strike-out each on or off.
    void SetStyle(TFontStyles style);
    TColor Color() const;
    void SetColor(TColor color);

  private:
    friend class TRichEdit;
    TTextAttributes(TRichEdit& box, bool selection) : box_(box), selection_(selection) {}
    // The format of the selection's first character.
    QTextCharFormat SelectionFormat() const;
    // Sets the format's properties on the attributes.
    void Merge(const QTextCharFormat& format);
    TRichEdit& box_;
    bool selection_;
};

class TRichEdit : public TextBox<QTextEdit> {
  public:
    explicit TRichEdit(QWidget* parent);

    TTextAttributes SelAttributes() { return TTextAttributes(*this, true); }
    TTextAttributes DefAttributes() { return TTextAttributes(*this, false); }
    // Empties the box, makes the attributes for new text black without a style, and puts the
    // text in: nothing of the marks of the text before carries over to this one.
    void SetPlainText(std::string_view text);

    // The selection as formatted text with its plain text, as the box copies.
    void CopyToClipboard() override;

  protected:
    void Fill(const QString& documentText) override;
    void BoundsOrFontChanged() override;

  private:
    friend class TTextAttributes;
    QTextCharFormat defaultFormat_;
};

}  // namespace veloria::widgets
