// A convex piece made engine-ready under a slop: what a physics engine welds or
// rejects (points closer than its slop, corners that go nearly straight on, slivers)
// taken out of the piece before the engine sees it.
#pragma once

#include <vector>

#include "Decomposition.h"

namespace kor {
namespace ShapeExport {
namespace detail {

// Drops, in sweeps around the convex counter-clockwise `piece`, every vertex less
// than `slop` out from the line through its neighbours (so also every vertex closer
// than `slop` to the one before it), until none is left: first only where what a
// new edge replaces stays within the slop of it, then regardless. The edge that
// replaces two is a cut when either was. Dropping a vertex of a convex piece leaves
// a convex piece inside it, so pieces that tiled a shape never overlap afterwards.
// Returns false where fewer than three vertices are left (as of a piece thinner
// than the slop): the caller leaves the piece out.
bool ApplySlop(VertexList& piece, const std::vector<Point>& positions, double slop);

}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
