// Replaces the global allocation functions with counting ones on top of malloc.
#include "AllocationCounter.h"

#include <malloc.h>

#include <cstdlib>
#include <new>

namespace {

std::size_t g_current = 0;
std::size_t g_peak = 0;

// Freed memory stays with the process and large blocks come from the heap, so that
// a timed run does not pay for mapping fresh pages whenever the allocator happens to
// hand some out (as a long-running host would not): both sides of a comparison run
// on memory the process already holds.
const bool g_heapKept = mallopt(M_TRIM_THRESHOLD, -1) && mallopt(M_MMAP_THRESHOLD, 1 << 30);

void* Allocate(std::size_t size, std::size_t alignment) {
    if (size == 0) size = 1;
    void* p = alignment > alignof(std::max_align_t)
                  ? std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment)
                  : std::malloc(size);
    if (p == nullptr) throw std::bad_alloc();
    g_current += malloc_usable_size(p);
    if (g_current > g_peak) g_peak = g_current;
    return p;
}

void Release(void* p) noexcept {
    if (p == nullptr) return;
    g_current -= malloc_usable_size(p);
    std::free(p);
}

}  // namespace

namespace bench {
std::size_t AllocatedBytes() { return g_current; }
std::size_t PeakBytes() { return g_peak; }
void ResetPeak() { g_peak = g_current; }
}  // namespace bench

void* operator new(std::size_t size) { return Allocate(size, 0); }
void* operator new[](std::size_t size) { return Allocate(size, 0); }
void* operator new(std::size_t size, std::align_val_t a) { return Allocate(size, static_cast<std::size_t>(a)); }
void* operator new[](std::size_t size, std::align_val_t a) { return Allocate(size, static_cast<std::size_t>(a)); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size, 0);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size, 0);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
void operator delete(void* p, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { Release(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }
