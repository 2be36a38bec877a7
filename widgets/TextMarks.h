#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "widgets/Memo.h"

// How the windows show why a sentence is a hit, and which sentence of a longer text is the
// current one. The looks are the same in every window, and readable over their background colours
// and the memo's white: dark text on the look's match background for what the search matched (bold
// as well, for those who do not tell the colours apart), on its current background for the current
// sentence.
namespace veloria::widgets {

// The marks of what the patterns found in a sentence that stands at `offset` of the box's text.
std::vector<TTextMark> MatchMarks(std::string_view sentence, std::span<const std::string> patterns,
                                  int offset = 0);
// The current sentence, set apart.
TTextMark CurrentMark(int start, int length);

}  // namespace veloria::widgets
