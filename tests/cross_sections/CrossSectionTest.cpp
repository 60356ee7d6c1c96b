#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <vector>

#include <kor/ShapeExport/CrossSection.h>

#include "LoopText.h"
#include "Shapes.h"

using kor::ShapeExport::CrossSection;
using kor::ShapeExport::Loop;
using testing_support::MakeSection;
using testing_support::Points;
using testing_support::Text;
using testing_support::Texts;

namespace {

// Exposes the internal steps for direct tests.
struct Probe : CrossSection {
    using CrossSection::CrossSection;
    using CrossSection::Modulo;
};

Points SquareWithHole() {
    return {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {4, 4}, {4, 6}, {6, 6}, {6, 4}};
}

}  // namespace

TEST(CrossSection, DefaultIsPlainAndEmpty) {
    const CrossSection section;
    EXPECT_TRUE(section.ConvexLoops().empty());
    EXPECT_TRUE(section.Positions().empty());
    EXPECT_TRUE(section.AddedVertices().empty());
    EXPECT_EQ(&section.Positions(), &CrossSection::m_emptyPositions);
    EXPECT_EQ(&section.ExteriorLoop().Positions(), &Loop::m_emptyPositions);
}

TEST(CrossSection, ConvexSquareIsItsOwnPiece) {
    Points p{{0, 0}, {4, 0}, {4, 4}, {0, 4}};
    CrossSection section(p, true);
    const std::vector<Loop>& first = section.ConvexLoops();
    EXPECT_EQ(Texts(first), (std::vector<std::string>{"0 1 2 3"}));
    EXPECT_TRUE(section.AddedVertices().empty());
    EXPECT_EQ(p.size(), 4u);
    EXPECT_EQ(&section.ConvexLoops(), &first);
    EXPECT_EQ(Texts(section.GetConvexLoops()), (std::vector<std::string>{"0 1 2 3"}));
}

TEST(CrossSection, AddConvexLoopMarksDecomposed) {
    Points p{{0, 0}, {4, 0}, {4, 4}, {0, 4}};
    CrossSection section(p, true);
    Loop& added = section.AddConvexLoop();
    EXPECT_EQ(&added.Positions(), &p);
    EXPECT_EQ(Texts(section.ConvexLoops()), (std::vector<std::string>{""}));
}

TEST(CrossSection, ResetHandsOverAddedIndices) {
    Points p = SquareWithHole();
    CrossSection section = MakeSection(p, {0, 1, 2, 3}, {{4, 5, 6, 7}});
    section.ConvexLoops();
    ASSERT_EQ(section.AddedVertices(), (std::vector<int>{8}));
    std::set<int> removed{9, 12};
    section.ResetConvexLoops(removed);
    EXPECT_EQ(removed, (std::set<int>{8, 9, 12}));
    EXPECT_TRUE(section.AddedVertices().empty());
    EXPECT_EQ(p.size(), 9u) << "the caller erases the positions";
    EXPECT_EQ(section.ConvexLoops().size(), 5u) << "recomputed on the next request";
}

TEST(CrossSection, AssignmentKeepsOwnArrayAndAddedVertices) {
    Points p = SquareWithHole();
    CrossSection source = MakeSection(p, {0, 1, 2, 3}, {{4, 5, 6, 7}});
    source.ConvexLoops();
    Points q{{0, 0}, {1, 0}, {1, 1}};
    CrossSection target(q, true);
    target = source;
    EXPECT_EQ(&target.Positions(), &q);
    EXPECT_TRUE(target.AddedVertices().empty());
    EXPECT_EQ(Texts(target.ConvexLoops()), Texts(source.ConvexLoops()));
    EXPECT_EQ(&target.ExteriorLoop().Positions(), &q);
    // The one loop the target did not have is copy-constructed with the source's array.
    EXPECT_EQ(&target.InteriorLoops()[0].Positions(), &p);

    CrossSection& self = target;
    target = self;
    EXPECT_EQ(Text(target.ExteriorLoop()), "0 1 2 3");
}

