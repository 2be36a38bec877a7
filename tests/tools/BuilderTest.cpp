#include "tools/CorpusBuilder.h"

#include <gtest/gtest.h>

#include "tests/tools/BuilderFixture.h"
#include "tools/BuildCommand.h"
#include "tools/Corpus.h"

namespace veloria::tools {
namespace {

namespace fs = std::filesystem;
using testing::AllText;
using testing::ReadAll;
using testing::WriteAll;
using Builder = testing::BuilderTest;

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
    SetLine("Biblia.csv", 2, "1,John 1:1,In,In,,,,,,,,,,,,,T1//,,,");
    EXPECT_EQ(OnlyError("Biblia.csv", 2, "C1").message,
              "the entry \"\" does not begin with a book code T, E, M, P or S");

    SetUp();
    SetLine("Biblia.csv", 2, "1,John 1:1,In,In,,,,,,,,,,,,,T1/T,,,");
    EXPECT_NE(OnlyError("Biblia.csv", 2, "C1").message.find("not closed"), std::string::npos);
}

TEST_F(Builder, DanglingReferencesWarnAndStopOnlyAStrictBuild) {
    SetLine("LTexto.csv", 3, "2,Peace.,T-1.1:2,1,405/1,9,1");  // no passage 405, no section 9
    SetLine("Biblia.csv", 2, "1,John 1:1,In,In,,,,,,,,,,,,,T1/E77/,,,");  // no sentence E77
    SetLine("VLBiblia.csv", 3, "M,55,M-9,Gone.");                         // no sentence M55
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

TEST_F(Builder, BibleTablesOfOtherSizesThanTheCountersNameWarn) {
    Append("Biblia.csv", "405,Psalm 405,A verse.,A#verse.,,,,,,,,,,,,,,,,\r\n");
    SetLine("VLBiblia.csv", 2, "");
    SetLine("VLBiblia.csv", 3, "");
    BuildResult r = Build();
    EXPECT_TRUE(r.ok) << r.summary;
    std::vector<std::string> texts;
    for (const Diagnostic& d : r.diagnostics)
        texts.push_back(d.Text());
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "Biblia.csv: warning: 405 passages where the verse list counts 404: its "
                         "counter always reads \"/ 404 References\"",
                         "VLBiblia.csv: warning: 1119 rows where the \"Veloria to Bible\" list "
                         "counts 1121: its counter always reads \"/ 1121 References\""}));
    EXPECT_FALSE(Build(/*strict=*/true).ok);

    // Tables of one row name it in the singular.
    SetUp();
    std::map<std::string, std::string> files = testing::TinyCorpus();
    const std::string& bible = files["Biblia.csv"];
    files["Biblia.csv"] = bible.substr(0, bible.find("\r\n2,") + 2);
    Write(files);
    r = Build();
    ASSERT_EQ(r.diagnostics.size(), 1u);
    EXPECT_EQ(r.diagnostics[0].message.substr(0, 23), "1 passage where the ver");
}

