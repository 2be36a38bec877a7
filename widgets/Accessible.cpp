#include "widgets/Accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <functional>
#include <vector>

#include "widgets/Application.h"
#include "widgets/Buttons.h"
#include "widgets/DBGrid.h"
#include "widgets/Form.h"
#include "widgets/Gauge.h"
#include "widgets/Memo.h"
#include "widgets/Picture.h"
#include "widgets/QtText.h"
#include "widgets/ScrollBar.h"
#include "widgets/StdCtrls.h"

namespace veloria::widgets {
namespace accessibility {
namespace {

// While a name is handed to a Qt-served control: its change event asks for interfaces again.
bool syncing = false;

// How far a label may lie from the control it names.
constexpr int kLabelGapLeft = 40;
constexpr int kLabelGapAbove = 12;

QString Trimmed(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

QString Lines(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QString LabelText(std::string_view caption, bool marker) {
    return Trimmed(Lines(marker ? WithoutMarker(caption) : ToQString(caption)));
}

QString LabelText(const TLabel& label) {
    return LabelText(label.Caption(), label.ShowAccelChar());
}

// A caption drawn with characters rather than words ("<-", "->I"): no two letters in a row.
bool HasWord(const QString& caption) {
    int run = 0;
    for (const QChar c : caption) {
        run = c.isLetter() ? run + 1 : 0;
        if (run >= 2)
            return true;
    }
    return false;
}

const std::string* CaptionOf(const QWidget& w) {
    if (auto* b = dynamic_cast<const TdxButton*>(&w))
        return &b->Caption();
    if (auto* b = dynamic_cast<const TButton*>(&w))
        return &b->Caption();
    return nullptr;
}

// Whether the name of a button comes from its hint.
bool NamedByHint(const TControl& c) {
    const std::string* caption = CaptionOf(c.Widget());
    return caption && !HasWord(PlainCaption(*caption)) && !Trimmed(ToQString(c.Hint())).isEmpty();
}

// Controls whose interfaces Qt serves; this layer only names them.
bool QtServed(const QWidget& w) {
    return dynamic_cast<const TEdit*>(&w) || dynamic_cast<const TMemo*>(&w) ||
           dynamic_cast<const TRichEdit*>(&w) || dynamic_cast<const TDBGrid*>(&w) ||
           dynamic_cast<const TScrollBar*>(&w);
}

qint64 Area(const QRect& r) {
    return r.isEmpty() ? 0 : qint64(r.width()) * r.height();
}

// A label drawn over a larger label, three quarters of it inside: an underline or a letter
// drawn over that label's caption.
bool IsMark(const TLabel& label) {
    const QWidget* parent = label.parentWidget();
    if (!parent)
        return false;
    const QRect r = label.geometry();
    for (QObject* o : parent->children()) {
        auto* other = dynamic_cast<TLabel*>(o);
        if (other && other != &label && other->isVisibleTo(parent) &&
            Area(other->geometry()) > Area(r) &&
            4 * Area(other->geometry().intersected(r)) >= 3 * Area(r)) {
            return true;
        }
    }
    return false;
}

std::vector<QWidget*> ExposedChildren(const QWidget& parent) {
    std::vector<QWidget*> out;
    for (QObject* o : parent.children()) {
        if (auto* w = qobject_cast<QWidget*>(o); w && Exposed(*w))
            out.push_back(w);
    }
    return out;
}

TControl* FocusingLabel(const TControl& c) {
    const QWidget* parent = c.Widget().parentWidget();
    if (!parent)
        return nullptr;
    for (QObject* o : parent->children()) {
        auto* label = dynamic_cast<TLabel*>(o);
        if (label && label->FocusControl() == &c && Exposed(*label) &&
            !LabelText(*label).isEmpty()) {
            return label;
        }
    }
    return nullptr;
}

// The nearest control just left of or just above `c` on the same parent; a label there names it.
const TLabel* NeighbourLabel(const TControl& c) {
    const QWidget& w = c.Widget();
    const QWidget* parent = w.parentWidget();
    if (!parent)
        return nullptr;
    const QRect r = w.geometry();
    const TControl* best = nullptr;
    std::pair<int, int> bestKey{INT_MAX, INT_MAX};
    for (QObject* o : parent->children()) {
        auto* s = dynamic_cast<TControl*>(o);
        if (!s || s == &c || !Exposed(s->Widget()))
            continue;
        if (auto* label = dynamic_cast<TLabel*>(o); label && LabelText(*label).isEmpty())
            continue;
        const QRect g = s->Widget().geometry();
        std::pair<int, int> key;
        if (g.right() < r.left() + 3 && g.top() <= r.bottom() && g.bottom() >= r.top()) {
            key = {r.left() - g.right() - 1, std::abs(g.top() - r.top())};
            if (key.first > kLabelGapLeft)
                continue;
        } else if (g.bottom() < r.top() + 3 && g.left() <= r.right() && g.right() >= r.left()) {
            key = {r.top() - g.bottom() - 1, std::abs(g.left() - r.left())};
            if (key.first > kLabelGapAbove)
                continue;
        } else {
            continue;
        }
        if (key < bestKey) {
            bestKey = key;
            best = s;
        }
    }
    return best ? dynamic_cast<const TLabel*>(&best->Widget()) : nullptr;
}

QString GridTitles(const TDBGrid& grid) {
    QStringList titles;
    for (const TColumn& column : grid.Columns()) {
        const QString t = Trimmed(ToQString(column.Title));
        if (!t.isEmpty())
            titles << t;
    }
    return titles.join(QStringLiteral(", "));
}

// The control a scroll bar lies over (the list it moves), if any.
const TControl* Underneath(const TScrollBar& bar) {
    const QWidget* parent = bar.parentWidget();
    if (!parent)
        return nullptr;
    for (QObject* o : parent->children()) {
        auto* c = dynamic_cast<TControl*>(o);
        if (c && c != &bar && !dynamic_cast<TScrollBar*>(o) && Exposed(c->Widget()) &&
            c->Widget().geometry().contains(bar.geometry().center())) {
            return c;
        }
    }
    return nullptr;
}

QString CaptionName(const TControl& c) {
    const QWidget& w = c.Widget();
    if (auto* label = dynamic_cast<const TLabel*>(&w))
        return LabelText(*label);
    if (const std::string* caption = CaptionOf(w))
        return NamedByHint(c) ? Trimmed(ToQString(c.Hint())) : PlainCaption(*caption);
    if (auto* box = dynamic_cast<const TCheckBox*>(&w))
        return PlainCaption(box->Caption());
    if (auto* radio = dynamic_cast<const TRadioButton*>(&w))
        return PlainCaption(radio->Caption());
    if (auto* group = dynamic_cast<const TGroupBox*>(&w))
        return PlainCaption(group->Caption());
    if (auto* image = dynamic_cast<const TImage*>(&w))
        return Trimmed(ToQString(image->Picture().Description()));
    return {};
}

bool HasCaption(const QWidget& w) {
    return dynamic_cast<const TLabel*>(&w) || CaptionOf(w) || dynamic_cast<const TCheckBox*>(&w) ||
           dynamic_cast<const TRadioButton*>(&w) || dynamic_cast<const TGroupBox*>(&w) ||
           dynamic_cast<const TImage*>(&w);
}

QString FormName(const TForm& form) {
    if (!form.accessibleName().isEmpty())
        return form.accessibleName();
    return Trimmed(ToQString(form.Caption()));
}

QString DescriptionOf(const TControl& c) {
    QStringList parts;
    const QString hint = Trimmed(ToQString(c.Hint()));
    if (!hint.isEmpty() && !NamedByHint(c) && hint != NameOf(c))
        parts << hint;
    if (auto* flat = dynamic_cast<const TdxButton*>(&c.Widget())) {
        const QString meaning = Trimmed(ToQString(flat->Glyph().Description()));
        if (!meaning.isEmpty())
            parts << meaning;
    }
    if (auto* grid = dynamic_cast<const TDBGrid*>(&c.Widget());
        grid && grid->Options().Contains(dgTabs)) {
        parts << QStringLiteral("Tab moves between the columns, Ctrl+Tab to the next control");
    }
    return parts.join(QStringLiteral(". "));
}

QString KeyBinding(char key) {
    return key ? QStringLiteral("Alt+") + QChar::fromLatin1(key) : QString();
}

// Qt's interfaces read the name and description from the widget.
void SyncQtServed(TControl& c) {
    QWidget& w = c.Widget();
    if (!QtServed(w) || syncing)
        return;
    // Each assignment sends its change event, wanted only for a real change.
    syncing = true;
    if (const QString name = NameOf(c); name != w.accessibleName())
        w.setAccessibleName(name);
    if (const QString description = DescriptionOf(c); description != w.accessibleDescription())
        w.setAccessibleDescription(description);
    syncing = false;
}

void SyncChildren(QWidget& parent) {
    for (QObject* o : parent.children()) {
        if (auto* c = dynamic_cast<TControl*>(o))
            SyncQtServed(*c);
    }
}

void SyncForm(QWidget& parent) {
    for (QObject* o : parent.children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow())
            continue;
        if (auto* c = dynamic_cast<TControl*>(w))
            SyncQtServed(*c);
        SyncForm(*w);
    }
}

// Qt asks for a control's interface at its every showing, reader or none, so interfaces exist
// from the start; those Qt serves read the name from the widget. The names are kept in step while
// someone listens, and brought up to date, every window's, when someone starts to.
void SyncAllForms() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (dynamic_cast<TForm*>(w))
            SyncForm(*w);
    }
}

class ReaderWatch : public QAccessible::ActivationObserver {
  public:
    void accessibilityActiveChanged(bool active) override {
        if (active)
            SyncAllForms();
    }
};

std::function<void(QAccessibleEvent&)>& Hook() {
    static std::function<void(QAccessibleEvent&)> hook;
    return hook;
}

void Send(QAccessibleEvent& event) {
    if (Hook())
        Hook()(event);
    QAccessible::updateAccessibility(&event);
}

// Runs a press after the reader's request has been answered: the press may open a modal window.
void PostPress(QWidget& widget, std::function<void()> press) {
    QPointer<QWidget> alive(&widget);
    QTimer::singleShot(0, &widget, [alive, press = std::move(press)] {
        if (alive && alive->isEnabled() && Exposed(*alive))
            Dispatch(press);
    });
}

// --- interfaces --------------------------------------------------------------------------------

// A widget of the layer: children as a reader should find them.
class LayerAccessible : public QAccessibleWidget {
  public:
    LayerAccessible(QWidget* w, QAccessible::Role role) : QAccessibleWidget(w, role) {}

