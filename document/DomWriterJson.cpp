#include <kor/DomWriterJson.h>

#include "JsonNumbers.h"

#include <cstddef>
#include <ostream>
#include <vector>

namespace kor {

namespace {

// Collects the text; with a stream attached it hands over whole chunks.
class TextSink {
public:
    explicit TextSink(std::ostream* stream) : m_stream(stream) {
        if (m_stream)
            m_text.reserve(kChunk + 1024);
    }

    void put(char c) {
        m_text.push_back(c);
        spill();
    }
    void put(const char* text, std::size_t length) {
        m_text.append(text, length);
        spill();
    }
    void spaces(std::size_t count) {
        m_text.append(count, ' ');
        spill();
    }
    void finish() {
        if (m_stream && !m_text.empty()) {
            m_stream->write(m_text.data(), static_cast<std::streamsize>(m_text.size()));
            m_text.clear();
        }
    }
    std::string take() { return std::move(m_text); }

private:
    static constexpr std::size_t kChunk = 1 << 16;

    void spill() {
        if (m_stream && m_text.size() >= kChunk)
            finish();
    }

    std::ostream* m_stream;
    std::string m_text;
};

void writeString(TextSink& sink, const std::string& text) {
    static const char hex[] = "0123456789abcdef";
    sink.put('"');
    const char* data = text.data();
    const std::size_t n = text.size();
    std::size_t plain = 0;  // start of the run of bytes copied unchanged
    for (std::size_t k = 0; k < n; ++k) {
        const unsigned char c = static_cast<unsigned char>(data[k]);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
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

// Writes a node that is not a non-empty container.
void writeLeaf(TextSink& sink, const Dom& node) {
    char buffer[json::kNumberTextSize];
    switch (node.kind()) {
    case Dom::Kind::Empty: sink.put("null", 4); break;
    case Dom::Kind::Bool: node.asBool(false) ? sink.put("true", 4) : sink.put("false", 5); break;
    case Dom::Kind::Int: sink.put(buffer, json::formatInt(node.asInt(0), buffer)); break;
    case Dom::Kind::Double: sink.put(buffer, json::formatDouble(node.asDouble(0.0), buffer)); break;
    case Dom::Kind::String: writeString(sink, node.asStringRef()); break;
    case Dom::Kind::Array: sink.put("[]", 2); break;
    case Dom::Kind::Object: sink.put("{}", 2); break;
    }
}

std::size_t childCount(const Dom& node) { return node.isObject() ? node.objects().size() : node.size(); }

void writeTree(TextSink& sink, const Dom& root, int indent) {
    struct Frame {
        const Dom* node;
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
            if (childCount(node) == 0) {
                writeLeaf(sink, node);
            } else {
                sink.put(node.isObject() ? '{' : '[');
                stack.push_back(Frame{&node, 0});
            }
        }
        if (stack.empty())
            return;
        Frame& frame = stack.back();
        const Dom& node = *frame.node;
        const std::size_t count = childCount(node);
        if (frame.next == count) {
            stack.pop_back();
            if (pretty) {
                sink.put('\n');
                sink.spaces(step * stack.size());
            }
            sink.put(node.isObject() ? '}' : ']');
            continue;
        }
        if (frame.next > 0)
            sink.put(',');
        if (pretty) {
            sink.put('\n');
            sink.spaces(step * stack.size());
        }
        const std::size_t index = frame.next++;
        if (node.isObject()) {
            const Dom::Member& member = node.objects()[index];
            writeString(sink, member.first);
            pretty ? sink.put(": ", 2) : sink.put(':');
            pending = &member.second;
        } else {
            pending = &node[index];
        }
    }
}

}  // namespace

std::string DomWriterJson::ToString(const Dom& dom, int indent) {
    TextSink sink(nullptr);
    writeTree(sink, dom, indent);
    return sink.take();
}

void DomWriterJson::Write(std::ostream& stream, const Dom& dom, int indent) {
    TextSink sink(&stream);
    writeTree(sink, dom, indent);
    sink.finish();
}

}  // namespace kor
