#include <kor/DomReaderJson.h>

#include "DomStorage.h"
#include "JsonNumbers.h"

#include <fast_float/fast_float.h>
#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace kor {

namespace {

// Read-only text for RapidJSON's in-situ mode. In that mode a number reaches the
// handler as a pointer into the text (no copies of its characters), which is why it
// is used; but in-situ mode also writes each string, unescaped, over its own text.
// This stream writes those characters into a separate buffer instead and leaves
// the text untouched: the handler takes strings and keys from `decoded()` and
// ignores the pointer it is given (it points into the text). Bounded streams stop
// at `end` (Peek gives the zero byte there), the others at the first zero byte.
template <bool Bounded>
class TextStream {
public:
    typedef char Ch;

    TextStream(const char* text, const char* end, std::vector<char>* decoded)
        : m_src(text), m_head(text), m_end(end), m_decoded(decoded) {}

    Ch Peek() const {
        if (Bounded && m_src == m_end) return '\0';
        return *m_src;
    }
    Ch Take() {
        if (Bounded && m_src == m_end) return '\0';
        return *m_src++;
    }
    std::size_t Tell() const { return static_cast<std::size_t>(m_src - m_head); }

    // Numbers: the reader asks the stream copy that still stands at the number's
    // first character, and gets that position. Strings: the characters put follow.
    Ch* PutBegin() {
        m_decoded->clear();
        return const_cast<Ch*>(m_src);  // only ever read through
    }
    void Put(Ch c) { m_decoded->push_back(c); }
    std::size_t PutEnd(Ch*) { return m_decoded->size(); }
    void Flush() {}

private:
    const char* m_src;
    const char* m_head;
    const char* m_end;
    std::vector<char>* m_decoded;
};

}  // namespace
}  // namespace kor

namespace rapidjson {
// Copied into locals by the reader, as its own string streams are (the number
// positions above depend on it).
template <bool Bounded>
struct StreamTraits<kor::TextStream<Bounded>> {
    enum { copyOptimization = 1 };
};
}  // namespace rapidjson

namespace kor {

namespace {

constexpr unsigned kParseFlags = rapidjson::kParseIterativeFlag | rapidjson::kParseInsituFlag |
                                 rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseNanAndInfFlag;

// The values waiting for their array or object to close, in raw storage of fixed
// 64 KB segments: pushing never moves what is already there, no single allocation
// grows with the document, and segments are given back as the stack shrinks. Nodes
// are relocated bit for bit when a container takes them. Slots [0, m_size) hold
// live nodes; the destructor frees what is still there (after a failed parse).
class ValueStack {
public:
    ValueStack() = default;
    ValueStack(const ValueStack&) = delete;
    ValueStack& operator=(const ValueStack&) = delete;
    ~ValueStack() {
        clear();
        for (Dom* segment : m_segments) ::operator delete(segment);
    }

    std::size_t size() const noexcept { return m_size; }
    Dom* at(std::size_t index) noexcept { return m_segments[index >> kShift] + (index & kMask); }

    // Raw storage for one more node, constructed by the caller before anything else
    // can throw (then `commit`).
    Dom* slot() {
        if ((m_size >> kShift) == m_segments.size()) addSegment();
        return at(m_size);
    }
    void commit() noexcept { ++m_size; }
    void push(Dom&& value) {
        new (slot()) Dom(std::move(value));
        commit();
    }
    // Removes the top `count` nodes (moved-from or not) with their destructors.
    void pop(std::size_t count) noexcept {
        for (std::size_t k = 0; k < count; ++k) at(--m_size)->~Dom();
        releaseSegments();
    }
    void clear() noexcept { pop(m_size); }
    Dom takeTop() {
        Dom result(std::move(*at(m_size - 1)));
        pop(1);
        return result;
    }
    // An array node made of the top `count` nodes, which leave the stack.
    Dom takeArray(std::size_t count) {
        const std::size_t first = m_size - count;
        Dom array = DomNodes::array(count, [this, first](Dom* to) {
            for (std::size_t index = first; index < m_size;) {
                const std::size_t piece = std::min(kSegment - (index & kMask), m_size - index);
                DomNodes::relocate(to, at(index), piece);
                to += piece;
                index += piece;
            }
        });
        m_size = first;  // the nodes were relocated: nothing to destroy
        releaseSegments();
        return array;
    }

private:
    static constexpr std::size_t kShift = 12;
    static constexpr std::size_t kSegment = std::size_t{1} << kShift;  // nodes
    static constexpr std::size_t kMask = kSegment - 1;

    void addSegment() {
        Dom* segment = static_cast<Dom*>(::operator new(kSegment * sizeof(Dom)));
        try {
            m_segments.push_back(segment);
        } catch (...) {
            ::operator delete(segment);
            throw;
        }
    }
    // Keeps the segments in use and one more, so that a stack going up and down
    // around a segment boundary does not allocate each time.
    void releaseSegments() noexcept {
        const std::size_t keep = (m_size >> kShift) + 2;
        while (m_segments.size() > keep) {
            ::operator delete(m_segments.back());
            m_segments.pop_back();
        }
    }

