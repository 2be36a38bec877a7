#pragma once

#include <QTreeWidget>

#include "widgets/Control.h"

namespace veloria::widgets {

// A list of rows with columns, whole rows selected one at a time; a control like every other
// (tab stop, focus, the window's keys). Enter or a double click activates the current row.
class TListView : public ControlHost<QTreeWidget> {
  public:
    explicit TListView(QWidget* parent);
    // The 0-based row of the current item; -1 when there is none.
    int CurrentRow() const;
};

}  // namespace veloria::widgets
