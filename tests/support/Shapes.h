// Shapes for tests, fuzz harnesses and benchmarks: seeded outlines with holes
// (counter-clockwise outlines, clockwise holes), the cases of the data files as
// shapes, both decompositions of a shape, and the checks that pieces are convex,
// tile a shape and keep the promises of a slop.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <kor/ShapeExport/CrossSection.h>
#include <kor/ShapeExport/CrossSections.h>
#include <kor/ShapeExport/Loop.h>
#include <kor/ShapeExport/LoopChecks.h>
#include <kor/math/BBox.h>
#include <kor/math/Vec.h>

#include "Decomposition.h"
#include "TestData.h"

namespace testing_support {

using Point = kor::Vec<2, double>;
using Points = std::vector<Point>;

struct Shape {
    Points positions;
    std::vector<int> outline;
    std::vector<std::vector<int>> holes;

    int Add(double x, double y) {
        positions.emplace_back(x, y);
        return static_cast<int>(positions.size()) - 1;
    }
};

constexpr double kPi = 3.14159265358979323846;

// A regular polygon (or, with `jitter`, a star-shaped one) around (cx, cy); clockwise
// when `clockwise`.
inline std::vector<int> Ring(Shape& s, double cx, double cy, double radius, int count, bool clockwise,
                             std::mt19937_64* jitter = nullptr) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<int> ring;
    for (int i = 0; i < count; ++i) {
        const double angle = (clockwise ? -2.0 : 2.0) * kPi * (i + (jitter ? 0.8 * unit(*jitter) : 0.0)) / count;
        const double r = jitter ? radius * (0.4 + 0.6 * unit(*jitter)) : radius;
        ring.push_back(s.Add(cx + r * std::cos(angle), cy + r * std::sin(angle)));
    }
    return ring;
}

// A bar with `teeth` teeth: 4 * teeth + 3 vertices; seeded teeth have random heights.
inline Shape Comb(int teeth, std::uint64_t seed = 0) {
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    auto vary = [&](double amount) { return seed ? amount * unit(random) : 0.0; };
    Shape s;
    s.outline = {s.Add(0, 0), s.Add(2.0 * teeth, 0), s.Add(2.0 * teeth, 1)};
    for (int i = teeth - 1; i >= 0; --i) {
        const double height = 5.0 + vary(4.0);
        for (const Point& p :
             {Point(2.0 * i + 1.5 - vary(0.3), 1), Point(2.0 * i + 1.5 - vary(0.3), height),
              Point(2.0 * i + 0.5 + vary(0.3), height + vary(1.0)), Point(2.0 * i + 0.5 + vary(0.3), 1)})
            s.outline.push_back(s.Add(p.x(), p.y()));
    }
    s.outline.push_back(s.Add(0, 1));
    return s;
}

// A star-shaped outline of `vertices` vertices (radii 4 to 10) with `holes` (at most
// 9) random star-shaped holes that neither touch each other nor the outline.
inline Shape Star(int vertices, int holes, std::uint64_t seed) {
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Shape s;
    s.outline = Ring(s, 0, 0, 10, vertices, false, &random);
    for (int h = 0; h < holes && h < 9; ++h)
        s.holes.push_back(Ring(s, 2.0 * (h % 3) - 2.0, 2.0 * (h / 3) - 2.0, 0.3 + 0.5 * unit(random),
                               3 + static_cast<int>(unit(random) * 9), true, &random));
    return s;
}

// A band wound `turns` times around the origin, `perTurn` vertices a turn per side.
inline Shape Spiral(int turns, int perTurn) {
    Shape s;
    std::vector<Point> inner;
    for (int i = 0; i <= turns * perTurn; ++i) {
        const double angle = 2.0 * kPi * i / perTurn;
        const double radius = 1.0 + 0.9 * angle;
        s.outline.push_back(s.Add(radius * std::cos(angle), radius * std::sin(angle)));
        inner.emplace_back((radius - 0.5) * std::cos(angle), (radius - 0.5) * std::sin(angle));
    }
    for (auto p = inner.rbegin(); p != inner.rend(); ++p) s.outline.push_back(s.Add(p->x(), p->y()));
    return s;
}

