// The set: construction, copies and moves (which re-bind the items), the vertical
// shift, the set-wide reset, compatibility and blending.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <sstream>

#include <kor/ShapeExport/CrossSections.h>

#include "Shapes.h"
#include "TestData.h"

using kor::ShapeExport::CrossSection;
using kor::ShapeExport::CrossSections;
using testing_support::Points;
using testing_support::Texts;
using Point = kor::Vec<2, double>;

namespace {

CrossSections Read(const std::string& text) {
    CrossSections set;
    std::istringstream in(text);
    set.From(in);
    return set;
}

const char* const kSquareWithHole = R"({"Outlines": [[[0,0],[10,0],[10,10],[0,10],[4,4],[4,6],[6,6],[6,4]%s],
                                        [[[[0,1,2,3],true],[[7,6,5,4],false]]]]})";

std::string SquareWithHole(const char* extraPoints = "") {
    char text[512];
    std::snprintf(text, sizeof text, kSquareWithHole, extraPoints);
    return text;
}

void ExpectBoundTo(const CrossSections& set) {
    for (const CrossSection& item : set.Items()) {
        EXPECT_EQ(&item.Positions(), &set.Positions());
        EXPECT_EQ(&item.ExteriorLoop().Positions(), &set.Positions());
        for (const auto& loop : item.ConvexLoops()) EXPECT_EQ(&loop.Positions(), &set.Positions());
    }
}

}  // namespace

TEST(CrossSections, Construction) {
    const CrossSections empty;
    EXPECT_TRUE(empty.Positions().empty() && empty.Items().empty() && empty.Parameters().empty());
    EXPECT_EQ(empty.BBox().min.x(), std::numeric_limits<double>::infinity());
    const CrossSections implicit = 0.001;  // a factor converts to a set
    (void)implicit;

    const Points p{{0, 0}, {2, 0}, {2, 1}};
    const CrossSections filled(p, true), unfilled(p, false);
    EXPECT_EQ(Texts(std::vector<kor::ShapeExport::Loop>{filled.Items()[0].ExteriorLoop()}),
              std::vector<std::string>{"0 1 2"});
    EXPECT_TRUE(unfilled.Items()[0].ExteriorLoop().Vertices().empty());
    EXPECT_EQ(unfilled.BBox().max, Point(2, 1));
    ExpectBoundTo(filled);
}

TEST(CrossSections, NormalizeVertical) {
    struct Case {
        double lowest;
        double expectedLowest;
    };
    for (const Case& c : {Case{-2, 0}, Case{0.00005, 0.00005}, Case{0.0002, 0}, Case{3, 0}}) {
        CrossSections set(Points{{1, c.lowest}, {5, c.lowest + 4}}, true);
        set.NormalizeVertical();
        EXPECT_EQ(set.Positions()[0], Point(1, c.expectedLowest)) << c.lowest;
        const double top = c.lowest + 4;
        EXPECT_EQ(set.Positions()[1].y(), c.expectedLowest == c.lowest ? top : top - c.lowest);
        EXPECT_EQ(set.BBox().min.y(), c.expectedLowest);
    }
    CrossSections none;
    none.NormalizeVertical();
    EXPECT_TRUE(none.Positions().empty());
}

TEST(CrossSections, ResetErasesTheAddedPositionsOnce) {
    CrossSections set = Read(SquareWithHole());
    set.GetItems().push_back(set.Items()[0]);  // same loops: appends position 9
    set.GetItems()[0].ConvexLoops();
    set.GetItems()[1].ConvexLoops();
    set.GetItems().push_back(set.Items()[0]);  // a copy records position 8 as well
    EXPECT_EQ(set.Positions().size(), 10u);
    const auto box = set.BBox();
    set.ResetConvexLoops();
    EXPECT_EQ(set.Positions().size(), 8u);
    EXPECT_EQ(set.Positions().back(), Point(6, 4));
    for (const CrossSection& item : set.Items()) EXPECT_TRUE(item.AddedVertices().empty());
    EXPECT_EQ(set.BBox().max, box.max);
}

TEST(CrossSections, CopiesMovesAndAssignmentsAreIndependent) {
    CrossSections source = Read(SquareWithHole());
    source.GetItems()[0].ConvexLoops();
    const CrossSections copy(source);
    ExpectBoundTo(copy);
    EXPECT_EQ(copy.Positions().size(), 9u);

    source.NormalizeVertical();  // gives it a box
    CrossSections moved(std::move(source));
    ExpectBoundTo(moved);
    EXPECT_TRUE(source.Positions().empty() && source.Items().empty());
    EXPECT_EQ(source.BBox().max, Point(10, 10));  // factor and box stay

    // After A = B, A's reset erases B's bridge point from A's copy, whatever A held.
    for (std::size_t room : {0, 8}) {
        CrossSections target = Read(SquareWithHole(",[1,1],[2,2]"));
        target.GetItems().reserve(room);
        target.GetItems()[0].ConvexLoops();
        target = copy;
        ExpectBoundTo(target);
        target.ResetConvexLoops();
        EXPECT_EQ(target.Positions().size(), 8u) << room;
        EXPECT_EQ(Texts(target.Items()[0].ConvexLoops()), Texts(copy.Items()[0].ConvexLoops()));
    }
}

