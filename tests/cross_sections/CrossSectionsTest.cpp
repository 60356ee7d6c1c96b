#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <kor/ShapeExport/CrossSections.h>

#include "LoopText.h"
#include "Shapes.h"

using kor::ShapeExport::CrossSection;
using kor::ShapeExport::CrossSections;
using kor::ShapeExport::Loop;
using testing_support::Points;
using testing_support::Pt;
using testing_support::Text;
using testing_support::Texts;

namespace {

const double kInf = std::numeric_limits<double>::infinity();

// Every loop of every item refers to the set's own positions.
void ExpectBoundTo(const CrossSections& set) {
    for (const CrossSection& item : set.Items()) {
        EXPECT_EQ(&item.Positions(), &set.Positions());
        EXPECT_EQ(&item.ExteriorLoop().Positions(), &set.Positions());
        for (const Loop& loop : item.InteriorLoops()) EXPECT_EQ(&loop.Positions(), &set.Positions());
    }
}

CrossSections SquareWithHole() {
    CrossSections set(Points{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {4, 4}, {4, 6}, {6, 6}, {6, 4}}, false);
    CrossSection& item = set.GetItems()[0];
    for (int i : {0, 1, 2, 3}) item.GetExteriorLoop().AddVertex(i, true);
    Loop& hole = item.AddInteriorLoop();
    for (int i : {4, 5, 6, 7}) hole.AddVertex(i, true);
    return set;
}

}  // namespace

TEST(CrossSections, DefaultIsEmpty) {
    const CrossSections set;
    EXPECT_TRUE(set.Positions().empty());
    EXPECT_TRUE(set.Items().empty());
    EXPECT_TRUE(set.Parameters().empty());
    EXPECT_EQ(set.BBox().min, Pt(kInf, kInf));
    EXPECT_EQ(set.BBox().max, Pt(-kInf, -kInf));
}

TEST(CrossSections, FromPositions) {
    const CrossSections filled(Points{{0, 0}, {2, 0}, {2, 1}}, true);
    ASSERT_EQ(filled.Items().size(), 1u);
    EXPECT_EQ(Text(filled.Items()[0].ExteriorLoop()), "0 1 2");
    EXPECT_EQ(filled.BBox().min, Pt(0, 0));
    EXPECT_EQ(filled.BBox().max, Pt(2, 1));
    ExpectBoundTo(filled);

    const CrossSections unfilled(Points{{0, 0}, {2, 0}, {2, 1}}, false);
    ASSERT_EQ(unfilled.Items().size(), 1u);
    EXPECT_TRUE(unfilled.Items()[0].ExteriorLoop().Vertices().empty());
    EXPECT_EQ(unfilled.BBox().max, Pt(2, 1));

    const CrossSections none(Points{}, true);
    EXPECT_EQ(none.Items().size(), 1u);
    EXPECT_TRUE(none.BBox().IsEmpty());
}

TEST(CrossSections, NormalizeVertical) {
    CrossSections low(Points{{1, -2}, {3, 5}}, true);
    low.NormalizeVertical();
    EXPECT_EQ(low.Positions(), (Points{{1, 0}, {3, 7}}));
    EXPECT_EQ(low.BBox().min, Pt(1, 0));

    CrossSections close(Points{{1, 0.00005}, {3, 5}}, true);
    close.NormalizeVertical();
    EXPECT_EQ(close.Positions(), (Points{{1, 0.00005}, {3, 5}}));

    CrossSections empty;
    empty.NormalizeVertical();
    EXPECT_TRUE(empty.Positions().empty());
    EXPECT_TRUE(empty.BBox().IsEmpty());

    CrossSections high(Points{{0, 3}, {1, 4}}, true);
    high.NormalizeVertical();
    EXPECT_EQ(high.Positions(), (Points{{0, 0}, {1, 1}}));
}

