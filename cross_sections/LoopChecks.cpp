#include <kor/ShapeExport/LoopChecks.h>

#include "DecompositionRules.h"

namespace kor {
namespace ShapeExport {

namespace {

using Point = kor::Vec<2, double>;

std::vector<Point> PointsOf(const Loop& loop, const std::vector<Point>& positions) {
    std::vector<Point> points;
    for (const Vertex& v : loop.Vertices())
        if (v.Index() >= 0 && static_cast<std::size_t>(v.Index()) < positions.size())
            points.push_back(positions[static_cast<std::size_t>(v.Index())]);
    return points;
}

Loop Reversed(const Loop& loop) {
    const std::vector<Vertex>& vertices = loop.Vertices();
    const std::size_t n = vertices.size();
    std::vector<Vertex> reversed;
    reversed.reserve(n);
    // The edge that now arrives at vertex i is the one that left it, which arrived
    // at the vertex after it.
    for (std::size_t k = 0; k < n; ++k)
        reversed.emplace_back(vertices[n - 1 - k].Index(), vertices[(2 * n - k) % n].Exterior());
    return Loop(loop.Positions(), std::move(reversed));
}

}  // namespace

double SignedArea(const Loop& loop, const std::vector<Point>& positions) {
    const std::vector<Point> p = PointsOf(loop, positions);
    double twice = 0.0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const Point& a = p[i];
        const Point& b = p[(i + 1) % p.size()];
        twice += a.x() * b.y() - b.x() * a.y();
    }
    return twice / 2.0;
}

bool IsConvex(const Loop& loop, const std::vector<Point>& positions) {
    const std::vector<Point> p = PointsOf(loop, positions);
    const std::size_t n = p.size();
    if (n < 3 || n != loop.Vertices().size() || !(SignedArea(loop, positions) >= 0.0)) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (!(detail::Turn(p[(i + n - 1) % n], p[i], p[(i + 1) % n]) < detail::kTurnTolerance)) return false;
    return true;
}

std::vector<WrongOrientation> FindWrongOrientations(const CrossSections& set) {
    std::vector<WrongOrientation> wrong;
    for (std::size_t i = 0; i < set.Items().size(); ++i) {
        const CrossSection& item = set.Items()[i];
        if (SignedArea(item.ExteriorLoop(), set.Positions()) < 0.0) wrong.push_back({i, -1});
        for (std::size_t h = 0; h < item.InteriorLoops().size(); ++h)
            if (SignedArea(item.InteriorLoops()[h], set.Positions()) > 0.0) wrong.push_back({i, static_cast<int>(h)});
    }
    return wrong;
}

std::size_t FixOrientations(CrossSections& set) {
    const std::vector<WrongOrientation> wrong = FindWrongOrientations(set);
    if (wrong.empty()) return 0;
    set.ResetConvexLoops();
    for (const WrongOrientation& w : wrong) {
        CrossSection& item = set.GetItems()[w.item];
        Loop& loop = w.hole < 0 ? item.GetExteriorLoop() : item.GetInteriorLoops()[static_cast<std::size_t>(w.hole)];
        loop = Reversed(loop);
    }
    return wrong.size();
}

}  // namespace ShapeExport
}  // namespace kor
