#include <kor/DomWriterJson.h>

#include <dragonbox/dragonbox.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <vector>

namespace kor {

namespace {

// Collects the text in a chunk on the stack and hands full chunks to the result
// string or to the stream, so that small pieces cost a copy into the chunk only.
class TextSink {
public:
    explicit TextSink(std::ostream* stream) : m_stream(stream) {}

    void put(char c) {
        if (m_used == kChunk) flush();
        m_chunk[m_used++] = c;
    }
    void put(const char* text, std::size_t length) {
        if (length > kChunk - m_used) flush();
        if (length > kChunk) {  // a long string goes past the chunk
            if (m_stream)
                m_stream->write(text, static_cast<std::streamsize>(length));
            else
                m_text.append(text, length);
            return;
        }
        std::memcpy(m_chunk + m_used, text, length);
        m_used += length;
    }
    void spaces(std::size_t count) {
        for (std::size_t part; count > 0; count -= part) {
            if (m_used == kChunk) flush();
            part = std::min(count, kChunk - m_used);
            std::memset(m_chunk + m_used, ' ', part);
            m_used += part;
        }
    }
    void flush() {
        if (m_stream)
            m_stream->write(m_chunk, static_cast<std::streamsize>(m_used));
        else
            m_text.append(m_chunk, m_used);
        m_used = 0;
    }
    std::string take() {
        flush();
        return std::move(m_text);
    }

private:
    static constexpr std::size_t kChunk = 1 << 13;

    std::ostream* m_stream;
    std::string m_text;
    std::size_t m_used = 0;
    char m_chunk[kChunk];
};

void writeString(TextSink& sink, const std::string& text) {
    static const char hex[] = "0123456789abcdef";
    sink.put('"');
    const char* data = text.data();
    const std::size_t n = text.size();
    std::size_t plain = 0;  // start of the run of bytes copied unchanged
    for (std::size_t k = 0; k < n; ++k) {
        const unsigned char c = static_cast<unsigned char>(data[k]);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        sink.put(data + plain, k - plain);
        plain = k + 1;
        switch (c) {
            case '"': sink.put("\\\"", 2); break;
            case '\\': sink.put("\\\\", 2); break;
            case '\b': sink.put("\\b", 2); break;
            case '\f': sink.put("\\f", 2); break;
            case '\n': sink.put("\\n", 2); break;
            case '\r': sink.put("\\r", 2); break;
            case '\t': sink.put("\\t", 2); break;
            default: {
                const char escape[6] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 15]};
                sink.put(escape, 6);
            }
        }
    }
    sink.put(data + plain, n - plain);
    sink.put('"');
}

// A node written as one token: anything but a non-empty array or object.
bool isFlat(const Dom& node) { return node.size() == 0 && !(node.isObject() && !node.objects().empty()); }

// Writes a leaf node.
void writeLeaf(TextSink& sink, const Dom& node) {
    char buffer[DomWriterJson::kNumberSize];
    switch (node.kind()) {
        case Dom::Kind::Empty: sink.put("null", 4); break;
        case Dom::Kind::Bool: node.asBool(false) ? sink.put("true", 4) : sink.put("false", 5); break;
        case Dom::Kind::Int: sink.put(buffer, DomWriterJson::FormatInteger(node.asInt(0), buffer)); break;
        case Dom::Kind::Double: sink.put(buffer, DomWriterJson::FormatNumber(node.asDouble(0.0), buffer)); break;
        case Dom::Kind::String: writeString(sink, node.asStringRef()); break;
        case Dom::Kind::Array: sink.put("[]", 2); break;
        case Dom::Kind::Object: sink.put("{}", 2); break;
    }
}

