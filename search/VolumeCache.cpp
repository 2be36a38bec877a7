#include "search/VolumeCache.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace veloria::search {
namespace {

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

// The search forms are left in the file by the table engine: they are read here, once, in one
// pass, straight into the one copy the search keeps.
std::unique_ptr<VolumeTexts> ReadTexts(const store::Table& volume, int rows) {
    static constexpr std::array<std::string_view, 4> kPieces = {"A1", "A2", "A3", "A4"};
    auto texts = std::make_unique<VolumeTexts>();
    texts->forms.Reserve(std::size_t(rows) * 128, std::size_t(rows));
    volume.ReadFromFile(kPieces, [&](std::span<const std::string_view> piece) {
        texts->forms.AddRow({piece[0], piece[1], piece[2], piece[3]});
    });
    texts->forms.ShrinkToFit();
    texts->forms.BuildFilter();
    return texts;
}

}  // namespace

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
