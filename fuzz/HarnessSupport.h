// Shared pieces of the fuzz harnesses: the failure check, a reader that turns the
// fuzzer's bytes into small numbers and doubles, and bitwise comparison of doubles.
//
// Every harness is a header function taking (data, size). The libFuzzer targets in
// fuzz/ call it from LLVMFuzzerTestOneInput; tests/regressions replays the seed
// corpora and the kept crash inputs through the same function with the ordinary
// compiler. A violated check prints what failed (and the input being replayed, when
// one is set) and aborts, which libFuzzer reports as a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace fuzzing {

// The name of the input being replayed (set by the regression test), printed with a
// failed check.
inline std::string& CurrentInput() {
    static std::string name;
    return name;
}

[[noreturn]] inline void Fail(const char* what) {
    const std::string input = CurrentInput().empty() ? "" : " (input " + CurrentInput() + ")";
    std::fprintf(stderr, "fuzz check failed: %s%s\n", what, input.c_str());
    std::fflush(stderr);
    std::abort();
}

inline void Require(bool condition, const char* what) {
    if (!condition) Fail(what);
}

inline bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Arrays of plain values (points, positions) equal bit for bit.
template <typename T>
bool SameBits(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

// Equal bits, or both NaN (JSON text keeps neither the sign nor the payload of a NaN).
inline bool SameNumber(double a, double b) { return SameBits(a, b) || (a != a && b != b); }

// Reads the input front to back; past the end every read gives zeros.
class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool Empty() const { return m_at >= m_size; }
    std::uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    std::uint64_t U64() {
        std::uint64_t v = 0;
        for (int i = 0; i < 8; ++i) v |= static_cast<std::uint64_t>(Byte()) << (8 * i);
        return v;
    }
    double RawDouble() {
        const std::uint64_t bits = U64();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

}  // namespace fuzzing
