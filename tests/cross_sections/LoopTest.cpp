#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include <kor/ShapeExport/Loop.h>

#include "LoopText.h"

using kor::ShapeExport::Loop;
using kor::ShapeExport::Vertex;
using testing_support::Append;
using testing_support::Text;
using Points = std::vector<kor::Vec<2, double>>;

TEST(Vertex, ComparesIndexAndFlag) {
    EXPECT_FALSE(Vertex(4, true) == Vertex(4, false));
    EXPECT_TRUE(Vertex(4, true) != Vertex(5, true));
    EXPECT_TRUE(Vertex(4, true) == Vertex(4, true));
    Vertex v(3, false);
    v.SetExterior(true);
    EXPECT_EQ(v, Vertex(3, true));
}

TEST(Loop, ConstructionBindsArray) {
    Points p{{0.0, 0.0}, {1.0, 0.0}, {1.0, 1.0}};
    Loop filled(p, true);
    EXPECT_EQ(Text(filled), "0 1 2");
    EXPECT_EQ(&filled.Positions(), &p);
    Loop empty(p, false);
    EXPECT_TRUE(empty.Vertices().empty());
    EXPECT_EQ(&empty.Positions(), &p);
    Loop unbound;
    EXPECT_EQ(&unbound.Positions(), &Loop::m_emptyPositions);
    EXPECT_TRUE(Loop::m_emptyPositions.empty());
}

TEST(Loop, AssignmentKeepsTargetArray) {
    Points a{{0.0, 0.0}, {1.0, 0.0}};
    Points b{{5.0, 5.0}};
    Loop source(a, true);
    Loop target(b, false);
    target = source;
    EXPECT_EQ(&target.Positions(), &b);
    EXPECT_EQ(Text(target), "0 1");
    Loop copy(source);
    EXPECT_EQ(&copy.Positions(), &a);
    Loop rebound(source, b);
    EXPECT_EQ(&rebound.Positions(), &b);
    EXPECT_EQ(Text(rebound), "0 1");
}

TEST(Loop, InsertVertexPlacesOrAppends) {
    struct Case { int pos; std::string expected; };
    for (const Case& c : std::vector<Case>{{0, "7 0 1 2"}, {2, "0 1 7 2"}, {-1, "0 1 2 7"}, {3, "0 1 2 7"}, {99, "0 1 2 7"}}) {
        Loop loop;
        Append(loop, "0 1 2");
        loop.InsertVertex(7, c.pos);
        EXPECT_EQ(Text(loop), c.expected) << "pos " << c.pos;
    }
}

TEST(Loop, AddIntoEmptyLoop) {
    struct Case { int first, last; std::string expected; };
    const std::vector<Case> cases{
        {2, -1, "2 3' 4 0 1"},  // whole loop rotated, flags untouched
        {3, 1, "3' 4 0 1"},
        {1, 3, "1' 2 3'"},
        {5, -1, ""},
        {1, 5, ""},
        {-1, 2, ""},
        {1, -2, ""},
    };
    for (const Case& c : cases) {
        Loop other;
        Append(other, "0 1 2 3' 4");
        Loop loop;
        loop.Add(other, 0, c.first, c.last);
        EXPECT_EQ(Text(loop), c.expected) << c.first << ", " << c.last;
    }
}

TEST(Loop, AddSplicesBridge) {
    Loop other;
    Append(other, "10 11 12 13");
    Loop loop;
    Append(loop, "0 1 2");
    loop.Add(other, 0, 2, -1);
    EXPECT_EQ(Text(loop), "0 12' 13 10 11 12 0' 1 2");

    Loop partial;
    Append(partial, "0 1 2");
    partial.Add(other, 1, 1, 2);
    EXPECT_EQ(Text(partial), "0 1 11' 12 1' 2");

    Loop unchanged;
    Append(unchanged, "0 1 2");
    unchanged.Add(other, 3, 0, -1);
    unchanged.Add(other, -1, 0, -1);
    unchanged.Add(unchanged, 0, 0, -1);  // a loop given itself changes nothing
    EXPECT_EQ(Text(unchanged), "0 1 2");
}

TEST(Loop, CutDropsVerticesBetween) {
    struct Case { int first, last; std::string expected; };
    const std::vector<Case> cases{
        {1, 4, "0 1 4' 5"},
        {4, 1, "1' 2 3 4"},
        {1, 2, "0 1 2' 3 4 5"},
        {2, 2, "2'"},
        {0, 5, "0 5'"},
        {5, 0, "0' 1 2 3 4 5"},
        {-1, 2, "0 1 2 3 4 5"},
        {1, 6, "0 1 2 3 4 5"},
    };
    for (const Case& c : cases) {
        Loop loop;
        Append(loop, "0 1 2 3 4 5");
        loop.Cut(c.first, c.last);
        EXPECT_EQ(Text(loop), c.expected) << c.first << ", " << c.last;
    }
}

TEST(Loop, LeftMostVertexIsFirstSmallestXAndCached) {
    Points p{{3.0, 0.0}, {1.0, 5.0}, {1.0, -5.0}, {2.0, 0.0}};
    Loop loop(p, true);
    EXPECT_EQ(loop.LeftMostVertex(), 1);
    p[3] = {-10.0, 0.0};
    EXPECT_EQ(loop.LeftMostVertex(), 1) << "cached until the loop changes";
    loop.AddVertex(3, true);  // editing clears the cache
    EXPECT_EQ(loop.LeftMostVertex(), 3);
    EXPECT_EQ(loop.LeftMostVertex(), 3);
    loop.Cut(1, 0);  // the cached list position would now lie past the end
    EXPECT_EQ(Text(loop), "0' 1");
    EXPECT_EQ(loop.LeftMostVertex(), 1);

    Loop empty;
    EXPECT_EQ(empty.LeftMostVertex(), -1);

    Points huge{{std::numeric_limits<double>::max(), 0.0}, {std::numeric_limits<double>::infinity(), 0.0}};
    Loop far(huge, true);
    EXPECT_EQ(far.LeftMostVertex(), -1) << "no x below the largest finite double";

    Loop outOfRange(p, false);
    outOfRange.AddVertex(42, true);
    outOfRange.AddVertex(-1, true);
    outOfRange.AddVertex(0, true);
    EXPECT_EQ(outOfRange.LeftMostVertex(), 2) << "indices outside the array are skipped";
}

TEST(Loop, BoundingBoxSkipsIndicesOutsideArray) {
    Points p{{1.0, 2.0}, {3.0, -4.0}};
    Loop loop(p, false);
    Append(loop, "0 9");
    loop.AddVertex(-1, true);
    const kor::BBox<2, double> box = loop.BBox();
    EXPECT_EQ(box.min, testing_support::Pt(1.0, 2.0));
    EXPECT_EQ(box.max, testing_support::Pt(1.0, 2.0));

    const kor::BBox<2, double> empty = Loop().BBox();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(empty.min, testing_support::Pt(inf, inf));
    EXPECT_EQ(empty.max, testing_support::Pt(-inf, -inf));
}
