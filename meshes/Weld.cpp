// The welded copy: every named position, in ascending order, merges into the
// lowest-numbered representative (kept position) that it is Near, or becomes a
// representative itself. The result equals comparing each position with all
// representatives; this file only skips comparisons that cannot succeed.
//
// Near(a, b) is false exactly when ((dx*dx + dy*dy) + dz*dz) >= kNearSquared, so a
// NaN squared distance counts as near. Positions fall into three kinds:
//
//  * A NaN component makes every squared distance NaN: the position is near every
//    position. It is a representative only as the first one, and then every later
//    position merges into it; otherwise it merges into the first representative.
//  * With infinite components (no NaN): the same infinity in one component makes
//    that difference NaN, so the two are near; an infinity facing a finite value or
//    the opposite infinity squares to +inf and they are not. Such a position is near
//    exactly the representatives sharing one of its infinities (lowest kept per
//    component and sign) or a NaN first representative.
//  * All-finite positions are near only all-finite representatives (or a NaN first
//    one). Their computed squared distance is the true one within a few ulps and no
//    term rounds below zero, so the true distances of a near pair along any axes
//    have squares summing below kReach^2.
//
// Finite representatives are found through a grid of cubic coarse cells, each split
// into fine ones; both edges are powers of two above 2 * kReach, so that within
// kReach of a coordinate lies at most one cell border per axis. The grid is shifted
// by a random fraction of a coarse cell per call, so that positions cannot be placed
// on cell borders or corners on purpose. A neighbour cell counts only if its box
// lies within kReach of the position (the squared gaps to its borders sum below
// kReach^2).
//  * The coarse grid enters a representative in its own cell and the neighbour
//    cells within kReach; a query reads its own cell only. A coarse cell takes at
//    most kCoarseCellLimit representatives.
//  * A representative that would enter a full or spilled coarse cell goes to the
//    fine grid instead, in its own cell only, and spills each of its coarse cells:
//    marks it and enters the representatives it lists in the fine grid too (in
//    order). A query in a spilled coarse cell reads its fine cell and the
//    neighbours within kReach instead of the coarse cell.
// Every near representative is thus met, and every candidate is tested with the
// exact Near arithmetic. A coordinate of magnitude 2^40 or more is further than kReach
// from any other value, so a near one holds the very same value: such a component is
// keyed by its bits, without neighbour.
//
// Order: each cell lists its representatives in ascending order (they are appended
// as they are found, or put in place when a spilled coarse cell hands them over).
// So the first near one of a cell is the lowest near one there, and the answer is
// the least of those firsts over the cells read.
//
// Cost: a full coarse cell bounds what a query reads there; a fine cell holds few
// representatives, since no two of them are near; the cell hash is seeded per call,
// so positions cannot be chosen to pile up in one probe run.
//
// Memory: the cells' chunks grow in blocks (BlockArray), never holding two copies at
// once; where most fine cells hold two or three representatives, a doubling vector's
// old and new array together took more than the mesh itself.
#include "Weld.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kor {
namespace ShapeExport {
namespace detail {

namespace {

constexpr double kNearSquared = Position::kNearDistance2;

constexpr double SquareRoot(double x) {
    double y = x > 1.0 ? x : 1.0;
    for (int k = 0; k < 100; ++k) y = 0.5 * (y + x / y);
    return y;
}

constexpr double PowerOfTwoAbove(double x) {
    double p = 1.0;
    while (p > x) p *= 0.5;
    while (p <= x) p *= 2.0;
    return p;
}

// Above every distance between two Near finite positions (the margin covers the
// rounding of the squared distance many times over).
constexpr double kReach = SquareRoot(kNearSquared) * (1.0 + 0x1.0p-20);
static_assert(kReach * kReach > kNearSquared * (1.0 + 0x1.0p-30), "kReach must bound the tolerance");

constexpr double kFineEdge = PowerOfTwoAbove(2.0 * kReach);     // 2^-12 for the tolerance 1e-8
constexpr double kCoarseEdge = PowerOfTwoAbove(16.0 * kReach);  // 2^-9
// Coordinates at or beyond this are more than kReach apart from any other value (the
// spacing of doubles just below it is 2^-53 of it), so a near one holds the very
// same value.
constexpr double kHuge = PowerOfTwoAbove(kReach) * 0x1.0p53;  // 2^40
static_assert(kHuge * 0x1.0p-53 > kReach, "distinct huge coordinates are never near");
static_assert(kHuge / kCoarseEdge <= 0x1.0p51, "scaled coordinates round exactly by adding 1.5 * 2^52");

constexpr int kCoarseCellLimit = 4;  // representatives a coarse cell takes before it spills
// Representatives per chunk of a cell's list: a coarse cell holds a few, a fine cell
// in a dense cluster a dozen or more, read in one go.
constexpr int kCoarseRun = 5;
constexpr int kFineRun = 13;
// How full a cell table may get before it doubles. A query in a dense cluster looks
// up about five fine cells one after the other, and a probe run grows quickly with
// the load; the one coarse cell of a query is fetched ahead, and the coarse table
// is the larger where clusters are sparse (a representative enters up to eight).
constexpr int kCoarseMaxLoadPercent = 75;
constexpr int kFineMaxLoadPercent = 50;
constexpr int kShiftSteps = 512;  // grid shifts are multiples of 1/kShiftSteps of a coarse cell
constexpr int kMaxCellsPerPosition = 8;
// Fine cells one position may add: its own and those of the representatives of the
// coarse cells it spills.
constexpr int kFineCellsPerPosition = 1 + kMaxCellsPerPosition * kCoarseCellLimit;
constexpr std::size_t kPrefetchDistance = 16;              // how many positions ahead a coarse cell is fetched
constexpr std::size_t kAheadRing = 2 * kPrefetchDistance;  // positions looked at: ahead and at hand
// Below this many positions, 32-bit numbers: tables stay below 2^30 slots.
constexpr std::size_t kNarrowPositions = std::size_t(1) << 26;

inline void PrefetchLine(const void* p) {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(p);
#else
    (void)p;
#endif
}

inline bool IsNear(const Position& a, const Position& b) {
    // The arithmetic of Position::Near, inlined.
    const double dx = a.X() - b.X();
    const double dy = a.Y() - b.Y();
    const double dz = a.Z() - b.Z();
    return !(((dx * dx + dy * dy) + dz * dz) >= kNearSquared);
}

// The candidates near one position p, by IsNear's arithmetic: one at a time, or two
// at once where the instruction set has two-double registers (SSE2 on every x86-64).
class NearTest {
public:
    explicit NearTest(const Position& p)
        : m_p(p)
#if defined(__SSE2__)
          ,
          m_x(_mm_set1_pd(p.X())),
          m_y(_mm_set1_pd(p.Y())),
          m_z(_mm_set1_pd(p.Z()))
#endif
    {
    }

