#pragma once

#include <exception>
#include <latch>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace veloria::app {

// The start's work that needs no window, on two threads of its own once Qt has started: on one,
// the splash's picture decoded, the font configuration read and the first windows' fonts matched,
// then the tip's pictures decoded; on the other, the working tables made again where missing, the
// user's store opened, and the tables of the first two windows opened and read. While the splash
// is shown and painted the main thread mostly waits on the display server, and both run on the
// machine's two processors; one thread doing both left the main thread waiting for it.
//
// The store is used by one thread at a time: nothing else touches it until Finish() has waited
// for the work with the tables, and what the thread opened passes to the windows whole. The tip's
// pictures are decoded after that, while the main window is made.
class StartPreparation {
  public:
    enum class Where { OwnThread, Here };

    // Begins the work, in the working directory as every window, on threads of their own, or does
    // it all here and now.
    explicit StartPreparation(Where where = Where::OwnThread);
    ~StartPreparation();  // waits for the threads
    StartPreparation(const StartPreparation&) = delete;
    StartPreparation& operator=(const StartPreparation&) = delete;

    // Waits for the work with the fonts and the tables. Throws what making the working tables again
    // threw; otherwise returns what opening the user's store has to tell the user, or an empty
    // string. A table of the first windows that could not be opened is not said here: its window
    // says it when made.
    std::string Finish();
    // Waits for the rest of the work, and lets go of the tables read ahead, once the windows that
    // use them hold their own.
    void Release();

  private:
    void PrepareFonts() noexcept;
    void PrepareTables() noexcept;

    std::exception_ptr failure_;
    std::string studyMessage_;
    std::vector<std::shared_ptr<void>> kept_;
    std::latch ready_{2};  // the work with the fonts and with the tables done
    // Last: they begin once the rest is in place.
    std::thread fonts_;
    std::thread tables_;
};

}  // namespace veloria::app
