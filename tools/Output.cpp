#include "Output.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "ToolError.h"

namespace kor {
namespace ShapeExport {
namespace Tool {

void WriteTextFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        const int error = errno;
        throw InputError(path + ": cannot be written" + (error ? std::string(" (") + std::strerror(error) + ")" : ""));
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) throw InputError(path + ": writing failed");
}

TemporaryFile::TemporaryFile(const std::string& stem) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path folder = fs::temp_directory_path(ec);
    if (ec) throw InputError("no temporary folder (" + ec.message() + ")");
    std::random_device seed;
    std::mt19937_64 random((static_cast<unsigned long long>(seed()) << 32) ^ seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = folder / (stem + "-" + std::to_string(random()) + ".tmp");
        if (fs::exists(candidate, ec)) continue;
        std::ofstream create(candidate, std::ios::binary);
        if (!create) break;
        m_path = candidate.string();
        return;
    }
    throw InputError((folder / stem).string() + "-*.tmp: cannot create a temporary file");
}

TemporaryFile::~TemporaryFile() {
    std::error_code ec;
    std::filesystem::remove(m_path, ec);
}

void CopyFileTo(const std::string& path, std::ostream& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw InputError(path + ": cannot be read back");
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) out.write(buffer, in.gcount());
    out.flush();
}

std::string Count(std::size_t n, const char* singular, const char* plural) {
    return std::to_string(n) + " " + (n == 1 ? singular : plural);
}

std::string FormatNumber(double value) {
    char buffer[64];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
