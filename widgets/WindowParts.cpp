#include "widgets/WindowParts.h"

#include <utility>

#include "store/VolumeTables.h"
#include "widgets/Application.h"
#include "widgets/Form.h"
#include "widgets/Make.h"
#include "widgets/StoredPicture.h"

namespace veloria::widgets {

TdxButton* MakeFlatButton(QWidget* parent, const ControlPlace& place, const ButtonFace& face,
                          std::function<void()> onClick) {
    auto* button = Make<TdxButton>(parent, place.name, place.left, place.top, place.width,
                                   place.height, place.tabOrder);
    button->SetCaption(face.caption);
    button->SetHint(face.hint);
    if (!face.glyph.empty())
        button->SetGlyph(StoredPicture(face.glyph));
    button->OnClick = std::move(onClick);
    return button;
}

TdxButton* MakeCloseButton(QWidget* parent, const ControlPlace& place,
                           std::function<void()> onClick) {
    TdxButton* button = MakeFlatButton(parent, place, kCloseFace, std::move(onClick));
    button->SetCancel(true);
    return button;
}

TdxButton* MakeCopyButton(QWidget* parent, const ControlPlace& place,
                          std::function<void()> onClick) {
    return MakeFlatButton(parent, place, kCopyFace, std::move(onClick));
}

void SetButtonFont(TForm& form, const TFont& font) {
    // The controls are no Qt meta-objects of their own: found as widgets, told by their type.
    for (QWidget* widget : form.findChildren<QWidget*>()) {
        if (auto* button = dynamic_cast<TdxButton*>(widget))
            button->SetFont(font);
    }
}

TImage* MakeBackground(TForm* form, std::string_view name, const TPicture& picture) {
    auto* image = Make<TImage>(form, name, 0, 0, picture.Width(), picture.Height());
    image->SetPicture(picture);
    if (form->BorderStyle() == bsSizeable) {
        image->SetAnchors({akLeft, akTop, akRight, akBottom});
        image->SetStretch(true);
    }
    return image;
}

void CopySentence(TMemo& box, const store::Table* book) {
    if (box.SelLength() >= 1)
        box.CopyToClipboard();
    else if (book)
        Clipboard().SetAsText(store::SentenceWithReference(*book));
}

}  // namespace veloria::widgets
