#pragma once

#include <cstddef>

namespace veloria::widgets {

// Memory fresh from the system that is about to be written whole (a window's backing store, a
// decoded picture): its pages are mapped by one call instead of one fault each at the first
// write. On a virtual machine a page's fault costs about what painting the page does, and a
// window's first paint takes hundreds. The contents are not touched. False where the kernel
// cannot (before Linux 5.14): the first write then faults the pages in as before.
bool MapPagesAtOnce(const void* begin, std::size_t bytes);

}  // namespace veloria::widgets
