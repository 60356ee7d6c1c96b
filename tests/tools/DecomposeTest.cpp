// shapeexport decompose: the JSON of the convex loops, the summary, the options.
#include <algorithm>
#include <regex>

#include <gtest/gtest.h>

#include "DecompositionCheck.h"
#include "ToolRunner.h"

using tool_test::RunTool;
using tool_test::ScratchDir;

namespace {

// A 4 x 4 square with a 1 x 1 hole (stored reversed, as documents keep holes), and an
// L shape: areas 15 and 3 x 1 + 1 x 2 = 5.
const char* const kTwoShapes = R"({"Outlines": [
  [[0, 0], [4, 0], [4, 4], [0, 4], [1, 1], [1, 2], [2, 2], [2, 1],
   [10, 0], [13, 0], [13, 1], [11, 1], [11, 3], [10, 3]],
  [[[[0, 1, 2, 3], true], [[7, 6, 5, 4], false]],
   [[[8, 9, 10, 11, 12, 13], true]]]]})";

TEST(ToolDecompose, BuiltInExampleIsWellFormedAndConvex) {
    const tool_test::RunResult run = RunTool({"decompose"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.err.empty()) << run.err;
    const kor::Dom document = tool_test::ParseJson(run.out);
    tool_test::ExpectWellFormedDecomposition(document);
    ASSERT_EQ(document["items"].size(), 4u);  // I-beam, tube, plate, angle

    const std::vector<tool_test::Point2> points = tool_test::Positions(document);
    std::size_t bridges = 0;
    for (std::size_t k = 0; k < 4; ++k) {
        const kor::Dom& convex = document["items"][k]["convex"];
        EXPECT_GE(convex.size(), 2u) << "no profile of the example is convex: item " << k;
        for (std::size_t l = 0; l < convex.size(); ++l) {
            const std::vector<int> loop = tool_test::LoopIndices(convex[l]);
            EXPECT_GT(tool_test::SignedArea(loop, points), 0.0) << "item " << k << " loop " << l;
            EXPECT_TRUE(tool_test::IsConvex(loop, points)) << "item " << k << " loop " << l;
        }
        bridges += document["items"][k]["added"].size();
    }
    EXPECT_GT(bridges, 0u) << "the plate's holes are bridged to its outline";
}

TEST(ToolDecompose, PiecesCoverTheShapeExactly) {
    ScratchDir dir;
    const tool_test::RunResult run = RunTool({"decompose", dir.Write("shapes.json", kTwoShapes)});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const kor::Dom document = tool_test::ParseJson(run.out);
    tool_test::ExpectWellFormedDecomposition(document);
    ASSERT_EQ(document["items"].size(), 2u);
    const std::vector<tool_test::Point2> points = tool_test::Positions(document);
    const double expected[] = {15.0, 5.0};
    for (std::size_t k = 0; k < 2; ++k) {
        const kor::Dom& convex = document["items"][k]["convex"];
        double area = 0.0;
        bool hasCut = false;
        for (std::size_t l = 0; l < convex.size(); ++l) {
            const std::vector<int> loop = tool_test::LoopIndices(convex[l]);
            EXPECT_TRUE(tool_test::IsConvex(loop, points)) << "item " << k << " loop " << l;
            area += tool_test::SignedArea(loop, points);
            for (std::size_t v = 0; v < convex[l].size(); ++v) hasCut = hasCut || !convex[l][v][1].asBool(true);
        }
        EXPECT_NEAR(area, expected[k], 1e-9) << "item " << k;
        EXPECT_TRUE(hasCut) << "neither shape is convex, so some edge is a cut: item " << k;
    }
    // The first 14 positions are the document's, unchanged.
    ASSERT_GE(points.size(), 14u);
    EXPECT_EQ(points[9].x, 13.0);
    EXPECT_EQ(points[13].y, 3.0);
}

TEST(ToolDecompose, StandardInputGivesTheSameResult) {
    ScratchDir dir;
    const tool_test::RunResult fromFile = RunTool({"decompose", dir.Write("shapes.json", kTwoShapes)});
    const tool_test::RunResult fromStdin = RunTool({"decompose", "-"}, kTwoShapes);
    ASSERT_EQ(fromStdin.exitCode, 0) << fromStdin.err;
    EXPECT_EQ(fromStdin.out, fromFile.out);
}

TEST(ToolDecompose, OutputFileAndOneLineSummary) {
    ScratchDir dir;
    const std::string out = dir.Path("out.json");
    const tool_test::RunResult plain = RunTool({"decompose"});
    const tool_test::RunResult run = RunTool({"decompose", "-o", out});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(tool_test::ReadFileText(out), plain.out);

    const std::regex summary(R"((\d+) items?, (\d+) positions?, (\d+) convex pieces?, (\d+) bridge points?\n)");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(run.out, match, summary)) << run.out;
    const kor::Dom document = tool_test::ParseJson(plain.out);
    std::size_t pieces = 0, bridges = 0;
    for (std::size_t k = 0; k < document["items"].size(); ++k) {
        pieces += document["items"][k]["convex"].size();
        bridges += document["items"][k]["added"].size();
    }
    EXPECT_EQ(std::stoul(match[1]), document["items"].size());
    EXPECT_EQ(std::stoul(match[2]), document["positions"].size());
    EXPECT_EQ(std::stoul(match[3]), pieces);
    EXPECT_EQ(std::stoul(match[4]), bridges);
}

