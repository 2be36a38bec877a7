// What the rows of a build's sources hold together: keys, references, search forms, glossary
// markers, Bible entries, and the references from one table into another.
#include <algorithm>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "store/RefLists.h"
#include "store/Schema.h"
#include "store/SearchForm.h"
#include "store/TableFile.h"
#include "store/Text.h"
#include "tools/Checks.h"
#include "tools/Echo.h"

namespace veloria::tools {
using store::TableDef;

namespace {

using store::kTips;
constexpr auto kPassages = std::size_t(store::kBiblePassages);
constexpr auto kCitingSentences = std::size_t(store::kCitingSentences);

// "1 row", "2 rows".
std::string Counted(std::size_t n, const std::string& noun) {
    return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

bool IsBookCode(std::string_view code) {
    return code.size() == 1 && store::FindVolume(code[0]) != nullptr;
}

class ContentChecks {
  public:
    ContentChecks(std::vector<SourceTable>& tables, Reporter& reporter)
        : tables_(tables), reporter_(reporter) {}
    void Run();

  private:
    void WarnIfEmpty(const SourceTable& table);
    void CheckKeys(const SourceTable& table);
    void CheckReferences(const SourceTable& table);
    void ComputeSearchForms(SourceTable& table);
    void CheckGlossary(const SourceTable& table);
    void CheckBible(const SourceTable& table);
    void CheckCrossReferences();

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
    const SourceTable* Loaded(std::string_view fileName) const {
        for (const SourceTable& t : tables_) {
            if (store::SameName(t.def->fileName, fileName))
                return t.loaded ? &t : nullptr;
        }
        return nullptr;
    }
    // The name of a table's source in messages, found or not.
    std::string NameOf(std::string_view fileName) const {
        for (const SourceTable& t : tables_) {
            if (store::SameName(t.def->fileName, fileName))
                return t.name;
        }
        return SourceName(*store::FindTableDef(fileName), reporter_.Records());
    }
    // The integer keys of a loaded keyed table.
    std::unordered_set<std::int64_t> IntegerKeys(std::string_view fileName) const;
    static const std::string& Field(const SourceTable& t, const TableRow& row,
                                    std::string_view name) {
        return row.values[std::size_t(store::FieldIndex(*t.def, name))];
    }

    std::vector<SourceTable>& tables_;
    Reporter& reporter_;
};

void ContentChecks::Run() {
    for (SourceTable& t : tables_) {
        if (!t.loaded)
            continue;
        WarnIfEmpty(t);
        CheckValues(t, reporter_);
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
}

// A table of no rows builds, but the program then shows nothing of it. The Bible tables and the
// tips are counted against what the windows show, which says so already.
void ContentChecks::WarnIfEmpty(const SourceTable& table) {
    if (!table.rows.empty() || !table.def->content)
        return;
    const TableDef& def = *table.def;
    if (def.bookTable) {
        Warning(table.name, 0, {}, "no sentences: a search finds nothing in this volume");
    } else if (store::SameName(def.fileName, "Glosario.DB")) {
        Warning(table.name, 0, {}, "no terms: the glossary window lists none");
    } else if (store::SameName(def.primaryKey, "Num_I")) {
        Warning(table.name, 0, {}, "no headings: the volume's sentences show none");
    }
}

void ContentChecks::CheckKeys(const SourceTable& table) {
    const TableDef& def = *table.def;
    if (def.primaryKey.empty())
        return;
    const std::size_t key = std::size_t(store::FieldIndex(def, def.primaryKey));
    std::unordered_map<std::string, int> first;
    for (const TableRow& row : table.rows) {
        const std::string& value = row.values[key];
        if (row.damaged)
            continue;
        // Two text keys a reader cannot tell apart ("Peace" and "Peace ") are one.
        const std::string shown = store::AsShown(value);
        if (shown.empty()) {
            Error(table.name, row.number, def.primaryKey, "empty key");
            continue;
        }
        const auto [at, fresh] = first.emplace(shown, row.number);
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
            if (row.damaged)
                continue;
            const auto [at, fresh] =
                seen.emplace(store::AsShown(row.values[std::size_t(field)]), row.number);
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
// reader looks it up by it. Two that a reader cannot tell apart are one.
void ContentChecks::CheckReferences(const SourceTable& table) {
    std::unordered_map<std::string, int> first;
    for (const TableRow& row : table.rows) {
        const std::string reference = store::Trim(Field(table, row, "Referencia"));
        const std::string shown = store::AsShown(reference);
        if (shown.empty())
            continue;
        const auto [at, fresh] = first.emplace(shown, row.number);
        if (!fresh) {
            Error(table.name, row.number, "Referencia",
                  "the reference " + ShownCp1252(reference) + " is already another sentence's " +
                      FirstOn(at->second) + "; references are unique within a volume");
        }
    }
}

void ContentChecks::ComputeSearchForms(SourceTable& table) {
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

void ContentChecks::CheckGlossary(const SourceTable& table) {
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
void ContentChecks::CheckBible(const SourceTable& table) {
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

std::unordered_set<std::int64_t> ContentChecks::IntegerKeys(std::string_view fileName) const {
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
void ContentChecks::CheckCrossReferences() {
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
            if (row.damaged)
                continue;  // its own error says it all
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
            if (row.damaged)
                continue;
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
            if (row.damaged)
                continue;
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

}  // namespace

void CheckContent(std::vector<SourceTable>& tables, Reporter& reporter) {
    ContentChecks(tables, reporter).Run();
}

}  // namespace veloria::tools
