// The cross section as a cache of its decomposition: when it is computed, what
// copies, assignments and resets do with it, and the steps a derived class runs.
// Vertices and loops: the editing primitives, the leftmost vertex and the box.
#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <sstream>

#include <kor/ShapeExport/CrossSection.h>
#include <kor/ShapeExport/Loop.h>

#include "Shapes.h"
#include "TestData.h"

using kor::ShapeExport::CrossSection;
using kor::ShapeExport::Loop;
using testing_support::Points;
using testing_support::Texts;
using Strings = std::vector<std::string>;

namespace {

Points SquareWithHole() { return {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {4, 4}, {4, 6}, {6, 6}, {6, 4}}; }

// The steps of the decomposition, which the class offers to derived classes.
struct Steps : CrossSection {
    using CrossSection::BuildConvexLoop;
    using CrossSection::BuildConvexLoops;
    using CrossSection::CrossSection;
    using CrossSection::Modulo;
    using CrossSection::RemoveHole;
};

}  // namespace

TEST(CrossSection, DecomposesOnFirstRequest) {
    const CrossSection plain;
    EXPECT_TRUE(plain.ConvexLoops().empty());
    EXPECT_EQ(&plain.Positions(), &CrossSection::m_emptyPositions);

    Points p{{0, 0}, {4, 0}, {4, 4}, {0, 4}};
    CrossSection square(p, true);
    const auto& first = square.ConvexLoops();
    EXPECT_EQ(Texts(first), Strings{"0 1 2 3"});
    EXPECT_EQ(&square.ConvexLoops(), &first);
    EXPECT_EQ(p.size(), 4u);

    CrossSection marked(p, true);
    marked.AddConvexLoop();
    EXPECT_EQ(Texts(marked.ConvexLoops()), Strings{""});

    // A loop naming a position that does not exist is handed back undecomposed.
    Points q = SquareWithHole();
    CrossSection outOfRange = testing_support::MakeSection(q, {0, 1, 2, 3}, {{4, 5, 6, 9}});
    EXPECT_EQ(Texts(outOfRange.ConvexLoops()), (Strings{"0 1 2 3", "4 5 6 9"}));
    EXPECT_EQ(q.size(), 8u);
}

TEST(CrossSection, CopiesAssignmentsAndReset) {
    Points p = SquareWithHole(), other = SquareWithHole();
    CrossSection source = testing_support::MakeSection(p, {0, 1, 2, 3}, {{4, 5, 6, 7}});

    // The re-binding copy decomposes its source first; all its loops use the new array.
    const CrossSection rebound(source, other);
    EXPECT_EQ(source.AddedVertices(), std::vector<int>{8});
    EXPECT_EQ(p.size(), 9u);
    EXPECT_EQ(Texts(rebound.ConvexLoops()), Texts(source.ConvexLoops()));
    for (const Loop& loop : rebound.ConvexLoops()) EXPECT_EQ(&loop.Positions(), &other);
    EXPECT_EQ(&rebound.InteriorLoops()[0].Positions(), &other);

    // Assignment copies the loops; the target keeps its array and its added vertices.
    CrossSection target(other, true);
    target = source;
    EXPECT_EQ(&target.Positions(), &other);
    EXPECT_TRUE(target.AddedVertices().empty());
    EXPECT_EQ(Texts(target.ConvexLoops()), Texts(source.ConvexLoops()));

    std::set<int> removed{9, 12};
    source.ResetConvexLoops(removed);
    EXPECT_EQ(removed, (std::set<int>{8, 9, 12}));
    EXPECT_TRUE(source.AddedVertices().empty());
    EXPECT_EQ(p.size(), 9u);  // the caller erases, and asks again
    p.pop_back();
    EXPECT_EQ(Texts(source.ConvexLoops()), Texts(rebound.ConvexLoops()));

    // The box of the outline and the holes, indices outside the array skipped.
    source.GetInteriorLoops()[0].AddVertex(99, true);
    EXPECT_EQ(source.BBox().max, (kor::Vec<2, double>(10, 10)));
}

