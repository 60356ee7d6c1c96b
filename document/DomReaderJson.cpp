#include <kor/DomReaderJson.h>

#include "JsonNumbers.h"

#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace kor {

namespace {

constexpr unsigned kParseFlags = rapidjson::kParseIterativeFlag | rapidjson::kParseNumbersAsStringsFlag |
                                 rapidjson::kParseNanAndInfFlag;

// SAX handler that builds the tree bottom-up: finished values wait on one stack,
// and when an array or object closes its children are moved off the top of that
// stack into storage of exactly the right size.
class TreeBuilder : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, TreeBuilder> {
public:
    bool Null() {
        m_values.emplace_back();
        return true;
    }
    bool Bool(bool value) {
        m_values.emplace_back(value);
        return true;
    }
    bool RawNumber(const char* text, rapidjson::SizeType length, bool) {
        m_values.push_back(json::numberFromText(text, length));
        return true;
    }
    bool String(const char* text, rapidjson::SizeType length, bool) {
        m_values.emplace_back(std::string(text, length));
        return true;
    }
    bool Key(const char* text, rapidjson::SizeType length, bool) {
        m_keys.emplace_back(text, length);
        return true;
    }
    bool StartArray() { return enter(); }
    bool StartObject() { return enter(); }
    bool EndArray(rapidjson::SizeType count) {
        const std::size_t first = m_values.size() - count;
        Dom array = Dom::FromElements(m_values.data() + first, count);
        m_values.resize(first);  // moved-from, all empty
        m_values.push_back(std::move(array));
        --m_depth;
        if (count >= kLargeCount)
            trimStacks();
        return true;
    }
    bool EndObject(rapidjson::SizeType count) {
        const std::size_t firstValue = m_values.size() - count;
        const std::size_t firstKey = m_keys.size() - count;
        std::vector<Dom::Member> members;
        members.reserve(count);
        for (std::size_t k = 0; k < count; ++k)
            members.emplace_back(std::move(m_keys[firstKey + k]), std::move(m_values[firstValue + k]));
        m_keys.resize(firstKey);
        m_values.resize(firstValue);
        m_values.push_back(Dom::FromMembers(std::move(members)));
        --m_depth;
        if (count >= kLargeCount)
            trimStacks();
        return true;
    }

    bool tooDeep() const { return m_tooDeep; }
    Dom takeResult() { return m_values.empty() ? Dom() : std::move(m_values.back()); }
    void clear() {
        m_values.clear();
        m_keys.clear();
        m_depth = 0;
        m_tooDeep = false;
    }

private:
    static constexpr std::size_t kLargeCount = 1 << 16;

    // After a large container closes, the stacks may be far bigger than what is
    // left on them; give that memory back so it does not add to the tree's peak.
    template <typename T>
    static void trim(std::vector<T>& stack) {
        if (stack.capacity() < kLargeCount || stack.size() * 8 > stack.capacity())
            return;
        std::vector<T> smaller;
        smaller.reserve(stack.size() * 2 + 64);
        for (T& item : stack)
            smaller.push_back(std::move(item));
        stack.swap(smaller);
    }
    void trimStacks() {
        trim(m_values);
        trim(m_keys);
    }

    bool enter() {
        if (++m_depth > DomReaderJson::kMaxDepth) {
            m_tooDeep = true;
            return false;
        }
        return true;
    }

    std::vector<Dom> m_values;
    std::vector<std::string> m_keys;
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
        if (builder.tooDeep())
            outcome.reason = "arrays and objects nested deeper than 512 levels";
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
    if (error)
        *error = "JSON parse error at byte offset " + std::to_string(offset) + ": " + reason;
    return false;
}

// RapidJSON refuses numbers with very large exponents or very many digits, which
// this reader turns into infinities, zeros or large doubles: rewrite them into
// equal-valued short text of the same length and parse a copy again.
void retryWithHugeNumbers(TreeBuilder& builder, Outcome& outcome, const char* text, std::size_t length) {
    std::string copy(text, length);
    if (json::rewriteHugeNumbers(copy)) {
        rapidjson::MemoryStream stream(copy.data(), copy.size());
        outcome = parseOnce(builder, stream, copy.size());
    }
}

bool finish(Dom& out, std::string* error, TreeBuilder& builder, const Outcome& outcome, std::size_t skipped) {
    if (outcome.code != rapidjson::kParseErrorNone)
        return fail(out, error, skipped + outcome.offset,
                    outcome.reason ? outcome.reason : rapidjson::GetParseError_En(outcome.code));
    out = builder.takeResult();
    if (error)
        error->clear();
    return true;
}

}  // namespace

bool DomReaderJson::FromString(Dom& out, const char* text, std::string* error) {
    if (!text)
        return fail(out, error, 0, "no text (null pointer)");
    const std::size_t skipped = byteOrderMarkLength(text, 3);
    text += skipped;
    TreeBuilder builder;
    rapidjson::StringStream stream(text);
    Outcome outcome = parseOnce(builder, stream, kUnknownLength);
    if (outcome.code == rapidjson::kParseErrorNumberTooBig)
        retryWithHugeNumbers(builder, outcome, text, std::strlen(text));
    return finish(out, error, builder, outcome, skipped);
}

bool DomReaderJson::FromString(Dom& out, const char* text, std::size_t length, std::string* error) {
    if (!text)
        return fail(out, error, 0, "no text (null pointer)");
    const std::size_t skipped = byteOrderMarkLength(text, length);
    text += skipped;
    length -= skipped;
    TreeBuilder builder;
    rapidjson::MemoryStream stream(text, length);
    Outcome outcome = parseOnce(builder, stream, length);
    if (outcome.code == rapidjson::kParseErrorNumberTooBig)
        retryWithHugeNumbers(builder, outcome, text, length);
    return finish(out, error, builder, outcome, skipped);
}

}  // namespace kor
