#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "store/Sqlite.h"
#include "tests/tools/Files.h"
#include "tools/CorpusBuilder.h"

namespace veloria::tools::testing {

namespace fs = std::filesystem;

// A complete, small corpus: every table with a row or two, all of it consistent.
inline std::map<std::string, std::string> TinyCorpus() {
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
    // As many passages and citing sentences as the Bible windows' counters name.
    std::string passages =
        "NUMERO,REFERENCIA,TEXTO,U1,U2,U3,U4,U5,U6,U7,U8,U9,U10,U11,U12,U13,C1,C2,C3,C4\r\n"
        "1,John 1:1,In the beginning,In the#begin,ning.,,,,,,,,,,,,T1/,,,\r\n";
    for (int n = 2; n <= 404; ++n)
        passages += std::to_string(n) + ",Psalm " + std::to_string(n) + ",A verse.,A#verse.," +
                    std::string(12, ',') + ",,,\r\n";
    files["Biblia.csv"] = passages;
    std::string citing = "Libro,Numero,Referencia,Pensamiento\r\n";
    for (int n = 1; n <= 1121; ++n)
        citing += "T,1,T-1.1:1,\"Love is here, now.\"\r\n";
    files["VLBiblia.csv"] = citing;
    std::string tips = "NUMERO,Umemo\r\n";
    for (int n = 1; n <= 880; ++n)
        tips += std::to_string(n) + ",Tip " + std::to_string(n) + ".\r\n";
    files["Frases.csv"] = tips;
    return files;
}

// Every file below a folder with its bytes (a folder as its name with a "/"), for telling whether
// a refused build left it exactly as it was.
inline std::map<std::string, std::string> Snapshot(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        const std::string name = fs::relative(entry.path(), dir).string();
        if (entry.is_directory())
            files[name + "/"];
        else
            files[name] = ReadAll(entry.path());
    }
    return files;
}

// Every diagnostic of a build as the user reads it, one a line.
inline std::string AllText(const BuildResult& r) {
    std::string all;
    for (const Diagnostic& d : r.diagnostics)
        all += d.Text() + "\n";
    return all;
}

// A source folder holding the tiny corpus, and a data directory beside it.
class BuilderTest : public ::testing::Test {
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
    BuildResult Build(bool strict = false) { return BuildTo(data(), strict); }
    BuildResult BuildTo(const fs::path& target, bool strict = false) {
        BuildOptions options;
        options.source = src();
        options.target = target;
        options.strict = strict;
        return BuildCorpus(options);
    }
    // The one diagnostic of a failed build, checked to name file and line.
    Diagnostic OnlyError(const std::string& file, int line, const std::string& field) {
        return OnlyError(Build(), file, line, field);
    }
    static Diagnostic OnlyError(const BuildResult& r, const std::string& file, int line,
                                const std::string& field) {
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

    TempDir tmp_;
};

}  // namespace veloria::tools::testing
