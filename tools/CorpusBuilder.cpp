#include "tools/CorpusBuilder.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "store/Error.h"
#include "store/Schema.h"
#include "store/SearchForm.h"
#include "store/TableFile.h"
#include "store/Text.h"
#include "tools/Csv.h"

namespace veloria::tools {
namespace fs = std::filesystem;
using store::FieldKind;
using store::TableDef;

std::string Diagnostic::Text() const {
    std::string out = file;
    if (line > 0)
        out += ":" + std::to_string(line);
    out += error ? ": error: " : ": warning: ";
    if (!field.empty())
        out += field + ": ";
    return out + message;
}

namespace {

constexpr std::size_t kTextFieldSize = 255;
constexpr int kTips = 880;  // the tip of the day draws 1..880
// Errors, and apart from them warnings, shown per source file; the counts go on past it.
constexpr int kShownPerFile = 25;

std::string CsvName(const TableDef& def) {
    return fs::path(def.fileName).stem().string() + ".csv";
}

bool IsBookCode(std::string_view code) {
    return code.size() == 1 && store::FindVolume(code[0]) != nullptr;
}

// A sentence's text as a message shows it: the beginning of it, in UTF-8.
std::string Excerpt(std::string_view cp1252) {
    std::string t = store::Trim(cp1252);
    for (char& c : t) {
        if (static_cast<unsigned char>(c) < 32)
            c = ' ';
    }
    if (t.size() > 40)
        t = t.substr(0, 40) + "...";
    return "\"" + store::ToUtf8(t) + "\"";
}

// A row of a source file, its values Windows-1252 in the table's field order.
struct Row {
    int line = 0;
    std::vector<std::string> values;
};

struct Source {
    const TableDef* def = nullptr;
    std::string name;  // the file's name as found ("LTexto.csv")
    fs::path path;
    std::vector<Row> rows;
    bool loaded = false;  // the header was sound and the rows were read
};

class Builder {
  public:
    explicit Builder(const BuildOptions& options) : options_(options) {}
    BuildResult Run();

  private:
    void Report(bool error, const std::string& file, int line, std::string_view field,
                const std::string& message);
    void Error(const std::string& file, int line, std::string_view field, const std::string& m) {
        Report(true, file, line, field, m);
    }
    // A dangling cross-reference: the program tolerates it, so it stops the build only in the
    // strict mode.
    void Warning(const std::string& file, int line, std::string_view field, const std::string& m) {
        Report(options_.strict, file, line, field, options_.strict ? m + " (strict)" : m);
    }

    void FindSources();
    void Load(Source& source);
    void CheckValue(Source& source, int line, const store::FieldDef& field, std::string& value);
    void CheckKeys(const Source& source);
    void ComputeSearchForms(Source& source);
    void CheckGlossary(const Source& source);
    void CheckBible(const Source& source);
    void CheckCrossReferences();
    bool Write(const fs::path& dir);
    void CopyAssets(const fs::path& dir);
    bool Replace(const fs::path& built, const fs::path& target);

    Source* Find(std::string_view fileName) {
        for (Source& s : sources_) {
            if (store::SameName(s.def->fileName, fileName))
                return &s;
        }
        return nullptr;
    }
    // The integer keys of a loaded keyed table.
    std::unordered_set<std::int64_t> IntegerKeys(std::string_view fileName);
    std::string Field(const Source& s, const Row& row, std::string_view name) const {
        return row.values[std::size_t(store::FieldIndex(*s.def, name))];
    }

