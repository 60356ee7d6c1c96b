#include "JsonNumbers.h"

#include <charconv>
#include <cmath>
#include <cstdint>
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

// A number of at most 19 digits (so that they fit into 64 bits) and an exponent
// of at most four digits: digits, the count of digits, the decimal exponent that
// applies to them (from the fraction and the exponent), and whether the text had
// neither fraction nor exponent.
struct ShortNumber {
    std::uint64_t digits = 0;
    int count = 0;
    int exponent = 0;
    bool integral = true;
};

// Scans the digits from p on, at most `room` of them, into `digits`; returns the end.
const char* scanDigits(const char* p, const char* end, std::size_t room, std::uint64_t& digits) {
    const char* limit = static_cast<std::size_t>(end - p) > room ? p + room : end;
    for (; p < limit; ++p) {
        const unsigned digit = static_cast<unsigned>(static_cast<unsigned char>(*p)) - '0';
        if (digit > 9)
            break;
        digits = digits * 10 + digit;
    }
    return p;
}

// Scans the text after the sign; false for any other text (longer, or not of the
// form digits[.digits][(e|E)[+|-]digits]).
bool scanShortNumber(const char* p, const char* end, ShortNumber& n) {
    const char* start = p;
    p = scanDigits(p, end, 19, n.digits);
    n.count = static_cast<int>(p - start);
    if (n.count == 0 || (p < end && isDigit(*p)))
        return false;  // no digits, or more than 19
    if (p < end && *p == '.') {
        n.integral = false;
        const char* fraction = ++p;
        p = scanDigits(p, end, static_cast<std::size_t>(19 - n.count), n.digits);
        if (p < end && isDigit(*p))
            return false;
        n.count += static_cast<int>(p - fraction);
        n.exponent = -static_cast<int>(p - fraction);
    }
    if (p < end && (*p == 'e' || *p == 'E')) {
        n.integral = false;
        ++p;
        bool negative = false;
        if (p < end && (*p == '+' || *p == '-'))
            negative = *p++ == '-';
        std::uint64_t written = 0;
        const char* first = p;
        p = scanDigits(p, end, 4, written);
        if (p == first)
            return false;
        n.exponent += negative ? -static_cast<int>(written) : static_cast<int>(written);
    }
    return p == end;
}

// Powers of ten that doubles hold exactly.
constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The double of a short decimal when it can be had exactly: digits w <= 2^53 are
// a double exactly, and so is 10^k for k <= 22, so w * 10^e or w / 10^-e is one
// correctly rounded operation on exact operands, the same double as any correct
// conversion of the text gives. False for the rest.
bool exactDecimal(const ShortNumber& n, bool negative, double& value) {
    double result = 0.0;
    if (n.digits != 0) {
        if (n.digits > (std::uint64_t{1} << 53) || n.exponent < -22 || n.exponent > 22)
            return false;
        result = static_cast<double>(n.digits);
        result = n.exponent < 0 ? result / kExactPowers[-n.exponent] : result * kExactPowers[n.exponent];
    }
    value = negative ? -result : result;
    return true;
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
    // The bulk of a document: integers and plain decimals ("-123.456789") of at
    // most 19 digits, read in one pass.
    {
        std::uint64_t digits = 0;
        const char* q = scanDigits(p, end, 19, digits);
        const std::size_t integerDigits = static_cast<std::size_t>(q - p);
        if (q == end && integerDigits - 1 < 18) {  // 1 to 18 digits: below 10^18
            if (negative && integerDigits == 1 && digits == 0)
                return Dom(-0.0);
            const long long value = static_cast<long long>(digits);
            return Dom(negative ? -value : value);
        }
        if (integerDigits - 1 < 18 && q < end && *q == '.') {
            const char* fraction = q + 1;
            q = scanDigits(fraction, end, 19 - integerDigits, digits);
            const std::size_t fractionDigits = static_cast<std::size_t>(q - fraction);
            if (q == end && fractionDigits > 0 && digits <= (std::uint64_t{1} << 53)) {
                const double value = static_cast<double>(digits) / kExactPowers[fractionDigits];
                return Dom(negative ? -value : value);
            }
        }
    }
    ShortNumber shortNumber;
    if (scanShortNumber(p, end, shortNumber)) {
        if (shortNumber.integral && shortNumber.count <= 18) {  // below 10^18: no overflow
            if (negative && shortNumber.count == 1 && shortNumber.digits == 0)
                return Dom(-0.0);
            const long long value = static_cast<long long>(shortNumber.digits);
            return Dom(negative ? -value : value);
        }
        double value;
        if (!shortNumber.integral && exactDecimal(shortNumber, negative, value))
            return Dom(value);
    }
    bool integral = true;
    for (const char* q = p; q < end; ++q)
        if (*q == '.' || *q == 'e' || *q == 'E') {
            integral = false;
            break;
        }
    if (integral) {
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
