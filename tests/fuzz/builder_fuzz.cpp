// The corpus builder with one source file of any content in an otherwise sound corpus: it never
// throws, reports every problem as a diagnostic, keeps the previous data directory whole when it
// fails, replaces it when it succeeds, and leaves no work folder behind either way.
//
// Input: one byte choosing the file (and the strict mode), then the file's content.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/fuzz/Check.h"
#include "tools/CorpusBuilder.h"

namespace {

namespace fs = std::filesystem;
using veloria::tools::BuildCorpus;
using veloria::tools::BuildOptions;
using veloria::tools::BuildResult;
using veloria::tools::Diagnostic;

// A small, consistent corpus: every table with a row or two.
std::vector<std::pair<std::string, std::string>> Sound() {
    const std::string book = "Numero,Umemo,Referencia,Pagina,Biblia,Num_I,Parrafo2\n";
    const std::string index = "Num_I,Nom_1,Nom_2\n";
    return {
        {"LTexto.csv", book + "1,\"Love is here, now.\",T-1.1:1,1,1,1,1\n2,\"A second\nline.\","
                              "T-1.1:2,1,,1,1\n"},
        {"LEjercicio.csv", book + "1,A lesson of peace.,E-1.1:1,1,,1,1\n"},
        {"Maestro.csv", book + "1,A teacher.,M-1.1:1,1,,1,1\n2,A term.,C-1.1:1,2,,2,2\n"},
        {"LPsico.csv", book + "1,Healing is shared.,P-1.1:1,,,1,1\n"},
        {"LOracion.csv", book + "1,Prayer is a song.,S-1.1:1,,,1,1\n"},
        {"Indice_T.csv", index + "1,Chapter 1,Introduction\n"},
        {"Indice_E.csv", index + "1,PART I,Lesson 1\n"},
        {"Indice_M.csv", index + "1,MANUAL FOR TEACHERS,Introduction\n2,CLARIFICATION,Terms\n"},
        {"Indice_P.csv", index + "1,Chapter 1,Introduction\n"},
        {"Indice_S.csv", index + "1,Chapter 1,Introduction\n"},
        {"Glosario.csv",
         "NOMBRE,NOMBRE2,U1,U2,U3,U4,U5,U6,U7,Uposi\n"
         "Peace,PEACE,Peace#is#calm.#Note:#rest.,,,,,,,"
         "000000000000000000000016000\n"},
        {"Biblia.csv",
         "NUMERO,REFERENCIA,TEXTO,U1,U2,U3,U4,U5,U6,U7,U8,U9,U10,U11,U12,U13,"
         "C1,C2,C3,C4\n1,John 1:1,In the beginning,In the#beginning.,,,,,,,,,,,,,"
         "T1/,,,\n"},
        {"VLBiblia.csv", "Libro,Numero,Referencia,Pensamiento\nT,1,T-1.1:1,Love is here.\n"},
        // Three tips of the 880 the tip of the day draws: a warning, which fails a strict build
        // but keeps every run fast.
        {"Frases.csv", "NUMERO,Umemo\n1,Tip one.\n2,Tip two.\n880,The last tip.\n"},
        {"Texto_B.csv", ""},  // optional: absent unless chosen
    };
}

struct Workspace {
    fs::path root, source, target;
    std::vector<std::pair<std::string, std::string>> files = Sound();
};

void Write(const fs::path& file, std::string_view text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(text.data(), std::streamsize(text.size()));
    FUZZ_CHECK(out.good());
}

Workspace& Space() {
    static Workspace* space = [] {
        // Memory-backed where there is one: a successful build writes eighteen table files.
        const fs::path base =
            fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string pattern = (base / "veloria-builder-fuzz-XXXXXX").string();
        FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
        auto* s = new Workspace;
        s->root = pattern;
        s->source = s->root / "csv";
        s->target = s->root / "data";
        fs::create_directory(s->source);
        for (const auto& [name, text] : s->files) {
            if (!text.empty())
                Write(s->source / name, text);
        }
        std::atexit([] { std::filesystem::remove_all(Space().root); });
        return s;
    }();
    return *space;
}

// The target's inode, or 0 when there is none.
ino_t Inode(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    Workspace& w = Space();
    const std::size_t chosen = data[0] % w.files.size();
    const bool strict = (data[0] / w.files.size()) % 2 == 1;
    const auto& [name, sound] = w.files[chosen];
    Write(w.source / name, veloria::fuzz::Bytes(data + 1, size - 1));

    const ino_t before = Inode(w.target);
    BuildOptions options;
    options.source = w.source;
    options.target = w.target;
    options.strict = strict;
    const BuildResult r = BuildCorpus(options);

    FUZZ_CHECK(r.ok == (r.errors == 0));
    FUZZ_CHECK(!(r.ok && strict) || r.warnings == 0);
    FUZZ_CHECK(!r.summary.empty());
    int errors = 0;
    for (const Diagnostic& d : r.diagnostics) {
        FUZZ_CHECK(!d.file.empty() && !d.message.empty() && d.line >= 0);
        errors += d.error;
    }
    FUZZ_CHECK(errors <= r.errors && (r.ok || errors > 0));
    if (r.ok) {
        FUZZ_CHECK(Inode(w.target) != 0 && Inode(w.target) != before);
        FUZZ_CHECK(r.tables > 0);
    } else {
        FUZZ_CHECK(Inode(w.target) == before);  // the previous directory, or none, as it was
    }
    // Nothing beside the source and the target: no work folder, no set-aside old directory.
    for (const auto& entry : fs::directory_iterator(w.root)) {
        const fs::path& p = entry.path();
        FUZZ_CHECK(p == w.source || p == w.target);
    }

    if (sound.empty())
        fs::remove(w.source / name);
    else
        Write(w.source / name, sound);
    return 0;
}
