// Corners of convex pieces: the wrong-way test of every merge decision, and dropping
// corners of a ring in sweeps, the one layout that cleaning a piece and making it
// engine-ready under a slop share.
#pragma once

#include <cstddef>
#include <vector>

#include "Decomposition.h"

namespace kor {
namespace ShapeExport {
namespace detail {

// Whether the outline turns the wrong way (clockwise) at `at`, beyond the tolerance.
inline bool IsReflex(const Point& before, const Point& at, const Point& after, double tolerance) {
    return Turn(before, at, after) > tolerance;
}

// Drops corners of `ring` (indices of valid positions) in sweeps until a sweep
// drops none, keeping more than `fewest` (2 or more) of them. Each sweep is one pass
// that compacts the kept vertices to the front of the ring: corner i is seen between
// the vertex before it (the last one kept, or the ring's last before any is) and the
// one after it (the next one, or the first one kept at the end). `drop(before, at,
// after, carried, carriedAfter)` decides; each vertex carries a number (0 at first)
// that the decision reads for the corner and for the vertex after it, and may set
// for the vertex after it when the corner goes. The edge that replaces two is a cut
// when either was.
template <typename Drop>
void DropCorners(VertexList& ring, const std::vector<Point>& positions, std::size_t fewest, Drop drop) {
    auto at = [&](const Vertex& v) -> const Point& { return positions[static_cast<std::size_t>(v.Index())]; };
    std::vector<double> carried(ring.size(), 0.0);
    for (bool changed = true; changed && ring.size() > fewest;) {
        changed = false;
        const std::size_t n = ring.size();
        std::size_t kept = 0;  // ring[0, kept): the vertices kept so far, in place
        for (std::size_t i = 0; i < n; ++i) {
            // At the end, at least fewest - 1 are kept: the first of them is in place.
            const std::size_t next = i + 1 == n ? 0 : i + 1;
            if (n - (i - kept) > fewest &&
                drop(at(ring[kept == 0 ? n - 1 : kept - 1]), at(ring[i]), at(ring[next]), carried[i], carried[next])) {
                ring[next].SetExterior(ring[next].Exterior() && ring[i].Exterior());
                changed = true;
                continue;
            }
            ring[kept] = ring[i];
            carried[kept] = carried[i];
            ++kept;
        }
        ring.erase(ring.begin() + static_cast<std::ptrdiff_t>(kept), ring.end());
        carried.resize(kept);
    }
}

}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