TEST(CrossSections, CompatibilityAndBlending) {
    auto set = [](const char* points, const char* loops) {
        return Read(std::string(R"({"Outlines": [)") + points + "," + loops + "]}");
    };
    const char* const unit = "[[0,0],[1,0],[1,1],[0,1]]";
    const char* const triple = "[[0,0],[3,0],[3,3],[0,3]]";
    const char* const square = "[[[[0,1,2,3],true]]]";
    const char* const ell = "[[0,0],[2,0],[2,1],[1,1],[1,2],[0,2]]";
    struct Case {
        const char* name;
        CrossSections a, b;
        double t;
        bool convex;
        bool compatible;
        std::vector<Point> expected;  // empty: (1 - t) * a + t * b
        bool keepsConvexLoops;
    };
    const Case cases[] = {
        {"halfway", set(unit, square), set(triple, square), 0.5, false, true, {{0, 0}, {2, 0}, {2, 2}, {0, 2}}, true},
        {"extrapolated",
         set(unit, square),
         set(triple, square),
         2.0,
         false,
         true,
         {{0, 0}, {5, 0}, {5, 5}, {0, 5}},
         true},
        {"b has a fifth position",
         set(unit, square),
         set("[[0,0],[3,0],[3,3],[0,3],[7,7]]", square),
         0.5,
         false,
         true,
         {{0, 0}, {2, 0}, {2, 2}, {0, 2}},
         true},
        {"an outline differs",
         set(unit, square),
         set(unit, "[[[[0,1,2],true]]]"),
         0.5,
         false,
         false,
         {{0, 0}, {1, 0}, {1, 1}, {0, 1}},
         true},
        {"an exterior flag differs",
         set(unit, "[[[[0,1,2],true]],[[[0,1,2],true]]]"),
         set(unit, "[[[[0,1,2],true]],[]]"),
         0.5,
         false,
         false,
         {{0, 0}, {1, 0}, {1, 1}, {0, 1}},
         true},
        {"outlines differ, convex loops alike",
         set(ell, "[[[[0,1,2,3,4,5],true]]]"),
         set(ell, "[[[[4,5,0,1,2,3],true]]]"),
         0.5,
         true,
         true,
         {},
         true},
        {"outlines differ",
         set(ell, "[[[[0,1,2,3,4,5],true]]]"),
         set(ell, "[[[[4,5,0,1,2,3],true]]]"),
         0.5,
         false,
         false,
         {},
         true},
        {"a's bridge point and an unrelated point of b",
         Read(SquareWithHole()),
         Read(SquareWithHole(",[100,100]")),
         0.5,
         false,
         true,
         {},
         false},
        {"bridge points of both", Read(SquareWithHole()), Read(SquareWithHole()), 0.25, true, true, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CrossSections a = c.a, b = c.b;
        EXPECT_EQ(a.IsCompatible(b, c.convex), c.compatible);
        const CrossSections blend(a, b, c.t, c.convex);
        std::vector<Point> expected = c.expected;
        const std::size_t n =
            c.compatible ? std::min(a.Positions().size(), b.Positions().size()) : a.Positions().size();
        for (std::size_t i = 0; c.expected.empty() && i < n; ++i)
            expected.push_back(c.compatible ? Point((1.0 - c.t) * a.Positions()[i].x() + c.t * b.Positions()[i].x(),
                                                    (1.0 - c.t) * a.Positions()[i].y() + c.t * b.Positions()[i].y())
                                            : a.Positions()[i]);
        EXPECT_EQ(blend.Positions(), expected);
        if (a.Items().empty()) continue;
        const auto& item = blend.Items()[0];
        EXPECT_EQ(item.AddedVertices(), c.keepsConvexLoops ? a.Items()[0].AddedVertices() : std::vector<int>{});
        // Every position the blend's pieces name is an ordinary one or its own bridge point.
        const int ordinary = static_cast<int>(a.Positions().size() - a.Items()[0].AddedVertices().size());
        for (const auto& loop : item.ConvexLoops())
            for (const auto& v : loop.Vertices())
                EXPECT_TRUE(v.Index() < ordinary ||
                            std::count(item.AddedVertices().begin(), item.AddedVertices().end(), v.Index()));
        ExpectBoundTo(blend);
    }
    EXPECT_TRUE(CrossSections().IsCompatible(CrossSections(), true));
}
