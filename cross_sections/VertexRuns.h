// Internal: the edits of vertex lists that loops and the decomposition share. A
// list is a closed polygon (the last vertex joins the first); a run is the cyclic
// stretch from one list position to another. Arguments are list positions inside
// the lists; the callers check them.
#pragma once

#include <cstddef>
#include <limits>
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

// The list position of the first vertex with the smallest x (`at(index)` gives a
// vertex's point), vertices whose index is outside [0, count) passed over; -1 when
// no vertex names a point. A vertex takes the place when its x is not at least the
// smallest so far: a NaN x takes it, and so does whatever x comes next.
template <typename PointAt>
int LeftMostPlace(const VertexList& list, std::size_t count, PointAt at) {
    int found = -1;
    double best = std::numeric_limits<double>::max();
    for (std::size_t i = 0; i < list.size(); ++i) {
        const int index = list[i].Index();
        if (index < 0 || static_cast<std::size_t>(index) >= count) continue;
        const double x = at(index).x();
        if (!(x >= best)) {
            found = static_cast<int>(i);
            best = x;
        }
    }
    return found;
}

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