    bool One(const Position& a) const { return IsNear(m_p, a); }

    // Whether a and b are each near p: bits 0 and 1.
    int Pair(const Position& a, const Position& b) const {
#if defined(__SSE2__)
        const __m128d dx = _mm_sub_pd(m_x, _mm_set_pd(b.X(), a.X()));
        const __m128d dy = _mm_sub_pd(m_y, _mm_set_pd(b.Y(), a.Y()));
        const __m128d dz = _mm_sub_pd(m_z, _mm_set_pd(b.Z(), a.Z()));
        const __m128d d2 = _mm_add_pd(_mm_add_pd(_mm_mul_pd(dx, dx), _mm_mul_pd(dy, dy)), _mm_mul_pd(dz, dz));
        return _mm_movemask_pd(_mm_cmpnge_pd(d2, _mm_set1_pd(kNearSquared)));  // not >=: NaN counts as near
#else
        return static_cast<int>(One(a)) | static_cast<int>(One(b)) << 1;
#endif
    }

private:
    const Position& m_p;
#if defined(__SSE2__)
    __m128d m_x, m_y, m_z;
#endif
};

inline bool IsFinite(const Position& p) { return std::isfinite(p.X()) && std::isfinite(p.Y()) && std::isfinite(p.Z()); }

inline bool HasNaN(const Position& p) { return std::isnan(p.X()) || std::isnan(p.Y()) || std::isnan(p.Z()); }

inline std::uint64_t Mix(std::uint64_t h) {  // a bijective 64-bit finaliser
    h = (h ^ (h >> 33)) * 0xFF51AFD7ED558CCDull;
    h = (h ^ (h >> 33)) * 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 33);
}

// The cell of one finite coordinate and the place in the cell, in [0, 1).
struct AxisCell {
    std::int64_t key;
    double place;
};

struct Cells {
    AxisCell axis[3];
};

template <const double& kEdge>
struct Level {
    static constexpr double kReachInCells = kReach / kEdge;
    static_assert(kReachInCells < 0.5, "at most one neighbour cell per axis");

