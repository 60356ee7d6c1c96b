// Checks of loops that the decomposition itself never makes, for hosts and tools
// that want to know what they hand it or get back.
//
// Orientation: hole removal and the convex cuts expect every outline to run
// counter-clockwise and every hole clockwise, as the loops hold them (x to the
// right, y up). A document stores hole index lists in reverse, so there both run
// counter-clockwise. A loop with the other orientation is decomposed into pieces
// that are clockwise or cover the hole; nothing in the decomposition tests it.
//
// Convexity: the exact steps cut counter-clockwise convex pieces, but hand back
// unchanged a loop they cannot split (corners within the turn tolerance, bridges
// that meet other holes, clockwise loops).
#pragma once

#include <cstddef>
#include <vector>

#include <kor/ShapeExport/CrossSections.h>
#include <kor/ShapeExport/Export.h>
#include <kor/ShapeExport/Loop.h>
#include <kor/math/Vec.h>

namespace kor {
namespace ShapeExport {

// The signed area of the polygon the loop's vertices make over `positions`
// (counter-clockwise positive); vertices whose index lies outside are passed over.
SHAPEEXPORT_EXPORT double SignedArea(const Loop& loop, const std::vector<kor::Vec<2, double>>& positions);

// Whether the loop is a convex counter-clockwise polygon as the convex cuts make
// them: no corner turns clockwise by more than their tolerance (a cross product of
// 1e-6 of the neighbouring edges), and the area is not negative. Loops of fewer
// than three vertices are not.
SHAPEEXPORT_EXPORT bool IsConvex(const Loop& loop, const std::vector<kor::Vec<2, double>>& positions);

// A loop of an item that runs the other way than the decomposition expects.
struct WrongOrientation {
    std::size_t item;
    int hole;  // -1: the outline; else the interior loop's place
};

// Every outline with a negative area and every hole with a positive one, in item
// order (loops of zero area have no orientation and are not listed).
SHAPEEXPORT_EXPORT std::vector<WrongOrientation> FindWrongOrientations(const CrossSections& set);

// Reverses the loops FindWrongOrientations lists (each vertex keeps the exterior
// flag of the edge that now arrives at it) and returns how many. Convex loops
// computed before are discarded, with the positions they appended
// (ResetConvexLoops), when any loop is reversed.
SHAPEEXPORT_EXPORT std::size_t FixOrientations(CrossSections& set);

}  // namespace ShapeExport
}  // namespace kor
