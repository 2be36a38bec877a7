#pragma once

#include <exception>
#include <latch>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace veloria::app {

// The start's work that needs no window: the splash's picture decoded, the font configuration
// read, the working tables made again where missing, the user's store opened, the tables of the
// first two windows opened and read, and the tip's pictures decoded. Begun on a thread of its own
// once Qt has started, it runs on the machine's other processor while the splash is shown and
// painted, instead of in front of the first window.
//
// The store is used by one thread at a time: nothing else touches it until Finish() has waited
// for the thread's work with the tables, and what the thread opened passes to the windows whole.
// The pictures are decoded after that, while the main window is made.
class StartPreparation {
  public:
    enum class Where { OwnThread, Here };

    // Begins the work, in the working directory as every window, on a thread of its own, or does
    // it all here and now.
    explicit StartPreparation(Where where = Where::OwnThread);
    ~StartPreparation();  // waits for the thread
    StartPreparation(const StartPreparation&) = delete;
    StartPreparation& operator=(const StartPreparation&) = delete;

    // Waits for the work. Throws what making the working tables again threw; otherwise returns
    // what opening the user's store has to tell the user, or an empty string. A table of the
    // first windows that could not be opened is not said here: its window says it when made.
    std::string Finish();
    // Waits for the rest of the work, and lets go of the tables read ahead, once the windows that
    // use them hold their own.
    void Release();

  private:
    void Run() noexcept;

    std::exception_ptr failure_;
    std::string studyMessage_;
    std::vector<std::shared_ptr<void>> kept_;
    std::latch ready_{1};  // the work with the tables done
    std::thread thread_;   // last: it begins once the rest is in place
};

}  // namespace veloria::app