void writeTree(TextSink& sink, const Dom& root, int indent, bool flatArraysOnOneLine) {
    // One open container: its elements (arrays are contiguous) or members, how
    // many there are and which comes next.
    struct Frame {
        const Dom* elements;
        const Dom::Member* members;
        std::size_t count;
        std::size_t next;
    };
    const bool pretty = indent >= 0;
    const std::size_t step = pretty ? static_cast<std::size_t>(indent) : 0;
    std::vector<Frame> stack;
    const Dom* pending = &root;  // the value to write next
    for (;;) {
        if (pending) {
            const Dom& node = *pending;
            pending = nullptr;
            if (node.isObject() && !node.objects().empty()) {
                sink.put('{');
                stack.push_back(Frame{nullptr, node.objects().data(), node.objects().size(), 0});
            } else if (node.size() != 0 && pretty && flatArraysOnOneLine &&
                       std::all_of(&node[0], &node[0] + node.size(), isFlat)) {
                sink.put('[');
                for (std::size_t k = 0; k < node.size(); ++k) {
                    if (k > 0) sink.put(", ", 2);
                    writeLeaf(sink, node[k]);
                }
                sink.put(']');
            } else if (node.size() != 0) {
                sink.put('[');
                stack.push_back(Frame{&node[0], nullptr, node.size(), 0});
            } else {
                writeLeaf(sink, node);
            }
        }
        if (stack.empty()) return;
        Frame& frame = stack.back();
        if (frame.next == frame.count) {
            const bool object = frame.members != nullptr;
            stack.pop_back();
            if (pretty) {
                sink.put('\n');
                sink.spaces(step * stack.size());
            }
            sink.put(object ? '}' : ']');
            continue;
        }
        if (frame.next > 0) sink.put(',');
        if (pretty) {
            sink.put('\n');
            sink.spaces(step * stack.size());
        }
        const std::size_t index = frame.next++;
        if (frame.members) {
            const Dom::Member& member = frame.members[index];
            writeString(sink, member.first);
            pretty ? sink.put(": ", 2) : sink.put(':');
            pending = &member.second;
        } else {
            pending = frame.elements + index;
        }
    }
}

// The decimal digits of 0 to 99 in pairs.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// 10^0 to 10^19, every power of ten below 2^64.
constexpr std::array<std::uint64_t, 20> PowersOfTen() {
    std::array<std::uint64_t, 20> powers{};
    powers[0] = 1;
    for (std::size_t i = 1; i < powers.size(); ++i) powers[i] = powers[i - 1] * 10;
    return powers;
}

constexpr std::array<std::uint64_t, 20> kPowersOfTen = PowersOfTen();

// The number of decimal digits of `value` (1 for 0).
int DigitCount(std::uint64_t value) {
    return static_cast<int>(std::upper_bound(kPowersOfTen.begin() + 1, kPowersOfTen.end(), value) -
                            kPowersOfTen.begin());
}

// Writes the four decimal digits of `value` (below 10^4) at `out`.
void WriteFourDigits(std::uint32_t value, char* out) {
    std::memcpy(out, kDigitPairs + value / 100 * 2, 2);
    std::memcpy(out + 2, kDigitPairs + value % 100 * 2, 2);
}

// Writes the last `count` decimal digits of `value` so that they end at `end`:
// eight at a time in 32-bit arithmetic (two runs of four that do not wait on each
// other), then two at a time.
void WriteDigits(std::uint64_t value, char* end, int count) {
    for (; count >= 8; count -= 8) {
        const auto eight = static_cast<std::uint32_t>(value % 100000000);
        value /= 100000000;
        end -= 8;
        WriteFourDigits(eight / 10000, end);
        WriteFourDigits(eight % 10000, end + 4);
    }
    auto rest = static_cast<std::uint32_t>(value % 100000000);
    for (; count >= 2; count -= 2) {
        end -= 2;
        std::memcpy(end, kDigitPairs + rest % 100 * 2, 2);
        rest /= 100;
    }
    if (count == 1) end[-1] = static_cast<char>('0' + rest % 10);
}

// The eight decimal digits of `value` (below 10^8, zeros in front) as the chars of
// a word, the first in its lowest byte: all digits at once, without a branch. The
// value is split into two numbers of four digits (32 bits each), each of those into
// two of two digits (16 bits each), and those into digits (8 bits each); dividing by
// 100 and 10 is multiplying by 10486 / 2^20 and 103 / 2^10, exact for these values.
std::uint64_t EightDigitChars(std::uint32_t value) {
    const std::uint64_t fours = value / 10000 | std::uint64_t{value % 10000} << 32;
    const std::uint64_t fourHigh = (fours * 10486) >> 20 & 0x0000007F0000007F;
    const std::uint64_t twos = (fours - 100 * fourHigh) << 16 | fourHigh;
    const std::uint64_t twoHigh = (twos * 103) >> 10 & 0x000F000F000F000F;
    const std::uint64_t ones = (twos - 10 * twoHigh) << 8 | twoHigh;
    return ones | 0x3030303030303030;
}

}  // namespace

