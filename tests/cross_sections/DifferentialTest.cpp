// The fast decomposition against the simple steps, on seeded random outlines with
// holes of every family, scaled, jittered, mirrored and made degenerate: the same
// loops, the same origins and the same new points, bit for bit. On the valid shapes
// the pieces are also checked for what must hold: convex, counter-clockwise, their
// areas adding up to the outline minus the holes. And decomposing a set's items on
// several threads gives what decomposing them one after the other gives.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include <kor/ShapeExport/CrossSections.h>

#include "Decomposition.h"
#include "PieceChecks.h"
#include "Shapes.h"
#include "TestData.h"

namespace detail = kor::ShapeExport::detail;
using testing_support::Shape;

namespace {

Shape RandomShape(std::mt19937_64& random, int family) {
    std::uniform_int_distribution<int> pick(0, 1 << 20);
    switch (family) {
        case 0: return testing_support::Star(4 + pick(random) % 120, pick(random) % 10, random());
        case 1: return testing_support::Comb(1 + pick(random) % 40, random());
        case 2: return testing_support::Spiral(1 + pick(random) % 3, 6 + pick(random) % 20);
        case 3: return testing_support::Plate(1 + pick(random) % 5, 3 + pick(random) % 14, random());
        default: {
            // Points on a small grid, visited in random order: crossings, repeats,
            // collinear runs, holes anywhere.
            Shape s;
            const int count = 4 + pick(random) % 40;
            for (int i = 0; i < count; ++i) s.Add(pick(random) % 9, pick(random) % 9);
            for (int loop = 0; loop < 1 + pick(random) % 4; ++loop) {
                std::vector<int>& target = loop == 0 ? s.outline : (s.holes.emplace_back(), s.holes.back());
                for (int i = 0; i < 3 + pick(random) % 30; ++i) target.push_back(pick(random) % count);
            }
            return s;
        }
    }
}

// Scale, offset or disturb the points; kinds above 5 leave the shape invalid.
void Disturb(Shape& s, std::mt19937_64& random, int kind) {
    std::uniform_real_distribution<double> unit(-0.5, 0.5);
    for (auto& p : s.positions) {
        double x = p.x(), y = p.y();
        switch (kind) {
            case 1: x *= 1e-5, y *= 1e-5; break;  // turns near the tolerance
            case 2: x += 1e-7 * unit(random), y += 1e-7 * unit(random); break;
            case 3: x = 1e7 + x * 1e3, y = -1e7 + y * 1e3; break;
            case 4: x *= 1e149, y *= 1e149; break;  // the largest the fast steps take
            case 5: x = std::round(x * 2) / 2, y = std::round(y * 2) / 2; break;
            case 6: x = -x; break;                  // clockwise outline, holes the other way
            case 7: x *= 1e200, y *= 1e200; break;  // products overflow
            case 8:
                if (unit(random) > 0.45) x = unit(random) > 0 ? std::numeric_limits<double>::quiet_NaN() : INFINITY;
                break;
            default: break;
        }
        p = kor::Vec<2, double>(x, y);
    }
}

bool SameBits(const std::vector<kor::Vec<2, double>>& a, const std::vector<kor::Vec<2, double>>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof a[0]) == 0);
}

// A set over `points` with one item per shape, the shapes' indices taken as they are.
kor::ShapeExport::CrossSections SetOf(const std::vector<kor::Vec<2, double>>& points, const std::vector<Shape>& items) {
    kor::ShapeExport::CrossSections set(points, false);
    const kor::ShapeExport::CrossSection blank = set.Items()[0];  // on the set's array, without loops
    set.GetItems().clear();
    for (const Shape& s : items) {
        kor::ShapeExport::CrossSection item = blank;
        for (int i : s.outline) item.GetExteriorLoop().AddVertex(i, true);
        for (const auto& hole : s.holes) {
            kor::ShapeExport::Loop& loop = item.AddInteriorLoop();
            for (int i : hole) loop.AddVertex(i, true);
        }
        set.GetItems().push_back(item);
    }
    return set;
}

}  // namespace

