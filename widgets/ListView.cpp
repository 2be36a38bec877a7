#include "widgets/ListView.h"

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

}  // namespace veloria::widgets
