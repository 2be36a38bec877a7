// The corpus builder's reading: the CSV sources of a folder, one per table, into the tables the
// pipeline checks and writes.
#include "store/Error.h"
#include "store/Text.h"
#include "tools/Corpus.h"
#include "tools/Csv.h"
#include "tools/Echo.h"

namespace veloria::tools {
namespace fs = std::filesystem;
using store::TableDef;

namespace {

// A field longer than this cannot hold kLongTextLimit characters or fewer (no character of
// Windows-1252 takes more than three bytes of UTF-8), so it is refused unread.
constexpr std::size_t kFieldBytes = 3 * kLongTextLimit;

class CsvSources {
  public:
    CsvSources(const fs::path& folder, Reporter& reporter) : folder_(folder), reporter_(reporter) {}
    std::vector<SourceTable> Read();

  private:
    void Find();
    void Load(SourceTable& table, const fs::path& path);

    const fs::path& folder_;
    Reporter& reporter_;
    std::vector<SourceTable> tables_;
    std::vector<fs::path> paths_;  // beside tables_
};

void CsvSources::Find() {
    for (const SourceFiles::Table& t : FindSourceFiles(folder_, ".csv", false, reporter_).tables) {
        tables_.push_back({t.def, t.name, {}, false});
        paths_.push_back(t.path);
    }
}

void CsvSources::Load(SourceTable& table, const fs::path& path) {
    std::string text;
    try {
        text = ReadFileText(path);
    } catch (const std::runtime_error& e) {
        reporter_.Error(table.name, 0, {}, std::string("cannot be read: ") + e.what());
        return;
    }
    const TableDef& def = *table.def;
    try {
        CsvReader reader(text, kFieldBytes);
        CsvRecord record;
        if (!reader.Next(record)) {
            reporter_.Error(table.name, 0, {}, "empty: a header row of field names is needed");
            return;
        }
        // column[i]: the field of the file's column i; -1 for a column left out (computed).
        const CsvRecord header = record;
        std::vector<int> column;
        std::vector<bool> present(def.fields.size(), false);
        bool headerOk = true;
        for (const std::string& raw : header.fields) {
            const std::string name = store::Trim(raw);
            const int field = store::FieldIndex(def, name);
            if (field < 0) {
                reporter_.Error(table.name, header.line, Escaped(name.substr(0, kShownCharacters)),
                                "extra column: \"" + std::string(def.fileName) +
                                    "\" has no field " + Shown(name));
                headerOk = false;
            } else if (present[std::size_t(field)]) {
                reporter_.Error(table.name, header.line, name, "the column is given twice");
                headerOk = false;
            } else {
                present[std::size_t(field)] = true;
            }
            column.push_back(field);
        }
        std::vector<bool> computed(def.fields.size(), false);
        for (std::size_t f = 0; f < def.fields.size(); ++f) {
            const std::string_view name = def.fields[f].name;
            if (store::IsComputedField(def, name)) {
                computed[f] = true;  // the search form is always computed; given values go
                continue;
            }
            if (!present[f]) {
                reporter_.Error(table.name, header.line, name, "missing column");
                headerOk = false;
            }
        }
        if (!headerOk)
            return;

        int last = header.line;
        while (reader.Next(record)) {
            last = record.line;
            if (record.fields.size() != header.fields.size()) {
                reporter_.Error(table.name, record.line, {},
                                std::to_string(record.fields.size()) +
                                    " fields where the header has " +
                                    std::to_string(header.fields.size()));
                continue;
            }
            TableRow row{record.line, std::vector<std::string>(def.fields.size())};
            for (std::size_t c = 0; c < record.fields.size(); ++c) {
                const auto f = std::size_t(column[c]);
                if (computed[f])
                    continue;
                try {
                    row.values[f] = store::FromUtf8(record.fields[c]);
                } catch (const store::StoreError& e) {
                    reporter_.Error(table.name, record.line, def.fields[f].name, e.what());
                    row.damaged = true;
                }
            }
            table.rows.push_back(std::move(row));
        }
        if (!reader.EndsWithLineBreak()) {
            reporter_.Warning(table.name, last, {},
                              "the last line has no line break: the file may have been cut "
                              "short");
        }
    } catch (const CsvError& e) {
        reporter_.Error(table.name, e.line(), {}, e.what());
        table.rows.clear();
        table.rows.shrink_to_fit();
        return;
    }
    table.loaded = true;
}

std::vector<SourceTable> CsvSources::Read() {
    Find();
    for (std::size_t i = 0; i < tables_.size(); ++i) {
        if (!paths_[i].empty())
            Load(tables_[i], paths_[i]);
    }
    return std::move(tables_);
}

}  // namespace

BuildResult BuildCorpus(const BuildOptions& options) {
    return BuildDataDirectory(options, false, [&](Reporter& reporter) {
        return CsvSources(options.source, reporter).Read();
    });
}

}  // namespace veloria::tools