    int childCount() const override {
        return widget() ? int(ExposedChildren(*widget()).size()) : 0;
    }
    QAccessibleInterface* child(int index) const override {
        if (!widget())
            return nullptr;
        const auto children = ExposedChildren(*widget());
        if (index < 0 || std::size_t(index) >= children.size())
            return nullptr;
        return QAccessible::queryAccessibleInterface(children[std::size_t(index)]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!widget() || !child)
            return -1;
        const auto children = ExposedChildren(*widget());
        const auto at = std::find(children.begin(), children.end(), child->object());
        return at == children.end() ? -1 : int(at - children.begin());
    }
};

class FormAccessible : public LayerAccessible {
  public:
    explicit FormAccessible(TForm* form) : LayerAccessible(form, RoleOf(*form)) {}

    QString text(QAccessible::Text t) const override {
        auto* form = static_cast<TForm*>(widget());
        if (form && t == QAccessible::Name)
            return FormName(*form);
        return LayerAccessible::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = LayerAccessible::state();
        if (auto* form = static_cast<TForm*>(widget()); form && form->Modal())
            s.modal = true;
        return s;
    }

  private:
    // The main window, the borderless ones (splash, progress) and those that work beside the
    // modal windows (the reader) are windows; the others are dialogs, shown modally.
    static QAccessible::Role RoleOf(const TForm& form) {
        return &form == Application().MainForm() || form.BorderStyle() == bsNone ||
                       form.BesideModalWindows()
                   ? QAccessible::Window
                   : QAccessible::Dialog;
    }
};

class ControlAccessible : public LayerAccessible {
  public:
    using LayerAccessible::LayerAccessible;

