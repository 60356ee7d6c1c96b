// Internals shared by the sources of the document library (not installed): the
// whole-tree walks and the relocation of nodes.
#pragma once

#include <kor/Dom.h>

#include <cstddef>
#include <cstdint>
#include <new>

namespace kor {

// The walks over whole trees, kept free of recursion.
struct DomTree {
    // Destroys a container's storage and everything below it, allocating nothing.
    static void destroy(Dom::Kind kind, void* storage) noexcept;
    // Makes `target` (empty) a deep copy of `source`.
    static void copy(Dom& target, const Dom& source);
    static bool equal(const Dom& a, const Dom& b) noexcept;
};

// Bit-for-bit relocation of nodes. A node is its kind and one word that owns its
// storage, so copying both fields moves it; the source is then dead storage that
// must be neither used nor destroyed. The reader keeps the values waiting for their
// container in raw storage and hands them on this way, with no per-node moves.
struct DomNodes {
    // Constructs count nodes at `to` (raw storage) from the nodes at `from`.
    static void relocate(Dom* to, Dom* from, std::size_t count) noexcept {
        for (std::size_t k = 0; k < count; ++k) {
            Dom* node = new (to + k) Dom();
            node->m_kind = from[k].m_kind;
            node->m_value = from[k].m_value;
        }
    }
    // An array node of exactly `count` elements (no storage for 0): `fill(elements)`
    // relocates them into the raw storage at `elements` and must not throw. On an
    // exception (allocation) nothing has been relocated.
    template <typename Fill>
    static Dom array(std::size_t count, Fill fill) {
        Dom result;
        result.m_kind = Dom::Kind::Array;
        result.m_value.a = nullptr;
        if (count == 0) return result;
        Dom::ArrayBlock* block = Dom::ArrayBlock::allocate(count);
        fill(block->elements());
        block->size = static_cast<std::uint32_t>(count);
        result.m_value.a = block;
        return result;
    }
};

}  // namespace kor