TEST(Differential, FastStepsGiveWhatTheSimpleStepsGive) {
    std::mt19937_64 random(20261206);
    for (int n = 0; n < 900; ++n) {
        const int family = n % 5;
        const int kind = (n / 5) % 9;
        Shape shape = RandomShape(random, family);
        Disturb(shape, random, kind);
        SCOPED_TRACE("case " + std::to_string(n) + ", family " + std::to_string(family) + ", kind " +
                     std::to_string(kind));
        const detail::Decomposition fast = testing_support::Decompose(shape, true);
        const detail::Decomposition simple = testing_support::Decompose(shape, false);
        ASSERT_EQ(testing_support::Texts(fast.list.loops), testing_support::Texts(simple.list.loops));
        ASSERT_EQ(fast.list.origin, simple.list.origin);
        ASSERT_TRUE(SameBits(fast.added, simple.added));
        ASSERT_EQ(fast.limitedByPositions, simple.limitedByPositions);

        // Valid shapes: the pieces tile the outline minus the holes.
        // (At 1e-5 every turn is within the tolerance; rounding to a grid makes shapes
        // touch themselves.)
        if (family == 4 || kind == 1 || kind >= 5) continue;
        const kor::ShapeExport::CrossSections set = testing_support::MakeSet(shape);
        const kor::ShapeExport::CrossSection& item = set.Items()[0];
        ASSERT_EQ(testing_support::CheckPieces(set.Positions(), item.ConvexLoops(),
                                               testing_support::ExpectedArea(item, set.Positions())),
                  "");
    }
}

TEST(Differential, DecomposeAllGivesTheOneAfterTheOtherResult) {
    // Sixty random shapes on one array, then an item naming the first point that an
    // earlier item appends; and a square with a hole followed by a knot of repeated
    // points whose cuts reach the guard "no more loops than positions".
    std::mt19937_64 random(7);
    std::vector<kor::Vec<2, double>> many;
    std::vector<Shape> items;
    for (int i = 0; i < 60; ++i) {
        Shape s = RandomShape(random, i % 4);
        const int base = static_cast<int>(many.size());
        many.insert(many.end(), s.positions.begin(), s.positions.end());
        for (int& v : s.outline) v += base;
        for (auto& hole : s.holes)
            for (int& v : hole) v += base;
        items.push_back(s);
    }
    items.push_back(Shape{{}, {0, 1, static_cast<int>(many.size()), 2}, {}});
    Shape square = testing_support::Plate(1, 4);
    Shape knot{{}, {0, 2, 5, 1, 7, 3, 4, 6, 1, 2, 0, 3, 5, 7, 2, 4, 6, 0, 1, 5}, {}};
    for (const auto& scenario :
         {std::make_pair(many, items), std::make_pair(square.positions, std::vector<Shape>{square, knot})}) {
        kor::ShapeExport::CrossSections oneByOne = SetOf(scenario.first, scenario.second);
        for (const auto& item : oneByOne.Items()) item.ConvexLoops();
        for (unsigned threads : {0u, 1u, 3u}) {
            kor::ShapeExport::CrossSections all = SetOf(scenario.first, scenario.second);
            all.DecomposeAll(threads);
            ASSERT_TRUE(SameBits(all.Positions(), oneByOne.Positions())) << threads << " threads";
            for (std::size_t i = 0; i < all.Items().size(); ++i) {
                ASSERT_EQ(testing_support::Texts(all.Items()[i].ConvexLoops()),
                          testing_support::Texts(oneByOne.Items()[i].ConvexLoops()));
                ASSERT_EQ(all.Items()[i].AddedVertices(), oneByOne.Items()[i].AddedVertices());
            }
        }
    }
}
