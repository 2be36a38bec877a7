#include "tools/Corpus.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <unordered_map>
#include <unordered_set>

#include "store/Error.h"
#include "store/RefLists.h"
#include "store/SearchForm.h"
#include "store/TableFile.h"
#include "store/Text.h"
#include "tools/Echo.h"
#include "tools/Files.h"

namespace veloria::tools {
namespace fs = std::filesystem;
using store::FieldKind;
using store::TableDef;

std::string Diagnostic::Text() const {
    std::string out = file;
    if (line > 0)
        out += record ? ": record " + std::to_string(line) : ":" + std::to_string(line);
    out += error ? ": error: " : ": warning: ";
    if (!field.empty())
        out += field + ": ";
    // File and field names come from the user's folder too.
    return Escaped(out + message);
}

void Reporter::Add(bool error, const std::string& file, int number, std::string_view field,
                   const std::string& message) {
    (error ? errors_ : warnings_) += 1;
    // Errors, and apart from them warnings, shown per source file; the counts go on past it.
    constexpr int kShownPerFile = 25;
    if (shown_[{file, error}]++ >= kShownPerFile) {
        ++hidden_[file];
        return;
    }
    diagnostics_.push_back({error, file, number, std::string(field), message, records_});
}

void Reporter::Error(const std::string& file, int number, std::string_view field,
                     const std::string& message) {
    Add(true, file, number, field, message);
}

void Reporter::Warning(const std::string& file, int number, std::string_view field,
                       const std::string& message) {
    Add(strict_, file, number, field, strict_ ? message + " (strict)" : message);
}

std::vector<Diagnostic> Reporter::Take() {
    for (const auto& [file, count] : hidden_) {
        diagnostics_.push_back({false,
                                file,
                                0,
                                {},
                                std::to_string(count) + " more problems in this file not shown",
                                records_});
    }
    hidden_.clear();
    return std::move(diagnostics_);
}

std::string SourceName(const TableDef& def, bool records) {
    return records ? std::string(def.fileName) : fs::path(def.fileName).stem().string() + ".csv";
}

SourceFiles FindSourceFiles(const fs::path& folder, std::string_view extension,
                            bool skipProgramTables, Reporter& reporter) {
    SourceFiles found;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        reporter.Error(folder.string(), 0, {},
                       std::string("not a folder of ") +
                           (extension == ".csv" ? "CSV sources" : "Paradox tables"));
        return found;
    }
    for (const auto& entry : fs::directory_iterator(folder, ec))
        found.all.push_back(entry.path());
    if (ec)
        reporter.Error(folder.string(), 0, {}, "cannot be listed: " + ec.message());
    std::sort(found.all.begin(), found.all.end());
    for (const fs::path& path : found.all) {
        const std::string name = path.filename().string();
        if (!store::SameName(path.extension().string(), extension))
            continue;
        const TableDef* def = nullptr;
        for (const TableDef& d : store::AllTables()) {
            if (store::SameName(fs::path(d.fileName).stem().string(), path.stem().string()))
                def = &d;
        }
        const std::optional<std::string> notAFile = NotAFile(path);
        if (!def) {
            if (!notAFile)
                reporter.Warning(name, 0, {}, "names no table of the corpus; ignored");
            continue;
        }
        if (!def->content && !store::SameName(def->fileName, "Texto_B.DB")) {
            // A folder of Paradox tables may hold them beside the content.
            if (!skipProgramTables) {
                reporter.Error(name, 0, {},
                               "\"" + std::string(def->fileName) +
                                   "\" is written by the program and cannot be given");
            }
            continue;
        }
        const auto other = std::find_if(found.tables.begin(), found.tables.end(),
                                        [&](const SourceFiles::Table& t) { return t.def == def; });
        if (other != found.tables.end()) {
            reporter.Error(name, 0, {},
                           "a second source for \"" + std::string(def->fileName) + "\" (" +
                               other->name + " is the first)");
            continue;
        }
        if (notAFile) {
            // Given, but unreadable: named for what it is rather than reported missing.
            reporter.Error(name, 0, {}, "is " + *notAFile + ", not a file");
        }
        found.tables.push_back({def, notAFile ? fs::path() : path, name});
    }
    return found;
}