TEST(CrossSections, ResetErasesAddedPositionsFromTheTop) {
    CrossSections set = SquareWithHole();
    set.GetItems().push_back(set.Items()[0]);
    set.ResetConvexLoops();  // nothing to reset yet
    EXPECT_EQ(set.Positions().size(), 8u);

    for (const CrossSection& item : set.Items()) item.ConvexLoops();
    EXPECT_EQ(set.Positions().size(), 10u);
    EXPECT_EQ(set.Items()[0].AddedVertices(), (std::vector<int>{8}));
    EXPECT_EQ(set.Items()[1].AddedVertices(), (std::vector<int>{9}));
    const kor::BBox<2, double> box = set.BBox();
    set.ResetConvexLoops();
    EXPECT_EQ(set.Positions().size(), 8u);
    for (const CrossSection& item : set.Items()) {
        EXPECT_TRUE(item.AddedVertices().empty());
        EXPECT_EQ(item.ConvexLoops().size(), 5u);  // recomputed
    }
    EXPECT_EQ(set.BBox().min, box.min);
}

TEST(CrossSections, ResetErasesEachIndexOnceAndSkipsOthers) {
    CrossSections set = SquareWithHole();
    set.Items()[0].ConvexLoops();                             // records 8
    set.GetItems().push_back(CrossSection(set.Items()[0]));  // a copy records 8 as well
    set.ResetConvexLoops();
    EXPECT_EQ(set.Positions().size(), 8u);

    CrossSections donor = SquareWithHole();
    donor.Items()[0].ConvexLoops();
    CrossSections small = SquareWithHole();
    small.GetItems().push_back(CrossSection(donor.Items()[0]));  // records 8, past small's array
    small.ResetConvexLoops();
    EXPECT_EQ(small.Positions().size(), 8u);
}

TEST(CrossSections, CopiesAndMovesRebindItems) {
    std::vector<CrossSections> sets;
    for (int i = 0; i < 20; ++i) sets.push_back(SquareWithHole());  // grows, relocating the sets
    for (const CrossSections& set : sets) {
        ExpectBoundTo(set);
        EXPECT_EQ(set.Items()[0].ConvexLoops().size(), 5u);
        EXPECT_EQ(set.Positions().size(), 9u);
    }

    CrossSections copy = [] {
        CrossSections source = SquareWithHole();
        CrossSections inner(source);  // copying does not decompose
        EXPECT_TRUE(source.Items()[0].AddedVertices().empty());
        EXPECT_EQ(source.Positions().size(), 8u);
        return inner;
    }();
    ExpectBoundTo(copy);
    EXPECT_EQ(copy.Items()[0].ConvexLoops().size(), 5u);

    CrossSections moved(std::move(copy));
    ExpectBoundTo(moved);
    EXPECT_TRUE(copy.Positions().empty());
    EXPECT_TRUE(copy.Items().empty());
    EXPECT_EQ(copy.BBox().max, moved.BBox().max) << "box stays in the source";
    for (const Loop& loop : moved.Items()[0].ConvexLoops()) EXPECT_EQ(&loop.Positions(), &moved.Positions());

    CrossSections assigned;
    assigned = moved;
    ExpectBoundTo(assigned);
    CrossSections moveAssigned(0.5);
    moveAssigned = std::move(assigned);
    ExpectBoundTo(moveAssigned);
    EXPECT_TRUE(assigned.Items().empty());
    EXPECT_EQ(Texts(moveAssigned.Items()[0].ConvexLoops()), Texts(moved.Items()[0].ConvexLoops()));
}

TEST(CrossSections, CompatibilityComparesStructure) {
    CrossSections a = SquareWithHole();
    CrossSections b = SquareWithHole();
    EXPECT_TRUE(a.IsCompatible(b, false));
    EXPECT_TRUE(CrossSections().IsCompatible(CrossSections(), true));

    CrossSections flag = SquareWithHole();
    flag.GetItems()[0].GetExteriorLoop() = [] {
        Loop loop;
        testing_support::Append(loop, "0 1' 2 3");
        return loop;
    }();
    EXPECT_FALSE(a.IsCompatible(flag, false));

    CrossSections noHole = SquareWithHole();
    noHole.GetItems()[0].GetInteriorLoops().clear();
    EXPECT_FALSE(a.IsCompatible(noHole, false));

    CrossSections more = SquareWithHole();
    more.GetItems().push_back(more.Items()[0]);
    EXPECT_FALSE(a.IsCompatible(more, true));
    EXPECT_TRUE(a.Items()[0].AddedVertices().empty()) << "item counts differ: nothing decomposed";

    EXPECT_TRUE(a.IsCompatible(b, true));
    EXPECT_EQ(a.Positions().size(), 9u);
    EXPECT_EQ(b.Positions().size(), 9u);
}

