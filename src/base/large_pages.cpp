#include "base/large_pages.h"

#include <sys/mman.h>

#include <cstdint>

namespace vexilo {

void adviseHugePages(void* block, std::size_t bytes) noexcept {
#ifdef MADV_HUGEPAGE
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (start + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
    const std::uintptr_t end = (start + bytes) & ~(kHugePageBytes - 1);
    if (end > first) ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
    (void)block;
    (void)bytes;
#endif
}

}  // namespace vexilo