TEST_F(Builder, AFailedBuildLeavesThePreviousDataDirectoryUntouched) {
    ASSERT_TRUE(Build().ok);
    WriteAll(data() / "Configura.db-wal", "previous");  // as the program left it
    const std::string before = ReadAll(data() / "LTexto.DB");

    SetLine("LTexto.csv", 2, "1,Changed.,T-1.1:1,x,1,1,1");
    EXPECT_FALSE(Build().ok);
    EXPECT_EQ(ReadAll(data() / "Configura.db-wal"), "previous");
    EXPECT_EQ(ReadAll(data() / "LTexto.DB"), before);
    // Nothing of the failed attempt is left beside it.
    for (const auto& entry : fs::directory_iterator(tmp_.path())) {
        EXPECT_TRUE(entry.path().filename() == "src" || entry.path().filename() == "data")
            << entry.path();
    }

    // A successful build replaces the whole directory.
    SetLine("LTexto.csv", 2, "1,Changed.,T-1.1:1,1,1,1,1");
    ASSERT_TRUE(Build().ok);
    EXPECT_FALSE(fs::exists(data() / "Configura.db-wal"));
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
    // In place of rows of the list, which keeps its size: thirty rows naming no sentence
    // (warnings), then one of no book code.
    for (int n = 0; n < 30; ++n)
        SetLine("VLBiblia.csv", 2 + n, "T," + std::to_string(100 + n) + ",T-9,Gone.");
    SetLine("VLBiblia.csv", 32, "X,1,T-1.1:1,Love.");
    const BuildResult r = Build();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.errors, 1);
    EXPECT_EQ(r.warnings, 30);
    int shown = 0;
    for (const Diagnostic& d : r.diagnostics) {
        if (d.error) {
            EXPECT_EQ(d.Text(),
                      "VLBiblia.csv:32: error: Libro: \"X\" is not a book code (T, E, M, P "
                      "or S)");
            ++shown;
        }
    }
    EXPECT_EQ(shown, 1);
    // The warnings past the cap are still summed up.
    EXPECT_EQ(r.diagnostics.back().Text(),
              "VLBiblia.csv: warning: 5 more problems in this file not shown");
}

TEST_F(Builder, AReferenceNamesOneSentenceOfItsVolume) {
    SetLine("LTexto.csv", 3, "2,Peace.,T-1.1:1 ,1,,1,1");  // line 2's reference, blank after
    const Diagnostic d = OnlyError("LTexto.csv", 3, "Referencia");
    EXPECT_NE(d.message.find("\"T-1.1:1\""), std::string::npos) << d.message;
    EXPECT_NE(d.message.find("(first on line 2)"), std::string::npos) << d.message;
    // Nor does a character that shows nothing (a soft hyphen) or shows as a blank (a no-break
    // space) make another reference of it.
    SetLine("LTexto.csv", 3, "2,Peace.,T-1.1\u00AD:1,1,,1,1");
    EXPECT_NE(OnlyError("LTexto.csv", 3, "Referencia").message.find("\"T-1.1\\u{AD}:1\""),
              std::string::npos);
    SetLine("LTexto.csv", 3, "2,Peace.,T-1.1:1\u00A0,1,,1,1");
    OnlyError("LTexto.csv", 3, "Referencia");

    // Across volumes the same reference is two sentences, and empty ones are not compared.
    SetUp();
    SetLine("LTexto.csv", 2, "1,\"Love is here, now.\",,1,1,1,1");
    SetLine("LTexto.csv", 3, "2,Peace.,,1,,1,1");
    SetLine("LEjercicio.csv", 2, "1,A lesson of peace.,T-1.2:1,1,,1,1");
    EXPECT_TRUE(Build().ok);
}

TEST_F(Builder, GlossaryTermsAReaderCannotTellApartAndAnEmptyGlossary) {
    Append("Glosario.csv", "Peace ,PEACE2,Again.,,,,,,,\r\n");
    EXPECT_EQ(OnlyError("Glosario.csv", 4, "NOMBRE").message,
              "duplicate key \"Peace \" (first on line 2)");

    // A glossary of no terms builds, with a word about it, and so does a volume of no sentences.
    SetLine("Glosario.csv", 4, "");
    SetLine("Glosario.csv", 3, "");
    SetLine("Glosario.csv", 2, "");
    SetLine("LOracion.csv", 2, "");
    const BuildResult r = Build();
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(AllText(r),
              "LOracion.csv: warning: no sentences: a search finds nothing in this volume\n"
              "Glosario.csv: warning: no terms: the glossary window lists none\n");
}

