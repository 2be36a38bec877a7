#include "search/VolumeCache.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "store/Error.h"
#include "store/Text.h"

namespace veloria::search {
namespace {

constexpr std::size_t kSentencePrefix = 80;

// What must not have changed for kept texts to still be the table's: the table engine raises the
// version at every change to the rows and at every reload (a file replaced or changed on disk is
// read again by the handle, not here).
struct Stamp {
    std::uint64_t dataVersion = 0;
    int rows = 0;
    bool operator==(const Stamp&) const = default;
};

Stamp StampOf(const store::Table& table) {
    return {table.DataVersion(), table.RowCount()};
}

struct Entry {
    Stamp stamp;
    std::unique_ptr<VolumeTexts> texts;
};

std::map<std::string, Entry>& Cache() {
    static std::map<std::string, Entry> cache;
    return cache;
}

int Field(const store::Table& table, std::string_view name) {
    const int index = store::FieldIndex(table.Def(), name);
    if (index < 0) {
        throw store::StoreError(table.Path().string() + ": no field " + std::string(name));
    }
    return index;
}

std::unique_ptr<VolumeTexts> ReadTexts(const store::Table& volume, int rows) {
    const std::array<int, 4> piece = {Field(volume, "A1"), Field(volume, "A2"), Field(volume, "A3"),
                                      Field(volume, "A4")};
    const int referencia = Field(volume, "Referencia");
    const int numero = Field(volume, "Numero");
    const int umemo = Field(volume, "Umemo");
    auto texts = std::make_unique<VolumeTexts>();
    texts->forms.Reserve(std::size_t(rows) * 128, std::size_t(rows));
    texts->results.Reserve(std::size_t(rows) * (kSentencePrefix + 24), std::size_t(rows));
    for (int recNo = 1; recNo <= rows; ++recNo) {
        texts->forms.AddRow({volume.CellView(recNo, piece[0]), volume.CellView(recNo, piece[1]),
                             volume.CellView(recNo, piece[2]), volume.CellView(recNo, piece[3])});
        const std::string sentence = store::Trim(volume.CellView(recNo, umemo));
        texts->results.AddRow(volume.CellView(recNo, referencia), volume.CellView(recNo, numero),
                              std::string_view(sentence).substr(0, kSentencePrefix));
    }
    texts->forms.BuildFilter();
    return texts;
}

}  // namespace

void ResultTexts::Reserve(std::size_t bytes, std::size_t rows) {
    text_.reserve(bytes);
    spans_.reserve(rows);
}

void ResultTexts::AddRow(std::string_view referencia, std::string_view numero,
                         std::string_view pensamiento) {
    // Offsets of 32 bits keep a row's spans in one cache line; no volume comes near 4 GB.
    if (text_.size() + referencia.size() + numero.size() + pensamiento.size() >= UINT32_MAX)
        throw store::StoreError("volume too large for the search");
    Spans s{std::uint32_t(text_.size()), {}};
    text_.append(referencia);
    s.end[0] = std::uint32_t(text_.size());
    text_.append(numero);
    s.end[1] = std::uint32_t(text_.size());
    text_.append(pensamiento);
    s.end[2] = std::uint32_t(text_.size());
    spans_.push_back(s);
}

const VolumeTexts& TextsOf(store::Table& volume) {
    const Stamp stamp = StampOf(volume);
    Entry& entry = Cache()[volume.Path().string()];
    if (!entry.texts || !(entry.stamp == stamp)) {
        entry.texts.reset();
        entry.texts = ReadTexts(volume, stamp.rows);
        entry.stamp = stamp;
    }
    return *entry.texts;
}

void ForgetVolumeTexts() {
    Cache().clear();
}

}  // namespace veloria::search
