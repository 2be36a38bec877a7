#include "tools/CorpusBuilder.h"

#include <gtest/gtest.h>

#include <map>

#include "store/Sqlite.h"
#include "tests/tools/TempFolder.h"

namespace veloria::tools {
namespace {

namespace fs = std::filesystem;
using testing::ReadAll;
using testing::TempFolder;
using testing::WriteAll;

// A complete, small corpus: every table with a row or two, all of it consistent.
std::map<std::string, std::string> TinyCorpus() {
    std::map<std::string, std::string> files;
    const std::string book = "Numero,Umemo,Referencia,Pagina,Biblia,Num_I,Parrafo2\r\n";
    files["LTexto.csv"] = book +
                          "1,\"Love is here, now.\",T-1.1:1,1,1,1,1\r\n"
                          "2,Peace.,T-1.1:2,1,,1,1\r\n"
                          "3,\"A second line\r\nof love.\",T-1.2:1,2,,2,2\r\n";
    files["LEjercicio.csv"] = book + "1,A lesson of peace.,E-1.1:1,1,,1,1\r\n";
    files["Maestro.csv"] =
        book + "1,A teacher listens.,M-1.1:1,1,,1,1\r\n" + "2,A term explained.,C-1.1:1,2,,2,2\r\n";
    files["LPsico.csv"] = book + "1,Healing is shared.,P-1.1:1,,,1,1\r\n";
    files["LOracion.csv"] = book + "1,Prayer is a song.,S-1.1:1,,,1,1\r\n";
    const std::string index = "Num_I,Nom_1,Nom_2\r\n";
    files["Indice_T.csv"] = index + "1,Chapter 1,Introduction\r\n2,Chapter 1,1. Peace\r\n";
    files["Indice_E.csv"] = index + "1,PART I,Lesson 1\r\n";
    files["Indice_M.csv"] =
        index + "1,MANUAL FOR TEACHERS,Introduction\r\n2,CLARIFICATION OF TERMS,Introduction\r\n";
    files["Indice_P.csv"] = index + "1,Chapter 1,Introduction\r\n";
    files["Indice_S.csv"] = index + "1,Chapter 1,Introduction\r\n";
    // "Note" (group 8, four characters) at position 16 of "Peace is calm. Note: rest."
    files["Glosario.csv"] =
        "NOMBRE,NOMBRE2,U1,U2,U3,U4,U5,U6,U7,Uposi\r\n"
        "Peace,PEACE,Peace#is#calm.#No,te:#rest.,,,,,,000000000000000000000016000\r\n"
        "Élan,ÉLAN,Élan,,,,,,,\r\n";
    files["Biblia.csv"] =
        "NUMERO,REFERENCIA,TEXTO,U1,U2,U3,U4,U5,U6,U7,U8,U9,U10,U11,U12,U13,C1,C2,C3,C4\r\n"
        "1,John 1:1,In the beginning,In the#begin,ning.,,,,,,,,,,,,T1/,,,\r\n";
    files["VLBiblia.csv"] =
        "Libro,Numero,Referencia,Pensamiento\r\nT,1,T-1.1:1,\"Love is here, now.\"\r\n";
    std::string tips = "NUMERO,Umemo\r\n";
    for (int n = 1; n <= 880; ++n)
        tips += std::to_string(n) + ",Tip " + std::to_string(n) + ".\r\n";
    files["Frases.csv"] = tips;
    return files;
}

class Builder : public ::testing::Test {
  protected:
    void SetUp() override { Write(TinyCorpus()); }
    void Write(const std::map<std::string, std::string>& files) {
        fs::remove_all(src());
        fs::create_directories(src());
        for (const auto& [name, text] : files)
            WriteAll(src() / name, text);
    }
    // Replaces the text of one line (1-based) of a source file.
    void SetLine(const std::string& file, int line, const std::string& text) {
        std::string all = ReadAll(src() / file);
        std::size_t begin = 0;
        for (int l = 1; l < line; ++l)
            begin = all.find("\r\n", begin) + 2;
        const std::size_t end = all.find("\r\n", begin);
        WriteAll(src() / file, all.replace(begin, end - begin, text));
    }
    void Append(const std::string& file, const std::string& text) {
        WriteAll(src() / file, ReadAll(src() / file) + text);
    }
    BuildResult Build(bool strict = false) {
        BuildOptions options;
        options.source = src();
        options.target = data();
        options.strict = strict;
        return BuildCorpus(options);
    }
    // The one diagnostic of a failed build, checked to name file and line.
    Diagnostic OnlyError(const std::string& file, int line, const std::string& field) {
        const BuildResult r = Build();
        EXPECT_FALSE(r.ok);
        std::string all;
        for (const Diagnostic& d : r.diagnostics)
            all += d.Text() + "\n";
        EXPECT_EQ(r.errors, 1) << all;
        for (const Diagnostic& d : r.diagnostics) {
            if (!d.error)
                continue;
            EXPECT_EQ(d.file, file);
            EXPECT_EQ(d.line, line);
            EXPECT_EQ(d.field, field);
            return d;
        }
        ADD_FAILURE() << "no error";
        return {};
    }
    std::string Query(const std::string& table, const std::string& sql) {
        store::sqlite::Database db(data() / table, SQLITE_OPEN_READONLY);
        return db.QueryText(sql);
    }
    fs::path src() const { return tmp_.path() / "src"; }
    fs::path data() const { return tmp_.path() / "data"; }

