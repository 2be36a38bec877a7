#pragma once

#include <string>
#include <string_view>

#include "widgets/Memo.h"

// Small routines that prepare stored text for display and mark parts of it in rich-text boxes.
// They hold no state; every window that needs one calls it. Positions are those of the box's
// stored text (Windows-1252, a CR LF pair two characters), counted from 1 in marker texts.
namespace veloria::glossary {

// The text with every word marker "#" shown as a blank; nothing else changes.
std::string HashToBlank(std::string_view text);

// Marks in bold red the spans that a position marker text names in the box's current text: nine
// groups of three decimal digits, each the 1-based start of a span of its group's fixed length
// (21, 13, 19, 21, 9, 8, 11, 4, 5), or 0 for none. Spans may overlap or reach past the end (what
// there is gets marked). A blank marker text marks nothing; a group that is missing (a short
// marker text) or is not three digits names no span. After a span the caret stands at 1.
void HighlightByPositions(widgets::TRichEdit& box, std::string_view markers);

// Every occurrence of the phrase (exact, case-sensitive) in bold blue, as PhraseOccurrences finds
// them: one that covers the second character of the one before is not one of its own ("AA" marks
// "AAA" once). The box's text never changes.
void BoldColourAll(widgets::TRichEdit& box, std::string_view phrase);

// Every occurrence of the phrase underlined, as the only style; the colour stays.
void UnderlineAll(widgets::TRichEdit& box, std::string_view phrase);

// The text padded on the left with "0" to the width; a text as long or longer stays as it is.
std::string ZeroPad(std::string_view text, int width);

}  // namespace veloria::glossary
