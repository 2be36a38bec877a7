#pragma once

#include <filesystem>
#include <string>

#include "store/FileDescriptor.h"

namespace veloria::widgets {

// A process-wide named guard that tells whether another copy of the program runs, held twice:
// in the user's runtime directory, for the session, and in the data directory, so that two
// sessions of one user (two displays, a remote one) never run two programs on one directory,
// each writing the other's results. Each is a lock on a file: the system drops it when the
// holding process ends in any way, so a copy that crashed never locks the user out.
class SingleInstance {
  public:
    // dataDir: the directory the program works in (its working directory by default).
    explicit SingleInstance(const std::string& name, const std::filesystem::path& dataDir = ".");

    // True when another live process holds the guard of this name or of this data directory.
    bool AlreadyRunning() const { return alreadyRunning_; }
    // True when neither guard could be set up; start-up then goes on without one.
    bool Unguarded() const { return !session_ && !data_ && !alreadyRunning_; }

  private:
    store::FileDescriptor session_;
    store::FileDescriptor data_;
    bool alreadyRunning_ = false;
};

}  // namespace veloria::widgets
