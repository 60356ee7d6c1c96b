// CrossSections::Write: the text of the document that To fills, written straight
// from the set, laid out as DomWriterJson lays it out.
#include <kor/Dom.h>
#include <kor/DomWriterJson.h>
#include <kor/ShapeExport/CrossSections.h>

#include <algorithm>
#include <cstddef>
#include <ostream>
#include <string>

namespace kor {
namespace ShapeExport {

namespace {

// Collects the text in a buffer and hands it to the stream whenever it is full.
class TextOut {
public:
    TextOut(std::ostream& out, int indent, bool flatArraysOnOneLine)
        : m_out(out),
          m_pretty(indent >= 0),
          m_flat(indent >= 0 && flatArraysOnOneLine),
          m_step(indent >= 0 ? static_cast<std::size_t>(indent) : 0) {}
    ~TextOut() { Flush(); }

    bool Flat() const { return m_flat; }
    void Put(char c) {
        Room(1);
        *m_p++ = c;
    }
    void Put(const char* text, std::size_t length) {
        Room(length);
        if (length > kSize) {  // a long key: straight to the stream
            m_out.write(text, static_cast<std::streamsize>(length));
            return;
        }
        m_p = std::copy(text, text + length, m_p);
    }
    void Int(int value) {
        Room(kor::DomWriterJson::kNumberSize);
        m_p += kor::DomWriterJson::FormatInteger(value, m_p);
    }
    void Double(double value) {
        Room(kor::DomWriterJson::kNumberSize);
        m_p += kor::DomWriterJson::FormatNumber(value, m_p);
    }
    // A point [x, y] at `depth`, compact in one go (the bulk of a document).
    void Point(const kor::Vec<2, double>& point, std::size_t depth) {
        if (m_pretty) {
            Put('[');
            Next(true, depth + 1, m_flat);
            Double(point.x());
            Next(false, depth + 1, m_flat);
            Double(point.y());
            return Close(']', depth, m_flat);
        }
        Room(2 * kor::DomWriterJson::kNumberSize + 3);
        *m_p++ = '[';
        m_p += kor::DomWriterJson::FormatNumber(point.x(), m_p);
        *m_p++ = ',';
        m_p += kor::DomWriterJson::FormatNumber(point.y(), m_p);
        *m_p++ = ']';
    }
    void Key(const std::string& key) {
        const std::string quoted = kor::DomWriterJson::ToString(kor::Dom(key));  // escaped as the writer escapes
        Put(quoted.data(), quoted.size());
        m_pretty ? Put(": ", 2) : Put(':');
    }
    // Before an element of an array or object whose elements are at `depth`; `row`:
    // the array stays on one line.
    void Next(bool first, std::size_t depth, bool row = false) {
        if (!first) Put(',');
        if (row ? !first : m_pretty) Put(row ? ' ' : '\n');
        if (!row && m_pretty) Spaces(m_step * depth);
    }
    // The closing bracket of a non-empty array or object at `depth`.
    void Close(char bracket, std::size_t depth, bool row = false) {
        if (!row && m_pretty) {
            Put('\n');
            Spaces(m_step * depth);
        }
        Put(bracket);
    }

private:
    static constexpr std::size_t kSize = 1 << 14;

    void Room(std::size_t count) {
        if (static_cast<std::size_t>(m_buffer + kSize - m_p) < count) Flush();
    }
    void Spaces(std::size_t count) {
        for (std::size_t part; count > 0; count -= part) {
            part = std::min(count, kSize / 2);
            Room(part);
            m_p = std::fill_n(m_p, part, ' ');
        }
    }
    void Flush() {
        m_out.write(m_buffer, m_p - m_buffer);
        m_p = m_buffer;
    }

    std::ostream& m_out;
    const bool m_pretty;
    const bool m_flat;
    const std::size_t m_step;
    char m_buffer[kSize];
    char* m_p = m_buffer;
};

// An index list at `depth` (a list of a loop entry): in vertex order, or reversed.
void WriteIndices(TextOut& out, const Loop& loop, bool reversed, std::size_t depth) {
    const std::vector<Vertex>& vertices = loop.Vertices();
    if (vertices.empty()) return out.Put("[]", 2);
    out.Put('[');
    for (std::size_t k = 0; k < vertices.size(); ++k) {
        out.Next(k == 0, depth + 1, out.Flat());
        out.Int(vertices[reversed ? vertices.size() - 1 - k : k].Index());
    }
    out.Close(']', depth, out.Flat());
}

// A loop entry [indices, exterior] at `depth`.
void WriteEntry(TextOut& out, const Loop& loop, bool exterior, std::size_t depth) {
    const bool row = out.Flat() && loop.Vertices().empty();
    out.Put('[');
    out.Next(true, depth + 1, row);
    WriteIndices(out, loop, !exterior, depth + 1);
    out.Next(false, depth + 1, row);
    exterior ? out.Put("true", 4) : out.Put("false", 5);
    out.Close(']', depth, row);
}

}  // namespace

void CrossSections::Write(std::ostream& stream, int indent, bool flatArraysOnOneLine) const {
    TextOut out(stream, indent, flatArraysOnOneLine);
    out.Put('{');
    out.Next(true, 1);
    out.Key("RefPoints");
    out.Put("[]", 2);
    out.Next(false, 1);
    out.Key("Outlines");
    // [[points], [cross sections]] at depth 1.
    const bool flatOutlines = out.Flat() && m_positions.empty() && m_items.empty();
    out.Put('[');
    out.Next(true, 2, flatOutlines);
    if (m_positions.empty()) {
        out.Put("[]", 2);
    } else {
        out.Put('[');
        for (std::size_t i = 0; i < m_positions.size(); ++i) {
            out.Next(i == 0, 3);
            out.Point(m_positions[i], 3);
        }
        out.Close(']', 2);
    }
    out.Next(false, 2, flatOutlines);
    if (m_items.empty()) {
        out.Put("[]", 2);
    } else {
        out.Put('[');
        for (std::size_t i = 0; i < m_items.size(); ++i) {
            const CrossSection& item = m_items[i];
            out.Next(i == 0, 3);
            out.Put('[');  // the item's entries: never empty, the exterior one is always there
            out.Next(true, 4);
            WriteEntry(out, item.ExteriorLoop(), true, 4);
            for (const Loop& hole : item.InteriorLoops()) {
                out.Next(false, 4);
                WriteEntry(out, hole, false, 4);
            }
            out.Close(']', 3);
        }
        out.Close(']', 2);
    }
    out.Close(']', 1, flatOutlines);
    if (!m_parameters.empty()) {
        // [{"key": value}, ...] at depth 1.
        out.Next(false, 1);
        out.Key("Params");
        out.Put('[');
        bool first = true;
        for (const auto& parameter : m_parameters) {
            out.Next(first, 2);
            first = false;
            out.Put('{');
            out.Next(true, 3);
            out.Key(parameter.first);
            out.Double(parameter.second);
            out.Close('}', 2);
        }
        out.Close(']', 1);
    }
    out.Close('}', 0);
}

}  // namespace ShapeExport
}  // namespace kor
