// The shapeexport tool run as a user runs it. The runs are data
// (tests/data/tools/runs.json): arguments, standard input, the exit status, and what
// standard output, standard error and the files written must hold, as exact text, as
// golden files (tests/data/tools/expected/) or as pieces of text (stderrHasUnsanitized:
// only when built without a sanitizer; rows marked unsanitized run only then). {data} stands for
// tests/data/tools, {dir} for a fresh folder. With SHAPEEXPORT_UPDATE_GOLDEN set the
// golden files are written instead of compared.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <sys/wait.h>

#include "TestData.h"

namespace fs = std::filesystem;

namespace {

// Built with a sanitizer (as the tool then is), which reserves address space of its
// own: the tool sets no memory limit, and a huge allocation ends in the sanitizer's
// report instead of the tool's message.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

using testing_support::ReadText;

std::string Quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

struct Result {
    int exit = -1;
    std::string out, err;
};

// Runs the tool in `dir` with `args`, standard input from the file `input`.
Result RunTool(const std::string& dir, const std::vector<std::string>& args, const std::string& input) {
    std::string command = Quote(SHAPEEXPORT_TOOL);
    for (const std::string& arg : args) command += " " + Quote(arg);
    command += " < " + Quote(input) + " > " + Quote(dir + "/.stdout") + " 2> " + Quote(dir + "/.stderr");
    const int status = std::system(command.c_str());
    Result run;
    run.exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = ReadText(dir + "/.stdout");
    run.err = ReadText(dir + "/.stderr");
    return run;
}

// A fresh folder, removed with its content at the end.
struct Scratch {
    Scratch() : path((fs::temp_directory_path() / "shapeexport-XXXXXX").string()) {
        if (!mkdtemp(path.data())) throw std::runtime_error("cannot make a folder " + path);
    }
    ~Scratch() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    std::string path;
};

std::string Expand(std::string text, const std::string& data, const std::string& dir) {
    for (const auto& [key, value] : {std::pair<std::string, std::string>{"{data}", data}, {"{dir}", dir}})
        for (std::size_t at; (at = text.find(key)) != std::string::npos;) text.replace(at, key.size(), value);
    return text;
}

}  // namespace

TEST(Tool, Runs) {
    const std::string data = testing_support::DataPath("tools");
    const bool update = std::getenv("SHAPEEXPORT_UPDATE_GOLDEN") != nullptr;
    for (const kor::Dom& c : testing_support::Elements(testing_support::LoadData("tools/runs.json"))) {
        SCOPED_TRACE(c["name"].asString());
        if (kSanitized && c["unsanitized"].asBool(false)) continue;
        const Scratch dir;
        std::vector<std::string> args;
        for (const std::string& arg : testing_support::Strings(c["args"])) args.push_back(Expand(arg, data, dir.path));
        std::string input = c.has("stdin") ? data + "/" + c["stdin"].asString() : "/dev/null";
        if (c.has("stdinText")) std::ofstream(input = dir.path + "/.stdin") << c["stdinText"].asString();
        const Result run = RunTool(dir.path, args, input);

        EXPECT_EQ(run.exit, c["exit"].asInt(0)) << run.err;
        // What a stream or file must hold: a golden file, exact text, or pieces of text.
        auto check = [&](const std::string& actual, const kor::Dom& golden, const kor::Dom& text,
                         const kor::Dom& pieces) {
            if (golden.isString()) {
                const std::string path = data + "/expected/" + golden.asString();
                if (update) std::ofstream(path, std::ios::binary) << actual;
                EXPECT_EQ(actual, ReadText(path)) << golden.asString();
            }
            EXPECT_EQ(actual, text.isString() ? text.asString() : actual);
            for (const std::string& piece : testing_support::Strings(pieces))
                EXPECT_NE(actual.find(piece), std::string::npos) << piece << " in\n" << actual;
        };
        check(run.out, c["stdout"], c["stdoutText"], c["stdoutHas"]);
        check(run.err, kor::Dom(), c["stderrText"], c["stderrHas"]);
        if (!kSanitized) check(run.err, kor::Dom(), kor::Dom(), c["stderrHasUnsanitized"]);
        for (const char* kind : {"outputs", "outputsText", "outputsHave"})
            for (const auto& file : c[kind].objects()) {
                const std::string actual = ReadText(Expand(file.first, data, dir.path));
                const bool golden = std::string(kind) == "outputs", text = std::string(kind) == "outputsText";
                check(actual, golden ? file.second : kor::Dom(), text ? file.second : kor::Dom(),
                      golden || text ? kor::Dom() : file.second);
            }
    }
}
