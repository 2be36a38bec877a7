#include "widgets/TextMarks.h"

#include "store/SearchMarks.h"
#include "widgets/Look.h"

namespace veloria::widgets {

std::vector<TTextMark> MatchMarks(std::string_view sentence, std::span<const std::string> patterns,
                                  int offset) {
    std::vector<TTextMark> marks;
    for (const store::TextRange& r : store::SearchMarks(sentence, patterns))
        marks.push_back(
            {offset + int(r.begin), int(r.length), Look().matchBackground, clBlack, true});
    return marks;
}

TTextMark CurrentMark(int start, int length) {
    return {start, length, Look().currentBackground, clBlack, false};
}

}  // namespace veloria::widgets
