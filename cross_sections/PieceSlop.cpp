// Engine-ready pieces under a slop (see PieceSlop.h).
#include "PieceSlop.h"

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

bool ApplySlop(VertexList& piece, const std::vector<Point>& positions, double slop) {
    auto at = [&](const Vertex& v) -> const Point& { return positions[static_cast<std::size_t>(v.Index())]; };
    // Per vertex, how far the vertices dropped from the edge arriving at it may lie
    // out from that edge: a point out from a -> v lies at most its depth there plus
    // v's depth out from a -> c. First a corner goes straight on only where all it
    // takes with it stays within the slop of the edge that replaces it, so that a
    // fine arc keeps its shape rather than being worn down from one end; then,
    // where that leaves corners within the slop, regardless. A vertex closer than the
    // slop to the one before it lies less than the slop out from any line through
    // that one: it goes too.
    // Each sweep keeps vertices into a new ring in one pass (a vertex looks back at
    // the last one kept, or at the ring's end before any is, and on at the next one,
    // or at the first one kept at the end), down to three.
    std::vector<double> dropped(piece.size(), 0.0), keptDropped;
    VertexList kept;
    for (const bool bounded : {true, false}) {
        for (bool changed = true; changed && piece.size() >= 3;) {
            changed = false;
            const std::size_t n = piece.size();
            std::size_t size = n;
            kept.clear();
            keptDropped.clear();
            for (std::size_t i = 0; i < n; ++i) {
                const bool last = i + 1 == n;
                Vertex& next = last ? kept.front() : piece[i + 1];
                double& nextDropped = last ? keptDropped.front() : dropped[i + 1];
                const double depth = Depth(at(kept.empty() ? piece[n - 1] : kept.back()), at(piece[i]), at(next));
                const double debt = std::max(dropped[i], nextDropped) + std::max(depth, 0.0);
                if (size >= 3 && depth < slop && !(bounded && debt >= slop)) {
                    next.SetExterior(next.Exterior() && piece[i].Exterior());
                    nextDropped = debt;
                    --size;
                    changed = true;
                    continue;
                }
                kept.push_back(piece[i]);
                keptDropped.push_back(dropped[i]);
            }
            piece.swap(kept);
            dropped.swap(keptDropped);
        }
    }
    // A piece thinner than the slop has none left: its vertex farthest from the edge
    // it lies flush with is less than the slop out from its neighbours' line.
    return piece.size() >= 3;
}

}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
