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
// Finite representatives are found through two grids of cubic cells, coarse cells
// each split into fine ones; both edges are powers of two above 2 * kReach, so that
// within kReach of a coordinate lies at most one cell border per axis. The grids are
// shifted by a random fraction of a coarse cell per call, so that positions cannot
// be placed on cell borders or corners on purpose. A neighbour cell counts only if
// its box lies within kReach of the position (the squared gaps to its borders sum
// below kReach^2).
//  * A coarse cell holds the one representative within kReach of it, or is crowded
//    when there are more. A query reads its own coarse cell only: on sparse meshes,
//    one fetch per position.
//  * A representative enters the coarse cells within kReach of it. If one of them
//    is crowded or becomes so, it enters its fine cell too, and so does the one
//    representative each of those cells listed. A query in a crowded coarse cell
//    reads its fine cell and the neighbours within kReach instead.
// Every near representative is thus met, and every candidate is tested with the
// exact Near arithmetic. A coordinate of magnitude 2^40 or more is further than kReach
// from any other value, so a near one holds the very same value: such a component is
// keyed by its bits, without neighbour.
//
// Order: the answer is the lowest near candidate of the cells read (a coarse cell
// has one; a fine cell's list is read to its end).
//
// Cost: no two representatives are near, so a fine cell holds a bounded number of
// them; the cell hash is seeded per call, so that positions cannot be chosen to pile
// up in one probe run. Cells are found by the top bits of their hash, kept in the
// slot (32 of them with 32-bit position numbers: on sparse meshes the coarse table
// is then small enough to stay in cache); a clash of those bits only merges two
// cells, which adds candidates. The coarse cell of a position is fetched some
// positions ahead (on sparse meshes most of the time is that memory access).
#include "Weld.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

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
static_assert(kHuge / kCoarseEdge <= 0x1.0p62, "scaled coordinates below kHuge convert to 64-bit keys exactly");

constexpr int kShiftSteps = 512;               // grid shifts are multiples of 1/kShiftSteps of a coarse cell
constexpr int kMaxCellsPerPosition = 8;        // a cell and its neighbours within kReach
constexpr std::size_t kPrefetchDistance = 16;  // how many positions ahead a coarse cell is fetched
// Below this many positions, 32-bit numbers and tags: tables stay below 2^30 slots.
constexpr std::size_t kNarrowPositions = std::size_t(1) << 26;

std::uint64_t Mix(std::uint64_t h) {  // a bijective 64-bit finaliser
    h = (h ^ (h >> 33)) * 0xFF51AFD7ED558CCDull;
    h = (h ^ (h >> 33)) * 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 33);
}

inline bool IsFinite(const Position& p) { return std::isfinite(p.X()) && std::isfinite(p.Y()) && std::isfinite(p.Z()); }

inline bool HasNaN(const Position& p) { return std::isnan(p.X()) || std::isnan(p.Y()) || std::isnan(p.Z()); }

// The cell of one finite coordinate: the key and the place in the cell, in [0, 1).
struct AxisCell {
    std::uint64_t key;
    double place;
};
using Cells = std::array<AxisCell, 3>;

constexpr int kFinePerCoarse = static_cast<int>(kCoarseEdge / kFineEdge);
static_assert(kFinePerCoarse * kFineEdge == kCoarseEdge, "fine cells tile a coarse cell");

// A grid of cubic coarse cells of edge kCoarseEdge, each split into fine cells of
// edge kFineEdge, shifted per call by a random multiple of 1/kShiftSteps of a coarse
// cell along each axis, and a hash of cells seeded per call: kx * a + ky * b + kz * c
// modulo 2^64 with random odd a, b, c, whose top bits are a universal hash of the
// cell (multiply-add-shift); a neighbour's hash is one addition away. The key,
// floor(v / kCoarseEdge + shift), is a non-decreasing function of v, and the place
// within the cell is rounded by at most 2^-53 of a cell, far inside the margin of
// kReach. A fine cell is found from the coarse cell's key and place alone (both
// edges are powers of two), so that each lies in one coarse cell.
class Grid {
public:
    explicit Grid(std::uint64_t seed) {
        std::uint64_t random = Mix(seed ^ 0xC0A45Eull);
        for (int a = 0; a < 3; ++a) {
            m_shift[a] = static_cast<double>(random % kShiftSteps) / kShiftSteps;
            random /= kShiftSteps;
            m_multiplier[a] = (seed = Mix(seed + 0x9E3779B97F4A7C15ull)) | 1u;
        }
    }

