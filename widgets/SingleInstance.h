#pragma once

#include <string>

namespace veloria::widgets {

// A process-wide named guard that tells whether another copy of the program runs. It is a lock on
// a file in the user's runtime directory: the system drops the lock when the holding process ends
// in any way, so a copy that crashed never locks the user out.
class SingleInstance {
  public:
    explicit SingleInstance(const std::string& name);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when another live process holds the guard of this name.
    bool AlreadyRunning() const { return alreadyRunning_; }
    // True when the guard could not be set up at all; start-up then goes on without one.
    bool Unguarded() const { return fd_ < 0 && !alreadyRunning_; }

  private:
    int fd_ = -1;
    bool alreadyRunning_ = false;
};

}  // namespace veloria::widgets