TEST(ToolDecompose, JsonLayouts) {
    const std::string triangle = R"({"Outlines": [[[0, 0], [1, 0], [0, 1]], [[[[0, 1, 2], true]]]]})";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "{\n  \"positions\": [\n    [0.0, 0.0],\n    [1.0, 0.0],\n    [0.0, 1.0]\n  ],\n  \"items\": [\n    {\n"
             "      \"convex\": [\n        [\n          [0, true],\n          [1, true],\n          [2, true]\n        ]\n"
             "      ],\n      \"added\": []\n    }\n  ]\n}\n"},
        {{"--compact"}, R"({"positions":[[0.0,0.0],[1.0,0.0],[0.0,1.0]],"items":[{"convex":[[[0,true],[1,true],[2,true]]],"added":[]}]})"
                        "\n"},
        {{"--indent", "0"}, "{\n\"positions\": [\n[\n0.0,\n0.0\n],\n[\n1.0,\n0.0\n],\n[\n0.0,\n1.0\n]\n],\n\"items\": [\n{\n"
                            "\"convex\": [\n[\n[\n0,\ntrue\n],\n[\n1,\ntrue\n],\n[\n2,\ntrue\n]\n]\n],\n\"added\": []\n}\n]\n}\n"},
    };
    for (const auto& [options, expected] : cases) {
        std::vector<std::string> args = {"decompose", "-"};
        args.insert(args.end(), options.begin(), options.end());
        const tool_test::RunResult run = RunTool(args, triangle);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, expected);
    }
}

TEST(ToolDecompose, ScaleAndNormalize) {
    ScratchDir dir;
    const std::string path =
        dir.Write("set.json", R"({"Outlines": [[[2500, -1000], [4500, -1000], [4500, 1000]], [[[[0, 1, 2], true]]]]})");
    struct Case {
        std::vector<std::string> options;
        std::vector<double> xy;  // expected x0, y0, x1, y1, x2, y2
    };
    const Case cases[] = {
        {{}, {2500, -1000, 4500, -1000, 4500, 1000}},
        {{"--scale", "0.001"}, {2.5, -1, 4.5, -1, 4.5, 1}},
        {{"--normalize"}, {2500, 0, 4500, 0, 4500, 2000}},
        {{"--scale", "0.001", "--normalize"}, {2.5, 0, 4.5, 0, 4.5, 2}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"decompose", path};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const tool_test::RunResult run = RunTool(args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::vector<tool_test::Point2> points = tool_test::Positions(tool_test::ParseJson(run.out));
        ASSERT_EQ(points.size(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_DOUBLE_EQ(points[i].x, c.xy[2 * i]) << c.options.size() << " options, point " << i;
            EXPECT_DOUBLE_EQ(points[i].y, c.xy[2 * i + 1]) << c.options.size() << " options, point " << i;
        }
    }
}

TEST(ToolDecompose, DroppedCrossSectionsAreCountedInAWarning) {
    ScratchDir dir;
    // The second cross section has a loop of two vertices; the third has no exterior loop.
    const std::string path = dir.Write("set.json", R"({"Outlines": [[[0, 0], [1, 0], [1, 1], [0, 1]],
        [[[[0, 1, 2, 3], true]], [[[0, 1], true]], [[[0, 1, 2], false]]]]})");
    const tool_test::RunResult run = RunTool({"decompose", path});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("2 of 3 cross sections dropped"), std::string::npos) << run.err;
    EXPECT_EQ(tool_test::ParseJson(run.out)["items"].size(), 1u);
}

TEST(ToolDecompose, PointListAloneIsOneOutline) {
    const tool_test::RunResult run = RunTool({"decompose", "-"}, R"({"outlines": [[[0, 0], [2, 0], [2, 1], [0, 1]]]})");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const kor::Dom document = tool_test::ParseJson(run.out);
    tool_test::ExpectWellFormedDecomposition(document);
    ASSERT_EQ(document["items"].size(), 1u);
    ASSERT_EQ(document["items"][0]["convex"].size(), 1u);  // a rectangle is one piece
    EXPECT_EQ(tool_test::LoopIndices(document["items"][0]["convex"][0]), (std::vector<int>{0, 1, 2, 3}));
}

}  // namespace