std::size_t DomWriterJson::FormatNumber(double value, char* out) {
    if (!std::isfinite(value)) {
        const char* special = std::isnan(value) ? "NaN" : value < 0 ? "-Infinity" : "Infinity";
        return static_cast<std::size_t>(std::copy(special, special + std::strlen(special), out) - out);
    }
    // The sign without a branch: in a list of coordinates it is as good as random.
    *out = '-';
    char* p = out + std::signbit(value);
    if (value == 0.0) return static_cast<std::size_t>(std::copy_n("0.0", 3, p) - out);
    // The shortest digits that read back as the value (dragonbox), laid out as
    // std::to_chars lays them out: fixed or scientific, whichever is shorter,
    // fixed on a tie; then marked as a double. Zeros are copied in runs of a fixed
    // size, within the kNumberSize chars of room.
    const auto decimal = jkj::dragonbox::to_decimal(value);
    const std::uint64_t digits = decimal.significand;
    const int length = DigitCount(digits);
    const int e = decimal.exponent;  // |value| = digits * 10^e
    const int exponent = e + length - 1;
    const int fixedLength = e >= 0 ? length + e : length + e > 0 ? length + 1 : 2 - e;
    // (A three-digit exponent would add one, but then the fixed form is far longer.)
    const int scientificLength = length + (length > 1) + 4;
    if (fixedLength > scientificLength) {  // d.ddde+XX, the exponent of two digits or more
        WriteDigits(digits, p + 1 + length, length);
        p[0] = p[1];
        p[1] = '.';
        p += length > 1 ? length + 1 : 1;
        *p++ = 'e';
        *p++ = exponent < 0 ? '-' : '+';
        if (std::abs(exponent) < 10) *p++ = '0';
        return static_cast<std::size_t>(std::to_chars(p, p + 4, std::abs(exponent)).ptr - out);
    }
    // The fixed form is at most as long as the scientific one: at most 5 zeros
    // after the digits, at most 3 between the point and the digits.
    if (e > 0 && std::fabs(value) >= 9007199254740992.0) {
        // Above 2^53 std::to_chars writes every digit of the integer, not zeros
        // after the shortest ones: take its text.
        p = std::to_chars(p, out + kNumberSize, std::fabs(value)).ptr;
    } else if (e >= 0) {  // ddd000
        WriteDigits(digits, p + length, length);
        std::memcpy(p + length, "00000000", 8);
        p += length + e;
    } else if (length + e > 0) {  // ddd.ddd: the digits one place on, those before the point moved back
        const int whole = length + e;
        WriteDigits(digits, p + 1 + length, length);
        for (int i = 0; i < whole; ++i) p[i] = p[i + 1];
        p[whole] = '.';
        p += length + 1;
    } else {  // 0.000ddd
        const int zeros = -e - length;
        std::memcpy(p, "0.000", 5);
        WriteDigits(digits, p + 2 + zeros + length, length);
        p += 2 + zeros + length;
    }
    if (e >= 0) p = std::copy_n(".0", 2, p);  // a '.' or an exponent marks the number as a double
    return static_cast<std::size_t>(p - out);
}

std::size_t DomWriterJson::FormatInteger(long long value, char* out) {
    constexpr long long kEightDigitLimit = 100000000;
    if (value < 0 || value >= kEightDigitLimit)
        return static_cast<std::size_t>(std::to_chars(out, out + kNumberSize, value).ptr - out);
    // Small non-negative values (indices, counts) without a branch on their length:
    // the zero-padded digits moved down past the zeros, stored as one word.
    const auto small = static_cast<std::uint32_t>(value);
    const int length = 1 + (small >= 10) + (small >= 100) + (small >= 1000) + (small >= 10000) + (small >= 100000) +
                       (small >= 1000000) + (small >= 10000000);
    std::uint64_t chars = EightDigitChars(small) >> (8 * (8 - length));
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    chars = __builtin_bswap64(chars);
#endif
    std::memcpy(out, &chars, sizeof chars);
    return static_cast<std::size_t>(length);
}

std::string DomWriterJson::ToString(const Dom& dom, int indent, bool flatArraysOnOneLine) {
    TextSink sink(nullptr);
    writeTree(sink, dom, indent, flatArraysOnOneLine);
    return sink.take();
}

void DomWriterJson::Write(std::ostream& stream, const Dom& dom, int indent, bool flatArraysOnOneLine) {
    TextSink sink(&stream);
    writeTree(sink, dom, indent, flatArraysOnOneLine);
    sink.flush();
}

}  // namespace kor
