#pragma once

#include <string>

#include "widgets/Memo.h"

namespace veloria::test {

// The marks of the box, one per character of its stored text: '.' plain, 'R' bold red (the
// position highlighter), 'L' bold blue (the bold-colour routine), 'U' underlined alone in the
// text colour, 'u' underlined alone in red, '/' a line-break character, '?' anything else.
inline std::string Marks(widgets::TRichEdit& box) {
    const std::string text = box.Text();
    std::string marks;
    for (int i = 0; i < int(text.size()); ++i) {
        if (text[std::size_t(i)] == '\r' || text[std::size_t(i)] == '\n') {
            marks += '/';
            continue;
        }
        box.SetSelStart(i);
        const widgets::TFontStyles style = box.SelAttributes().Style();
        const widgets::TColor color = box.SelAttributes().Color();
        if (style == widgets::TFontStyles{} && color == widgets::clBlack)
            marks += '.';
        else if (style == widgets::TFontStyles{widgets::fsBold} && color == widgets::clRed)
            marks += 'R';
        else if (style == widgets::TFontStyles{widgets::fsBold} && color == widgets::clBlue)
            marks += 'L';
        else if (style == widgets::TFontStyles{widgets::fsUnderline} && color == widgets::clBlack)
            marks += 'U';
        else if (style == widgets::TFontStyles{widgets::fsUnderline} && color == widgets::clRed)
            marks += 'u';
        else
            marks += '?';
    }
    return marks;
}

}  // namespace veloria::test
