// Internal layout of kor::Dom containers, shared by the sources of the document
// library (not installed).
#pragma once

#include <kor/Dom.h>

#include <cstddef>
#include <cstdint>

namespace kor {

// An array's storage: the element count and capacity, then the elements, in one
// allocation. Only the first `size` elements are constructed.
struct Dom::ArrayBlock {
    std::uint32_t size;
    std::uint32_t capacity;

    Dom* elements() noexcept { return reinterpret_cast<Dom*>(this + 1); }
    const Dom* elements() const noexcept { return reinterpret_cast<const Dom*>(this + 1); }

    // Storage for `capacity` elements (1 ... 2^32 - 1), none constructed, size 0.
    // Throws std::length_error above the limit and std::bad_alloc.
    static ArrayBlock* allocate(std::size_t capacity);
    // Frees the storage; the elements must already be destroyed.
    static void deallocate(ArrayBlock* block) noexcept;
};

// The walks over whole trees, kept free of recursion.
struct DomTree {
    // Destroys a container's storage and everything below it, allocating nothing.
    static void destroy(Dom::Kind kind, void* storage) noexcept;
    // Makes `target` (empty) a deep copy of `source`.
    static void copy(Dom& target, const Dom& source);
    static bool equal(const Dom& a, const Dom& b) noexcept;
};

}  // namespace kor
