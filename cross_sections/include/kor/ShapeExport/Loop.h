// kor::ShapeExport::Loop: a closed planar polygon, an ordered list of vertices whose
// indices name points of a 2D position array that the loop refers to but does not
// own. The last vertex joins the first; nothing is repeated at the end.
//
// The loop never owns or copies the array, and the array must outlive it. A
// default-constructed loop refers to the shared empty array m_emptyPositions, so the
// reference is never null. Copy construction keeps the source's array; assignment
// copies only the vertex list (the target keeps its own array); the re-binding
// constructor is the way to give a vertex list another array. There are no move
// operations: a move copies.
//
// Leftmost cache: LeftMostVertex() remembers the list position it found. Every
// editing operation (AddVertex, InsertVertex, Add, Cut), construction and
// assignment clear it, so the cached value always names a vertex of the current
// list; moving the positions themselves does not clear it.
//
// Indices are not tested against the array except where stated: BBox() and
// LeftMostVertex() skip indices outside it.
#pragma once

#include <iosfwd>
#include <vector>

#include <kor/ShapeExport/Export.h>
#include <kor/ShapeExport/Vertex.h>
#include <kor/math/BBox.h>
#include <kor/math/Vec.h>

namespace kor {
class Dom;

namespace ShapeExport {

class SHAPEEXPORT_EXPORT Loop {
public:
    // The array of a loop that was given none. Always empty.
    static const std::vector<kor::Vec<2, double>> m_emptyPositions;

    Loop();
    // Bound to `positions`; with `fill` the loop runs through every position in
    // array order (Vertex(i, true) for i = 0 .. size-1), otherwise it is empty.
    Loop(const std::vector<kor::Vec<2, double>>& positions, bool fill);
    // Bound to `positions` with the given vertices.
    Loop(const std::vector<kor::Vec<2, double>>& positions, std::vector<Vertex> vertices);
    Loop(const Loop& other);
    // Copies the vertex list of `other` and binds it to `positions`.
    Loop(const Loop& other, const std::vector<kor::Vec<2, double>>& positions);
    Loop& operator=(const Loop& other);
    ~Loop();

    const std::vector<Vertex>& Vertices() const { return m_vertices; }
    const std::vector<kor::Vec<2, double>>& Positions() const { return *m_positions; }

    // Appends Vertex(index, exterior).
    void AddVertex(int index, bool exterior);
    // Inserts Vertex(index, true) before list position `pos` when 0 <= pos < size;
    // any other `pos` appends it.
    void InsertVertex(int index, int pos);
    // Copies the cyclic run of `other` from list position `first` to `last` (-1: the
    // whole loop, starting at `first`). Into an empty loop the run becomes the list;
    // into a non-empty one it is spliced in after the vertex P at `at`, followed by a
    // copy of P, both crossings marked as cuts (the bridge of hole removal). Out-of-
    // range positions change nothing, and so does adding a loop to itself.
    void Add(const Loop& other, int at, int first, int last);
    // Drops the vertices strictly between list positions `first` and `last`
    // (cyclically), so that they become neighbours joined by a cut.
    void Cut(int first, int last);
    // List position of the first vertex with the smallest x (-1 when there is none).
    int LeftMostVertex();
    // Bounding box of the positions the vertices name; indices outside the array
    // are skipped.
    kor::BBox<2, double> BBox() const;

    // Document form: an array of vertex indices.
    // From: appends (exterior) or prepends (not exterior) every index that lies
    // inside the array, drops a closing repeat, true when more than 2 vertices remain.
    bool From(const kor::Dom& indices, bool exterior);
    // Appends the indices to the array node, in vertex order or reversed.
    void To(kor::Dom& indices, bool exterior) const;

    // True when both vertex lists have the same length and, place by place, the
    // same index and exterior flag.
    bool IsCompatible(const Loop& other) const;

    // Writes every vertex index on a line of its own, each line starting with `prefix`.
    void Dump(std::ofstream& out, const char* prefix) const;
    void Dump(std::ostream& out, const char* prefix) const;

private:
    std::vector<Vertex> m_vertices;
    const std::vector<kor::Vec<2, double>>* m_positions;
    int m_leftMost;
};

}  // namespace ShapeExport
}  // namespace kor
