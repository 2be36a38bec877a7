#include "tools/Paradox.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

extern "C" {
#include <paradox.h>
}

namespace veloria::tools::paradox {
namespace {

constexpr std::size_t kFileHeader = 0x58;    // the part every Paradox file has
constexpr std::size_t kDataHeader = 0x78;    // with the part of a table of version 4 and later
constexpr std::size_t kBlockHeader = 6;      // next block, previous block, bytes of records - 1
constexpr std::size_t kMemoLeaderTail = 10;  // offset, length, modification number
constexpr std::size_t kSlots = 64;           // of a shared memo block
constexpr std::size_t kSlotTable = 12 + kSlots * 5;
constexpr std::size_t kMaxName = 255;

std::uint32_t Le16(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8;
}
std::uint32_t Le32(const unsigned char* p) {
    return Le16(p) | Le16(p + 2) << 16;
}

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

// Where the header's numbers go when they do not hold together.
[[noreturn]] void Damaged(const std::string& what) {
    throw Error("damaged: " + what);
}

// The size a field of that type takes in a record, or 0 when the header's size cannot be right.
int FieldBytes(FieldType type, unsigned size) {
    switch (type) {
        case FieldType::Alpha:
        case FieldType::Bytes:
            return size >= 1 ? int(size) : 0;
        case FieldType::Logical:
            return size == 1 ? 1 : 0;
        case FieldType::Short:
            return size == 2 ? 2 : 0;
        case FieldType::Date:
        case FieldType::Long:
        case FieldType::Time:
        case FieldType::AutoIncrement:
            return size == 4 ? 4 : 0;
        case FieldType::Currency:
        case FieldType::Number:
        case FieldType::Timestamp:
            return size == 8 ? 8 : 0;
        case FieldType::Memo:
        case FieldType::Blob:
        case FieldType::FormattedMemo:
        case FieldType::Ole:
        case FieldType::Graphic:
            return size >= kMemoLeaderTail ? int(size) : 0;
        case FieldType::Bcd:
            return size <= 32 ? 17 : 0;  // the header gives the decimals; the value takes 17
    }
    return 0;
}

bool KnownType(unsigned type) {
    switch (FieldType(type)) {
        case FieldType::Alpha:
        case FieldType::Date:
        case FieldType::Short:
        case FieldType::Long:
        case FieldType::Currency:
        case FieldType::Number:
        case FieldType::Logical:
        case FieldType::Memo:
        case FieldType::Blob:
        case FieldType::FormattedMemo:
        case FieldType::Ole:
        case FieldType::Graphic:
        case FieldType::Time:
        case FieldType::Timestamp:
        case FieldType::AutoIncrement:
        case FieldType::Bcd:
        case FieldType::Bytes:
            return true;
    }
    return false;
}

// pxlib reports through this; the last message goes into the error that follows.
void OnPxlibError(pxdoc_t*, int, const char* message, void* data) {
    if (data && message)
        *static_cast<std::string*>(data) = message;
}

struct CloseFile {
    void operator()(FILE* f) const { std::fclose(f); }
};
struct DeleteDoc {
    void operator()(pxdoc_t* doc) const { PX_delete(doc); }
};

}  // namespace

const char* TypeName(FieldType type) {
    switch (type) {
        case FieldType::Alpha:
            return "alpha";
        case FieldType::Date:
            return "date";
        case FieldType::Short:
            return "short integer";
        case FieldType::Long:
            return "long integer";
        case FieldType::Currency:
            return "money";
        case FieldType::Number:
            return "number";
        case FieldType::Logical:
            return "logical";
        case FieldType::Memo:
            return "memo";
        case FieldType::Blob:
            return "binary";
        case FieldType::FormattedMemo:
            return "formatted memo";
        case FieldType::Ole:
            return "OLE";
        case FieldType::Graphic:
            return "graphic";
        case FieldType::Time:
            return "time";
        case FieldType::Timestamp:
            return "timestamp";
        case FieldType::AutoIncrement:
            return "autoincrement";
        case FieldType::Bcd:
            return "BCD";
        case FieldType::Bytes:
            return "bytes";
    }
    return "unknown";
}

MemoFile::MemoFile(std::string bytes) : bytes_(std::move(bytes)) {
    if (bytes_.size() < kBlock) {
        throw Error("the memo file is cut short: " + std::to_string(bytes_.size()) +
                    " bytes, less than its header block of " + std::to_string(kBlock));
    }
    if (bytes_[0] != 0)
        throw Error("the memo file is damaged: it does not begin with its header block");
}

std::string MemoFile::Text(std::uint32_t offset, std::uint32_t length) const {
    const std::size_t slot = offset & 0xFF;
    const std::size_t block = offset & 0xFFFFFF00u;
    const std::size_t size = bytes_.size();
    const auto* b = reinterpret_cast<const unsigned char*>(bytes_.data());
    const std::string where = "the memo at offset " + std::to_string(block);
    auto cutShort = [&](std::size_t end) {
        return Error("the memo file is cut short: " + where + " runs to byte " +
                     std::to_string(end) + ", the file has " + std::to_string(size));
    };
    if (block < kBlock || block % kBlock != 0)
        throw Error(where + " is not at the start of a block of the memo file");
    if (block >= size) {
        throw Error(where + " lies past the end of the memo file (" + std::to_string(size) +
                    " bytes)");
    }
    if (block + 9 > size)
        throw cutShort(block + 9);
    const unsigned type = b[block];
    if (type == 2) {
        if (slot != 0xFF)
            throw Error(where + " names slot " + std::to_string(slot) +
                        " of a single text's block");
        const std::size_t blocks = Le16(b + block + 1);
        const std::size_t stored = Le32(b + block + 3);
        if (stored != length) {
            throw Error(where + " holds " + std::to_string(stored) +
                        " bytes where the record says " + std::to_string(length));
        }
        if (blocks == 0 || 9 + std::size_t(length) > blocks * kBlock) {
            throw Error(where + ": " + std::to_string(length) + " bytes do not fit in its " +
                        std::to_string(blocks) + " blocks");
        }
        if (block + 9 + length > size)
            throw cutShort(block + 9 + length);
        return bytes_.substr(block + 9, length);
    }
    if (type == 3) {
        if (slot >= kSlots) {
            throw Error(where + " names slot " + std::to_string(slot) + " of a shared block of " +
                        std::to_string(kSlots));
        }
        if (block + kSlotTable > size)
            throw cutShort(block + kSlotTable);
        const unsigned char* entry = b + block + 12 + slot * 5;
        if (entry[1] == 0)
            throw Error(where + " names slot " + std::to_string(slot) + ", which is empty");
        const std::size_t stored = (std::size_t(entry[1]) - 1) * 16 + entry[4];
        if (stored != length) {
            throw Error(where + ", slot " + std::to_string(slot) + ", holds " +
                        std::to_string(stored) + " bytes where the record says " +
                        std::to_string(length));
        }
        const std::size_t start = std::size_t(entry[0]) * 16;
        if (start < kSlotTable || start + length > kBlock) {
            throw Error(where + ", slot " + std::to_string(slot) + ", lies outside its block");
        }
        if (block + start + length > size)
            throw cutShort(block + start + length);
        return bytes_.substr(block + start, length);
    }
    if (type == 0)
        throw Error(where + " is a header block, not a text");
    if (type == 4)
        throw Error(where + " is a free block: its text was deleted");
    throw Error(where + " is a block of unknown type " + std::to_string(type));
}

std::optional<std::size_t> MemoFile::StoredLength(std::uint32_t offset) const {
    const std::size_t slot = offset & 0xFF;
    const std::size_t block = offset & 0xFFFFFF00u;
    const auto* b = reinterpret_cast<const unsigned char*>(bytes_.data());
    if (block < kBlock || block % kBlock != 0 || block + kSlotTable > bytes_.size())
        return std::nullopt;
    if (b[block] == 2)
        return Le32(b + block + 3);
    if (b[block] == 3 && slot < kSlots && b[block + 12 + slot * 5 + 1] != 0) {
        const unsigned char* entry = b + block + 12 + slot * 5;
        return (std::size_t(entry[1]) - 1) * 16 + entry[4];
    }
    return std::nullopt;
}

struct Table::Px {
    std::string message;  // pxlib's last one
    std::unique_ptr<FILE, CloseFile> file;
    std::unique_ptr<pxdoc_t, DeleteDoc> doc;  // before the file it reads is closed
};

Table::Table(std::string db, std::optional<std::string> memo) : db_(std::move(db)) {
    if (memo)
        memo_.emplace(std::move(*memo));
    ReadHeader();
    ReadBlocks();
    OpenWithPxlib();
}

Table::~Table() = default;

void Table::ReadHeader() {
    const std::size_t size = db_.size();
    const auto* b = reinterpret_cast<const unsigned char*>(db_.data());
    if (size < kFileHeader) {
        throw Error("not a Paradox table: " + std::to_string(size) + " bytes, fewer than its " +
                    "header alone takes");
    }
    recordSize_ = Le16(b + 0x00);
    headerSize_ = Le16(b + 0x02);
    const unsigned fileType = b[0x04];
    const unsigned maxTableSize = b[0x05];
    headerRecords_ = std::int32_t(Le32(b + 0x06));
    fileBlocks_ = Le16(b + 0x0C);
    firstBlock_ = Le16(b + 0x0E);
    const std::size_t fieldCount = Le16(b + 0x21);
    const std::uint32_t encryption = Le32(b + 0x25);
    const unsigned version = b[0x39];

    if (fileType != 0 && fileType != 2)
        throw Error("not a Paradox table but another kind of Paradox file (type " +
                    std::to_string(fileType) + ")");
    if (version < 3 || version > 12)
        Damaged("unknown version " + Hex(version) + " in the header");
    const bool dataHeader = version >= 5;
    if (headerSize_ < (dataHeader ? kDataHeader : kFileHeader) || headerSize_ > size) {
        throw Error("damaged or cut short: the header takes " + std::to_string(headerSize_) +
                    " bytes, the file has " + std::to_string(size));
    }
    // Version 4 and later keep a second word of the password in the table's own header part.
    const std::uint32_t encryption2 = dataHeader ? Le32(b + 0x5C) : 0;
    if (encryption != 0 && (encryption != 0xFF00FF00u || encryption2 != 0 || !dataHeader)) {
        throw Error(
            "encrypted (protected by a password): remove the password in Paradox and "
            "import it again");
    }
    codePage_ = dataHeader ? int(Le16(b + 0x6A)) : 0;
    if (maxTableSize < 1 || maxTableSize > 32)
        Damaged("blocks of " + std::to_string(maxTableSize) + " KiB");
    blockSize_ = maxTableSize * 1024;
    if (recordSize_ == 0 || recordSize_ + kBlockHeader > blockSize_) {
        Damaged("records of " + std::to_string(recordSize_) + " bytes in blocks of " +
                std::to_string(blockSize_));
    }
    if (headerRecords_ < 0)
        Damaged("a count of " + std::to_string(headerRecords_) + " records");

    const std::size_t infoAt = dataHeader ? kDataHeader : kFileHeader;
    const std::size_t nameTable = version == 12 ? 261 : 79;
    const std::size_t namesAt = infoAt + fieldCount * 2 + 4 + fieldCount * 4 + nameTable;
    if (fieldCount == 0 || fieldCount > 255 || namesAt > headerSize_)
        Damaged(std::to_string(fieldCount) + " fields in a header of " +
                std::to_string(headerSize_) + " bytes");
    std::size_t total = 0;
    std::size_t at = namesAt;
    for (std::size_t i = 0; i < fieldCount; ++i) {
        const unsigned type = b[infoAt + i * 2];
        const unsigned fieldSize = b[infoAt + i * 2 + 1];
        if (!KnownType(type))
            Damaged("field " + std::to_string(i + 1) + " has an unknown type " + Hex(type));
        const int bytes = FieldBytes(FieldType(type), fieldSize);
        if (bytes == 0) {
            Damaged("field " + std::to_string(i + 1) + " is " + TypeName(FieldType(type)) +
                    " of size " + std::to_string(fieldSize));
        }
        const auto end = static_cast<const unsigned char*>(
            std::memchr(b + at, 0, std::min(headerSize_ - at, kMaxName + 1)));
        if (!end)
            Damaged("the name of field " + std::to_string(i + 1) + " is not in the header");
        fields_.push_back(
            {std::string(reinterpret_cast<const char*>(b + at), std::size_t(end - (b + at))),
             FieldType(type), bytes});
        at = std::size_t(end - b) + 1;
        total += std::size_t(bytes);
    }
    if (total != recordSize_) {
        Damaged("the fields take " + std::to_string(total) + " bytes, the header gives records " +
                std::to_string(recordSize_));
    }
}

// Walks the chain of data blocks as the table orders its records, so that each record is read
// where it lies, whatever the header's numbers claim.
void Table::ReadBlocks() {
    const std::size_t size = db_.size();
    const auto* b = reinterpret_cast<const unsigned char*>(db_.data());
    std::vector<bool> seen(fileBlocks_ + 1, false);
    std::int64_t total = 0;
    // Where a file cut short loses its first record: named, so that the user knows what is gone.
    auto cutShort = [&](std::size_t end, std::int64_t firstLost) {
        throw Error("cut short: record " + std::to_string(firstLost) +
                        (firstLost < headerRecords_ ? " and those after it lie" : " lies") +
                        " past its end (byte " + std::to_string(end) + " of a file of " +
                        std::to_string(size) + ")",
                    firstLost);
    };
    // Walked from the first block whatever the counts say: pxlib walks it so when it opens the
    // file, even in a table of no blocks, and writes past its own list where the chain runs on.
    for (std::size_t block = firstBlock_; block != 0;) {
        if (block > fileBlocks_) {
            Damaged("the chain of data blocks reaches block " + std::to_string(block) + " of " +
                    std::to_string(fileBlocks_));
        }
        if (seen[block])
            Damaged("the chain of data blocks comes back to block " + std::to_string(block));
        seen[block] = true;
        const std::size_t at = headerSize_ + (block - 1) * blockSize_;
        if (at + kBlockHeader > size)
            cutShort(at + kBlockHeader, total + 1);
        const std::size_t next = Le16(b + at);
        const int used = std::int16_t(Le16(b + at + 4));  // bytes of records, less one record
        const int recordSize = int(recordSize_);
        if (used < -recordSize || used % recordSize != 0 ||
            kBlockHeader + std::size_t(used + recordSize) > blockSize_) {
            Damaged("block " + std::to_string(block) + " claims " + std::to_string(used) +
                    " bytes of records of " + std::to_string(recordSize_));
        }
        const std::size_t count = std::size_t(used / recordSize + 1);
        if (total + std::int64_t(count) > headerRecords_) {
            Damaged("the data blocks hold more records than the " + std::to_string(headerRecords_) +
                    " of the header");
        }
        const std::size_t end = at + kBlockHeader + count * recordSize_;
        if (end > size)
            cutShort(end, total + std::int64_t((size - at - kBlockHeader) / recordSize_) + 1);
        if (count > 0)
            blocks_.push_back({at + kBlockHeader, total});
        total += std::int64_t(count);
        block = next;
    }
    if (total != headerRecords_) {
        Damaged("its header counts " + std::to_string(headerRecords_) +
                " records, its data blocks hold " + std::to_string(total));
    }
    if (headerSize_ + fileBlocks_ * blockSize_ > size) {
        throw Error("cut short: its header counts " + std::to_string(fileBlocks_) + " blocks of " +
                    std::to_string(blockSize_) + " bytes after " + std::to_string(headerSize_) +
                    " bytes of header, " + std::to_string(headerSize_ + fileBlocks_ * blockSize_) +
                    " bytes in all; the file has " + std::to_string(size));
    }
}

// pxlib reads the header again; what it makes of it must agree with the reading above, or one of
// the two is wrong about this file.
void Table::OpenWithPxlib() {
    px_ = std::make_unique<Px>();
    FILE* file = ::fmemopen(db_.data(), db_.size(), "rb");
    if (!file)
        throw Error(std::string("cannot be read: ") + std::strerror(errno));
    px_->file.reset(file);
    pxdoc_t* doc = PX_new3(&OnPxlibError, nullptr, nullptr, nullptr, &px_->message);
    if (!doc)
        throw Error("cannot be read: pxlib cannot start");
    px_->doc.reset(doc);
    if (PX_open_fp(doc, file) < 0) {
        // pxlib frees its list of data blocks when it cannot read one, but keeps pointing at it,
        // and would free it again when the document is deleted.
        doc->px_indexdata = nullptr;
        Damaged("pxlib cannot read the header (" + px_->message + ")");
    }
    const bool agree = [&] {
        if (PX_get_num_fields(doc) != int(fields_.size()) ||
            PX_get_num_records(doc) != headerRecords_ ||
            PX_get_recordsize(doc) != int(recordSize_) ||
            (codePage_ != 0 && doc->px_head->px_doscodepage != codePage_)) {
            return false;
        }
        for (std::size_t i = 0; i < fields_.size(); ++i) {
            const pxfield_t* f = PX_get_field(doc, int(i));
            if (!f || FieldType(static_cast<unsigned char>(f->px_ftype)) != fields_[i].type ||
                f->px_flen != fields_[i].size || !f->px_fname || fields_[i].name != f->px_fname) {
                return false;
            }
        }
        return true;
    }();
    if (!agree)
        Damaged("pxlib reads its header otherwise");
}

void Table::Read(std::int64_t r, std::vector<Value>& out) const {
    if (r < 0 || r >= records())
        throw Error("no record " + std::to_string(r + 1), r + 1);
    const auto block =
        std::upper_bound(blocks_.begin(), blocks_.end(), r,
                         [](std::int64_t n, const Block& b) { return n < b.first; }) -
        1;
    const std::size_t at = block->at + std::size_t(r - block->first) * recordSize_;
    // pxlib's decoders take a record they may write to: a copy of it.
    std::vector<char> record(db_.begin() + std::ptrdiff_t(at),
                             db_.begin() + std::ptrdiff_t(at + recordSize_));
    out.clear();
    std::size_t offset = 0;
    for (const Field& field : fields_) {
        out.push_back(Decode(field, record.data() + offset, r + 1));
        offset += std::size_t(field.size);
    }
}

Value Table::Decode(const Field& field, char* data, std::int64_t record) const {
    pxdoc_t* doc = px_->doc.get();
    const auto* u = reinterpret_cast<const unsigned char*>(data);
    Value value;
    switch (field.type) {
        case FieldType::Alpha: {
            // A text ends at its first NUL and the field is padded with NULs: a text that goes on
            // past one would be read cut short.
            const auto* nul = static_cast<const unsigned char*>(std::memchr(u, 0, field.size));
            if (nul && std::any_of(nul, u + field.size, [](unsigned char c) { return c != 0; })) {
                throw Error("a NUL character at character " + std::to_string(nul - u + 1) +
                                " would cut the text short; a text holds none",
                            record, field.name);
            }
            char* text = nullptr;
            const int found = PX_get_data_alpha(doc, data, field.size, &text);
            if (found < 0)
                throw Error("cannot be decoded (" + px_->message + ")", record, field.name);
            if (found > 0 && text) {
                value.kind = Value::Kind::Text;
                value.text = text;
            }
            if (text)
                doc->free(doc, text);
            return value;
        }
        case FieldType::Short: {
            short number = 0;
            if (PX_get_data_short(doc, data, 2, &number) > 0) {
                value.kind = Value::Kind::Integer;
                value.integer = number;
            }
            return value;
        }
        case FieldType::Long:
        case FieldType::AutoIncrement: {
            // pxlib 0.6.8 tests eight bytes for an empty long on a 64-bit machine, four of them
            // past the value, and so reads an empty field as -2147483648: tested here instead.
            if (u[0] == 0 && u[1] == 0 && u[2] == 0 && u[3] == 0)
                return value;
            long number = 0;
            PX_get_data_long(doc, data, 4, &number);
            value.kind = Value::Kind::Integer;
            value.integer = number;
            return value;
        }
        case FieldType::Number: {
            double number = 0;
            if (PX_get_data_double(doc, data, 8, &number) > 0) {
                value.kind = Value::Kind::Real;
                value.real = number;
            }
            return value;
        }
        case FieldType::Memo:
        case FieldType::FormattedMemo: {
            // The leader holds the text's beginning, the last ten bytes where the whole of it is.
            const std::size_t leader = std::size_t(field.size) - kMemoLeaderTail;
            const std::uint32_t offset = Le32(u + leader);
            const std::uint32_t length = Le32(u + leader + 4);
            // The record's length must agree with the text the leader holds (NULs after it) and
            // with the memo file's own length of it, or the text would be read cut short.
            std::size_t held = leader;
            while (held > 0 && u[held - 1] == 0)
                --held;
            if (length <= leader) {
                if (held > length) {
                    throw Error("the record gives its text " + std::to_string(length) +
                                    (length == 1 ? " byte" : " bytes") +
                                    ", but its leader alone holds " + std::to_string(held),
                                record, field.name);
                }
                // A text the memo file holds too: reading it there says how they disagree.
                if (offset != 0 && memo_ &&
                    memo_->StoredLength(offset).value_or(length) != length) {
                    try {
                        memo_->Text(offset, length);
                    } catch (const Error& e) {
                        throw Error(e.what(), record, field.name);
                    }
                }
                if (length == 0)
                    return value;
                value.kind = Value::Kind::Text;
                value.text.assign(data, length);
                return value;
            }
            value.kind = Value::Kind::Text;
            if (!memo_) {
                throw Error("its text of " + std::to_string(length) +
                                " bytes lies in the memo file, which is missing",
                            record, field.name);
            }
            try {
                value.text = memo_->Text(offset, length);
            } catch (const Error& e) {
                throw Error(e.what(), record, field.name);
            }
            return value;
        }
        default:
            value.kind = Value::Kind::Unread;
            return value;
    }
}

}  // namespace veloria::tools::paradox
