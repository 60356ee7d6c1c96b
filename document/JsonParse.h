// Internal: the JSON dialect of the document library, header-only, so that
// DomReaderJson (which builds trees) and the set reader of ShapeExport (which reads
// a set straight from its text) parse exactly the same texts the same way.
//
// ParseJson runs RapidJSON's SAX reader over the text and hands the events to a
// handler: the usual RapidJSON handler calls, numbers as RawNumber (their text, to
// be read with DomReaderJson::ParseNumber), strings and keys with their unescaped
// characters, plus Reset(), which must forget everything handed over so far (the
// text is parsed a second time when it holds numbers beyond RapidJSON's range).
// The dialect is that of DomReaderJson.h: a UTF-8 byte order mark is skipped,
// NaN/Inf/Infinity are numbers, nesting stops at DomReaderJson::kMaxDepth.
#pragma once

#include <kor/Dom.h>
#include <kor/DomReaderJson.h>

#include <fast_float/fast_float.h>
#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "JsonNumbers.h"

namespace kor {
namespace detail {

// Read-only text for RapidJSON's in-situ mode. In that mode a number reaches the
// handler as a pointer into the text (no copies of its characters), which is why it
// is used; but in-situ mode also writes each string, unescaped, over its own text.
// This stream writes those characters into a separate buffer instead and leaves the
// text untouched. Bounded streams stop at `end` (Peek gives a zero byte there), the
// others at the first zero byte.
template <bool Bounded>
class JsonTextStream {
public:
    typedef char Ch;

    JsonTextStream(const char* text, const char* end, std::vector<char>* decoded)
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

}  // namespace detail
}  // namespace kor

namespace rapidjson {
// Copied into locals by the reader, as its own string streams are (the number
// positions above depend on it).
template <bool Bounded>
struct StreamTraits<kor::detail::JsonTextStream<Bounded>> {
    enum { copyOptimization = 1 };
};
}  // namespace rapidjson

namespace kor {
namespace detail {

// The node of one number token (DomReaderJson::ParseNumber), inline for the readers.
inline Dom NumberNode(const char* text, std::size_t length) noexcept {
    const char* end = text + length;
    const std::size_t sign = length > 0 && text[0] == '-' ? 1 : 0;
    // Up to 18 digits alone (indices, counts) are an integer that fits, read here.
    auto digit = [text](std::size_t k) { return static_cast<unsigned>(text[k] - '0') < 10u; };
    const std::size_t shortEnd = std::min(length, sign + 18);
    long long small = 0;
    std::size_t k = sign;
    for (; k < shortEnd && digit(k); ++k) small = small * 10 + (text[k] - '0');
    if (k == length && k > sign) return sign ? (small == 0 ? Dom(-0.0) : Dom(-small)) : Dom(small);
    if (k == shortEnd && k < length && digit(k)) {  // more digits: an integer if it fits
        long long integer = 0;
        const auto asInteger = std::from_chars(text, end, integer);
        if (asInteger.ptr == end && asInteger.ec == std::errc()) return Dom(integer);
    }
    if (length > sign && text[sign] == 'N') return Dom(std::numeric_limits<double>::quiet_NaN());
    // Correctly rounded; Inf and Infinity too; beyond the double range +-infinity,
    // below the smallest denormal +-0.
    double value = 0.0;
    fast_float::from_chars(text, end, value);
    return Dom(value);
}

// How a parse ended: `offset` counts the bytes of the text as given, a byte order
// mark included.
struct JsonOutcome {
    bool ok = true;
    std::size_t offset = 0;
    std::string reason;
    bool hugeNumber = false;  // RapidJSON stopped at a number beyond its range

    // "JSON parse error at byte offset N: <reason>"
    std::string Message() const { return "JSON parse error at byte offset " + std::to_string(offset) + ": " + reason; }
};

// Between RapidJSON and the handler: strings with their unescaped characters, and
// the nesting limit.
template <typename Handler>
class JsonEvents : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, JsonEvents<Handler>> {
public:
    explicit JsonEvents(Handler& handler) : m_handler(handler) {}

    bool Null() { return m_handler.Null(); }
    bool Bool(bool value) { return m_handler.Bool(value); }
    bool RawNumber(const char* text, rapidjson::SizeType length, bool copy) {
        return m_handler.RawNumber(text, length, copy);
    }
    bool String(const char*, rapidjson::SizeType length, bool copy) {
        return m_handler.String(m_decoded.data(), length, copy);
    }
    bool Key(const char*, rapidjson::SizeType length, bool copy) {
        return m_handler.Key(m_decoded.data(), length, copy);
    }
    bool StartObject() { return Enter() && m_handler.StartObject(); }
    bool StartArray() { return Enter() && m_handler.StartArray(); }
    bool EndObject(rapidjson::SizeType count) {
        --m_depth;
        return m_handler.EndObject(count);
    }
    bool EndArray(rapidjson::SizeType count) {
        --m_depth;
        return m_handler.EndArray(count);
    }

