// Writing the tool's outputs and formatting numbers for people.
#pragma once

#include <cstddef>
#include <string>

#include "JsonNumbers.h"

namespace kor {
namespace ShapeExport {
namespace Tool {

// Writes `text` to the file `path` (replacing it), or to standard output for "-";
// failure is an InputError naming it.
void WriteTextFile(const std::string& path, const std::string& text);

// "1 item", "3 items".
std::string Count(std::size_t n, const char* singular, const char* plural);

// The shortest text that reads back as the same double ("0.1", "1e+20", "inf", "nan").
inline std::string ShortestText(double value) {
    char text[kor::detail::kNumberSize];
    return std::string(text, kor::detail::ShortestText(value, text));
}

}  // namespace Tool
}  // namespace ShapeExport
}  // namespace kor
