// The document of a decomposition, as `shapeexport decompose` writes it and the
// Python module hands it back, written once over an output with the calls of
// kor::detail::JsonEmitter:
//   {"positions": [[x, y], ...],
//    "items": [{"convex": [[[index, exterior], ...], ...], "notConvex": [piece, ...],
//               "added": [index, ...]}, ...]}
// `pieces` holds the convex loops to write for every item, in item order;
// "notConvex" lists those that are not convex (IsConvex), such as loops the exact
// steps could not split.
#pragma once

#include <cstddef>
#include <vector>

#include <kor/ShapeExport/CrossSections.h>
#include <kor/ShapeExport/LoopChecks.h>

#include "SetLayout.h"

namespace kor {
namespace ShapeExport {
namespace Tool {

template <typename Out>
void WriteDecomposition(Out& out, const CrossSections& set, const std::vector<std::vector<Loop>>& pieces) {
    out.BeginObject();
    out.Key("positions");
    out.BeginArray(!set.Positions().empty());
    detail::WritePoints(out, set.Positions());
    out.End();
    out.Key("items");
    out.BeginArray(!set.Items().empty());
    for (std::size_t i = 0; i < set.Items().size(); ++i) {
        out.BeginObject();
        out.Key("convex");
        out.BeginArray(!pieces[i].empty());
        for (const Loop& loop : pieces[i]) {
            out.BeginArray(!loop.Vertices().empty());
            for (const Vertex& v : loop.Vertices()) {
                out.BeginArray(false);
                out.Int(v.Index());
                out.Bool(v.Exterior());
                out.End();
            }
            out.End();
        }
        out.End();
        out.Key("notConvex");
        out.BeginArray(false);
        for (std::size_t k = 0; k < pieces[i].size(); ++k)
            if (!IsConvex(pieces[i][k], set.Positions())) out.Int(static_cast<long long>(k));
        out.End();
        out.Key("added");
        out.BeginArray(false);
        for (int index : set.Items()[i].AddedVertices()) out.Int(index);
        out.End();
        out.End();
    }
    out.End();
    out.End();
}

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
