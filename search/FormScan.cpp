#include "search/FormScan.h"

#include <string.h>  // memmem

#include <algorithm>

namespace veloria::search {
namespace {

bool Contains(const char* text, std::size_t size, const std::string& pattern) {
    return memmem(text, size, pattern.data(), pattern.size()) != nullptr;
}

}  // namespace

FormBuffer::FormBuffer() : starts_{0} {}

void FormBuffer::Reserve(std::size_t bytes, std::size_t rows) {
    text_.reserve(bytes);
    starts_.reserve(rows + 1);
}

void FormBuffer::AddRow(std::initializer_list<std::string_view> pieces) {
    for (const std::string_view piece : pieces)
        text_.append(piece);
    text_ += '\0';
    starts_.push_back(text_.size());
}

std::string_view FormBuffer::Form(int row) const {
    return std::string_view(text_).substr(starts_[row], starts_[row + 1] - 1 - starts_[row]);
}

Matcher::Matcher(const Query& query, bool exactPhrase) {
    const int words = std::clamp(query.wordCount, 0, kQueryWordSlots);
    if (words == 0) {
        everyRow_ = true;
        return;
    }
    if (exactPhrase) {
        patterns_.push_back(query.phrasePattern);
    } else {
        patterns_.assign(query.queryWords.begin(), query.queryWords.begin() + words);
    }

    // An empty pattern is never found.
    noRow_ = std::any_of(patterns_.begin(), patterns_.end(),
                         [](const std::string& p) { return p.empty(); });

    // Longest first: the longest pattern is the likeliest to be rare and memmem skips fastest
    // over a long needle. A pattern found inside an earlier (longer or equal) one is implied by it.
    std::stable_sort(
        patterns_.begin(), patterns_.end(),
        [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    std::vector<std::string> kept;
    for (std::string& p : patterns_) {
        const bool implied = std::any_of(kept.begin(), kept.end(), [&](const std::string& k) {
            return k.find(p) != std::string::npos;
        });
        if (!implied)
            kept.push_back(std::move(p));
    }
    patterns_ = std::move(kept);

    anchorScan_ = std::none_of(patterns_.begin(), patterns_.end(), [](const std::string& p) {
        return p.find('\0') != std::string::npos;
    });
}

bool Matcher::RowHasOthers(const char* row, std::size_t size) const {
    for (std::size_t i = 1; i < patterns_.size(); ++i) {
        if (!Contains(row, size, patterns_[i]))
            return false;
    }
    return true;
}

bool Matcher::Matches(std::string_view form) const {
    if (everyRow_)
        return true;
    if (noRow_)
        return false;
    return Contains(form.data(), form.size(), patterns_.front()) &&
           RowHasOthers(form.data(), form.size());
}

void Matcher::FindHits(const FormBuffer& forms, std::vector<int>& hits) const {
    const int rows = forms.RowCount();
    if (everyRow_) {
        for (int r = 0; r < rows; ++r)
            hits.push_back(r);
        return;
    }
    if (noRow_ || rows == 0)
        return;
    const char* base = forms.text_.data();
    const std::vector<std::size_t>& starts = forms.starts_;
    if (!anchorScan_) {
        for (int r = 0; r < rows; ++r) {
            if (Matches(forms.Form(r)))
                hits.push_back(r);
        }
        return;
    }

    // Find the first pattern anywhere in the volume, then look at the other patterns only inside
    // the row it was found in; carry on after the end of that row.
    const std::string& anchor = patterns_.front();
    const std::size_t end = forms.text_.size();
    std::size_t pos = 0;
    int next = 0;  // no row before this one can hold a further match
    while (pos < end) {
        const void* found = memmem(base + pos, end - pos, anchor.data(), anchor.size());
        if (found == nullptr)
            break;
        const std::size_t at = std::size_t(static_cast<const char*>(found) - base);
        const int row =
            int(std::upper_bound(starts.begin() + next + 1, starts.end(), at) - starts.begin()) - 1;
        const std::size_t rowStart = starts[row];
        const std::size_t rowSize = starts[row + 1] - 1 - rowStart;
        if (RowHasOthers(base + rowStart, rowSize))
            hits.push_back(row);
        next = row + 1;
        pos = starts[next];
    }
}

}  // namespace veloria::search