    TempFolder tmp_;
};

TEST_F(Builder, BuildsEveryTableWithSearchFormsAndConfiguration) {
    const BuildResult r = Build();
    for (const Diagnostic& d : r.diagnostics)
        ADD_FAILURE() << d.Text();
    ASSERT_TRUE(r.ok) << r.summary;
    EXPECT_EQ(r.tables, 18);
    EXPECT_EQ(r.summary, "Built " + fs::absolute(data()).string() + ": 18 tables, " +
                             std::to_string(r.rows) + " rows, 0 warnings.");
    EXPECT_EQ(Query("LTexto.DB", "SELECT A1 || '|' || A2 FROM LTexto WHERE Numero = 3"),
              "#A#SECOND#LINE#OF#LOVE#|");
    EXPECT_EQ(Query("Configura.db",
                    "SELECT Cantidad || '|' || Fecha || '|' || BNumero || '|' || "
                    "count(*) FROM Configura"),
              "0|||1");
    EXPECT_EQ(Query("Texto_B.DB", "SELECT count(*) FROM Texto_B"), "0");
    EXPECT_EQ(Query("Glosario.DB", "SELECT NOMBRE2 FROM Glosario WHERE NOMBRE = 'Élan'"), "ÉLAN");
    // Integer fields hold numbers, an empty page is an empty field.
    EXPECT_EQ(Query("LPsico.DB", "SELECT typeof(Numero) || typeof(Pagina) FROM LPsico"),
              "integernull");
    // Written for read-only use: a rollback journal, nothing left beside the files.
    EXPECT_EQ(Query("LTexto.DB", "PRAGMA journal_mode"), "delete");
    for (const auto& entry : fs::directory_iterator(data())) {
        EXPECT_EQ(entry.path().string().find("-journal"), std::string::npos);
        EXPECT_EQ(entry.path().string().find("-wal"), std::string::npos);
    }
}

TEST_F(Builder, NamesAreMatchedWithoutRegardToCaseAndComputedColumnsAreReplaced) {
    fs::remove(src() / "LTexto.csv");
    WriteAll(src() / "ltexto.CSV",
             "numero,UMEMO,referencia,PAGINA,biblia,num_i,parrafo2,a1\r\n"
             "1,\"Love is here, now.\",T-1.1:1,1,1,1,1,#WRONG#\r\n"
             "2,Two.,T-1.1:2,1,,1,1,\r\n");
    ASSERT_TRUE(Build().ok);
    EXPECT_EQ(Query("LTexto.DB", "SELECT A1 FROM LTexto WHERE Numero = 1"), "#LOVE#IS#HERE#NOW#");
}

TEST_F(Builder, SeedOfTheResultTableSetsTheCount) {
    WriteAll(src() / "Texto_B.csv",
             "Referencia,Numero,Pensamiento,Libro\r\nT-1.1:1,1,Love is here,T\r\n"
             "T-1.1:2,2,A second line,T\r\n");
    ASSERT_TRUE(Build().ok);
    EXPECT_EQ(Query("Configura.db", "SELECT Cantidad FROM Configura"), "2");
    EXPECT_EQ(Query("Texto_B.DB", "SELECT group_concat(Numero) FROM Texto_B"), "1,2");
}

TEST_F(Builder, ColumnErrorsNameFileLineAndField) {
    SetLine("LEjercicio.csv", 1, "Numero,Umemo,Referencia,Pagina,Biblia,Num_I");
    EXPECT_EQ(OnlyError("LEjercicio.csv", 1, "Parrafo2").message, "missing column");

    SetUp();
    SetLine("LEjercicio.csv", 1, "Numero,Umemo,Referencia,Pagina,Biblia,Num_I,Parrafo2,Extra");
    SetLine("LEjercicio.csv", 2, "1,A lesson.,E-1.1:1,1,,1,1,x");
    EXPECT_NE(OnlyError("LEjercicio.csv", 1, "Extra").message.find("extra column"),
              std::string::npos);

    SetUp();
    Append("Indice_P.csv", "2,Chapter 2\r\n");
    EXPECT_EQ(OnlyError("Indice_P.csv", 3, "").message, "2 fields where the header has 3");

    SetUp();
    fs::remove(src() / "Frases.csv");
    EXPECT_NE(OnlyError("Frases.csv", 0, "").Text().find("Frases.csv: error: missing"),
              std::string::npos);

    SetUp();
    Append("LOracion.csv", "2,\"never closed\r\n");
    EXPECT_NE(OnlyError("LOracion.csv", 3, "").message.find("never closed"), std::string::npos);
}

TEST_F(Builder, ValueErrorsNameFileLineAndField) {
    SetLine("LTexto.csv", 3, "1,Peace.,T-1.1:2,1,,1,1");
    const Diagnostic dup = OnlyError("LTexto.csv", 3, "Numero");
    EXPECT_EQ(dup.message, "duplicate key \"1\" (first on line 2)");
    EXPECT_EQ(dup.Text(), "LTexto.csv:3: error: Numero: duplicate key \"1\" (first on line 2)");

    SetUp();
    SetLine("LTexto.csv", 3, "2,Peace.,T-1.1:2,2a,,1,1");
    EXPECT_EQ(OnlyError("LTexto.csv", 3, "Pagina").message, "\"2a\" is not a number");

    SetUp();
    SetLine("LPsico.csv", 2, "1,Healing \xE2\x84\xA6 shared.,P-1.1:1,,,1,1");  // Ohm sign
    EXPECT_NE(OnlyError("LPsico.csv", 2, "Umemo").message.find("U+2126"), std::string::npos);

    SetUp();
    SetLine("LPsico.csv", 2, "1,Healing.," + std::string(256, 'P') + ",,,1,1");
    EXPECT_EQ(OnlyError("LPsico.csv", 2, "Referencia").message,
              "256 characters; a text field holds at most 255");

    SetUp();
    std::string huge;
    for (int i = 0; i < 120; ++i)
        huge += "wordy words ";  // 1,440 characters of form
    SetLine("LOracion.csv", 2, "1," + huge + ",S-1.1:1,,,1,1");
    const Diagnostic form = OnlyError("LOracion.csv", 2, "Umemo");
    EXPECT_NE(form.message.find("search form of sentence 1 \"wordy words"), std::string::npos);
    EXPECT_NE(form.message.find("does not fit in A1..A4"), std::string::npos);

    SetUp();
    SetLine("Glosario.csv", 3, "Élan,ÉLAN,Élan,,,,,,,00000000000000000000000000x");
    EXPECT_NE(OnlyError("Glosario.csv", 3, "Uposi").message.find("is not 27 digits"),
              std::string::npos);

    SetUp();
    SetLine("VLBiblia.csv", 2, "X,1,T-1.1:1,Love.");
    EXPECT_NE(OnlyError("VLBiblia.csv", 2, "Libro").message.find("not a book code"),
              std::string::npos);

    SetUp();
    SetLine("Biblia.csv", 2, "1,John 1:1,In,In,,,,,,,,,,,,,T1/,Q2/,,");
    EXPECT_NE(OnlyError("Biblia.csv", 2, "C2").message.find("book code"), std::string::npos);

    SetUp();
    SetLine("Biblia.csv", 2, "1,John 1:1,In,In,,,,,,,,,,,,,T1/T123456/,,,");
    EXPECT_NE(OnlyError("Biblia.csv", 2, "C1").message.find("one to five digits"),
              std::string::npos);

    SetUp();
    SetLine("Biblia.csv", 2, "1,John 1:1,In,In,,,,,,,,,,,,,T1/T,,,");
    EXPECT_NE(OnlyError("Biblia.csv", 2, "C1").message.find("not closed"), std::string::npos);
}

TEST_F(Builder, DanglingReferencesWarnAndStopOnlyAStrictBuild) {
    SetLine("LTexto.csv", 3, "2,Peace.,T-1.1:2,1,404/1,9,1");  // no passage 404, no section 9
    SetLine("Biblia.csv", 2, "1,John 1:1,In,In,,,,,,,,,,,,,T1/E77/,,,");  // no sentence E77
    Append("VLBiblia.csv", "M,55,M-9,Gone.\r\n");                         // no sentence M55
    BuildResult r = Build();
    EXPECT_TRUE(r.ok) << r.summary;
    EXPECT_EQ(r.warnings, 4);
    std::vector<std::string> where;
    for (const Diagnostic& d : r.diagnostics)
        where.push_back(d.file + ":" + std::to_string(d.line) + ":" + d.field);
    EXPECT_EQ(where, (std::vector<std::string>{"LTexto.csv:3:Num_I", "LTexto.csv:3:Biblia",
                                               "Biblia.csv:2:C1", "VLBiblia.csv:3:Numero"}));
    EXPECT_NE(r.summary.find("4 warnings"), std::string::npos);

    r = Build(/*strict=*/true);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errors, 4);
    EXPECT_EQ(r.warnings, 0);
}

TEST_F(Builder, AFailedBuildLeavesThePreviousDataDirectoryUntouched) {
    ASSERT_TRUE(Build().ok);
    WriteAll(data() / "marker", "previous");
    const std::string before = ReadAll(data() / "LTexto.DB");

    SetLine("LTexto.csv", 2, "1,Changed.,T-1.1:1,x,1,1,1");
    EXPECT_FALSE(Build().ok);
    EXPECT_EQ(ReadAll(data() / "marker"), "previous");
    EXPECT_EQ(ReadAll(data() / "LTexto.DB"), before);
    // Nothing of the failed attempt is left beside it.
    for (const auto& entry : fs::directory_iterator(tmp_.path())) {
        EXPECT_TRUE(entry.path().filename() == "src" || entry.path().filename() == "data")
            << entry.path();
    }

    // A successful build replaces the whole directory.
    SetLine("LTexto.csv", 2, "1,Changed.,T-1.1:1,1,1,1,1");
    ASSERT_TRUE(Build().ok);
    EXPECT_FALSE(fs::exists(data() / "marker"));
    EXPECT_EQ(Query("LTexto.DB", "SELECT Umemo FROM LTexto WHERE Numero = 1"), "Changed.");
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp_.path()), fs::directory_iterator()), 2);
}

