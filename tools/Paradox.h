#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// Reading a Paradox table (.DB) and its memo file (.MB) from their bytes. pxlib parses the header
// and decodes the values; everything it would trust blindly is checked here first (the header's
// sizes and field types, the chain of data blocks, where each record lies), and the memo file is
// read here, every offset, length and block type checked against the file. Nothing in a damaged
// file can make the reader read outside it, loop or crash: it throws Error instead. No Qt, no
// table engine: only pxlib and the standard library, so that it can be fuzzed on its own.
namespace veloria::tools::paradox {

// Field types as a table's header numbers them.
enum class FieldType : unsigned char {
    Alpha = 0x01,
    Date = 0x02,
    Short = 0x03,
    Long = 0x04,
    Currency = 0x05,
    Number = 0x06,
    Logical = 0x09,
    Memo = 0x0C,
    Blob = 0x0D,
    FormattedMemo = 0x0E,
    Ole = 0x0F,
    Graphic = 0x10,
    Time = 0x14,
    Timestamp = 0x15,
    AutoIncrement = 0x16,
    Bcd = 0x17,
    Bytes = 0x18,
};

// "alpha", "long integer", "formatted memo", ...
const char* TypeName(FieldType type);

struct Field {
    std::string name;  // as the header spells it, in the table's code page
    FieldType type;
    int size;  // bytes in the record
};

// One value of a record. A text is bytes in the table's code page: an alpha field up to its
// first NUL, a memo as stored.
struct Value {
    enum class Kind { Empty, Text, Integer, Real, Unread };
    Kind kind = Kind::Empty;  // Unread: a field type this reader does not decode
    std::string text;
    std::int64_t integer = 0;
    double real = 0;
};

// What cannot be read. record counts from 1; 0 is the file as a whole. field is empty for the
// record or the file as a whole.
class Error : public std::runtime_error {
  public:
    explicit Error(const std::string& message, std::int64_t record = 0, std::string field = {})
        : std::runtime_error(message), record_(record), field_(std::move(field)) {}
    std::int64_t record() const { return record_; }
    const std::string& field() const { return field_; }

  private:
    std::int64_t record_;
    std::string field_;
};

// A memo file: blocks of 4 KiB, the first its header. A memo's text lies in a block of its own
// (type 2) or in one slot of a block shared by up to 64 small ones (type 3).
class MemoFile {
  public:
    static constexpr std::size_t kBlock = 4096;

    // Throws Error for a file that does not begin with a whole header block.
    explicit MemoFile(std::string bytes);

    // The text a memo field points at: offset holds the block's offset and, in its low byte, the
    // slot; length is the text's length as the field gives it. Throws Error (with no record)
    // saying what does not fit.
    std::string Text(std::uint32_t offset, std::uint32_t length) const;
    // The length the memo file itself gives the text at offset; nothing when offset names no
    // text there.
    std::optional<std::size_t> StoredLength(std::uint32_t offset) const;

  private:
    std::string bytes_;
};

class Table {
  public:
    // db: the whole .DB file; memo: its .MB file, when there is one. Throws Error for a file that
    // is not a Paradox table, or is encrypted, damaged or cut short.
    Table(std::string db, std::optional<std::string> memo);
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    const std::vector<Field>& fields() const { return fields_; }
    // The code page its header names (1252, 437, ...); 0 when it names none.
    int codePage() const { return codePage_; }
    std::int64_t records() const { return headerRecords_; }

    // The values of record r (0-based), one per field, into out. Throws Error naming the record
    // (1-based) and the field.
    void Read(std::int64_t r, std::vector<Value>& out) const;

  private:
    void ReadHeader();
    void ReadBlocks();
    void OpenWithPxlib();
    Value Decode(const Field& field, char* data, std::int64_t record) const;

    std::string db_;
    std::optional<MemoFile> memo_;
    std::vector<Field> fields_;
    int codePage_ = 0;
    std::size_t recordSize_ = 0;
    std::size_t headerSize_ = 0;
    std::size_t blockSize_ = 0;
    std::size_t fileBlocks_ = 0;
    std::size_t firstBlock_ = 0;
    std::int64_t headerRecords_ = 0;
    // The data blocks in the table's order: where each one's records begin in db_, and the
    // number of its first record.
    struct Block {
        std::size_t at;
        std::int64_t first;
    };
    std::vector<Block> blocks_;
    struct Px;
    std::unique_ptr<Px> px_;
};

}  // namespace veloria::tools::paradox
