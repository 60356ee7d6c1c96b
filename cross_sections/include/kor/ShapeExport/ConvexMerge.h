// kor::ShapeExport::MergeConvexLoops: fewer and, on request, smaller convex pieces
// from a decomposition, for hosts that hand the pieces to a physics engine or a
// collision system: every piece it returns is convex and counter-clockwise, and with
// a bound it has at most that many vertices.
//
// The decomposition of a cross section (CrossSection::ConvexLoops) is greedy and
// stays as it is; this is an opt-in step over its result, a pure function over the
// positions and the loops that returns new loops over the same positions (no
// position is added). Its decisions (convex enough, straight) compare the turn of a
// corner, the cross product of its edges, with 1e-12 of the squared extent of the
// loops' positions, so that a shape decides alike at any scale (beyond 2^500, the
// step works on the positions scaled by a power of two, exactly as they are but
// for coordinates that small beside the largest: no product overflows). In order:
//   0. the loops that are not convex (the exact steps hand back a loop they cannot
//      split) are cut into triangles, ears first, by diagonals inside them where no
//      ear is left; loops without area (a hole that could not be spliced, a flat
//      run), with indices outside the positions or with non-finite points are left
//      out;
//   1. merge: two pieces that share an edge (one runs u -> v, the other v -> u) are
//      joined when their union is convex and, with a bound, has at most that many
//      vertices. Shared edges are taken in list order, piece by piece, so the result
//      is deterministic. Then three pieces in a row (one sharing an edge with each of
//      the two others) whose union, of at most 32 vertices, has at most two reflex
//      corners are cut again by one diagonal from a reflex corner (to the other one,
//      if there are two), where that leaves two strictly convex corners at each end:
//      two pieces for three (or one, where the union is convex). In up to 8 rounds,
//      pieces in list order; a round tries again only what holds a piece changed by
//      the round before. A joined ring that is not convex (pieces that overlap, such
//      as the triangles of a loop that crosses itself) is cut into triangles again;
//   2. clean: vertices where the outline goes straight on or repeats a position are
//      dropped, down to three;
//   3. bound: a piece with more than maxVertices vertices is halved by the diagonal
//      from its first vertex to its middle one, again and again (a diagonal of a
//      convex piece leaves two convex pieces, so the bound always holds, also for
//      pieces of nearly straight corners); a bound below 3 counts as 3. A piece that
//      cleaning or halving leaves turning the wrong way beyond the tolerance (a
//      sliver between nearly coincident points, seen from a far vertex) is cut into
//      triangles, or left out where it encloses no area;
//   4. slop (a distance in the units of the positions, for an engine that welds
//      points closer than its slop and rejects straight corners and slivers): from
//      each piece, before the bound and again after it, vertices less than the slop
//      out from the line through their neighbours are dropped until none is left
//      (first only where what a new edge replaces stays within the slop of it, so
//      that a fine arc keeps its shape; never a corner that turns the wrong way
//      beyond the tolerance), and a piece left with fewer than three vertices is
//      left out; a piece whose tiny edges hide a wrong-way turn is cut into
//      triangles first. So every piece has corners that stand at least the slop
//      out, vertices at least the slop apart along its outline and a width of at
//      least the slop. Dropping a vertex of a convex piece leaves a convex piece
//      inside it: the pieces still never overlap, and what they lose lies along
//      their outlines, about a third of the slop times the outline's length on
//      fine arcs, and the pieces thinner than the slop. A slop that is not a positive
//      finite number is none (the front ends refuse negative and non-finite ones).
// Without a slop, the pieces tile the loops they came from where those are convex
// or simple; where the exact steps left a loop that touches itself, or a hole they
// could not splice (left out above), the pieces may overlap there. Exterior flags
// keep their meaning: true where the edge arriving at the vertex lies on the outline
// or a hole, false where it is a cut.
#pragma once

#include <cmath>
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
    double slop = 0.0;            // engine-ready under this distance (step 4); 0: none
};

// Whether the options ask for any step: with none, a front end hands the
// decomposition on as it is (MergeConvexLoops would still cut the loops that are
// not convex into triangles and leave out those without area).
inline bool AsksForAnyStep(const ConvexMergeOptions& options) {
    return options.merge || options.clean || options.maxVertices != 0 ||
           (std::isfinite(options.slop) && options.slop > 0.0);
}

SHAPEEXPORT_EXPORT std::vector<Loop> MergeConvexLoops(const std::vector<kor::Vec<2, double>>& positions,
                                                      const std::vector<Loop>& loops,
                                                      const ConvexMergeOptions& options = ConvexMergeOptions());

}  // namespace ShapeExport
}  // namespace kor
