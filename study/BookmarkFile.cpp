#include "study/BookmarkFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <utility>

#include "store/FileDescriptor.h"
#include "store/Text.h"

namespace veloria::study {
namespace fs = std::filesystem;
using store::StoreError;

namespace {

constexpr std::array<std::string_view, 6> kColumns = {"Book",    "Numero",  "Reference",
                                                      "Created", "Updated", "Note"};
constexpr std::int64_t kMaxTime = 253402300799;  // 9999-12-31T23:59:59Z
constexpr std::size_t kMaxFileSize = std::size_t(1) << 30;

BookmarkFileError Fault(int line, const std::string& what) {
    return BookmarkFileError(line, what);
}

int LineAt(std::string_view text, std::size_t offset) {
    int line = 1;
    for (std::size_t i = 0; i < offset; ++i)
        line += text[i] == '\n';
    return line;
}

// A value from the file as a message shows it: control characters as "?", cut after 40 bytes
// (at a character's start).
std::string Shown(std::string_view value) {
    std::string out = "\"";
    std::size_t i = 0;
    for (; i < value.size() && (i < 40 || (static_cast<unsigned char>(value[i]) & 0xC0) == 0x80);
         ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        out += c < 0x20 || c == 0x7F ? '?' : char(c);
    }
    return out + (i < value.size() ? "...\"" : "\"");
}

struct Record {
    int line = 0;
    std::vector<std::string> fields;
};

bool LineBreakAt(std::string_view text, std::size_t i) {
    return i < text.size() &&
           (text[i] == '\n' || (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'));
}

// The records of the text, as RFC 4180 has them, with LF alone also ending a line. Empty lines
// are skipped. A quoted field keeps every byte between its quotes.
std::vector<Record> ReadRecords(std::string_view text) {
    std::vector<Record> records;
    std::size_t i = 0;
    int line = 1;
    while (i < text.size()) {
        if (LineBreakAt(text, i)) {
            i += text[i] == '\r' ? 2 : 1;
            ++line;
            continue;
        }
        Record record{line, {}};
        for (;;) {
            std::string field;
            if (i < text.size() && text[i] == '"') {  // i is the end after a last comma
                const int opened = line;
                for (++i;;) {
                    const std::size_t quote = text.find('"', i);
                    if (quote == std::string_view::npos)
                        throw Fault(opened, "a quoted field is not closed");
                    const std::string_view part = text.substr(i, quote - i);
                    line += int(std::count(part.begin(), part.end(), '\n'));
                    field += part;
                    i = quote + 1;
                    if (i < text.size() && text[i] == '"') {
                        field += '"';
                        ++i;
                        continue;
                    }
                    break;
                }
                if (i < text.size() && text[i] != ',' && !LineBreakAt(text, i))
                    throw Fault(line,
                                "a closing quote must be followed by a comma or the line's end");
            } else {
                const std::size_t end = std::min(text.find_first_of(",\r\n", i), text.size());
                const std::string_view part = text.substr(i, end - i);
                if (part.find('"') != std::string_view::npos)
                    throw Fault(line, "a quote inside a field that does not begin with one");
                if (end < text.size() && text[end] == '\r' && !LineBreakAt(text, end))
                    throw Fault(line, "a carriage return outside quotes that ends no line");
                field = part;
                i = end;
            }
            record.fields.push_back(std::move(field));
            if (i < text.size() && text[i] == ',') {
                ++i;
                continue;
            }
            if (i < text.size()) {
                i += text[i] == '\r' ? 2 : 1;
                ++line;
            }
            break;
        }
        records.push_back(std::move(record));
    }
    return records;
}

// Decimal digits, as the format writes a number: no sign but "-", no leading zero, no blanks.
std::optional<std::int64_t> ParseNumber(std::string_view text) {
    const bool negative = !text.empty() && text[0] == '-';
    const std::string_view digits = text.substr(negative ? 1 : 0);
    if (digits.empty() || digits.size() > 18 ||
        (digits[0] == '0' && (digits.size() > 1 || negative)))
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

void CheckHeader(const std::vector<Record>& records) {
    if (records.empty())
        throw Fault(0, "not a Veloria bookmarks file: it is empty");
    const Record& first = records[0];
    if (first.fields.size() != 2 || first.fields[0] != kBookmarkFileFormat)
        throw Fault(first.line, "not a Veloria bookmarks file: its first line should read \"" +
                                    std::string(kBookmarkFileFormat) + "," +
                                    std::to_string(kBookmarkFileVersion) + "\"");
    const std::optional<std::int64_t> version = ParseNumber(first.fields[1]);
    if (version && *version > kBookmarkFileVersion)
        throw Fault(first.line, "written by a newer version of Veloria (bookmarks file version " +
                                    first.fields[1] + "); this version reads version " +
                                    std::to_string(kBookmarkFileVersion));
    if (version != kBookmarkFileVersion)
        throw Fault(first.line, "unknown bookmarks file version " + Shown(first.fields[1]));
    std::string columns;
    for (std::string_view c : kColumns)
        columns += (columns.empty() ? "" : ",") + std::string(c);
    if (records.size() < 2)
        throw Fault(0, "not a Veloria bookmarks file: the line naming the columns is missing");
    if (!std::equal(records[1].fields.begin(), records[1].fields.end(), kColumns.begin(),
                    kColumns.end()))
        throw Fault(records[1].line, "the second line should name the columns " + columns);
}

Bookmark ParseRow(const Record& row) {
    if (row.fields.size() != kColumns.size())
        throw Fault(row.line, std::to_string(row.fields.size()) + " fields where " +
                                  std::to_string(kColumns.size()) + " are expected");
    const auto field = [&](std::size_t i) -> const std::string& { return row.fields[i]; };
    const auto bad = [&](std::size_t i, const std::string& why) {
        return Fault(row.line, std::string(kColumns[i]) + ": " + why);
    };
    Bookmark b;
    if (field(0).size() != 1 || !store::FindVolume(field(0)[0]))
        throw bad(0, Shown(field(0)) + " is not a book code (T, E, M, P or S)");
    b.sentence.book = field(0)[0];
    const auto numero = ParseNumber(field(1));
    if (!numero)
        throw bad(1, Shown(field(1)) + " is not a whole number");
    b.sentence.numero = *numero;
    try {
        b.reference = store::Trim(store::FromUtf8(field(2)));
    } catch (const StoreError& e) {
        throw bad(2, e.what());
    }
    for (std::size_t i : {3u, 4u}) {
        const auto time = ParseUtcTime(field(i));
        if (!time)
            throw bad(i, Shown(field(i)) + " is not a time of the form 2026-12-09T14:22:33Z");
        (i == 3 ? b.created : b.updated) = *time;
    }
    b.note = field(5);
    return b;
}

}  // namespace

BookmarkFileError::BookmarkFileError(int line, const std::string& message)
    : StoreError(line > 0 ? "line " + std::to_string(line) + ": " + message : message),
      line_(line) {}

namespace {

void AppendField(std::string& out, std::string_view field) {
    const bool blankEdge = !field.empty() && (field.front() == ' ' || field.front() == '\t' ||
                                              field.back() == ' ' || field.back() == '\t');
    if (field.find_first_of(",\"\r\n") == std::string_view::npos && !blankEdge) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

}  // namespace

void AppendCsvRecord(std::string& out, std::initializer_list<std::string_view> fields) {
    bool first = true;
    for (std::string_view field : fields) {
        if (!first)
            out += ',';
        first = false;
        AppendField(out, field);
    }
    out += "\r\n";
}

std::string FormatUtcTime(std::int64_t seconds) {
    using namespace std::chrono;
    const sys_seconds time{std::chrono::seconds(std::clamp<std::int64_t>(seconds, 0, kMaxTime))};
    const sys_days day = floor<days>(time);
    const year_month_day date(day);
    const hh_mm_ss clock(time - day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), int(clock.hours().count()),
                  int(clock.minutes().count()), int(clock.seconds().count()));
    return text;
}

std::optional<std::int64_t> ParseUtcTime(std::string_view text) {
    // "YYYY-MM-DDTHH:MM:SSZ", every digit where the form has one.
    constexpr std::string_view form = "0000-00-00T00:00:00Z";
    if (text.size() != form.size())
        return std::nullopt;
    for (std::size_t i = 0; i < form.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (form[i] == '0' ? !digit : text[i] != form[i])
            return std::nullopt;
    }
    const auto number = [&](std::size_t at, std::size_t size) {
        int n = 0;
        for (std::size_t i = at; i < at + size; ++i)
            n = n * 10 + (text[i] - '0');
        return n;
    };
    using namespace std::chrono;
    const year_month_day date{year(number(0, 4)), month(unsigned(number(5, 2))),
                              day(unsigned(number(8, 2)))};
    const int h = number(11, 2), m = number(14, 2), s = number(17, 2);
    if (!date.ok() || date.year() < year(1970) || h > 23 || m > 59 || s > 59)
        return std::nullopt;
    return std::int64_t(sys_days(date).time_since_epoch() / std::chrono::seconds(1)) + h * 3600 +
           m * 60 + s;
}

std::string FormatBookmarkFile(std::span<const Bookmark> bookmarks) {
    std::string out;
    AppendCsvRecord(out, {kBookmarkFileFormat, std::to_string(kBookmarkFileVersion)});
    AppendCsvRecord(out,
                    {kColumns[0], kColumns[1], kColumns[2], kColumns[3], kColumns[4], kColumns[5]});
    for (const Bookmark& b : bookmarks) {
        AppendCsvRecord(out, {std::string_view(&b.sentence.book, 1),
                              std::to_string(b.sentence.numero), store::ToUtf8(b.reference),
                              FormatUtcTime(b.created), FormatUtcTime(b.updated), b.note});
    }
    return out;
}

std::vector<Bookmark> ParseBookmarkFile(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    if (const std::size_t bad = store::FindInvalidUtf8(text); bad != std::string_view::npos)
        throw Fault(LineAt(text, bad), "not UTF-8 text");
    if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos)
        throw Fault(LineAt(text, nul), "a NUL character");
    const std::vector<Record> records = ReadRecords(text);
    CheckHeader(records);
    std::vector<Bookmark> bookmarks;
    std::unordered_map<Sentence, int, SentenceHash> lines;
    for (std::size_t r = 2; r < records.size(); ++r) {
        Bookmark b = ParseRow(records[r]);
        const auto [at, added] = lines.emplace(b.sentence, records[r].line);
        if (!added)
            throw Fault(records[r].line, "the sentence " + std::string(1, b.sentence.book) +
                                             std::to_string(b.sentence.numero) +
                                             " is bookmarked already on line " +
                                             std::to_string(at->second));
        bookmarks.push_back(std::move(b));
    }
    return bookmarks;
}

namespace {

std::string Cause(const fs::path& file, int err) {
    return file.string() + ": " + std::strerror(err);
}

}  // namespace

std::string ReadWholeFile(const fs::path& file) {
    // Non-blocking, so that a named pipe is refused rather than waited on.
    store::FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0)
        throw StoreError(Cause(file, errno));
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        throw StoreError(Cause(file, errno));
    if (S_ISDIR(st.st_mode))
        throw StoreError(file.string() + ": is a folder, not a file");
    if (!S_ISREG(st.st_mode))
        throw StoreError(file.string() + ": is not a plain file");
    if (std::size_t(st.st_size) > kMaxFileSize)
        throw StoreError(file.string() + ": too large for a bookmarks file");
    std::string content;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw StoreError(Cause(file, errno));
        if (n == 0)
            return content;
        if (content.size() + std::size_t(n) > kMaxFileSize)
            throw StoreError(file.string() + ": too large for a bookmarks file");
        content.append(buffer, std::size_t(n));
    }
}

void WriteWholeFile(const fs::path& file, std::string_view content) {
    static std::atomic<unsigned> counter = 0;
    const fs::path dir = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    fs::path temp;
    int raw = -1;
    for (int attempt = 0; raw < 0; ++attempt) {
        temp = dir / ("." + file.filename().string() + ".new-" + std::to_string(::getpid()) + "-" +
                      std::to_string(++counter));
        raw = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (raw < 0 && (errno != EEXIST || attempt == 100))
            throw StoreError(Cause(file, errno));
    }
    store::FileDescriptor out(raw);
    try {
        for (std::size_t done = 0; done < content.size();) {
            const ssize_t w = ::write(out.get(), content.data() + done, content.size() - done);
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0)
                throw StoreError(Cause(file, errno));
            done += std::size_t(w);
        }
        if (::fsync(out.get()) != 0 || out.Close() != 0)
            throw StoreError(Cause(file, errno));
        if (::rename(temp.c_str(), file.c_str()) != 0)
            throw StoreError(Cause(file, errno));
    } catch (...) {
        ::unlink(temp.c_str());
        throw;
    }
    store::FileDescriptor d(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (d.get() >= 0)
        ::fsync(d.get());  // durability of the name only: the content is whole either way
}

}  // namespace veloria::study
