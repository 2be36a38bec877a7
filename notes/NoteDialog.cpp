#include "notes/NoteDialog.h"

#include <QString>
#include <QTextCursor>
#include <QTextDocument>

#include "notes/Bookmarking.h"
#include "study/Study.h"
#include "widgets/Look.h"
#include "widgets/Make.h"
#include "widgets/WindowParts.h"

using namespace veloria::widgets;

namespace veloria::notes {

NoteDialog::NoteDialog(study::Sentence sentence, std::string_view reference, std::string_view text)
    : TForm("NoteDialog"), sentence_(sentence), reference_(reference) {
    SetCaption("Bookmark");
    SetClientSize(460, 300);
    SetBorderStyle(bsDialog);
    SetBorderIcons({biSystemMenu});
    SetPosition(poScreenCenter);
    SetShowHint(true);
    SetColor(Look().readingWindow);

    SentenceLabel = Make<TLabel>(this, "SentenceLabel", 12, 10, 436, 58);
    SentenceLabel->SetAutoSize(false);
    SentenceLabel->SetBounds(12, 10, 436, 58);
    SentenceLabel->SetWordWrap(true);
    SentenceLabel->SetShowAccelChar(false);
    SentenceLabel->SetTransparent(true);
    SentenceLabel->SetCaption(std::string(reference) + "   " + std::string(text));
    NoteLabel = Make<TLabel>(this, "NoteLabel", 12, 74, 60, 17);
    NoteLabel->SetTransparent(true);
    NoteLabel->SetCaption("&Note:");
    NoteBox = Make<TMemo>(this, "NoteBox", 12, 94, 436, 160, 0);
    NoteBox->SetScrollBars(ssVertical);
    NoteBox->SetAccessibleName("Note");
    NoteLabel->SetFocusControl(NoteBox);

    SaveButton =
        MakeFlatButton(this, {"SaveButton", 12, 266, 100, 25, 1},
                       {"&Save", "Keep the bookmark with this note", "ok.png"}, [this] { Save(); });
    DeleteButton =
        MakeFlatButton(this, {"DeleteButton", 120, 266, 110, 25, 2},
                       {"&Delete", "Take the bookmark away"}, [this] { DeleteOrUndo(); });
    CancelButton = MakeFlatButton(this, {"CancelButton", 348, 266, 100, 25, 3},
                                  {"Cancel", "Close, leaving the note as it was", "cancel.png"},
                                  [this] { Close(); });
    CancelButton->SetCancel(true);
    Message = Make<TLabel>(this, "Message", 238, 270, 100, 17);
    Message->SetAutoSize(false);
    Message->SetBounds(238, 270, 100, 17);
    Message->SetTransparent(true);

    if (study::StudyStore* store = study::Study())
        Try([&] { stored_ = store->FindBookmark(sentence_); });
    if (stored_)
        NoteBox->setPlainText(QString::fromUtf8(stored_->note));
    ShowState();
    // The caret after the note, where the user goes on writing it.
    OnActivate = [this] {
        NoteBox->SetFocus();
        NoteBox->moveCursor(QTextCursor::End);
    };
}

void NoteDialog::ShowState() {
    DeleteButton->SetCaption(deleted_ ? "&Undo delete" : "&Delete");
    DeleteButton->SetEnabled(stored_ || deleted_);
    Message->SetCaption(deleted_ ? "Deleted" : "");
}

void NoteDialog::Save() {
    study::StudyStore* store = study::Study();
    if (!store)
        return;
    // The document's raw text, as typed: its plain-text form would turn no-break spaces into
    // blanks. Paragraph breaks become line feeds.
    QString raw = NoteBox->document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    const std::string note = raw.toStdString();
    const bool saved = Try([&] {
        study::Bookmark b = store->AddBookmark(sentence_, reference_);
        if (b.note != note)
            store->SetNote(b.id, note);
    });
    BookmarksChanged();
    if (saved)
        Close();
}

void NoteDialog::DeleteOrUndo() {
    study::StudyStore* store = study::Study();
    if (!store)
        return;
    if (deleted_) {
        if (Try([&] { store->RestoreBookmark(*deleted_); })) {
            stored_ = deleted_;
            deleted_.reset();
        }
    } else if (stored_) {
        Try([&] {
            deleted_ = store->DeleteBookmark(stored_->id);
            stored_.reset();
        });
    }
    BookmarksChanged();
    ShowState();
}

}  // namespace veloria::notes
