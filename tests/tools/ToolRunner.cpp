#include "ToolRunner.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include <sys/wait.h>

#include <gtest/gtest.h>
#include <kor/DomReaderJson.h>

namespace tool_test {

namespace fs = std::filesystem;

std::string ToolPath() { return SHAPEEXPORT_TOOL; }

std::string ShellQuote(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

int RunShell(const std::string& command) {
    const int status = std::system(command.c_str());
    if (status == -1) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

RunResult RunTool(const std::vector<std::string>& args, const std::string& input) {
    ScratchDir io;
    const std::string in = input.empty() ? std::string("/dev/null") : io.Write("stdin", input);
    std::string command = ShellQuote(ToolPath());
    for (const std::string& arg : args) command += " " + ShellQuote(arg);
    command += " < " + ShellQuote(in) + " > " + ShellQuote(io.Path("stdout")) + " 2> " + ShellQuote(io.Path("stderr"));
    RunResult result;
    result.exitCode = RunShell(command);
    result.out = ReadFileText(io.Path("stdout"));
    result.err = ReadFileText(io.Path("stderr"));
    return result;
}

ScratchDir::ScratchDir() {
    std::random_device seed;
    std::mt19937_64 random((static_cast<unsigned long long>(seed()) << 32) ^ seed());
    const fs::path base = fs::temp_directory_path();
    for (;;) {
        const fs::path candidate = base / ("shapeexport-test-" + std::to_string(random()));
        if (fs::create_directory(candidate)) {
            m_root = candidate.string();
            return;
        }
    }
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    fs::remove_all(m_root, ec);
}

std::string ScratchDir::Path(const std::string& name) const { return (fs::path(m_root) / name).string(); }

std::string ScratchDir::Write(const std::string& name, const std::string& content) const {
    const std::string path = Path(name);
    std::ofstream out(path, std::ios::binary);
    out << content;
    return path;
}

std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path) { return fs::exists(path); }

kor::Dom ParseJson(const std::string& text) {
    kor::Dom document;
    std::string error;
    EXPECT_TRUE(kor::DomReaderJson::FromString(document, text.c_str(), &error)) << error << "\n" << text.substr(0, 400);
    return document;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::size_t CountOf(const std::string& text, const std::string& needle) {
    std::size_t count = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size())) ++count;
    return count;
}

}  // namespace tool_test
