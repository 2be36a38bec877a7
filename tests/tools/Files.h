#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/store/TempDir.h"

namespace veloria::tools::testing {

using store::testing::TempDir;

inline std::string ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteAll(const std::filesystem::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
}

}  // namespace veloria::tools::testing
