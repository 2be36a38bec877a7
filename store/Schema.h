#pragma once

#include <array>
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
    // False for a field of a content table that the table engine leaves in the file and reads
    // when asked (the search forms, which the search alone reads, in one pass of its own).
    bool inMemory = true;
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

// The side files SQLite keeps beside a table file while it is written: its journal, its
// write-ahead log and the log's index.
inline constexpr std::array<std::string_view, 3> kSideFileSuffixes = {"-journal", "-wal", "-shm"};

// A file of the program's own in a data directory, matched without regard to case: one of the
// tables it writes (its results and its configuration, with the last search and the tip of the
// day), or a side file of one. Nothing that brings new content touches them.
bool IsProgramFile(std::string_view fileName);

// The user's own store in a data directory: settings, the place, bookmarks, notes, history. No
// build and no upgrade writes it; a build that replaces the directory carries it over.
inline constexpr std::string_view kStudyFile = "Study.db";
// The user's store, its side files, and a damaged copy the program set aside beside it
// ("Study.db.damaged-20261209-142233"): what a user made, kept wherever the directory is rebuilt.
bool IsUserFile(std::string_view fileName);

// The file in a data directory on which a running program holds its lock, so that a second
// program on the same directory is refused.
inline constexpr std::string_view kDataDirectoryLock = ".veloria-lock";

// What the windows show as fixed numbers, whatever the tables hold; the builder warns where a
// table holds another number.
inline constexpr int kBiblePassages = 404;     // the verse list's "/ 404 References"
inline constexpr int kCitingSentences = 1121;  // the "Veloria to Bible" list's "/ 1121 References"
inline constexpr int kTips = 880;              // the tip of the day draws 1 to this

// The two parts of volume M, the Manual for Teachers and its Clarification Of Terms, as the
// windows name them.
inline constexpr std::string_view kManualLabel = "Manual for Teachers";
inline constexpr std::string_view kClarificationLabel = "Clarification Of Terms";
// The chapter line (Nom_1 of "Indice_M.db") of every section of the Manual.
inline constexpr std::string_view kManualHeading = "MANUAL FOR TEACHERS";
// The part a sentence of volume M belongs to: by its section's trimmed chapter line, or by its
// reference, which begins with "M" in the Manual.
std::string_view ManualPartOfHeading(std::string_view trimmedNom1);
std::string_view ManualPartOfReference(std::string_view reference);

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