TEST(CrossSection, RebindingCopyDecomposesSource) {
    Points p = SquareWithHole();
    CrossSection source = MakeSection(p, {0, 1, 2, 3}, {{4, 5, 6, 7}});
    Points q = p;
    CrossSection copy(source, q);
    EXPECT_EQ(source.AddedVertices(), (std::vector<int>{8}));
    EXPECT_EQ(p.size(), 9u);
    EXPECT_EQ(copy.AddedVertices(), (std::vector<int>{8}));
    EXPECT_EQ(&copy.Positions(), &q);
    EXPECT_EQ(&copy.ExteriorLoop().Positions(), &q);
    EXPECT_EQ(&copy.InteriorLoops()[0].Positions(), &q);
    ASSERT_EQ(copy.ConvexLoops().size(), 5u);
    for (const Loop& loop : copy.ConvexLoops()) EXPECT_EQ(&loop.Positions(), &q);
    EXPECT_EQ(Texts(copy.ConvexLoops()), Texts(source.ConvexLoops()));
}

TEST(CrossSection, ModuloIsCyclic) {
    const Probe probe;
    struct Case { int value, count, expected; };
    for (const Case& c : std::vector<Case>{{-1, 5, 4}, {7, 5, 2}, {-12, 5, 3}, {0, 5, 0}, {5, 5, 0}, {-5, 5, 0}})
        EXPECT_EQ(probe.Modulo(c.value, c.count), c.expected) << c.value << " mod " << c.count;
}

TEST(CrossSection, BoundingBoxOfOutlineAndHoles) {
    Points p = SquareWithHole();
    CrossSection section = MakeSection(p, {0, 1, 2, 3}, {{4, 5, 6, 42}});
    const kor::BBox<2, double> box = section.BBox();
    EXPECT_EQ(box.min, testing_support::Pt(0, 0));
    EXPECT_EQ(box.max, testing_support::Pt(10, 10));

    Points hole{{-1, 20}, {3, 3}};
    CrossSection only = MakeSection(hole, {}, {{0, 1}});
    EXPECT_EQ(only.BBox().min, testing_support::Pt(-1, 3));
    EXPECT_EQ(only.BBox().max, testing_support::Pt(3, 20));
    EXPECT_TRUE(CrossSection().BBox().IsEmpty());
}

// Indices outside the array: no hole removal and no cuts, only copies of the loops.
TEST(CrossSection, IndicesOutsideArrayAreNotDecomposed) {
    struct Case { std::vector<int> exterior; std::vector<std::vector<int>> holes; };
    const std::vector<Case> cases{
        {{0, 1, 2, 8}, {}},
        {{0, 1, 2, 3}, {{4, 5, 6, -1}}},
        {{0, 1, 2, 3}, {{4, 5, 6, 7}, {4, 5, 1000000}}},
        {{0, 1, 5, 2, 3}, {{std::numeric_limits<int>::max()}}},
    };
    for (const Case& c : cases) {
        Points p = SquareWithHole();
        CrossSection section = MakeSection(p, c.exterior, c.holes);
        const std::vector<Loop>& convex = section.ConvexLoops();
        ASSERT_EQ(convex.size(), 1 + c.holes.size());
        EXPECT_EQ(Text(convex[0]), Text(section.ExteriorLoop()));
        EXPECT_TRUE(section.AddedVertices().empty());
        EXPECT_EQ(p.size(), 8u);
    }

    // A loop bound to a shorter array than the cross section's is held to that array.
    Points p = SquareWithHole();
    Points shorter(p.begin(), p.begin() + 4);
    CrossSection section = MakeSection(p, {0, 1, 2, 3});
    Loop& hole = section.AddInteriorLoop();
    hole = Loop(shorter, false);  // keeps the section's array: still fine
    section.GetInteriorLoops().push_back(Loop(shorter, false));
    section.GetInteriorLoops().back().AddVertex(5, true);
    EXPECT_EQ(section.ConvexLoops().size(), 3u);
    EXPECT_TRUE(section.AddedVertices().empty());
}