    // The neighbour (-1, +1, or 0 for none) whose border lies within kReach of a place.
    static int Side(double place) {
        return static_cast<int>(1.0 - place < kReachInCells) - static_cast<int>(place < kReachInCells);
    }
    // The gap to that border in cell edges (without a neighbour: to the nearer border).
    static double Gap(double place) { return std::min(place, 1.0 - place); }

    static bool Inside(const Cells& c) {
        return Side(c.axis[0].place) == 0 && Side(c.axis[1].place) == 0 && Side(c.axis[2].place) == 0;
    }
};
using Coarse = Level<kCoarseEdge>;
using Fine = Level<kFineEdge>;
constexpr int kFinePerCoarse = static_cast<int>(kCoarseEdge / kFineEdge);
static_assert(kFinePerCoarse * kFineEdge == kCoarseEdge, "fine cells tile a coarse cell");

// A grid of cubic coarse cells of edge kCoarseEdge, each split into fine cells of
// edge kFineEdge, shifted per call by a random fraction of a coarse cell along each
// axis (a multiple of 1/kShiftSteps), so that positions cannot be placed on its
// borders on purpose. The key, floor(v / kCoarseEdge + shift), is a non-decreasing
// function of v, and the place within the cell is rounded by at most 2^-53 of a
// cell (2^-50 of a fine one), far inside the margin of kReach. A fine cell is found
// from the coarse cell's key and place alone (both edges are powers of two).
class Grid {
public:
    explicit Grid(std::uint64_t random) {
        for (double& shift : m_shift) {
            shift = static_cast<double>(random % kShiftSteps) / kShiftSteps;
            random /= kShiftSteps;
        }
    }

    AxisCell CellOf(int axis, double v) const {
        if (!(v < kHuge && v > -kHuge)) return HugeCell(v);
        // Without branches: signs, shifts and places in a cell are unpredictable.
        const double s = v * (1.0 / kCoarseEdge);  // exact: a power of two
        std::int64_t k = static_cast<std::int64_t>(s);
        k -= static_cast<std::int64_t>(static_cast<double>(k) > s);  // floor
        double place = (s - static_cast<double>(k)) + m_shift[axis];
        const int wrap = place >= 1.0 ? 1 : 0;
        return {k + wrap, place - wrap};
    }

    Cells CellsOf(const Position& p) const {
#if defined(__SSE2__)
        Cells c;
        CellsOf(_mm_set_pd(p.Y(), p.X()), _mm_loadu_pd(m_shift), c.axis[0], c.axis[1]);
        AxisCell z;
        CellsOf(_mm_set1_pd(p.Z()), _mm_set1_pd(m_shift[2]), c.axis[2], z);
        return c;
#else
        return {{CellOf(0, p.X()), CellOf(1, p.Y()), CellOf(2, p.Z())}};
#endif
    }