// A square plate with side * side round holes of `holeVertices` vertices in a grid.
inline Shape Plate(int side, int holeVertices, std::uint64_t seed = 0) {
    std::mt19937_64 random(seed);
    Shape s;
    const double size = 3.0 * side + 1.0;
    s.outline = {s.Add(0, 0), s.Add(size, 0), s.Add(size, size), s.Add(0, size)};
    for (int i = 0; i < side; ++i)
        for (int j = 0; j < side; ++j)
            s.holes.push_back(Ring(s, 3.0 * i + 2.0, 3.0 * j + 2.0, 0.9, holeVertices, true, seed ? &random : nullptr));
    return s;
}

// Gives `item` the outline and holes as index lists, every vertex on the outline.
inline void Fill(kor::ShapeExport::CrossSection& item, const std::vector<int>& outline,
                 const std::vector<std::vector<int>>& holes) {
    for (int i : outline) item.GetExteriorLoop().AddVertex(i, true);
    for (const std::vector<int>& hole : holes) {
        kor::ShapeExport::Loop& loop = item.AddInteriorLoop();
        for (int i : hole) loop.AddVertex(i, true);
    }
}

// The steps of the decomposition, which the class offers to derived classes.
struct Steps : kor::ShapeExport::CrossSection {
    using CrossSection::BuildConvexLoop;
    using CrossSection::BuildConvexLoops;
    using CrossSection::CrossSection;
    using CrossSection::RemoveHole;
    using CrossSection::RemoveHoles;
};

// A set over `positions` with one cross section per shape, the shapes' indices taken
// as they are; by default, of one cross section holding the shape.
inline kor::ShapeExport::CrossSections MakeSet(const Points& positions, const std::vector<Shape>& shapes) {
    kor::ShapeExport::CrossSections set(positions, false);
    const kor::ShapeExport::CrossSection blank = set.Items()[0];  // on the set's array, without loops
    set.GetItems().clear();
    for (const Shape& s : shapes) Fill(set.GetItems().emplace_back(blank), s.outline, s.holes);
    return set;
}
inline kor::ShapeExport::CrossSections MakeSet(const Shape& shape) { return MakeSet(shape.positions, {shape}); }

// A cross section on `positions` with the given exterior indices and holes.
inline kor::ShapeExport::CrossSection MakeSection(Points& positions, const std::vector<int>& exterior,
                                                  const std::vector<std::vector<int>>& holes = {}) {
    kor::ShapeExport::CrossSection section(positions, false);
    Fill(section, exterior, holes);
    return section;
}

// The decomposition of the shape by the fast steps or by the simple ones.
inline kor::ShapeExport::detail::Decomposition Decompose(const Shape& shape, bool fast) {
    namespace detail = kor::ShapeExport::detail;
    std::vector<detail::VertexList> holes(shape.holes.size());
    std::vector<detail::Hole> input;
    for (std::size_t h = 0; h < shape.holes.size(); ++h) {
        for (int i : shape.holes[h]) holes[h].emplace_back(i, true);
        input.push_back({&holes[h], kor::ShapeExport::Loop(shape.positions, holes[h]).LeftMostVertex()});
    }
    detail::VertexList outline;
    for (int i : shape.outline) outline.emplace_back(i, true);
    return fast ? detail::Decompose(shape.positions, outline, input)
                : detail::DecomposeSimply(shape.positions, outline, input);
}

// The points of a data file's list of [x, y].
inline Points PointsOfData(const kor::Dom& list) {
    Points points;
    for (std::size_t i = 0; i < list.size(); ++i) points.emplace_back(Number(list[i][0]), Number(list[i][1]));
    return points;
}

// Calls f(set, name) for every real polygon of tests/data/realworld, read as a set.
template <typename F>
void ForEachRealWorldSet(F f) {
    for (const auto& file : std::filesystem::directory_iterator(DataPath("realworld"))) {
        if (file.path().extension() != ".json") continue;
        std::ifstream in(file.path(), std::ios::binary);
        kor::ShapeExport::CrossSections set;
        set.From(in);
        f(set, file.path().stem().string());
    }
}

