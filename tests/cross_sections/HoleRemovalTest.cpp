#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <kor/ShapeExport/CrossSection.h>

#include "LoopText.h"
#include "Shapes.h"

using kor::ShapeExport::CrossSection;
using testing_support::Points;
using testing_support::Texts;

namespace {

// Runs hole removal step by step on the working list [outline, holes...].
struct Splicer : CrossSection {
    Splicer(Points& positions, const std::vector<int>& exterior, const std::vector<std::vector<int>>& holes)
        : CrossSection(positions, false) {
        for (int i : exterior) GetExteriorLoop().AddVertex(i, true);
        for (const std::vector<int>& hole : holes) {
            kor::ShapeExport::Loop& loop = AddInteriorLoop();
            for (int i : hole) loop.AddVertex(i, true);
        }
        AddConvexLoop() = ExteriorLoop();
        for (const kor::ShapeExport::Loop& hole : InteriorLoops()) AddConvexLoop() = hole;
    }
    using CrossSection::RemoveHole;
    std::vector<std::string> List() const { return Texts(ConvexLoops()); }
};

}  // namespace

TEST(HoleRemoval, BridgeMeetsInsideOfEdge) {
    Points p{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {4, 4}, {4, 6}, {6, 6}, {6, 4}};
    Splicer s(p, {0, 1, 2, 3}, {{4, 5, 6, 7}});
    EXPECT_TRUE(s.RemoveHole());
    EXPECT_EQ(s.List(), (std::vector<std::string>{"8 4' 5 6 7 4 8' 0 1 2 3"}));
    EXPECT_EQ(s.AddedVertices(), (std::vector<int>{8}));
    ASSERT_EQ(p.size(), 9u);
    EXPECT_EQ(p[8], testing_support::Pt(0, 4));
    EXPECT_FALSE(s.RemoveHole());
}

TEST(HoleRemoval, TouchingEdgeTakesFirstEndpoint) {
    Points p{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 5}, {4, 5}, {4, 7}, {6, 7}, {6, 5}};
    Splicer s(p, {0, 1, 2, 3, 4}, {{5, 6, 7, 8}});
    EXPECT_TRUE(s.RemoveHole());
    EXPECT_EQ(s.List(), (std::vector<std::string>{"0 1 2 3 5' 6 7 8 5 3' 4"}));
    EXPECT_TRUE(s.AddedVertices().empty());
    EXPECT_EQ(p.size(), 9u);
}

TEST(HoleRemoval, TwoHolesLeftmostFirst) {
    Points p{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {2, 4}, {2, 6}, {4, 6}, {4, 4}, {6, 5}, {6, 7}, {8, 7}, {8, 5}};
    // B is listed first but A lies further left.
    Splicer s(p, {0, 1, 2, 3}, {{8, 9, 10, 11}, {4, 5, 6, 7}});
    EXPECT_TRUE(s.RemoveHole());
    EXPECT_EQ(s.List(), (std::vector<std::string>{"12 4' 5 6 7 4 12' 0 1 2 3", "8 9 10 11"}));
    EXPECT_TRUE(s.RemoveHole());
    EXPECT_EQ(s.List(), (std::vector<std::string>{"12 4' 5 6 13 8' 9 10 11 8 13' 7 4 12' 0 1 2 3"}));
    EXPECT_EQ(s.AddedVertices(), (std::vector<int>{12, 13}));
    ASSERT_EQ(p.size(), 14u);
    EXPECT_EQ(p[12], testing_support::Pt(0, 4));
    EXPECT_EQ(p[13], testing_support::Pt(4, 5));
    EXPECT_FALSE(s.RemoveHole());
}

TEST(HoleRemoval, EqualLeftmostXEarlierHoleFirst) {
    Points p{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {4, 2}, {4, 3}, {5, 3}, {5, 2}, {4, 6}, {4, 7}, {5, 7}, {5, 6}};
    Splicer s(p, {0, 1, 2, 3}, {{8, 9, 10, 11}, {4, 5, 6, 7}});
    EXPECT_TRUE(s.RemoveHole());
    const std::vector<std::string> list = s.List();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1], "4 5 6 7") << "the hole listed first (8..11) was spliced";
    EXPECT_EQ(p[12], testing_support::Pt(0, 6));
}

TEST(HoleRemoval, NothingToSplice) {
    struct Case { const char* name; std::vector<int> exterior; std::vector<std::vector<int>> holes; };
    const std::vector<Case> cases{
        {"no holes", {0, 1, 2, 3}, {}},
        {"empty hole", {0, 1, 2, 3}, {{}}},
        {"hole left of the outline", {0, 1, 2, 3}, {{4, 5, 6, 7}}},
        {"empty outline", {}, {{8, 9, 10, 11}}},
    };
    for (const Case& c : cases) {
        Points p{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {-8, 4}, {-8, 6}, {-6, 6}, {-6, 4}, {4, 4}, {4, 6}, {6, 6}, {6, 4}};
        Splicer s(p, c.exterior, c.holes);
        const std::vector<std::string> before = s.List();
        EXPECT_FALSE(s.RemoveHole()) << c.name;
        EXPECT_EQ(s.List(), before) << c.name;
        EXPECT_EQ(p.size(), 12u) << c.name;
    }
}

TEST(HoleRemoval, UnsplicedHoleStaysThroughDecomposition) {
    Points p{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {-8, 4}, {-8, 6}, {-6, 6}, {-6, 4}};
    CrossSection section = testing_support::MakeSection(p, {0, 1, 2, 3}, {{4, 5, 6, 7}});
    EXPECT_EQ(Texts(section.ConvexLoops()), (std::vector<std::string>{"0 1 2 3", "4 5 6 7"}));
    EXPECT_TRUE(section.AddedVertices().empty());
}
