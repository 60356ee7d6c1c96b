// Internal: the edits of vertex lists that loops and the decomposition share. A
// list is a closed polygon (the last vertex joins the first); a run is the cyclic
// stretch from one list position to another. Arguments are list positions inside
// the lists; the callers check them.
#pragma once

#include <vector>

#include <kor/ShapeExport/Vertex.h>

namespace kor {
namespace ShapeExport {
namespace detail {

using VertexList = std::vector<Vertex>;

// The run of `from` from `first` forward to `last`. With last == first it is the
// whole list rotated to begin at `first`, flags unchanged; otherwise its first
// vertex is marked as a cut (the edge arriving there closes the run).
VertexList CopyRun(const VertexList& from, int first, int last);

// Splices the run of `from` from `first` to `last` (with last == first: once
// around and back to `first`) into `into` after the vertex P at `at`, followed by a
// copy of P: a bridge from P into the run and back. Both crossings are cuts.
void SpliceBridge(VertexList& into, int at, const VertexList& from, int first, int last);

// Drops the vertices strictly between `first` and `last` (cyclically) and marks
// the edge now joining them as a cut. When the run wraps (last <= first) the list
// then begins at `last`.
void CutRun(VertexList& list, int first, int last);

// A list position taken cyclically: `count` added while negative, then the
// remainder. `count` must be positive.
inline int Modulo(int value, int count) {
    // The same as adding `count` until the value is not negative, without the loop.
    const int remainder = value % count;
    return remainder < 0 ? remainder + count : remainder;
}

}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
