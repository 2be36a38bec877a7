#pragma once

#include <filesystem>

#include "tools/Corpus.h"

// Where a build goes, and what keeps a build from costing the user a folder: the target is
// refused before anything is read when a build could only do harm there, the leftovers of killed
// builds are cleared, and the new directory takes the old one's place only when it is complete.
namespace veloria::tools {

class TargetFolder {
  public:
    TargetFolder(const BuildOptions& options, Reporter& reporter);

    // The target as an absolute path, without a trailing separator.
    const std::filesystem::path& path() const { return target_; }

    // False, reported, when the target must be left as it is.
    bool Prepare();
    // Removes what killed builds of this target left beside it.
    void RemoveLeftovers();
    // A new, empty folder beside the target for the build to write into; empty when it cannot be
    // made (reported).
    std::filesystem::path MakeBuildingFolder();
    // Puts the built folder in the target's place; false, reported, when it cannot.
    bool Replace(const std::filesystem::path& built);

  private:
    void Error(const std::string& message);
    bool NothingForeign();

    const BuildOptions& options_;
    Reporter& reporter_;
    std::filesystem::path target_;
};

// Writes the builder's mark into a folder being built: first bare, so that even a build killed
// halfway leaves a folder the next build knows as its own; at the end with the names of every
// file in it, so that a later build replaces those and nothing else. Throws std::runtime_error.
void WriteMark(const std::filesystem::path& dir, bool listFiles);

}  // namespace veloria::tools
