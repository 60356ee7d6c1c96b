#include <kor/DomWriterJson.h>

#include <dragonbox/dragonbox.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
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
    char buffer[32];
    switch (node.kind()) {
        case Dom::Kind::Empty: sink.put("null", 4); break;
        case Dom::Kind::Bool: node.asBool(false) ? sink.put("true", 4) : sink.put("false", 5); break;
        case Dom::Kind::Int: sink.put(buffer, std::to_chars(buffer, buffer + 32, node.asInt(0)).ptr - buffer); break;
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

}  // namespace

std::size_t DomWriterJson::FormatNumber(double value, char* out) {
    const char* special = std::isnan(value) ? "NaN" : value < 0 ? "-Infinity" : "Infinity";
    if (!std::isfinite(value))
        return static_cast<std::size_t>(std::copy(special, special + std::strlen(special), out) - out);
    char* p = out;
    if (std::signbit(value)) *p++ = '-';
    if (value == 0.0) return static_cast<std::size_t>(std::copy_n("0.0", 3, p) - out);
    // The shortest digits that read back as the value (dragonbox), laid out as
    // std::to_chars lays them out: fixed or scientific, whichever is shorter,
    // fixed on a tie; then marked as a double. The digits are written one place
    // to the right, where the point makes room for itself.
    const auto decimal = jkj::dragonbox::to_decimal(value);
    char* const end = std::to_chars(p + 1, p + 21, decimal.significand).ptr;
    const int length = static_cast<int>(end - p - 1);
    const int e = decimal.exponent;  // |value| = digits * 10^e
    const int exponent = e + length - 1;
    const int fixedLength = e >= 0 ? length + e : length + e > 0 ? length + 1 : 2 - e;
    // (A three-digit exponent would add one, but then the fixed form is far longer.)
    const int scientificLength = length + (length > 1) + 4;
    if (fixedLength > scientificLength) {  // d.ddde+XX, the exponent of two digits or more
        p[0] = p[1];
        p[1] = '.';
        p = length > 1 ? end : p + 1;
        *p++ = 'e';
        *p++ = exponent < 0 ? '-' : '+';
        if (std::abs(exponent) < 10) *p++ = '0';
        return static_cast<std::size_t>(std::to_chars(p, p + 4, std::abs(exponent)).ptr - out);
    }
    if (e > 0 && std::fabs(value) >= 9007199254740992.0) {
        // Above 2^53 std::to_chars writes every digit of the integer, not zeros
        // after the shortest ones: take its text.
        p = std::to_chars(p, out + kNumberSize, std::fabs(value)).ptr;
    } else if (e >= 0) {  // ddd000
        p = std::fill_n(std::copy(p + 1, end, p), e, '0');
    } else if (length + e > 0) {  // ddd.ddd
        std::copy(p + 1, p + 1 + length + e, p);
        p[length + e] = '.';
        p = end;
    } else {  // 0.000ddd
        std::copy_backward(p + 1, end, end + 1 - e - length);
        p = std::fill_n(std::copy_n("0.", 2, p), -e - length, '0') + length;
    }
    if (e >= 0) p = std::copy_n(".0", 2, p);  // a '.' or an exponent marks the number as a double
    return static_cast<std::size_t>(p - out);
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
