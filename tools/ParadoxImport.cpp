#include "tools/ParadoxImport.h"

#include <iconv.h>

#include <cerrno>
#include <cmath>
#include <cstdio>

#include "store/Text.h"
#include "tools/Corpus.h"
#include "tools/Echo.h"
#include "tools/Files.h"
#include "tools/Paradox.h"

namespace veloria::tools {
namespace fs = std::filesystem;
using paradox::FieldType;
using store::FieldKind;
using store::TableDef;

namespace {

// The conversion of a table's text from the code page its header names to Windows-1252.
class CodePage {
  public:
    // Throws std::runtime_error when this system cannot convert from that code page.
    explicit CodePage(int number) : number_(number) {
        if (number == 0 || number == 1252)
            return;  // the program's own
        const std::string from = "CP" + std::to_string(number);
        cd_ = ::iconv_open("CP1252", from.c_str());
        if (cd_ == iconv_t(-1)) {
            throw std::runtime_error("its header names code page " + std::to_string(number) +
                                     ", which this system cannot convert to Windows-1252");
        }
    }
    ~CodePage() {
        if (cd_ != iconv_t(-1))
            ::iconv_close(cd_);
    }
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;

    // The text in Windows-1252; the problem, when a character has no place in it.
    std::string Convert(const std::string& in, std::string& out) const {
        if (cd_ == iconv_t(-1)) {
            out = in;
            return {};
        }
        ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        out.assign(in.size(), '\0');  // one byte a character on both sides
        char* from = const_cast<char*>(in.data());
        std::size_t fromLeft = in.size();
        char* to = out.data();
        std::size_t toLeft = out.size();
        while (fromLeft > 0) {
            if (::iconv(cd_, &from, &fromLeft, &to, &toLeft) != std::size_t(-1))
                continue;
            if (errno == E2BIG) {  // a character of more than one byte; room for it
                const std::size_t done = std::size_t(to - out.data());
                out.resize(out.size() + 16);
                to = out.data() + done;
                toLeft = out.size() - done;
                continue;
            }
            char byte[8];
            std::snprintf(byte, sizeof byte, "0x%02X", unsigned(static_cast<unsigned char>(*from)));
            return "the character " + std::string(byte) + " of code page " +
                   std::to_string(number_) + " at character " +
                   std::to_string(std::size_t(from - in.data()) + 1) +
                   " has no place in Windows-1252";
        }
        out.resize(std::size_t(to - out.data()));
        return {};
    }

  private:
    int number_;
    iconv_t cd_ = iconv_t(-1);
};

// Which field types can fill a field of each kind.
bool Fills(FieldKind kind, FieldType type) {
    switch (type) {
        case FieldType::Alpha:
            return true;
        case FieldType::Short:
        case FieldType::Long:
        case FieldType::AutoIncrement:
        case FieldType::Number:
            return kind != FieldKind::Memo;
        case FieldType::Memo:
        case FieldType::FormattedMemo:
            return kind != FieldKind::Integer;
        default:
            return false;
    }
}

// The fields rows are found or told apart by: the keys, and a volume's references, unique within
// it. Paradox keys no memo, so a memo there means a damaged header, whose values are no keys.
bool IsKeyField(const TableDef& def, std::string_view name) {
    bool key = store::SameName(name, def.primaryKey) ||
               (def.bookTable && store::SameName(name, "Referencia"));
    for (std::string_view index : def.indexes)
        key = key || store::SameName(name, index);
    return key;
}

bool IsMemo(FieldType type) {
    return type == FieldType::Memo || type == FieldType::FormattedMemo;
}

std::string Reads(FieldKind kind) {
    switch (kind) {
        case FieldKind::Integer:
            return "a number from a short, long, number, autoincrement or alpha field";
        case FieldKind::Text:
            return "a text from an alpha, memo, formatted memo or number field";
        case FieldKind::Memo:
            return "a long text from a memo, formatted memo or alpha field";
    }
    return {};
}

// A number as the program keys and shows it: a whole one, written in decimal.
std::string WholeNumber(double value, std::string& problem) {
    if (std::isfinite(value) && std::trunc(value) == value && std::fabs(value) < 9.0e18)
        return std::to_string(std::int64_t(value));
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    if (std::isnan(value))
        problem = "the field holds no number (NaN); the program keys and shows whole numbers";
    else if (!std::isfinite(value) || std::fabs(value) >= 9.0e18)
        problem = std::string(text) + " is beyond the whole numbers the program keys";
    else
        problem =
            std::string(text) + " is not a whole number; the program keys and shows it as one";
    return {};
}

class ParadoxSources {
  public:
    ParadoxSources(const fs::path& folder, Reporter& reporter)
        : folder_(folder), reporter_(reporter) {}
    std::vector<SourceTable> Read();

  private:
    struct Found {
        fs::path db;
        fs::path memo;  // empty: none
    };
    void Find();
    void Load(SourceTable& table, const Found& found);
    void LoadRows(SourceTable& table, const paradox::Table& source,
                  const std::vector<int>& fieldOf);

