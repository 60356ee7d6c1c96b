// Vertices and loops: the editing primitives, the leftmost vertex and the box.
#include <gtest/gtest.h>

#include <limits>
#include <sstream>

#include <kor/ShapeExport/Loop.h>

#include "TestData.h"

using kor::ShapeExport::Loop;
using kor::ShapeExport::Vertex;
using Points = std::vector<kor::Vec<2, double>>;
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
