#pragma once

#include <QPointer>
#include <QTableView>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "store/Table.h"
#include "widgets/Control.h"
#include "widgets/DataLink.h"
#include "widgets/ScrollBar.h"
#include "widgets/StdCtrls.h"

// The grid bound to a table handle, and the data label.
//
// The handle's current row is the grid's current row, both ways: the grid moves the handle for
// clicks and keys, and shows wherever the window moved the handle (after each event handler, and
// at once on Repaint). Whole rows are selected and stay marked without the focus; a title row and
// the row indicator column (a marker on the current row) are drawn in the fixed colour. The grid
// shows whole rows only: what is left below the last row that fits is blank, so no row is ever
// cut, at the bottom nor, after a move to the last row, at the top.
//
// Key handlers: OnKeyDown runs before the grid moves for the key (it sees the row before the
// key), OnKeyUp after (it sees the row the key moved to); a held key gives one OnKeyUp when it
// is let go. OnCellClick runs after a click has made the clicked row current.
namespace veloria::widgets {

struct TColumn {
    TColumn(std::string fieldName, std::string title = {}, int width = 0,
            std::optional<TFont> titleFont = std::nullopt,
            TAlignment titleAlignment = taLeftJustify, TAlignment alignment = taLeftJustify)
        : FieldName(std::move(fieldName)),
          Title(std::move(title)),
          Width(width),
          TitleFont(std::move(titleFont)),
          TitleAlignment(titleAlignment),
          Alignment(alignment) {}
    std::string FieldName;
    std::string Title;  // exactly as shown, blanks included
    // 0: 64 pixels, and for the last column the rest of the grid's width. The last column ends at
    // the grid's edge (or its laid-over bar): a wider one is cut to what is left.
    int Width;
    std::optional<TFont> TitleFont;  // the grid's title font when not given
    TAlignment TitleAlignment;
    TAlignment Alignment;
};

enum class TDBGridOption {
    dgTitles,
    dgIndicator,
    dgColumnResize,
    dgColLines,
    dgRowLines,
    dgTabs,
    dgRowSelect,
    dgAlwaysShowSelection
};
using TDBGridOptions = TSet<TDBGridOption>;
using enum TDBGridOption;

class TDBGrid : public ControlHost<QTableView>, public DataLink {
  public:
    TDBGrid(QWidget* parent, store::Table& table);
    ~TDBGrid() override;

    store::Table& DataTable() { return table_; }

    void SetColumns(std::vector<TColumn> columns);
    const std::vector<TColumn>& Columns() const { return columns_; }
    void SetOptions(TDBGridOptions options);
    TDBGridOptions Options() const { return options_; }
    // The colour of the title row and the indicator column.
    void SetFixedColor(TColor color);
    TColor FixedColor() const { return fixedColor_; }
    // A scroll bar of the window laid over the grid's right edge, in place of the grid's own
    // vertical one: the grid keeps the bar on the strip at the right of its client area, from its
    // top to its bottom, and its title row and its cells end where the bar begins. The grid's
    // own scroll bars are otherwise shown when needed.
    void LayOverBar(TScrollBar* bar);
    // The current column.
    int SelectedIndex() const { return column_; }
    void SetSelectedIndex(int column);

    // Follows the table (rows and current row) and paints now.
    void Repaint() override;
    void SyncFromData() override;

    // Rows that fit in the grid.
    int VisibleRowCount() const;
    // Where a cell of row recNo (1-based) is drawn, in the grid's own coordinates; an empty
    // rectangle when that row is not in view.
    QRect CellRect(int recNo, int column) const;
    // The row the grid shows as current (1-based), 0 when none.
    int CurrentRecNo() const { return shownRec_; }

    // Rows picked beside the current one, for a command over several (an export): Ctrl with a
    // click adds or takes away a row, Shift with a click or a moving key picks the rows from
    // where the picking began. A click or a move without them picks nothing again, as does a
    // new content. Off by default: the grid then selects its current row alone.
    void SetMultiSelect(bool on);
    // The rows picked (1-based, in order) when they are more than one; empty otherwise.
    std::vector<int> SelectedRows() const;

    std::function<void()> OnCellClick;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // The client area shared out: the titles and the indicator, the strip of the laid-over bar,
    // the rows that fit whole, and the blank below them.
    void updateGeometries() override;
    void moveEvent(QMoveEvent* event) override;
    bool event(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool WantsTab() const override { return options_.Contains(dgTabs); }
    void BoundsOrFontChanged() override;

  private:
    class Model;
    class Header;
    friend class Model;
    friend class Header;

    // Row and title heights from the fonts, then the layout of the whole.
    void Layout();
    // The columns' widths; the last one ends at the edge of the rows.
    void SizeColumns();
    // The laid-over bar onto the strip the grid keeps for it.
    void PlaceBar();
    void ShowCurrent(bool scroll);
    void MoveTable(int recNo);
    void StepColumn(int delta, bool wrapRows);
    // The picked rows after the current row moved from `from`, with the keys' modifiers.
    void Pick(int from, Qt::KeyboardModifiers modifiers, bool toggle);
    QFont TitleQFont(int column) const;

    store::Table& table_;
    std::vector<TColumn> columns_;
    std::vector<int> fields_;
    TDBGridOptions options_{dgTitles,   dgIndicator, dgColumnResize, dgColLines,
                            dgRowLines, dgTabs,      dgRowSelect,    dgAlwaysShowSelection};
    TColor fixedColor_ = clBtnFace;
    // The titles' font where a column names none.
    const TFont titleFont_{"MS Sans Serif", 11, {}, clWindowText};
    Model* model_ = nullptr;
    Header* titles_ = nullptr;
    Header* indicator_ = nullptr;
    QPointer<TScrollBar> bar_;
    bool fitting_ = false;
    int rows_ = -1;
    std::uint64_t version_ = 0;
    int shownRec_ = 0;
    int column_ = 0;
    bool pressedOnCell_ = false;
    bool multiSelect_ = false;
    int anchor_ = 0;
    std::set<int> picked_;
};

// A label showing one field of a table handle's current row.
class TDBText : public TLabel, public DataLink {
  public:
    TDBText(QWidget* parent, store::Table& table, std::string fieldName);
    void SyncFromData() override;

  private:
    store::Table& table_;
    std::string fieldName_;
};

}  // namespace veloria::widgets
