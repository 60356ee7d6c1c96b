// Building blocks for geometry tests: point lists, cross sections on them, signed
// areas and convexity checks computed independently of the library.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

#include <kor/ShapeExport/CrossSection.h>
#include <kor/ShapeExport/Loop.h>
#include <kor/math/Vec.h>

namespace testing_support {

using Point = kor::Vec<2, double>;
using Points = std::vector<Point>;

// A cross section on `positions` with the given exterior indices and holes.
inline kor::ShapeExport::CrossSection MakeSection(Points& positions, const std::vector<int>& exterior,
                                                  const std::vector<std::vector<int>>& holes = {}) {
    kor::ShapeExport::CrossSection section(positions, false);
    for (int i : exterior) section.GetExteriorLoop().AddVertex(i, true);
    for (const std::vector<int>& hole : holes) {
        kor::ShapeExport::Loop& loop = section.AddInteriorLoop();
        for (int i : hole) loop.AddVertex(i, true);
    }
    return section;
}

// Signed area (counter-clockwise positive) of a loop over `positions`.
inline double SignedArea(const kor::ShapeExport::Loop& loop, const Points& positions) {
    const std::vector<kor::ShapeExport::Vertex>& v = loop.Vertices();
    double twice = 0.0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        const Point& p = positions[static_cast<std::size_t>(v[i].Index())];
        const Point& q = positions[static_cast<std::size_t>(v[(i + 1) % v.size()].Index())];
        twice += p.x() * q.y() - q.x() * p.y();
    }
    return twice / 2.0;
}

// True when no corner of the loop turns clockwise by more than `tolerance`
// (collinear and repeated points allowed).
inline bool IsConvexCcw(const kor::ShapeExport::Loop& loop, const Points& positions, double tolerance = 1e-9) {
    const std::vector<kor::ShapeExport::Vertex>& v = loop.Vertices();
    const std::size_t n = v.size();
    for (std::size_t i = 0; i < n; ++i) {
        const Point& a = positions[static_cast<std::size_t>(v[(i + n - 1) % n].Index())];
        const Point& b = positions[static_cast<std::size_t>(v[i].Index())];
        const Point& c = positions[static_cast<std::size_t>(v[(i + 1) % n].Index())];
        const double cross = (b.x() - a.x()) * (c.y() - b.y()) - (b.y() - a.y()) * (c.x() - b.x());
        if (cross < -tolerance) return false;
    }
    return true;
}

}  // namespace testing_support
