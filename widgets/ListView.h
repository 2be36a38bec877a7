#pragma once

#include <QTreeWidget>
#include <vector>

#include "widgets/Control.h"

namespace veloria::widgets {

// A column of a list: its title, and its width in the window's coordinates (0 for the last one,
// which takes what is left).
struct ListColumn {
    const char* title;
    int width;
};

// A list of rows with columns, whole rows selected one at a time; a control like every other
// (tab stop, focus, the window's keys). Enter or a double click activates the current row.
class TListView : public ControlHost<QTreeWidget> {
  public:
    explicit TListView(QWidget* parent);
    // The 0-based row of the current item; -1 when there is none.
    int CurrentRow() const;
    // Titled columns, drawn as wide as given at the zoom in use.
    void SetColumns(std::vector<ListColumn> columns);

  protected:
    void BoundsOrFontChanged() override;

  private:
    std::vector<ListColumn> columns_;
};

}  // namespace veloria::widgets
