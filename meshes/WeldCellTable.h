// The weld's cell table: the representatives of each cell, in ascending order, in
// chunks.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

namespace kor {
namespace ShapeExport {
namespace detail {
namespace weld {
// Weld.cpp alone includes this: internal linkage, as if written there, so that the
// compiler inlines as freely as within one file.
namespace {

inline void PrefetchLine(const void* p) {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(p);
#else
    (void)p;
#endif
}

// The representatives of each cell, in ascending order. Cells live in an
// open-addressing table with linear probing, found by the top bits of their hash
// (kept in the slot, so that growing moves slots without hashing again; a clash of
// those bits only merges two cells' lists, which adds candidates). A slot holds the
// only representative of its cell or the first of a chain of chunks, and whether the
// cell spilled to the fine grid. A cell is named by its slot, valid until Reserve.
template <typename Idx, int kRun, int kMaxLoadPercent>
class CellTable {
public:
    using Cell = std::size_t;
    static constexpr Cell kNoCell = ~Cell(0);
    static constexpr Idx kNone = -1;

    explicit CellTable(std::size_t minimum) {
        while ((std::size_t(1) << m_bits) < minimum) ++m_bits;
        m_slots.assign(std::size_t(1) << m_bits, Slot{0, kEmpty});
        m_room = m_slots.size() / 100 * kMaxLoadPercent;
    }

    // Grows, if needed, so that `extra` more cells fill at most kMaxLoadPercent.
    void Reserve(std::size_t extra) {
        if (m_used + extra <= m_room) return;
        if (m_bits + 1 > kTagBits - 2) throw std::length_error("weld: too many cells");
        std::vector<Slot> old(std::size_t(1) << ++m_bits, Slot{0, kEmpty});
        old.swap(m_slots);
        for (const Slot& s : old) {
            if (s.tag == 0) continue;
            std::size_t i = Home(s.tag);
            while (m_slots[i].tag != 0) i = Next(i);
            m_slots[i] = s;
        }
        m_room = m_slots.size() / 100 * kMaxLoadPercent;
    }

    void Prefetch(std::uint64_t hash) const { PrefetchLine(&m_slots[Home(TagOf(hash))]); }

    Cell Find(std::uint64_t hash) const {
        const Tag tag = TagOf(hash);
        for (std::size_t i = Home(tag); m_slots[i].tag != 0; i = Next(i))
            if ((m_slots[i].tag & ~kSpilled) == tag) return i;
        return kNoCell;
    }

    Cell FindOrAdd(std::uint64_t hash) {
        const Tag tag = TagOf(hash);
        std::size_t i = Home(tag);
        for (; m_slots[i].tag != 0; i = Next(i))
            if ((m_slots[i].tag & ~kSpilled) == tag) return i;
        ++m_used;
        m_slots[i].tag = tag;
        return i;
    }

    bool Spilled(Cell c) const { return (m_slots[c].tag & kSpilled) != 0; }
    void MarkSpilled(Cell c) { m_slots[c].tag |= kSpilled; }

    // Calls scan(reps, n) for the representatives of cell c, ascending, in runs of n
    // (at most kRun) until it returns true.
    template <typename Scan>
    void ForEachRun(Cell c, Scan&& scan) const {
        const Idx& head = m_slots[c].head;
        if (head >= 0) {
            scan(&head, 1);
            return;
        }
        for (Idx k = head == kEmpty ? kNone : ~head; k != kNone;) {
            const Chunk& chunk = m_chunks[static_cast<std::size_t>(k)];
            if (scan(chunk.reps, chunk.count)) return;
            k = chunk.next;
        }
    }

    // Calls visit(rep) for the representatives of cell c, ascending, until it
    // returns true.
    template <typename Visit>
    void ForEach(Cell c, Visit&& visit) const {
        ForEachRun(c, [&](const Idx* reps, int n) {
            for (int j = 0; j < n; ++j)
                if (visit(reps[j])) return true;
            return false;
        });
    }

    // Enters rep in cell c in ascending order: later representatives move one place on.
    void Insert(Cell c, Idx rep) {
        Idx& head = m_slots[c].head;
        if (head == kEmpty || (head >= 0 && head < rep)) {
            Append(c, rep);
        } else if (head >= 0) {
            const Idx k = NewChunk(rep);
            Chunk& chunk = m_chunks[static_cast<std::size_t>(k)];
            chunk.reps[chunk.count++] = head;
            head = ~k;
        } else {
            Idx carry = rep;
            for (Idx k = ~head; k != kNone;) {
                Chunk& chunk = m_chunks[static_cast<std::size_t>(k)];
                for (int j = 0; j < chunk.count; ++j)
                    if (chunk.reps[j] > carry) std::swap(chunk.reps[j], carry);
                k = chunk.next;
            }
            Append(c, carry);  // now the highest
        }
    }

    // Appends rep, the newest representative so far, to cell c.
    void Append(Cell c, Idx rep) {
        Idx& head = m_slots[c].head;
        if (head == kEmpty) {
            head = rep;
        } else if (head >= 0) {  // the cell's second representative starts its chunks
            const Idx k = NewChunk(head);
            Chunk& chunk = m_chunks[static_cast<std::size_t>(k)];
            chunk.reps[chunk.count++] = rep;
            head = ~k;
        } else {
            const Idx last = m_chunks[static_cast<std::size_t>(~head)].last;
            Chunk& tail = m_chunks[static_cast<std::size_t>(last)];
            if (tail.count < kRun) {
                tail.reps[tail.count++] = rep;
                return;
            }
            const Idx k = NewChunk(rep);  // may move the chunks
            m_chunks[static_cast<std::size_t>(last)].next = k;
            m_chunks[static_cast<std::size_t>(~head)].last = k;
        }
    }

private:
    using Tag = std::conditional_t<sizeof(Idx) <= 4, std::uint32_t, std::uint64_t>;
    static constexpr int kTagBits = 8 * sizeof(Tag);
    static constexpr Tag kUsed = 1, kSpilled = 2;
    static constexpr Idx kEmpty = std::numeric_limits<Idx>::min();  // a cell without representative
    struct Slot {
        Tag tag;   // the top bits of the hash with kUsed, and kSpilled; 0: a free slot
        Idx head;  // the only representative, ~(first chunk), or kEmpty
    };
    struct Chunk {
        Idx reps[kRun];  // ascending
        Idx count;       // of reps in use
        Idx next;        // the next chunk of the cell, or kNone
        Idx last;        // in a cell's first chunk: its last chunk
    };

    static Tag TagOf(std::uint64_t hash) {
        return (static_cast<Tag>(hash >> (64 - kTagBits)) & ~(kUsed | kSpilled)) | kUsed;
    }
    std::size_t Home(Tag tag) const { return static_cast<std::size_t>(tag >> (kTagBits - m_bits)); }
    std::size_t Next(std::size_t i) const { return (i + 1) & (m_slots.size() - 1); }

    Idx NewChunk(Idx first) {
        const Idx k = static_cast<Idx>(m_chunks.size());
        Chunk c;
        c.reps[0] = first;
        c.count = 1;
        c.next = kNone;
        c.last = k;
        m_chunks.push_back(c);
        return k;
    }

    int m_bits = 10;
    std::vector<Slot> m_slots;
    std::deque<Chunk> m_chunks;  // never moved once made
    std::size_t m_used = 0;
    std::size_t m_room = 0;  // cells the slots take at kMaxLoadPercent
};

}  // namespace
}  // namespace weld
}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
