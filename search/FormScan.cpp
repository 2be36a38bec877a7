#include "search/FormScan.h"

#include <algorithm>

namespace veloria::search {

RowTexts::RowTexts() : starts_{0} {}

void RowTexts::Reserve(std::size_t bytes, std::size_t rows) {
    text_.reserve(bytes);
    starts_.reserve(rows + 1);
}

void RowTexts::AddRow(std::initializer_list<std::string_view> pieces) {
    for (const std::string_view piece : pieces)
        text_.append(piece);
    text_ += '\0';
    starts_.push_back(text_.size());
}

std::string_view RowTexts::At(int row) const {
    const auto r = std::size_t(row);
    return std::string_view(text_).substr(starts_[r], starts_[r + 1] - 1 - starts_[r]);
}

Matcher::Matcher(const Query& query, bool exactPhrase) {
    std::vector<std::string> patterns = HitPatterns(query, exactPhrase);
    if (patterns.empty()) {
        everyRow_ = true;
        return;
    }
    // An empty pattern is never found.
    noRow_ = std::any_of(patterns.begin(), patterns.end(),
                         [](const std::string& p) { return p.empty(); });
    anchorScan_ = std::none_of(patterns.begin(), patterns.end(), [](const std::string& p) {
        return p.find('\0') != std::string::npos;
    });

    // Longest first: the longest pattern is the likeliest to be rare. A pattern found inside an
    // earlier (longer or equal) one is implied by it.
    std::stable_sort(
        patterns.begin(), patterns.end(),
        [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    for (const std::string& p : patterns) {
        const bool implied = std::any_of(finders_.begin(), finders_.end(), [&](const Finder& f) {
            return f.Pattern().find(p) != std::string::npos;
        });
        if (!implied)
            finders_.emplace_back(p);
    }
}

std::vector<std::string> Matcher::Patterns() const {
    std::vector<std::string> patterns;
    for (const Finder& f : finders_)
        patterns.push_back(f.Pattern());
    return patterns;
}

bool Matcher::HasAll(const char* text, std::size_t size, std::size_t from) const {
    for (std::size_t i = from; i < finders_.size(); ++i) {
        if (!finders_[i].Find(text, text + size))
            return false;
    }
    return true;
}

bool Matcher::Matches(std::string_view form) const {
    if (everyRow_)
        return true;
    return !noRow_ && HasAll(form.data(), form.size(), 0);
}

void Matcher::FindHits(const RowTexts& forms, std::vector<int>& hits) const {
    const int rows = forms.RowCount();
    if (everyRow_) {
        for (int r = 0; r < rows; ++r)
            hits.push_back(r);
        return;
    }
    if (noRow_ || rows == 0)
        return;
    if (!anchorScan_) {
        for (int r = 0; r < rows; ++r) {
            if (Matches(forms.At(r)))
                hits.push_back(r);
        }
        return;
    }

    // Find the first pattern anywhere in the volume, then look for the others only inside the row
    // it was found in; carry on after the end of that row.
    const char* const base = forms.text_.data();
    const char* const end = base + forms.text_.size();
    const std::vector<std::size_t>& starts = forms.starts_;
    std::size_t next = 0;  // no row before this one can hold a further match
    finders_.front().ForEach(base, end, [&](const char* found) {
        const auto at = std::size_t(found - base);
        // The row holding it: hits come in row order, often close together, so gallop forward
        // from the last one rather than halve the whole volume each time.
        std::size_t lo = next + 1, step = 1;
        while (lo + step < starts.size() && starts[lo + step] <= at) {
            lo += step;
            step *= 2;
        }
        const auto hi = starts.begin() + std::ptrdiff_t(std::min(lo + step, starts.size()));
        const auto row = std::size_t(std::upper_bound(starts.begin() + std::ptrdiff_t(lo), hi, at) -
                                     starts.begin() - 1);
        const std::size_t rowStart = starts[row];
        const std::size_t rowEnd = starts[row + 1] - 1;  // its separator
        if (HasAll(base + rowStart, rowEnd - rowStart, 1))
            hits.push_back(int(row));
        next = row + 1;
        return base + starts[next];
    });
}

}  // namespace veloria::search