    const BuildOptions& options_;
    BuildResult result_;
    std::vector<Source> sources_;
    // Counted apart for errors and warnings: warnings must never hide the error that stops the
    // build.
    std::map<std::pair<std::string, bool>, int> shown_;
    std::map<std::string, int> hidden_;
};

void Builder::Report(bool error, const std::string& file, int line, std::string_view field,
                     const std::string& message) {
    (error ? result_.errors : result_.warnings) += 1;
    if (shown_[{file, error}]++ >= kShownPerFile) {
        ++hidden_[file];
        return;
    }
    result_.diagnostics.push_back({error, file, line, std::string(field), message});
}

void Builder::FindSources() {
    std::error_code ec;
    if (!fs::is_directory(options_.source, ec)) {
        Error(options_.source.string(), 0, {}, "not a folder of CSV sources");
        return;
    }
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(options_.source, ec))
        files.push_back(entry.path());
    if (ec)
        Error(options_.source.string(), 0, {}, "cannot be listed: " + ec.message());
    std::sort(files.begin(), files.end());
    for (const fs::path& path : files) {
        const std::string name = path.filename().string();
        if (!store::SameName(path.extension().string(), ".csv") || !fs::is_regular_file(path, ec)) {
            continue;
        }
        const TableDef* def = nullptr;
        for (const TableDef& d : store::AllTables()) {
            if (store::SameName(fs::path(d.fileName).stem().string(), path.stem().string()))
                def = &d;
        }
        if (!def) {
            Warning(name, 0, {}, "names no table of the corpus; ignored");
            continue;
        }
        if (!def->content && !store::SameName(def->fileName, "Texto_B.DB")) {
            Error(name, 0, {},
                  "\"" + std::string(def->fileName) +
                      "\" is written by the program and cannot be given");
            continue;
        }
        if (Source* other = Find(def->fileName)) {
            Error(name, 0, {},
                  "a second source for \"" + std::string(def->fileName) + "\" (" + other->name +
                      " is the first)");
            continue;
        }
        sources_.push_back({def, name, path, {}, false});
    }
    for (const TableDef& def : store::AllTables()) {
        if (def.content && !Find(def.fileName)) {
            Error(CsvName(def), 0, {},
                  "missing: the source of \"" + std::string(def.fileName) + "\" is needed");
        }
    }
    // Keep the table order of the schema, which the summary and the checks follow.
    std::sort(sources_.begin(), sources_.end(),
              [](const Source& a, const Source& b) { return a.def < b.def; });
}

void Builder::CheckValue(Source& source, int line, const store::FieldDef& field,
                         std::string& value) {
    const std::string name(field.name);
    switch (field.kind) {
        case FieldKind::Integer: {
            if (store::Trim(value).empty()) {
                value.clear();
                return;
            }
            const auto n = store::ParseInteger(value);
            if (!n) {
                Error(source.name, line, name, "\"" + store::ToUtf8(value) + "\" is not a number");
                return;
            }
            value = std::to_string(*n);
            return;
        }
        case FieldKind::Text:
            if (value.size() > kTextFieldSize) {
                Error(source.name, line, name,
                      std::to_string(value.size()) + " characters; a text field holds at most " +
                          std::to_string(kTextFieldSize));
            }
            return;
        case FieldKind::Memo:
            return;
    }
}

void Builder::Load(Source& source) {
    std::string text;
    try {
        text = ReadFileText(source.path);
    } catch (const std::runtime_error&) {
        Error(source.name, 0, {}, "cannot be read");
        return;
    }
    std::vector<CsvRecord> records;
    try {
        records = ParseCsv(text);
    } catch (const CsvError& e) {
        Error(source.name, e.line(), {}, e.what());
        return;
    }
    if (records.empty()) {
        Error(source.name, 0, {}, "empty: a header row of field names is needed");
        return;
    }
    const TableDef& def = *source.def;
    // column[i]: the field of the file's column i; -1 for a column that is left out (computed).
    std::vector<int> column;
    std::vector<bool> present(def.fields.size(), false);
    bool headerOk = true;
    const CsvRecord& header = records.front();
    for (const std::string& raw : header.fields) {
        const std::string name = store::Trim(raw);
        const int field = store::FieldIndex(def, name);
        if (field < 0) {
            Error(source.name, header.line, name,
                  "extra column: \"" + std::string(def.fileName) + "\" has no field \"" + name +
                      "\"");
            headerOk = false;
        } else if (present[std::size_t(field)]) {
            Error(source.name, header.line, name, "the column is given twice");
            headerOk = false;
        } else {
            present[std::size_t(field)] = true;
        }
        column.push_back(field);
    }
    std::vector<bool> computed(def.fields.size(), false);
    for (std::size_t f = 0; f < def.fields.size(); ++f) {
        const std::string_view name = def.fields[f].name;
        if (def.bookTable && (name == "A1" || name == "A2" || name == "A3" || name == "A4")) {
            computed[f] = true;  // the search form is always computed; given values are replaced
            continue;
        }
        if (!present[f]) {
            Error(source.name, header.line, name, "missing column");
            headerOk = false;
        }
    }
    if (!headerOk)
        return;

    source.rows.reserve(records.size() - 1);
    for (std::size_t r = 1; r < records.size(); ++r) {
        const CsvRecord& record = records[r];
        if (record.fields.size() != header.fields.size()) {
            Error(source.name, record.line, {},
                  std::to_string(record.fields.size()) + " fields where the header has " +
                      std::to_string(header.fields.size()));
            continue;
        }
        Row row{record.line, std::vector<std::string>(def.fields.size())};
        for (std::size_t c = 0; c < record.fields.size(); ++c) {
            const auto f = std::size_t(column[c]);
            if (computed[f])
                continue;
            try {
                row.values[f] = store::FromUtf8(record.fields[c]);
            } catch (const store::StoreError& e) {
                Error(source.name, record.line, def.fields[f].name, e.what());
                continue;
            }
            CheckValue(source, record.line, def.fields[f], row.values[f]);
        }
        source.rows.push_back(std::move(row));
    }
    source.loaded = true;
}

void Builder::CheckKeys(const Source& source) {
    const TableDef& def = *source.def;
    if (def.primaryKey.empty())
        return;
    const std::size_t key = std::size_t(store::FieldIndex(def, def.primaryKey));
    std::unordered_map<std::string, int> first;
    for (const Row& row : source.rows) {
        const std::string& value = row.values[key];
        if (store::Trim(value).empty()) {
            Error(source.name, row.line, def.primaryKey, "empty key");
            continue;
        }
        const auto [at, fresh] = first.emplace(value, row.line);
        if (!fresh) {
            Error(source.name, row.line, def.primaryKey,
                  "duplicate key \"" + store::ToUtf8(value) + "\" (first on line " +
                      std::to_string(at->second) + ")");
        }
    }
    // A second lookup key that is not unique leaves the later rows reachable only by browsing.
    for (std::string_view index : def.indexes) {
        if (store::SameName(index, def.primaryKey))
            continue;
        const int field = store::FieldIndex(def, index);
        if (field < 0)
            continue;
        std::unordered_map<std::string, int> seen;
        for (const Row& row : source.rows) {
            const auto [at, fresh] = seen.emplace(row.values[std::size_t(field)], row.line);
            if (!fresh) {
                Warning(source.name, row.line, def.fields[std::size_t(field)].name,
                        "the lookup key \"" + store::ToUtf8(row.values[std::size_t(field)]) +
                            "\" is also on line " + std::to_string(at->second) +
                            "; typing it finds the first only");
            }
        }
    }
}

void Builder::ComputeSearchForms(Source& source) {
    const TableDef& def = *source.def;
    const std::size_t text = std::size_t(store::FieldIndex(def, "Umemo"));
    const std::size_t numero = std::size_t(store::FieldIndex(def, "Numero"));
    const std::size_t a1 = std::size_t(store::FieldIndex(def, "A1"));
    for (Row& row : source.rows) {
        const std::string form = store::SearchForm(row.values[text]);
        const auto pieces = store::SplitSearchForm(form);
        if (!pieces) {
            Error(source.name, row.line, "Umemo",
                  "the search form of sentence " + row.values[numero] + " " +
                      Excerpt(row.values[text]) + " has " + std::to_string(form.size()) +
                      " characters (or a word longer than " +
                      std::to_string(store::kSearchFormFieldSize - 1) +
                      ") and does not fit in A1..A4");
            continue;
        }
        for (std::size_t p = 0; p < pieces->size(); ++p)
            row.values[a1 + p] = (*pieces)[p];
    }
}

void Builder::CheckGlossary(const Source& source) {
    static constexpr std::size_t kSpan[9] = {21, 13, 19, 21, 9, 8, 11, 4, 5};
    for (const Row& row : source.rows) {
        const std::string marker = store::Trim(Field(source, row, "Uposi"));
        if (marker.empty())
            continue;  // no sub-headings
        if (marker.size() != 27 || marker.find_first_not_of("0123456789") != std::string::npos) {
            Error(source.name, row.line, "Uposi",
                  "\"" + store::ToUtf8(marker) + "\" is not 27 digits (nine positions of three)");
            continue;
        }
        std::size_t length = 0;
        for (int u = 1; u <= 7; ++u)
            length += Field(source, row, "U" + std::to_string(u)).size();
        for (std::size_t g = 0; g < 9; ++g) {
            const int at = std::stoi(marker.substr(g * 3, 3));
            if (at > 0 && std::size_t(at) - 1 + kSpan[g] > length) {
                Warning(source.name, row.line, "Uposi",
                        "group " + std::to_string(g + 1) + " marks characters " +
                            std::to_string(at) + " to " + std::to_string(at - 1 + int(kSpan[g])) +
                            " of an explanation of " + std::to_string(length));
            }
        }
    }
}

// C1..C4 each hold whole entries: a book code, a sentence number of at most five digits, "/".
void Builder::CheckBible(const Source& source) {
    for (const Row& row : source.rows) {
        for (int c = 1; c <= 4; ++c) {
            const std::string name = "C" + std::to_string(c);
            const std::string list = store::Trim(Field(source, row, name));
            std::size_t at = 0;
            while (at < list.size()) {
                const std::size_t slash = list.find('/', at);
                const std::string entry =
                    list.substr(at, slash == std::string::npos ? std::string::npos : slash - at);
                const std::string shown = "\"" + store::ToUtf8(entry) + "\"";
                if (slash == std::string::npos) {
                    Error(source.name, row.line, name,
                          "the entry " + shown +
                              " is not closed by \"/\" (each field holds "
                              "whole entries)");
                } else if (entry.empty() || !IsBookCode(entry.substr(0, 1))) {
                    Error(
                        source.name, row.line, name,
                        "the entry " + shown + " does not begin with a book code T, E, M, P or S");
                } else if (entry.size() < 2 || entry.size() > 6 ||
                           entry.find_first_not_of("0123456789", 1) != std::string::npos) {
                    Error(source.name, row.line, name,
                          "the entry " + shown + " needs a sentence number of one to five digits");
                }
                if (slash == std::string::npos)
                    break;
                at = slash + 1;
            }
        }
    }
}

std::unordered_set<std::int64_t> Builder::IntegerKeys(std::string_view fileName) {
    std::unordered_set<std::int64_t> keys;
    const Source* s = Find(fileName);
    if (!s)
        return keys;
    const std::size_t key = std::size_t(store::FieldIndex(*s->def, s->def->primaryKey));
    for (const Row& row : s->rows) {
        if (const auto n = store::ParseInteger(row.values[key]))
            keys.insert(*n);
    }
    return keys;
}

void Builder::CheckCrossReferences() {
    std::map<char, std::unordered_set<std::int64_t>> sentences;
    for (const store::Volume& v : store::Volumes())
        sentences[v.code] = IntegerKeys(v.volumeTable);
    const auto passages = IntegerKeys("Biblia.DB");
    auto names = [&](std::string_view code, std::string_view number) {
        const auto n = store::ParseInteger(number);
        return IsBookCode(code) && n && sentences[code[0]].contains(*n);
    };

    for (const store::Volume& v : store::Volumes()) {
        const Source* book = Find(v.volumeTable);
        const Source* index = Find(v.indexTable);
        if (!book || !book->loaded)
            continue;
        std::unordered_set<std::int64_t> sections;
        if (index && index->loaded)
            sections = IntegerKeys(v.indexTable);
        for (const Row& row : book->rows) {
            const std::string numI = Field(*book, row, "Num_I");
            const auto n = store::ParseInteger(numI);
            if (index && index->loaded && (!n || !sections.contains(*n))) {
                Warning(book->name, row.line, "Num_I",
                        numI.empty() ? std::string("empty: the sentence shows no headings")
                                     : "\"" + numI + "\" names no row of " + index->name);
            }
            const std::string biblia = store::Trim(Field(*book, row, "Biblia"));
            std::size_t at = 0;
            while (at <= biblia.size() && !biblia.empty()) {
                std::size_t slash = biblia.find('/', at);
                if (slash == std::string::npos)
                    slash = biblia.size();
                const std::string key = biblia.substr(at, slash - at);
                const auto k = store::ParseInteger(key);
                if (!key.empty() && (!k || !passages.contains(*k))) {
                    Warning(book->name, row.line, "Biblia",
                            "\"" + store::ToUtf8(key) + "\" names no passage of Biblia.csv");
                }
                at = slash + 1;
            }
        }
    }

    if (const Source* bible = Find("Biblia.DB"); bible && bible->loaded) {
        for (const Row& row : bible->rows) {
            for (int c = 1; c <= 4; ++c) {
                const std::string name = "C" + std::to_string(c);
                const std::string list = store::Trim(Field(*bible, row, name));
                std::size_t at = 0;
                while (at < list.size()) {
                    const std::size_t slash = list.find('/', at);
                    if (slash == std::string::npos)
                        break;
                    const std::string entry = list.substr(at, slash - at);
                    if (entry.size() >= 2 && IsBookCode(entry.substr(0, 1)) &&
                        !names(entry.substr(0, 1), entry.substr(1))) {
                        Warning(bible->name, row.line, name,
                                "\"" + store::ToUtf8(entry) + "/\" names no sentence");
                    }
                    at = slash + 1;
                }
            }
        }
    }

    for (std::string_view table : {"VLBiblia.DB", "Texto_B.DB"}) {
        const Source* s = Find(table);
        if (!s || !s->loaded)
            continue;
        for (const Row& row : s->rows) {
            const std::string code = Field(*s, row, "Libro");
            const std::string number = Field(*s, row, "Numero");
            if (!IsBookCode(code)) {
                Error(s->name, row.line, "Libro",
                      "\"" + store::ToUtf8(code) + "\" is not a book code (T, E, M, P or S)");
            } else if (!names(code, number)) {
                Warning(s->name, row.line, "Numero",
                        "\"" + store::ToUtf8(number) + "\" names no sentence of " +
                            CsvName(*store::FindTableDef(store::FindVolume(code[0])->volumeTable)));
            }
        }
    }

    if (const Source* tips = Find("Frases.DB"); tips && tips->loaded) {
        const auto keys = IntegerKeys("Frases.DB");
        int missing = 0, first = 0;
        for (int n = kTips; n >= 1; --n) {
            if (!keys.contains(n))
                ++missing, first = n;
        }
        if (missing) {
            Warning(tips->name, 0, "NUMERO",
                    std::to_string(missing) + " of the tips 1 to " + std::to_string(kTips) +
                        " that the tip of the day draws are missing (the first is " +
                        std::to_string(first) + ")");
        }
    }
}

bool Builder::Write(const fs::path& dir) {
    std::string current;
    try {
        for (const TableDef& def : store::AllTables()) {
            current = std::string(def.fileName);
            store::TableWriter writer(dir / def.fileName, def);
            std::int64_t rows = 0;
            if (const Source* s = Find(def.fileName)) {
                for (const Row& row : s->rows)
                    writer.AddRow(row.values);
                rows = std::int64_t(s->rows.size());
            } else if (store::SameName(def.fileName, "Configura.db")) {
                const Source* seed = Find("Texto_B.DB");
                writer.AddRow({std::to_string(seed ? seed->rows.size() : 0), "", ""});
                rows = 1;
            }
            writer.Finish();
            ++result_.tables;
            result_.rows += rows;
        }
        current = "pictures";
        CopyAssets(dir);
    } catch (const std::exception& e) {
        Error(current, 0, {}, e.what());
        return false;
    }
    return true;
}

void Builder::CopyAssets(const fs::path& dir) {
    if (options_.assets.empty())
        return;
    std::error_code ec;
    const fs::path pictures = options_.assets / "pictures";
    if (fs::is_directory(pictures, ec)) {
        for (const auto& entry : fs::directory_iterator(pictures)) {
            if (entry.is_regular_file())
                fs::copy_file(entry.path(), dir / entry.path().filename());
        }
    }
    const fs::path help = options_.assets / "Help.htm";
    if (fs::is_regular_file(help, ec))
        fs::copy_file(help, dir / "Help.htm");
}

// Puts the built folder in the target's place: swapped with the old one in one step where the
// file system can, so that the target is never missing; otherwise the old one is moved aside
// first and put back if the new one cannot be moved in.
bool Builder::Replace(const fs::path& built, const fs::path& target) {
    std::error_code ec;
    const std::string where = target.string();
    if (!fs::exists(fs::symlink_status(target, ec))) {
        fs::rename(built, target, ec);
        if (ec)
            Error(where, 0, {}, "cannot be created: " + ec.message());
        return !ec;
    }
    if (!fs::is_directory(target, ec)) {
        Error(where, 0, {}, "exists and is not a folder; it is left as it is");
        return false;
    }
    if (::renameat2(AT_FDCWD, built.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0) {
        fs::remove_all(built, ec);  // now the old directory
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
        Error(where, 0, {}, std::string("cannot be replaced: ") + std::strerror(errno));
        return false;
    }
    fs::path old = target;
    old += ".old-" + std::to_string(::getpid());
    fs::remove_all(old, ec);
    fs::rename(target, old, ec);
    if (ec) {
        Error(where, 0, {}, "cannot be replaced: " + ec.message());
        return false;
    }
    fs::rename(built, target, ec);
    if (ec) {
        std::error_code back;
        fs::rename(old, target, back);
        Error(where, 0, {}, "cannot be replaced: " + ec.message());
        return false;
    }
    fs::remove_all(old, ec);
    return true;
}

BuildResult Builder::Run() {
    FindSources();
    for (Source& s : sources_)
        Load(s);
    for (Source& s : sources_) {
        if (!s.loaded)
            continue;
        CheckKeys(s);
        if (s.def->bookTable)
            ComputeSearchForms(s);
        if (store::SameName(s.def->fileName, "Glosario.DB"))
            CheckGlossary(s);
        if (store::SameName(s.def->fileName, "Biblia.DB"))
            CheckBible(s);
    }
    CheckCrossReferences();

    // "data/" and "./data" name the folder "data", whose neighbour the new one is built as.
    fs::path target = fs::absolute(options_.target).lexically_normal();
    if (!target.has_filename())
        target = target.parent_path();
    if (result_.errors == 0) {
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        fs::path building = target.parent_path() / ("." + target.filename().string() +
                                                    ".building-" + std::to_string(::getpid()));
        fs::remove_all(building, ec);
        fs::create_directory(building, ec);
        if (ec) {
            Error(building.string(), 0, {}, "cannot be created: " + ec.message());
        } else {
            const bool written = Write(building);
            if (!written || !Replace(building, target))
                fs::remove_all(building, ec);
            result_.ok = result_.errors == 0;
        }
    }
    for (const auto& [file, count] : hidden_) {
        result_.diagnostics.push_back(
            {false, file, 0, {}, std::to_string(count) + " more problems in this file not shown"});
    }
    auto plural = [](std::int64_t n, const char* word) {
        return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
    };
    if (result_.ok) {
        result_.summary = "Built " + target.string() + ": " + plural(result_.tables, "table") +
                          ", " + plural(result_.rows, "row") + ", " +
                          plural(result_.warnings, "warning") + ".";
    } else {
        result_.tables = 0;
        result_.rows = 0;
        result_.summary = "Nothing built: " + plural(result_.errors, "error") + ", " +
                          plural(result_.warnings, "warning") + "; " + target.string() +
                          " is left as it was.";
    }
    return result_;
}

}  // namespace

BuildResult BuildCorpus(const BuildOptions& options) {
    return Builder(options).Run();
}

}  // namespace veloria::tools
