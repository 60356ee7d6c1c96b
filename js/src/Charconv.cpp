// The shortest text that reads back as the same double, in the form std::to_chars
// gives it without a format: fixed or scientific, whichever is shorter (fixed on a
// tie; whole numbers in fixed form exactly); "inf", "-inf", "nan", "-nan" for values that are not finite.
#include "Charconv.h"

#if defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 15000

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The shortest decimal digits d1 d2 ... dn (no leading zero) and the exponent e with
// |value| = d1.d2...dn * 10^e that read back as |value|; among candidates of one
// length, the one nearest to the value.
void ShortestDigits(double value, std::string& digits, int& exponent) {
    char text[48];
    for (int precision = 1; precision <= 17; ++precision) {
        std::snprintf(text, sizeof text, "%.*e", precision - 1, value);
        if (std::strtod(text, nullptr) == value) break;
        // Just above a power of two the gap to the next double is twice the gap
        // below, so a candidate one unit above the nearest may read back where the
        // nearest does not.
        char* e = std::strchr(text, 'e');
        std::string mantissa;
        for (char* c = text; c < e; ++c)
            if (*c != '.') mantissa += *c;
        int power = std::atoi(e + 1);
        std::uint64_t number = std::strtoull(mantissa.c_str(), nullptr, 10) + 1;
        std::string up = std::to_string(number);
        if (up.size() > mantissa.size()) {
            up.pop_back();
            ++power;
        }
        std::string candidate =
            up.substr(0, 1) + (up.size() > 1 ? "." + up.substr(1) : "") + "e" + std::to_string(power);
        if (std::strtod(candidate.c_str(), nullptr) == value) {
            std::snprintf(text, sizeof text, "%s", candidate.c_str());
            break;
        }
    }
    char* e = std::strchr(text, 'e');
    digits.clear();
    for (char* c = text; c < e; ++c)
        if (*c != '.') digits += *c;
    exponent = std::atoi(e + 1);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
}

std::string Text(double value) {
    if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    const std::string sign = std::signbit(value) ? "-" : "";
    if (value == 0) return sign + "0";
    std::string digits;
    int exponent = 0;
    ShortestDigits(std::fabs(value), digits, exponent);
    const int n = static_cast<int>(digits.size());
    std::string fixed;
    if (exponent >= n - 1) {
        // A whole number is written with all its digits, as the value holds them.
        char whole[320];
        std::snprintf(whole, sizeof whole, "%.0f", std::fabs(value));
        fixed = whole;
    } else if (exponent >= 0)
        fixed = digits.substr(0, static_cast<std::size_t>(exponent + 1)) + "." +
                digits.substr(static_cast<std::size_t>(exponent + 1));
    else
        fixed = "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    std::string power = std::to_string(exponent < 0 ? -exponent : exponent);
    if (power.size() < 2) power = "0" + power;
    const std::string scientific =
        digits.substr(0, 1) + (n > 1 ? "." + digits.substr(1) : "") + (exponent < 0 ? "e-" : "e+") + power;
    return sign + (fixed.size() <= scientific.size() ? fixed : scientific);
}

}  // namespace

namespace std {

to_chars_result to_chars(char* first, char* last, double value) {
    const string text = Text(value);
    if (static_cast<size_t>(last - first) < text.size()) return {last, errc::value_too_large};
    memcpy(first, text.data(), text.size());
    return {first + text.size(), errc()};
}

}  // namespace std

#endif
