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

PagesMadeAhead::~PagesMadeAhead() {
    Wait();
}

void PagesMadeAhead::Start(const void* begin, std::size_t bytes) {
    Wait();
    if (!begin || bytes == 0)
        return;
    thread_ = std::thread([begin, bytes] {
        MapPagesAtOnce(begin, bytes);
        const auto* bytesOf = static_cast<const volatile unsigned char*>(begin);
        const std::size_t page = std::size_t(::sysconf(_SC_PAGESIZE));
        for (std::size_t at = 0; at < bytes; at += page)
            (void)bytesOf[at];
        (void)bytesOf[bytes - 1];
    });
}

void PagesMadeAhead::Wait() {
    if (thread_.joinable())
        thread_.join();
}

}  // namespace veloria::widgets
