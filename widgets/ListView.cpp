#include "widgets/ListView.h"

#include <QStringList>

namespace veloria::widgets {

TListView::TListView(QWidget* parent) : ControlHost<QTreeWidget>(parent) {
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

int TListView::CurrentRow() const {
    return currentItem() ? indexOfTopLevelItem(currentItem()) : -1;
}

void TListView::SetColumns(std::vector<ListColumn> columns) {
    columns_ = std::move(columns);
    QStringList titles;
    for (const ListColumn& c : columns_)
        titles << QString::fromLatin1(c.title);
    setHeaderLabels(titles);
    BoundsOrFontChanged();
}

void TListView::BoundsOrFontChanged() {
    for (std::size_t i = 0; i + 1 < columns_.size(); ++i)
        setColumnWidth(int(i), Scale(columns_[i].width));
}

}  // namespace veloria::widgets