    Cells CellsOf(const Position& p) const { return {CellOf(0, p.X()), CellOf(1, p.Y()), CellOf(2, p.Z())}; }

    static Cells FineOf(const Cells& coarse) {
        Cells fine;
        for (int a = 0; a < 3; ++a) {
            const double s = coarse[a].place * kFinePerCoarse;  // exact, in [0, kFinePerCoarse)
            const int sub = static_cast<int>(s);
            fine[a] = {coarse[a].key * kFinePerCoarse + static_cast<unsigned>(sub), s - sub};
        }
        return fine;
    }

    // (A clash of hashes only merges two cells, which adds candidates; the lowest bit
    // is set, so that no cell hashes to 0.)
    std::uint64_t Hash(const Cells& c) const {
        return (c[0].key * m_multiplier[0] + c[1].key * m_multiplier[1] + c[2].key * m_multiplier[2]) | 1u;
    }

    // The hashes of cell c and of its neighbours within kReach on the grid of edge
    // kEdge, the cell first; returns their count.
    template <const double& kEdge>
    int Around(const Cells& c, std::uint64_t (&out)[kMaxCellsPerPosition]) const {
        constexpr double kReachInCells = kReach / kEdge, kReach2 = kReachInCells * kReachInCells;
        static_assert(kReachInCells < 0.5, "at most one neighbour cell per axis");
        std::uint64_t own[3], other[3];
        bool has[3];
        double gap[3];
        for (int a = 0; a < 3; ++a) {
            const double place = c[a].place;
            const int side = static_cast<int>(1.0 - place < kReachInCells) - static_cast<int>(place < kReachInCells);
            has[a] = side != 0;
            gap[a] = side > 0 ? 1.0 - place : place;
            gap[a] *= gap[a];
            own[a] = c[a].key * m_multiplier[a];
            other[a] = (c[a].key + static_cast<std::uint64_t>(side)) * m_multiplier[a];
        }
        int n = 1;
        out[0] = (own[0] + own[1] + own[2]) | 1u;
        if (!(has[0] || has[1] || has[2])) return n;  // most coarse cells
        // Without branches: whether each neighbour counts is unpredictable.
        out[n] = other[0] + own[1] + own[2];
        n += has[0];
        out[n] = own[0] + other[1] + own[2];
        n += has[1];
        out[n] = other[0] + other[1] + own[2];
        n += has[0] && has[1] && gap[0] + gap[1] < kReach2;
        out[n] = own[0] + own[1] + other[2];
        n += has[2];
        out[n] = other[0] + own[1] + other[2];
        n += has[0] && has[2] && gap[0] + gap[2] < kReach2;
        out[n] = own[0] + other[1] + other[2];
        n += has[1] && has[2] && gap[1] + gap[2] < kReach2;
        out[n] = other[0] + other[1] + other[2];
        n += has[0] && has[1] && has[2] && (gap[0] + gap[1]) + gap[2] < kReach2;
        for (int k = 0; k < n; ++k) out[k] |= 1u;
        return n;
    }

private:
    AxisCell CellOf(int a, double v) const {
        if (!(v < kHuge && v > -kHuge)) {
            // Keyed by the bits, in the middle of a fine cell: no neighbour on either grid.
            std::uint64_t bits;
            std::memcpy(&bits, &v, sizeof bits);
            return {bits, (kFinePerCoarse / 2 + 0.5) / kFinePerCoarse};
        }
        // Without branches: signs, shifts and places in a cell are unpredictable.
        const double s = v * (1.0 / kCoarseEdge);  // exact: a power of two
        std::int64_t key = static_cast<std::int64_t>(s);
        key -= static_cast<std::int64_t>(static_cast<double>(key) > s);  // floor
        const double place = (s - static_cast<double>(key)) + m_shift[a];
        const int wrap = place >= 1.0 ? 1 : 0;
        return {static_cast<std::uint64_t>(key + wrap), place - wrap};
    }