namespace {

// Control characters: codes 0 to 31, 127, and the five codes Windows-1252 leaves undefined (read
// as the C1 controls of the same value).
bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

}  // namespace

std::string CheckFieldValue(const TableDef& table, std::size_t index, std::string& value) {
    const store::FieldDef& field = table.fields[index];
    // Texts may be laid out with tabs and line breaks; a key or a number holds none.
    bool key = field.kind == FieldKind::Integer || store::SameName(field.name, table.primaryKey);
    for (std::string_view name : table.indexes)
        key = key || store::SameName(field.name, name);
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        if (!IsControl(c) || (!key && (c == '\n' || c == '\r' || c == '\t')))
            continue;
        char code[8];
        std::snprintf(code, sizeof code, "U+%04X", unsigned(c));
        return std::string("a control character (") + code + ") at character " +
               std::to_string(i + 1) + " of " + ShownCp1252(value) +
               (key ? "; a key or a number holds none"
                    : "; a text holds none but tabs and line breaks");
    }
    switch (field.kind) {
        case FieldKind::Integer: {
            if (store::Trim(value).empty()) {
                value.clear();
                return {};
            }
            const auto n = store::ParseInteger(value);
            if (!n)
                return ShownCp1252(value) + " is not a number";
            value = std::to_string(*n);
            return {};
        }
        case FieldKind::Text:
            if (value.size() > kTextFieldSize) {
                return std::to_string(value.size()) + " characters; a text field holds at most " +
                       std::to_string(kTextFieldSize);
            }
            return {};
        case FieldKind::Memo:
            if (value.size() > kLongTextLimit) {
                return std::to_string(value.size()) + " characters; a long text holds at most " +
                       std::to_string(kLongTextLimit);
            }
            return {};
    }
    return {};
}

