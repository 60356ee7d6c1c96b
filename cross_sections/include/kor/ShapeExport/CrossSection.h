// kor::ShapeExport::CrossSection: one planar outline with holes, and on request its
// decomposition into convex loops.
//
// The exterior loop runs counter-clockwise and every interior loop (hole) clockwise,
// x to the right and y up; nothing tests or changes the orientation. All loops index
// one 2D position array that the cross section refers to but does not own (in
// practice the array of its CrossSections set); a default-constructed cross section
// refers to the shared empty array m_emptyPositions.
//
// Convex loops are computed on the first GetConvexLoops()/ConvexLoops() and kept:
//   1. the exterior and interior loops are copied into the list;
//   2. every hole is spliced into the outline (entry 0) by a bridge from the hole's
//      leftmost vertex to the nearest point of the outline to its left; where the
//      bridge meets the inside of an edge a new position is appended to the array
//      and its index recorded in AddedVertices();
//   3. every entry is cut into convex pieces, appended at the end of the list.
// The result holds the rest of the outline first, then any hole that could not be
// spliced, then the pieces in the order they were cut. ResetConvexLoops() discards it.
//
// Choices made where the behaviour is open:
//   - Convex pieces are bound to the cross section's position array, so a piece's
//     BBox() and LeftMostVertex() see real coordinates. (Entries copied from the
//     exterior and interior loops keep those loops' arrays.)
//   - A cross section whose exterior or interior loops hold an index outside the
//     position array (its own, or a loop's own array) is not decomposed: its convex
//     list becomes just the copies of its loops, with no hole removal, no cuts and
//     no added positions. Nothing is read out of bounds.
//   - A decomposition never runs away: every loop of the algorithm is bounded by the
//     loop sizes, also for NaN or infinite coordinates.
//
// There are no move operations: a move copies.
//
// Threads: the library has no shared mutable state of its own, so separate cross
// sections (on separate position arrays) may be used in separate threads freely.
// Const operations of one cross section may run concurrently once its convex loops
// exist (after GetConvexLoops or ConvexLoops): they only read. The first
// decomposition is not a read: it fills the convex loops and appends positions to
// the shared array, so it must not run while anything else uses the cross section,
// its array, or another cross section on the same array.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <set>
#include <vector>

#include <kor/ShapeExport/Export.h>
#include <kor/ShapeExport/Loop.h>
#include <kor/math/BBox.h>
#include <kor/math/Vec.h>

namespace kor {
class Dom;

namespace ShapeExport {

class CrossSections;
namespace detail {
struct Decomposition;
}

class SHAPEEXPORT_EXPORT CrossSection {
public:
    // The array of a default-constructed cross section. Always empty.
    static std::vector<kor::Vec<2, double>> m_emptyPositions;

    CrossSection();
    // Bound to `positions`; with `fill` the exterior loop runs through every position
    // in array order, otherwise it is empty.
    CrossSection(std::vector<kor::Vec<2, double>>& positions, bool fill);
    CrossSection(const CrossSection& other);
    // Re-binding copy: every loop of the copy is bound to `positions`. The convex
    // loops are taken from other.GetConvexLoops(), so a plain `other` is decomposed
    // first (which may append positions to other's array).
    CrossSection(const CrossSection& other, std::vector<kor::Vec<2, double>>& positions);
    // Assigns the loops (each keeping its own array); the target keeps its own array
    // and added vertices.
    CrossSection& operator=(const CrossSection& other);
    ~CrossSection();

    const Loop& ExteriorLoop() const { return m_exterior; }
    Loop& GetExteriorLoop() { return m_exterior; }
    const std::vector<Loop>& InteriorLoops() const { return m_interiors; }
    std::vector<Loop>& GetInteriorLoops() { return m_interiors; }
    const std::vector<kor::Vec<2, double>>& Positions() const { return *m_positions; }
    const std::vector<int>& AddedVertices() const { return m_added; }

    // The convex loops, computed first when the list is empty and the exterior loop
    // has vertices.
    std::vector<Loop>& GetConvexLoops();
    const std::vector<Loop>& ConvexLoops() const;

    // Appends an empty loop on this cross section's array and returns it.
    Loop& AddInteriorLoop();
    // Appends an empty loop to the convex list; a list filled this way is returned
    // as it is by GetConvexLoops().
    Loop& AddConvexLoop() const;
    // Discards the convex loops and adds the indices of the positions they appended
    // to `removed` (the caller erases those positions).
    void ResetConvexLoops(std::set<int>& removed);

    // Box of the exterior and interior loops (indices outside the array skipped).
    kor::BBox<2, double> BBox() const;

    // Reads one cross-section entry (an array of [indices, isExterior] pairs); true
    // when it holds exactly one exterior loop and every loop read is valid.
    bool From(const kor::Dom& entry);
    // Appends this cross section's loop entries to the array node.
    void To(kor::Dom& entries) const;
    // flag false: outlines alike; flag true: convex loops alike (computed first).
    bool IsCompatible(const CrossSection& other, bool convex) const;
    // Indented text of the loops, convex loops computed first when missing.
    void Dump(std::ofstream& out, const char* prefix) const;
    void Dump(std::ostream& out, const char* prefix) const;

protected:
    // The steps of the decomposition, one at a time, on the convex-loop list.
    // Splices one hole into entry 0; false when none can be spliced.
    bool RemoveHole() const;
    void RemoveHoles() const;
    // Cuts one convex piece off entry `index`; true when it cuts nothing.
    bool BuildConvexLoop(std::size_t index) const;
    // Cuts every entry present now into convex pieces.
    void BuildConvexLoops() const;
    // `value` taken cyclically in 0 .. count-1 (0 when count is not positive).
    int Modulo(int value, int count) const;

private:
    friend class CrossSections;
    // A copy of `other` with the convex loops `convex`, all its loops bound to
    // `positions` (a set's copies and moves take it with other's convex loops as
    // they are, without decomposing).
    CrossSection(const CrossSection& other, std::vector<kor::Vec<2, double>>& positions,
                 const std::vector<Loop>& convex);
    // Fills the convex list when it is empty and the exterior loop has vertices.
    void ComputeConvexLoops() const;
    // True when every index of the exterior and interior loops names one of the
    // first `count` positions of this cross section's array and a position of the
    // loop's own array.
    bool IndicesInRange(std::size_t count) const;
    // The decomposition of the exterior and interior loops over the array as it is.
    detail::Decomposition Decompose() const;
    // Takes `result` as the convex loops. It was computed when the array held `base`
    // positions; the array has grown by `shift` since, so the new points' indices
    // move up by that much.
    void Apply(detail::Decomposition&& result, std::size_t base, std::size_t shift) const;
    // Decomposes the plain items of a set on `positions`, on up to `threads` threads,
    // with the result of decomposing them one after the other in item order.
    static void DecomposeAll(std::vector<CrossSection>& items, std::vector<kor::Vec<2, double>>& positions,
                             unsigned threads);
    Loop m_exterior;
    std::vector<Loop> m_interiors;
    mutable std::vector<Loop> m_convex;
    std::vector<kor::Vec<2, double>>* m_positions;
    mutable std::vector<int> m_added;
};

}  // namespace ShapeExport
}  // namespace kor
