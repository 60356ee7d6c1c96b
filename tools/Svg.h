// The picture of a decomposed cross-section set, as an SVG document.
//
// Every item gets a cell of its own, scaled to fit it (y up), laid out side by side
// (at most four to a row) and labelled with its index: the shape shaded in grey, its
// convex pieces filled in distinct light colours, the cuts between pieces dashed (a
// vertex whose exterior flag is false marks the edge arriving at it as a cut), the
// outline and holes as solid lines, and the bridge points that hole removal added as
// red dots. Loops naming a position outside the array or a non-finite one are left
// out of the picture.
#pragma once

#include <string>
#include <vector>

#include <kor/ShapeExport/Loop.h>

namespace kor {
namespace ShapeExport {

class CrossSections;

namespace Tool {

// Draws `set`; computes the convex loops of items that have none yet.
std::string RenderSvg(const CrossSections& set, const std::string& title);
// Draws `set` with pieces[i] as the pieces of item i (one list per item).
std::string RenderSvg(const CrossSections& set, const std::vector<std::vector<Loop>>& pieces, const std::string& title);

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
