// std::to_chars for double, which the C++ library of Emscripten 3.1.6 (libc++ of
// LLVM 14) lacks. The wasm build includes this header in every source so that the
// document writer's shortest number text (JsonNumbers.h) compiles, and links
// Charconv.cpp, which writes exactly what a complete standard library writes.
#pragma once

#include <charconv>

#if defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 15000
namespace std {
to_chars_result to_chars(char* first, char* last, double value);
}  // namespace std
#endif
