#include <kor/DomReaderJson.h>

#include "DomStorage.h"
#include "JsonParse.h"

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
class TreeBuilder {
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
        new (m_values.slot()) Dom(detail::NumberNode(text, length));
        m_values.commit();
        return true;
    }
    bool String(const char* text, rapidjson::SizeType length, bool) {
        m_values.push(Dom(std::string(text, length)));
        return true;
    }
    bool Key(const char* text, rapidjson::SizeType length, bool) {
        m_keys.emplace_back(text, length);
        return true;
    }
    bool StartArray() { return true; }
    bool StartObject() { return true; }
    bool EndArray(rapidjson::SizeType count) {
        m_values.push(m_values.takeArray(count));
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
        if (count >= kLargeCount) trimKeys();
        return true;
    }

    Dom takeResult() { return m_values.size() == 0 ? Dom() : m_values.takeTop(); }
    void Reset() {
        m_values.clear();
        m_keys.clear();
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

    ValueStack m_values;
    std::vector<std::string> m_keys;
};

bool fail(Dom& out, std::string* error, const detail::JsonOutcome& outcome) {
    out = Dom();
    if (error) *error = outcome.Message();
    return false;
}

bool parse(Dom& out, const char* text, std::size_t length, bool terminated, std::string* error) {
    TreeBuilder builder;
    const detail::JsonOutcome outcome = detail::ParseJson(text, length, terminated, builder);
    if (!outcome.ok) return fail(out, error, outcome);
    out = builder.takeResult();
    if (error) error->clear();
    return true;
}

}  // namespace

Dom DomReaderJson::ParseNumber(const char* text, std::size_t length) noexcept {
    return detail::NumberNode(text, length);
}

bool DomReaderJson::FromString(Dom& out, const char* text, std::string* error) {
    if (!text) return fail(out, error, detail::JsonOutcome{false, 0, "no text (null pointer)"});
    return parse(out, text, std::strlen(text), true, error);
}

bool DomReaderJson::FromString(Dom& out, const char* text, std::size_t length, std::string* error) {
    if (!text) return fail(out, error, detail::JsonOutcome{false, 0, "no text (null pointer)"});
    return parse(out, text, length, false, error);
}

}  // namespace kor
