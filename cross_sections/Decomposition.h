// Internal: the convex decomposition of one cross section as pure functions over
// its positions. Nothing here changes the positions it is given: the points that
// hole removal creates are collected in Points and handed back, and CrossSection
// applies the result (appends the points, keeps the loops).
//
// The decomposition runs in two steps on the convex-loop list, which starts as
// [outline, hole, hole, ...]:
//   1. hole removal splices the holes into the outline (entry 0), one at a time, in
//      order of their leftmost x, by a bridge from the hole's leftmost vertex M to
//      the nearest point of the outline that a ray from M towards -x meets; where the
//      bridge meets the inside of an edge, that point becomes a new position;
//   2. convex cuts cut every entry present then into convex pieces, appended at the
//      end of the list: find the first corner that is not strictly convex, grow a
//      convex piece forward from it, shrink it until no other vertex lies inside,
//      cut it off along one diagonal.
// Each step runs in two ways over the same rules (DecompositionRules.h): the simple
// one reads every point through the lists (quadratic, the reference the tests
// compare with); the fast one gives the same lists, points and order with an index
// over the points. Decompose() takes the fast steps where their preconditions hold
// (finite coordinates of moderate size) and the simple ones otherwise.
#pragma once

#include <cstddef>
#include <vector>

#include <kor/ShapeExport/Vertex.h>
#include <kor/math/Vec.h>

#include "DecompositionRules.h"
#include "VertexRuns.h"

namespace kor {
namespace ShapeExport {
namespace detail {

// The points a decomposition reads: the cross section's positions, then the points
// hole removal appends, which take the next indices.
class Points {
public:
    explicit Points(const std::vector<Point>& positions) : m_positions(positions) {}

    const Point& operator[](int index) const {
        const std::size_t i = static_cast<std::size_t>(index);
        return i < m_positions.size() ? m_positions[i] : m_added[i - m_positions.size()];
    }
    std::size_t Size() const { return m_positions.size() + m_added.size(); }
    // Appends a point and returns its index.
    int Append(const Point& point) {
        m_added.push_back(point);
        return static_cast<int>(Size() - 1);
    }
    const std::vector<Point>& Added() const { return m_added; }

private:
    const std::vector<Point>& m_positions;
    std::vector<Point> m_added;
};

// The convex-loop list while it is built: the working outline first, then the holes
// not spliced (yet), then the pieces cut so far.
struct WorkingList {
    static constexpr int kOutline = -1;
    static constexpr int kPiece = -2;

    std::vector<VertexList> loops;
    // Per entry: the list position of its leftmost vertex as the entry's Loop finds
    // it (-1: none); hole removal chooses among the entries after the first by it.
    std::vector<int> leftMost;
    // Per entry: kOutline, the number of the hole it came from, or kPiece.
    std::vector<int> origin;

    std::size_t Size() const { return loops.size(); }
    // Room for the pieces that cutting the entries can add (at most one per vertex).
    void ReserveForPieces() {
        std::size_t room = loops.size();
        for (const VertexList& loop : loops) room += loop.size();
        loops.reserve(room);
        leftMost.reserve(room);
        origin.reserve(room);
    }
    void Add(VertexList loop, int leftMostPosition, int from) {
        loops.push_back(std::move(loop));
        leftMost.push_back(leftMostPosition);
        origin.push_back(from);
    }
    void Erase(std::size_t entry);
};

// One hole of a cross section: its vertices and the list position of its leftmost
// vertex (-1: none).
struct Hole {
    const VertexList* vertices;
    int leftMost;
};

// What a decomposition hands back.
struct Decomposition {
    WorkingList list;
    std::vector<Point> added;  // the new points, indices positions.size(), ... on
    // True when the guard "no more loops than positions" stopped a cut: the result
    // then depends on the number of positions, not only on the loops' points.
    bool limitedByPositions = false;
};

// The whole decomposition of an outline with holes over `positions`; every index of
// the loops must name a position.
Decomposition Decompose(const std::vector<Point>& positions, const VertexList& outline, const std::vector<Hole>& holes);
// The same with the simple steps only (the reference).
Decomposition DecomposeSimply(const std::vector<Point>& positions, const VertexList& outline,
                              const std::vector<Hole>& holes);

// The simple steps, one at a time (the cross section's protected steps use them).
// Splices one hole into entry 0; false (nothing changed) when none can be spliced.
bool RemoveHole(WorkingList& list, Points& points);
// Cuts one convex piece off `loop` into `piece`; false when `loop` cannot be split
// (convex, 3 vertices or fewer, or no start works).
bool CutPiece(VertexList& loop, const Points& points, VertexList& piece);
// Cuts every entry present at the start into pieces, appended at the end, until
// each is convex or cannot be split; the list never grows to as many loops as there
// are points (`limited` is set where that stopped a cut).
void CutPieces(WorkingList& list, const Points& points, bool& limited);

// Appends the pieces `cut(piece)` cuts off one loop (it returns false once nothing is
// cut) until the list would hold as many loops as there are points (`limited` set).
// Shared by the simple and the fast steps, so that both stop alike.
template <typename Cut>
void AddPieces(WorkingList& list, const Points& points, bool& limited, Cut cut) {
    for (VertexList piece;;) {
        if (list.Size() >= points.Size()) {
            limited = true;
            return;
        }
        if (!cut(piece)) return;
        list.Add(std::move(piece), -1, WorkingList::kPiece);
    }
}

// The fast steps: the same results as calling RemoveHole until it returns false, and
// as CutPieces. Preconditions: every point of the lists finite with
// |coordinate| <= kFastCoordinateLimit.
constexpr double kFastCoordinateLimit = 1e150;
void RemoveHolesFast(WorkingList& list, Points& points);
void CutPiecesFast(WorkingList& list, const Points& points, bool& limited);

}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
