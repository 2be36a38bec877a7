#include "tools/Csv.h"

#include "tools/Files.h"

namespace veloria::tools {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// The name of a UTF-16 or UTF-32 encoding the text begins in, by its byte order mark or, without
// one, by the zero bytes that such a text of mostly ASCII characters has; empty for anything else.
std::string WideEncoding(std::string_view text) {
    auto at = [&](std::size_t i) {
        return i < text.size() ? static_cast<unsigned char>(text[i]) : 0x100u;
    };
    if (text.starts_with(std::string_view("\x00\x00\xFE\xFF", 4)))
        return "UTF-32 (big-endian)";
    if (text.starts_with(std::string_view("\xFF\xFE\x00\x00", 4)))
        return "UTF-32 (little-endian)";
    if (text.starts_with("\xFF\xFE"))
        return "UTF-16 (little-endian)";
    if (text.starts_with("\xFE\xFF"))
        return "UTF-16 (big-endian)";
    if (text.size() >= 4) {
        if (at(0) != 0 && at(1) == 0 && at(2) == 0 && at(3) == 0)
            return "UTF-32 (little-endian)";
        if (at(0) == 0 && at(1) == 0 && at(2) == 0 && at(3) != 0)
            return "UTF-32 (big-endian)";
    }
    if (text.size() >= 2) {
        if (at(0) != 0 && at(1) == 0 && (at(3) == 0 || at(3) == 0x100))
            return "UTF-16 (little-endian)";
        if (at(0) == 0 && at(1) != 0 && (at(2) == 0 || at(2) == 0x100))
            return "UTF-16 (big-endian)";
    }
    return {};
}

}  // namespace

CsvReader::CsvReader(std::string_view text, std::size_t maxField)
    : text_(text), maxField_(maxField) {
    if (const std::string wide = WideEncoding(text_); !wide.empty()) {
        throw CsvError(0, "the file is " + wide +
                              "; the sources are read as UTF-8: save it as "
                              "UTF-8 (with or without a byte order mark)");
    }
    if (text_.starts_with(kBom))
        text_.remove_prefix(kBom.size());
    if (text_.starts_with(kBom)) {
        throw CsvError(1,
                       "a second byte order mark (U+FEFF) follows the first at the start of "
                       "the file; remove it");
    }
}

bool CsvReader::EndsWithLineBreak() const {
    return text_.empty() || text_.back() == '\n' || text_.back() == '\r';
}

// Consumes a line break at i (CR LF, LF or a lone CR); false when there is none.
bool CsvReader::LineBreak() {
    if (i_ < text_.size() && text_[i_] == '\r') {
        ++i_;
        if (i_ < text_.size() && text_[i_] == '\n')
            ++i_;
    } else if (i_ < text_.size() && text_[i_] == '\n') {
        ++i_;
    } else {
        return false;
    }
    ++line_;
    return true;
}

void CsvReader::Check(std::size_t size, std::size_t more) const {
    if (maxField_ != kNoLimit && size + more > maxField_) {
        throw CsvError(line_, "a field of more than " + std::to_string(maxField_) +
                                  " bytes, more than any field may hold");
    }
}

bool CsvReader::Next(CsvRecord& record) {
    const std::size_t n = text_.size();
    while (LineBreak()) {
    }
    if (i_ >= n)
        return false;
    record.line = line_;
    std::size_t count = 0;
    while (true) {
        if (record.fields.size() <= count)
            record.fields.emplace_back();
        std::string& field = record.fields[count++];
        field.clear();
        if (text_[i_] == '"') {
            const int opened = line_;
            ++i_;
            while (true) {
                // The run up to the next quote or line break, copied at once.
                std::size_t end = i_;
                while (end < n && text_[end] != '"' && text_[end] != '\n' && text_[end] != '\r')
                    ++end;
                Check(field.size(), end - i_);
                field.append(text_.substr(i_, end - i_));
                i_ = end;
                if (i_ == n) {
                    throw CsvError(opened, "a quoted field opened on line " +
                                               std::to_string(opened) + " is never closed");
                }
                const char c = text_[i_];
                if (c == '"') {
                    if (i_ + 1 < n && text_[i_ + 1] == '"') {
                        Check(field.size(), 1);
                        field += '"';
                        i_ += 2;
                        continue;
                    }
                    ++i_;
                    break;
                }
                if (c == '\n' || (c == '\r' && (i_ + 1 == n || text_[i_ + 1] != '\n')))
                    ++line_;
                Check(field.size(), 1);
                field += c;
                ++i_;
            }
            if (i_ < n && text_[i_] != ',' && text_[i_] != '\r' && text_[i_] != '\n') {
                // A stray quote inside a field ends it early, and the mistake lies where the field
                // began, maybe lines before.
                throw CsvError(line_,
                               "text after the closing quote of a field" +
                                   (opened == line_ ? std::string()
                                                    : " opened on line " + std::to_string(opened)));
            }
        } else {
            std::size_t end = i_;
            while (end < n && text_[end] != ',' && text_[end] != '\r' && text_[end] != '\n') {
                if (text_[end] == '"') {
                    throw CsvError(line_,
                                   "a quote inside a field that does not begin with one (quote "
                                   "the whole field and double the quotes inside it)");
                }
                ++end;
            }
            Check(0, end - i_);
            field.assign(text_.substr(i_, end - i_));
            i_ = end;
        }
        if (i_ < n && text_[i_] == ',') {
            ++i_;
            if (i_ == n) {  // a last, empty field
                if (record.fields.size() <= count)
                    record.fields.emplace_back();
                record.fields[count++].clear();
                break;
            }
            continue;
        }
        LineBreak();
        break;
    }
    record.fields.resize(count);
    return true;
}

std::string ReadFileText(const std::filesystem::path& file) {
    return ReadRegularFile(file);
}

std::vector<CsvRecord> ParseCsv(std::string_view text) {
    CsvReader reader(text);
    std::vector<CsvRecord> records;
    CsvRecord record;
    while (reader.Next(record))
        records.push_back(record);
    return records;
}

void AppendCsvRecord(std::string& out, const std::vector<std::string>& fields) {
    for (std::size_t f = 0; f < fields.size(); ++f) {
        if (f)
            out += ',';
        const std::string& v = fields[f];
        // A field that begins with U+FEFF is quoted too: at the start of a file, bare, a reader
        // would take it for a second byte order mark.
        const bool quote = v.find_first_of(",\"\r\n") != std::string::npos ||
                           (!v.empty() && (v.front() == ' ' || v.back() == ' ')) ||
                           std::string_view(v).starts_with(kBom);
        if (!quote) {
            out += v;
            continue;
        }
        out += '"';
        for (char c : v) {
            if (c == '"')
                out += '"';
            out += c;
        }
        out += '"';
    }
    out += "\r\n";
}

}  // namespace veloria::tools
