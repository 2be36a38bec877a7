#include "tools/Csv.h"

#include <fstream>
#include <sstream>

namespace veloria::tools {

std::string ReadFileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in)
        throw std::runtime_error(file.string() + ": cannot be read");
    return text.str();
}

std::vector<CsvRecord> ParseCsv(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    std::vector<CsvRecord> records;
    const std::size_t n = text.size();
    std::size_t i = 0;
    int line = 1;
    // Consumes a line break at i (CR LF, LF or a lone CR); false when there is none.
    auto lineBreak = [&]() {
        if (i < n && text[i] == '\r') {
            ++i;
            if (i < n && text[i] == '\n')
                ++i;
        } else if (i < n && text[i] == '\n') {
            ++i;
        } else {
            return false;
        }
        ++line;
        return true;
    };
    while (i < n) {
        if (lineBreak())
            continue;  // an empty line
        CsvRecord record;
        record.line = line;
        while (true) {
            std::string field;
            if (text[i] == '"') {
                const int opened = line;
                ++i;
                while (true) {
                    if (i == n) {
                        throw CsvError(opened, "a quoted field opened on line " +
                                                   std::to_string(opened) + " is never closed");
                    }
                    const char c = text[i];
                    if (c == '"') {
                        if (i + 1 < n && text[i + 1] == '"') {
                            field += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    if (c == '\n' || (c == '\r' && (i + 1 == n || text[i + 1] != '\n')))
                        ++line;
                    field += c;
                    ++i;
                }
                if (i < n && text[i] != ',' && text[i] != '\r' && text[i] != '\n') {
                    throw CsvError(line, "line " + std::to_string(line) +
                                             ": text after the closing quote of a field");
                }
            } else {
                while (i < n && text[i] != ',' && text[i] != '\r' && text[i] != '\n') {
                    if (text[i] == '"') {
                        throw CsvError(line, "line " + std::to_string(line) +
                                                 ": a quote inside a field that does not begin "
                                                 "with one (quote the whole field and double "
                                                 "the quotes inside it)");
                    }
                    field += text[i++];
                }
            }
            record.fields.push_back(std::move(field));
            if (i < n && text[i] == ',') {
                ++i;
                if (i == n) {  // a last, empty field
                    record.fields.emplace_back();
                    break;
                }
                continue;
            }
            lineBreak();
            break;
        }
        records.push_back(std::move(record));
    }
    return records;
}

void AppendCsvRecord(std::string& out, const std::vector<std::string>& fields) {
    for (std::size_t f = 0; f < fields.size(); ++f) {
        if (f)
            out += ',';
        const std::string& v = fields[f];
        const bool quote = v.find_first_of(",\"\r\n") != std::string::npos ||
                           (!v.empty() && (v.front() == ' ' || v.back() == ' '));
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
