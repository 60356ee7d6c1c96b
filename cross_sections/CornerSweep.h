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
// drops none, keeping more than `fewest` of them. Each sweep is one pass that keeps
// vertices into a new ring: corner i is seen between the vertex before it (the last
// one kept, or the ring's last before any is) and the one after it (the next one,
// or the first one kept at the end). `drop(before, at, after, carried, carriedAfter)`
// decides; each vertex carries a number (0 at first) that the decision reads for
// the corner and for the vertex after it, and may set for the vertex after it when
// the corner goes. The edge that replaces two is a cut when either was.
template <typename Drop>
void DropCorners(VertexList& ring, const std::vector<Point>& positions, std::size_t fewest, Drop drop) {
    auto at = [&](const Vertex& v) -> const Point& { return positions[static_cast<std::size_t>(v.Index())]; };
    std::vector<double> carried(ring.size(), 0.0), keptCarried;
    VertexList kept;
    kept.reserve(ring.size());
    keptCarried.reserve(ring.size());
    for (bool changed = true; changed && ring.size() > fewest;) {
        changed = false;
        const std::size_t n = ring.size();
        std::size_t size = n;
        kept.clear();
        keptCarried.clear();
        for (std::size_t i = 0; i < n; ++i) {
            const bool last = i + 1 == n;
            Vertex& after = last ? kept.front() : ring[i + 1];
            double& carriedAfter = last ? keptCarried.front() : carried[i + 1];
            if (size > fewest &&
                drop(at(kept.empty() ? ring[n - 1] : kept.back()), at(ring[i]), at(after), carried[i], carriedAfter)) {
                after.SetExterior(after.Exterior() && ring[i].Exterior());
                --size;
                changed = true;
                continue;
            }
            kept.push_back(ring[i]);
            keptCarried.push_back(carried[i]);
        }
        ring.swap(kept);
        carried.swap(keptCarried);
    }
}

}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
