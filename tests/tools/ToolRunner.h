// Running the built shapeexport binary from tests: arguments, standard input, exit
// code, standard output and standard error, plus a scratch folder per test.
#pragma once

#include <string>
#include <vector>

#include <kor/Dom.h>

namespace tool_test {

struct RunResult {
    int exitCode = -1;  // the process's exit code; 128 + signal when it was killed
    std::string out;
    std::string err;
};

// Runs the tool with `args`; standard input is `input` (empty: /dev/null).
RunResult RunTool(const std::vector<std::string>& args, const std::string& input = std::string());

// Runs a shell command line, returning its exit code as RunTool does.
int RunShell(const std::string& command);

std::string ShellQuote(const std::string& text);
std::string ToolPath();

// A fresh folder, removed with its content when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string Path(const std::string& name) const;  // a path inside the folder
    std::string Write(const std::string& name, const std::string& content) const;  // returns the path

private:
    std::string m_root;
};

std::string ReadFileText(const std::string& path);
bool FileExists(const std::string& path);

// Parses JSON text with the document library; fails the test when it is not JSON.
kor::Dom ParseJson(const std::string& text);

std::vector<std::string> Lines(const std::string& text);
std::size_t CountOf(const std::string& text, const std::string& needle);

}  // namespace tool_test
