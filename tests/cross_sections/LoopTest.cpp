// Vertices and loops: the editing primitives, the leftmost vertex and the box.
#include <gtest/gtest.h>

#include <limits>

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

TEST(Loop, EditingPrimitives) {
    const Points none;
    struct Case {
        const char* loop;
        const char* edit;  // I: InsertVertex(7, a); A: Add(other, a, b, c); C: Cut(a, b)
        int a, b, c;
        const char* expected;
    };
    const char* const other = "10 11 12' 13 14";
    const Case cases[] = {
        {"0 1 2", "I", 0, 0, 0, "7 0 1 2"},
        {"0 1 2", "I", -1, 0, 0, "0 1 2 7"},
        {"0 1 2", "I", 3, 0, 0, "0 1 2 7"},
        {"", "A", 0, 2, -1, "12' 13 14 10 11"},  // whole loop from 2: flags as they were
        {"", "A", 0, 3, 1, "13' 14 10 11"},
        {"", "A", 0, 1, 3, "11' 12' 13"},
        {"", "A", 0, 5, -1, ""},
        {"", "A", 0, 1, 5, ""},
        {"", "A", 0, -1, 2, ""},
        {"", "A", 0, 1, -2, ""},
        {"0 1 2", "A", 0, 2, -1, "0 12' 13 14 10 11 12' 0' 1 2"},  // bridge: in at 12, round, back to 0
        {"0 1 2", "A", 1, 3, 0, "0 1 13' 14 10 1' 2"},
        {"0 1 2", "A", 3, 0, -1, "0 1 2"},
        {"0 1 2 3 4 5", "C", 1, 4, 0, "0 1 4' 5"},
        {"0 1 2 3 4 5", "C", 4, 1, 0, "1' 2 3 4"},
        {"0 1 2 3 4 5", "C", 1, 2, 0, "0 1 2' 3 4 5"},
        {"0 1 2 3 4 5", "C", 2, 2, 0, "2'"},
        {"0 1 2 3 4 5", "C", -1, 2, 0, "0 1 2 3 4 5"},
        {"0 1 2 3 4 5", "C", 1, 6, 0, "0 1 2 3 4 5"},
    };
    for (const Case& c : cases) {
        Loop loop = LoopOf(none, c.loop);
        if (c.edit[0] == 'I') loop.InsertVertex(7, c.a);
        if (c.edit[0] == 'A') loop.Add(LoopOf(none, other), c.a, c.b, c.c);
        if (c.edit[0] == 'C') loop.Cut(c.a, c.b);
        EXPECT_EQ(Text(loop), c.expected) << c.edit << "(" << c.a << ", " << c.b << ", " << c.c << ") on " << c.loop;
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
