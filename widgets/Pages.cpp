#include "widgets/Pages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace veloria::widgets {

bool MapPagesAtOnce(const void* begin, std::size_t bytes) {
    if (!begin || bytes == 0)
        return true;
    static const std::uintptr_t page = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<std::uintptr_t>(begin);
    const std::uintptr_t first = start & ~(page - 1);
    return ::madvise(reinterpret_cast<void*>(first), start + bytes - first, MADV_POPULATE_WRITE) ==
           0;
}

}  // namespace veloria::widgets