TEST(CrossSections, ConvexCompatibilityIgnoresOutlines) {
    // The same pieces from different outline lists: a square and the same square
    // with its first vertex given again as a pre-computed convex list.
    CrossSections a(Points{{0, 0}, {4, 0}, {4, 4}, {0, 4}}, true);
    CrossSections b(Points{{0, 0}, {4, 0}, {4, 4}, {0, 4}}, false);
    Loop& piece = b.GetItems()[0].AddConvexLoop();
    testing_support::Append(piece, "0 1 2 3");
    EXPECT_FALSE(a.IsCompatible(b, false));
    EXPECT_TRUE(a.IsCompatible(b, true));
}

TEST(CrossSections, BlendInterpolatesPositions) {
    CrossSections a(Points{{0, 0}, {1, 0}, {1, 1}, {0, 1}}, true);
    CrossSections b(Points{{0, 0}, {3, 0}, {3, 3}, {0, 3}}, true);
    struct Case { double t; Points expected; };
    for (const Case& c : std::vector<Case>{{0.5, {{0, 0}, {2, 0}, {2, 2}, {0, 2}}},
                                          {2.0, {{0, 0}, {5, 0}, {5, 5}, {0, 5}}},
                                          {0.0, {{0, 0}, {1, 0}, {1, 1}, {0, 1}}}}) {
        const CrossSections blend(a, b, c.t, false);
        EXPECT_EQ(blend.Positions(), c.expected) << c.t;
        ASSERT_EQ(blend.Items().size(), 1u);
        EXPECT_EQ(Text(blend.Items()[0].ExteriorLoop()), "0 1 2 3");
        EXPECT_EQ(blend.BBox().max, c.expected[2]);
        EXPECT_TRUE(blend.Parameters().empty());
        ExpectBoundTo(blend);
    }

    CrossSections longer(Points{{0, 0}, {3, 0}, {3, 3}, {0, 3}, {9, 9}}, false);
    longer.GetItems()[0] = b.Items()[0];
    EXPECT_EQ(CrossSections(a, longer, 0.5, false).Positions().size(), 4u);

    CrossSections other(Points{{0, 0}, {3, 0}, {3, 3}}, true);
    const CrossSections copyOfA(a, other, 0.5, false);
    EXPECT_EQ(copyOfA.Positions(), a.Positions()) << "incompatible: a's positions";
    EXPECT_EQ(Texts(copyOfA.Items()[0].ConvexLoops()), (std::vector<std::string>{"0 1 2 3"}));

    const CrossSections noItems(CrossSections(Points{{0, 0}, {2, 2}}, false), CrossSections(Points{{2, 2}}, false), 0.5, false);
    EXPECT_EQ(noItems.Positions(), (Points{{1, 1}}));
}

TEST(CrossSections, BlendNeverNamesPositionsItLacks) {
    for (bool convex : {false, true}) {
        CrossSections a = SquareWithHole();
        CrossSections b = SquareWithHole();
        const CrossSections blend(a, b, 0.25, convex);
        EXPECT_EQ(a.Positions().size(), 9u);
        for (const CrossSection& item : blend.Items()) {
            for (int added : item.AddedVertices()) EXPECT_LT(static_cast<std::size_t>(added), blend.Positions().size());
            for (const Loop& loop : item.ConvexLoops())
                for (const kor::ShapeExport::Vertex& v : loop.Vertices())
                    EXPECT_LT(static_cast<std::size_t>(v.Index()), blend.Positions().size()) << convex;
        }
        ExpectBoundTo(blend);
    }

    // b without the bridge point: the blend has 8 positions and recomputes its own.
    CrossSections a = SquareWithHole();
    const CrossSections b = SquareWithHole();
    CrossSections blend(a, b, 0.5, false);
    EXPECT_EQ(blend.Positions().size(), 8u);
    EXPECT_TRUE(blend.Items()[0].AddedVertices().empty());
    EXPECT_EQ(blend.GetItems()[0].GetConvexLoops().size(), 5u);
    EXPECT_EQ(blend.Positions().size(), 9u);
    EXPECT_EQ(blend.Positions()[8], Pt(0, 4));
}
