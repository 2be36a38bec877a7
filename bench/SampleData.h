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

}  // namespace veloria::bench