// The shape of a case of tests/data/cross_sections/decomposition.json.
inline Shape ShapeOf(const kor::Dom& c) {
    Shape shape;
    shape.positions = PointsOfData(c["points"]);
    for (const auto& v : Vertices(c["outline"].asString())) shape.outline.push_back(v.Index());
    for (const std::string& hole : Strings(c["holes"])) {
        shape.holes.emplace_back();
        for (const auto& v : Vertices(hole)) shape.holes.back().push_back(v.Index());
    }
    return shape;
}

// The box of the finite positions (empty when there is none).
inline kor::BBox<2, double> FiniteBox(const Points& positions) {
    kor::BBox<2, double> box;
    for (const Point& p : positions)
        if (std::isfinite(p.x()) && std::isfinite(p.y())) box.Extend(p);
    return box;
}

// The largest magnitude of a finite coordinate, at least `least`.
inline double FiniteExtent(const Points& positions, double least = 0.0) {
    const kor::BBox<2, double> box = FiniteBox(positions);
    if (box.IsEmpty()) return least;
    return std::max({least, -box.min.x(), -box.min.y(), box.max.x(), box.max.y()});
}

// Twice the signed area of a polygon and its largest coordinate magnitude.
inline std::pair<double, double> TwiceAreaAndExtent(const Points& polygon) {
    double twice = 0.0, extent = 0.0;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const Point &a = polygon[i], &b = polygon[(i + 1) % polygon.size()];
        twice += a.x() * b.y() - b.x() * a.y();
        extent = std::max({extent, std::fabs(a.x()), std::fabs(a.y())});
    }
    return {twice, extent};
}

// Collects the points of a loop: false at the first index outside the positions,
// with the points before it collected.
inline bool PointsOf(const Points& positions, const kor::ShapeExport::Loop& loop, Points& points) {
    points.clear();
    for (const auto& v : loop.Vertices()) {
        if (v.Index() < 0 || static_cast<std::size_t>(v.Index()) >= positions.size()) return false;
        points.push_back(positions[static_cast<std::size_t>(v.Index())]);
    }
    return true;
}

// Whether every loop is convex and counter-clockwise (at most `maxVertices` each,
// when given): no corner turns right, beyond the rounding of its terms (of the
// shape's extent, or the piece's when larger), and the area is not negative. A
// piece flat to within rounding (a point on the segment of two others) has a
// computed area of either sign: clockwise only beyond the rounding of its terms.
inline std::string ConvexWithin(const Points& positions, const std::vector<kor::ShapeExport::Loop>& loops,
                                std::size_t maxVertices = 0) {
    Points p;
    const double shapeExtent = FiniteExtent(positions);
    for (const auto& loop : loops) {
        if (!PointsOf(positions, loop, p)) return "index outside the positions";
        const std::size_t n = p.size();
        if (maxVertices != 0 && n > maxVertices) return "a piece has more vertices than the bound";
        auto [twice, extent] = TwiceAreaAndExtent(p);
        const double rounding = 1e-12 * std::max(extent, shapeExtent) * std::max(extent, shapeExtent);
        for (std::size_t i = 0; i < n; ++i) {
            const Point &a = p[(i + n - 1) % n], &b = p[i], &c = p[(i + 1) % n];
            if ((b.x() - a.x()) * (c.y() - b.y()) - (b.y() - a.y()) * (c.x() - b.x()) < -1e-6 - rounding)
                return "a piece is not convex";
        }
        if (twice < -rounding) return "a piece runs clockwise";
    }
    return std::string();
}

