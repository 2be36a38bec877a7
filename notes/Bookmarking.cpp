#include "notes/Bookmarking.h"

#include <QString>
#include <vector>

#include "export/ExportDialog.h"
#include "notes/NoteDialog.h"
#include "reader/ReadingWindow.h"
#include "store/Error.h"
#include "store/Text.h"
#include "store/VolumeTables.h"
#include "study/Study.h"
#include "widgets/Application.h"
#include "widgets/Look.h"
#include "widgets/QtText.h"

namespace veloria::notes {

namespace {

std::vector<std::function<void()>>& ChangeActions() {
    static std::vector<std::function<void()>> actions;
    return actions;
}

}  // namespace

std::string MarkOf(std::optional<study::Sentence> sentence) {
    study::StudyStore* store = study::Study();
    // The common case, a sentence without a bookmark, is answered from memory.
    if (!store || !sentence || !store->IsBookmarked(*sentence))
        return {};
    std::optional<study::Bookmark> bookmark;
    if (!Try([&] { bookmark = store->FindBookmark(*sentence); }) || !bookmark)
        return {};
    if (bookmark->note.empty())
        return "Bookmarked";
    QString first = QString::fromUtf8(bookmark->note).section(QLatin1Char('\n'), 0, 0).trimmed();
    if (first.isEmpty())
        first = QStringLiteral("...");
    return "Note: " + widgets::FromQString(first);
}

namespace {

bool HaveStore() {
    if (study::Study())
        return true;
    widgets::Application().MessageBox(
        "Bookmarks cannot be kept: the program has no store of its own in this run.", "Veloria");
    return false;
}

}  // namespace

void EditBookmark(study::Sentence sentence, std::string_view reference, std::string_view text) {
    if (!HaveStore())
        return;
    NoteDialog dialog(sentence, reference, text);
    dialog.ShowModal();
}

std::string MarkOf(std::string_view libro, std::string_view numero) {
    return MarkOf(study::SentenceOf(libro, numero));
}

std::unique_ptr<NoteDialog> MakeNoteDialog(std::string_view libro, std::string_view numero,
                                           const store::Table* book) {
    const std::optional<study::Sentence> sentence = study::SentenceOf(libro, numero);
    if (!sentence || !book || !HaveStore())
        return nullptr;
    return std::make_unique<NoteDialog>(*sentence, store::Trim(book->FieldAsString("Referencia")),
                                        book->FieldAsString("Umemo"));
}

void EditBookmark(std::string_view libro, std::string_view numero, const store::Table* book) {
    if (auto dialog = MakeNoteDialog(libro, numero, book))
        dialog->ShowModal();
}

void ConnectReader(reader::ReadingWindow& reader) {
    reader.OnBookmark = [](reader::SentencePlace place) {
        // The sentence's reference and text, from tables of its own: the reader's are its to move.
        store::VolumeTables volumes;
        const std::string numero = std::to_string(place.numero);
        EditBookmark(std::string_view(&place.code, 1), numero,
                     volumes.FindSentence(std::string_view(&place.code, 1), numero));
    };
    reader.SetSentenceMarks([](reader::SentencePlace place) {
        std::vector<reader::SentenceMark> marks;
        if (std::string mark = MarkOf(study::Sentence{place.code, place.numero}); !mark.empty())
            marks.push_back({widgets::Look().bookmark, std::move(mark)});
        return marks;
    });
    reader.OnExport = [](const std::vector<reader::SentencePlace>& section) {
        exporting::Takeout takeout;
        store::VolumeTables volumes{store::VolumeTables::Headings::With};
        for (const reader::SentencePlace& place : section) {
            const std::string numero = std::to_string(place.numero);
            if (auto p = exporting::FindPassage(volumes, std::string_view(&place.code, 1), numero))
                takeout.passages.push_back(std::move(*p));
        }
        if (takeout.passages.empty())
            return;
        const exporting::Passage& first = takeout.passages.front();
        takeout.title = {store::ToUtf8(first.volume + ": " + first.heading),
                         "Sentences: " + std::to_string(takeout.passages.size())};
        takeout.fileName = "veloria-section";
        exporting::ExportDialog dialog(
            "Sentences of the section", [&] { return takeout; }, int(takeout.passages.size()));
        dialog.ShowModal();
    };
    WhenChanged([r = QPointer<reader::ReadingWindow>(&reader)] {
        if (r)
            r->RefreshMarks();
    });
}

void BookmarksChanged() {
    // A copy: an action may give another.
    const auto actions = ChangeActions();
    for (const auto& action : actions)
        action();
}

void WhenChanged(std::function<void()> action) {
    ChangeActions().push_back(std::move(action));
}

void ForgetChangeActions() {
    ChangeActions().clear();
}

bool Try(const std::function<void()>& step) {
    try {
        step();
        return true;
    } catch (const store::StoreError& e) {
        widgets::Application().MessageBox(e.what(), "Veloria");
        return false;
    }
}

}  // namespace veloria::notes
