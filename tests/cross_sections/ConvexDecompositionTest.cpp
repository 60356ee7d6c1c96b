#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <kor/ShapeExport/CrossSection.h>

#include "LoopText.h"
#include "Shapes.h"

using kor::ShapeExport::CrossSection;
using testing_support::MakeSection;
using testing_support::Points;
using testing_support::SignedArea;
using testing_support::Texts;

namespace {

struct Cutter : CrossSection {
    using CrossSection::BuildConvexLoop;
    using CrossSection::CrossSection;
};

struct Example {
    const char* name;
    Points positions;
    std::vector<int> exterior;
    std::vector<std::vector<int>> holes;
    std::vector<std::string> expected;  // convex loops in list order
};

}  // namespace

TEST(ConvexDecomposition, WorkedExamples) {
    const std::vector<Example> examples{
        {"square", {{0, 0}, {4, 0}, {4, 4}, {0, 4}}, {0, 1, 2, 3}, {}, {"0 1 2 3"}},
        {"clockwise square", {{0, 0}, {4, 0}, {4, 4}, {0, 4}}, {3, 2, 1, 0}, {}, {"3 2 1 0"}},
        {"L", {{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}}, {0, 1, 2, 3, 4, 5}, {}, {"0' 1 2 3", "3' 4 5 0"}},
        {"U",
         {{0, 0}, {3, 0}, {3, 3}, {2, 3}, {2, 1}, {1, 1}, {1, 3}, {0, 3}},
         {0, 1, 2, 3, 4, 5, 6, 7},
         {},
         {"1' 2 3 4", "5' 6 7 0", "4' 5 0' 1"}},
        {"square with a midpoint", {{0, 0}, {1, 0}, {2, 0}, {2, 2}, {0, 2}}, {0, 1, 2, 3, 4}, {}, {"0 1 4'", "1' 2 3 4"}},
        {"arrow", {{0, 0}, {4, 2}, {0, 4}, {1, 2}}, {0, 1, 2, 3}, {}, {"1' 2 3", "3' 0 1"}},
        {"square with a hole",
         {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {4, 4}, {4, 6}, {6, 6}, {6, 4}},
         {0, 1, 2, 3},
         {{4, 5, 6, 7}},
         {"8 4' 5 3'", "4' 8' 0 1", "7' 4 1'", "6' 7 1' 2", "5' 6 2' 3"}},
        {"triangle", {{0, 0}, {1, 0}, {0, 1}}, {0, 1, 2}, {}, {"0 1 2"}},
    };
    for (const Example& e : examples) {
        Points p = e.positions;
        CrossSection section = MakeSection(p, e.exterior, e.holes);
        EXPECT_EQ(Texts(section.ConvexLoops()), e.expected) << e.name;
    }
}

TEST(ConvexDecomposition, SquareWithHoleAreasAddUp) {
    Points p{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {4, 4}, {4, 6}, {6, 6}, {6, 4}};
    CrossSection section = MakeSection(p, {0, 1, 2, 3}, {{4, 5, 6, 7}});
    double area = 0.0;
    for (const kor::ShapeExport::Loop& loop : section.ConvexLoops()) area += SignedArea(loop, p);
    EXPECT_DOUBLE_EQ(area, 96.0);
}

TEST(ConvexDecomposition, PiecesAreBoundToTheSectionArray) {
    Points p{{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}};
    CrossSection section(p, true);
    const std::vector<kor::ShapeExport::Loop>& convex = section.ConvexLoops();
    ASSERT_EQ(convex.size(), 2u);
    EXPECT_EQ(&convex[1].Positions(), &p);
    EXPECT_EQ(convex[1].BBox().max, testing_support::Pt(1, 2));
}

TEST(ConvexDecomposition, DirectCallsOnSmallOrConvexLoops) {
    Points p{{0, 0}, {4, 0}, {4, 4}, {0, 4}, {9, 9}, {9, 9}};
    Cutter cutter(p, false);
    for (int i : {0, 1, 2}) cutter.AddConvexLoop().AddVertex(i, true);
    EXPECT_TRUE(cutter.BuildConvexLoop(0)) << "3 vertices";
    EXPECT_TRUE(cutter.BuildConvexLoop(7)) << "no such entry";

    Points q{{0, 0}, {4, 0}, {4, 4}, {0, 4}};
    Cutter full(q, false);
    kor::ShapeExport::Loop& loop = full.AddConvexLoop();
    for (int i : {0, 1, 2, 3}) loop.AddVertex(i, true);
    EXPECT_TRUE(full.BuildConvexLoop(0)) << "convex";

    // The guard: no more loops than positions.
    Points l{{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}};
    Cutter guarded(l, false);
    for (int k = 0; k < 6; ++k) guarded.AddConvexLoop();
    for (int i = 0; i < 6; ++i) guarded.GetConvexLoops()[0].AddVertex(i, true);
    EXPECT_TRUE(guarded.BuildConvexLoop(0));
    EXPECT_EQ(guarded.ConvexLoops().size(), 6u);
}