// What must hold for a set of convex pieces that tile a cross section, checked
// independently of the library: every index inside the positions, every piece
// convex and counter-clockwise, the areas adding up to the outline minus the holes,
// no two pieces overlapping, and (when given) at most `maxVertices` vertices each.
// `droppedTurns`: the sum of the turns (twice the triangle areas) of corners that
// were dropped from the pieces as straight, which the areas and overlaps may be
// off by. Returns what is wrong, or an empty text.
inline std::string CheckPieces(const Points& positions, const std::vector<kor::ShapeExport::Loop>& pieces,
                               double expectedArea, std::size_t maxVertices = 0, double droppedTurns = 0.0) {
    const std::string convexity = ConvexWithin(positions, pieces, maxVertices);
    if (!convexity.empty()) return convexity;
    std::vector<Points> polygons(pieces.size());
    double total = 0.0, scale = std::fabs(expectedArea);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        PointsOf(positions, pieces[i], polygons[i]);
        const auto [twice, extent] = TwiceAreaAndExtent(polygons[i]);
        total += twice / 2.0;
        scale = std::max(scale, extent * extent);
    }
    if (std::fabs(total - expectedArea) > 1e-9 * std::max(std::fabs(expectedArea), 1e-300) + droppedTurns / 2)
        return "the areas do not add up: " + std::to_string(total) + " instead of " + std::to_string(expectedArea);
    // Two convex pieces overlap unless an edge of one separates them (touching allowed).
    auto separates = [slack = 1e-9 * scale + droppedTurns](const Points& a, const Points& b) {
        for (std::size_t i = 0; i < a.size(); ++i) {
            const Point &p = a[i], &q = a[(i + 1) % a.size()];
            if (std::all_of(b.begin(), b.end(), [&](const Point& r) {
                    return (q.x() - p.x()) * (r.y() - p.y()) - (q.y() - p.y()) * (r.x() - p.x()) <= slack;
                }))
                return true;
        }
        return false;
    };
    for (std::size_t i = 0; i < polygons.size(); ++i)
        for (std::size_t j = i + 1; j < polygons.size(); ++j)
            if (!separates(polygons[i], polygons[j]) && !separates(polygons[j], polygons[i]))
                return "pieces " + std::to_string(i) + " and " + std::to_string(j) + " overlap";
    return std::string();
}

// What breaks the promise of pieces made under a slop, measured plainly (distances
// with square roots, every pair, every edge against every vertex): two vertices of a
// piece closer than the slop, a corner less than the slop out from the line of its
// neighbours, a piece thinner than the slop. `sure` allows for the rounding of a
// distance that lands on the slop. Returns what is wrong, or an empty text.
inline std::string SlopViolation(const Points& positions, const std::vector<kor::ShapeExport::Loop>& pieces,
                                 double slop) {
    const double sure = slop * (1.0 - 1e-9);
    Points p;
    auto lineDistance = [](const Point& a, const Point& b, const Point& q) {  // q from the line a -> b, left +
        return ((b.x() - a.x()) * (q.y() - a.y()) - (b.y() - a.y()) * (q.x() - a.x())) /
               std::hypot(b.x() - a.x(), b.y() - a.y());
    };
    for (const auto& piece : pieces) {
        if (!PointsOf(positions, piece, p)) return "index outside the positions";
        const std::size_t n = p.size();
        for (std::size_t i = 0; i < n; ++i) {
            for (std::size_t j = i + 1; j < n; ++j)
                if (std::hypot(p[i].x() - p[j].x(), p[i].y() - p[j].y()) < sure)
                    return "two vertices of a piece closer than the slop";
            if (-lineDistance(p[(i + n - 1) % n], p[(i + 1) % n], p[i]) < sure)
                return "a corner of a piece within the slop of its neighbours' line";
            double height = 0.0;
            for (const Point& q : p) height = std::max(height, lineDistance(p[i], p[(i + 1) % n], q));
            if (height < sure) return "a piece thinner than the slop";
        }
    }
    return std::string();
}

// The sum of the pieces' signed areas (the library's SignedArea).
inline double Area(const Points& positions, const std::vector<kor::ShapeExport::Loop>& pieces) {
    double sum = 0.0;
    for (const auto& piece : pieces) sum += kor::ShapeExport::SignedArea(piece, positions);
    return sum;
}

// The sum of the pieces' perimeters.
inline double Perimeter(const Points& positions, const std::vector<kor::ShapeExport::Loop>& pieces) {
    double sum = 0.0;
    Points p;
    for (const auto& piece : pieces) {
        PointsOf(positions, piece, p);
        for (std::size_t i = 0; i < p.size(); ++i)
            sum += std::hypot(p[i].x() - p[(i + 1) % p.size()].x(), p[i].y() - p[(i + 1) % p.size()].y());
    }
    return sum;
}

}  // namespace testing_support