    QString text(QAccessible::Text t) const override {
        const TControl* c = Control();
        if (!c)
            return {};
        switch (t) {
            case QAccessible::Name:
                return NameOf(*c);
            case QAccessible::Description:
                return DescriptionOf(*c);
            case QAccessible::Accelerator:
                return KeyBinding(c->AccessKey());
            default:
                return LayerAccessible::text(t);
        }
    }

  protected:
    TControl* Control() const { return dynamic_cast<TControl*>(widget()); }
};

class LabelAccessible : public ControlAccessible, public QAccessibleTextInterface {
  public:
    explicit LabelAccessible(TLabel* label) : ControlAccessible(label, QAccessible::StaticText) {}

    QAccessible::Role role() const override {
        auto* label = dynamic_cast<TLabel*>(widget());
        return label && label->OnClick ? QAccessible::Link : QAccessible::StaticText;
    }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return ControlAccessible::interface_cast(t);
    }
    using ControlAccessible::text;

    // A label that answers clicks (a web address) is pressed like a button.
    QStringList actionNames() const override {
        QStringList names;
        if (Clickable())
            names << pressAction();
        return names << ControlAccessible::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == pressAction() && Clickable()) {
            auto* label = static_cast<TLabel*>(widget());
            PostPress(*label, [label] { Dispatch(label->OnClick); });
            return;
        }
        ControlAccessible::doAction(action);
    }
    // The text shown, as the name reads it.
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override {
        const QString all = Shown();
        if (end < 0 || end > all.size())
            end = int(all.size());
        start = std::clamp(start, 0, end);
        return all.mid(start, end - start);
    }
    int characterCount() const override { return int(Shown().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        return {};
    }

  private:
    QString Shown() const {
        auto* label = dynamic_cast<TLabel*>(widget());
        return label ? LabelText(*label) : QString();
    }
    bool Clickable() const {
        auto* label = dynamic_cast<TLabel*>(widget());
        return label && label->OnClick && label->isEnabled();
    }
};

class ButtonAccessible : public ControlAccessible {
  public:
    ButtonAccessible(QWidget* w, std::function<void()> press)
        : ControlAccessible(w, QAccessible::Button), press_(std::move(press)) {}

