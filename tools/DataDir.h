#pragma once

#include <filesystem>

namespace veloria::tools {

// The checkout's data folder (the sample corpus's sources, the pictures and the help page), as
// configured when the tools were built.
inline std::filesystem::path DefaultDataDir() {
    return VELORIA_SOURCE_DATA_DIR;
}

}  // namespace veloria::tools
