#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "search/FormScan.h"
#include "store/Table.h"

namespace veloria::search {

// The three texts a hit writes to its result row, for every row of a volume, each row's together
// in one place so that writing a hit touches as little memory as it can.
class ResultTexts {
  public:
    void Reserve(std::size_t bytes, std::size_t rows);
    void AddRow(std::string_view referencia, std::string_view numero, std::string_view pensamiento);
    std::string_view Referencia(int row) const { return Field(row, 0); }
    std::string_view Numero(int row) const { return Field(row, 1); }
    std::string_view Pensamiento(int row) const { return Field(row, 2); }

  private:
    std::string_view Field(int row, int field) const {
        const Spans& s = spans_[std::size_t(row)];
        const std::uint32_t begin = field == 0 ? s.begin : s.end[field - 1];
        return std::string_view(text_).substr(begin, s.end[field] - begin);
    }
    struct Spans {
        std::uint32_t begin;
        std::uint32_t end[3];
    };
    std::string text_;
    std::vector<Spans> spans_;
};

// What the search reads of one volume table, row by row in the handle's order.
struct VolumeTexts {
    RowTexts forms;  // A1 + A2 + A3 + A4
    // Referencia as stored, Numero as text, and the first 80 characters of the trimmed Umemo.
    ResultTexts results;
};

// The volume tables are only ever read, so their texts are read once per process and kept; they
// are read again only when the table engine has read the rows again or they changed. The reference
// stays valid until the next call for the same table. Single-threaded, like the windows that
// search.
const VolumeTexts& TextsOf(store::Table& volume);

// Forgets every kept volume (for benchmarks that measure the first search).
void ForgetVolumeTexts();

}  // namespace veloria::search