TEST(CrossSection, StepsOneAtATime) {
    Points p = SquareWithHole();
    Steps steps(p, false);
    for (int i : {0, 1, 2, 3}) steps.GetExteriorLoop().AddVertex(i, true);
    Loop& hole = steps.AddInteriorLoop();
    for (int i : {4, 5, 6, 7}) hole.AddVertex(i, true);
    steps.AddConvexLoop() = steps.ExteriorLoop();
    steps.AddConvexLoop() = steps.InteriorLoops()[0];
    EXPECT_TRUE(steps.RemoveHole());
    EXPECT_EQ(Texts(steps.ConvexLoops()), Strings{"8 4' 5 6 7 4 8' 0 1 2 3"});
    EXPECT_FALSE(steps.RemoveHole());
    EXPECT_FALSE(steps.BuildConvexLoop(0));  // a piece was cut
    EXPECT_TRUE(steps.BuildConvexLoop(7));   // no such entry
    steps.BuildConvexLoops();

    Points q = SquareWithHole();
    const CrossSection whole = testing_support::MakeSection(q, {0, 1, 2, 3}, {{4, 5, 6, 7}});
    EXPECT_EQ(Texts(steps.ConvexLoops()), Texts(whole.ConvexLoops()));
    EXPECT_EQ(steps.AddedVertices(), whole.AddedVertices());

    const int modulo[][3] = {{-1, 5, 4}, {7, 5, 2}, {-12, 5, 3}, {0, 5, 0}, {3, 0, 0}};
    for (const auto& m : modulo) EXPECT_EQ(steps.Modulo(m[0], m[1]), m[2]) << m[0] << " mod " << m[1];
}

using kor::ShapeExport::Vertex;
using testing_support::Text;

namespace {

Loop LoopOf(const Points& positions, const std::string& text) {
    return Loop(positions, testing_support::Vertices(text));
}

}  // namespace

TEST(Loop, ConstructionAndAssignment) {
    const Points p{{0, 0}, {1, 0}, {0, 1}}, q{{5, 5}};
    EXPECT_EQ(Text(Loop(p, true)), "0 1 2");
    EXPECT_EQ(Text(Loop(p, false)), "");
    EXPECT_EQ(&Loop(p, true).Positions(), &p);
    EXPECT_EQ(&Loop().Positions(), &Loop::m_emptyPositions);
    EXPECT_FALSE(Vertex(4, true) == Vertex(4, false));
    EXPECT_TRUE(Vertex(4, true) != Vertex(5, true));

    // Assignment copies the vertices only; the target keeps its array.
    Loop target(q, false);
    target = Loop(p, true);
    EXPECT_EQ(Text(target), "0 1 2");
    EXPECT_EQ(&target.Positions(), &q);
    EXPECT_EQ(&Loop(Loop(p, true), q).Positions(), &q);
}

// tests/data/cross_sections/loop_edits.txt.
TEST(Loop, EditingPrimitives) {
    const Points none;
    for (const std::string& row : testing_support::DataLines("cross_sections/loop_edits.txt")) {
        const std::size_t first = row.find(" | "), second = row.find(" | ", first + 3);
        std::istringstream edit(row.substr(first + 3, second - first - 3));
        std::string name;
        int a = 0, b = 0, c = 0;
        edit >> name >> a >> b >> c;
        Loop loop = LoopOf(none, row.substr(0, first));
        if (name == "insert") loop.InsertVertex(7, a);
        if (name == "add") loop.Add(LoopOf(none, "10 11 12' 13 14"), a, b, c);
        if (name == "cut") loop.Cut(a, b);
        EXPECT_EQ(Text(loop), row.substr(second + 3)) << row;
    }
}

TEST(Loop, LeftMostVertexAndBox) {
    Points p{{3, 0}, {1, 5}, {1, -5}, {2, 0}};
    Loop loop = LoopOf(p, "0 1 2 3");
    EXPECT_EQ(loop.LeftMostVertex(), 1);  // the first of the smallest x
    p[3] = kor::Vec<2, double>(-9, 0);
    EXPECT_EQ(loop.LeftMostVertex(), 1);  // cached
    loop.AddVertex(3, true);              // an edit forgets it
    EXPECT_EQ(loop.LeftMostVertex(), 3);
    EXPECT_EQ(Loop().LeftMostVertex(), -1);

    const auto box = LoopOf(p, "1 9 -1 2").BBox();  // indices outside the array are skipped
    EXPECT_EQ(box.min, (kor::Vec<2, double>(1, -5)));
    EXPECT_EQ(box.max, (kor::Vec<2, double>(1, 5)));
    const auto empty = Loop().BBox();
    EXPECT_EQ(empty.min.x(), std::numeric_limits<double>::infinity());
    EXPECT_EQ(empty.max.y(), -std::numeric_limits<double>::infinity());
}
