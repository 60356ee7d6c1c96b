#include <kor/DomWriterJson.h>

#include <algorithm>
#include <cstddef>
#include <ostream>
#include <vector>

#include "JsonEmitter.h"

namespace kor {

namespace {

bool isNonEmptyContainer(const Dom& node) { return node.size() != 0 || !node.objects().empty(); }

// Walks the tree without recursion: one frame per open array or object.
void writeTree(detail::JsonEmitter& out, const Dom& root) {
    struct Frame {
        const Dom* elements;  // arrays are contiguous
        const Dom::Member* members;
        std::size_t count;
        std::size_t next;
    };
    std::vector<Frame> open;
    const Dom* pending = &root;  // the value to write next
    for (;;) {
        if (pending) {
            const Dom& node = *pending;
            pending = nullptr;
            switch (node.kind()) {
                case Dom::Kind::Empty: out.Null(); break;
                case Dom::Kind::Bool: out.Bool(node.asBool(false)); break;
                case Dom::Kind::Int: out.Int(node.asInt(0)); break;
                case Dom::Kind::Double: out.Double(node.asDouble(0.0)); break;
                case Dom::Kind::String: out.String(node.asStringRef()); break;
                case Dom::Kind::Array: {
                    const Dom* elements = node.size() != 0 ? &node[0] : nullptr;
                    out.BeginArray(std::any_of(elements, elements + node.size(), isNonEmptyContainer));
                    open.push_back(Frame{elements, nullptr, node.size(), 0});
                    break;
                }
                case Dom::Kind::Object:
                    out.BeginObject();
                    open.push_back(Frame{nullptr, node.objects().data(), node.objects().size(), 0});
                    break;
            }
        }
        if (open.empty()) return;
        Frame& frame = open.back();
        if (frame.next == frame.count) {
            open.pop_back();
            out.End();
            continue;
        }
        const std::size_t index = frame.next++;
        if (frame.members) {
            out.Key(frame.members[index].first);
            pending = &frame.members[index].second;
        } else {
            pending = frame.elements + index;
        }
    }
}

}  // namespace

std::string DomWriterJson::ToString(const Dom& dom, int indent, bool flatArraysOnOneLine) {
    std::string text;
    {
        detail::JsonSink sink(text);
        detail::JsonEmitter out(sink, indent, flatArraysOnOneLine);
        writeTree(out, dom);
    }
    return text;
}

void DomWriterJson::Write(std::ostream& stream, const Dom& dom, int indent, bool flatArraysOnOneLine) {
    detail::JsonSink sink(stream);
    detail::JsonEmitter out(sink, indent, flatArraysOnOneLine);
    writeTree(out, dom);
}

}  // namespace kor
