// Internal: the document layout of a set, written once for both writers: To fills a
// kor::Dom through DomOut, Write writes the text through JsonEmitter (both in
// document/). `Out` is either of them.
//
//   {"RefPoints": [], "Outlines": [[[x, y], ...], [cross section, ...]],
//    "Params": [{"key": value}, ...]}           (Params only when there are any)
//   cross section: [[[index, ...], true], [[index, ...], false], ...]
//
// The exterior loop's entry comes first, then one entry per hole, whose index list
// is stored in reverse (the document lists a hole counter-clockwise when the loop
// runs clockwise).
#pragma once

#include <kor/ShapeExport/CrossSections.h>

namespace kor {
namespace ShapeExport {
namespace detail {

// The indices of a loop, in vertex order for the exterior loop, reversed for a hole.
template <typename Out>
void WriteIndices(Out& out, const Loop& loop, bool exterior) {
    const std::vector<Vertex>& vertices = loop.Vertices();
    if (exterior)
        for (const Vertex& v : vertices) out.Int(v.Index());
    else
        for (auto v = vertices.rbegin(); v != vertices.rend(); ++v) out.Int(v->Index());
}

// The loop entries of a cross section, as elements of the open array.
template <typename Out>
void WriteEntries(Out& out, const CrossSection& item) {
    auto entry = [&out](const Loop& loop, bool exterior) {
        out.BeginArray(!loop.Vertices().empty());
        out.BeginArray(false);
        WriteIndices(out, loop, exterior);
        out.End();
        out.Bool(exterior);
        out.End();
    };
    entry(item.ExteriorLoop(), true);
    for (const Loop& hole : item.InteriorLoops()) entry(hole, false);
}

// Points as [x, y], as elements of the open array.
template <typename Out>
void WritePoints(Out& out, const std::vector<kor::Vec<2, double>>& points) {
    for (const kor::Vec<2, double>& p : points) {
        out.BeginArray(false);
        out.Double(p.x());
        out.Double(p.y());
        out.End();
    }
}

template <typename Out>
void WriteSet(Out& out, const CrossSections& set) {
    out.BeginObject();
    out.Key("RefPoints");
    out.BeginArray(false);
    out.End();
    out.Key("Outlines");
    out.BeginArray(!set.Positions().empty() || !set.Items().empty());
    out.BeginArray(!set.Positions().empty());
    WritePoints(out, set.Positions());
    out.End();
    out.BeginArray(!set.Items().empty());
    for (const CrossSection& item : set.Items()) {
        out.BeginArray(true);  // never empty: the exterior loop's entry is always there
        WriteEntries(out, item);
        out.End();
    }
    out.End();
    out.End();
    if (!set.Parameters().empty()) {
        out.Key("Params");
        out.BeginArray(true);
        for (const auto& parameter : set.Parameters()) {
            out.BeginObject();
            out.Key(parameter.first);
            out.Double(parameter.second);
            out.End();
        }
        out.End();
    }
    out.End();
}

}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
