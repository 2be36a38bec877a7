#include "widgets/DBGrid.h"

#include <QAbstractButton>
#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "store/Schema.h"
#include "widgets/Accessible.h"
#include "widgets/Application.h"
#include "widgets/QtText.h"
#include "widgets/Zoom.h"

namespace veloria::widgets {
namespace {

constexpr int kIndicatorWidth = 11;
constexpr int kDefaultColumnWidth = 64;

int HorizontalFlags(TAlignment a) {
    switch (a) {
        case taRightJustify:
            return Qt::AlignRight;
        case taCenter:
            return Qt::AlignHCenter;
        default:
            return Qt::AlignLeft;
    }
}

// A failure of the table while painting cannot end a handler; it is shown once, after the paint.
void ReportLater(const std::exception& e) {
    static bool pending = false;
    if (pending)
        return;
    pending = true;
    const std::string message = e.what();
    QTimer::singleShot(0, [message] {
        pending = false;
        Application().ShowException(message);
    });
}

}  // namespace

// --- model -------------------------------------------------------------------------------------

class TDBGrid::Model : public QAbstractTableModel {
  public:
    explicit Model(TDBGrid& grid) : QAbstractTableModel(&grid), grid_(grid) {}

    void Reset() {
        beginResetModel();
        endResetModel();
    }
    void BeginReset() { beginResetModel(); }
    void EndReset() { endResetModel(); }

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : std::max(0, grid_.rows_);
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : int(grid_.columns_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid())
            return {};
        const auto column = std::size_t(index.column());
        if (column >= grid_.columns_.size())
            return {};
        switch (role) {
            case Qt::DisplayRole:
                try {
                    return ToQString(
                        grid_.table_.CellAsString(index.row() + 1, grid_.fields_[column]));
                } catch (const std::exception& e) {
                    ReportLater(e);
                    return {};
                }
            case Qt::TextAlignmentRole:
                return int(HorizontalFlags(grid_.columns_[column].Alignment) | Qt::AlignVCenter);
            case Qt::AccessibleDescriptionRole:
                return RestOfRow(index);
            default:
                return {};
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if ((role != Qt::DisplayRole && role != Qt::AccessibleTextRole) ||
            orientation != Qt::Horizontal)
            return {};
        if (section < 0 || std::size_t(section) >= grid_.columns_.size())
            return {};
        const QString title = ToQString(grid_.columns_[std::size_t(section)].Title);
        // Titles are placed with blanks; a reader hears the words.
        return role == Qt::AccessibleTextRole ? title.trimmed() : title;
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

  private:
    // With whole rows selected, a cell's description is the rest of its row, "Title: text" for
    // each other column, so that a reader on the current cell hears the whole row.
    QString RestOfRow(const QModelIndex& index) const {
        if (!grid_.options_.Contains(dgRowSelect))
            return {};
        QStringList parts;
        for (int c = 0; c < int(grid_.columns_.size()); ++c) {
            if (c == index.column())
                continue;
            const QString text =
                data(this->index(index.row(), c), Qt::DisplayRole).toString().trimmed();
            const QString title = ToQString(grid_.columns_[std::size_t(c)].Title).trimmed();
            parts << (title.isEmpty() || text.isEmpty() ? text
                                                        : title + QStringLiteral(": ") + text);
        }
        parts.removeAll(QString());
        return parts.join(QStringLiteral("; "));
    }

    TDBGrid& grid_;
};

// --- fixed cells -------------------------------------------------------------------------------

// The title row and the indicator column, painted in the fixed colour with raised edges; the
// indicator marks the current row with a triangle.
class TDBGrid::Header : public QHeaderView {
  public:
    Header(Qt::Orientation orientation, TDBGrid& grid)
        : QHeaderView(orientation, &grid), grid_(grid) {
        setSectionsClickable(false);
        setHighlightSections(false);
    }

    // The grid fixes each header's breadth. Qt's hint, measured from up to two hundred titles
    // at every fitting of the view, would only be cut to it: a sixth of making the main window.
    QSize sizeHint() const override {
        if (orientation() == Qt::Horizontal && minimumHeight() == maximumHeight())
            return {length(), maximumHeight()};
        if (orientation() == Qt::Vertical && minimumWidth() == maximumWidth())
            return {maximumWidth(), length()};
        return QHeaderView::sizeHint();
    }

