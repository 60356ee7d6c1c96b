// Problems with an input file end with exit code 1 and one line on standard error
// that names the file and says what is wrong, for every subcommand.
#include <functional>

#include <gtest/gtest.h>

#include "ToolRunner.h"

using tool_test::RunTool;
using tool_test::ScratchDir;

namespace {

const char* const kGoodSet = R"({"Outlines": [[[0, 0], [1, 0], [1, 1], [0, 1]], [[[[0, 1, 2, 3], true]]]]})";

struct BadInput {
    const char* kind;
    // Creates the bad input in `dir` and returns its path.
    std::function<std::string(const ScratchDir&)> make;
    const char* message;  // what the message must say
};

const std::vector<BadInput>& BadInputs() {
    static const std::vector<BadInput> inputs = {
        {"missing file", [](const ScratchDir& dir) { return dir.Path("missing.json"); }, "no such file"},
        {"directory", [](const ScratchDir& dir) { return dir.Path(""); }, "is a directory"},
        {"empty file", [](const ScratchDir& dir) { return dir.Write("empty.json", ""); }, "is empty"},
        {"malformed JSON", [](const ScratchDir& dir) { return dir.Write("bad.json", "{\"Outlines\": [[0, 0]"); },
         "byte offset"},
        {"zero byte", [](const ScratchDir& dir) { return dir.Write("zero.json", std::string("{\"a\"\0: 1}", 9)); },
         "zero byte"},
    };
    return inputs;
}

// Every subcommand with the bad file in each of its input places.
std::vector<std::vector<std::string>> Invocations(const std::string& bad, const std::string& good) {
    return {
        {"decompose", bad},
        {"decompose", bad, "-o", bad + ".out.json"},
        {"dump", bad},
        {"blend", bad, good, "-t", "0.5"},
        {"blend", good, bad, "-t", "0.5"},
        {"extrusion", bad},
        {"endplane", bad},
    };
}

void ExpectInputError(const std::vector<std::string>& args, const std::string& path, const std::string& message) {
    std::string line;
    for (const std::string& arg : args) line += arg + " ";
    const tool_test::RunResult run = RunTool(args);
    EXPECT_EQ(run.exitCode, 1) << line << "\n" << run.err;
    EXPECT_TRUE(run.out.empty()) << line << ": " << run.out;
    ASSERT_EQ(tool_test::Lines(run.err).size(), 1u) << line << ": " << run.err;
    EXPECT_NE(run.err.find(path), std::string::npos) << line << ": " << run.err;
    EXPECT_NE(run.err.find(message), std::string::npos) << line << ": " << run.err;
}

TEST(ToolInputErrors, EverySubcommandReportsBadFiles) {
    for (const BadInput& input : BadInputs()) {
        SCOPED_TRACE(input.kind);
        ScratchDir dir;
        const std::string good = dir.Write("good.json", kGoodSet);
        const std::string bad = input.make(dir);
        for (const std::vector<std::string>& args : Invocations(bad, good)) ExpectInputError(args, bad, input.message);
        // Models are not JSON; the file checks are the same.
        if (std::string(input.kind) != "malformed JSON" && std::string(input.kind) != "zero byte")
            ExpectInputError({"weld", bad}, bad, input.message);
        EXPECT_FALSE(tool_test::FileExists(bad + ".out.json"));
    }
}

TEST(ToolInputErrors, StandardInputProblemsNameStandardInput) {
    for (const char* command : {"decompose", "dump", "extrusion", "endplane"}) {
        const tool_test::RunResult empty = RunTool({command, "-"});
        EXPECT_EQ(empty.exitCode, 1) << command;
        EXPECT_NE(empty.err.find("standard input: is empty"), std::string::npos) << command << ": " << empty.err;

        const tool_test::RunResult malformed = RunTool({command, "-"}, "[1, 2");
        EXPECT_EQ(malformed.exitCode, 1) << command;
        EXPECT_NE(malformed.err.find("standard input"), std::string::npos) << command << ": " << malformed.err;
        EXPECT_NE(malformed.err.find("byte offset"), std::string::npos) << command << ": " << malformed.err;
    }
}

TEST(ToolInputErrors, JsonThatIsNoCrossSectionDocumentIsRejected) {
    ScratchDir dir;
    for (const char* text : {"[1, 2, 3]", "{}", "{\"Outlines\": 5}", "{\"Outlines\": []}", "{\"Outlines\": [7]}", "42"}) {
        const std::string path = dir.Write("doc.json", text);
        for (const char* command : {"decompose", "dump"}) {
            const tool_test::RunResult run = RunTool({command, path});
            EXPECT_EQ(run.exitCode, 1) << command << " " << text;
            EXPECT_NE(run.err.find(path), std::string::npos) << run.err;
        }
    }
}

TEST(ToolInputErrors, UnwritableOutputIsReported) {
    ScratchDir dir;
    const std::string input = dir.Write("good.json", kGoodSet);
    const std::string target = dir.Path("no-such-folder/out.json");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"decompose", input, "-o", target}, {"decompose", input, "--svg", target},
          {"dump", input, "-o", target}, {"blend", input, input, "-t", "1", "-o", target}}) {
        const tool_test::RunResult run = RunTool(args);
        EXPECT_EQ(run.exitCode, 1) << args[0];
        EXPECT_NE(run.err.find(target), std::string::npos) << run.err;
    }
}

}  // namespace
