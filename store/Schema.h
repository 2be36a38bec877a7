#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

namespace veloria::store {

// How a field is stored. Integer fields are read back as decimal text; Memo fields are long texts.
enum class FieldKind { Integer, Text, Memo };

struct FieldDef {
    std::string_view name;
    FieldKind kind;
};

// The layout of one table: the one place the builder, the engine and the tests take it from.
struct TableDef {
    std::string_view fileName;              // as the windows name it, e.g. "LTexto.DB"
    std::vector<FieldDef> fields;           // in table order
    std::string_view primaryKey;            // empty: no key, rows in the order they were appended
    std::vector<std::string_view> indexes;  // secondary orders a handle may name (e.g. "NOMBRE2")
    bool content = false;                   // built outside the program and only read by it
    bool bookTable = false;                 // one of the five volume tables
};

// Every table the system knows, content tables first.
std::span<const TableDef> AllTables();

// The table of that file name, matched without regard to case; nullptr when there is none.
const TableDef* FindTableDef(std::string_view fileName);

// Index of the field in def.fields, matched without regard to case; -1 when there is none.
int FieldIndex(const TableDef& def, std::string_view fieldName);

// The fields the builder computes and never takes from a source: a volume's search form A1..A4.
bool IsComputedField(const TableDef& def, std::string_view fieldName);

// Case-insensitive comparison of ASCII names (file and field names).
bool SameName(std::string_view a, std::string_view b);

// The file in a data directory on which a running program holds its lock, so that a second
// program on the same directory is refused.
inline constexpr std::string_view kDataDirectoryLock = ".veloria-lock";

// One volume of the work: its book code and tables.
struct Volume {
    char code;                     // 'T', 'E', 'M', 'P', 'S'
    std::string_view volumeTable;  // "LTexto.DB"
    std::string_view indexTable;   // "Indice_T.db"
    std::string_view label;        // "Text"
    bool pageShown;
};

inline constexpr std::size_t kVolumeCount = 5;

// The five volumes in the search's scan order "T", "E", "M", "P", "S": the one list of them.
std::span<const Volume, kVolumeCount> Volumes();

// The volume of a book code, or nullptr.
const Volume* FindVolume(char code);

}  // namespace veloria::store
