// kor::ShapeExport::CrossSections: a set of cross sections over one shared 2D
// position array that the set owns, with a conversion factor applied when reading
// documents, a cached bounding box and named numeric parameters.
//
// Document form (read and written):
//   {"RefPoints": [],
//    "Outlines": [[[x, y], ...],                        positions
//                 [[[[i, ...], true], [[j, ...], false], ...], ...]],   cross sections
//    "Params": ...}
// A cross section is a list of [indices, isExterior] entries with exactly one
// exterior entry; interior index lists are stored in reverse vertex order. "outlines"
// is read when "Outlines" is absent; with only the point array every position forms
// one outline. Parameters are read from an object {"key": number, ...} but written
// as an array of one-member objects, so a written set reads back without them.
// Readers append positions and items to what the set holds and replace the
// parameters; invalid cross sections are dropped.
//
// Copies and moves: the items of a copied or moved set, and all their loops, are
// re-bound to the new set's own positions, so sets can live in containers that
// grow, be returned by value and outlive their source. Copying never decomposes.
// Assignment makes the target an independent copy of the source: every item is
// replaced by a copy of the source's item, its convex loops and added vertices
// included, so after A = B, A.ResetConvexLoops() erases exactly the positions B's
// decompositions appended (from A's own copy of them).
//
// Blending: the convex loops of a's items are computed before positions are taken,
// so bridge points are part of the blend. A blended item keeps the convex loops
// copied from a only when every position they name is the blend of corresponding
// positions: one the blend holds and that is, in a and in b alike, either an
// ordinary position or a bridge point of this same item (equal added vertices).
// Otherwise it is left plain and decomposes again on the blend's positions when
// asked.
//
// Threads: separate sets may be used in separate threads. Const operations of one
// set (reading its positions and items, writing it to a document, dumping it,
// comparing or blending from it) may run concurrently once every item is
// decomposed; the first decomposition of an item appends to the set's positions and
// is therefore a write.
//
// The box is a cache: only the constructors, a read with a factor other than 1,
// NormalizeVertical and copying change it.
#pragma once

#include <iosfwd>
#include <map>
#include <string>
#include <vector>

#include <kor/ShapeExport/CrossSection.h>
#include <kor/ShapeExport/Export.h>
#include <kor/math/BBox.h>
#include <kor/math/Vec.h>

namespace kor {
class Dom;

namespace ShapeExport {
namespace detail {
class SetBuilder;
}

class SHAPEEXPORT_EXPORT CrossSections {
public:
    CrossSections(double conversionFactor = 1.0);  // not explicit: CrossSections s = 0.001; is allowed
    // One item on a copy of `positions`; with `fill` its outline runs through them all.
    CrossSections(const std::vector<kor::Vec<2, double>>& positions, bool fill);
    // Blend: positions (1-t)*a + t*b when a and b are compatible (a's alone
    // otherwise), items copied from a.
    CrossSections(const CrossSections& a, const CrossSections& b, double t, bool convex);
    CrossSections(const CrossSections& other);
    CrossSections(CrossSections&& other);
    CrossSections& operator=(const CrossSections& other);
    CrossSections& operator=(CrossSections&& other);
    ~CrossSections();

    const std::vector<kor::Vec<2, double>>& Positions() const { return m_positions; }
    const std::vector<CrossSection>& Items() const { return m_items; }
    std::vector<CrossSection>& GetItems() { return m_items; }
    const kor::BBox<2, double>& BBox() const { return m_box; }
    const std::map<std::string, double>& Parameters() const { return m_parameters; }

    // Shifts every position vertically so that the lowest point lies on y = 0
    // (nothing moves when it is within 1e-4 of it already).
    void NormalizeVertical();
    // Discards every item's convex loops and erases the positions they appended.
    void ResetConvexLoops();
    // Computes the convex loops of every item that has none, on up to `threads`
    // threads (0: one per core). The result is exactly that of asking the items one
    // after the other, in order: the same loops, and the points hole removal creates
    // appended to the positions in item order.
    void DecomposeAll(unsigned threads = 0);

    // Reads the whole (seekable) stream as JSON; an empty stream or one whose length
    // cannot be taken changes nothing.
    void From(std::istream& in);
    void From(const kor::Dom& document);
    void To(kor::Dom& document) const;
    // The text of the document that To fills into an empty node, as
    // kor::DomWriterJson::Write(out, node, indent, flatArraysOnOneLine) writes it,
    // written without the node; failures show in the stream's state.
    void Write(std::ostream& out, int indent = -1, bool flatArraysOnOneLine = false) const;

    // Same item count and every item compatible with its counterpart.
    bool IsCompatible(const CrossSections& other, bool convex) const;

    // Indented text of the positions and every item; nothing when `out` is not open.
    void Dump(std::ofstream& out, const char* prefix) const;
    void Dump(std::ostream& out, const char* prefix) const;

private:
    friend class detail::SetBuilder;  // what documents make of the set

    void InitBBox();
    void ConvertPositions(double factor);
    // Rewrites every position as (u/w, v/w) of the row vector (x, y, 1) times the
    // 3x3 matrix `m`, and rebuilds the box.
    void TransformPositions(const double (&m)[3][3]);
    // Replaces the items by copies of `items` bound to this set's positions, their
    // convex loops taken as they are.
    void CopyItems(const std::vector<CrossSection>& items);

    std::vector<kor::Vec<2, double>> m_positions;
    std::vector<CrossSection> m_items;
    double m_conversionFactor;
    kor::BBox<2, double> m_box;
    std::map<std::string, double> m_parameters;
};

}  // namespace ShapeExport
}  // namespace kor
