#include "tools/BuildCommand.h"

#include <cstdio>
#include <exception>
#include <new>
#include <string_view>

#include "tools/DataDir.h"
#include "tools/Echo.h"

namespace veloria::tools {

int RunBuildCommand(int argc, char** argv, const char* usage,
                    BuildResult (*build)(const BuildOptions&)) {
    BuildOptions options;
    options.assets = DefaultDataDir();
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--strict") {
            options.strict = true;
        } else if (arg == "--no-assets") {
            options.assets.clear();
        } else if (arg == "--assets" && i + 1 < argc) {
            options.assets = argv[++i];
        } else if (arg.starts_with("-") || positional == 2) {
            positional = -1;
            break;
        } else {
            (positional == 0 ? options.source : options.target) = argv[i];
            ++positional;
        }
    }
    if (positional != 2) {
        std::fputs(usage, stderr);
        return 2;
    }
    BuildResult result;
    try {
        result = build(options);
    } catch (const std::bad_alloc&) {
        // A build reports its own problems; this is the last resort, so that the tool never ends
        // in an abort without a word.
        std::fprintf(stderr, "%s: error: out of memory; nothing built\n", argv[0]);
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: error: %s; nothing built\n", argv[0], Escaped(e.what()).c_str());
        return 1;
    }
    for (const auto& d : result.diagnostics)
        std::fprintf(stderr, "%s\n", d.Text().c_str());
    std::fprintf(result.ok ? stdout : stderr, "%s\n", result.summary.c_str());
    return result.ok ? 0 : 1;
}

}  // namespace veloria::tools
