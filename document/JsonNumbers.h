// Number text of JSON documents: conversion of number tokens to nodes and of
// doubles to their shortest round-trip text (internal to the document library).
#pragma once

#include <kor/Dom.h>

#include <cstddef>
#include <string>

namespace kor {
namespace json {

// Room for the longest text formatDouble or formatInt writes.
constexpr std::size_t kNumberTextSize = 32;

// The node for a number token: a valid JSON number, or NaN, Inf, Infinity (each may
// carry a leading '-'). Text without '.', 'e', 'E' is an Int when it fits into long
// long, else a Double; "-0" is the Double -0.0. Doubles are rounded to nearest;
// beyond the largest double they become infinity, below the smallest denormal zero,
// both keeping the sign.
Dom numberFromText(const char* text, std::size_t length);

// The shortest text that reads back as the same double, always marked as a double
// ("100.0", "1e+300"); non-finite values give Infinity, -Infinity, NaN. Returns the
// length written to `out` (at least kNumberTextSize chars).
std::size_t formatDouble(double value, char* out);
std::size_t formatInt(long long value, char* out);

// Rewrites, in place and keeping every offset, the number tokens (outside strings)
// whose exponent or digit count is so large that the JSON reader would reject them
// as too big, into equal-valued shorter text padded with spaces: "1e999" becomes
// "Inf  ", "0e400" "0.0  ". Returns whether anything changed.
bool rewriteHugeNumbers(std::string& text);

}  // namespace json
}  // namespace kor
