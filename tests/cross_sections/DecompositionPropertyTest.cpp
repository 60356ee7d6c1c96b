// Properties of the decomposition on many seeded random outlines with holes:
// it terminates, keeps every index inside the array, preserves the area (outline
// minus holes) and cuts off only convex pieces.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include <kor/ShapeExport/CrossSection.h>

#include "LoopText.h"
#include "ReferenceDecomposition.h"
#include "Shapes.h"

using kor::ShapeExport::CrossSection;
using kor::ShapeExport::Loop;
using testing_support::IsConvexCcw;
using testing_support::Points;
using testing_support::SignedArea;

namespace {

const double kPi = 3.14159265358979323846;

struct Shape {
    Points positions;
    std::vector<int> exterior;
    std::vector<std::vector<int>> holes;
};

// Appends a clockwise star-shaped hole around `center` with radii up to `reach`.
void AddHole(Shape& shape, std::mt19937_64& rng, kor::Vec<2, double> center, double reach) {
    std::uniform_int_distribution<int> count(3, 10);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const int m = count(rng);
    std::vector<int> hole;
    for (int i = 0; i < m; ++i) {
        const double angle = -2.0 * kPi * (i + 0.8 * unit(rng)) / m;  // clockwise
        const double radius = reach * (0.25 + 0.75 * unit(rng));
        hole.push_back(static_cast<int>(shape.positions.size()));
        shape.positions.emplace_back(center.x() + radius * std::cos(angle), center.y() + radius * std::sin(angle));
    }
    shape.holes.push_back(hole);
}

// A counter-clockwise star around the origin whose radii lie in [5, 10], with up to
// four holes inside the disk that it surely contains.
Shape RandomStar(std::mt19937_64& rng) {
    std::uniform_int_distribution<int> count(8, 60);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Shape shape;
    const int n = count(rng);
    for (int i = 0; i < n; ++i) {
        const double angle = 2.0 * kPi * (i + 0.9 * unit(rng)) / n;
        const double radius = 5.0 + 5.0 * unit(rng);
        shape.exterior.push_back(i);
        shape.positions.emplace_back(radius * std::cos(angle), radius * std::sin(angle));
    }
    for (double cx : {-1.0, 1.0})
        for (double cy : {-1.0, 1.0})
            if (unit(rng) < 0.5) AddHole(shape, rng, {cx, cy}, 0.9);
    return shape;
}

// A comb: a base bar with n teeth of random heights, holes in some cells of the bar.
Shape RandomComb(std::mt19937_64& rng) {
    std::uniform_int_distribution<int> count(1, 40);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Shape shape;
    const int n = count(rng);
    auto add = [&](double x, double y) {
        shape.exterior.push_back(static_cast<int>(shape.positions.size()));
        shape.positions.emplace_back(x, y);
    };
    add(0.0, 0.0);
    add(2.0 * n, 0.0);
    add(2.0 * n, 2.0);
    for (int i = n - 1; i >= 0; --i) {
        const double height = 2.0 + 0.5 + 5.0 * unit(rng);
        const double left = 2.0 * i + 0.5 * unit(rng) + 0.1;
        const double right = 2.0 * i + 1.9 - 0.5 * unit(rng);
        add(right, 2.0);
        add(right, height);
        add(left, height + unit(rng));
        add(left, 2.0);
    }
    add(0.0, 2.0);
    for (int i = 0; i < n; ++i)
        if (unit(rng) < 0.4) AddHole(shape, rng, {2.0 * i + 1.0, 1.0}, 0.7);
    return shape;
}

// The decomposition with the number of working loops (entries before the first
// piece) made visible, and the list after hole removal, for the reference.
struct Observed : CrossSection {
    using CrossSection::CrossSection;
    std::size_t Decompose(std::vector<Loop>& afterHoleRemoval) {
        AddConvexLoop() = ExteriorLoop();
        for (const Loop& hole : InteriorLoops()) AddConvexLoop() = hole;
        RemoveHoles();
        afterHoleRemoval = ConvexLoops();
        BuildConvexLoops();
        return afterHoleRemoval.size();
    }
};

struct Tally {
    int shapes = 0;
    int workingLoops = 0;
    int nonConvexWorkingLoops = 0;
};

void CheckShape(const Shape& shape, Tally& tally, const char* kind, int seed) {
    Points p = shape.positions;
    Observed observed(p, false);
    for (int i : shape.exterior) observed.GetExteriorLoop().AddVertex(i, true);
    for (const std::vector<int>& hole : shape.holes) {
        Loop& loop = observed.AddInteriorLoop();
        for (int i : hole) loop.AddVertex(i, true);
    }
    Points q = shape.positions;
    CrossSection reference = testing_support::MakeSection(q, shape.exterior, shape.holes);
    std::vector<Loop> plain;
    const std::size_t working = observed.Decompose(plain);
    const std::vector<Loop>& convex = observed.ConvexLoops();
    ASSERT_EQ(testing_support::Texts(convex), testing_support::Texts(reference.ConvexLoops())) << kind << seed;
    ASSERT_EQ(p.size(), q.size());
    // The plain step-by-step decomposition of the same working list cuts the same pieces.
    testing_support::ReferenceDecomposition(plain, p).BuildConvexLoops();
    ASSERT_EQ(testing_support::Texts(convex), testing_support::Texts(plain)) << kind << " seed " << seed;

    double expected = SignedArea(observed.ExteriorLoop(), p);
    for (const Loop& hole : observed.InteriorLoops()) expected += SignedArea(hole, p);
    double total = 0.0;
    for (std::size_t i = 0; i < convex.size(); ++i) {
        for (const kor::ShapeExport::Vertex& v : convex[i].Vertices())
            ASSERT_TRUE(v.Index() >= 0 && static_cast<std::size_t>(v.Index()) < p.size()) << kind << seed;
        total += SignedArea(convex[i], p);
        if (i >= working) {
            EXPECT_TRUE(IsConvexCcw(convex[i], p)) << kind << " seed " << seed << " piece " << i;
        } else {
            ++tally.workingLoops;
            if (!IsConvexCcw(convex[i], p)) ++tally.nonConvexWorkingLoops;
        }
    }
    EXPECT_NEAR(total, expected, 1e-9 * std::fabs(expected) + 1e-9) << kind << " seed " << seed;
    ++tally.shapes;
}

}  // namespace

