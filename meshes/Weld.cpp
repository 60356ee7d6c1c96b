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
// kReach^2). (The grid and its cell hash: WeldGrid.h; the cells' lists:
// WeldCellTable.h.)
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
// so positions cannot be chosen to pile up in one probe run. Every candidate of a
// cell read is tested exactly. The coarse cell of a position is fetched some
// positions ahead (on sparse meshes most of the time is that memory access); the
// cells' chunks live in a deque, so that they never move and the peak memory is what
// is in use (a doubling vector held its old and new array at once, more than the
// mesh itself where most fine cells hold two or three representatives).
#include "Weld.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

#include "WeldCellTable.h"
#include "WeldGrid.h"

namespace kor {
namespace ShapeExport {
namespace detail {

namespace {

using namespace weld;

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
// Fine cells one position may add: its own and those of the representatives of the
// coarse cells it spills.
constexpr int kFineCellsPerPosition = 1 + kMaxCellsPerPosition * kCoarseCellLimit;
constexpr std::size_t kPrefetchDistance = 16;              // how many positions ahead a coarse cell is fetched
constexpr std::size_t kAheadRing = 2 * kPrefetchDistance;  // positions looked at: ahead and at hand
// Below this many positions, 32-bit numbers: tables stay below 2^30 slots.
constexpr std::size_t kNarrowPositions = std::size_t(1) << 26;

inline bool IsFinite(const Position& p) { return std::isfinite(p.X()) && std::isfinite(p.Y()) && std::isfinite(p.Z()); }

inline bool HasNaN(const Position& p) { return std::isnan(p.X()) || std::isnan(p.Y()) || std::isnan(p.Z()); }

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

    static Idx Lower(Idx a, Idx b) { return a < 0 || (b >= 0 && b < a) ? b : a; }

    // The first representative of cell c that is near the tested position, or -1,
    // looking no further than `bound` (anywhere if bound < 0): a result at or above
    // bound may come back, which the caller's Lower drops. Counts in `entries` the
    // representatives of the runs read (all of them if none is near).
    template <typename T>
    Idx FirstNear(const T& table, Cell c, const Position& p, Idx bound, int& entries) const {
        using Unsigned = std::make_unsigned_t<Idx>;
        // Representatives from `bound` on end the scan (-1 converts to the highest).
        const Unsigned limit = static_cast<Unsigned>(bound);
        const Position* data = m_positions.data();
        Idx found = -1;
        int passed = 0;
        table.ForEachRun(c, [&](const Idx* reps, int n) {
            passed += n;
            for (int j = 0; j < n; ++j) {
                const Unsigned r = static_cast<Unsigned>(reps[j]);
                if (r >= limit) return true;
                if (p.Near(data[r])) {
                    found = static_cast<Idx>(r);
                    return true;
                }
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

        // The lowest near representative of the coarse cell, or of the fine grid if
        // the coarse cell spilled (its representatives were all entered there).
        int entries = 0;
        const Cell own = m_coarse.Find(hash);
        const bool spilled = own != kNoCell && m_coarse.Spilled(own);
        Idx found = -1;
        Cell ownFine = kNoCell;
        if (spilled)
            found = FindNearFine(p, coarse, ownFine);
        else if (own != kNoCell)
            found = FirstNear(m_coarse, own, p, -1, entries);
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
    Idx FindNearFine(const Position& p, const Cells& coarse, Cell& ownFine) const {
        std::uint64_t hashes[kMaxCellsPerPosition];
        const int count = m_hash.Around<Fine>(Grid::FineOf(coarse), hashes);
        Idx found = -1;
        for (int k = 0; k < count; ++k) {
            const Cell c = m_fine.Find(hashes[k]);
            if (k == 0) ownFine = c;
            int entries = 0;
            if (c != kNoCell) found = Lower(found, FirstNear(m_fine, c, p, found, entries));
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
