#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <kor/ShapeExport/CrossSections.h>

#include "Shapes.h"

using kor::ShapeExport::CrossSection;
using kor::ShapeExport::CrossSections;
using kor::ShapeExport::Loop;
using testing_support::Points;

namespace {

// Runs `write` on an ofstream opened on a temporary file and returns what it wrote.
// The file is named after the running test: CTest runs test cases in parallel.
template <typename Write>
std::string Capture(Write write) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string path =
        ::testing::TempDir() + "shapeexport_dump_" + test->test_suite_name() + "_" + test->name() + ".txt";
    {
        std::ofstream out(path);
        write(out);
    }
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    std::remove(path.c_str());
    return text.str();
}

CrossSections SquareWithTriangleHole() {
    CrossSections set(Points{{0, 0}, {4, 0}, {4, 4}, {0, 4}, {1, 1}, {1, 2}, {2, 2}}, false);
    CrossSection& item = set.GetItems()[0];
    for (int i : {0, 1, 2, 3}) item.GetExteriorLoop().AddVertex(i, true);
    Loop& hole = item.AddInteriorLoop();
    for (int i : {4, 5, 6}) hole.AddVertex(i, true);
    return set;
}

}  // namespace

TEST(Dump, WholeSetLayout) {
    CrossSections set = SquareWithTriangleHole();
    const std::string text = Capture([&](std::ofstream& out) { set.Dump(out, ""); });
    const std::string expected =
        "CrossSections:\n"
        "    Positions:\n"
        "        0: (0, 0)\n"
        "        1: (4, 0)\n"
        "        2: (4, 4)\n"
        "        3: (0, 4)\n"
        "        4: (1, 1)\n"
        "        5: (1, 2)\n"
        "        6: (2, 2)\n"
        "    Cross Section:\n"
        "        Exterior Loop:\n"
        "            0\n            1\n            2\n            3\n"
        "        Interior Loops:\n"
        "            Loop:\n"
        "                    4\n                    5\n                    6\n"
        "        Convex Loops:\n";
    ASSERT_EQ(text.substr(0, expected.size()), expected);
    // The convex loops were computed by the dump; the bridge point is not listed.
    EXPECT_EQ(set.Positions().size(), 8u);
    std::string convex;
    for (const Loop& loop : set.Items()[0].ConvexLoops()) {
        convex += "            Loop:\n";
        for (const kor::ShapeExport::Vertex& v : loop.Vertices()) convex += "                    " + std::to_string(v.Index()) + "\n";
    }
    EXPECT_EQ(text.substr(expected.size()), convex);
}

TEST(Dump, EmptyAndClosedStreams) {
    EXPECT_EQ(Capture([](std::ofstream& out) { CrossSections().Dump(out, ""); }), "CrossSections:\n    Positions:\n");
    std::ofstream closed;
    SquareWithTriangleHole().Dump(closed, "");  // no file: nothing written, no failure
    EXPECT_FALSE(closed.is_open());

    const CrossSection plain;
    EXPECT_EQ(Capture([&](std::ofstream& out) { plain.Dump(out, ""); }),
              "Cross Section:\n    Exterior Loop:\n    Interior Loops:\n    Convex Loops:\n");
}

TEST(Dump, PrefixRepeatsInNestedLines) {
    CrossSections set = SquareWithTriangleHole();
    const std::string text = Capture([&](std::ofstream& out) { set.Items()[0].Dump(out, "-"); });
    EXPECT_NE(text.find("\n-        0\n"), std::string::npos);
    EXPECT_NE(text.find("\n-        -    4\n"), std::string::npos);
    EXPECT_EQ(text.find("-Cross Section:\n-    Exterior Loop:\n"), 0u);
}

TEST(Dump, NumbersUseTheStreamFormat) {
    CrossSections set(Points{{1.0 / 3.0, 1e6}}, false);
    EXPECT_EQ(Capture([&](std::ofstream& out) { set.Dump(out, ""); }),
              "CrossSections:\n    Positions:\n        0: (0.333333, 1e+06)\n    Cross Section:\n"
              "        Exterior Loop:\n        Interior Loops:\n        Convex Loops:\n");
}
