#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "store/Schema.h"
#include "store/Table.h"

namespace veloria::store {

// A window's own handles on the five volume tables and, for the windows that show headings, on
// their index tables: one entry per volume of Volumes(), in its order. Each book table is ordered
// by its key `Numero`, each index table by `Num_I`, so FindKey seeks sentence and heading numbers.
class VolumeTables {
  public:
    enum class Headings { Without, With };

    struct Entry {
        const Volume& volume;
        Table book;
        std::optional<Table> index;  // with Headings::With only
    };

    // Opens every handle; a table that cannot be opened throws StoreError.
    explicit VolumeTables(Headings headings = Headings::Without, std::filesystem::path dir = {});

    // The volume that a `Libro` field names ("T"), or nullptr: an empty field, or no book code.
    Entry* Find(std::string_view libro);
    // The volume of a book code; it must be one of the five.
    Entry& operator[](char code);
    // The book table of a sentence named by its book code and number (`Libro`, `Numero`), moved
    // onto it; nullptr when the code names no volume or the volume has no such sentence.
    Table* FindSentence(std::string_view libro, std::string_view numero);

    std::span<Entry> All() { return entries_; }
    // The book tables in Volumes() order, as the search takes them.
    std::array<Table*, kVolumeCount> Books();

  private:
    std::array<Entry, kVolumeCount> entries_;
};

// The clipboard form of a sentence: the sentence as stored, " (", its trimmed reference, ")"; of
// the sentence at a book table's current row, or of a sentence and reference as stored.
std::string SentenceWithReference(const Table& book);
std::string SentenceWithReference(std::string_view sentence, std::string_view reference);

}  // namespace veloria::store
