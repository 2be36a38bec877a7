#pragma once

#include <filesystem>
#include <stdexcept>

#include "tests/store/TempDir.h"
#include "tools/CorpusBuilder.h"
#include "tools/SampleCorpus.h"

namespace veloria::bench {

// The generated sample corpus (scale times its sentences), built into the data directory `data`.
inline void BuildSample(const std::filesystem::path& data, int scale = 1) {
    const store::testing::TempDir sources;
    tools::SampleCorpusOptions sample;
    sample.scale = scale;
    tools::WriteSampleCorpus(sources.path(), sample);
    tools::BuildOptions build;
    build.source = sources.path();
    build.target = data;
    const tools::BuildResult built = tools::BuildCorpus(build);
    if (!built.ok)
        throw std::runtime_error("sample corpus: " + built.summary);
}

// The pictures and the help page the program finds beside its tables in an installed data
// directory: without them, a window that shows a picture reports the missing file instead.
inline void AddProgramFiles(const std::filesystem::path& data) {
    const std::filesystem::path source = std::filesystem::path(VELORIA_SOURCE_DIR) / "data";
    for (const auto& picture : std::filesystem::directory_iterator(source / "pictures"))
        std::filesystem::copy_file(picture.path(), data / picture.path().filename(),
                                   std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(source / "Help.htm", data / "Help.htm",
                               std::filesystem::copy_options::overwrite_existing);
}

}  // namespace veloria::bench
