// shapeexport dump: the library's diagnostic text, to standard output or a file.
#include <gtest/gtest.h>

#include "ToolRunner.h"

using tool_test::RunTool;
using tool_test::ScratchDir;

namespace {

// Square 4 x 4 with a triangular hole 4, 5, 6 (stored reversed).
const char* const kSquareWithHole =
    R"({"Outlines": [[[0,0],[4,0],[4,4],[0,4],[1,1],[1,2],[2,2]], [[[[0,1,2,3],true],[[6,5,4],false]]]]})";

TEST(ToolDump, StandardOutputHoldsTheDump) {
    ScratchDir dir;
    const tool_test::RunResult run = RunTool({"dump", dir.Write("set.json", kSquareWithHole)});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.err.empty()) << run.err;
    const std::vector<std::string> lines = tool_test::Lines(run.out);
    const std::vector<std::string> head = {
        "CrossSections:",        "    Positions:",      "        0: (0, 0)",  "        1: (4, 0)",
        "        2: (4, 4)",     "        3: (0, 4)",   "        4: (1, 1)",  "        5: (1, 2)",
        "        6: (2, 2)",     "    Cross Section:",  "        Exterior Loop:", "            0",
        "            1",         "            2",       "            3",       "        Interior Loops:",
        "            Loop:",     "                    4", "                    5", "                    6",
        "        Convex Loops:", "            Loop:"};
    ASSERT_GE(lines.size(), head.size()) << run.out;
    for (std::size_t i = 0; i < head.size(); ++i) EXPECT_EQ(lines[i], head[i]) << "line " << i;
    EXPECT_EQ(run.out.back(), '\n');
}

TEST(ToolDump, OutputFileEqualsStandardOutput) {
    ScratchDir dir;
    const std::string input = dir.Write("set.json", kSquareWithHole);
    const std::string out = dir.Path("dump.txt");
    const tool_test::RunResult toFile = RunTool({"dump", input, "-o", out});
    ASSERT_EQ(toFile.exitCode, 0) << toFile.err;
    EXPECT_TRUE(toFile.out.empty());
    EXPECT_EQ(tool_test::ReadFileText(out), RunTool({"dump", input}).out);
    EXPECT_EQ(RunTool({"dump", "-"}, kSquareWithHole).out, tool_test::ReadFileText(out));
}

TEST(ToolDump, AppendingRedirectionKeepsEarlierContent) {
    ScratchDir dir;
    const std::string input = dir.Write("set.json", kSquareWithHole);
    const std::string log = dir.Write("log.txt", "earlier line\n");
    ASSERT_EQ(tool_test::RunShell(tool_test::ShellQuote(tool_test::ToolPath()) + " dump " + tool_test::ShellQuote(input) +
                                  " >> " + tool_test::ShellQuote(log)),
              0);
    const std::string text = tool_test::ReadFileText(log);
    EXPECT_EQ(text.rfind("earlier line\nCrossSections:\n", 0), 0u) << text;
}

TEST(ToolDump, EmptySetWritesTheHeaderOnly) {
    const tool_test::RunResult run = RunTool({"dump", "-"}, R"({"Outlines": [[], []]})");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "CrossSections:\n    Positions:\n");
}

}  // namespace
