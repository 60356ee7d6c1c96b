// shapeexport extrusion / endplane: what was read, as indented text.
#include <gtest/gtest.h>

#include "ToolRunner.h"

using tool_test::RunTool;

namespace {

struct Case {
    const char* input;
    const char* expected;
};

TEST(ToolExtrusion, PrintsSectionsProfilesAndPoints) {
    const Case cases[] = {
        {R"({"Sections": [{"Exterior": true, "Profiles": [{"Points": [[0, 0, 0], [10, 0, 0], [10, 5, 0]]},
                                                          {"Points": [[0, 0, 3], [10, 0, 3], [10, 5, 3]]}]},
                          {"Exterior": false, "Profiles": []}]})",
         "Extrusion: 2 sections\n"
         "    Section 0: exterior, 2 profiles\n"
         "        Profile 0: 3 points\n"
         "            0: (0, 0, 0)\n"
         "            1: (10, 0, 0)\n"
         "            2: (10, 5, 0)\n"
         "        Profile 1: 3 points\n"
         "            0: (0, 0, 3)\n"
         "            1: (10, 0, 3)\n"
         "            2: (10, 5, 3)\n"
         "    Section 1: not exterior, 0 profiles\n"},
        {R"({"Sections": [{"Profiles": [{"Points": [[1.5, -2, 3], [4, 5], []]}, {}]}]})",
         "Extrusion: 1 section\n"
         "    Section 0: exterior, 2 profiles\n"
         "        Profile 0: 3 points\n"
         "            0: (1.5, -2, 3)\n"
         "            1: (4, 5, unset)\n"
         "            2: (unset, unset, unset)\n"
         "        Profile 1: 0 points\n"},
        {R"({"Sections": [7]})", "Extrusion: 1 section\n    Section 0: exterior, 0 profiles\n"},
    };
    for (const Case& c : cases) {
        const tool_test::RunResult run = RunTool({"extrusion", "-"}, c.input);
        EXPECT_EQ(run.exitCode, 0) << c.input << "\n" << run.err;
        EXPECT_EQ(run.out, c.expected) << c.input;
        EXPECT_TRUE(run.err.empty()) << run.err;
    }
}

TEST(ToolExtrusion, DocumentWithoutSectionsWarns) {
    const tool_test::RunResult run = RunTool({"extrusion", "-"}, R"({"sections": []})");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "Extrusion: 0 sections\n");
    EXPECT_NE(run.err.find("no \"Sections\" array"), std::string::npos) << run.err;
}

TEST(ToolEndPlane, PrintsEveryFieldWithUnsetComponents) {
    const Case cases[] = {
        {R"({"Start": false, "Origin": [0, 0, 12.5], "Normal": [0, 0, 1], "Skew": 0.25})",
         "End plane\n    Start: false\n    Origin: (0, 0, 12.5)\n    Normal: (0, 0, 1)\n    Skew: 0.25\n"},
        {R"({"Origin": [1, 2], "Start": 0})",
         "End plane\n    Start: true\n    Origin: (1, 2, unset)\n    Normal: (unset, unset, unset)\n    Skew: 0\n"},
        {R"({"Normal": [0, 0, 2, 9], "Skew": -3})",
         "End plane\n    Start: true\n    Origin: (unset, unset, unset)\n    Normal: (0, 0, 2)\n    Skew: -3\n"},
    };
    for (const Case& c : cases) {
        const tool_test::RunResult run = RunTool({"endplane", "-"}, c.input);
        EXPECT_EQ(run.exitCode, 0) << c.input << "\n" << run.err;
        EXPECT_EQ(run.out, c.expected) << c.input;
    }
}

TEST(ToolExtrusion, DocumentsThatAreNoObjectsAreRejected) {
    for (const char* command : {"extrusion", "endplane"})
        for (const char* text : {"[1, 2, 3]", "\"text\"", "null"}) {
            const tool_test::RunResult run = RunTool({command, "-"}, text);
            EXPECT_EQ(run.exitCode, 1) << command << " " << text;
            EXPECT_NE(run.err.find("standard input: the JSON document is not an object"), std::string::npos) << run.err;
            EXPECT_TRUE(run.out.empty());
        }
}

}  // namespace
