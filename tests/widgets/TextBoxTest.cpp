// Memo and rich-text box: positions address the stored text's characters across line breaks;
// character styles; copying.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include "tests/widgets/Fixtures.h"
#include "widgets/Memo.h"
#include "widgets/Testing.h"

namespace veloria::widgets::test {
namespace {

TEST(StoredTextTest, MapsPositionsAcrossEveryKindOfLineBreak) {
    StoredText t;
    t.Assign("ab\r\ncd\nef\rg");
    EXPECT_EQ(t.DocumentText(), "ab\ncd\nef\ng");
    // Stored:   a0 b1 CR2 LF3 c4 d5 LF6 e7 f8 CR9 g10
    // Document: a0 b1 \n2     c3 d4 \n5 e6 f7 \n8 g9
    const int toDocument[] = {0, 1, 2, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    for (int s = 0; s <= t.Length(); ++s)
        EXPECT_EQ(t.ToDocument(s), toDocument[s]) << s;
    const int toStored[] = {0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11};
    for (int d = 0; d <= 10; ++d)
        EXPECT_EQ(t.ToStored(d), toStored[d]) << d;
    // Round trip for every position that is not inside a CR LF pair.
    for (int s = 0; s <= t.Length(); ++s) {
        if (s != 3) {
            EXPECT_EQ(t.ToStored(t.ToDocument(s)), s);
        }
    }
}

TEST(StoredTextTest, SplitsAndJoinsLines) {
    EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\r\n"), (std::vector<std::string>{"a"}));
    EXPECT_EQ(SplitLines("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(SplitLines("").empty());
    EXPECT_EQ(JoinLines({"a", "", "b"}), "a\r\n\r\nb");
}

class TextBoxTest : public WidgetTest {
  protected:
    void SetUp() override {
        form = std::make_unique<LoggedForm>("form", log);
        memo = form->Add<TMemo>("Memo1", 10, 10, 200, 100, 0);
        memo->SetReadOnly(true);
        rich = form->Add<TRichEdit>("RichEdit1", 10, 120, 280, 90, 1);
        rich->SetReadOnly(true);
        rich->SetFont(TFont{"Arial", 16});
        form->Show();
    }
    // The colour and weight of one character of the rich box's document.
    QTextCharFormat FormatAtDocument(int position) {
        QTextCursor c(rich->document());
        c.setPosition(position + 1);
        return c.charFormat();
    }

    std::unique_ptr<LoggedForm> form;
    TMemo* memo = nullptr;
    TRichEdit* rich = nullptr;
};

TEST_F(TextBoxTest, MemoSelectionAddressesStoredCharacters) {
    const std::string text = "First line\r\nSecond \xE9 line\nthird";
    memo->SetText(text);
    EXPECT_EQ(memo->Text(), text);
    EXPECT_EQ(memo->Lines(), (std::vector<std::string>{"First line", "Second \xE9 line", "third"}));
    EXPECT_EQ(memo->document()->blockCount(), 3);
    // "line\r\nSecond": from stored position 6, twelve stored characters.
    memo->SetSelStart(6);
    memo->SetSelLength(12);
    EXPECT_EQ(memo->SelStart(), 6);
    EXPECT_EQ(memo->SelLength(), 12);
    EXPECT_EQ(memo->SelText(), "line\r\nSecond");
    EXPECT_EQ(memo->textCursor().selectedText().toStdString(), "line\u2029Second");
    memo->CopyToClipboard();
    EXPECT_EQ(Clipboard().AsText(), "line\r\nSecond");
    // Past the break after the LF alone.
    memo->SetSelStart(int(text.find("third")));
    memo->SetSelLength(5);
    EXPECT_EQ(memo->SelText(), "third");
    memo->SetSelLength(0);
    EXPECT_EQ(memo->SelLength(), 0);
}

// Qt focuses the first widget it finds when the window is activated; the form moves the focus on
// to its own first control. The memo must not keep a caret from that moment.
TEST_F(TextBoxTest, AReadOnlyBoxWithoutTheFocusShowsNoCaret) {
    LoggedForm other("other", log);
    auto* first = other.Add<TMemo>("first", 10, 10, 200, 100, 1);
    first->SetReadOnly(true);
    first->SetText("    text after blanks");
    auto* edit = other.Add<TEdit>("edit", 10, 150, 50, 20, 0);
    other.Show();
    testing::ProcessEvents(20);
    ASSERT_TRUE(edit->Focused());
    EXPECT_FALSE(first->textInteractionFlags() & Qt::TextSelectableByKeyboard);
    const QImage shot = first->viewport()->grab().toImage();
    for (int x = 0; x < 10; ++x) {
        for (int y = 0; y < 20; ++y)
            EXPECT_GT(qGray(shot.pixel(x, y)), 128) << x << "," << y;
    }
    first->SetFocus();
    EXPECT_TRUE(first->textInteractionFlags() & Qt::TextSelectableByKeyboard);
}

TEST_F(TextBoxTest, TextTypedIntoAnEditableMemoUsesThePlatformsLineBreaks) {
    auto* editable = form->Add<TMemo>("Memo2", 220, 10, 90, 100, 2);
    int changes = 0;
    editable->OnChange = [&] { ++changes; };
    editable->SetFocus();
    testing::TypeText(*form, "ab");
    testing::KeyClick(*form, Qt::Key_Return);
    testing::TypeText(*form, "c");
    EXPECT_EQ(editable->Text(), "ab\r\nc");
    EXPECT_EQ(changes, 4);
    editable->SetSelStart(4);
    editable->SetSelLength(1);
    EXPECT_EQ(editable->SelText(), "c");
}

TEST_F(TextBoxTest, RichEditStylesLandOnTheStoredSpanAcrossLineBreaks) {
    // "Alpha\r\nBeta\nGamma": stored position 12 is the G, document position 10.
    rich->SetPlainText("Alpha\r\nBeta\nGamma");
    rich->SetSelStart(12);
    rich->SetSelLength(5);
    EXPECT_EQ(rich->SelText(), "Gamma");
    rich->SelAttributes().SetStyle({fsBold});
    rich->SelAttributes().SetColor(RGB(255, 0, 0));
    EXPECT_EQ(rich->SelAttributes().Style(), TFontStyles{fsBold});
    EXPECT_EQ(rich->SelAttributes().Color(), RGB(255, 0, 0));
    EXPECT_EQ(FormatAtDocument(10).fontWeight(), QFont::Bold);
    EXPECT_EQ(FormatAtDocument(10).foreground().color(), QColor(255, 0, 0));
    EXPECT_NE(FormatAtDocument(9).fontWeight(), QFont::Bold);  // the break before it
    // The style set is the whole set: underline alone clears bold; the colour stays.
    rich->SelAttributes().SetStyle({fsUnderline});
    EXPECT_EQ(rich->SelAttributes().Style(), TFontStyles{fsUnderline});
    EXPECT_EQ(rich->SelAttributes().Color(), RGB(255, 0, 0));
    // Styling leaves the text as stored (its LF alone stays one).
    EXPECT_EQ(rich->Text(), "Alpha\r\nBeta\nGamma");
    rich->SetSelStart(3);
    EXPECT_EQ(rich->SelStart(), 3);
    EXPECT_EQ(rich->SelLength(), 0);
}

TEST_F(TextBoxTest, PlainTextTakesNothingOfTheStylesBefore) {
    rich->DefAttributes().SetStyle({fsItalic});
    rich->SetText("Old heading");
    rich->SetSelStart(0);
    rich->SetSelLength(3);
    rich->SelAttributes().SetStyle({fsBold});
    rich->SelAttributes().SetColor(RGB(255, 0, 0));
    rich->SetPlainText("New text");
    EXPECT_NE(FormatAtDocument(0).fontWeight(), QFont::Bold);
    EXPECT_FALSE(FormatAtDocument(0).fontItalic());
    EXPECT_EQ(FormatAtDocument(0).foreground().color(), QColor(0, 0, 0));
}

TEST_F(TextBoxTest, RichEditCopiesFormattedAndPlainText) {
    rich->SetText("one\r\ntwo");
    rich->SetSelStart(0);
    rich->SetSelLength(3);
    rich->SelAttributes().SetStyle({fsBold});
    rich->SetSelLength(8);
    rich->CopyToClipboard();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasHtml());
    EXPECT_EQ(Clipboard().AsText(), "one\r\ntwo");
    // Nothing selected: nothing copied.
    Clipboard().SetAsText("kept");
    rich->SetSelStart(2);
    rich->CopyToClipboard();
    EXPECT_EQ(Clipboard().AsText(), "kept");
}

// The look of the character at a position of the memo's document.
QTextCharFormat MemoFormatAt(TMemo& memo, int position) {
    const QTextBlock block = memo.document()->findBlock(position);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        if (it.fragment().contains(position))
            return it.fragment().charFormat();
    }
    return {};
}

TEST_F(TextBoxTest, MemoMarksAreLooksAloneAndLandOnTheStoredSpan) {
    memo->SetText("one\r\ntwo three");
    memo->SetSelStart(1);
    memo->SetSelLength(7);
    int changes = 0;
    memo->OnChange = [&] { ++changes; };
    const TTextMark mark{5, 3, RGB(255, 214, 90), clBlack, true};
    memo->SetMarks({mark});
    // Stored 5..8 is "two", document 4..7 after the line break.
    EXPECT_EQ(MemoFormatAt(*memo, 4).background().color(), QColor(255, 214, 90));
    EXPECT_EQ(MemoFormatAt(*memo, 6).fontWeight(), QFont::Bold);
    EXPECT_NE(MemoFormatAt(*memo, 3).background().style(), Qt::SolidPattern);
    EXPECT_NE(MemoFormatAt(*memo, 7).background().style(), Qt::SolidPattern);
    // The text, the selection and the user's history are untouched.
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(memo->Text(), "one\r\ntwo three");
    EXPECT_EQ(memo->SelStart(), 1);
    EXPECT_EQ(memo->SelText(), "ne\r\ntwo");
    EXPECT_FALSE(memo->document()->isUndoAvailable());
    EXPECT_EQ(memo->Marks(), std::vector<TTextMark>{mark});
    // New marks replace the old ones; a new text drops them.
    memo->SetMarks({{0, 1, RGB(214, 232, 255), clBlack, false}});
    EXPECT_NE(MemoFormatAt(*memo, 4).background().style(), Qt::SolidPattern);
    EXPECT_EQ(MemoFormatAt(*memo, 0).background().color(), QColor(214, 232, 255));
    memo->SetText("one\r\ntwo three");
    EXPECT_TRUE(memo->Marks().empty());
    EXPECT_NE(MemoFormatAt(*memo, 0).background().style(), Qt::SolidPattern);
    // Out of range marks are cut to the text.
    memo->SetMarks({{12, 50, RGB(255, 214, 90), clBlack, true}, {-4, 2, clWhite, clBlack, true}});
    EXPECT_EQ(MemoFormatAt(*memo, 12).fontWeight(), QFont::Bold);
    EXPECT_EQ(memo->Text(), "one\r\ntwo three");
}

TEST_F(TextBoxTest, AMarkedMemoCopiesItsPlainTextAlone) {
    memo->SetText("Forgive peace");
    memo->SetMarks({{0, 7, RGB(255, 214, 90), clBlack, true}});
    memo->SetFocus();
    memo->SelectAll();
    testing::KeyClick(*form, Qt::Key_C, Qt::ControlModifier);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->formats(), QStringList{"text/plain"});
    EXPECT_EQ(Clipboard().AsText(), "Forgive peace");
}

// What a screen reader asks of the text: the marks are among its attributes, the rest is plain.
TEST_F(TextBoxTest, AScreenReaderFindsTheMarksAmongTheTextAttributes) {
    memo->SetText("\r\nforgive peace");
    memo->SetMarks({{2, 7, RGB(255, 214, 90), clBlack, true}});
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(memo);
    ASSERT_NE(a, nullptr);
    QAccessibleTextInterface* text = a->textInterface();
    ASSERT_NE(text, nullptr);
    int start = -1, end = -1;
    const QString marked = text->attributes(3, &start, &end);
    EXPECT_TRUE(marked.contains("background-color:rgb(255,214,90)")) << marked.toStdString();
    EXPECT_TRUE(marked.contains("font-weight:bold")) << marked.toStdString();
    // Document positions: the line break is one character.
    EXPECT_EQ(start, 1);
    EXPECT_EQ(end, 8);
    const QString plain = text->attributes(10, &start, &end);
    EXPECT_FALSE(plain.contains("background-color")) << plain.toStdString();
    EXPECT_EQ(start, 8);
}

TEST_F(TextBoxTest, AMemoScrollsAStretchIntoViewWithoutMovingTheCaret) {
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "line " + std::to_string(i) + "\r\n";
    text += "the end";
    memo->SetText(text);
    memo->SetSelStart(3);
    ASSERT_EQ(memo->verticalScrollBar()->value(), 0);
    const int end = int(text.size()) - 7;
    memo->ScrollIntoView(end, 7);
    EXPECT_GT(memo->verticalScrollBar()->value(), 0);
    QTextCursor at(memo->document());
    at.setPosition(memo->document()->characterCount() - 1);
    EXPECT_LE(memo->cursorRect(at).bottom(), memo->viewport()->height());
    EXPECT_EQ(memo->SelStart(), 3);
    EXPECT_EQ(memo->SelLength(), 0);
    // A stretch already in view, or taller than the box, does not move it past its start.
    memo->verticalScrollBar()->setValue(0);
    memo->ScrollIntoView(0, int(text.size()));
    EXPECT_EQ(memo->verticalScrollBar()->value(), 0);
}

}  // namespace
}  // namespace veloria::widgets::test
