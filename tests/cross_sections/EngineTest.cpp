// Pieces a physics engine takes as they are: every piece of the decomposition cases,
// of seeded shapes at three scales, of fine circles and a comb of teeth thinner than
// the slop, and of the real polygons of tests/data/realworld, merged, cleaned,
// bounded to Box2D's 8 vertices and made ready under its slop, is handed to Box2D
// (each shape moved to the origin and scaled to about 10 m, as Box2D wants it); so
// are those of at most 8 vertices made without a bound. Box2D keeps every vertex (it
// welds points closer than half its slop and drops those on a line), the polygon
// validates and has a positive mass, and the slop takes no more than a strip of
// twice the slop along the pieces. (The slop's other promises the geometry fuzz
// harness checks, on these families and on the real polygons.)
#include <gtest/gtest.h>

#include <box2d/box2d.h>

#include <cmath>
#include <string>
#include <vector>

#include <kor/ShapeExport/ConvexMerge.h>
#include <kor/ShapeExport/CrossSections.h>

#include "Shapes.h"
#include "TestData.h"

namespace {

using kor::ShapeExport::CrossSections;
using kor::ShapeExport::Loop;
using testing_support::Points;

constexpr double kMetres = 10.0;  // the size a shape is given for the engine

void ExpectTakenByBox2D(const CrossSections& set, const std::string& name) {
    SCOPED_TRACE(name);
    const kor::BBox<2, double> box = testing_support::FiniteBox(set.Positions());
    const double across = std::max(box.max.x() - box.min.x(), box.max.y() - box.min.y());
    if (!(across > 0.0)) return;
    const double scale = kMetres / across;
    const double slop = b2_linearSlop / scale;
    for (const auto& item : set.Items())
        for (const std::size_t bound : {std::size_t(b2_maxPolygonVertices), std::size_t(0)}) {
            const auto merge = [&](double s) {
                return kor::ShapeExport::MergeConvexLoops(set.Positions(), item.ConvexLoops(), {true, true, bound, s});
            };
            const std::vector<Loop> exact = merge(0.0), pieces = merge(slop);
            // Nothing worn away beyond a strip of twice the slop along the pieces.
            EXPECT_GE(testing_support::Area(set.Positions(), pieces),
                      testing_support::Area(set.Positions(), exact) -
                          2 * slop * testing_support::Perimeter(set.Positions(), exact));
            for (const Loop& piece : pieces) {
                const std::vector<kor::ShapeExport::Vertex>& vertices = piece.Vertices();
                ASSERT_TRUE(bound == 0 || vertices.size() <= bound) << testing_support::Text(piece);
                if (vertices.size() > static_cast<std::size_t>(b2_maxPolygonVertices)) continue;
                b2Vec2 points[b2_maxPolygonVertices];
                for (std::size_t i = 0; i < vertices.size(); ++i) {
                    const auto& p = set.Positions()[static_cast<std::size_t>(vertices[i].Index())];
                    points[i].Set(static_cast<float>((p.x() - box.min.x()) * scale - kMetres / 2),
                                  static_cast<float>((p.y() - box.min.y()) * scale - kMetres / 2));
                }
                b2PolygonShape polygon;
                polygon.Set(points, static_cast<int32>(vertices.size()));
                ASSERT_EQ(polygon.m_count, static_cast<int32>(vertices.size())) << testing_support::Text(piece);
                EXPECT_TRUE(polygon.Validate()) << testing_support::Text(piece);
                b2MassData mass;
                polygon.ComputeMass(&mass, 1.0f);
                EXPECT_GT(mass.mass, 0.0f);
            }
        }
}

}  // namespace

TEST(Engine, Box2DTakesEveryPiece) {
    for (const kor::Dom& c : testing_support::Elements(testing_support::LoadData("cross_sections/decomposition.json")))
        if (!c.has("invalid"))
            ExpectTakenByBox2D(testing_support::MakeSet(testing_support::ShapeOf(c)), c["name"].asString());
    for (std::uint64_t seed = 1; seed <= 30; ++seed)
        for (const double scale : {1e-4, 1.0, 1e4}) {
            const int size = static_cast<int>(seed % 13) + 3;
            for (testing_support::Shape shape :
                 {testing_support::Star(4 * size, size % 10, seed), testing_support::Comb(size, seed),
                  testing_support::Plate(1 + size % 4, 5 + size, seed),
                  testing_support::Spiral(1 + size % 3, 5 + size)}) {
                for (auto& p : shape.positions) p = kor::Vec<2, double>(p.x() * scale, p.y() * scale);
                ExpectTakenByBox2D(testing_support::MakeSet(shape), std::to_string(seed) + "@" + std::to_string(scale));
            }
        }
    for (const int points : {1000, 20000}) {  // worn down from one end, they would vanish
        testing_support::Shape circle;
        circle.outline = testing_support::Ring(circle, 0, 0, 1, points, false);
        if (points < 10000) circle.holes.push_back(testing_support::Ring(circle, 0.5, 0, 0.25, points / 10, true));
        ExpectTakenByBox2D(testing_support::MakeSet(circle), "circle of " + std::to_string(points));
    }
    ExpectTakenByBox2D(testing_support::MakeSet(testing_support::Comb(3000)), "comb of 3000 teeth");
    testing_support::ForEachRealWorldSet(ExpectTakenByBox2D);
}
