// veloria-build-corpus SRC DIR [--strict] [--assets FOLDER | --no-assets]
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "tools/CorpusBuilder.h"
#include "tools/DataDir.h"

namespace {

int Usage() {
    std::fputs(
        "usage: veloria-build-corpus SRC DIR [--strict] [--assets FOLDER | --no-assets]\n"
        "  Builds the data directory DIR from the CSV sources in SRC, one file per content\n"
        "  table. DIR is replaced only when the whole build succeeds.\n"
        "  --strict     dangling cross-references are errors, not warnings\n"
        "  --assets F   copy F/pictures/* and F/Help.htm into DIR (default: the checkout's data)\n"
        "  --no-assets  copy no pictures or help page\n",
        stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    veloria::tools::BuildOptions options;
    options.assets = veloria::tools::DefaultDataDir();
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--strict") {
            options.strict = true;
        } else if (arg == "--no-assets") {
            options.assets.clear();
        } else if (arg == "--assets" && i + 1 < argc) {
            options.assets = argv[++i];
        } else if (arg.starts_with("-")) {
            return Usage();
        } else if (positional == 0) {
            options.source = argv[i];
            ++positional;
        } else if (positional == 1) {
            options.target = argv[i];
            ++positional;
        } else {
            return Usage();
        }
    }
    if (positional != 2)
        return Usage();
    const veloria::tools::BuildResult result = veloria::tools::BuildCorpus(options);
    for (const auto& d : result.diagnostics)
        std::fprintf(stderr, "%s\n", d.Text().c_str());
    std::fprintf(result.ok ? stdout : stderr, "%s\n", result.summary.c_str());
    return result.ok ? 0 : 1;
}
