#include "notes/BookmarksWindow.h"

#include <QDateTime>
#include <QHeaderView>
#include <QKeyEvent>

#include "export/ExportDialog.h"
#include "notes/Bookmarking.h"
#include "reader/ReadingWindow.h"
#include "store/Text.h"
#include "store/VolumeTables.h"
#include "study/Study.h"
#include "widgets/Application.h"
#include "widgets/FileChoice.h"
#include "widgets/Look.h"
#include "widgets/Make.h"
#include "widgets/QtText.h"
#include "widgets/WindowParts.h"

using namespace veloria::widgets;

namespace veloria::notes {

BookmarksWindow* Bookmarks = nullptr;

namespace {

QString NoteLine(const std::string& note) {
    QString text = QString::fromUtf8(note);
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

}  // namespace

BookmarksWindow::BookmarksWindow() : TForm("Bookmarks") {
    SetCaption("Bookmarks");
    SetClientSize(640, 420);
    SetBorderStyle(bsSingle);
    SetBorderIcons({biSystemMenu, biMinimize});
    SetPosition(poScreenCenter);
    SetShowHint(true);
    SetColor(Look().readingWindow);

    FilterLabel = Make<TLabel>(this, "FilterLabel", 12, 14, 40, 17);
    FilterLabel->SetTransparent(true);
    FilterLabel->SetCaption("&Filter:");
    FilterBox = Make<TEdit>(this, "FilterBox", 60, 10, 300, 23, 0);
    FilterBox->SetHint("Words of a note or a reference");
    FilterLabel->SetFocusControl(FilterBox);
    FilterBox->OnChange = [this] { Fill(); };

    List = Make<TListView>(this, "List", 12, 42, 616, 300, 1);
    List->SetAccessibleName("Bookmarks");
    List->setAccessibleName(QStringLiteral("Bookmarks"));
    List->SetColumns({{"Reference", 110}, {"Note", 360}, {"Changed", 0}});
    QObject::connect(List, &QTreeWidget::itemActivated, List,
                     [this](QTreeWidgetItem*, int) { OpenCurrent(); });
    QObject::connect(List, &QTreeWidget::currentItemChanged, List,
                     [this](QTreeWidgetItem*, QTreeWidgetItem*) { ShowState(); });

    auto button = [this](const char* name, int left, int tab, const ButtonFace& face,
                         void (BookmarksWindow::*handler)()) {
        return MakeFlatButton(this, {name, left, 352, 74, 25, tab}, face,
                              [this, handler] { (this->*handler)(); });
    };
    OpenButton = button("OpenButton", 12, 2, {"&Read", "Read the sentence in its volume"},
                        &BookmarksWindow::OpenCurrent);
    EditButton = button("EditButton", 89, 3, {"&Edit note", "Edit the note of the bookmark"},
                        &BookmarksWindow::EditCurrent);
    DeleteButton = button("DeleteButton", 166, 4, {"&Delete", "Delete the bookmark"},
                          &BookmarksWindow::DeleteCurrent);
    UndoButton =
        button("UndoButton", 243, 5, {"&Undo", "Bring back the last bookmark deleted here"},
               &BookmarksWindow::Undo);
    PrintButton =
        button("PrintButton", 320, 6,
               {"&Print...",
                "Print the bookmarks listed, copy them, or save them as text, HTML, CSV or PDF"},
               &BookmarksWindow::PrintList);
    ExportButton = button("ExportButton", 397, 7,
                          {"E&xport...", "Write every bookmark to a bookmarks file, for a backup"},
                          &BookmarksWindow::ExportFile);
    ImportButton =
        button("ImportButton", 474, 8, {"&Import...", "Read bookmarks from a bookmarks file"},
               &BookmarksWindow::ImportFile);
    CloseButton = MakeCloseButton(this, {"CloseButton", 551, 352, 77, 25, 9}, [this] { Close(); });
    Message = Make<TLabel>(this, "Message", 12, 390, 616, 17);
    Message->SetAutoSize(false);
    Message->SetBounds(12, 390, 616, 17);
    Message->SetTransparent(true);
    Message->SetShowAccelChar(false);
    Message->SetAccessibleName("Message");

    OnActivate = [this] { SetColor(Look().readingWindow); };
    // The list follows every change, wherever it was made.
    WhenChanged([this] {
        if (Visible())
            Fill();
    });
    ShowState();
}

void BookmarksWindow::Open() {
    Fill();
    Show();
    raise();
    activateWindow();
    List->SetFocus();
}

void BookmarksWindow::Fill() {
    const std::optional<study::Bookmark> was = Current();
    shown_.clear();
    if (study::StudyStore* store = study::Study()) {
        const QByteArray filter = ToQString(FilterBox->Text()).toUtf8();
        Try([&] { shown_ = store->Bookmarks(std::string_view(filter.data(), filter.size())); });
    }
    List->clear();
    int current = 0;
    for (std::size_t i = 0; i < shown_.size(); ++i) {
        const study::Bookmark& b = shown_[i];
        auto* item = new QTreeWidgetItem(List);
        item->setText(0, ToQString(b.reference));
        item->setText(1, NoteLine(b.note));
        item->setToolTip(1, QString::fromUtf8(b.note));
        item->setText(2, QDateTime::fromSecsSinceEpoch(b.updated).toString(
                             QStringLiteral("yyyy-MM-dd hh:mm")));
        if (was && b.id == was->id)
            current = int(i);
    }
    if (!shown_.empty())
        List->setCurrentItem(List->topLevelItem(current));
    ShowState();
}

std::optional<study::Bookmark> BookmarksWindow::Current() const {
    const int row = List->CurrentRow();
    if (row < 0 || row >= int(shown_.size()))
        return std::nullopt;
    return shown_[std::size_t(row)];
}

void BookmarksWindow::ShowState() {
    const bool any = Current().has_value();
    for (TdxButton* b : {OpenButton, EditButton, DeleteButton})
        b->SetEnabled(any);
    UndoButton->SetEnabled(!deleted_.empty());
    ExportButton->SetEnabled(study::Study() != nullptr);
    ImportButton->SetEnabled(study::Study() != nullptr);
}

void BookmarksWindow::OpenCurrent() {
    const std::optional<study::Bookmark> b = Current();
    if (!b || !reader::Reader)
        return;
    if (!reader::Reader->OpenAt({b->sentence.book, b->sentence.numero}))
        Message->SetCaption("The work has no sentence " + b->reference + " any more.");
}

void BookmarksWindow::EditCurrent() {
    const std::optional<study::Bookmark> b = Current();
    if (!b)
        return;
    EditBookmark(b->sentence, b->reference, {});
    Fill();
}

void BookmarksWindow::DeleteCurrent() {
    const std::optional<study::Bookmark> b = Current();
    study::StudyStore* store = study::Study();
    if (!b || !store)
        return;
    Try([&] {
        if (auto gone = store->DeleteBookmark(b->id))
            deleted_.push_back(std::move(*gone));
    });
    Message->SetCaption("Deleted " + b->reference + ". Undo brings it back.");
    BookmarksChanged();
    Fill();
}

void BookmarksWindow::Undo() {
    study::StudyStore* store = study::Study();
    if (deleted_.empty() || !store)
        return;
    const study::Bookmark b = deleted_.back();
    if (Try([&] { store->RestoreBookmark(b); }))
        deleted_.pop_back();
    Message->SetCaption("Brought back " + b.reference + ".");
    BookmarksChanged();
    Fill();
}

exporting::Takeout BookmarksWindow::ListTakeout() const {
    exporting::Takeout takeout;
    takeout.withNotes = true;
    takeout.fileName = "veloria-bookmarks";
    takeout.title.push_back("Bookmarks: " + std::to_string(shown_.size()));
    if (const std::string filter = store::Trim(FilterBox->Text()); !filter.empty())
        takeout.title.push_back("Filter: " + store::ToUtf8(filter));
    store::VolumeTables volumes{store::VolumeTables::Headings::With};
    for (const study::Bookmark& b : shown_) {
        const std::string numero = std::to_string(b.sentence.numero);
        // A sentence the work no longer has goes out by its reference alone.
        exporting::Passage p;
        if (auto found =
                exporting::FindPassage(volumes, std::string_view(&b.sentence.book, 1), numero))
            p = std::move(*found);
        else
            p.reference = b.reference;
        p.note = b.note;
        takeout.passages.push_back(std::move(p));
    }
    return takeout;
}

void BookmarksWindow::PrintList() {
    exporting::ExportDialog dialog(
        "Bookmarks", [this] { return ListTakeout(); }, int(shown_.size()));
    dialog.ShowModal();
}

void BookmarksWindow::ExportFile() {
    study::StudyStore* store = study::Study();
    if (!store)
        return;
    const std::filesystem::path file =
        ChooseFile({"Export the bookmarks", true, "bookmarks.csv", "Bookmarks (*.csv)"});
    if (file.empty())
        return;
    if (Try([&] { store->ExportBookmarks(file); }))
        Message->SetCaption(std::to_string(store->BookmarkCount()) + " bookmarks written to " +
                            FromQString(QString::fromStdString(file.string())) + ".");
}

void BookmarksWindow::ImportFile() {
    study::StudyStore* store = study::Study();
    if (!store)
        return;
    const std::filesystem::path file =
        ChooseFile({"Import bookmarks", false, {}, "Bookmarks (*.csv)"});
    if (file.empty())
        return;
    study::ImportResult result;
    if (!Try([&] { result = store->ImportBookmarks(file); })) {
        Message->SetCaption("Nothing was imported.");
        return;
    }
    Message->SetCaption("Imported: " + std::to_string(result.added) + " added, " +
                        std::to_string(result.replaced) + " replaced, " +
                        std::to_string(result.kept) + " already there.");
    BookmarksChanged();
    Fill();
}

}  // namespace veloria::notes
