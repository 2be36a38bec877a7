#include "tools/Corpus.h"

#include <algorithm>
#include <fstream>

#include "store/TableFile.h"
#include "tools/Checks.h"
#include "tools/Echo.h"
#include "tools/Files.h"
#include "tools/Target.h"

namespace veloria::tools {
namespace fs = std::filesystem;
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

// Reads, checks and writes: the one path every source takes to a data directory.
class Pipeline {
  public:
    Pipeline(const BuildOptions& options, bool records)
        : options_(options),
          records_(records),
          reporter_(options.strict, records),
          target_(options, reporter_) {}
    BuildResult Run(const TableSource& read);

  private:
    bool SourceReadable();
    void ReadAndCheck(const TableSource& read);
    void Build();
    bool Write(const fs::path& dir);
    void CopyAssets(const fs::path& dir);

    void Error(const std::string& file, int number, std::string_view field, const std::string& m) {
        reporter_.Error(file, number, field, m);
    }
    const SourceTable* Find(std::string_view fileName) const {
        for (const SourceTable& t : tables_) {
            if (store::SameName(t.def->fileName, fileName))
                return &t;
        }
        return nullptr;
    }

    const BuildOptions& options_;
    bool records_;
    Reporter reporter_;
    TargetFolder target_;
    std::vector<SourceTable> tables_;
    BuildResult result_;
};

bool Pipeline::Write(const fs::path& dir) {
    std::string current = std::string(kDataDirectoryMark);
    try {
        WriteMark(dir, false);
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
        current = std::string(kDataDirectoryMark);
        WriteMark(dir, true);
    } catch (const std::bad_alloc&) {
        Error(current, 0, {}, "cannot be written: out of memory");
        return false;
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

void Pipeline::Build() {
    const fs::path building = target_.MakeBuildingFolder();
    if (building.empty())
        return;
    std::error_code ec;
    if (!Write(building) || !target_.Replace(building))
        fs::remove_all(building, ec);
    result_.ok = reporter_.errors() == 0;
}

// The source folder as a whole: one error for a folder that is missing or cannot be read, rather
// than one for each table not found in it.
bool Pipeline::SourceReadable() {
    const std::string kind = records_ ? "Paradox tables" : "CSV sources";
    std::error_code ec;
    const fs::file_status status = fs::status(options_.source, ec);
    std::string problem;
    if (status.type() == fs::file_type::not_found) {
        problem = "missing: there is no folder of " + kind + " here";
    } else if (ec) {
        problem = "cannot be read: " + ec.message();
    } else if (status.type() != fs::file_type::directory) {
        problem = "not a folder of " + kind;
    } else if (fs::directory_iterator(options_.source, ec); ec) {
        problem = "cannot be read: " + ec.message();
    }
    if (!problem.empty())
        Error(options_.source.string(), 0, {}, problem);
    return problem.empty();
}

void Pipeline::ReadAndCheck(const TableSource& read) {
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
    CheckContent(tables_, reporter_);
}

BuildResult Pipeline::Run(const TableSource& read) {
    if (target_.Prepare()) {
        target_.RemoveLeftovers();
        try {
            if (SourceReadable())
                ReadAndCheck(read);
        } catch (const std::bad_alloc&) {
            // Sources too large for this machine's memory: what was read goes before it is said.
            std::vector<SourceTable>().swap(tables_);
            Error(options_.source.string(), 0, {},
                  "out of memory while reading and checking the sources");
        }
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
        result_.summary = "Built " + target_.path().string() + ": " +
                          plural(result_.tables, "table") + ", " + plural(result_.rows, "row") +
                          ", " + plural(result_.warnings, "warning") + ".";
    } else {
        result_.tables = 0;
        result_.rows = 0;
        result_.summary = "Nothing built: " + plural(result_.errors, "error") + ", " +
                          plural(result_.warnings, "warning") + "; " + target_.path().string() +
                          " is left as it was.";
    }
    return result_;
}

}  // namespace

BuildResult BuildDataDirectory(const BuildOptions& options, bool records, const TableSource& read) {
    return Pipeline(options, records).Run(read);
}

}  // namespace veloria::tools
