// The welded copy: every named position, in ascending order, merges into the
// lowest-numbered representative (kept position) that it is Near, or becomes a
// representative itself. The result equals comparing each position with all
// representatives; this file only avoids comparisons that cannot succeed.
//
// Near(a, b) is false exactly when ((dx*dx + dy*dy) + dz*dz) >= 1e-8, so a NaN
// squared distance counts as near. Positions fall into three kinds:
//
//  * A NaN component makes every squared distance NaN: the position is near every
//    position. It becomes a representative only as the first named position, and then
//    every later position merges into it; otherwise it merges into representative 0.
//
//  * With infinite components (and no NaN): when two positions hold the same infinity
//    in one component, that difference is NaN and they are near. Otherwise an infinity
//    facing a finite value or the opposite infinity squares to +inf, no term is NaN,
//    and they are not near. So such a position is near exactly the representatives
//    that share one of its infinities (same component, same sign), or a NaN
//    representative 0. The lowest representative per component and sign is kept.
//
//  * All-finite positions are near only all-finite representatives (or a NaN
//    representative 0). A computed squared distance below 1e-8 bounds each computed
//    square below 1e-8 (adding non-negative terms never rounds below a term), hence
//    each coordinate difference below 1e-4 * (1 + 2^-51) < kReach. Representatives
//    are entered in a hash of cubic cells of edge 1/kCellScale > 2 * kReach: in their
//    own cell and, per axis, also in the neighbouring cell whose border lies within
//    kReach. A representative near a query then always sits in the query's own cell.
//    Every candidate found there is tested with the exact Near arithmetic.
//    Coordinates of magnitude 2^50 or more are at least 1/8 apart from any other
//    value, so a near position must hold the very same value; such a component is
//    keyed by its bits, without neighbour cell. Below 2^50 the scaled coordinate
//    stays below 2^59: its floor is exact and its fraction within an ulp, far inside
//    the margin between kReach and the real bound.
//
// Order: the first near candidate met in a cell's probe run is the lowest-numbered
// near representative, so the search stops there. Representatives enter the table in
// ascending order (a rebuild re-enters them in that order) and nothing is removed. If
// an entry e sits before the entry e_L of the lowest near representative L in the run,
// the slot of e was passed over when e_L was placed (e_L took the first free slot of
// the run), so e was there already and belongs to L or to a lower, hence not near,
// representative. The same argument yields the exact-duplicate shortcut for free: a
// query bitwise equal to a representative R is near exactly what R is near, and
// nothing lower than R is (else R would not have been kept).
#include "Weld.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>