    double m_shift[3];
    std::uint64_t m_multiplier[3];
};

// An open-addressing table of cells with linear probing, found by the top bits of
// their hash (kept in the slot, so that growing needs no hashing), at most
// kQuarters / 4 full.
template <typename Slot, int kQuarters>
class CellTable {
public:
    explicit CellTable(std::size_t minimum) {
        while ((std::size_t(1) << m_bits) < minimum) ++m_bits;
        m_slots.assign(std::size_t(1) << m_bits, Slot{});
    }

    using Tag = decltype(Slot::tag);
    static constexpr int kTagBits = 8 * sizeof(Tag);
    static Tag TagOf(std::uint64_t hash) { return static_cast<Tag>(hash >> (64 - kTagBits)); }

    void Prefetch(std::uint64_t hash) const {
#if defined(__GNUC__) || defined(__clang__)
        __builtin_prefetch(&m_slots[Home(TagOf(hash))]);
#endif
    }

    // The slot of the cell with this hash, or the free slot where it would go.
    Slot& Find(std::uint64_t hash) { return FindTag(TagOf(hash)); }

    // Counts a cell just filled in a free slot; may move every slot.
    void Added() {
        if (++m_used * 4 <= m_slots.size() * kQuarters) return;
        std::vector<Slot> old(std::size_t(1) << ++m_bits, Slot{});
        old.swap(m_slots);
        for (const Slot& s : old)
            if (!s.Free()) FindTag(s.tag) = s;
    }

private:
    std::size_t Home(Tag tag) const { return static_cast<std::size_t>(tag >> (kTagBits - m_bits)); }

    Slot& FindTag(Tag tag) {
        const std::size_t mask = m_slots.size() - 1;
        std::size_t i = Home(tag);
        while (!m_slots[i].Free() && m_slots[i].tag != tag) i = (i + 1) & mask;
        return m_slots[i];
    }

    int m_bits = 10;
    std::vector<Slot> m_slots;
    std::size_t m_used = 0;
};

// What each position is, one byte per position. A representative is in the fine grid
// (kFineRepresentative) once it was entered there: when it became a representative
// beside a crowded coarse cell, or when a coarse cell listing it became crowded.
enum State : std::uint8_t { kUnnamed, kNamed, kRepresentative, kFineRepresentative };

template <typename Idx>
class Welder {
public:
    Welder(const std::vector<Position>& positions, std::uint8_t* state, Idx* map, std::size_t named, std::uint64_t seed)
        : m_positions(positions),
          m_state(state),
          m_map(map),
          m_grid(seed),
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
        Ahead ahead[kPrefetchDistance];
        const std::size_t n = m_positions.size();
        auto look = [&](std::size_t i) {
            Ahead& a = ahead[i % kPrefetchDistance];
            a.finite = m_state[i] != kUnnamed && IsFinite(m_positions[i]);
            if (!a.finite) return;
            a.cells = m_grid.CellsOf(m_positions[i]);
            a.hash = m_grid.Hash(a.cells);
            m_coarse.Prefetch(a.hash);
        };
        for (std::size_t i = 0; i < n && i < kPrefetchDistance; ++i) look(i);
        for (std::size_t i = 0; i < n; ++i) {
            const Ahead a = ahead[i % kPrefetchDistance];
            if (i + kPrefetchDistance < n) look(i + kPrefetchDistance);
            if (a.finite)
                WeldFinite(i, a.cells, a.hash);
            else if (m_state[i] != kUnnamed)
                WeldOther(i);
        }
        return static_cast<std::size_t>(m_count);
    }