TEST_F(Builder, ControlCharactersAreRefusedTabsAndLineBreaksOnlyInTexts) {
    SetLine("LPsico.csv", 2, std::string("1,Healing\0 is shared.,P-1.1:1,,,1,1", 34));
    const Diagnostic nul = OnlyError("LPsico.csv", 2, "Umemo");
    EXPECT_NE(nul.message.find("a control character (U+0000) at character 8"), std::string::npos)
        << nul.message;

    SetUp();
    SetLine("LPsico.csv", 2, "1,Healing.,P-1.1:1\x1B[2J,,,1,1");  // a terminal escape
    const Diagnostic esc = OnlyError("LPsico.csv", 2, "Referencia");
    EXPECT_NE(esc.message.find("U+001B"), std::string::npos);
    EXPECT_EQ(esc.Text().find('\x1B'), std::string::npos) << "echoed raw";
    EXPECT_NE(esc.Text().find("\\u{1B}[2J"), std::string::npos) << esc.Text();

    SetUp();  // a number and a text key hold no layout either
    SetLine("LPsico.csv", 2, "1,Healing.,P-1.1:1,\"1\r\n\",,1,1");
    EXPECT_NE(OnlyError("LPsico.csv", 2, "Pagina").message.find("U+000D"), std::string::npos);
    SetUp();
    SetLine("Glosario.csv", 3, "\"\tÉlan\",ÉLAN,Élan,,,,,,,");
    EXPECT_NE(OnlyError("Glosario.csv", 3, "NOMBRE").message.find("U+0009"), std::string::npos);
    SetUp();  // the undefined codes of Windows-1252 are control characters too
    SetLine("LPsico.csv", 2, "1,Healing \u0081 shared.,P-1.1:1,,,1,1");
    EXPECT_NE(OnlyError("LPsico.csv", 2, "Umemo").message.find("U+0081"), std::string::npos);

    // A sentence may begin with a tab and a passage run over lines.
    SetUp();
    SetLine("LPsico.csv", 2, "1,\"\tHealing\r\nis shared.\",P-1.1:1,,,1,1");
    SetLine("Biblia.csv", 2,
            "1,John 1:1,In the beginning,\"In the#begin\r\n\",ning.,,,,,,,,,,,,T1/,,,");
    const BuildResult r = Build();
    EXPECT_TRUE(r.ok) << AllText(r);
}

TEST_F(Builder, AFileCutShortIsWarnedAbout) {
    std::string text = ReadAll(src() / "LOracion.csv");
    WriteAll(src() / "LOracion.csv", text.substr(0, text.size() - 2));  // no final CR LF
    BuildResult r = Build();
    EXPECT_TRUE(r.ok);
    ASSERT_EQ(r.warnings, 1) << AllText(r);
    EXPECT_EQ(r.diagnostics[0].Text(),
              "LOracion.csv:2: warning: the last line has no line break: the file may have been "
              "cut short");
    EXPECT_FALSE(Build(/*strict=*/true).ok);
}

TEST_F(Builder, WideEncodingsAndASecondByteOrderMarkAreNamed) {
    auto utf16le = [](std::string_view ascii) {
        std::string out = "\xFF\xFE";
        for (char c : ascii)
            out += std::string{c, '\0'};
        return out;
    };
    WriteAll(src() / "Indice_P.csv", utf16le("Num_I,Nom_1,Nom_2\r\n1,Chapter 1,Introduction\r\n"));
    EXPECT_NE(OnlyError("Indice_P.csv", 0, "").message.find("the file is UTF-16 (little-endian)"),
              std::string::npos);

    SetUp();
    WriteAll(src() / "Indice_P.csv", utf16le("Num_I,Nom_1,Nom_2\r\n").substr(2));  // no mark
    EXPECT_NE(OnlyError("Indice_P.csv", 0, "").message.find("UTF-16"), std::string::npos);

    SetUp();
    WriteAll(src() / "Indice_P.csv", std::string("\0\0\xFE\xFF\0\0\0N", 8));
    EXPECT_NE(OnlyError("Indice_P.csv", 0, "").message.find("UTF-32 (big-endian)"),
              std::string::npos);

    SetUp();
    WriteAll(src() / "Indice_P.csv", "\xEF\xBB\xBF\xEF\xBB\xBFNum_I,Nom_1,Nom_2\r\n");
    EXPECT_NE(OnlyError("Indice_P.csv", 1, "").message.find("a second byte order mark"),
              std::string::npos);
}