    static AxisCell FineOf(const AxisCell& coarse) {
        const double s = coarse.place * kFinePerCoarse;  // exact, in [0, kFinePerCoarse)
        const int sub = static_cast<int>(s);
        const std::uint64_t key = static_cast<std::uint64_t>(coarse.key) * kFinePerCoarse + static_cast<unsigned>(sub);
        return {static_cast<std::int64_t>(key), s - sub};
    }

    static Cells FineOf(const Cells& coarse) {
        return {{FineOf(coarse.axis[0]), FineOf(coarse.axis[1]), FineOf(coarse.axis[2])}};
    }

#if defined(__SSE2__)
    // CellOf of two coordinates at once, in two-double registers: the floor by
    // rounding with 1.5 * 2^52 added (exact below kHuge), the key from the sum's bits.
    static void CellsOf(__m128d v, __m128d shift, AxisCell& a, AxisCell& b) {
        const __m128d one = _mm_set1_pd(1.0);
        const __m128d round = _mm_set1_pd(0x1.8p52);
        const __m128d magnitude = _mm_and_pd(v, _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFF)));
        const __m128d huge = _mm_cmpge_pd(magnitude, _mm_set1_pd(kHuge));
        const __m128d s = _mm_mul_pd(v, _mm_set1_pd(1.0 / kCoarseEdge));
        const __m128d sum = _mm_add_pd(s, round);
        const __m128d nearest = _mm_sub_pd(sum, round);
        const __m128d roundedUp = _mm_cmpgt_pd(nearest, s);
        const __m128d floor = _mm_sub_pd(nearest, _mm_and_pd(roundedUp, one));
        __m128i key = _mm_sub_epi64(_mm_castpd_si128(sum), _mm_castpd_si128(round));
        key = _mm_add_epi64(key, _mm_castpd_si128(roundedUp));  // minus one where rounded up
        __m128d place = _mm_add_pd(_mm_sub_pd(s, floor), shift);
        const __m128d wrap = _mm_cmpge_pd(place, one);
        place = _mm_sub_pd(place, _mm_and_pd(wrap, one));
        key = _mm_sub_epi64(key, _mm_castpd_si128(wrap));
        alignas(16) std::int64_t keys[2];
        alignas(16) double places[2];
        _mm_store_si128(reinterpret_cast<__m128i*>(keys), key);
        _mm_store_pd(places, place);
        a = {keys[0], places[0]};
        b = {keys[1], places[1]};
        if (_mm_movemask_pd(huge) != 0) {  // rare: keyed as CellOf keys them
            if (!(std::fabs(_mm_cvtsd_f64(v)) < kHuge)) a = HugeCell(_mm_cvtsd_f64(v));
            if (!(std::fabs(_mm_cvtsd_f64(_mm_unpackhi_pd(v, v))) < kHuge))
                b = HugeCell(_mm_cvtsd_f64(_mm_unpackhi_pd(v, v)));
        }
    }
#endif

private:
    // Keyed by the bits; a clash with a key below only adds candidates. The place is
    // the middle of a fine cell: no neighbour on either level.
    static AxisCell HugeCell(double v) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        return {static_cast<std::int64_t>(bits), kHugePlace};
    }

    static constexpr double kHugePlace = (kFinePerCoarse / 2 + 0.5) / kFinePerCoarse;
    double m_shift[3];
};

// A hash of cells seeded per call, so that cells chosen to collide under one seed
// scatter under another: kx * a + ky * b + kz * c modulo 2^64 with random odd a, b,
// c, whose top bits are a universal hash of the cell (multiply-add-shift); a
// neighbour's hash is one addition away.
class CellHash {
public:
    explicit CellHash(std::uint64_t seed) {
        for (std::uint64_t& m : m_multiplier) m = (seed = Mix(seed + 0x9E3779B97F4A7C15ull)) | 1u;
    }

    std::uint64_t Of(const Cells& c) const {
        return Axis(0, c.axis[0].key) + Axis(1, c.axis[1].key) + Axis(2, c.axis[2].key);
    }

