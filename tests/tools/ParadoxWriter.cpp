#include "tests/tools/ParadoxWriter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "store/Schema.h"
#include "store/Text.h"
#include "tests/tools/Files.h"
#include "tools/Csv.h"

extern "C" {
#include <paradox.h>
}

namespace veloria::tools::testing {
namespace fs = std::filesystem;
using paradox::FieldType;

namespace {

struct DeleteDoc {
    void operator()(pxdoc_t* doc) const { PX_delete(doc); }
};
struct CloseFile {
    void operator()(FILE* f) const { std::fclose(f); }
};

// A stream over a growing buffer. pxlib asks for the position and seeks before each byte it puts
// into a data block; on a real file that is two system calls a byte, and the sample corpus would
// take minutes to write.
struct Memory {
    std::string bytes;
    std::size_t at = 0;

    static ssize_t Read(void* cookie, char* buffer, std::size_t size) {
        auto* m = static_cast<Memory*>(cookie);
        const std::size_t n = m->at < m->bytes.size() ? std::min(size, m->bytes.size() - m->at) : 0;
        std::memcpy(buffer, m->bytes.data() + m->at, n);
        m->at += n;
        return ssize_t(n);
    }
    static ssize_t Write(void* cookie, const char* buffer, std::size_t size) {
        auto* m = static_cast<Memory*>(cookie);
        if (m->at + size > m->bytes.size())
            m->bytes.resize(m->at + size);
        std::memcpy(m->bytes.data() + m->at, buffer, size);
        m->at += size;
        return ssize_t(size);
    }
    static int Seek(void* cookie, off64_t* offset, int whence) {
        auto* m = static_cast<Memory*>(cookie);
        const off64_t base = whence == SEEK_SET   ? 0
                             : whence == SEEK_CUR ? off64_t(m->at)
                                                  : off64_t(m->bytes.size());
        if (base + *offset < 0)
            return -1;
        m->at = std::size_t(base + *offset);
        *offset = off64_t(m->at);
        return 0;
    }
};

bool IsMemo(FieldType type) {
    return type == FieldType::Memo || type == FieldType::FormattedMemo;
}

void PadToBlocks(const fs::path& file) {
    const auto size = fs::file_size(file);
    const auto whole = (size + 4095) / 4096 * 4096;
    std::ofstream(file, std::ios::binary | std::ios::app) << std::string(whole - size, '\0');
}

void PutValue(pxdoc_t* doc, const PxField& field, char* data, const PxValue& value) {
    if (std::holds_alternative<std::monostate>(value))
        return;  // all zeros: an empty field
    if (const auto* text = std::get_if<std::string>(&value)) {
        std::string copy = *text;
        if (IsMemo(field.type)) {
            if (PX_put_data_blob(doc, data, field.size, copy.data(), int(copy.size())) < 0)
                throw std::runtime_error("pxlib cannot write a memo of " + field.name);
        } else {
            PX_put_data_alpha(doc, data, field.size, copy.data());
        }
        return;
    }
    const double real = std::holds_alternative<double>(value)
                            ? std::get<double>(value)
                            : double(std::get<std::int64_t>(value));
    // Only an integer field takes the number whole; a number field keeps what no integer holds.
    const auto integer = [&] {
        return std::holds_alternative<std::int64_t>(value) ? std::get<std::int64_t>(value)
                                                           : std::int64_t(real);
    };
    switch (field.type) {
        case FieldType::Short:
            PX_put_data_short(doc, data, 2, short(integer()));
            return;
        case FieldType::Long:
        case FieldType::AutoIncrement:
            PX_put_data_long(doc, data, 4, int(integer()));
            return;
        case FieldType::Number:
            PX_put_data_double(doc, data, 8, real);
            return;
        default:
            throw std::runtime_error("no number can be written into " + field.name);
    }
}

}  // namespace

void WriteParadoxTable(const fs::path& db, const std::vector<PxField>& fields,
                       const std::vector<PxRow>& rows, int codePage) {
    fs::remove(db);
    Memory memory;
    std::unique_ptr<FILE, CloseFile> file(
        fopencookie(&memory, "w+", {&Memory::Read, &Memory::Write, &Memory::Seek, nullptr}));
    std::unique_ptr<pxdoc_t, DeleteDoc> doc(PX_new());
    // pxlib takes the field list and frees it, and its names, when the document goes.
    auto* list = static_cast<pxfield_t*>(std::malloc(sizeof(pxfield_t) * fields.size()));
    int recordSize = 0;
    bool memo = false;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        list[i].px_fname = strdup(fields[i].name.c_str());
        list[i].px_ftype = char(fields[i].type);
        list[i].px_flen = fields[i].size;
        list[i].px_fdc = 0;
        recordSize += fields[i].size;
        memo = memo || IsMemo(fields[i].type);
    }
    if (!file ||
        PX_create_fp(doc.get(), list, int(fields.size()), file.get(), pxfFileTypNonIndexDB) < 0) {
        throw std::runtime_error("pxlib cannot create " + db.string());
    }
    PX_set_tablename(doc.get(), db.filename().c_str());
    fs::path mb = db;
    mb.replace_extension(".MB");
    if (memo && PX_set_blob_file(doc.get(), mb.c_str()) < 0)
        throw std::runtime_error("pxlib cannot create " + mb.string());
    std::vector<char> record(static_cast<std::size_t>(recordSize));
    for (const PxRow& row : rows) {
        std::fill(record.begin(), record.end(), '\0');
        std::size_t at = 0;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            PutValue(doc.get(), fields[i], record.data() + at, row.at(i));
            at += std::size_t(fields[i].size);
        }
        if (PX_put_record(doc.get(), record.data()) < 0)
            throw std::runtime_error("pxlib cannot write a record of " + db.string());
    }
    PX_close(doc.get());
    doc.reset();
    file.reset();
    if (memo)
        PadToBlocks(mb);
    // The code page the header names, at its place in a table's header.
    memory.bytes.at(0x6A) = char(codePage & 0xFF);
    memory.bytes.at(0x6B) = char(codePage >> 8);
    std::ofstream(db, std::ios::binary) << memory.bytes;
}

