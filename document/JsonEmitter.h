// Internal: the JSON text writer of the project, header-only, used by
// DomWriterJson (trees) and by CrossSections::Write (sets written straight from
// their fields), so that both lay out text by one set of rules:
//
//   - compact (indent < 0): no white space at all;
//   - pretty (indent >= 0): every element of a non-empty array and every member of
//     a non-empty object on a line of its own, indented by `indent` spaces per
//     level, members as "key": value, empty containers as [] and {}, no newline
//     after the last bracket;
//   - pretty with flatArraysOnOneLine: an array none of whose elements is a
//     non-empty array or object stays on one line, elements joined by ", ".
//
// The caller says, when it opens an array, whether some element will be a
// non-empty array or object; everything else the emitter decides.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "JsonNumbers.h"

namespace kor {
namespace detail {

// Collects text in a chunk and hands full chunks to a string or a stream, so that
// small pieces cost a copy into the chunk only. The text is complete after Flush().
class JsonSink {
public:
    explicit JsonSink(std::string& text) : m_text(&text) {}
    explicit JsonSink(std::ostream& stream) : m_stream(&stream) {}
    JsonSink(const JsonSink&) = delete;
    JsonSink& operator=(const JsonSink&) = delete;
    ~JsonSink() { Flush(); }

    void Put(char c) {
        if (m_used == kChunk) Flush();
        m_chunk[m_used++] = c;
    }
    void Put(const char* text, std::size_t length) {
        if (length > kChunk - m_used) Flush();
        if (length > kChunk) return Hand(text, length);  // a long string goes past the chunk
        std::memcpy(m_chunk + m_used, text, length);
        m_used += length;
    }
    void Spaces(std::size_t count) {
        for (std::size_t part; count > 0; count -= part) {
            if (m_used == kChunk) Flush();
            part = std::min(count, kChunk - m_used);
            std::memset(m_chunk + m_used, ' ', part);
            m_used += part;
        }
    }
    // Room for `count` chars at Tail(), written there and then counted by Advance.
    char* Tail(std::size_t count) {
        if (count > kChunk - m_used) Flush();
        return m_chunk + m_used;
    }
    void Advance(std::size_t count) { m_used += count; }
    void Flush() {
        Hand(m_chunk, m_used);
        m_used = 0;
    }

private:
    static constexpr std::size_t kChunk = 1 << 14;

    void Hand(const char* text, std::size_t length) {
        if (m_stream)
            m_stream->write(text, static_cast<std::streamsize>(length));
        else
            m_text->append(text, length);
    }

    std::string* m_text = nullptr;
    std::ostream* m_stream = nullptr;
    std::size_t m_used = 0;
    char m_chunk[kChunk];
};

class JsonEmitter {
public:
    JsonEmitter(JsonSink& sink, int indent, bool flatArraysOnOneLine)
        : m_sink(sink),
          m_pretty(indent >= 0),
          m_flat(indent >= 0 && flatArraysOnOneLine),
          m_step(indent >= 0 ? static_cast<std::size_t>(indent) : 0) {}

    // Values: each is the next element of the open array, the value of the key just
    // written, or the whole document.
    void Null() { Token("null", 4); }
    void Bool(bool value) { value ? Token("true", 4) : Token("false", 5); }
    void Int(long long value) {
        Separate();
        m_sink.Advance(FormatInteger(value, m_sink.Tail(kNumberSize)));
    }
    void Double(double value) {
        Separate();
        m_sink.Advance(FormatNumber(value, m_sink.Tail(kNumberSize)));
    }
    void String(const std::string& text) {
        Separate();
        Quoted(text);
    }
    // `holdsContainers`: some element will be a non-empty array or object.
    void BeginArray(bool holdsContainers) { Open('[', false, m_flat && !holdsContainers); }
    void BeginObject() { Open('{', true, false); }
    void Key(const std::string& key) {
        Frame& frame = m_open.back();
        if (frame.count++ > 0) m_sink.Put(',');
        NewLine(m_open.size());
        Quoted(key);
        m_pretty ? m_sink.Put(": ", 2) : m_sink.Put(':');
    }
    // Closes the innermost open array or object.
    void End() {
        const Frame frame = m_open.back();
        m_open.pop_back();
        if (frame.count > 0 && !frame.oneLine) NewLine(m_open.size());
        m_sink.Put(frame.object ? '}' : ']');
    }

private:
    struct Frame {
        bool object;
        bool oneLine;
        std::size_t count;  // elements or members so far
    };

    void NewLine(std::size_t depth) {
        if (!m_pretty) return;
        m_sink.Put('\n');
        m_sink.Spaces(m_step * depth);
    }
    // Before a value: the separator and line break of the array it is an element of.
    void Separate() {
        if (m_open.empty() || m_open.back().object) return;
        Frame& frame = m_open.back();
        if (frame.count++ > 0) m_sink.Put(',');
        if (!frame.oneLine)
            NewLine(m_open.size());
        else if (frame.count > 1)
            m_sink.Put(' ');
    }
    void Token(const char* text, std::size_t length) {
        Separate();
        m_sink.Put(text, length);
    }
    void Open(char bracket, bool object, bool oneLine) {
        Separate();
        m_sink.Put(bracket);
        m_open.push_back(Frame{object, oneLine, 0});
    }
    // A string with '"', '\' and the control characters below 0x20 escaped (\b \f
    // \n \r \t, the others as \u00XX); all other bytes as they are.
    void Quoted(const std::string& text) {
        static const char hex[] = "0123456789abcdef";
        m_sink.Put('"');
        const char* data = text.data();
        std::size_t plain = 0;  // start of the run of bytes copied unchanged
        for (std::size_t k = 0; k < text.size(); ++k) {
            const unsigned char c = static_cast<unsigned char>(data[k]);
            if (c >= 0x20 && c != '"' && c != '\\') continue;
            m_sink.Put(data + plain, k - plain);
            plain = k + 1;
            switch (c) {
                case '"': m_sink.Put("\\\"", 2); break;
                case '\\': m_sink.Put("\\\\", 2); break;
                case '\b': m_sink.Put("\\b", 2); break;
                case '\f': m_sink.Put("\\f", 2); break;
                case '\n': m_sink.Put("\\n", 2); break;
                case '\r': m_sink.Put("\\r", 2); break;
                case '\t': m_sink.Put("\\t", 2); break;
                default: {
                    const char escape[6] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 15]};
                    m_sink.Put(escape, 6);
                }
            }
        }
        m_sink.Put(data + plain, text.size() - plain);
        m_sink.Put('"');
    }

    JsonSink& m_sink;
    const bool m_pretty;
    const bool m_flat;
    const std::size_t m_step;
    std::vector<Frame> m_open;
};

}  // namespace detail
}  // namespace kor
