#include "search/FormScan.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "store/Error.h"

namespace veloria::search {
namespace {

constexpr int kGapReadThrough = 2;              // blocks
constexpr std::size_t kShareWorthSkipping = 3;  // at most a third of the bytes
constexpr std::size_t kPrefetchAhead = 2;       // stretches
constexpr std::size_t kPrefetchBytes = 4096;

// The stretches of rows to read, [first, end), for the blocks the filter lets through: each run of
// neighbouring blocks is one, and a gap of a block or two is read through, which costs less than
// ending the stretch.
std::vector<std::pair<int, int>> Stretches(const BlockFilter& filter,
                                           const std::vector<std::uint64_t>& candidates) {
    const int blocks = filter.BlockCount();
    // The first block from b on whose bit is `set`; blocks when there is none.
    const auto next = [&](int b, bool set) {
        while (b < blocks) {
            const std::uint64_t word = candidates[std::size_t(b) / 64];
            const std::uint64_t ahead = (set ? word : ~word) >> (b % 64);
            if (ahead != 0)
                return std::min(blocks, b + __builtin_ctzll(ahead));
            b = (b / 64 + 1) * 64;
        }
        return blocks;
    };
    std::vector<std::pair<int, int>> stretches;
    for (int first = next(0, true); first < blocks;) {
        int end = next(first, false), after = next(end, true);
        while (after < blocks && after - end <= kGapReadThrough) {
            end = next(after, false);
            after = next(end, true);
        }
        stretches.emplace_back(filter.FirstRow(first), filter.FirstRow(end));
        first = after;
    }
    return stretches;
}

}  // namespace

RowTexts::RowTexts() : starts_{0} {}

void RowTexts::Reserve(std::size_t bytes, std::size_t rows) {
    text_.reserve(bytes);
    starts_.reserve(rows + 1);
}

void RowTexts::ShrinkToFit() {
    text_.shrink_to_fit();
    starts_.shrink_to_fit();
}

void RowTexts::AddRow(std::initializer_list<std::string_view> pieces) {
    std::size_t size = text_.size() + 1;
    for (const std::string_view piece : pieces)
        size += piece.size();
    // Offsets of 32 bits halve what the row starts take; no volume comes near 4 GB.
    if (size >= UINT32_MAX)
        throw store::StoreError("volume too large for the search");
    for (const std::string_view piece : pieces)
        text_.append(piece);
    text_ += '\0';
    starts_.push_back(std::uint32_t(text_.size()));
}

void RowTexts::BuildFilter(std::size_t blockBytes, int bucketBits) {
    filter_ = BlockFilter(text_, starts_, blockBytes, bucketBits);
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
    const BlockFilter& filter = forms.filter_;
    if (filter.RowCount() != rows) {
        ScanRows(forms, 0, rows, hits);
        return;
    }
    const std::vector<std::pair<int, int>> stretches =
        Stretches(filter, filter.Candidates(Patterns()));
    std::size_t bytes = 0;
    for (const auto& [from, to] : stretches)
        bytes += forms.starts_[std::size_t(to)] - forms.starts_[std::size_t(from)];
    // Stretches scattered over a volume larger than the processor's caches each wait for memory,
    // where a scan of the whole volume streams: past a share of the bytes that is the faster.
    if (bytes > forms.text_.size() / kShareWorthSkipping) {
        ScanRows(forms, 0, rows, hits);
        return;
    }
    const char* const base = forms.text_.data();
    for (std::size_t i = 0; i < stretches.size(); ++i) {
        // A stretch further on is fetched while this one is read: scattered stretches are read at
        // the pace of memory's answers, and this keeps more of them under way.
        if (i + kPrefetchAhead < stretches.size()) {
            const auto [from, to] = stretches[i + kPrefetchAhead];
            const std::size_t begin = forms.starts_[std::size_t(from)];
            const std::size_t stop =
                std::min<std::size_t>(forms.starts_[std::size_t(to)], begin + kPrefetchBytes);
            for (std::size_t at = begin; at < stop; at += 64)
                __builtin_prefetch(base + at);
        }
        ScanRows(forms, stretches[i].first, stretches[i].second, hits);
    }
}

void Matcher::ScanRows(const RowTexts& forms, int from, int to, std::vector<int>& hits) const {
    // Find the first pattern anywhere in the rows, then look for the others only inside the row
    // it was found in; carry on after the end of that row.
    const char* const base = forms.text_.data();
    const std::vector<std::uint32_t>& starts = forms.starts_;
    auto next = std::size_t(from);  // no row before this one can hold a further match
    const char* const end = base + forms.text_.size();
    finders_.front().ForEach(
        base + starts[next], base + starts[std::size_t(to)],
        [&](const char* found) {
            const auto at = std::size_t(found - base);
            // The row holding it: hits come in row order, often close together, so gallop forward
            // from the last one rather than halve the whole volume each time.
            std::size_t lo = next + 1, step = 1;
            while (lo + step < starts.size() && starts[lo + step] <= at) {
                lo += step;
                step *= 2;
            }
            const auto hi = starts.begin() + std::ptrdiff_t(std::min(lo + step, starts.size()));
            const auto row = std::size_t(
                std::upper_bound(starts.begin() + std::ptrdiff_t(lo), hi, at) - starts.begin() - 1);
            const std::size_t rowStart = starts[row];
            const std::size_t rowEnd = starts[row + 1] - 1;  // its separator
            if (HasAll(base + rowStart, rowEnd - rowStart, 1))
                hits.push_back(int(row));
            next = row + 1;
            return base + starts[next];
        },
        Finder::Fastest(), end);
}

}  // namespace veloria::search
