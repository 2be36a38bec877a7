#pragma once

#include "tools/CorpusBuilder.h"

namespace veloria::tools {

// The command line the corpus builder and the Paradox importer share:
//   NAME SRC DIR [--strict] [--assets FOLDER | --no-assets]
// Prints every diagnostic and the summary; returns the exit status (0 built, 1 not built,
// 2 a wrong command line). usage is the text printed for a wrong one.
int RunBuildCommand(int argc, char** argv, const char* usage,
                    BuildResult (*build)(const BuildOptions&));

}  // namespace veloria::tools
