#pragma once

#include <functional>
#include <string_view>

#include "store/Table.h"
#include "widgets/Buttons.h"
#include "widgets/Memo.h"
#include "widgets/Picture.h"

// The pieces every window builds alike, written once: its background, its flat buttons, and the
// copy of a sentence.
namespace veloria::widgets {

class TForm;

// Where a control stands: its name, its place in the parent's client area, its tab order.
struct ControlPlace {
    std::string_view name;
    int left, top, width, height;
    int tabOrder;
};

// What a flat button shows: its caption (with its access key), its hint, and a picture that comes
// with the program (StoredPicture), or none.
struct ButtonFace {
    std::string_view caption;
    std::string_view hint;
    std::string_view glyph = {};
};

// The faces of the commands that many windows have.
inline constexpr ButtonFace kCloseFace{"Cl&ose", "Close", "close.png"};
inline constexpr ButtonFace kCopyFace{"&Copy", "Copy", "copy.png"};

// A flat button at its place, with its face; a click runs onClick (none: the caller connects it,
// as the browse piece does for the navigation buttons).
TdxButton* MakeFlatButton(QWidget* parent, const ControlPlace& place, const ButtonFace& face,
                          std::function<void()> onClick = {});

// The window's Close button, which Escape presses too, and its Copy button.
TdxButton* MakeCloseButton(QWidget* parent, const ControlPlace& place,
                           std::function<void()> onClick);
TdxButton* MakeCopyButton(QWidget* parent, const ControlPlace& place,
                          std::function<void()> onClick);

// One font for every flat button of the window, the navigation buttons included: the buttons of
// one window never differ in their letters. A window whose buttons keep the form's font needs
// none. Called once its buttons are made.
void SetButtonFont(TForm& form, const TFont& font);

// The picture behind every control of a window, from the top left corner of its client area and
// as large as the picture: at the window's own size it shows unscaled. A window whose frame is
// resizable stretches it as it grows, rather than showing its edge. Made before the controls it
// lies behind.
TImage* MakeBackground(TForm* form, std::string_view name, const TPicture& picture);

// The copy of a sentence shown in a box: the box's selection when it has one; otherwise the
// sentence at the book table's current row with its trimmed reference in parentheses, or nothing
// when there is no sentence (nullptr).
void CopySentence(TMemo& box, const store::Table* book);

}  // namespace veloria::widgets