TEST_F(Builder, ATargetNamedWithATrailingSlashIsBuiltBesideItself) {
    BuildOptions options;
    options.source = src();
    options.target = data().string() + "/";
    ASSERT_TRUE(BuildCorpus(options).ok);
    ASSERT_TRUE(BuildCorpus(options).ok);  // and replaced
    EXPECT_TRUE(fs::exists(data() / "LTexto.DB"));
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp_.path()), fs::directory_iterator()), 2);
}

TEST_F(Builder, ATargetThatIsAFileIsLeftAlone) {
    WriteAll(data(), "not a folder");
    const BuildResult r = Build();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(ReadAll(data()), "not a folder");
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp_.path()), fs::directory_iterator()), 2);
}

TEST_F(Builder, SourcesForProgramTablesAndUnknownFiles) {
    WriteAll(src() / "Configura.csv", "Cantidad,Fecha,BNumero\r\n5,,\r\n");
    EXPECT_NE(OnlyError("Configura.csv", 0, "").message.find("written by the program"),
              std::string::npos);

    SetUp();
    WriteAll(src() / "notes.csv", "whatever\r\n");
    const BuildResult r = Build();
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.warnings, 1);
}

// Caught by the builder fuzz target's check that a failed build shows its error: the messages
// shown per file were capped over errors and warnings together, so the error came too late.
TEST_F(Builder, WarningsNeverHideTheErrorThatStopsTheBuild) {
    std::string rows;
    for (int n = 100; n < 130; ++n)  // thirty rows naming no sentence: warnings
        rows += "T," + std::to_string(n) + ",T-9,Gone.\r\n";
    Append("VLBiblia.csv", rows + "X,1,T-1.1:1,Love.\r\n");
    const BuildResult r = Build();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errors, 1);
    EXPECT_EQ(r.warnings, 30);
    int shown = 0;
    for (const Diagnostic& d : r.diagnostics) {
        if (d.error) {
            EXPECT_EQ(d.Text(),
                      "VLBiblia.csv:33: error: Libro: \"X\" is not a book code (T, E, M, P "
                      "or S)");
            ++shown;
        }
    }
    EXPECT_EQ(shown, 1);
    // The warnings past the cap are still summed up.
    EXPECT_EQ(r.diagnostics.back().Text(),
              "VLBiblia.csv: warning: 5 more problems in this file not shown");
}

}  // namespace
}  // namespace veloria::tools