TEST_F(Builder, EchoedValuesAreEscapedAndCut) {
    const std::string name(100000, 'N');
    SetLine("Indice_S.csv", 1, "Num_I,Nom_1,Nom_2," + name);
    SetLine("Indice_S.csv", 2, "1,Chapter 1,Introduction,x");
    const BuildResult r = Build();
    ASSERT_EQ(r.errors, 1);
    const std::string text = r.diagnostics[0].Text();
    EXPECT_LT(text.size(), 300u) << text;
    EXPECT_NE(text.find("N...\" (100000 characters)"), std::string::npos) << text;

    // A direction override would turn the rest of the line around on a terminal, even where
    // the message quotes the character that cannot be held.
    SetUp();
    SetLine("LPsico.csv", 2, "1,Healing.,P-1.1:1,\u202E12,,1,1");
    const std::string shown = OnlyError("LPsico.csv", 2, "Pagina").Text();
    EXPECT_EQ(shown.find("\u202E"), std::string::npos);
    EXPECT_NE(shown.find("character \"\\u{202E}\" (U+202E)"), std::string::npos) << shown;
}

TEST_F(Builder, AFieldFarBeyondAnySentenceIsRefusedUnread) {
    // Refused by the reader as soon as it passes the limit, before it is copied or converted.
    SetLine("LTexto.csv", 3, "2,\"" + std::string(1 << 20, 'w') + "\",T-1.1:2,1,,1,1");
    EXPECT_EQ(OnlyError("LTexto.csv", 3, "").Text(),
              "LTexto.csv:3: error: a field of more than 196608 bytes, more than any field may "
              "hold");

    // A long text holds 65536 characters, and not one more.
    SetUp();
    SetLine("Frases.csv", 2, "1," + std::string(65536, 'w'));
    EXPECT_TRUE(Build().ok);
    SetLine("Frases.csv", 2, "1," + std::string(65537, 'w'));
    EXPECT_EQ(OnlyError("Frases.csv", 2, "Umemo").message,
              "65537 characters; a long text holds at most 65536");
}

TEST_F(Builder, ASourceLargerThanMemoryIsRefusedUnreadAndMemoryRunningOutIsAnError) {
    ASSERT_TRUE(Build().ok);
    const auto previous = testing::Snapshot(data());
    // A terabyte that takes no room on disk (sparse).
    fs::resize_file(src() / "Indice_S.csv", std::uintmax_t(1) << 40);
    EXPECT_EQ(OnlyError("Indice_S.csv", 0, "").message,
              "cannot be read: it holds 1099511627776 bytes (1 TiB), far more than any table of a "
              "corpus; at most 1 GiB is read");
    EXPECT_EQ(testing::Snapshot(data()), previous);

    // Memory running out while the sources are read and checked, and at the top of the tool.
    BuildOptions options;
    options.source = src();
    options.target = data();
    const BuildResult r = BuildDataDirectory(
        options, false, [](Reporter&) -> std::vector<SourceTable> { throw std::bad_alloc(); });
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(AllText(r),
              src().string() + ": error: out of memory while reading and checking the sources\n");
    EXPECT_EQ(testing::Snapshot(data()), previous);
    std::string name = "veloria-build-corpus", from = src().string(), to = data().string();
    char* argv[] = {name.data(), from.data(), to.data(), nullptr};
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunBuildCommand(3, argv, "usage",
                              [](const BuildOptions&) -> BuildResult { throw std::bad_alloc(); }),
              1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "veloria-build-corpus: error: out of memory; nothing built\n");
}

TEST_F(Builder, AnUnreadableTableBringsNoKnockOnWarnings) {
    // Biblia.csv's "T1/" and the citing sentence of VLBiblia.csv name sentence T1, and the
    // volume's rows name their headings: none of that can be checked without the volume.
    Append("LTexto.csv", "4,\"never closed\r\n");
    SetLine("Indice_T.csv", 2, "1,Chapter 1,\"open");
    BuildResult r = Build();
    EXPECT_EQ(r.errors, 2) << AllText(r);
    EXPECT_EQ(r.warnings, 0) << AllText(r);
}

}  // namespace
}  // namespace veloria::tools
