#include "search/SearchEngine.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "search/FormScan.h"
#include "search/Query.h"
#include "search/VolumeCache.h"
#include "store/Error.h"

namespace veloria::search {
namespace {

constexpr std::array<char, kVolumeCount> kBookCodes = {'T', 'E', 'M', 'P', 'S'};
constexpr std::size_t kSentencePrefix = 80;

// Closes the progress window however the search ends; a failure to close must not hide the
// failure that ended the search.
class ProgressGuard {
  public:
    explicit ProgressGuard(Progress& progress) : progress_(progress) {}
    ~ProgressGuard() {
        if (!open_)
            return;
        try {
            progress_.Close();
        } catch (...) {
        }
    }
    ProgressGuard(const ProgressGuard&) = delete;
    ProgressGuard& operator=(const ProgressGuard&) = delete;
    void Close() {
        open_ = false;
        progress_.Close();
    }

  private:
    Progress& progress_;
    bool open_ = true;
};

// One gauge step for every `step` rows examined, counted on across volumes.
class GaugeSteps {
  public:
    GaugeSteps(Progress& progress, int step) : progress_(progress), step_(step) {}
    void Examined(std::int64_t rows) {
        since_ += rows;
        while (since_ >= step_) {
            since_ -= step_;
            progress_.AddProgress(1);
        }
    }

  private:
    Progress& progress_;
    std::int64_t step_;
    std::int64_t since_ = 0;
};

// The first 80 characters of a sentence with the characters of code 0 to 32 at either end removed.
std::string_view Pensamiento(std::string_view umemo) {
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    while (!umemo.empty() && blank(umemo.front()))
        umemo.remove_prefix(1);
    while (!umemo.empty() && blank(umemo.back()))
        umemo.remove_suffix(1);
    return umemo.substr(0, kSentencePrefix);
}

int FieldOf(const store::Table& table, std::string_view name) {
    const int index = store::FieldIndex(table.Def(), name);
    if (index < 0)
        throw store::StoreError(table.Path().string() + ": no field " + std::string(name));
    return index;
}

// Appends one result row per hit of one volume, its texts read from the volume's own rows (hits
// are rows of the handle's order), moving the gauge as the row-by-row scan would: a row's step
// comes after its result row.
void AppendHits(const store::Table& volume, int rows, char code, const std::vector<int>& hits,
                store::Table& results, GaugeSteps& gauge) {
    const int referencia = FieldOf(volume, "Referencia");
    const int numero = FieldOf(volume, "Numero");
    const int umemo = FieldOf(volume, "Umemo");
    const std::string libro(1, code);
    volume.ReadAhead(hits);
    // The hits' texts first, copied together in a loop of reads alone: rows spread over a large
    // volume's sentences miss the processor's caches, and there the misses of many rows overlap,
    // where between the writes of the result rows each would wait on its own.
    std::string copied;
    copied.reserve(hits.size() * (kSentencePrefix + 16));
    std::vector<std::uint32_t> ends;  // of each text: referencia, numero, pensamiento
    ends.reserve(3 * hits.size());
    for (const int row : hits) {
        for (const std::string_view text :
             {volume.CellView(row + 1, referencia), volume.CellView(row + 1, numero),
              Pensamiento(volume.CellView(row + 1, umemo))}) {
            copied += text;
            ends.push_back(std::uint32_t(copied.size()));
        }
    }
    const auto text = [&](std::size_t i) {
        const std::uint32_t begin = i ? ends[i - 1] : 0;
        return std::string_view(copied).substr(begin, ends[i] - begin);
    };
    int examined = 0;
    for (std::size_t i = 0; i < hits.size(); ++i) {
        gauge.Examined(hits[i] - examined);
        examined = hits[i];
        results.Append();
        results.SetField("Referencia", text(3 * i));
        results.SetField("Numero", text(3 * i + 1));
        results.SetField("Pensamiento", text(3 * i + 2));
        results.SetField("Libro", libro);
        results.Post();
    }
    gauge.Examined(std::int64_t(rows) - examined);
}

}  // namespace

SearchResult RunSearch(const SearchRequest& request, const SearchTables& tables,
                       Progress& progress) {
    const Query query = BuildQuery(request.wordBoxText, request.exactWord);
    SearchResult result;
    result.state = {query.queryText, "#", request.exactWord, request.volumes};

    int progressStep = 0;
    for (int v = 0; v < kVolumeCount; ++v) {
        if (request.volumes[v])
            progressStep += kProgressWeights[v];
    }
    if (IsBlankQuery(request.wordBoxText) || progressStep == 0)
        return result;
    for (int v = 0; v < kVolumeCount; ++v) {
        if (request.volumes[std::size_t(v)] && tables.volumes[std::size_t(v)] == nullptr)
            throw std::invalid_argument("RunSearch: no handle on a ticked volume's table");
    }

    ProgressGuard guard(progress);
    progress.Show();
    progress.Repaint();
    progress.SetProgress(0);

    store::Table& results = tables.results;
    results.Close();
    results.SetExclusive(true);
    results.Open();

    result.state.phrasePattern = query.phrasePattern;
    const Matcher matcher(query, request.exactPhrase);

    // Everything written from here on is one pair: the emptied and refilled result table and
    // the count that describes it, both locked from the start and committed results first. Cut
    // off between the two commits (a kill), the pair reads as the new results with their own
    // count (store::StoredResultCount). Should any step before fail, the previous search's
    // results and count stay as they were.
    store::Table& config = tables.config;
    store::Table::Batch batch(results, config);
    results.EmptyTable();

    GaugeSteps gauge(progress, progressStep);
    std::int64_t found = 0;
    std::vector<int> hits;
    for (int v = 0; v < kVolumeCount; ++v) {
        if (!request.volumes[v])
            continue;
        store::Table& table = *tables.volumes[std::size_t(v)];
        const RowTexts& forms = TextsOf(table).forms;
        hits.clear();
        matcher.FindHits(forms, hits);
        AppendHits(table, forms.RowCount(), kBookCodes[std::size_t(v)], hits, results, gauge);
        found += std::int64_t(hits.size());
    }
    const auto count = std::int32_t(found);

    config.First();
    config.Edit();
    config.SetField("Cantidad", std::int64_t(count));
    config.Post();

    batch.Commit();

    guard.Close();
    result.outcome = SearchOutcome::Completed;
    result.count = count;
    result.patterns = HitPatterns(query, request.exactPhrase);
    return result;
}

std::vector<std::string> PatternsOf(const SearchRequest& request) {
    return HitPatterns(BuildQuery(request.wordBoxText, request.exactWord), request.exactPhrase);
}

}  // namespace veloria::search