    std::vector<Dom*> m_segments;
    std::size_t m_size = 0;
};

// SAX handler that builds the tree bottom-up: finished values wait on one stack,
// and when an array or object closes its children are relocated off the top of
// that stack into storage of exactly the right size.
class TreeBuilder : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, TreeBuilder> {
public:
    bool Null() {
        new (m_values.slot()) Dom();
        m_values.commit();
        return true;
    }
    bool Bool(bool value) {
        new (m_values.slot()) Dom(value);
        m_values.commit();
        return true;
    }
    bool RawNumber(const char* text, rapidjson::SizeType length, bool) {
        new (m_values.slot()) Dom(DomReaderJson::ParseNumber(text, length));
        m_values.commit();
        return true;
    }
    // Strings and keys: the characters are in m_decoded (see TextStream).
    bool String(const char*, rapidjson::SizeType length, bool) {
        m_values.push(Dom(std::string(m_decoded.data(), length)));
        return true;
    }
    bool Key(const char*, rapidjson::SizeType length, bool) {
        m_keys.emplace_back(m_decoded.data(), length);
        return true;
    }
    bool StartArray() { return enter(); }
    bool StartObject() { return enter(); }
    bool EndArray(rapidjson::SizeType count) {
        m_values.push(m_values.takeArray(count));
        --m_depth;
        return true;
    }
    bool EndObject(rapidjson::SizeType count) {
        const std::size_t firstValue = m_values.size() - count;
        const std::size_t firstKey = m_keys.size() - count;
        std::vector<Dom::Member> members;
        members.reserve(count);
        for (std::size_t k = 0; k < count; ++k)
            members.emplace_back(std::move(m_keys[firstKey + k]), std::move(*m_values.at(firstValue + k)));
        m_keys.resize(firstKey);
        m_values.pop(count);
        m_values.push(Dom::FromMembers(std::move(members)));
        --m_depth;
        if (count >= kLargeCount) trimKeys();
        return true;
    }

    std::vector<char>* decoded() { return &m_decoded; }
    bool tooDeep() const { return m_tooDeep; }
    Dom takeResult() { return m_values.size() == 0 ? Dom() : m_values.takeTop(); }
    void clear() {
        m_values.clear();
        m_keys.clear();
        m_depth = 0;
        m_tooDeep = false;
    }

private:
    static constexpr std::size_t kLargeCount = 1 << 16;

    void trimKeys() {
        if (m_keys.capacity() < kLargeCount || m_keys.size() * 8 > m_keys.capacity()) return;
        std::vector<std::string> smaller;
        smaller.reserve(m_keys.size() * 2 + 64);
        for (std::string& key : m_keys) smaller.push_back(std::move(key));
        m_keys.swap(smaller);
    }

    bool enter() {
        if (++m_depth > DomReaderJson::kMaxDepth) {
            m_tooDeep = true;
            return false;
        }
        return true;
    }

