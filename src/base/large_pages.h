#pragma once
// An allocator for large rasters: a block of several megabytes starts on a huge-page boundary
// and asks the kernel for huge pages, so that a decoder writing it takes a few page faults
// instead of thousands. Smaller blocks are allocated as usual.
#include <cstddef>
#include <limits>
#include <memory>
#include <new>

namespace vexilo {

constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;
// From this size on a block gets huge pages (a 1920 x 1080 raster has 8 MB).
constexpr std::size_t kLargeBlockBytes = std::size_t{4} << 20;

// Asks for huge pages over the whole huge pages inside [block, block + bytes); a kernel without
// them ignores the advice.
void adviseHugePages(void* block, std::size_t bytes) noexcept;

template <typename T>
class LargePageAllocator {
public:
    using value_type = T;
    LargePageAllocator() = default;
    template <typename U>
    LargePageAllocator(const LargePageAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        // Small blocks, and counts beyond memory (which throw there), as usual.
        if (n < kLargeBlockBytes / sizeof(T) || n > std::numeric_limits<std::size_t>::max() / sizeof(T))
            return std::allocator<T>().allocate(n);
        void* block = ::operator new (n * sizeof(T), std::align_val_t{kHugePageBytes});
        adviseHugePages(block, n * sizeof(T));
        return static_cast<T*>(block);
    }
    void deallocate(T* block, std::size_t n) noexcept {
        if (n < kLargeBlockBytes / sizeof(T))
            std::allocator<T>().deallocate(block, n);
        else
            ::operator delete (block, std::align_val_t{kHugePageBytes});
    }
    friend bool operator==(const LargePageAllocator&, const LargePageAllocator&) { return true; }
};

}  // namespace vexilo