    const fs::path& folder_;
    Reporter& reporter_;
    std::vector<SourceTable> tables_;
    std::vector<Found> found_;  // beside tables_; db empty when it cannot be read
};

void ParadoxSources::Find() {
    const SourceFiles files = FindSourceFiles(folder_, ".db", true, reporter_);
    for (const SourceFiles::Table& t : files.tables) {
        Found found{t.path, {}};
        // Its memo file: the same name with .MB, in any case.
        for (const fs::path& memo : files.all) {
            if (!store::SameName(memo.extension().string(), ".mb") ||
                !store::SameName(memo.stem().string(), fs::path(t.name).stem().string())) {
                continue;
            }
            if (!found.memo.empty()) {
                reporter_.Error(t.name, 0, {},
                                "two memo files: " + found.memo.filename().string() + " and " +
                                    memo.filename().string());
                found.db.clear();
            } else if (const auto notMemo = NotAFile(memo)) {
                reporter_.Error(memo.filename().string(), 0, {}, "is " + *notMemo + ", not a file");
                found.db.clear();
            }
            found.memo = memo;
        }
        tables_.push_back({t.def, t.name, {}, false});
        found_.push_back(found);
    }
}

void ParadoxSources::Load(SourceTable& table, const Found& found) {
    const TableDef& def = *table.def;
    std::optional<paradox::Table> source;
    try {
        std::optional<std::string> memo;
        if (!found.memo.empty()) {
            try {
                memo = ReadRegularFile(found.memo);
            } catch (const std::runtime_error& e) {
                reporter_.Error(found.memo.filename().string(), 0, {},
                                std::string("cannot be read: ") + e.what());
                return;
            }
        }
        source.emplace(ReadRegularFile(found.db), std::move(memo));
    } catch (const paradox::Error& e) {
        reporter_.Error(table.name, int(e.record()), e.field(), e.what());
        return;
    } catch (const std::runtime_error& e) {
        reporter_.Error(table.name, 0, {}, std::string("cannot be read: ") + e.what());
        return;
    }

    // fieldOf[i]: the field of the table's field i; -1 for one that is left out.
    const auto& fields = source->fields();
    std::vector<int> fieldOf;
    std::vector<bool> present(def.fields.size(), false);
    bool ok = true;
    for (const paradox::Field& f : fields) {
        const std::string name = store::ToUtf8(f.name);
        const int field = store::FieldIndex(def, f.name);
        fieldOf.push_back(-1);
        if (field < 0) {
            reporter_.Warning(table.name, 0, Escaped(name),
                              "\"" + std::string(def.fileName) + "\" has no such field; ignored");
            continue;
        }
        const store::FieldDef& to = def.fields[std::size_t(field)];
        if (present[std::size_t(field)]) {
            reporter_.Error(table.name, 0, to.name, "the field is given twice");
            ok = false;
            continue;
        }
        present[std::size_t(field)] = true;
        if (store::IsComputedField(def, to.name))
            continue;  // the search form is always computed; stored ones are replaced
        if (!Fills(to.kind, f.type)) {
            reporter_.Error(table.name, 0, to.name,
                            std::string("a ") + paradox::TypeName(f.type) +
                                " field, of no use here: the program reads " + Reads(to.kind));
            ok = false;
            continue;
        }
        if (IsMemo(f.type) && IsKeyField(def, to.name)) {
            reporter_.Error(table.name, 0, to.name,
                            std::string("a ") + paradox::TypeName(f.type) +
                                " field, where the program needs a key: an alpha or number field");
            ok = false;
            continue;
        }
        fieldOf.back() = field;
    }
    for (std::size_t f = 0; f < def.fields.size(); ++f) {
        if (!present[f] && !store::IsComputedField(def, def.fields[f].name)) {
            reporter_.Error(table.name, 0, def.fields[f].name, "missing field");
            ok = false;
        }
    }
    if (!ok)
        return;
    LoadRows(table, *source, fieldOf);
}

void ParadoxSources::LoadRows(SourceTable& table, const paradox::Table& source,
                              const std::vector<int>& fieldOf) {
    const TableDef& def = *table.def;
    std::optional<CodePage> codePage;
    try {
        codePage.emplace(source.codePage());
    } catch (const std::runtime_error& e) {
        reporter_.Error(table.name, 0, {}, e.what());
        return;
    }
    const auto& fields = source.fields();
    std::vector<paradox::Value> values;
    table.rows.reserve(std::size_t(source.records()));
    for (std::int64_t r = 0; r < source.records(); ++r) {
        const int number = int(r + 1);
        try {
            source.Read(r, values);
        } catch (const paradox::Error& e) {
            reporter_.Error(table.name, number, e.field(), e.what());
            table.rows.push_back({number, std::vector<std::string>(def.fields.size()), true});
            continue;
        }
        TableRow row{number, std::vector<std::string>(def.fields.size())};
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (fieldOf[i] < 0)
                continue;
            const paradox::Value& v = values[i];
            const std::string_view name = def.fields[std::size_t(fieldOf[i])].name;
            std::string& out = row.values[std::size_t(fieldOf[i])];
            std::string problem;
            switch (v.kind) {
                case paradox::Value::Kind::Text: {
                    std::string_view text = v.text;
                    while (!text.empty() && text.back() == '\0')
                        text.remove_suffix(1);  // a memo may keep the terminator of a C string
                    problem = codePage->Convert(std::string(text), out);
                    break;
                }
                case paradox::Value::Kind::Integer:
                    out = std::to_string(v.integer);
                    break;
                case paradox::Value::Kind::Real:
                    out = WholeNumber(v.real, problem);
                    break;
                case paradox::Value::Kind::Empty:
                case paradox::Value::Kind::Unread:
                    break;
            }
            if (!problem.empty()) {
                reporter_.Error(table.name, number, name, problem);
                row.damaged = true;
            }
        }
        table.rows.push_back(std::move(row));
    }
    table.loaded = true;
}

std::vector<SourceTable> ParadoxSources::Read() {
    Find();
    for (std::size_t i = 0; i < tables_.size(); ++i) {
        if (!found_[i].db.empty())
            Load(tables_[i], found_[i]);
    }
    return std::move(tables_);
}

}  // namespace

BuildResult ImportParadox(const BuildOptions& options) {
    return BuildDataDirectory(options, true, [&](Reporter& reporter) {
        return ParadoxSources(options.source, reporter).Read();
    });
}

}  // namespace veloria::tools
