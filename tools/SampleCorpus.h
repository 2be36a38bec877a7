#pragma once

#include <cstdint>
#include <filesystem>

#include "tools/DataDir.h"

// The generator of the sample corpus: the builder's CSV input for a corpus of the real work's
// shape and size, made up from scratch (prose from a small grammar, public-domain Bible text).
// The same seed and scale always give the same files, byte for byte.
namespace veloria::tools {

struct SampleCorpusOptions {
    std::uint64_t seed = 1;
    int scale = 1;  // the volumes' sentence counts are multiplied by it (benchmarks use 10)
    // The committed sources (kjv-passages.csv); empty: DefaultDataDir() / "corpus-sources".
    std::filesystem::path sourcesDir;
};

// Writes one CSV file per content table, and Texto_B.csv, into outDir (created when missing).
// Throws std::runtime_error when a source cannot be read or a file cannot be written.
void WriteSampleCorpus(const std::filesystem::path& outDir, const SampleCorpusOptions& options);

}  // namespace veloria::tools