private:
    // A slot keeps the top bits of its cell's hash: 32 with 32-bit numbers.
    using Tag = std::conditional_t<sizeof(Idx) == 4, std::uint32_t, std::uint64_t>;
    // A coarse cell: the one representative within kReach of it, or kCrowded when
    // there are more (then all of them are in the fine grid).
    struct CoarseSlot {
        Tag tag = 0;
        Idx rep = kFree;
        bool Free() const { return rep == kFree; }
    };
    // A fine cell: its representatives, m_lists[begin, begin + count), in a block of
    // the least power of two of places that holds them.
    struct FineSlot {
        Tag tag = 0;
        Idx begin = kFree, count = 0;
        bool Free() const { return begin == kFree; }
    };
    static constexpr Idx kFree = -1, kCrowded = -2;

    static Idx Lower(Idx a, Idx b) { return a < 0 || (b >= 0 && b < a) ? b : a; }

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
        const Idx rep = m_coarse.Find(hash).rep;
        std::uint64_t ownFine = 0;  // p's fine cell, once found
        const Idx found = rep == kCrowded ? FindNearFine(p, coarse, ownFine)
                          : rep >= 0 && p.Near(m_positions[rep]) ? rep
                                                                : -1;
        if (found >= 0) {
            m_map[i] = m_map[static_cast<std::size_t>(found)];
            return;
        }

        // A new representative, in the coarse cells within kReach; in the fine grid
        // too if one of them is crowded, with the one each listed.
        const Idx self = static_cast<Idx>(i);
        NewRepresentative(i);
        std::uint64_t hashes[kMaxCellsPerPosition];
        const int count = m_grid.Around<kCoarseEdge>(coarse, hashes);  // hashes[0] == hash
        bool crowded = false;
        for (int k = 0; k < count; ++k) {
            CoarseSlot& c = m_coarse.Find(hashes[k]);
            if (c.Free()) {
                c = CoarseSlot{m_coarse.TagOf(hashes[k]), self};
                m_coarse.Added();
                continue;
            }
            if (c.rep >= 0) EnterFine(c.rep, 0);
            c.rep = kCrowded;
            crowded = true;
        }
        if (crowded) EnterFine(self, ownFine);
    }

    // Appends representative r to its fine cell (of this hash, or found if 0), unless
    // it is there.
    void EnterFine(Idx r, std::uint64_t hash) {
        if (m_state[r] == kFineRepresentative) return;
        m_state[r] = kFineRepresentative;
        if (hash == 0) hash = m_grid.Hash(Grid::FineOf(m_grid.CellsOf(m_positions[r])));
        FineSlot& f = m_fine.Find(hash);
        const Idx end = static_cast<Idx>(m_lists.size());
        if (f.Free()) {
            f = FineSlot{m_fine.TagOf(hash), end, 1};
            m_lists.push_back(r);
            m_fine.Added();
            return;
        }
        if ((f.count & (f.count - 1)) == 0) {  // the block is full: a twice as large one at the end
            m_lists.resize(m_lists.size() + 2 * static_cast<std::size_t>(f.count));
            std::copy_n(m_lists.begin() + f.begin, f.count, m_lists.begin() + end);
            f.begin = end;
        }
        m_lists[static_cast<std::size_t>(f.begin + f.count++)] = r;
    }

    // The lowest representative near p of the fine grid: of p's fine cell and its
    // neighbours within kReach.
    Idx FindNearFine(const Position& p, const Cells& coarse, std::uint64_t& ownFine) {
        std::uint64_t hashes[kMaxCellsPerPosition];
        const int count = m_grid.Around<kFineEdge>(Grid::FineOf(coarse), hashes);
        ownFine = hashes[0];
        const Position* data = m_positions.data();
        Idx found = -1;
        for (int k = 0; k < count; ++k) {
            const FineSlot& f = m_fine.Find(hashes[k]);
            for (Idx j = f.begin, end = f.begin + f.count; j < end; ++j) {
                const Idx r = m_lists[static_cast<std::size_t>(j)];
                if ((found < 0 || r < found) && p.Near(data[r])) found = r;
            }
        }
        return found;
    }

    void NewRepresentative(std::size_t i) {
        m_map[i] = m_count++;
        m_state[i] = kRepresentative;
        if (m_first < 0) m_first = static_cast<Idx>(i);
    }

    const std::vector<Position>& m_positions;
    std::uint8_t* m_state;
    Idx* m_map;
    Grid m_grid;
    // A query looks up one coarse cell, fetched ahead, but several fine ones, and a
    // probe run grows quickly with the load; where cells are sparse the coarse table
    // is the larger (a representative enters up to eight coarse cells).
    CellTable<CoarseSlot, 3> m_coarse;
    CellTable<FineSlot, 2> m_fine;
    std::vector<Idx> m_lists;  // the fine cells' blocks
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
    }  // releases the table before the outputs are allocated

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