namespace {

constexpr int kTips = 880;  // the tip of the day draws 1..880
// The counts the Bible windows show as fixed text.
constexpr std::size_t kPassages = 404;
constexpr std::size_t kCitingSentences = 1121;

// "1 row", "2 rows".
std::string Counted(std::size_t n, const std::string& noun) {
    return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

bool IsBookCode(std::string_view code) {
    return code.size() == 1 && store::FindVolume(code[0]) != nullptr;
}

bool IsComputed(const TableDef& def, std::string_view field) {
    return def.bookTable && (field == "A1" || field == "A2" || field == "A3" || field == "A4");
}

// True when inner is outer or lies inside it (both absolute and normal).
bool IsWithin(const fs::path& inner, const fs::path& outer) {
    const auto [o, i] = std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
    return o == outer.end();
}

bool IsSqliteFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    char head[16] = {};
    in.read(head, sizeof head);
    return in && std::memcmp(head, "SQLite format 3", 16) == 0;
}

// A folder the builder made: it holds the mark, or (made before the mark existed) every table
// the builder writes, each an SQLite file. A folder of Paradox tables of the same names is not.
bool IsBuiltDirectory(const fs::path& dir) {
    std::error_code ec;
    if (fs::is_regular_file(dir / kDataDirectoryMark, ec))
        return true;
    for (const TableDef& def : store::AllTables()) {
        const fs::path file = store::FindTableFile(dir, def.fileName);
        if (file.empty() || !IsSqliteFile(file))
            return false;
    }
    return true;
}

bool IsEmptyDirectory(const fs::path& dir) {
    std::error_code ec;
    return fs::directory_iterator(dir, ec) == fs::directory_iterator() && !ec;
}

// Whether the process may still be running: a build of a live process is not a leftover.
bool ProcessAlive(pid_t pid) {
    if (pid == ::getpid())
        return false;  // an earlier process of this number, now gone
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

class Pipeline {
  public:
    Pipeline(const BuildOptions& options, bool records)
        : options_(options), records_(records), reporter_(options.strict, records) {}
    BuildResult Run(const TableSource& read);

  private:
    bool PrepareTarget();
    void RemoveLeftovers();
    void CheckValues(SourceTable& table);
    void CheckKeys(const SourceTable& table);
    void CheckReferences(const SourceTable& table);
    void ComputeSearchForms(SourceTable& table);
    void CheckGlossary(const SourceTable& table);
    void CheckBible(const SourceTable& table);
    void CheckCrossReferences();
    void Build();
    bool Write(const fs::path& dir);
    void CopyAssets(const fs::path& dir);
    bool Replace(const fs::path& built);

    void Error(const std::string& file, int number, std::string_view field, const std::string& m) {
        reporter_.Error(file, number, field, m);
    }
    // A dangling cross-reference: the program tolerates it, so it stops the build only in the
    // strict mode.
    void Warning(const std::string& file, int number, std::string_view field,
                 const std::string& m) {
        reporter_.Warning(file, number, field, m);
    }
    // "(first on line 2)", "(first on record 2)".
    std::string FirstOn(int number) const {
        return std::string("(first on ") + reporter_.Unit() + " " + std::to_string(number) + ")";
    }

    const SourceTable* Find(std::string_view fileName) const {
        for (const SourceTable& t : tables_) {
            if (store::SameName(t.def->fileName, fileName))
                return &t;
        }
        return nullptr;
    }
    const SourceTable* Loaded(std::string_view fileName) const {
        const SourceTable* t = Find(fileName);
        return t && t->loaded ? t : nullptr;
    }
    // The name of a table's source in messages, found or not.
    std::string NameOf(std::string_view fileName) const {
        const SourceTable* t = Find(fileName);
        return t ? t->name : SourceName(*store::FindTableDef(fileName), records_);
    }
    // The integer keys of a loaded keyed table.
    std::unordered_set<std::int64_t> IntegerKeys(std::string_view fileName) const;
    static const std::string& Field(const SourceTable& t, const TableRow& row,
                                    std::string_view name) {
        return row.values[std::size_t(store::FieldIndex(*t.def, name))];
    }

    const BuildOptions& options_;
    bool records_;
    Reporter reporter_;
    fs::path target_;
    std::vector<SourceTable> tables_;
    BuildResult result_;
};

// The target is refused before anything is read when a build could only do harm there.
bool Pipeline::PrepareTarget() {
    // "data/" and "./data" name the folder "data", whose neighbour the new one is built as.
    target_ = fs::absolute(options_.target).lexically_normal();
    if (!target_.has_filename())
        target_ = target_.parent_path();
    const std::string where = target_.string();
    std::error_code ec;
    const fs::path source = fs::weakly_canonical(fs::absolute(options_.source), ec);
    const fs::path resolved = fs::weakly_canonical(target_, ec);
    if (!ec && !source.empty() && IsWithin(source, resolved)) {
        Error(where, 0, {},
              (source == resolved ? std::string("is the source folder")
                                  : "holds the source folder " + source.string()) +
                  ": a build replaces all of it and would delete the sources. Name another "
                  "folder for the data directory");
        return false;
    }
    const fs::file_status status = fs::symlink_status(target_, ec);
    if (ec || status.type() == fs::file_type::not_found)
        return true;
    if (status.type() == fs::file_type::symlink) {
        Error(where, 0, {},
              "is a symbolic link (to " + fs::read_symlink(target_, ec).string() +
                  "); it is left as it is. Name the folder it points to");
        return false;
    }
    if (status.type() != fs::file_type::directory) {
        Error(where, 0, {}, "exists and is not a folder; it is left as it is");
        return false;
    }
    if (!IsEmptyDirectory(target_) && !IsBuiltDirectory(target_)) {
        Error(where, 0, {},
              "is not empty and is not a data directory made by the builder (it has no \"" +
                  std::string(kDataDirectoryMark) +
                  "\"); a build replaces everything in it, so it is left as it is. Name a new or "
                  "empty folder, or empty this one first");
        return false;
    }
    return true;
}

// A build killed before it finished leaves its folder beside the target (".data.building-PID",
// or "data.old-PID" when it was swapping the old directory out); the next build removes the ones
// whose process is gone. Only folders the builder made are touched.
void Pipeline::RemoveLeftovers() {
    const std::string name = target_.filename().string();
    const std::string prefixes[] = {"." + name + ".building-", name + ".old-"};
    std::error_code ec;
    std::vector<fs::path> gone;
    for (const auto& entry : fs::directory_iterator(target_.parent_path(), ec)) {
        const std::string entryName = entry.path().filename().string();
        for (const std::string& prefix : prefixes) {
            if (!entryName.starts_with(prefix))
                continue;
            const std::string digits = entryName.substr(prefix.size());
            if (digits.empty() || digits.size() > 9 ||
                digits.find_first_not_of("0123456789") != std::string::npos) {
                continue;
            }
            std::error_code typeEc;
            if (!entry.is_directory(typeEc) || entry.is_symlink(typeEc))
                continue;
            if (ProcessAlive(pid_t(std::stol(digits))))
                continue;
            if (IsEmptyDirectory(entry.path()) || IsBuiltDirectory(entry.path()))
                gone.push_back(entry.path());
        }
    }
    for (const fs::path& dir : gone)
        fs::remove_all(dir, ec);
}

void Pipeline::CheckValues(SourceTable& table) {
    const TableDef& def = *table.def;
    for (TableRow& row : table.rows) {
        if (row.damaged)
            continue;
        for (std::size_t f = 0; f < def.fields.size(); ++f) {
            if (IsComputed(def, def.fields[f].name))
                continue;
            const std::string problem = CheckFieldValue(def, f, row.values[f]);
            if (!problem.empty())
                Error(table.name, row.number, def.fields[f].name, problem);
        }
    }
}

void Pipeline::CheckKeys(const SourceTable& table) {
    const TableDef& def = *table.def;
    if (def.primaryKey.empty())
        return;
    const std::size_t key = std::size_t(store::FieldIndex(def, def.primaryKey));
    std::unordered_map<std::string, int> first;
    for (const TableRow& row : table.rows) {
        const std::string& value = row.values[key];
        if (row.damaged)
            continue;
        if (store::Trim(value).empty()) {
            Error(table.name, row.number, def.primaryKey, "empty key");
            continue;
        }
        const auto [at, fresh] = first.emplace(value, row.number);
        if (!fresh) {
            Error(table.name, row.number, def.primaryKey,
                  "duplicate key " + ShownCp1252(value) + " " + FirstOn(at->second));
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
        for (const TableRow& row : table.rows) {
            const auto [at, fresh] = seen.emplace(row.values[std::size_t(field)], row.number);
            if (!fresh) {
                Warning(table.name, row.number, def.fields[std::size_t(field)].name,
                        "the lookup key " + ShownCp1252(row.values[std::size_t(field)]) +
                            " is also on " + reporter_.Unit() + " " + std::to_string(at->second) +
                            "; typing it finds the first only");
            }
        }
    }
}

// A printed reference names one sentence of its volume: the windows show and copy it, and a
// reader looks it up by it.
void Pipeline::CheckReferences(const SourceTable& table) {
    std::unordered_map<std::string, int> first;
    for (const TableRow& row : table.rows) {
        const std::string reference = store::Trim(Field(table, row, "Referencia"));
        if (reference.empty())
            continue;
        const auto [at, fresh] = first.emplace(reference, row.number);
        if (!fresh) {
            Error(table.name, row.number, "Referencia",
                  "the reference " + ShownCp1252(reference) + " is already another sentence's " +
                      FirstOn(at->second) + "; references are unique within a volume");
        }
    }
}

void Pipeline::ComputeSearchForms(SourceTable& table) {
    const TableDef& def = *table.def;
    const std::size_t text = std::size_t(store::FieldIndex(def, "Umemo"));
    const std::size_t numero = std::size_t(store::FieldIndex(def, "Numero"));
    const std::size_t a1 = std::size_t(store::FieldIndex(def, "A1"));
    for (TableRow& row : table.rows) {
        if (row.damaged)
            continue;
        const std::string form = store::SearchForm(row.values[text]);
        const auto pieces = store::SplitSearchForm(form);
        if (!pieces) {
            Error(table.name, row.number, "Umemo",
                  "the search form of sentence " + row.values[numero] + " " +
                      ShownCp1252(store::Trim(row.values[text])) + " has " +
                      std::to_string(form.size()) + " characters (or a word longer than " +
                      std::to_string(store::kSearchFormFieldSize - 1) +
                      ") and does not fit in A1..A4");
            continue;
        }
        for (std::size_t p = 0; p < pieces->size(); ++p)
            row.values[a1 + p] = (*pieces)[p];
    }
}

void Pipeline::CheckGlossary(const SourceTable& table) {
    static constexpr std::size_t kSpan[9] = {21, 13, 19, 21, 9, 8, 11, 4, 5};
    for (const TableRow& row : table.rows) {
        const std::string marker = store::Trim(Field(table, row, "Uposi"));
        if (marker.empty())
            continue;  // no sub-headings
        if (marker.size() != 27 || marker.find_first_not_of("0123456789") != std::string::npos) {
            Error(table.name, row.number, "Uposi",
                  ShownCp1252(marker) + " is not 27 digits (nine positions of three)");
            continue;
        }
        std::size_t length = 0;
        for (int u = 1; u <= 7; ++u)
            length += Field(table, row, "U" + std::to_string(u)).size();
        for (std::size_t g = 0; g < 9; ++g) {
            const int at = std::stoi(marker.substr(g * 3, 3));
            if (at > 0 && std::size_t(at) - 1 + kSpan[g] > length) {
                Warning(table.name, row.number, "Uposi",
                        "group " + std::to_string(g + 1) + " marks characters " +
                            std::to_string(at) + " to " + std::to_string(at - 1 + int(kSpan[g])) +
                            " of an explanation of " + std::to_string(length));
            }
        }
    }
}

// C1..C4 each hold whole entries: a book code, a sentence number of at most five digits, "/".
void Pipeline::CheckBible(const SourceTable& table) {
    for (const TableRow& row : table.rows) {
        for (int c = 1; c <= 4; ++c) {
            const std::string name = "C" + std::to_string(c);
            const std::string list = store::Trim(Field(table, row, name));
            const store::SlashList split = store::SplitSlashList(list);
            for (const std::string_view entry : split.segments) {
                const std::string shown = ShownCp1252(entry);
                if (entry.empty() || !IsBookCode(entry.substr(0, 1))) {
                    Error(
                        table.name, row.number, name,
                        "the entry " + shown + " does not begin with a book code T, E, M, P or S");
                } else if (entry.size() < 2 || entry.size() > 1 + store::kEntryNumberSize ||
                           entry.find_first_not_of("0123456789", 1) != std::string::npos) {
                    Error(table.name, row.number, name,
                          "the entry " + shown + " needs a sentence number of one to five digits");
                }
            }
            if (!split.rest.empty()) {
                Error(table.name, row.number, name,
                      "the entry " + ShownCp1252(split.rest) +
                          " is not closed by \"/\" (each field holds whole entries)");
            }
        }
    }
    // The verse list's counter reads "/ 404 References" whatever the table holds.
    if (table.rows.size() != kPassages) {
        Warning(table.name, 0, {},
                Counted(table.rows.size(), "passage") + " where the verse list counts " +
                    std::to_string(kPassages) + ": its counter always reads \"/ " +
                    std::to_string(kPassages) + " References\"");
    }
}

std::unordered_set<std::int64_t> Pipeline::IntegerKeys(std::string_view fileName) const {
    std::unordered_set<std::int64_t> keys;
    const SourceTable* t = Loaded(fileName);
    if (!t)
        return keys;
    const std::size_t key = std::size_t(store::FieldIndex(*t->def, t->def->primaryKey));
    for (const TableRow& row : t->rows) {
        if (const auto n = store::ParseInteger(row.values[key]))
            keys.insert(*n);
    }
    return keys;
}

// A reference into a table that could not be read is not reported: the table's own error says
// it all, and thousands of knock-on warnings would bury it.
void Pipeline::CheckCrossReferences() {
    std::map<char, std::unordered_set<std::int64_t>> sentences;
    for (const store::Volume& v : store::Volumes()) {
        if (Loaded(v.volumeTable))
            sentences[v.code] = IntegerKeys(v.volumeTable);
    }
    // True also when the volume could not be read: nothing can be said then.
    auto names = [&](std::string_view code, std::string_view number) {
        if (!IsBookCode(code))
            return false;
        const auto volume = sentences.find(code[0]);
        if (volume == sentences.end())
            return true;
        const auto n = store::ParseInteger(number);
        return n && volume->second.contains(*n);
    };
    const SourceTable* bible = Loaded("Biblia.DB");
    const auto passages = IntegerKeys("Biblia.DB");

    for (const store::Volume& v : store::Volumes()) {
        const SourceTable* book = Loaded(v.volumeTable);
        const SourceTable* index = Loaded(v.indexTable);
        if (!book)
            continue;
        const auto sections = IntegerKeys(v.indexTable);
        for (const TableRow& row : book->rows) {
            const std::string& numI = Field(*book, row, "Num_I");
            const auto n = store::ParseInteger(numI);
            if (index && (!n || !sections.contains(*n))) {
                Warning(book->name, row.number, "Num_I",
                        numI.empty() ? std::string("empty: the sentence shows no headings")
                                     : ShownCp1252(numI) + " names no row of " + index->name);
            }
            if (!bible)
                continue;
            // The keys as the passage viewer reads them: the trimmed field, closed by "/".
            const std::string biblia = store::Trim(Field(*book, row, "Biblia")) + "/";
            for (const std::string_view key : store::PassageKeys(biblia)) {
                const auto k = store::ParseInteger(key);
                if (!k || !passages.contains(*k)) {
                    Warning(book->name, row.number, "Biblia",
                            ShownCp1252(key) + " names no passage of " + bible->name);
                }
            }
        }
    }

    if (bible) {
        for (const TableRow& row : bible->rows) {
            for (int c = 1; c <= 4; ++c) {
                const std::string name = "C" + std::to_string(c);
                const std::string list = store::Trim(Field(*bible, row, name));
                for (const store::SentenceEntry& e : store::SentenceEntries(list)) {
                    if (!e.number.empty() && IsBookCode(e.code) && !names(e.code, e.number)) {
                        Warning(bible->name, row.number, name,
                                ShownCp1252(std::string(e.entry) + "/") + " names no sentence");
                    }
                }
            }
        }
    }

    for (std::string_view tableName : {"VLBiblia.DB", "Texto_B.DB"}) {
        const SourceTable* t = Loaded(tableName);
        if (!t)
            continue;
        // The list of citing sentences reads "/ 1121 References" whatever the table holds.
        if (store::SameName(tableName, "VLBiblia.DB") && t->rows.size() != kCitingSentences) {
            Warning(t->name, 0, {},
                    Counted(t->rows.size(), "row") +
                        " where the \"Veloria to Bible\" list counts " +
                        std::to_string(kCitingSentences) + ": its counter always reads \"/ " +
                        std::to_string(kCitingSentences) + " References\"");
        }
        for (const TableRow& row : t->rows) {
            const std::string& code = Field(*t, row, "Libro");
            const std::string& number = Field(*t, row, "Numero");
            if (!IsBookCode(code)) {
                Error(t->name, row.number, "Libro",
                      ShownCp1252(code) + " is not a book code (T, E, M, P or S)");
            } else if (!names(code, number)) {
                Warning(t->name, row.number, "Numero",
                        ShownCp1252(number) + " names no sentence of " +
                            NameOf(store::FindVolume(code[0])->volumeTable));
            }
        }
    }

    if (const SourceTable* tips = Loaded("Frases.DB")) {
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

bool Pipeline::Write(const fs::path& dir) {
    std::string current = std::string(kDataDirectoryMark);
    try {
        // The mark goes first, so that even a build killed halfway leaves a folder that the next
        // build knows as its own.
        std::ofstream mark(dir / kDataDirectoryMark, std::ios::binary);
        mark << "A Veloria data directory, made by the corpus builder. A new build replaces this "
                "whole folder.\n";
        mark.close();
        if (!mark)
            throw std::runtime_error("cannot be written");
        for (const TableDef& def : store::AllTables()) {
            current = std::string(def.fileName);
            store::TableWriter writer(dir / def.fileName, def);
            std::int64_t rows = 0;
            if (const SourceTable* t = Find(def.fileName)) {
                for (const TableRow& row : t->rows)
                    writer.AddRow(row.values);
                rows = std::int64_t(t->rows.size());
            } else if (store::SameName(def.fileName, "Configura.db")) {
                const SourceTable* seed = Find("Texto_B.DB");
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

void Pipeline::CopyAssets(const fs::path& dir) {
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
bool Pipeline::Replace(const fs::path& built) {
    std::error_code ec;
    const std::string where = target_.string();
    if (!fs::exists(fs::symlink_status(target_, ec))) {
        fs::rename(built, target_, ec);
        if (ec)
            Error(where, 0, {}, "cannot be created: " + ec.message());
        return !ec;
    }
    if (::renameat2(AT_FDCWD, built.c_str(), AT_FDCWD, target_.c_str(), RENAME_EXCHANGE) == 0) {
        fs::remove_all(built, ec);  // now the old directory
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
        Error(where, 0, {}, std::string("cannot be replaced: ") + std::strerror(errno));
        return false;
    }
    fs::path old = target_;
    old += ".old-" + std::to_string(::getpid());
    fs::remove_all(old, ec);
    fs::rename(target_, old, ec);
    if (ec) {
        Error(where, 0, {}, "cannot be replaced: " + ec.message());
        return false;
    }
    fs::rename(built, target_, ec);
    if (ec) {
        std::error_code back;
        fs::rename(old, target_, back);
        Error(where, 0, {}, "cannot be replaced: " + ec.message());
        return false;
    }
    fs::remove_all(old, ec);
    return true;
}

void Pipeline::Build() {
    std::error_code ec;
    fs::create_directories(target_.parent_path(), ec);
    const fs::path building = target_.parent_path() / ("." + target_.filename().string() +
                                                       ".building-" + std::to_string(::getpid()));
    fs::remove_all(building, ec);
    fs::create_directory(building, ec);
    if (ec) {
        Error(building.string(), 0, {}, "cannot be created: " + ec.message());
        return;
    }
    if (!Write(building) || !Replace(building))
        fs::remove_all(building, ec);
    result_.ok = reporter_.errors() == 0;
}

BuildResult Pipeline::Run(const TableSource& read) {
    if (PrepareTarget()) {
        RemoveLeftovers();
        tables_ = read(reporter_);
        // Keep the table order of the schema, which the summary and the checks follow.
        std::sort(tables_.begin(), tables_.end(),
                  [](const SourceTable& a, const SourceTable& b) { return a.def < b.def; });
        for (const TableDef& def : store::AllTables()) {
            if (def.content && !Find(def.fileName)) {
                Error(SourceName(def, records_), 0, {},
                      "missing: the source of \"" + std::string(def.fileName) + "\" is needed");
            }
        }
        for (SourceTable& t : tables_) {
            if (!t.loaded)
                continue;
            CheckValues(t);
            CheckKeys(t);
            if (t.def->bookTable) {
                CheckReferences(t);
                ComputeSearchForms(t);
            }
            if (store::SameName(t.def->fileName, "Glosario.DB"))
                CheckGlossary(t);
            if (store::SameName(t.def->fileName, "Biblia.DB"))
                CheckBible(t);
        }
        CheckCrossReferences();
        if (reporter_.errors() == 0)
            Build();
    }
    result_.errors = reporter_.errors();
    result_.warnings = reporter_.warnings();
    result_.diagnostics = reporter_.Take();
    auto plural = [](std::int64_t n, const char* word) {
        return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
    };
    if (result_.ok) {
        result_.summary = "Built " + target_.string() + ": " + plural(result_.tables, "table") +
                          ", " + plural(result_.rows, "row") + ", " +
                          plural(result_.warnings, "warning") + ".";
    } else {
        result_.tables = 0;
        result_.rows = 0;
        result_.summary = "Nothing built: " + plural(result_.errors, "error") + ", " +
                          plural(result_.warnings, "warning") + "; " + target_.string() +
                          " is left as it was.";
    }
    return result_;
}

}  // namespace

BuildResult BuildDataDirectory(const BuildOptions& options, bool records, const TableSource& read) {
    return Pipeline(options, records).Run(read);
}

}  // namespace veloria::tools