namespace kor {
namespace ShapeExport {
namespace detail {

namespace {

constexpr double kNearSquared = Position::kNearDistance2;
constexpr double kCellScale = 512.0;  // cell edge 2^-9, about 1.95e-3
constexpr double kReach = 1.0001e-4;  // above every per-axis gap between near positions
constexpr double kReachInCells = kReach * kCellScale;
constexpr double kHuge = 1125899906842624.0;  // 2^50
static_assert(kReachInCells < 0.5, "a position may need at most one neighbour cell per axis");

inline bool IsNear(const Position& a, const Position& b) {
    // The arithmetic of Position::Near, inlined.
    const double dx = a.X() - b.X();
    const double dy = a.Y() - b.Y();
    const double dz = a.Z() - b.Z();
    return !(((dx * dx + dy * dy) + dz * dz) >= kNearSquared);
}

inline std::uint64_t Bits(double v) {
    std::uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

inline bool IsFinite(const Position& p) {
    return std::isfinite(p.X()) && std::isfinite(p.Y()) && std::isfinite(p.Z());
}

inline bool HasNaN(const Position& p) { return std::isnan(p.X()) || std::isnan(p.Y()) || std::isnan(p.Z()); }

// The cell of one finite coordinate and the neighbour (-1, +1, or 0 for none) whose
// border lies within kReach.
struct AxisCell {
    std::int64_t key;
    int side;
};

inline AxisCell CellOf(double v) {
    if (v < kHuge && v > -kHuge) {
        const double s = v * kCellScale;  // exact: a power-of-two scale
        std::int64_t k = static_cast<std::int64_t>(s);
        if (static_cast<double>(k) > s) --k;  // floor
        const double frac = s - static_cast<double>(k);
        return {k, frac < kReachInCells ? -1 : (frac > 1.0 - kReachInCells ? 1 : 0)};
    }
    // Distinct from the keys above in practice; a clash would only add candidates.
    return {static_cast<std::int64_t>(Bits(v) ^ 0x5bd1e9955bd1e995ull), 0};
}

inline std::uint64_t CellHash(std::int64_t x, std::int64_t y, std::int64_t z) {
    std::uint64_t h = static_cast<std::uint64_t>(x) * 0x9E3779B97F4A7C15ull;
    h = (h ^ (h >> 32) ^ static_cast<std::uint64_t>(y)) * 0xC2B2AE3D27D4EB4Full;
    h = (h ^ (h >> 29) ^ static_cast<std::uint64_t>(z)) * 0x165667B19E3779F9ull;
    return h ^ (h >> 32);
}

// Open addressing with linear probing; one entry per (cell, representative). Each
// entry carries 32 bits of its cell's hash so that most entries of other cells are
// skipped without touching their positions.
template <typename Idx>
class CellTable {
public:
    explicit CellTable(std::size_t capacity) { Reset(capacity); }

    void Reset(std::size_t capacity) {
        m_slots = std::vector<Slot>();  // release before allocating the new block
        m_slots.assign(capacity, Slot{0u, Idx(-1)});
        m_mask = capacity - 1;
        m_used = 0;
    }

    std::size_t Capacity() const { return m_slots.size(); }
    bool NeedsRoom(std::size_t extra) const { return (m_used + extra) * 2 > m_slots.size(); }

    void Insert(std::uint64_t hash, Idx rep) {
        std::size_t i = static_cast<std::size_t>(hash) & m_mask;
        while (m_slots[i].rep >= 0) i = (i + 1) & m_mask;
        m_slots[i] = Slot{static_cast<std::uint32_t>(hash >> 32), rep};
        ++m_used;
    }

    // Calls visit(rep) for the entries that may belong to the cell of `hash` until
    // visit returns true.
    template <typename Visit>
    void Find(std::uint64_t hash, Visit&& visit) const {
        const std::uint32_t tag = static_cast<std::uint32_t>(hash >> 32);
        for (std::size_t i = static_cast<std::size_t>(hash) & m_mask; m_slots[i].rep >= 0; i = (i + 1) & m_mask)
            if (m_slots[i].tag == tag && visit(m_slots[i].rep)) return;
    }

private:
    struct Slot {
        std::uint32_t tag;
        Idx rep;  // position number of the representative; negative: empty
    };
    std::vector<Slot> m_slots;
    std::size_t m_mask = 0;
    std::size_t m_used = 0;
};

template <typename Idx>
void InsertCells(CellTable<Idx>& table, const AxisCell (&c)[3], Idx rep) {
    for (int dx = 0; dx <= (c[0].side != 0 ? 1 : 0); ++dx)
        for (int dy = 0; dy <= (c[1].side != 0 ? 1 : 0); ++dy)
            for (int dz = 0; dz <= (c[2].side != 0 ? 1 : 0); ++dz)
                table.Insert(CellHash(c[0].key + dx * c[0].side, c[1].key + dy * c[1].side,
                                      c[2].key + dz * c[2].side),
                             rep);
}

inline void CellsOf(const Position& p, AxisCell (&c)[3]) {
    c[0] = CellOf(p.X());
    c[1] = CellOf(p.Y());
    c[2] = CellOf(p.Z());
}

inline std::size_t PowerOfTwoAtLeast(std::size_t n) {
    std::size_t p = 1;
    while (p < n) p <<= 1;
    return p;
}

template <typename Idx>
void WeldWith(const std::vector<Position>& positions, const std::vector<long long>& indices,
              std::vector<Position>& keptOut, std::vector<long long>& indicesOut) {
    const std::size_t n = positions.size();
    const long long count = static_cast<long long>(n);

    // Which positions some index names, and how many indices survive.
    std::vector<std::uint8_t> named(n, 0);
    std::size_t surviving = 0;
    std::size_t namedCount = 0;
    for (const long long v : indices) {
        if (v < 0 || v >= count) continue;
        ++surviving;
        namedCount += named[static_cast<std::size_t>(v)] == 0 ? 1 : 0;
        named[static_cast<std::size_t>(v)] = 1;
    }

    // map[i]: number of the representative of named position i (unset for others).
    std::unique_ptr<Idx[]> map(new Idx[n]);
    std::vector<Idx> reps;  // position numbers of the representatives, ascending
    bool nanRep = false;    // representative 0 holds a NaN
    Idx infRep[3][2] = {{-1, -1}, {-1, -1}, {-1, -1}};  // [component][+inf, -inf]
    CellTable<Idx> cells(PowerOfTwoAtLeast(namedCount / 2 + 64));

    for (std::size_t i = 0; i < n; ++i) {
        if (named[i] == 0) continue;
        const Position& p = positions[i];
        const bool finite = IsFinite(p);
        AxisCell c[3];
        if (finite) CellsOf(p, c);
        Idx found = -1;

        if (!reps.empty()) {
            if (nanRep || (!finite && HasNaN(p))) {
                found = reps[0];
            } else if (finite) {
                cells.Find(CellHash(c[0].key, c[1].key, c[2].key), [&](Idx r) {
                    if (!IsNear(p, positions[static_cast<std::size_t>(r)])) return false;
                    found = r;  // the lowest near one: see "Order" above
                    return true;
                });
            } else {
                const double v[3] = {p.X(), p.Y(), p.Z()};
                for (int k = 0; k < 3; ++k) {
                    if (std::isfinite(v[k])) continue;
                    const Idx r = infRep[k][v[k] > 0 ? 0 : 1];
                    if (r >= 0 && (found < 0 || r < found)) found = r;
                }
            }
        }
        if (found >= 0) {
            map[i] = map[static_cast<std::size_t>(found)];
            continue;
        }

        // A new representative.
        const Idx self = static_cast<Idx>(i);
        map[i] = static_cast<Idx>(reps.size());
        if (finite) {
            if (cells.NeedsRoom(8)) {
                cells.Reset(cells.Capacity() * 2);
                for (const Idx r : reps) {
                    const Position& q = positions[static_cast<std::size_t>(r)];
                    if (!IsFinite(q)) continue;
                    AxisCell qc[3];
                    CellsOf(q, qc);
                    InsertCells(cells, qc, r);
                }
            }
            InsertCells(cells, c, self);
        } else if (HasNaN(p)) {
            nanRep = true;  // only ever representative 0
        } else {
            const double v[3] = {p.X(), p.Y(), p.Z()};
            for (int k = 0; k < 3; ++k)
                if (!std::isfinite(v[k])) infRep[k][v[k] > 0 ? 0 : 1] = self;
        }
        reps.push_back(self);
    }

    // Release the search structures before the outputs are allocated.
    cells.Reset(0);
    named = std::vector<std::uint8_t>();

    keptOut.reserve(reps.size());
    for (const Idx r : reps) keptOut.push_back(positions[static_cast<std::size_t>(r)]);
    reps = std::vector<Idx>();

    indicesOut.reserve(surviving);
    for (const long long v : indices)
        if (v >= 0 && v < count) indicesOut.push_back(static_cast<long long>(map[static_cast<std::size_t>(v)]));
}

}  // namespace

void Weld(const std::vector<Position>& positions, const std::vector<long long>& indices,
          std::vector<Position>& keptOut, std::vector<long long>& indicesOut) {
    if (positions.size() <= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        WeldWith<std::int32_t>(positions, indices, keptOut, indicesOut);
    else
        WeldWide(positions, indices, keptOut, indicesOut);
}

void WeldWide(const std::vector<Position>& positions, const std::vector<long long>& indices,
              std::vector<Position>& keptOut, std::vector<long long>& indicesOut) {
    WeldWith<std::int64_t>(positions, indices, keptOut, indicesOut);
}

}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
