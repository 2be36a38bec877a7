#include "store/SearchMarks.h"

#include <algorithm>

#include "store/SearchForm.h"

namespace veloria::store {

MappedSearchForm MapSearchForm(std::string_view sentence) {
    MappedSearchForm mapped;
    mapped.form.reserve(sentence.size() + 2);
    mapped.origin.reserve(sentence.size() + 2);
    const auto boundary = [&] {
        mapped.form += '#';
        mapped.origin.push_back(kFormBoundary);
    };
    for (const SearchWord& word : SearchWords(sentence)) {
        boundary();
        for (std::size_t i = word.begin; i < word.begin + word.length; ++i) {
            if (const char c = SearchFormChar(sentence[i])) {
                mapped.form += c;
                mapped.origin.push_back(i);
            }
        }
    }
    if (!mapped.form.empty())
        boundary();
    return mapped;
}

std::vector<TextRange> SearchMarks(std::string_view sentence,
                                   std::span<const std::string> patterns) {
    std::vector<TextRange> marks;
    if (patterns.empty())
        return marks;
    const MappedSearchForm mapped = MapSearchForm(sentence);
    const std::string_view form = mapped.form;
    for (const std::string& pattern : patterns) {
        if (pattern.empty())
            continue;
        // Occurrences may overlap ("#A#A" twice in "#A#A#A#"): each is looked for one character on.
        for (std::size_t at = form.find(pattern); at != std::string_view::npos;
             at = form.find(pattern, at + 1)) {
            std::size_t first = at, last = at + pattern.size();
            while (first < last && mapped.origin[first] == kFormBoundary)
                ++first;
            while (last > first && mapped.origin[last - 1] == kFormBoundary)
                --last;
            if (first == last)
                continue;
            const std::size_t begin = mapped.origin[first];
            marks.push_back({begin, mapped.origin[last - 1] + 1 - begin});
        }
    }
    std::sort(marks.begin(), marks.end(), [](const TextRange& a, const TextRange& b) {
        return a.begin < b.begin || (a.begin == b.begin && a.length > b.length);
    });
    std::vector<TextRange> joined;
    for (const TextRange& mark : marks) {
        if (!joined.empty() && mark.begin <= joined.back().End()) {
            TextRange& last = joined.back();
            last.length = std::max(last.End(), mark.End()) - last.begin;
        } else {
            joined.push_back(mark);
        }
    }
    return joined;
}

}  // namespace veloria::store
