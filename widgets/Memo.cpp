#include "widgets/Memo.h"

#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <algorithm>

#include "widgets/Application.h"
#include "widgets/QtText.h"

namespace veloria::widgets {

// --- stored text -------------------------------------------------------------------------------

void StoredText::Assign(std::string text) {
    text_ = std::move(text);
    pairs_.clear();
    for (std::size_t i = 0; i + 1 < text_.size(); ++i) {
        if (text_[i] == '\r' && text_[i + 1] == '\n') {
            pairs_.push_back(int(i));
            ++i;
        }
    }
}

std::string StoredText::DocumentText() const {
    std::string out;
    out.reserve(text_.size());
    for (std::size_t i = 0; i < text_.size(); ++i) {
        const char c = text_[i];
        if (c == '\r' || c == '\n') {
            out += '\n';
            if (c == '\r' && i + 1 < text_.size() && text_[i + 1] == '\n')
                ++i;
        } else {
            out += c;
        }
    }
    return out;
}

int StoredText::ToDocument(int stored) const {
    stored = std::clamp(stored, 0, Length());
    // Every pair that starts before the position counts one character less in the document.
    const auto before = std::lower_bound(pairs_.begin(), pairs_.end(), stored) - pairs_.begin();
    return stored - int(before);
}

int StoredText::ToStored(int document) const {
    // Pair j stands at document position pairs_[j] - j; positions after it count one more.
    int lo = 0, hi = int(pairs_.size());
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (pairs_[std::size_t(mid)] - mid < document)
            lo = mid + 1;
        else
            hi = mid;
    }
    return std::clamp(document + lo, 0, Length());
}

std::vector<std::string> SplitLines(std::string_view text) {
    // As a list of strings reads a text: a closing line break ends the last line, it does not
    // start an empty one.
    std::vector<std::string> lines;
    std::string line;
    bool open = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(std::move(line));
            line.clear();
            open = false;
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line += c;
            open = true;
        }
    }
    if (open)
        lines.push_back(std::move(line));
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i)
            out += "\r\n";
        out += lines[i];
    }
    return out;
}

// --- text boxes --------------------------------------------------------------------------------

const StoredText& TextBoxBehaviour::Stored() const {
    if (edited_) {
        // Edited by the user: the document's lines, with the platform's line breaks.
        QString raw = Document().toRawText();
        raw.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
        raw.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
        stored_.Assign(FromQString(raw));
        documentText_ = ToQString(stored_.DocumentText());
        edited_ = false;
    }
    return stored_;
}

void TextBoxBehaviour::DocumentEdited() {
    if (filling_ || edited_) {
        if (edited_)
            Dispatch(OnChange);
        return;
    }
    // Styles applied to the text change the document too; only a change of the text counts.
    QString raw = Document().toRawText();
    raw.replace(QChar::ParagraphSeparator, QChar('\n'));
    raw.replace(QChar::LineSeparator, QChar('\n'));
    if (raw == documentText_)
        return;
    edited_ = true;
    Dispatch(OnChange);
}

std::string TextBoxBehaviour::Text() const {
    return Stored().Text();
}

void TextBoxBehaviour::SetText(std::string_view text) {
    const bool changed = Stored().Text() != text;
    stored_.Assign(std::string(text));
    edited_ = false;
    documentText_ = ToQString(stored_.DocumentText());
    filling_ = true;
    Fill(documentText_);
    filling_ = false;
    QTextCursor c = Cursor();
    c.setPosition(0);
    SetTextCursorTo(c);
    if (changed)
        Dispatch(OnChange);
}

void TextBoxBehaviour::ChangeLooks(const std::function<void()>& change) {
    QTextDocument& document = Document();
    const bool undo = document.isUndoRedoEnabled();
    const bool filling = filling_;
    filling_ = true;
    document.setUndoRedoEnabled(false);
    change();
    document.setUndoRedoEnabled(undo);
    filling_ = filling;
}

int TextBoxBehaviour::SelStart() const {
    return Stored().ToStored(Cursor().selectionStart());
}

int TextBoxBehaviour::SelLength() const {
    const QTextCursor c = Cursor();
    const StoredText& s = Stored();
    return s.ToStored(c.selectionEnd()) - s.ToStored(c.selectionStart());
}

void TextBoxBehaviour::SetSelStart(int start) {
    const StoredText& s = Stored();
    QTextCursor c = Cursor();
    c.setPosition(s.ToDocument(std::clamp(start, 0, s.Length())));
    SetTextCursorTo(c);
}

void TextBoxBehaviour::SetSelLength(int length) {
    const StoredText& s = Stored();
    const int start = SelStart();
    const int end = std::clamp(start + std::max(0, length), 0, s.Length());
    QTextCursor c = Cursor();
    c.setPosition(s.ToDocument(start));
    c.setPosition(s.ToDocument(end), QTextCursor::KeepAnchor);
    SetTextCursorTo(c);
}

