// shapeexport blend: interpolated sets written as cross-section documents.
#include <cmath>

#include <gtest/gtest.h>

#include "ToolRunner.h"

using tool_test::RunTool;
using tool_test::ScratchDir;

namespace {

const char* const kUnitSquare = R"({"Outlines": [[[0,0],[1,0],[1,1],[0,1]], [[[[0,1,2,3],true]]]]})";
const char* const kBigSquare = R"({"Outlines": [[[0,0],[3,0],[3,3],[0,3],[9,9]], [[[[0,1,2,3],true]]]]})";
const char* const kTwoSquares =
    R"({"Outlines": [[[0,0],[1,0],[1,1],[0,1]], [[[[0,1,2,3],true]], [[[0,1,2,3],true]]]]})";

std::vector<double> Flatten(const kor::Dom& points) {
    std::vector<double> out;
    for (std::size_t i = 0; i < points.size(); ++i)
        for (std::size_t k = 0; k < points[i].size(); ++k) out.push_back(points[i][k].asDouble(NAN));
    return out;
}

TEST(ToolBlend, InterpolatesAndExtrapolates) {
    ScratchDir dir;
    const std::string a = dir.Write("a.json", kUnitSquare);
    const std::string b = dir.Write("b.json", kBigSquare);
    const struct {
        const char* t;
        std::vector<double> expected;
    } cases[] = {
        {"0", {0, 0, 1, 0, 1, 1, 0, 1}},
        {"0.5", {0, 0, 2, 0, 2, 2, 0, 2}},  // b's fifth position is not taken
        {"1", {0, 0, 3, 0, 3, 3, 0, 3}},
        {"2", {0, 0, 5, 0, 5, 5, 0, 5}},
        {"-1", {0, 0, -1, 0, -1, -1, 0, -1}},
    };
    for (const auto& c : cases) {
        const tool_test::RunResult run = RunTool({"blend", a, b, "-t", c.t});
        ASSERT_EQ(run.exitCode, 0) << c.t << ": " << run.err;
        EXPECT_TRUE(run.err.empty()) << run.err;
        const kor::Dom document = tool_test::ParseJson(run.out);
        ASSERT_TRUE(document["Outlines"].isArray());
        EXPECT_EQ(Flatten(document["Outlines"][0]), c.expected) << "t = " << c.t;
        const kor::Dom& items = document["Outlines"][1];
        ASSERT_EQ(items.size(), 1u);
        ASSERT_EQ(items[0].size(), 1u);
        EXPECT_TRUE(items[0][0][1].asBool(false));
        std::vector<long long> exterior;
        for (std::size_t i = 0; i < items[0][0][0].size(); ++i) exterior.push_back(items[0][0][0][i].asInt(-1));
        EXPECT_EQ(exterior, (std::vector<long long>{0, 1, 2, 3}));
    }
}

TEST(ToolBlend, IncompatibleSetsGiveACopyOfTheFirstWithAWarning) {
    ScratchDir dir;
    const std::string a = dir.Write("a.json", kTwoSquares);
    const std::string b = dir.Write("b.json", kBigSquare);
    const tool_test::RunResult run = RunTool({"blend", a, b, "-t", "0.5"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("not compatible"), std::string::npos) << run.err;
    EXPECT_EQ(tool_test::Lines(run.err).size(), 1u);
    const kor::Dom document = tool_test::ParseJson(run.out);
    EXPECT_EQ(Flatten(document["Outlines"][0]), (std::vector<double>{0, 0, 1, 0, 1, 1, 0, 1}));
    EXPECT_EQ(document["Outlines"][1].size(), 2u);
}

TEST(ToolBlend, ConvexComparisonAndRoundTripThroughDecompose) {
    ScratchDir dir;
    // The same square with a hole, twice as large in b.
    const std::string a = dir.Write(
        "a.json", R"({"Outlines": [[[0,0],[4,0],[4,4],[0,4],[1,1],[1,2],[2,2],[2,1]], [[[[0,1,2,3],true],[[7,6,5,4],false]]]]})");
    const std::string b = dir.Write(
        "b.json", R"({"Outlines": [[[0,0],[8,0],[8,8],[0,8],[2,2],[2,4],[4,4],[4,2]], [[[[0,1,2,3],true],[[7,6,5,4],false]]]]})");
    const std::string out = dir.Path("blend.json");
    const tool_test::RunResult run = RunTool({"blend", a, b, "-t", "0.5", "--convex", "-o", out});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.out.empty());
    EXPECT_TRUE(run.err.empty()) << run.err;
    const kor::Dom document = tool_test::ParseJson(tool_test::ReadFileText(out));
    const std::vector<double> points = Flatten(document["Outlines"][0]);
    ASSERT_GE(points.size(), 16u);
    EXPECT_EQ(std::vector<double>(points.begin(), points.begin() + 8), (std::vector<double>{0, 0, 6, 0, 6, 6, 0, 6}));
    ASSERT_EQ(document["Outlines"][1].size(), 1u);
    EXPECT_EQ(document["Outlines"][1][0].size(), 2u);  // outline and hole

    // The blend is a cross-section document the tool reads again.
    const tool_test::RunResult again = RunTool({"decompose", out});
    EXPECT_EQ(again.exitCode, 0) << again.err;
}

}  // namespace