    ValueStack m_values;
    std::vector<std::string> m_keys;
    std::vector<char> m_decoded;  // a vector: no terminating zero to keep up
    std::size_t m_depth = 0;
    bool m_tooDeep = false;
};

constexpr std::size_t kUnknownLength = static_cast<std::size_t>(-1);

struct Outcome {
    rapidjson::ParseErrorCode code = rapidjson::kParseErrorNone;
    std::size_t offset = 0;
    const char* reason = nullptr;  // overrides RapidJSON's text for the code
};

// Parses the text of `stream`. RapidJSON takes a zero byte as the end of the input;
// `length` (when known) tells whether that zero byte is inside the text.
template <typename Stream>
Outcome parseOnce(TreeBuilder& builder, Stream& stream, std::size_t length) {
    builder.clear();
    rapidjson::Reader reader;
    const rapidjson::ParseResult result = reader.Parse<kParseFlags>(stream, builder);
    Outcome outcome;
    if (result.IsError()) {
        outcome.code = result.Code();
        outcome.offset = result.Offset();
        static_assert(DomReaderJson::kMaxDepth == 512, "the message names the limit");
        if (builder.tooDeep()) outcome.reason = "arrays and objects nested deeper than 512 levels";
    } else if (length != kUnknownLength && stream.Tell() < length) {
        outcome.code = rapidjson::kParseErrorDocumentRootNotSingular;
        outcome.offset = stream.Tell();
        outcome.reason = "zero byte in the text";
    }
    return outcome;
}

// The length of a UTF-8 byte order mark at the start of the text (0 or 3); the
// text may be shorter than `available` when zero-terminated.
std::size_t byteOrderMarkLength(const char* text, std::size_t available) {
    return available >= 3 && text[0] == '\xEF' && text[1] == '\xBB' && text[2] == '\xBF' ? 3 : 0;
}

bool fail(Dom& out, std::string* error, std::size_t offset, const char* reason) {
    out = Dom();
    if (error) *error = "JSON parse error at byte offset " + std::to_string(offset) + ": " + reason;
    return false;
}

// The length of the JSON number at `p` (0 when none starts there):
// -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
std::size_t numberLength(const char* p, const char* end) {
    auto digits = [end](const char* q) {
        while (q < end && *q >= '0' && *q <= '9') ++q;
        return q;
    };
    const char* q = p + (p < end && *p == '-');
    if (q == end || *q < '0' || *q > '9') return 0;
    q = *q == '0' ? q + 1 : digits(q);
    if (q + 1 < end && *q == '.' && digits(q + 1) > q + 1) q = digits(q + 1);
    if (q + 1 < end && (*q == 'e' || *q == 'E')) {
        const char* e = q + 1 + (q[1] == '+' || q[1] == '-');
        if (digits(e) > e) q = digits(e);
    }
    return static_cast<std::size_t>(q - p);
}

// RapidJSON refuses numbers with very large exponents or very many digits, which
// this reader turns into infinities, zeros or large doubles. Such numbers (outside
// strings) are rewritten in a copy into equal-valued shorter text padded with
// spaces ("1e999" becomes "Inf  "), keeping every offset, and the copy is parsed.
void retryWithHugeNumbers(TreeBuilder& builder, Outcome& outcome, const char* text, std::size_t length) {
    std::string copy(text, length);
    char* const end = &copy[0] + length;
    for (char* p = &copy[0]; p < end;) {
        if (*p == '"') {  // skip the string, escapes included
            for (++p; p < end && *p != '"'; ++p) p += *p == '\\';
            ++p;
            continue;
        }
        const std::size_t size = numberLength(p, end);
        if (size == 0) {
            ++p;
            continue;
        }
        // Only some 300 digits or an exponent of three digits can be too big.
        const char* exponent = std::find_if(p, p + size, [](char c) { return c == 'e' || c == 'E'; });
        const Dom value = size >= 300 || p + size - exponent >= 4 ? DomReaderJson::ParseNumber(p, size) : Dom();
        const double d = value.asDouble(0.0);
        char shorter[detail::kNumberSize];
        std::size_t shorterSize = size;  // no shorter text
        if (value.isDouble() && std::isinf(d))
            shorterSize = static_cast<std::size_t>(std::snprintf(shorter, sizeof shorter, d < 0 ? "-Inf" : "Inf"));
        else if (value.isDouble())
            shorterSize = detail::FormatNumber(d, shorter);
        if (shorterSize < size) {
            std::memcpy(p, shorter, shorterSize);
            std::memset(p + shorterSize, ' ', size - shorterSize);
        }
        p += size;
    }
    TextStream<true> stream(copy.data(), copy.data() + copy.size(), builder.decoded());
    outcome = parseOnce(builder, stream, copy.size());
}

bool finish(Dom& out, std::string* error, TreeBuilder& builder, const Outcome& outcome, std::size_t skipped) {
    if (outcome.code != rapidjson::kParseErrorNone)
        return fail(out, error, skipped + outcome.offset,
                    outcome.reason ? outcome.reason : rapidjson::GetParseError_En(outcome.code));
    out = builder.takeResult();
    if (error) error->clear();
    return true;
}

}  // namespace

Dom DomReaderJson::ParseNumber(const char* text, std::size_t length) noexcept {
    const char* end = text + length;
    const std::size_t sign = length > 0 && text[0] == '-' ? 1 : 0;
    if (length > sign && text[sign] == 'N') return Dom(std::numeric_limits<double>::quiet_NaN());
    long long integer = 0;
    const auto asInteger = std::from_chars(text, end, integer);
    if (asInteger.ptr == end && asInteger.ec == std::errc()) return sign && integer == 0 ? Dom(-0.0) : Dom(integer);
    // Correctly rounded; Inf and Infinity too; beyond the double range +-infinity,
    // below the smallest denormal +-0.
    double value = 0.0;
    fast_float::from_chars(text, end, value);
    return Dom(value);
}

bool DomReaderJson::FromString(Dom& out, const char* text, std::string* error) {
    if (!text) return fail(out, error, 0, "no text (null pointer)");
    const std::size_t skipped = byteOrderMarkLength(text, 3);
    text += skipped;
    TreeBuilder builder;
    TextStream<false> stream(text, nullptr, builder.decoded());
    Outcome outcome = parseOnce(builder, stream, kUnknownLength);
    if (outcome.code == rapidjson::kParseErrorNumberTooBig)
        retryWithHugeNumbers(builder, outcome, text, std::strlen(text));
    return finish(out, error, builder, outcome, skipped);
}

bool DomReaderJson::FromString(Dom& out, const char* text, std::size_t length, std::string* error) {
    if (!text) return fail(out, error, 0, "no text (null pointer)");
    const std::size_t skipped = byteOrderMarkLength(text, length);
    text += skipped;
    length -= skipped;
    TreeBuilder builder;
    TextStream<true> stream(text, text + length, builder.decoded());
    Outcome outcome = parseOnce(builder, stream, length);
    if (outcome.code == rapidjson::kParseErrorNumberTooBig) retryWithHugeNumbers(builder, outcome, text, length);
    return finish(out, error, builder, outcome, skipped);
}

}  // namespace kor