    // The hashes of the cell and of its neighbours within kReach, the cell first;
    // returns their count.
    template <typename G>
    int Around(const Cells& c, std::uint64_t (&out)[kMaxCellsPerPosition]) const {
        constexpr double kReach2 = G::kReachInCells * G::kReachInCells;
        struct Axis3 {
            std::int64_t key;
            int side;
            double gap;
        };
        auto with = [](const AxisCell& a) { return Axis3{a.key, G::Side(a.place), G::Gap(a.place)}; };
        const Axis3 ax = with(c.axis[0]), ay = with(c.axis[1]), az = with(c.axis[2]);
        const std::uint64_t x0 = Axis(0, ax.key), y0 = Axis(1, ay.key), z0 = Axis(2, az.key);
        const double gx = ax.gap * ax.gap, gy = ay.gap * ay.gap, gz = az.gap * az.gap;
        int n = 0;
        out[n++] = x0 + y0 + z0;
        const std::uint64_t x1 = ax.side != 0 ? Axis(0, ax.key + ax.side) : 0;
        if (ax.side != 0) out[n++] = x1 + y0 + z0;
        if (ay.side != 0) {
            const std::uint64_t y1 = Axis(1, ay.key + ay.side);
            out[n++] = x0 + y1 + z0;
            if (ax.side != 0 && gx + gy < kReach2) out[n++] = x1 + y1 + z0;
        }
        if (az.side != 0) {
            const std::uint64_t z1 = Axis(2, az.key + az.side);
            out[n++] = x0 + y0 + z1;
            if (ax.side != 0 && gx + gz < kReach2) out[n++] = x1 + y0 + z1;
            if (ay.side != 0) {
                const std::uint64_t y1 = Axis(1, ay.key + ay.side);
                if (gy + gz < kReach2) out[n++] = x0 + y1 + z1;
                if (ax.side != 0 && (gx + gy) + gz < kReach2) out[n++] = x1 + y1 + z1;
            }
        }
        return n;
    }

private:
    std::uint64_t Axis(int axis, std::int64_t key) const {
        return static_cast<std::uint64_t>(key) * m_multiplier[axis];
    }

    std::uint64_t m_multiplier[3];
};

// A growing array of trivial values in blocks of kBlock that never move once full, so
// the peak is what is used plus one block. The first block starts small and doubles
// (moving) up to kBlock, so that a small weld allocates little.
template <typename T>
class BlockArray {
public:
    std::size_t size() const { return m_size; }
    T& operator[](std::size_t i) { return m_blocks[i >> kBlockBits][i & (kBlock - 1)]; }
    const T& operator[](std::size_t i) const { return m_blocks[i >> kBlockBits][i & (kBlock - 1)]; }

    void push_back(const T& value) {
        if (m_size == m_capacity) Grow();
        (*this)[m_size++] = value;
    }

private:
    static constexpr int kBlockBits = 10;
    static constexpr std::size_t kBlock = std::size_t(1) << kBlockBits;

    void Grow() {
        if (m_capacity >= kBlock) {
            m_blocks.emplace_back(new T[kBlock]);
            m_capacity += kBlock;
            return;
        }
        const std::size_t capacity = m_capacity == 0 ? 16 : 2 * m_capacity;
        std::unique_ptr<T[]> first(new T[capacity]);
        if (m_size > 0) std::copy(m_blocks[0].get(), m_blocks[0].get() + m_size, first.get());
        if (m_blocks.empty()) m_blocks.emplace_back();
        m_blocks[0] = std::move(first);
        m_capacity = capacity;
    }

    std::vector<std::unique_ptr<T[]>> m_blocks;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

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
    BlockArray<Chunk> m_chunks;
    std::size_t m_used = 0;
    std::size_t m_room = 0;  // cells the slots take at kMaxLoadPercent
};

// What each position is, one byte per position. A representative is in the fine grid
// (kFineRepresentative) once it was entered there: when it became a representative
// beside a full or spilled coarse cell, or when a coarse cell listing it spilled.
enum State : std::uint8_t { kUnnamed, kNamed, kRepresentative, kFineRepresentative };