TEST(DecompositionProperties, RandomStarsAndCombs) {
    Tally stars;
    Tally combs;
    for (int seed = 0; seed < 600; ++seed) {
        std::mt19937_64 rng(static_cast<unsigned long long>(seed));
        CheckShape(RandomStar(rng), stars, "star", seed);
        CheckShape(RandomComb(rng), combs, "comb", seed);
    }
    std::printf("stars: %d shapes, %d of %d working loops left non-convex\n", stars.shapes,
                stars.nonConvexWorkingLoops, stars.workingLoops);
    std::printf("combs: %d shapes, %d of %d working loops left non-convex\n", combs.shapes,
                combs.nonConvexWorkingLoops, combs.workingLoops);
    EXPECT_EQ(stars.shapes, 600);
    EXPECT_EQ(combs.shapes, 600);
}

// Degenerate input: random loops on a small grid (self-intersections, repeated and
// collinear points), now and then a NaN or infinite coordinate. The library's
// decomposition must cut exactly what the plain step-by-step version cuts.
TEST(DecompositionProperties, DegenerateLoopsMatchTheReference) {
    const double specials[] = {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300, 1e-300};
    int pieces = 0;
    for (int seed = 0; seed < 3000; ++seed) {
        std::mt19937_64 rng(static_cast<unsigned long long>(seed) + 1000003);
        std::uniform_int_distribution<int> grid(0, 7);
        std::uniform_int_distribution<int> loopCount(1, 3);
        std::uniform_int_distribution<int> size(3, 30);
        Points p;
        Observed observed(p, false);
        const int loops = loopCount(rng);
        for (int l = 0; l < loops; ++l) {
            Loop& loop = l == 0 ? observed.GetExteriorLoop() : observed.AddInteriorLoop();
            const int n = size(rng);
            for (int i = 0; i < n; ++i) {
                loop.AddVertex(static_cast<int>(p.size()), true);
                p.emplace_back(grid(rng), grid(rng));
            }
        }
        if (seed % 7 == 0) p[static_cast<std::size_t>(seed) % p.size()].x() = specials[(seed / 7) % 5];
        std::vector<Loop> plain;
        observed.Decompose(plain);
        testing_support::ReferenceDecomposition(plain, p).BuildConvexLoops();
        ASSERT_EQ(testing_support::Texts(observed.ConvexLoops()), testing_support::Texts(plain)) << "seed " << seed;
        pieces += static_cast<int>(plain.size());
    }
    EXPECT_GT(pieces, 3000);
}
