#pragma once

#include <cstddef>
#include <thread>

namespace veloria::widgets {

// Memory fresh from the system that is about to be written whole (a window's backing store, a
// decoded picture): its pages are mapped by one call instead of one fault each at the first
// write. On a virtual machine a page's fault costs about what painting the page does, and a
// window's first paint takes hundreds. The contents are not touched. False where the kernel
// cannot (before Linux 5.14): the first write then faults the pages in as before.
bool MapPagesAtOnce(const void* begin, std::size_t bytes);

// The same on a thread of its own while the caller goes on, each page then read once there: a
// virtual machine that keeps its own tables of a process's pages charges the first touch of each
// page after its mapping again, about as much as the mapping. A window's backing store, painted
// once the window system has exposed the window, is made so while the window is activated.
// Nothing may write or free the memory until Wait() has returned; Start() and destroying wait for
// the memory given before.
class PagesMadeAhead {
  public:
    PagesMadeAhead() = default;
    ~PagesMadeAhead();
    PagesMadeAhead(const PagesMadeAhead&) = delete;
    PagesMadeAhead& operator=(const PagesMadeAhead&) = delete;

    void Start(const void* begin, std::size_t bytes);
    void Wait();

  private:
    std::thread thread_;
};

}  // namespace veloria::widgets