template <typename Idx>
class Welder {
public:
    Welder(const std::vector<Position>& positions, std::uint8_t* state, Idx* map, std::size_t named, std::uint64_t seed)
        : m_positions(positions),
          m_state(state),
          m_map(map),
          m_hash(seed),
          m_grid(Mix(seed ^ 0xC0A45Eull)),
          m_coarse(named / 4),
          m_fine(named / 16) {}

    // Fills map[i] with the representative number of every named position i, marks
    // the representatives in state and returns their count. The coarse cell of a
    // position is found and fetched kPrefetchDistance positions ahead.
    std::size_t Run() {
        struct Ahead {
            bool finite;
            Cells cells;
            std::uint64_t hash;
        };
        Ahead ahead[kAheadRing];
        const std::size_t n = m_positions.size();
        auto look = [&](std::size_t i) {
            Ahead& a = ahead[i % kAheadRing];
            a.finite = m_state[i] != kUnnamed && IsFinite(m_positions[i]);
            if (!a.finite) return;
            a.cells = m_grid.CellsOf(m_positions[i]);
            a.hash = m_hash.Of(a.cells);
            m_coarse.Prefetch(a.hash);
        };
        for (std::size_t i = 0; i < n && i < kPrefetchDistance; ++i) look(i);
        for (std::size_t i = 0; i < n; ++i) {
            const Ahead& a = ahead[i % kAheadRing];
            if (i + kPrefetchDistance < n) look(i + kPrefetchDistance);
            // Room for the cells this position may add, so that cells found stay valid.
            m_coarse.Reserve(kMaxCellsPerPosition);
            m_fine.Reserve(kFineCellsPerPosition);
            if (a.finite)
                WeldFinite(i, a.cells, a.hash);
            else if (m_state[i] != kUnnamed)
                WeldOther(i);
        }
        return static_cast<std::size_t>(m_count);
    }

private:
    using Table = CellTable<Idx, kCoarseRun, kCoarseMaxLoadPercent>;
    using FineTable = CellTable<Idx, kFineRun, kFineMaxLoadPercent>;
    using Cell = typename Table::Cell;
    static constexpr Cell kNoCell = Table::kNoCell;
    static constexpr Idx kNone = Table::kNone;

    static Idx Lower(Idx a, Idx b) { return a < 0 || (b >= 0 && b < a) ? b : a; }

    // The first representative of cell c that is near the tested position, or -1,
    // looking no further than `bound` (anywhere if bound < 0): a result at or above
    // bound may come back, which the caller's Lower drops. Counts in `entries` the
    // representatives of the runs read (all of them if none is near).
    template <typename T>
    Idx FirstNear(const T& table, Cell c, const NearTest& near, Idx bound, int& entries) const {
        using Unsigned = std::make_unsigned_t<Idx>;
        // Representatives from `bound` on end the scan (-1 converts to the highest).
        const Unsigned limit = static_cast<Unsigned>(bound);
        const Position* data = m_positions.data();
        Idx found = -1;
        int passed = 0;
        table.ForEachRun(c, [&](const Idx* reps, int n) {
            passed += n;
            int j = 0;
            for (; j + 1 < n; j += 2) {  // two at a time
                const Unsigned r0 = static_cast<Unsigned>(reps[j]), r1 = static_cast<Unsigned>(reps[j + 1]);
                if (r0 >= limit) return true;
                const int pair = near.Pair(data[r0], data[r1]);
                if (pair != 0) {
                    found = static_cast<Idx>((pair & 1) != 0 ? r0 : r1);
                    return true;
                }
            }
            if (j == n) return false;
            const Unsigned r = static_cast<Unsigned>(reps[j]);
            if (r >= limit) return true;
            if (near.One(data[r])) {
                found = static_cast<Idx>(r);
                return true;
            }
            return false;
        });
        entries += passed;
        return found;
    }

