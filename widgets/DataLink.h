#pragma once

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

    static void SyncAll();

  private:
    bool detached_ = false;
};

}  // namespace veloria::widgets
