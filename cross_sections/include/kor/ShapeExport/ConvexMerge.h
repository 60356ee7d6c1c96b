// kor::ShapeExport::MergeConvexLoops: fewer and, on request, smaller convex pieces
// from a decomposition, for hosts that hand the pieces to a physics engine or a
// collision system.
//
// The decomposition of a cross section (CrossSection::ConvexLoops) is greedy and
// stays as it is; this is an opt-in step over its result, a pure function over the
// positions and the loops that returns new loops over the same positions (no
// position is added). In order:
//   1. merge: two pieces that share an edge (one runs u -> v, the other v -> u) are
//      joined when their union is convex, the corners where they meet turning by at
//      most the decomposition's turn tolerance (1e-6). Shared edges are taken in
//      list order, piece by piece, so the result is deterministic. Since a union is
//      only taken when it is convex, a piece never covers a hole: the two sides of
//      a bridge are joined like any other shared edge, only where that holds;
//      Then three pieces in a row (one sharing an edge with each of the two others)
//      whose union, of at most 32 vertices, has at most two reflex corners are cut
//      again by one diagonal from a reflex corner (to the other one, if there are
//      two), where that leaves two strictly convex corners at each end: two pieces
//      for three (or one, where the union is convex). In up to 8 rounds, pieces in
//      list order; the two new pieces stand where the first two of the three stood;
//      a round tries again only what holds a piece changed by the round before;
//   2. clean: vertices where the outline goes straight on (the turn within 1e-6 of
//      zero) or repeats a position are dropped, down to three;
//   3. bound: a piece with more than maxVertices vertices is halved by a diagonal,
//      again and again, into pieces of at most maxVertices vertices (a value below 3
//      counts as 3); the diagonal is the first, from vertex 0 on, that leaves a
//      strictly convex corner on both sides, so no piece is a flat run of points.
// Only convex pieces take part: loops with fewer than three vertices, with indices
// outside the positions or non-finite points, with a corner that turns the other
// way by more than the tolerance, or without positive area (the holes that could
// not be spliced, the remains of a loop that could not be split) are handed back
// unchanged, in their place. A joined piece stands where the first of its parts
// stood. Exterior flags keep their meaning: true where the edge arriving at the
// vertex lies on the outline or a hole, false where it is a cut.
#pragma once

#include <cstddef>
#include <vector>

#include <kor/ShapeExport/Export.h>
#include <kor/ShapeExport/Loop.h>
#include <kor/math/Vec.h>

namespace kor {
namespace ShapeExport {

// The smallest bound on the vertices of a piece (a triangle). The front ends (the
// tool, the Python module) refuse bounds of 1 and 2; this function takes them as 3.
constexpr std::size_t kSmallestVertexBound = 3;

struct ConvexMergeOptions {
    bool merge = true;            // join adjacent pieces whose union is convex
    bool clean = false;           // drop vertices where the outline goes straight on
    std::size_t maxVertices = 0;  // split pieces with more vertices; 0: no bound
};

SHAPEEXPORT_EXPORT std::vector<Loop> MergeConvexLoops(const std::vector<kor::Vec<2, double>>& positions,
                                                      const std::vector<Loop>& loops,
                                                      const ConvexMergeOptions& options = ConvexMergeOptions());

}  // namespace ShapeExport
}  // namespace kor
