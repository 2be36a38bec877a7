#pragma once

#include <QString>
#include <functional>
#include <string_view>

class QAccessibleEvent;
class QWidget;

// What the controls tell a screen reader through the desktop's accessibility bus: each control's
// role, name, description, states, actions and key bindings, and the events that keep a reader up
// to date. Qt serves the bus from the accessible interfaces; this layer gives its own controls
// theirs and names the Qt-drawn ones (edit boxes, text boxes, grids, scroll bars).
//
// - Forms: a dialog (a modal or dialog-framed form) or a window, named by their caption.
// - A form lists only what a reader can use: controls hidden by the program, lying outside the
//   client area (pressed by the program or by their access key alone), undescribed pictures
//   (backgrounds, logos: decoration), bevels, and labels drawn inside another label (a letter
//   underlined by hand) are left out.
// - Labels: static text named by the text shown (without the "&" marker), with a text interface;
//   a label that answers clicks is a link with a press action. A change of text is sent as a text
//   change and a name change.
// - Buttons: push buttons named by their caption without the marker, blanks trimmed; a caption
//   without a word (the arrows "<-", "->I") yields to the hint. The hint, and the meaning of the
//   button's picture, is the description; the access key is the key binding of the press action.
// - The gauge: a progress bar with its value.
// - Controls without a caption of their own are named, in this order, by the name the window gave
//   them, by the label whose access key focuses them, by the nearest label just left of or above
//   them with nothing between, a grid by its column titles, a scroll bar by what it lies over,
//   then by their hint, and a control that takes the focus at last by its form's caption.
namespace veloria::widgets {

class TControl;
class TDBGrid;
class TLabel;

// Installs the interfaces; once a QApplication exists, before the first form is made.
void InstallAccessibility();

namespace accessibility {

// The name a reader hears for the control.
QString NameOf(const TControl& control);
// Whether the widget is among its parent's accessible children.
bool Exposed(const QWidget& widget);
// A caption as shown: the "&" marker removed ("&&" shows one "&"), blanks around it trimmed.
QString PlainCaption(std::string_view caption);

// Notifications from the controls.
void LabelTextChanged(TLabel& label, std::string_view before);
// Something a name is made of changed: a caption, the name a window gave, a hint, the control a
// label focuses. The control and what its neighbours are named by are brought up to date while
// someone listens (Listening); a reader that starts later finds every window's names brought up
// to date then. While the widget's window is hidden nothing is sent: no reader can ask, and the
// window's names are brought up to date when it is shown (Showing).
void Renamed(QWidget& widget);
// A window about to be shown.
void Showing(QWidget& window);
void DescriptionChanged(QWidget& widget);
void ValueChanged(QWidget& widget, int value);
// The grid gained the focus: a reader is told its current cell, so that it reads the row.
void CurrentCellFocused(TDBGrid& grid);

// Sends an event of a control whose interface a window's own folder makes (the reading view):
// through the test hook below, then to the reader.
void Notify(QAccessibleEvent& event);
// Whether anyone listens to the events: a reader over the bus, or a test's hook.
bool Listening();

// For tests: receives every event this layer sends, also while no reader listens (Qt hands
// events to the platform only then). Installed, it is heard as a reader starting; an empty hook
// ends it.
void SetEventHook(std::function<void(QAccessibleEvent&)> hook);

}  // namespace accessibility
}  // namespace veloria::widgets
