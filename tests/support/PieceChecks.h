// What must hold for a set of convex pieces that tile a cross section, checked
// independently of the library: every index inside the positions, every piece
// convex and counter-clockwise, the areas adding up to the outline minus the holes,
// no two pieces overlapping, and (when given) at most `maxVertices` vertices each.
// Returns what is wrong, or an empty text.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include <kor/ShapeExport/Loop.h>
#include <kor/math/Vec.h>

namespace testing_support {

inline std::string CheckPieces(const std::vector<kor::Vec<2, double>>& positions,
                               const std::vector<kor::ShapeExport::Loop>& pieces, double expectedArea,
                               std::size_t maxVertices = 0) {
    using P = kor::Vec<2, double>;
    std::vector<std::vector<P>> polygons;
    double total = 0.0, scale = std::fabs(expectedArea);
    for (const auto& piece : pieces) {
        std::vector<P> polygon;
        for (const auto& v : piece.Vertices()) {
            if (v.Index() < 0 || static_cast<std::size_t>(v.Index()) >= positions.size())
                return "index outside the positions";
            polygon.push_back(positions[static_cast<std::size_t>(v.Index())]);
        }
        if (maxVertices != 0 && polygon.size() > maxVertices) return "a piece has more vertices than the bound";
        const std::size_t n = polygon.size();
        double twice = 0.0, extent = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            const P& a = polygon[i];
            const P& b = polygon[(i + 1) % n];
            twice += a.x() * b.y() - b.x() * a.y();
            extent = std::max({extent, std::fabs(a.x()), std::fabs(a.y())});
        }
        for (std::size_t i = 0; i < n; ++i) {
            const P& a = polygon[(i + n - 1) % n];
            const P& b = polygon[i];
            const P& c = polygon[(i + 1) % n];
            if ((b.x() - a.x()) * (c.y() - b.y()) - (b.y() - a.y()) * (c.x() - b.x()) < -1e-6 - 1e-12 * extent * extent)
                return "a piece is not convex";
        }
        if (twice < 0.0) return "a piece runs clockwise";
        total += twice / 2.0;
        scale = std::max(scale, extent * extent);
        polygons.push_back(polygon);
    }
    if (std::fabs(total - expectedArea) > 1e-9 * std::max(std::fabs(expectedArea), 1e-300))
        return "the areas do not add up: " + std::to_string(total) + " instead of " + std::to_string(expectedArea);
    // Two convex pieces overlap unless an edge of one separates them (touching allowed).
    const double slack = 1e-9 * scale;
    auto separates = [slack](const std::vector<P>& a, const std::vector<P>& b) {
        for (std::size_t i = 0; i < a.size(); ++i) {
            const P& p = a[i];
            const P& q = a[(i + 1) % a.size()];
            bool all = true;
            for (const P& r : b)
                all = all && (q.x() - p.x()) * (r.y() - p.y()) - (q.y() - p.y()) * (r.x() - p.x()) <= slack;
            if (all) return true;
        }
        return false;
    };
    for (std::size_t i = 0; i < polygons.size(); ++i)
        for (std::size_t j = i + 1; j < polygons.size(); ++j)
            if (!separates(polygons[i], polygons[j]) && !separates(polygons[j], polygons[i]))
                return "pieces " + std::to_string(i) + " and " + std::to_string(j) + " overlap";
    return std::string();
}

}  // namespace testing_support
