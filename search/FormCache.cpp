#include "search/FormCache.h"

#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "store/Error.h"

namespace veloria::search {
namespace {

// What must not have changed for a kept buffer to still hold the table's forms.
struct Stamp {
    std::uint64_t dataVersion = 0;
    int rows = 0;
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t modifiedSec = 0, modifiedNsec = 0;
    bool operator==(const Stamp&) const = default;
};

Stamp StampOf(const store::Table& table) {
    Stamp s;
    s.dataVersion = table.DataVersion();
    s.rows = table.RowCount();
    struct stat st {};
    if (::stat(table.Path().c_str(), &st) == 0) {
        s.device = st.st_dev;
        s.inode = st.st_ino;
        s.size = std::uint64_t(st.st_size);
        s.modifiedSec = st.st_mtim.tv_sec;
        s.modifiedNsec = st.st_mtim.tv_nsec;
    }
    return s;
}

struct Entry {
    Stamp stamp;
    std::unique_ptr<FormBuffer> forms;
};

std::map<std::string, Entry>& Cache() {
    static std::map<std::string, Entry> cache;
    return cache;
}

std::unique_ptr<FormBuffer> ReadForms(const store::Table& volume, int rows) {
    constexpr std::array<std::string_view, 4> kPieces = {"A1", "A2", "A3", "A4"};
    std::array<int, 4> index{};
    for (std::size_t i = 0; i < kPieces.size(); ++i) {
        index[i] = store::FieldIndex(volume.Def(), kPieces[i]);
        if (index[i] < 0) {
            throw store::StoreError(std::string(volume.Def().fileName) + ": no field " +
                                    std::string(kPieces[i]));
        }
    }
    auto forms = std::make_unique<FormBuffer>();
    forms->Reserve(std::size_t(rows) * 128, std::size_t(rows));
    for (int recNo = 1; recNo <= rows; ++recNo) {
        const std::string a1 = volume.CellAsString(recNo, index[0]);
        const std::string a2 = volume.CellAsString(recNo, index[1]);
        const std::string a3 = volume.CellAsString(recNo, index[2]);
        const std::string a4 = volume.CellAsString(recNo, index[3]);
        forms->AddRow({a1, a2, a3, a4});
    }
    return forms;
}

}  // namespace

const FormBuffer& FormsOf(store::Table& volume) {
    const Stamp stamp = StampOf(volume);
    Entry& entry = Cache()[volume.Path().string()];
    if (!entry.forms || !(entry.stamp == stamp)) {
        entry.forms.reset();
        entry.forms = ReadForms(volume, stamp.rows);
        entry.stamp = stamp;
    }
    return *entry.forms;
}

void ForgetForms() {
    Cache().clear();
}

}  // namespace veloria::search