    // Position i when it has an infinite or NaN component.
    void WeldOther(std::size_t i) {
        const Position& p = m_positions[i];
        const double v[3] = {p.X(), p.Y(), p.Z()};
        Idx found = -1;
        if (m_count > 0 && (m_nanFirst || HasNaN(p))) {
            found = m_first;
        } else {
            for (int a = 0; a < 3; ++a)
                if (std::isinf(v[a])) found = Lower(found, m_infRep[a][v[a] > 0 ? 0 : 1]);
        }
        if (found >= 0) {
            m_map[i] = m_map[static_cast<std::size_t>(found)];
            return;
        }
        NewRepresentative(i);
        if (HasNaN(p)) m_nanFirst = true;  // only ever the first representative
        for (int a = 0; a < 3; ++a)
            if (std::isinf(v[a]))
                m_infRep[a][v[a] > 0 ? 0 : 1] = Lower(m_infRep[a][v[a] > 0 ? 0 : 1], static_cast<Idx>(i));
    }

    // Finite position i, whose coarse cell is `hash`.
    void WeldFinite(std::size_t i, const Cells& coarse, std::uint64_t hash) {
        if (m_nanFirst) {
            m_map[i] = m_map[static_cast<std::size_t>(m_first)];
            return;
        }
        const Position& p = m_positions[i];

        // The lowest near representative of the coarse cell.
        // The lowest near representative of the coarse cell, or of the fine grid if
        // the coarse cell spilled (its representatives were all entered there).
        int entries = 0;
        const Cell own = m_coarse.Find(hash);
        const bool spilled = own != kNoCell && m_coarse.Spilled(own);
        Idx found = -1;
        Cell ownFine = kNoCell;
        if (spilled)
            found = FindNearFine(NearTest(p), coarse, ownFine);
        else if (own != kNoCell)
            found = FirstNear(m_coarse, own, NearTest(p), -1, entries);
        if (found >= 0) {
            m_map[i] = m_map[static_cast<std::size_t>(found)];
            return;
        }

        // A new representative: in its coarse cells if none of them is full or
        // spilled, else in its fine cell, spilling its coarse cells.
        const Idx self = static_cast<Idx>(i);
        NewRepresentative(i);
        std::uint64_t hashes[kMaxCellsPerPosition] = {hash};
        const int count = Coarse::Inside(coarse) ? 1 : m_hash.Around<Coarse>(coarse, hashes);  // hashes[0] == hash
        Cell cells[kMaxCellsPerPosition];
        cells[0] = own;
        bool full = spilled || entries >= kCoarseCellLimit;
        for (int k = 1; k < count; ++k) {
            cells[k] = m_coarse.Find(hashes[k]);
            if (full || cells[k] == kNoCell) continue;
            int n = 0;
            m_coarse.ForEach(cells[k], [&](Idx) { return ++n >= kCoarseCellLimit; });
            full = n >= kCoarseCellLimit || m_coarse.Spilled(cells[k]);
        }
        for (int k = 0; k < count; ++k) {
            const Cell c = cells[k] != kNoCell ? cells[k] : m_coarse.FindOrAdd(hashes[k]);
            if (full)
                Spill(c);
            else
                m_coarse.Append(c, self);
        }
        if (!full) return;
        // (Spilling adds fine cells but moves none: the table was reserved for them.)
        m_fine.Append(ownFine != kNoCell ? ownFine : m_fine.FindOrAdd(m_hash.Of(Grid::FineOf(coarse))), self);
        m_state[i] = kFineRepresentative;
    }

    // Marks coarse cell c as spilled and enters its representatives in the fine grid.
    void Spill(Cell c) {
        if (m_coarse.Spilled(c)) return;
        m_coarse.MarkSpilled(c);
        m_coarse.ForEach(c, [&](Idx r) {
            const std::size_t rep = static_cast<std::size_t>(r);
            if (m_state[rep] == kFineRepresentative) return false;
            m_state[rep] = kFineRepresentative;
            m_fine.Insert(m_fine.FindOrAdd(m_hash.Of(Grid::FineOf(m_grid.CellsOf(m_positions[rep])))), r);
            return false;
        });
    }

