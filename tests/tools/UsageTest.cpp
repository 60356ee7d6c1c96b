// Wrong usage ends with exit code 2; --help works on the tool and every subcommand.
#include <gtest/gtest.h>

#include "ToolRunner.h"

using tool_test::RunTool;

namespace {

const char* const kSubcommands[] = {"decompose", "dump", "blend", "weld", "extrusion", "endplane"};

TEST(ToolUsage, HelpListsEverySubcommand) {
    const tool_test::RunResult run = RunTool({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    for (const char* name : kSubcommands) EXPECT_NE(run.out.find(name), std::string::npos) << name;
}

TEST(ToolUsage, HelpOnEverySubcommand) {
    for (const char* name : kSubcommands) {
        const tool_test::RunResult run = RunTool({name, "--help"});
        EXPECT_EQ(run.exitCode, 0) << name;
        EXPECT_NE(run.out.find("Usage"), std::string::npos) << name << ": " << run.out;
        EXPECT_NE(run.out.find(name), std::string::npos) << name;
        EXPECT_TRUE(run.err.empty()) << name << ": " << run.err;
    }
}

TEST(ToolUsage, WrongUsageExitsWithTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {},                                            // no subcommand
        {"frobnicate"},                                // unknown subcommand
        {"decompose", "--no-such-option"},             // unknown option
        {"decompose", "--scale", "0"},                 // the factor must be positive
        {"decompose", "--scale", "-1"},
        {"decompose", "--scale", "abc"},
        {"decompose", "--scale", "inf"},
        {"decompose", "a.json", "b.json"},             // one input only
        {"decompose", "--indent", "2", "--compact"},   // one layout only
        {"blend", "a.json", "b.json", "-t", "0", "--indent", "-1"},
        {"dump"},                                      // input missing
        {"blend", "a.json", "b.json"},                 // -t missing
        {"blend", "a.json", "-t", "0.5"},              // second input missing
        {"blend", "a.json", "b.json", "-t", "nan"},    // t must be finite
        {"blend", "a.json", "b.json", "-t", "x"},
        {"blend", "-", "-", "-t", "0.5"},              // standard input only once
        {"weld"},
        {"extrusion"},
        {"endplane"},
        {"endplane", "a.json", "b.json"},
    };
    for (const std::vector<std::string>& args : cases) {
        std::string line;
        for (const std::string& arg : args) line += arg + " ";
        const tool_test::RunResult run = RunTool(args);
        EXPECT_EQ(run.exitCode, 2) << line << "\n" << run.err;
        EXPECT_FALSE(run.err.empty()) << line;
        EXPECT_TRUE(run.out.empty()) << line << ": " << run.out;
    }
}

}  // namespace
