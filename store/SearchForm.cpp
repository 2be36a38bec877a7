#include "store/SearchForm.h"

#include "store/SearchMarks.h"
#include "store/Text.h"

namespace veloria::store {
namespace {

bool IsEdgePunctuation(char c) {
    return c == '-' || c == '\'' || IsRemovedSearchChar(c);
}

}  // namespace

bool IsSearchSeparator(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b <= 32)
        return true;
    switch (b) {
        case '#':   // the form's own word boundary
        case 0x7F:  // delete
        case 0x81:
        case 0x8D:
        case 0x8F:
        case 0x90:
        case 0x9D:  // undefined in Windows-1252
        case 0x82:  // single low quotation mark
        case 0x84:  // double low quotation mark
        case 0x85:  // ellipsis
        case 0x86:
        case 0x87:  // daggers
        case 0x8B:
        case 0x9B:  // single guillemets
        case 0x91:
        case 0x92:
        case 0x93:
        case 0x94:  // typographic quotes
        case 0x95:  // bullet
        case 0x96:
        case 0x97:  // en and em dash
        case 0xA0:  // no-break space
        case 0xAB:
        case 0xBB:  // guillemets
        case 0xB7:  // middle dot
            return true;
        default:
            return false;
    }
}

char SearchFormChar(char c) {
    return NormaliseSearchChar(UpperCaseLetter(c));
}

std::string SearchWordForm(std::string_view word) {
    std::string form;
    form.reserve(word.size());
    for (const char c : word) {
        if (const char n = SearchFormChar(c))
            form += n;
    }
    return form;
}

std::vector<SearchWord> SearchWords(std::string_view sentence) {
    std::vector<SearchWord> words;
    const std::size_t n = sentence.size();
    // A hyphen next to another hyphen is part of a dash.
    auto separates = [&](std::size_t i) {
        if (IsSearchSeparator(sentence[i]))
            return true;
        if (sentence[i] != '-')
            return false;
        return (i > 0 && sentence[i - 1] == '-') || (i + 1 < n && sentence[i + 1] == '-');
    };
    std::size_t i = 0;
    while (i < n) {
        while (i < n && separates(i))
            ++i;
        std::size_t begin = i;
        while (i < n && !separates(i))
            ++i;
        std::size_t end = i;
        while (begin < end && IsEdgePunctuation(sentence[begin]))
            ++begin;
        while (end > begin && IsEdgePunctuation(sentence[end - 1]))
            --end;
        if (begin == end)
            continue;
        const std::string_view word = sentence.substr(begin, end - begin);
        words.push_back({begin, word.size(), SearchWordForm(word)});
    }
    return words;
}

std::string SearchForm(std::string_view sentence) {
    // One mapping from the sentence to its form: the marks of a hit map back through it.
    return MapSearchForm(sentence).form;
}

std::optional<std::array<std::string, kSearchFormFields>> SplitSearchForm(std::string_view form) {
    std::array<std::string, kSearchFormFields> pieces;
    std::size_t start = 0;
    for (std::string& piece : pieces) {
        if (start == form.size())
            break;
        std::size_t end = form.size();  // one past the piece's last character
        if (end - start > kSearchFormFieldSize) {
            // The last "#" that still fits closes the piece.
            const std::size_t hash = form.rfind('#', start + kSearchFormFieldSize - 1);
            if (hash == std::string_view::npos || hash < start)
                return std::nullopt;
            end = hash + 1;
        }
        piece = std::string(form.substr(start, end - start));
        start = end;
    }
    if (start != form.size())
        return std::nullopt;
    return pieces;
}

}  // namespace veloria::store
