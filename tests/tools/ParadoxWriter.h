#pragma once

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include "tools/Paradox.h"

// Test tables written with pxlib's own writer, so that the importer is tried on files made by
// another hand than its own. Memo files are padded to whole 4 KiB blocks, as Paradox keeps them
// (pxlib leaves the last one short).
namespace veloria::tools::testing {

struct PxField {
    std::string name;
    paradox::FieldType type;
    int size;
};

// Nothing (an empty field), a text (its bytes as stored), an integer or a real number.
using PxValue = std::variant<std::monostate, std::string, std::int64_t, double>;
using PxRow = std::vector<PxValue>;

// Writes the table db and, when it has memo fields, its memo file beside it (db with ".MB").
// codePage goes into the header as the table's code page. Throws std::runtime_error when pxlib
// fails.
void WriteParadoxTable(const std::filesystem::path& db, const std::vector<PxField>& fields,
                       const std::vector<PxRow>& rows, int codePage = 1252);

// The CSV sources in csvFolder (the builder's input) as Paradox tables in out, one per source,
// each field of the kind a Paradox table of the program would hold it in. The field kinds vary
// from table to table, so that a corpus written this way has every kind the importer reads:
// alpha, short, long, number, autoincrement, memo and formatted memo, texts in the record and in
// the memo file. A1..A4 are written with a stale search form, which the import must replace.
void WriteParadoxCorpus(const std::filesystem::path& csvFolder, const std::filesystem::path& out);

// Damages a copy of a file where a reader trusts it most: a few bytes anywhere or in the first
// header bytes, a number made extreme, the head of a block of blockSize bytes after the header,
// a run of bytes, or the file cut short. The same generator state gives the same damage.
void Damage(std::string& bytes, std::mt19937& rng, std::size_t blockSize, std::size_t header);

}  // namespace veloria::tools::testing
