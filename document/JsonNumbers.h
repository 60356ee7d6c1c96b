// Internal: the text of numbers, as the document writers and the tool write them.
// Header-only, so that every library of the project writes numbers with this one
// code.
#pragma once

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstring>

namespace kor {
namespace detail {

// Room a number's text needs (no terminating zero is written).
constexpr std::size_t kNumberSize = 32;

// The shortest text that reads back as the same double, as std::to_chars writes it:
// "0.1", "1e+20", "100", "-0", "inf", "-nan". Returns its length.
inline std::size_t ShortestText(double value, char* out) {
    return static_cast<std::size_t>(std::to_chars(out, out + kNumberSize, value).ptr - out);
}

// A double as a JSON number of the document library: the shortest text, marked as a
// double by ".0" where it has neither a '.' nor an exponent (100.0, -0.0, 1e+300);
// non-finite values as Infinity, -Infinity and NaN.
inline std::size_t FormatNumber(double value, char* out) {
    if (!std::isfinite(value)) {
        const char* name = std::isnan(value) ? "NaN" : value < 0 ? "-Infinity" : "Infinity";
        const std::size_t length = std::strlen(name);
        std::memcpy(out, name, length);
        return length;
    }
    std::size_t length = ShortestText(value, out);
    if (std::memchr(out, '.', length) == nullptr && std::memchr(out, 'e', length) == nullptr) {
        std::memcpy(out + length, ".0", 2);
        length += 2;
    }
    return length;
}

inline std::size_t FormatInteger(long long value, char* out) {
    return static_cast<std::size_t>(std::to_chars(out, out + kNumberSize, value).ptr - out);
}

}  // namespace detail
}  // namespace kor
