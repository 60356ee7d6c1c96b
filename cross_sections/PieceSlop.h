// A convex piece made engine-ready under a slop: what a physics engine welds or
// rejects (points closer than its slop, corners that go nearly straight on, slivers)
// taken out of the piece before the engine sees it.
#pragma once

#include <vector>

#include "Decomposition.h"

namespace kor {
namespace ShapeExport {
namespace detail {

enum class SlopOutcome {
    Kept,       // the piece, with what the slop takes out dropped
    LeftOut,    // fewer than three vertices left (as of a piece thinner than the slop)
    NotConvex,  // tiny edges hid a wrong-way turn: the piece is as it was
};

// Drops, in sweeps around the counter-clockwise `piece`, every vertex less than
// `slop` out from the line through its neighbours (so also every vertex closer than
// `slop` to the one before it) that does not turn the wrong way beyond `tolerance`
// (IsReflex), until none is left: first only where what a new edge replaces stays
// within the slop of it, then regardless. The edge that replaces two is a cut when
// either was. Dropping a vertex of a convex piece leaves a convex piece inside it, so
// pieces that tiled a shape never overlap afterwards. A piece whose corners each turn
// within the tolerance can still turn the wrong way along tiny edges; where a
// wrong-way corner is left at the end, the piece stays as it was (NotConvex).
SlopOutcome ApplySlop(VertexList& piece, const std::vector<Point>& positions, double slop, double tolerance);

}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
