// Engine-ready pieces under a slop (see PieceSlop.h).
#include "PieceSlop.h"

#include "CornerSweep.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace kor {
namespace ShapeExport {
namespace detail {

namespace {

// How far `at` lies out from the line before -> after, on the outer side of a
// counter-clockwise piece (negative inside): twice the triangle's area, -Turn, over
// the length of before -> after; from `before` where the two coincide.
double Depth(const Point& before, const Point& at, const Point& after) {
    const double length = std::sqrt(Distance2(before, after));
    return length > 0.0 ? -Turn(before, at, after) / length : std::sqrt(Distance2(before, at));
}

}  // namespace

SlopOutcome ApplySlop(VertexList& piece, const std::vector<Point>& positions, double slop, double tolerance) {
    // Each vertex carries how far the vertices dropped from the edge arriving at it
    // may lie out from that edge: a point out from a -> v lies at most its depth
    // there plus v's depth out from a -> c. First a corner goes straight on only where
    // all it takes with it stays within the slop of the edge that replaces it, so
    // that a fine arc keeps its shape rather than being worn down from one end; then,
    // where that leaves corners within the slop, regardless. A vertex closer than the
    // slop to the one before it lies less than the slop out from any line through
    // that one: it goes too.
    VertexList ring = piece;
    for (const bool bounded : {true, false})
        DropCorners(
            ring, positions, 2,
            [&](const Point& before, const Point& at, const Point& after, double carried, double& carriedAfter) {
                const double depth = Depth(before, at, after);
                const double debt = std::max(carried, carriedAfter) + std::max(depth, 0.0);
                if (!(depth < slop) || IsReflex(before, at, after, tolerance) || (bounded && debt >= slop))
                    return false;
                carriedAfter = debt;
                return true;
            });
    // A piece thinner than the slop has none left: its vertex farthest from the edge
    // it lies flush with is less than the slop out from its neighbours' line.
    const std::size_t n = ring.size();
    if (n < 3) return SlopOutcome::LeftOut;
    auto at = [&](std::size_t i) -> const Point& { return positions[static_cast<std::size_t>(ring[i % n].Index())]; };
    for (std::size_t i = 0; i < n; ++i)
        if (IsReflex(at(i + n - 1), at(i), at(i + 1), tolerance)) return SlopOutcome::NotConvex;
    piece = std::move(ring);
    return SlopOutcome::Kept;
}

}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
