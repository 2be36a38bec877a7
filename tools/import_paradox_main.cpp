// veloria-import-paradox SRC DIR [--strict] [--assets FOLDER | --no-assets]
#include "tools/BuildCommand.h"
#include "tools/ParadoxImport.h"

int main(int argc, char** argv) {
    return veloria::tools::RunBuildCommand(
        argc, argv,
        "usage: veloria-import-paradox SRC DIR [--strict] [--assets FOLDER | --no-assets]\n"
        "  Builds the data directory DIR from the Paradox tables in SRC (LTexto.DB with its\n"
        "  LTexto.MB, Indice_T.db, ...), checked as the corpus builder checks its CSV sources.\n"
        "  DIR is replaced only when the whole import succeeds.\n"
        "  --strict     dangling cross-references are errors, not warnings\n"
        "  --assets F   copy F/pictures/* and F/Help.htm into DIR (default: the checkout's data)\n"
        "  --no-assets  copy no pictures or help page\n",
        &veloria::tools::ImportParadox);
}