std::string TextBoxBehaviour::SelText() const {
    const int start = SelStart();
    return Stored().Text().substr(std::size_t(start), std::size_t(SelLength()));
}

void TextBoxBehaviour::SelectAll() {
    SetSelStart(0);
    SetSelLength(Stored().Length());
}

void TextBoxBehaviour::CopySelectionOrAll() {
    if (SelLength() < 1)
        Clipboard().SetAsText(JoinLines(Lines()));
    else
        CopyToClipboard();
}

// --- text boxes alike ---------------------------------------------------------------------------

template <class W>
TextBox<W>::TextBox(QWidget* parent) : ControlHost<W>(parent) {
    this->setFocusPolicy(Qt::StrongFocus);
    this->setTabChangesFocus(true);
    this->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    this->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    this->SetTabStop(true);
    QObject::connect(this, &W::textChanged, this, [this] { DocumentEdited(); });
}

template <class W>
void TextBox<W>::ShowCaret(bool focused) {
    if (!this->isReadOnly())
        return;
    this->setTextInteractionFlags(focused ? Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard
                                          : Qt::TextSelectableByMouse);
}

template <class W>
void TextBox<W>::SetReadOnly(bool readOnly) {
    this->setReadOnly(readOnly);
    if (readOnly)
        ShowCaret(this->hasFocus());
}

template <class W>
void TextBox<W>::focusInEvent(QFocusEvent* event) {
    ShowCaret(true);
    W::focusInEvent(event);
}

template <class W>
void TextBox<W>::focusOutEvent(QFocusEvent* event) {
    // The box puts its caret away only while the keyboard may move it.
    W::focusOutEvent(event);
    ShowCaret(false);
}