    // The lowest representative of the fine grid near the tested position p, or -1;
    // sets ownFine to p's own fine cell if it has one.
    Idx FindNearFine(const NearTest& near, const Cells& coarse, Cell& ownFine) const {
        std::uint64_t hashes[kMaxCellsPerPosition];
        const int count = m_hash.Around<Fine>(Grid::FineOf(coarse), hashes);
        Idx found = -1;
        for (int k = 0; k < count; ++k) {
            const Cell c = m_fine.Find(hashes[k]);
            if (k == 0) ownFine = c;
            int entries = 0;
            if (c != kNoCell) found = Lower(found, FirstNear(m_fine, c, near, found, entries));
        }
        return found;
    }

    void NewRepresentative(std::size_t i) {
        m_map[i] = m_count++;
        m_state[i] = kRepresentative;
        if (m_first < 0) m_first = static_cast<Idx>(i);
    }

    const Position& At(Idx r) const { return m_positions[static_cast<std::size_t>(r)]; }

    const std::vector<Position>& m_positions;
    std::uint8_t* m_state;
    Idx* m_map;
    CellHash m_hash;
    Grid m_grid;
    Table m_coarse;
    FineTable m_fine;
    Idx m_count = 0;   // representatives so far
    Idx m_first = -1;  // the first representative
    bool m_nanFirst = false;
    Idx m_infRep[3][2] = {{-1, -1}, {-1, -1}, {-1, -1}};  // [component][+inf, -inf]
};

template <typename Idx>
void WeldWith(const std::vector<Position>& positions, const std::vector<long long>& indices,
              std::vector<Position>& keptOut, std::vector<long long>& indicesOut, std::uint64_t seed) {
    const std::size_t n = positions.size();
    const long long count = static_cast<long long>(n);

    // Which positions some index names, and how many indices survive.
    std::unique_ptr<std::uint8_t[]> state(new std::uint8_t[n]());
    std::size_t surviving = 0, named = 0;
    for (const long long v : indices) {
        if (v < 0 || v >= count) continue;
        ++surviving;
        named += state[static_cast<std::size_t>(v)] == kUnnamed ? 1 : 0;
        state[static_cast<std::size_t>(v)] = kNamed;
    }

    std::unique_ptr<Idx[]> map(new Idx[n]);
    std::size_t kept = 0;
    {
        Welder<Idx> welder(positions, state.get(), map.get(), named, seed);
        kept = welder.Run();
    }  // releases the tables before the outputs are allocated

    keptOut.reserve(kept);
    for (std::size_t i = 0; i < n; ++i)
        if (state[i] >= kRepresentative) keptOut.push_back(positions[i]);
    state.reset();

    indicesOut.resize(surviving);
    long long* out = indicesOut.data();
    for (const long long v : indices)
        if (v >= 0 && v < count) *out++ = static_cast<long long>(map[static_cast<std::size_t>(v)]);
}

}  // namespace

std::uint64_t FreshSeed() {
    const int local = 0;
    std::uint64_t seed = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    return Mix(seed ^ static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&local)) * 0x9E3779B97F4A7C15ull);
}

void Weld(const std::vector<Position>& positions, const std::vector<long long>& indices, std::vector<Position>& keptOut,
          std::vector<long long>& indicesOut, std::uint64_t seed) {
    if (positions.size() < kNarrowPositions)
        WeldWith<std::int32_t>(positions, indices, keptOut, indicesOut, seed);
    else
        WeldWide(positions, indices, keptOut, indicesOut, seed);
}

void WeldWide(const std::vector<Position>& positions, const std::vector<long long>& indices,
              std::vector<Position>& keptOut, std::vector<long long>& indicesOut, std::uint64_t seed) {
    WeldWith<std::int64_t>(positions, indices, keptOut, indicesOut, seed);
}

}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