namespace {

// How each table's fields are kept: the kind of Paradox field for each field of the schema. An
// alpha field is as wide as its longest value, as a table's designer would make it.
PxField FieldFor(const store::TableDef& def, const store::FieldDef& f, int widest) {
    const std::string name(f.name);
    const std::string table(def.fileName);
    if (f.kind == store::FieldKind::Memo) {
        // The volumes keep a leader that holds most sentences; the tips a formatted memo with a
        // short leader; the citing sentences a leader of one character.
        if (def.bookTable)
            return {name, FieldType::Memo, 100};
        if (store::SameName(table, "Frases.DB"))
            return {name, FieldType::FormattedMemo, 30};
        return {name, FieldType::Memo, 11};
    }
    if (f.kind == store::FieldKind::Text)
        return {name, FieldType::Alpha, std::clamp(widest, 1, 255)};
    if (name == "Pagina" || store::SameName(table, "Frases.DB"))
        return {name, FieldType::Short, 2};
    if (name == "Parrafo2")
        return {name, FieldType::Number, 8};
    if (name == "Num_I" && !def.bookTable)
        return {name, FieldType::AutoIncrement, 4};
    return {name, FieldType::Long, 4};
}

}  // namespace

void WriteParadoxCorpus(const fs::path& csvFolder, const fs::path& out) {
    fs::create_directories(out);
    for (const store::TableDef& def : store::AllTables()) {
        const fs::path csv = csvFolder / (fs::path(def.fileName).stem().string() + ".csv");
        if (!fs::exists(csv))
            continue;
        const std::vector<CsvRecord> records = ParseCsv(ReadAll(csv));
        std::vector<PxField> fields;
        std::vector<int> column;  // the CSV column of each field, -1 for a stale search form
        for (const store::FieldDef& f : def.fields) {
            int c = -1;
            for (std::size_t i = 0; i < records.at(0).fields.size(); ++i) {
                if (store::SameName(records[0].fields[i], f.name))
                    c = int(i);
            }
            column.push_back(c);
            int widest = 7;  // "#STALE#"
            for (std::size_t r = 1; c >= 0 && r < records.size(); ++r) {
                widest = std::max(widest,
                                  int(store::FromUtf8(records[r].fields[std::size_t(c)]).size()));
            }
            fields.push_back(FieldFor(def, f, widest));
        }
        std::vector<PxRow> rows;
        for (std::size_t r = 1; r < records.size(); ++r) {
            PxRow& row = rows.emplace_back(fields.size());  // every field empty
            for (std::size_t i = 0; i < fields.size(); ++i) {
                if (column[i] < 0) {
                    row[i].emplace<std::string>("#STALE#");
                    continue;
                }
                const std::string value =
                    store::FromUtf8(records[r].fields[std::size_t(column[i])]);
                if (value.empty())
                    continue;
                if (fields[i].type == FieldType::Alpha || IsMemo(fields[i].type))
                    row[i].emplace<std::string>(value);
                else
                    row[i].emplace<std::int64_t>(std::stoll(value));
            }
        }
        WriteParadoxTable(out / def.fileName, fields, rows);
    }
}

void Damage(std::string& bytes, std::mt19937& rng, std::size_t blockSize, std::size_t header) {
    auto pick = [&](std::size_t n) {
        return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
    };
    if (bytes.empty())
        return;
    constexpr std::uint32_t kExtremes[] = {
        0, 1, 0x7F, 0x80, 0xFF, 0x7FFF, 0x8000, 0xFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
    switch (pick(6)) {
        case 0:  // a few bytes anywhere
            for (std::size_t k = 1 + pick(8); k > 0; --k)
                bytes[pick(bytes.size())] = char(pick(256));
            break;
        case 1:  // within the header
            for (std::size_t k = 1 + pick(4); k > 0; --k)
                bytes[pick(std::min(bytes.size(), header))] = char(pick(256));
            break;
        case 2: {  // a number of the header or of a block made extreme
            const std::size_t at = pick(bytes.size() - 4);
            const std::uint32_t v = kExtremes[pick(std::size(kExtremes))];
            for (std::size_t i = 0, width = pick(2) ? 2 : 4; i < width; ++i)
                bytes[at + i] = char(v >> (8 * i));
            break;
        }
        case 3: {  // the head of a block
            const std::size_t blocks = (bytes.size() - std::min(bytes.size(), header)) / blockSize;
            if (blocks == 0)
                break;
            const std::size_t at = header + pick(blocks) * blockSize + pick(12);
            if (at < bytes.size())
                bytes[at] = char(pick(256));
            break;
        }
        case 4:  // cut short
            bytes.resize(pick(bytes.size()));
            break;
        default:  // a run of bytes overwritten
            for (std::size_t at = pick(bytes.size()), n = pick(16); n > 0 && at < bytes.size();
                 --n, ++at) {
                bytes[at] = char(pick(256));
            }
            break;
    }
}

}  // namespace veloria::tools::testing
