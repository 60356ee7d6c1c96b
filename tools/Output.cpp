#include "Output.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>

#include "ToolError.h"

namespace kor {
namespace ShapeExport {
namespace Tool {

void WriteTextFile(const std::string& path, const std::string& text) {
    if (path == "-") {
        std::cout.write(text.data(), static_cast<std::streamsize>(text.size())).flush();
        if (!std::cout) throw InputError("standard output: writing failed");
        return;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        const int error = errno;
        throw InputError(path + ": cannot be written" + (error ? std::string(" (") + std::strerror(error) + ")" : ""));
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) throw InputError(path + ": writing failed");
}

std::string Count(std::size_t n, const char* singular, const char* plural) {
    return std::to_string(n) + " " + (n == 1 ? singular : plural);
}

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
