#include "search/Query.h"

#include <algorithm>

#include "store/Text.h"

namespace veloria::search {

bool IsBlankQuery(std::string_view wordBoxText) {
    return store::Trim(wordBoxText).empty();
}

Query BuildQuery(std::string_view wordBoxText, bool exactWordMode) {
    Query q;
    q.queryText = store::Trim(wordBoxText);
    q.queryText += ' ';
    for (char& c : q.queryText) {
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    }

    // A '\0' in the box normalises to nothing as well, so no pattern can ever hold the byte
    // that separates the rows of a scanned buffer.
    std::string word;
    for (const char c : q.queryText) {
        if (c != ' ') {
            if (const char n = store::NormaliseSearchChar(c))
                word += n;
            continue;
        }
        if (word.empty())
            continue;
        if (q.wordCount < kQueryWordSlots) {
            std::string& slot = q.queryWords[q.wordCount++];
            slot.reserve(word.size() + 2);
            slot.assign(1, '#');
            slot += word;
            if (exactWordMode)
                slot += '#';
        }
        word.clear();
    }

    q.phrasePattern.reserve(q.queryText.size() + 1);
    q.phrasePattern.assign(1, '#');
    for (const char c : q.queryText) {
        if (c == ' ') {
            q.phrasePattern += '#';
        } else if (const char n = store::NormaliseSearchChar(c)) {
            q.phrasePattern += n;
        }
    }
    return q;
}

std::vector<std::string> HitPatterns(const Query& query, bool exactPhrase) {
    const int words = std::clamp(query.wordCount, 0, kQueryWordSlots);
    if (words == 0)
        return {};
    if (exactPhrase)
        return {query.phrasePattern};
    return {query.queryWords.begin(), query.queryWords.begin() + words};
}

}  // namespace veloria::search
