#include "history/HistoryWindow.h"

#include "history/History.h"
#include "store/Error.h"
#include "study/Study.h"
#include "widgets/Application.h"
#include "widgets/Look.h"
#include "widgets/Make.h"
#include "widgets/QtText.h"
#include "widgets/WindowParts.h"

using namespace veloria::widgets;

namespace veloria::history {

namespace {

// A store step; its failure is said.
template <class F>
void Try(F step) {
    try {
        step();
    } catch (const store::StoreError& e) {
        Application().MessageBox(e.what(), "Veloria");
    }
}

}  // namespace

HistoryWindow::HistoryWindow() : TForm("History") {
    SetCaption("Search history");
    SetClientSize(600, 360);
    SetBorderStyle(bsDialog);
    SetBorderIcons({biSystemMenu});
    SetPosition(poScreenCenter);
    SetShowHint(true);
    SetColor(Look().searchDialog);

    List = Make<TListView>(this, "List", 12, 12, 576, 300, 0);
    List->SetAccessibleName("Earlier searches");
    List->setAccessibleName(QStringLiteral("Earlier searches"));
    List->SetColumns({{"Words", 140}, {"Mode", 110}, {"Volumes", 150}, {"Hits", 70}, {"When", 0}});
    QObject::connect(List, &QTreeWidget::itemActivated, List,
                     [this](QTreeWidgetItem*, int) { SearchAgain(); });
    SearchButton = MakeFlatButton(this, {"SearchButton", 12, 322, 110, 25, 1},
                                  {"&Search again", "Run the search again", "search.png"},
                                  [this] { SearchAgain(); });
    DeleteButton = MakeFlatButton(this, {"DeleteButton", 130, 322, 90, 25, 2},
                                  {"&Delete", "Take the search out of the history"},
                                  [this] { DeleteCurrent(); });
    ClearButton = MakeFlatButton(this, {"ClearButton", 228, 322, 90, 25, 3},
                                 {"Clea&r all", "Empty the history"}, [this] { ClearAll(); });
    CloseButton = MakeCloseButton(this, {"CloseButton", 498, 322, 90, 25, 4}, [this] { Close(); });
    OnActivate = [this] {
        chosen_.reset();
        Fill();
        List->SetFocus();
    };
}

void HistoryWindow::Fill() {
    const int row = std::max(List->CurrentRow(), 0);
    entries_.clear();
    if (study::StudyStore* store = study::Study())
        Try([&] { entries_ = store->History(); });
    List->clear();
    for (const study::HistoryEntry& e : entries_) {
        const Described d = DescribeParts(e);
        new QTreeWidgetItem(List, {ToQString(d.words), ToQString(d.mode), ToQString(d.volumes),
                                   ToQString(d.hits), ToQString(d.when)});
    }
    if (!entries_.empty())
        List->setCurrentItem(List->topLevelItem(std::min(row, int(entries_.size()) - 1)));
    for (TdxButton* b : {SearchButton, DeleteButton, ClearButton})
        b->SetEnabled(!entries_.empty());
}

void HistoryWindow::SearchAgain() {
    const int row = List->CurrentRow();
    if (row < 0 || row >= int(entries_.size()))
        return;
    chosen_ = entries_[std::size_t(row)].search;
    Close();
}

void HistoryWindow::DeleteCurrent() {
    const int row = List->CurrentRow();
    study::StudyStore* store = study::Study();
    if (row < 0 || row >= int(entries_.size()) || !store)
        return;
    Try([&] { store->DeleteHistoryEntry(entries_[std::size_t(row)].id); });
    Fill();
}

void HistoryWindow::ClearAll() {
    if (study::StudyStore* store = study::Study())
        Try([&] { store->ClearHistory(); });
    Fill();
}

}  // namespace veloria::history