    QAccessible::State state() const override {
        QAccessible::State s = ControlAccessible::state();
        if (auto* flat = dynamic_cast<TdxButton*>(widget())) {
            s.pressed = flat->Down();
            s.hotTracked = flat->Hovered();
        } else if (auto* button = dynamic_cast<QPushButton*>(widget())) {
            s.pressed = button->isDown();
        }
        return s;
    }
    QStringList actionNames() const override {
        QStringList names;
        if (widget() && widget()->isEnabled())
            names << pressAction();
        return names << ControlAccessible::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == pressAction()) {
            if (widget() && widget()->isEnabled())
                PostPress(*widget(), press_);
            return;
        }
        ControlAccessible::doAction(action);
    }
    QStringList keyBindingsForAction(const QString& action) const override {
        const TControl* c = Control();
        if (action == pressAction() && c && c->AccessKey())
            return {KeyBinding(c->AccessKey())};
        return ControlAccessible::keyBindingsForAction(action);
    }

  private:
    std::function<void()> press_;
};

class GaugeAccessible : public ControlAccessible, public QAccessibleValueInterface {
  public:
    explicit GaugeAccessible(TGauge* gauge) : ControlAccessible(gauge, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return ControlAccessible::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) {
            auto* g = static_cast<TGauge*>(widget());
            return g ? QStringLiteral("%1%").arg(g->PercentDone()) : QString();
        }
        return ControlAccessible::text(t);
    }
    QVariant currentValue() const override { return Get(&TGauge::Progress); }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return Get(&TGauge::MaxValue); }
    QVariant minimumValue() const override { return Get(&TGauge::MinValue); }
    QVariant minimumStepSize() const override { return 1; }

  private:
    QVariant Get(int (TGauge::*value)() const) const {
        auto* g = static_cast<TGauge*>(widget());
        return g ? QVariant((g->*value)()) : QVariant();
    }
};

QAccessibleInterface* Factory(const QString&, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* w = static_cast<QWidget*>(object);
    if (auto* form = dynamic_cast<TForm*>(w)) {
        SyncForm(*form);
        return new FormAccessible(form);
    }
    auto* c = dynamic_cast<TControl*>(w);
    if (!c)
        return nullptr;
    if (auto* label = dynamic_cast<TLabel*>(w))
        return new LabelAccessible(label);
    if (auto* flat = dynamic_cast<TdxButton*>(w))
        return new ButtonAccessible(flat, [flat] { flat->Click(); });
    if (auto* button = dynamic_cast<TButton*>(w))
        return new ButtonAccessible(button, [button] { button->Click(); });
    if (auto* gauge = dynamic_cast<TGauge*>(w))
        return new GaugeAccessible(gauge);
    if (dynamic_cast<TImage*>(w))
        return new ControlAccessible(w, QAccessible::Graphic);
    if (dynamic_cast<TGroupBox*>(w))
        return new ControlAccessible(w, QAccessible::Grouping);
    // The rest Qt serves itself, by the names given here.
    SyncQtServed(*c);
    return nullptr;
}

}  // namespace

QString PlainCaption(std::string_view caption) {
    return Trimmed(Lines(WithoutMarker(caption)));
}