  protected:
    void paintSection(QPainter* p, const QRect& rect, int section) const override {
        if (!rect.isValid())
            return;
        p->save();
        p->fillRect(rect, ToQColor(grid_.fixedColor_));
        const QRect r = rect.adjusted(0, 0, -1, -1);
        p->setPen(QColor(255, 255, 255));
        p->drawLine(r.topLeft(), r.topRight());
        p->drawLine(r.topLeft(), r.bottomLeft());
        p->setPen(QColor(128, 128, 128));
        p->drawLine(r.bottomLeft(), r.bottomRight());
        p->drawLine(r.topRight(), r.bottomRight());
        if (orientation() == Qt::Horizontal) {
            const auto column = std::size_t(section);
            if (column < grid_.columns_.size()) {
                p->setFont(grid_.TitleQFont(section));
                const TFont f = grid_.columns_[column].TitleFont.value_or(grid_.titleFont_);
                p->setPen(ToQColor(f.Color));
                p->drawText(rect.adjusted(2, 0, -2, 0),
                            HorizontalFlags(grid_.columns_[column].TitleAlignment) |
                                Qt::AlignVCenter | Qt::TextSingleLine,
                            ToQString(grid_.columns_[column].Title));
            }
        } else if (section == grid_.shownRec_ - 1) {
            p->setRenderHint(QPainter::Antialiasing);
            p->setPen(Qt::NoPen);
            p->setBrush(QColor(0, 0, 0));
            // As large at every zoom as the column it stands in.
            const qreal k = grid_.Scale(100) / 100.0;
            const QPointF c = QRectF(rect).center();
            const QPointF marker[3] = {QPointF(c.x() - 2 * k, c.y() - 4 * k),
                                       QPointF(c.x() + 2 * k, c.y()),
                                       QPointF(c.x() - 2 * k, c.y() + 4 * k)};
            p->drawPolygon(marker, 3);
        }
        p->restore();
    }

