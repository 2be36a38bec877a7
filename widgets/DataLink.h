#pragma once

#include <string>

// Controls bound to a table handle follow the handle's current row and rows by themselves. The
// tables tell nobody when they move, so the bound controls look after every event handler (and
// whenever the window repaints them) and catch up.
namespace veloria::widgets {

class DataLink {
  public:
    DataLink();
    virtual ~DataLink();
    DataLink(const DataLink&) = delete;
    DataLink& operator=(const DataLink&) = delete;

    // Shows the table's current state if it changed since last time.
    virtual void SyncFromData() = 0;
    // No more following: the window that owns the table is going away.
    void Detach() { detached_ = true; }
    bool Detached() const { return detached_; }

    // Every link that is not detached follows its table. A failure is passed on (the first
    // new one of the pass) after the other links have had their turn; a link that goes on
    // failing the same way is not reported again until it has succeeded.
    static void SyncAll();

  private:
    bool detached_ = false;
    std::string failure_;  // the message of the link's last failure; empty after a success
};

}  // namespace veloria::widgets
