// veloria-sample-corpus OUT_SRC_DIR [--seed N] [--scale K] [--sources FOLDER]
#include <charconv>
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "tools/SampleCorpus.h"

namespace {

int Usage() {
    std::fputs(
        "usage: veloria-sample-corpus OUT_SRC_DIR [--seed N] [--scale K] [--sources FOLDER]\n"
        "  Writes the CSV sources of the sample corpus into OUT_SRC_DIR, for\n"
        "  veloria-build-corpus. The same seed and scale always give the same files.\n"
        "  --seed N      the generator's seed (default 1)\n"
        "  --scale K     K times the volumes' sentences, for benchmarks (default 1)\n"
        "  --sources F   the committed sources (default: the checkout's data/corpus-sources)\n",
        stderr);
    return 2;
}

template <class T>
bool Parse(std::string_view text, T& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

int main(int argc, char** argv) {
    veloria::tools::SampleCorpusOptions options;
    std::string out;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--seed" && hasValue) {
            if (!Parse(argv[++i], options.seed))
                return Usage();
        } else if (arg == "--scale" && hasValue) {
            if (!Parse(argv[++i], options.scale) || options.scale < 1)
                return Usage();
        } else if (arg == "--sources" && hasValue) {
            options.sourcesDir = argv[++i];
        } else if (arg.starts_with("-") || !out.empty()) {
            return Usage();
        } else {
            out = argv[i];
        }
    }
    if (out.empty())
        return Usage();
    try {
        veloria::tools::WriteSampleCorpus(out, options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "veloria-sample-corpus: %s\n", e.what());
        return 1;
    }
    return 0;
}