  private:
    TDBGrid& grid_;
};

// --- grid --------------------------------------------------------------------------------------

TDBGrid::TDBGrid(QWidget* parent, store::Table& table)
    : ControlHost<QTableView>(parent), table_(table) {
    setFocusPolicy(Qt::StrongFocus);
    SetTabStop(true);
    setTabKeyNavigation(false);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(ScrollPerPixel);
    // Whole rows from the top, whatever moves the view.
    setVerticalScrollMode(ScrollPerItem);
    model_ = new Model(*this);
    setModel(model_);
    titles_ = new Header(Qt::Horizontal, *this);
    indicator_ = new Header(Qt::Vertical, *this);
    setHorizontalHeader(titles_);
    setVerticalHeader(indicator_);
    indicator_->setSectionResizeMode(QHeaderView::Fixed);
    indicator_->setMinimumSectionSize(1);
    indicator_->setFixedWidth(kIndicatorWidth);
    titles_->setMinimumSectionSize(4);
    // The selection stays marked in the same colour when the grid has no focus.
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, ToQColor(clHighlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, ToQColor(clHighlightText));
    setPalette(p);
    SetOptions(options_);
    SyncFromData();
}

TDBGrid::~TDBGrid() = default;

void TDBGrid::SetColumns(std::vector<TColumn> columns) {
    std::vector<int> fields;
    for (const TColumn& c : columns) {
        const int field = store::FieldIndex(table_.Def(), c.FieldName);
        if (field < 0)
            throw WidgetError("Field '" + c.FieldName + "' not found in " +
                              std::string(table_.Def().fileName));
        fields.push_back(field);
    }
    model_->BeginReset();
    columns_ = std::move(columns);
    fields_ = std::move(fields);
    model_->EndReset();
    column_ = std::clamp(column_, 0, std::max(0, int(columns_.size()) - 1));
    rows_ = -1;
    SyncFromData();
    Layout();
}

void TDBGrid::SetOptions(TDBGridOptions options) {
    options_ = options;
    setSelectionBehavior(options.Contains(dgRowSelect) ? SelectRows : SelectItems);
    setShowGrid(options.Contains(dgColLines) || options.Contains(dgRowLines));
    titles_->setVisible(options.Contains(dgTitles));
    indicator_->setVisible(options.Contains(dgIndicator));
    titles_->setSectionResizeMode(options.Contains(dgColumnResize) ? QHeaderView::Interactive
                                                                   : QHeaderView::Fixed);
    Layout();
}

void TDBGrid::SetFixedColor(TColor color) {
    fixedColor_ = color;
    if (auto* corner = findChild<QAbstractButton*>()) {
        QPalette p = corner->palette();
        p.setColor(QPalette::Button, ToQColor(color));
        p.setColor(QPalette::Window, ToQColor(color));
        corner->setPalette(p);
    }
    titles_->viewport()->update();
    indicator_->viewport()->update();
}

void TDBGrid::LayOverBar(TScrollBar* bar) {
    bar_ = bar;
    // The grid's own would only scroll the view, and show beside the laid-over one.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Layout();
}

void TDBGrid::SetSelectedIndex(int column) {
    column_ = std::clamp(column, 0, std::max(0, int(columns_.size()) - 1));
    ShowCurrent(true);
}

QFont TDBGrid::TitleQFont(int column) const {
    const auto c = std::size_t(column);
    return ToQFont(c < columns_.size() ? columns_[c].TitleFont.value_or(titleFont_) : titleFont_,
                   ZoomInUse());
}

void TDBGrid::BoundsOrFontChanged() {
    Layout();
}

void TDBGrid::Layout() {
    if (!titles_)
        return;
    // Row heights as the platform computes them from the fonts.
    const int rowHeight =
        QFontMetrics(font()).height() + 3 + (options_.Contains(dgRowLines) ? 1 : 0);
    int titleHeight = QFontMetrics(ToQFont(titleFont_, ZoomInUse())).height();
    for (std::size_t i = 0; i < columns_.size(); ++i)
        titleHeight = std::max(titleHeight, QFontMetrics(TitleQFont(int(i))).height());
    {
        // The headers take their new sizes together; the view is fitted to them once, after.
        const bool wasFitting = std::exchange(fitting_, true);
        const QSignalBlocker quietTitles(titles_);
        const QSignalBlocker quietIndicator(indicator_);
        indicator_->setDefaultSectionSize(rowHeight);
        indicator_->setFixedWidth(Scale(kIndicatorWidth));
        titles_->setFixedHeight(titleHeight + 4);
        fitting_ = wasFitting;
    }
    updateGeometries();
}

void TDBGrid::SizeColumns() {
    int used = 0;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        int w = Scale(columns_[i].Width > 0 ? columns_[i].Width : kDefaultColumnWidth);
        if (i + 1 == columns_.size()) {
            // The last column ends at the grid's edge: it fills what is left, or is cut to it.
            const int rest = std::max(Scale(kDefaultColumnWidth), viewport()->width() - used);
            w = columns_[i].Width > 0 ? std::min(w, rest) : rest;
        }
        setColumnWidth(int(i), w);
        used += w;
    }
}

void TDBGrid::updateGeometries() {
    if (!indicator_ || !titles_) {
        // Being made: the view's own headers still.
        QTableView::updateGeometries();
        return;
    }
    if (fitting_)
        return;
    fitting_ = true;
    // The view places its titles and indicator in margins of its own and gives the rows the
    // rest; the laid-over bar's strip and the blank below the whole rows are then taken from the
    // rows. The horizontal bar's range is set quietly for the narrower rows before they narrow,
    // so that the bar comes or goes once, for good, and never for the view's passing width.
    QScrollBar& across = *horizontalScrollBar();
    const QSignalBlocker quiet(&across);
    for (int pass = 0; pass < 2; ++pass) {
        QTableView::updateGeometries();
        const QMargins m = viewportMargins();
        const int rowHeight = indicator_->defaultSectionSize();
        const int right = bar_ ? bar_->width() : 0;
        const int blank = rowHeight > 0 ? std::max(0, viewport()->height()) % rowHeight : 0;
        const int width = std::max(0, viewport()->width() - right);
        across.setRange(0, std::max(0, titles_->length() - width));
        across.setPageStep(std::max(1, width));
        setViewportMargins(m.left(), m.top(), right, blank);
        const QRect v = viewport()->geometry();
        indicator_->setGeometry(v.left() - m.left(), v.top(), m.left(), v.height());
        titles_->setGeometry(v.left(), v.top() - m.top(), v.width(), m.top());
        if (rowHeight <= 0 || viewport()->height() % rowHeight == 0)
            break;
    }
    PlaceBar();
    fitting_ = false;
    SizeColumns();
}

void TDBGrid::PlaceBar() {
    if (!bar_ || !bar_->parentWidget() || !bar_->parentWidget()->isAncestorOf(this))
        return;
    const int fw = frameWidth();
    const QRect client = rect().adjusted(fw, fw, -fw, -fw);
    const int width = bar_->width();
    const QPoint at = mapTo(bar_->parentWidget(), QPoint(client.right() + 1 - width, client.top()));
    // In the window's coordinates, as every control is placed.
    const int zoom = ZoomInUse();
    bar_->SetBounds(Unscaled(at.x(), zoom), Unscaled(at.y(), zoom), Unscaled(width, zoom),
                    Unscaled(client.height(), zoom));
    bar_->raise();
}

void TDBGrid::moveEvent(QMoveEvent* event) {
    QTableView::moveEvent(event);
    PlaceBar();
}

bool TDBGrid::event(QEvent* event) {
    if (event->type() == QEvent::Paint && viewportMargins().bottom() > 0) {
        // The blank below the rows, as the grid's empty part below its last row looks; below the
        // indicator column, as the column's own empty part.
        const QRect v = viewport()->geometry();
        QPainter p(this);
        p.fillRect(QRect(v.left(), v.bottom() + 1, v.width(), viewportMargins().bottom()),
                   palette().color(QPalette::Base));
    }
    return ControlHost<QTableView>::event(event);
}

int TDBGrid::VisibleRowCount() const {
    const int h = indicator_->defaultSectionSize();
    return std::max(1, h > 0 ? viewport()->height() / h : 1);
}

QRect TDBGrid::CellRect(int recNo, int column) const {
    const QModelIndex index = model_->index(recNo - 1, column);
    if (!index.isValid())
        return {};
    const QRect r = visualRect(index).intersected(viewport()->rect());
    if (r.isEmpty())
        return {};
    return QRect(viewport()->mapTo(this, r.topLeft()), r.size());
}

void TDBGrid::SyncFromData() {
    int rows = 0;
    int rec = 0;
    std::uint64_t version = 0;
    try {
        version = table_.DataVersion();
        if (table_.Active()) {
            rows = table_.RowCount();
            rec = table_.RecNo();
        }
    } catch (const std::exception&) {
        rows = 0;
        rec = 0;
    }
    bool scroll = false;
    if (rows != rows_ || version != version_) {
        rows_ = rows;
        version_ = version;
        picked_.clear();
        model_->Reset();
        shownRec_ = -1;
    }
    if (rec != shownRec_) {
        shownRec_ = rec;
        scroll = true;
    }
    if (scroll)
        ShowCurrent(true);
}

void TDBGrid::ShowCurrent(bool scroll) {
    QItemSelectionModel* selection = selectionModel();
    if (shownRec_ < 1 || columns_.empty()) {
        selection->clear();
    } else {
        const QModelIndex index = model_->index(shownRec_ - 1, column_);
        QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::ClearAndSelect;
        if (options_.Contains(dgRowSelect))
            flags |= QItemSelectionModel::Rows;
        selection->setCurrentIndex(index, flags);
        for (int rec : picked_) {
            if (rec >= 1 && rec <= rows_)
                selection->select(model_->index(rec - 1, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
        if (scroll)
            scrollTo(index, EnsureVisible);
    }
    indicator_->viewport()->update();
    viewport()->update();
}

void TDBGrid::Repaint() {
    SyncFromData();
    viewport()->repaint();
    indicator_->viewport()->repaint();
    titles_->viewport()->repaint();
}

void TDBGrid::MoveTable(int recNo) {
    Dispatch([&] { table_.MoveTo(recNo); });
    SyncFromData();
}

void TDBGrid::StepColumn(int delta, bool wrapRows) {
    const int count = int(columns_.size());
    if (count == 0)
        return;
    int next = column_ + delta;
    if (next >= count || next < 0) {
        if (!wrapRows)
            return;
        const int rec = shownRec_;
        const int target = rec + (delta > 0 ? 1 : -1);
        if (target < 1 || target > rows_)
            return;
        column_ = delta > 0 ? 0 : count - 1;
        MoveTable(target);
        ShowCurrent(true);
        return;
    }
    column_ = next;
    ShowCurrent(true);
}

void TDBGrid::SetMultiSelect(bool on) {
    multiSelect_ = on;
    picked_.clear();
    ShowCurrent(false);
}

std::vector<int> TDBGrid::SelectedRows() const {
    if (picked_.size() < 2)
        return {};
    return {picked_.begin(), picked_.end()};
}

void TDBGrid::Pick(int from, Qt::KeyboardModifiers modifiers, bool toggle) {
    if (!multiSelect_)
        return;
    const int here = shownRec_;
    if (toggle && (modifiers & Qt::ControlModifier)) {
        if (picked_.empty() && from >= 1)
            picked_.insert(from);
        if (!picked_.erase(here))
            picked_.insert(here);
        anchor_ = here;
    } else if (modifiers & Qt::ShiftModifier) {
        if (picked_.empty() || anchor_ < 1)
            anchor_ = from;
        picked_.clear();
        for (int r = std::min(anchor_, here); r <= std::max(anchor_, here); ++r)
            picked_.insert(r);
    } else {
        picked_.clear();
        anchor_ = here;
    }
    ShowCurrent(false);
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    const auto mods = event->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool rowSelect = options_.Contains(dgRowSelect);
    auto move = [&](auto&& step) {
        const int from = shownRec_;
        Dispatch([&] {
            if (table_.Active())
                step();
        });
        SyncFromData();
        Pick(from, mods, false);
    };
    switch (event->key()) {
        case Qt::Key_Up:
            move([&] { table_.Prior(); });
            break;
        case Qt::Key_Down:
            move([&] { table_.Next(); });
            break;
        case Qt::Key_PageUp:
            move([&] { table_.MoveBy(-VisibleRowCount()); });
            break;
        case Qt::Key_PageDown:
            move([&] { table_.MoveBy(VisibleRowCount()); });
            break;
        case Qt::Key_Home:
            if (ctrl || rowSelect)
                move([&] { table_.First(); });
            else
                SetSelectedIndex(0);
            break;
        case Qt::Key_End:
            if (ctrl || rowSelect)
                move([&] { table_.Last(); });
            else
                SetSelectedIndex(int(columns_.size()) - 1);
            break;
        case Qt::Key_Left:
            StepColumn(-1, false);
            break;
        case Qt::Key_Right:
            StepColumn(1, false);
            break;
        case Qt::Key_Tab:
            StepColumn(1, true);
            break;
        case Qt::Key_Backtab:
            StepColumn(-1, true);
            break;
        default:
            event->ignore();
            return;
    }
    event->accept();
}

void TDBGrid::mousePressEvent(QMouseEvent* event) {
    pressedOnCell_ = false;
    if (event->button() != Qt::LeftButton)
        return;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid())
        return;
    pressedOnCell_ = true;
    column_ = index.column();
    const int from = shownRec_;
    MoveTable(index.row() + 1);
    ShowCurrent(true);
    Pick(from, event->modifiers(), true);
}

void TDBGrid::mouseMoveEvent(QMouseEvent* event) {
    if (!pressedOnCell_ || !(event->buttons() & Qt::LeftButton))
        return;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid() || index.row() + 1 == shownRec_)
        return;
    MoveTable(index.row() + 1);
}

void TDBGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressedOnCell_)
        return;
    pressedOnCell_ = false;
    Dispatch(OnCellClick);
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
    if (pressedOnCell_)
        Dispatch(OnDblClick);
}

void TDBGrid::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    accessibility::CurrentCellFocused(*this);
}

bool TDBGrid::focusNextPrevChild(bool next) {
    // Tab moves between the columns (keyPressEvent); otherwise the form decides where the focus
    // goes, not the item view's own tabbing.
    if (WantsTab())
        return false;
    return QWidget::focusNextPrevChild(next);
}

// --- data label --------------------------------------------------------------------------------

TDBText::TDBText(QWidget* parent, store::Table& table, std::string fieldName)
    : TLabel(parent), table_(table), fieldName_(std::move(fieldName)) {
    SetAutoSize(false);
    SyncFromData();
}

void TDBText::SyncFromData() {
    std::string text;
    try {
        if (table_.Active())
            text = table_.FieldAsString(fieldName_);
    } catch (const std::exception&) {
        text.clear();
    }
    SetCaption(text);
}

}  // namespace veloria::widgets