    std::vector<char>* Decoded() { return &m_decoded; }
    bool TooDeep() const { return m_depth > DomReaderJson::kMaxDepth; }
    void Reset() {
        m_depth = 0;
        m_handler.Reset();
    }

private:
    bool Enter() { return ++m_depth <= DomReaderJson::kMaxDepth; }

    Handler& m_handler;
    std::vector<char> m_decoded;  // a vector: no terminating zero to keep up
    std::size_t m_depth = 0;
};

// The length of the JSON number at `p` (0 when none starts there):
// -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
inline std::size_t JsonNumberLength(const char* p, const char* end) {
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
// the dialect reads as infinities, zeros or large doubles. Such numbers (outside
// strings) are rewritten into equal-valued shorter text padded with spaces ("1e999"
// becomes "Inf  "), which keeps every offset.
inline void ShortenHugeNumbers(char* text, std::size_t length) {
    char* const end = text + length;
    for (char* p = text; p < end;) {
        if (*p == '"') {  // skip the string, escapes included
            for (++p; p < end && *p != '"'; ++p) p += *p == '\\';
            ++p;
            continue;
        }
        const std::size_t size = JsonNumberLength(p, end);
        if (size == 0) {
            ++p;
            continue;
        }
        // Only some 300 digits or an exponent of three digits can be too big.
        const char* exponent = std::find_if(p, p + size, [](char c) { return c == 'e' || c == 'E'; });
        const Dom value = size >= 300 || p + size - exponent >= 4 ? NumberNode(p, size) : Dom();
        const double d = value.asDouble(0.0);
        char shorter[kNumberSize];
        std::size_t shorterSize = size;  // no shorter text
        if (value.isDouble() && std::isinf(d))
            shorterSize = static_cast<std::size_t>(std::snprintf(shorter, sizeof shorter, d < 0 ? "-Inf" : "Inf"));
        else if (value.isDouble())
            shorterSize = FormatNumber(d, shorter);
        if (shorterSize < size) {
            std::memcpy(p, shorter, shorterSize);
            std::memset(p + shorterSize, ' ', size - shorterSize);
        }
        p += size;
    }
}

template <typename Stream, typename Handler>
JsonOutcome ParseJsonOnce(Stream& stream, JsonEvents<Handler>& events, std::size_t length, bool terminated) {
    constexpr unsigned kParseFlags = rapidjson::kParseIterativeFlag | rapidjson::kParseInsituFlag |
                                     rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseNanAndInfFlag;
    events.Reset();
    rapidjson::Reader reader;
    const rapidjson::ParseResult result = reader.Parse<kParseFlags>(stream, events);
    JsonOutcome outcome;
    if (result.IsError()) {
        outcome.ok = false;
        outcome.offset = result.Offset();
        static_assert(DomReaderJson::kMaxDepth == 512, "the message names the limit");
        outcome.hugeNumber = result.Code() == rapidjson::kParseErrorNumberTooBig;
        outcome.reason = events.TooDeep() ? "arrays and objects nested deeper than 512 levels"
                                          : rapidjson::GetParseError_En(result.Code());
    } else if (!terminated && stream.Tell() < length) {
        outcome.ok = false;
        outcome.offset = stream.Tell();
        outcome.reason = "zero byte in the text";
    }
    return outcome;
}

// Parses the `length` bytes at `text`. With `terminated`, text[length] is a zero
// byte and a zero byte inside the text ends it (as in a zero-terminated string);
// otherwise a zero byte inside the text is an error. Where the text must be parsed
// again with its huge numbers shortened, that is done in `rewritable` when it is the
// text itself (the caller's own copy), else in a copy.
template <typename Handler>
JsonOutcome ParseJson(const char* text, std::size_t length, bool terminated, Handler& handler,
                      char* rewritable = nullptr) {
    const std::size_t mark =
        length >= 3 && text[0] == '\xEF' && text[1] == '\xBB' && text[2] == '\xBF' ? 3 : 0;  // skipped
    text += mark;
    length -= mark;
    JsonEvents<Handler> events(handler);
    JsonOutcome outcome;
    if (terminated) {
        JsonTextStream<false> stream(text, nullptr, events.Decoded());
        outcome = ParseJsonOnce(stream, events, length, true);
    } else {
        JsonTextStream<true> stream(text, text + length, events.Decoded());
        outcome = ParseJsonOnce(stream, events, length, false);
    }
    if (outcome.hugeNumber) {
        if (terminated) length = std::strlen(text);
        std::string copy;
        char* shortened = rewritable ? rewritable + mark : nullptr;
        if (!shortened) {
            copy.assign(text, length);
            shortened = &copy[0];
        }
        ShortenHugeNumbers(shortened, length);
        JsonTextStream<true> stream(shortened, shortened + length, events.Decoded());
        outcome = ParseJsonOnce(stream, events, length, false);
    }
    outcome.offset += mark;
    return outcome;
}

}  // namespace detail
}  // namespace kor
