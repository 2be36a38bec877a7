// veloria-build-corpus SRC DIR [--strict] [--assets FOLDER | --no-assets]
#include "tools/BuildCommand.h"

int main(int argc, char** argv) {
    return veloria::tools::RunBuildCommand(
        argc, argv,
        "usage: veloria-build-corpus SRC DIR [--strict] [--assets FOLDER | --no-assets]\n"
        "  Builds the data directory DIR from the CSV sources in SRC, one file per content\n"
        "  table. DIR is replaced only when the whole build succeeds.\n"
        "  --strict     dangling cross-references are errors, not warnings\n"
        "  --assets F   copy F/pictures/* and F/Help.htm into DIR (default: the checkout's data)\n"
        "  --no-assets  copy no pictures or help page\n",
        &veloria::tools::BuildCorpus);
}
