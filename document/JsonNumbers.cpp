#include "JsonNumbers.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

namespace kor {
namespace json {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The decimal exponent of the leading nonzero digit of a JSON number (sign already
// skipped), clamped far beyond the double range. Only called for a mantissa that is
// not zero, to tell overflow from underflow.
long long leadingExponent(const char* p, const char* end) {
    long long position = 0;  // exponent of the digit at p
    const char* q = p;
    while (q < end && isDigit(*q))
        ++q;
    position = static_cast<long long>(q - p) - 1;
    long long leading = 0;
    bool found = false;
    for (const char* r = p; r < end && !found; ++r) {
        if (*r == '.')
            continue;
        if (*r == 'e' || *r == 'E')
            break;
        if (*r != '0') {
            leading = position;
            found = true;
        }
        if (isDigit(*r))
            --position;
    }
    long long exponent = 0;
    const char* e = p;
    while (e < end && *e != 'e' && *e != 'E')
        ++e;
    if (e < end) {
        ++e;
        bool negative = false;
        if (e < end && (*e == '+' || *e == '-'))
            negative = *e++ == '-';
        for (; e < end && isDigit(*e); ++e)
            if (exponent < 1000000000LL)
                exponent = exponent * 10 + (*e - '0');
        if (negative)
            exponent = -exponent;
    }
    return leading + exponent;
}

}  // namespace

Dom numberFromText(const char* text, std::size_t length) {
    const char* end = text + length;
    const bool negative = length > 0 && text[0] == '-';
    const char* p = text + (negative ? 1 : 0);
    if (p < end && (*p == 'N' || *p == 'I')) {
        if (*p == 'N')
            return Dom(std::numeric_limits<double>::quiet_NaN());
        const double inf = std::numeric_limits<double>::infinity();
        return Dom(negative ? -inf : inf);
    }
    bool integral = true;
    for (const char* q = p; q < end; ++q)
        if (*q == '.' || *q == 'e' || *q == 'E') {
            integral = false;
            break;
        }
    if (integral) {
        if (negative && end - p == 1 && *p == '0')
            return Dom(-0.0);
        if (end - p <= 18) {  // below 10^18: no overflow possible
            long long value = 0;
            for (const char* q = p; q < end; ++q)
                value = value * 10 + (*q - '0');
            return Dom(negative ? -value : value);
        }
        long long value = 0;
        const auto result = std::from_chars(text, end, value);
        if (result.ec == std::errc() && result.ptr == end)
            return Dom(value);
    }
    double value = 0.0;
    const auto result = std::from_chars(text, end, value);
    if (result.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone when the result is infinite or rounds
        // to zero (denormals come back normally).
        const bool overflow = leadingExponent(p, end) >= 0;
        value = overflow ? std::numeric_limits<double>::infinity() : 0.0;
        if (negative)
            value = -value;
    } else if (result.ec != std::errc()) {
        value = 0.0;  // not reached for text that passed the JSON grammar
    }
    return Dom(value);
}

std::size_t formatDouble(double value, char* out) {
    if (std::isnan(value)) {
        std::memcpy(out, "NaN", 3);
        return 3;
    }
    if (std::isinf(value)) {
        if (value < 0) {
            std::memcpy(out, "-Infinity", 9);
            return 9;
        }
        std::memcpy(out, "Infinity", 8);
        return 8;
    }
    const auto result = std::to_chars(out, out + kNumberTextSize - 2, value);
    std::size_t length = static_cast<std::size_t>(result.ptr - out);
    bool marked = false;  // a '.' or an exponent already says "double"
    for (std::size_t k = 0; k < length && !marked; ++k)
        marked = out[k] == '.' || out[k] == 'e';
    if (!marked) {
        out[length++] = '.';
        out[length++] = '0';
    }
    return length;
}

std::size_t formatInt(long long value, char* out) {
    const auto result = std::to_chars(out, out + kNumberTextSize, value);
    return static_cast<std::size_t>(result.ptr - out);
}

bool rewriteHugeNumbers(std::string& text) {
    bool changed = false;
    const std::size_t n = text.size();
    std::size_t k = 0;
    while (k < n) {
        const char c = text[k];
        if (c == '"') {
            // Skip the string, escapes included.
            for (++k; k < n && text[k] != '"'; ++k)
                if (text[k] == '\\')
                    ++k;
            ++k;
            continue;
        }
        if (c != '-' && !isDigit(c)) {
            ++k;
            continue;
        }
        // A number token: -?digits(.digits)?([eE][+-]?digits)?
        const std::size_t start = k;
        if (text[k] == '-')
            ++k;
        while (k < n && isDigit(text[k]))
            ++k;
        if (k < n && text[k] == '.')
            for (++k; k < n && isDigit(text[k]);)
                ++k;
        std::size_t exponentDigits = 0;
        if (k < n && (text[k] == 'e' || text[k] == 'E')) {
            ++k;
            if (k < n && (text[k] == '+' || text[k] == '-'))
                ++k;
            for (; k < n && isDigit(text[k]); ++k)
                ++exponentDigits;
        }
        const std::size_t length = k - start;
        // Only an exponent of three digits or more, or some 300 digits, can be too
        // big for the reader; everything else is left alone.
        if (exponentDigits < 3 && length < 300)
            continue;
        const Dom value = numberFromText(text.data() + start, length);
        if (!value.isDouble())
            continue;
        const double d = value.asDouble(0.0);
        char replacement[kNumberTextSize];
        std::size_t size;
        if (std::isinf(d)) {
            size = d < 0 ? 4 : 3;
            std::memcpy(replacement, d < 0 ? "-Inf" : "Inf", size);
        } else {
            size = formatDouble(d, replacement);
        }
        if (size >= length)
            continue;
        text.replace(start, size, replacement, size);
        text.replace(start + size, length - size, length - size, ' ');
        changed = true;
    }
    return changed;
}

}  // namespace json
}  // namespace kor
