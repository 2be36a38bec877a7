#pragma once

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "store/Schema.h"

// The rows of a table as the engine keeps them in memory: the cells of a row in one block of
// bytes, the blocks in large chunks, and the order of two key values. Private to the table engine
// (Table.cpp, SharedTable.cpp, TableCursor.cpp).
namespace veloria::store {

// An integer cell as SQLite hands it over (plain decimal); nothing for an empty cell.
inline std::optional<std::int64_t> CellInt(std::string_view cell) {
    std::int64_t value = 0;
    const char* end = cell.data() + cell.size();
    const auto [p, ec] = std::from_chars(cell.data(), end, value);
    if (cell.empty() || ec != std::errc() || p != end)
        return std::nullopt;
    return value;
}

// The order of two key values of one field: numbers numerically with an empty value first, texts
// in Windows-1252 byte order.
inline int CompareCells(std::string_view a, std::string_view b, FieldKind kind) {
    if (kind == FieldKind::Integer) {
        const auto x = CellInt(a), y = CellInt(b);
        if (x && y)
            return (*x > *y) - (*x < *y);
        if (x || y)
            return x ? 1 : -1;
    }
    const int c = a.compare(b);  // char_traits<char> compares as unsigned bytes
    return (c > 0) - (c < 0);
}

// The bytes of one row: the end offset of each cell, then the cells' Windows-1252 bytes. Rows
// loaded from the file and rows appended lie in their table's arena; rows rewritten by an edit lie
// in a buffer of their own that the table keeps (an edit is rare, and its row's old bytes could
// not be given back to an arena). A row holds no memory of its own, so that emptying a table of
// many rows costs nothing for each of them.
class Row {
  public:
    Row(std::int64_t id, const char* data) : id_(id), data_(data) {}

    static std::size_t SizeOf(const std::vector<std::string>& cells) {
        std::size_t total = 4 * cells.size();
        for (const std::string& c : cells)
            total += c.size();
        return total;
    }

    // Lays the cells out at data, which has room for SizeOf(cells) bytes.
    static void Store(char* data, const std::vector<std::string>& cells) {
        const std::size_t header = 4 * cells.size();
        std::size_t used = 0;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (!cells[i].empty())
                std::memcpy(data + header + used, cells[i].data(), cells[i].size());
            used += cells[i].size();
            SetEnd(data, i, used);
        }
    }

    static void SetEnd(char* data, std::size_t i, std::size_t end) {
        const auto e = std::uint32_t(end);
        std::memcpy(data + 4 * i, &e, 4);
    }

    std::int64_t Id() const { return id_; }

    std::string_view Cell(std::size_t fieldCount, std::size_t i) const {
        std::uint32_t begin = 0, end = 0;
        if (i > 0)
            std::memcpy(&begin, data_ + 4 * (i - 1), 4);
        std::memcpy(&end, data_ + 4 * i, 4);
        return {data_ + 4 * fieldCount + begin, end - begin};
    }

    const char* Data() const { return data_; }

  private:
    std::int64_t id_;
    const char* data_;
};
static_assert(std::is_trivially_destructible_v<Row>);

// Storage for the rows of a table: large chunks instead of an allocation per row (loading and
// freeing thousands of small blocks cost as much as reading them, and appending them as much as
// writing them). What it hands out stays put until Reset.
class Arena {
  public:
    // Room for n bytes at the returned place; Use tells how many were taken.
    char* Reserve(std::size_t n) {
        if (n > room_)
            NextChunk(n);
        return next_;
    }
    void Use(std::size_t n) {
        next_ += n;
        room_ -= n;
    }
    // Forgets everything handed out but keeps the memory: a result table is emptied and filled
    // again by every search.
    void Reset() {
        inUse_ = 0;
        next_ = nullptr;
        room_ = 0;
    }

  private:
    // Chunks grow from small (most tables the program writes hold a row or a few) to large.
    static constexpr std::size_t kFirstChunk = std::size_t(1) << 14;
    static constexpr std::size_t kLargestChunk = std::size_t(1) << 20;

    struct Chunk {
        std::unique_ptr<char[]> bytes;
        std::size_t size;
    };

    void NextChunk(std::size_t n) {
        while (inUse_ < chunks_.size()) {  // the chunks kept by Reset
            Chunk& c = chunks_[inUse_++];
            if (c.size >= n) {
                next_ = c.bytes.get();
                room_ = c.size;
                return;
            }
        }
        const std::size_t grown =
            std::min(kLargestChunk, kFirstChunk << std::min<std::size_t>(chunks_.size(), 16));
        const std::size_t size = std::max(grown, n);
        chunks_.push_back({std::make_unique_for_overwrite<char[]>(size), size});
        inUse_ = chunks_.size();
        next_ = chunks_.back().bytes.get();
        room_ = size;
    }

    std::vector<Chunk> chunks_;
    std::size_t inUse_ = 0;  // chunks_[0, inUse_) hold rows; the last of them is being filled
    char* next_ = nullptr;
    std::size_t room_ = 0;
};

}  // namespace veloria::store