template <class W>
void TextBox<W>::SetScrollBars(TScrollStyle style) {
    const bool v = style == ssVertical || style == ssBoth;
    const bool h = style == ssHorizontal || style == ssBoth;
    this->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    this->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

template <class W>
void TextBox<W>::SetWordWrap(bool wrap) {
    this->setLineWrapMode(wrap ? W::WidgetWidth : W::NoWrap);
}

template <class W>
void TextBox<W>::SetBorderStyle(TBorderStyle style) {
    this->setFrameShape(style == bsNone ? W::NoFrame : W::StyledPanel);
}

template <class W>
void TextBox<W>::ApplyColor(TColor color) {
    QPalette p = this->palette();
    p.setColor(QPalette::Base, ToQColor(color));
    this->setPalette(p);
}

template class TextBox<QPlainTextEdit>;
template class TextBox<QTextEdit>;

// --- TMemo -------------------------------------------------------------------------------------

TMemo::TMemo(QWidget* parent) : TextBox<QPlainTextEdit>(parent) {}

void TMemo::SetAlignment(TAlignment alignment) {
    alignment_ = alignment;
    QTextOption option = document()->defaultTextOption();
    option.setAlignment(alignment == taCenter         ? Qt::AlignHCenter
                        : alignment == taRightJustify ? Qt::AlignRight
                                                      : Qt::AlignLeft);
    document()->setDefaultTextOption(option);
}

void TMemo::Fill(const QString& documentText) {
    marks_.clear();
    setPlainText(documentText);
    ShowCaret(hasFocus());
}

void TMemo::CopyToClipboard() {
    if (SelLength() > 0)
        Clipboard().SetAsText(SelText());
}

void TMemo::SetMarks(std::vector<TTextMark> marks) {
    if (marks.empty() && marks_.empty())
        return;
    ChangeLooks([&] {
        QTextDocument& document = *this->document();
        // One edit: the document is laid out once, not once a mark.
        QTextCursor c(&document);
        c.beginEditBlock();
        if (!marks_.empty()) {
            c.select(QTextCursor::Document);
            c.setCharFormat(QTextCharFormat());
        }
        const StoredText& stored = Stored();
        for (const TTextMark& mark : marks) {
            const int start = std::clamp(mark.start, 0, stored.Length());
            const int end =
                std::clamp(mark.start + std::max(0, mark.length), start, stored.Length());
            if (start == end)
                continue;
            c.setPosition(stored.ToDocument(start));
            c.setPosition(stored.ToDocument(end), QTextCursor::KeepAnchor);
            QTextCharFormat looks;
            looks.setBackground(ToQColor(mark.background));
            looks.setForeground(ToQColor(mark.color));
            looks.setFontWeight(mark.bold ? QFont::Bold : QFont::Normal);
            c.mergeCharFormat(looks);
        }
        c.endEditBlock();
    });
    marks_ = std::move(marks);
}

void TMemo::ScrollIntoView(int start, int length) {
    const StoredText& stored = Stored();
    QTextCursor first(document()), last(document());
    first.setPosition(stored.ToDocument(std::clamp(start, 0, stored.Length())));
    last.setPosition(
        stored.ToDocument(std::clamp(start + std::max(0, length), 0, stored.Length())));
    QScrollBar& bar = *verticalScrollBar();
    const int height = viewport()->height();
    // The bar counts lines: step until the end is in view, but never past the start.
    while (cursorRect(last).bottom() > height &&
           cursorRect(first).top() >= cursorRect(first).height() && bar.value() < bar.maximum()) {
        bar.setValue(bar.value() + 1);
    }
}

QMimeData* TMemo::createMimeDataFromSelection() const {
    auto* data = new QMimeData;
    data->setText(textCursor().selection().toPlainText());
    return data;
}

// --- TRichEdit ---------------------------------------------------------------------------------

TRichEdit::TRichEdit(QWidget* parent) : TextBox<QTextEdit>(parent) {
    setAcceptRichText(false);
}

void TRichEdit::BoundsOrFontChanged() {
    defaultFormat_.setFontFamilies({font().family()});
    if (font().pixelSize() <= 0)
        return;
    defaultFormat_.setProperty(QTextFormat::FontPixelSize, font().pixelSize());
    // The text already shown takes the new size too (a change of zoom), keeping its styles.
    if (!document()->isEmpty()) {
        QTextCharFormat size;
        size.setProperty(QTextFormat::FontPixelSize, font().pixelSize());
        QTextCursor all(document());
        all.select(QTextCursor::Document);
        all.mergeCharFormat(size);
    }
}

void TRichEdit::Fill(const QString& documentText) {
    const bool wasReadOnly = isReadOnly();
    document()->clear();
    QTextCursor c(document());
    c.setBlockCharFormat(defaultFormat_);
    c.insertText(documentText, defaultFormat_);
    setCurrentCharFormat(defaultFormat_);
    if (wasReadOnly)
        ShowCaret(hasFocus());
}

void TRichEdit::SetPlainText(std::string_view text) {
    Clear();
    DefAttributes().SetColor(clBlack);
    DefAttributes().SetStyle({});
    SetText(text);
}

void TRichEdit::CopyToClipboard() {
    if (SelLength() < 1)
        return;
    const QTextDocumentFragment fragment = textCursor().selection();
    Clipboard().SetAsHtml(fragment.toHtml().toStdString(), SelText());
}

// --- attributes --------------------------------------------------------------------------------

namespace {

TFontStyles StyleOf(const QTextCharFormat& f) {
    TFontStyles s;
    if (f.fontWeight() >= QFont::Bold)
        s.Include(fsBold);
    if (f.fontItalic())
        s.Include(fsItalic);
    if (f.fontUnderline())
        s.Include(fsUnderline);
    if (f.fontStrikeOut())
        s.Include(fsStrikeOut);
    return s;
}

}  // namespace

QTextCharFormat TTextAttributes::SelectionFormat() const {
    QTextCursor c = box_.textCursor();
    QTextCursor at(box_.document());
    at.setPosition(std::min(c.selectionStart() + 1, box_.document()->characterCount() - 1));
    return at.charFormat();
}

void TTextAttributes::Merge(const QTextCharFormat& format) {
    if (!selection_) {
        box_.defaultFormat_.merge(format);
        return;
    }
    QTextCursor c = box_.textCursor();
    if (c.hasSelection())
        c.mergeCharFormat(format);
    else
        box_.mergeCurrentCharFormat(format);
}

TFontStyles TTextAttributes::Style() const {
    return StyleOf(selection_ ? SelectionFormat() : box_.defaultFormat_);
}

void TTextAttributes::SetStyle(TFontStyles style) {
    QTextCharFormat f;
    f.setFontWeight(style.Contains(fsBold) ? QFont::Bold : QFont::Normal);
    f.setFontItalic(style.Contains(fsItalic));
    f.setFontUnderline(style.Contains(fsUnderline));
    f.setFontStrikeOut(style.Contains(fsStrikeOut));
    Merge(f);
}

TColor TTextAttributes::Color() const {
    if (!selection_)
        return FromQColor(box_.defaultFormat_.foreground().color());
    const QBrush b = SelectionFormat().foreground();
    return b.style() == Qt::NoBrush ? FromQColor(box_.palette().color(QPalette::Text))
                                    : FromQColor(b.color());
}

void TTextAttributes::SetColor(TColor color) {
    QTextCharFormat f;
    f.setForeground(ToQColor(color));
    Merge(f);
}

}  // namespace veloria::widgets