bool Exposed(const QWidget& w) {
    const QWidget* parent = w.parentWidget();
    if (w.isWindow() || !parent || !w.isVisibleTo(parent))
        return false;
    // Outside the client area: pressed by the program, or answering its access key alone.
    if (!w.geometry().intersects(parent->rect()))
        return false;
    if (auto* image = dynamic_cast<const TImage*>(&w))
        return !image->Picture().Description().empty();
    if (dynamic_cast<const TBevel*>(&w))
        return false;
    if (auto* label = dynamic_cast<const TLabel*>(&w))
        return !IsMark(*label);
    return true;
}

QString NameOf(const TControl& c) {
    if (!c.AccessibleName().empty())
        return Trimmed(ToQString(c.AccessibleName()));
    const QWidget& w = c.Widget();
    if (HasCaption(w))
        return CaptionName(c);
    if (const TControl* label = FocusingLabel(c))
        return LabelText(static_cast<const TLabel&>(label->Widget()));
    if (const TLabel* label = NeighbourLabel(c))
        return LabelText(*label);
    if (auto* grid = dynamic_cast<const TDBGrid*>(&w)) {
        const QString titles = GridTitles(*grid);
        if (!titles.isEmpty())
            return titles;
    }
    if (auto* bar = dynamic_cast<const TScrollBar*>(&w)) {
        if (const TControl* under = Underneath(*bar))
            return NameOf(*under);
    }
    const QString hint = Trimmed(ToQString(c.Hint()));
    if (!hint.isEmpty())
        return hint;
    // What takes the focus is never nameless: the window's own content is what it shows.
    if (const TForm* form = c.Form(); form && w.focusPolicy() != Qt::NoFocus)
        return FormName(*form);
    return {};
}

void LabelTextChanged(TLabel& label, std::string_view before) {
    const QString was = LabelText(before, label.ShowAccelChar());
    const QString now = LabelText(label);
    if (was == now || !label.isVisible() || !Exposed(label))
        return;
    QAccessibleTextUpdateEvent text(&label, 0, was, now);
    Send(text);
    QAccessibleEvent name(&label, QAccessible::NameChanged);
    Send(name);
    // The controls this label names are renamed with it.
    if (Listening() && label.parentWidget())
        SyncChildren(*label.parentWidget());
}

void Renamed(QWidget& widget) {
    // Each renaming brings every neighbour's name up to date, a search of the window for each:
    // done at every caption of a window's making, that cost the main window a fifth of its
    // making. A hidden window is named once, when it is shown.
    if (!widget.window()->isVisible())
        return;
    if (Listening() && widget.parentWidget())
        SyncChildren(*widget.parentWidget());
    if (!QtServed(widget)) {
        QAccessibleEvent event(&widget, QAccessible::NameChanged);
        Send(event);
    }
}

void Showing(QWidget& window) {
    if (Listening())
        SyncForm(window);
}

void Notify(QAccessibleEvent& event) {
    Send(event);
}

bool Listening() {
    return QAccessible::isActive() || Hook();
}

void SetEventHook(std::function<void(QAccessibleEvent&)> hook) {
    Hook() = std::move(hook);
    if (Hook())
        SyncAllForms();
}

void DescriptionChanged(QWidget& widget) {
    QAccessibleEvent event(&widget, QAccessible::DescriptionChanged);
    Send(event);
}

void ValueChanged(QWidget& widget, int value) {
    QAccessibleValueChangeEvent event(&widget, value);
    Send(event);
}

void CurrentCellFocused(TDBGrid& grid) {
    if (!QAccessible::isActive() && !Hook())
        return;
    // After Qt's own report of the grid's focus, which names the grid alone.
    QPointer<TDBGrid> alive(&grid);
    QTimer::singleShot(0, &grid, [alive] {
        if (!alive || !alive->hasFocus() || alive->CurrentRecNo() < 1)
            return;
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(alive.data());
        QAccessibleTableInterface* cells = table ? table->tableInterface() : nullptr;
        QAccessibleInterface* cell =
            cells ? cells->cellAt(alive->CurrentRecNo() - 1, alive->SelectedIndex()) : nullptr;
        if (!cell)
            return;
        QAccessibleEvent event(cell, QAccessible::Focus);
        Send(event);
    });
}

}  // namespace accessibility

void InstallAccessibility() {
    QAccessible::installFactory(&accessibility::Factory);
    static accessibility::ReaderWatch watch;
    QAccessible::installActivationObserver(&watch);
}

}  // namespace veloria::widgets
