#include "SetReader.h"

#include <kor/Dom.h>
#include <kor/DomReaderJson.h>
#include <kor/ShapeExport/CrossSections.h>

#include <rapidjson/reader.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <istream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kor {
namespace ShapeExport {
namespace detail {

namespace {

// The first `length` bytes of a stream (fewer when it ends first), seen through a
// window that moves on in chunks. The bytes in the window are followed by a zero
// byte, which ends the text for RapidJSON as a zero byte in the text does (and as
// it ends the text DomReaderJson::FromString reads). The reader's handler moves the
// window on whenever fewer than kAhead bytes are left in it, so that the parser,
// which reads one token between two calls of the handler, meets the window's end
// only on a token or a run of white space longer than that: then `Cut`.
struct Window {
    static constexpr std::size_t kAhead = 4096, kChunk = 1 << 16;

    // Keeps the bytes from `p` on and reads more after them.
    void Fill() {
        const std::size_t kept = static_cast<std::size_t>(end - p);
        std::memmove(data, p, kept);
        start += static_cast<std::size_t>(p - data);
        const std::size_t wanted = std::min(left, kChunk);
        in->read(data + kept, static_cast<std::streamsize>(wanted));
        const std::size_t got = static_cast<std::size_t>(in->gcount());
        left = got < wanted ? 0 : left - got;
        p = data;
        end = data + kept + got;
        *end = '\0';
    }
    void Ahead() {
        if (static_cast<std::size_t>(end - p) < kAhead && left > 0) Fill();
    }
    // The parser stopped at the window's end, not at the end of the text.
    bool Cut() const { return p >= end && left > 0; }
    // Only white space follows, up to the end of the text or a zero byte.
    bool RestIsBlank() {
        for (;; Fill()) {
            for (; p < end; ++p)
                if (*p != ' ' && *p != '\t' && *p != '\n' && *p != '\r') return *p == '\0';
            if (left == 0) return true;
        }
    }
    // Reads the rest of the `length` bytes, as reading them at once would.
    void Drain() {
        while (left > 0) {
            p = end;
            Fill();
        }
    }

    std::istream* in;
    std::size_t left;     // bytes of the stream still to read
    std::size_t start;    // offset in the text of data[0]
    char* p;              // the parser's position
    char* end;            // of the bytes in the window
    std::string decoded;  // the characters of the last string or key
    char data[kAhead + kChunk + 1];
};

// The text for RapidJSON's in-situ mode, as DomReaderJson reads it: a number
// reaches the handler as its length (its characters end at the window's position),
// the characters of strings and keys go to `decoded`. Every copy of the stream
// reads at the window's one position.
class WindowStream {
public:
    typedef char Ch;

    explicit WindowStream(Window& window) : m_w(&window) {}

    Ch Peek() const { return *m_w->p; }
    Ch Take() { return *m_w->p++; }
    std::size_t Tell() const { return m_w->start + static_cast<std::size_t>(m_w->p - m_w->data); }
    Ch* PutBegin() {
        m_w->decoded.clear();
        return m_w->p;
    }
    void Put(Ch c) { m_w->decoded.push_back(c); }
    std::size_t PutEnd(Ch*) { return m_w->decoded.size(); }
    void Flush() {}

private:
    Window* m_w;
};

}  // namespace
}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor

namespace rapidjson {
template <>
struct StreamTraits<kor::ShapeExport::detail::WindowStream> {
    enum { copyOptimization = 1 };
};
}  // namespace rapidjson

namespace kor {
namespace ShapeExport {
namespace detail {

namespace {

// The same dialect as DomReaderJson.
constexpr unsigned kParseFlags = rapidjson::kParseIterativeFlag | rapidjson::kParseInsituFlag |
                                 rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseNanAndInfFlag;

// An index as Loop::From takes it: asInt(0) of the number, kept to its low 32 bits.
int IndexOf(const char* text, std::size_t length) {
    if (length <= 9) {  // the usual small index, read directly
        int value = 0;
        std::size_t k = 0;
        for (; k < length && text[k] >= '0' && text[k] <= '9'; ++k) value = value * 10 + (text[k] - '0');
        if (k == length) return value;
    }
    const long long value = kor::DomReaderJson::ParseNumber(text, length).asInt(0);
    return static_cast<int>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
}

}  // namespace

// SAX handler that reads the parts of the document that CrossSections::From reads,
// as it reads them: what each value means follows from the role of the array or
// object it is in. Points and cross sections (as flat index lists) are gathered
// and given to the set once the whole text has parsed.
struct SetReader::Handler : rapidjson::BaseReaderHandler<rapidjson::UTF8<>, Handler> {
    enum class Role : std::uint8_t { Skip, Root, Outlines, Points, Point, Sections, Section, Entry, Indices, Params };
    struct Frame {
        Role role;
        std::uint32_t count;  // elements or members begun so far
    };
    struct Span {
        std::size_t begin, end;  // in `vertices`
    };
    struct Section {
        std::size_t firstLoop, exteriorLoop;  // in `loops`; the section's loops run to the next one's first
    };

    Handler(CrossSections& s, Window& w)
        : set(s), window(w), positionsBefore(s.m_positions.size()), pointCount(positionsBefore) {
        stack.reserve(DomReaderJson::kMaxDepth);
    }

    bool Null() { return Scalar(); }
    bool Bool(bool value) {
        if (!stack.empty() && stack.back().role == Role::Entry && stack.back().count == 1) flag = value;
        return Scalar();
    }
    bool String(const char*, rapidjson::SizeType, bool) { return Scalar(); }
    bool RawNumber(const char*, rapidjson::SizeType length, bool) {
        const char* text = window.p - length;
        if (stack.empty()) return true;
        Frame& parent = stack.back();
        switch (parent.role) {
            case Role::Point:
                if (parent.count < 2) point[parent.count] = DomReaderJson::ParseNumber(text, length).asDouble(0.0);
                break;
            case Role::Indices: AddIndex(IndexOf(text, length)); break;
            case Role::Params:
                parameters.emplace_back(std::move(key), DomReaderJson::ParseNumber(text, length).asDouble(0.0));
                break;
            default: break;
        }
        ++parent.count;
        window.Ahead();
        return true;
    }
    bool Key(const char*, rapidjson::SizeType length, bool) {
        window.Ahead();
        const char* text = window.decoded.data();
        if (stack.back().role == Role::Root)
            memberRole = MemberRole(text, length);
        else if (stack.back().role == Role::Params)
            key.assign(text, length);
        return true;
    }
    bool StartObject() { return Start(false); }
    bool StartArray() { return Start(true); }
    bool EndObject(rapidjson::SizeType) { return End(); }
    bool EndArray(rapidjson::SizeType) { return End(); }

    // A value that is no number (or a container where a number or flag may be): 0,
    // 0.0 or false.
    bool Scalar() {
        window.Ahead();
        if (stack.empty()) return true;
        Frame& parent = stack.back();
        if (parent.role == Role::Point && parent.count < 2) point[parent.count] = 0.0;
        if (parent.role == Role::Indices) AddIndex(0);
        if (parent.role == Role::Params) parameters.emplace_back(std::move(key), 0.0);
        ++parent.count;
        return true;
    }

    bool Start(bool array) {
        window.Ahead();
        if (stack.size() >= DomReaderJson::kMaxDepth) return false;  // as DomReaderJson fails
        Role role = Role::Skip;
        if (stack.empty()) {
            role = array ? Role::Skip : Role::Root;
        } else {
            const Frame& parent = stack.back();
            switch (parent.role) {
                case Role::Root:
                    if (memberRole == Role::Outlines ? array : memberRole == Role::Params && !array) role = memberRole;
                    break;
                case Role::Outlines:
                    if (array && parent.count < 2) role = parent.count == 0 ? Role::Points : Role::Sections;
                    break;
                case Role::Points: role = array ? Role::Point : Role::Skip; break;
                case Role::Sections: role = array ? Role::Section : Role::Skip; break;
                case Role::Section: role = array ? Role::Entry : Role::Skip; break;
                case Role::Entry: role = array && parent.count == 0 ? Role::Indices : Role::Skip; break;
                default: break;
            }
            if (role == Role::Skip)
                Scalar();
            else
                ++stack.back().count;
        }
        if (role == Role::Point) point[0] = point[1] = 0.0;
        if (role == Role::Section) {
            exteriorCount = 0;
            sectionFailed = false;
            sectionStart = Section{loops.size(), loops.size()};
            sectionVertices = vertices.size();
        }
        if (role == Role::Entry) {
            flag = false;
            entryStart = vertices.size();
        }
        stack.push_back(Frame{role, 0});
        return true;
    }

    bool End() {
        window.Ahead();
        const Frame frame = stack.back();
        stack.pop_back();
        if (frame.role == Role::Point && frame.count >= 2) AddPoint();
        if (frame.role == Role::Entry) EndEntry(frame.count);
        if (frame.role == Role::Section) {
            if (sectionFailed || exteriorCount != 1) {
                loops.resize(sectionStart.firstLoop);
                vertices.resize(sectionVertices);
            } else {
                sections.push_back(sectionStart);
            }
        }
        if (frame.role == Role::Outlines) fill = frame.count == 1;
        return true;
    }

    // The role of the value of a member of the document object: the first
    // "Outlines" (which replaces what an earlier "outlines" gave), else the first
    // "outlines", and the first "Params".
    Role MemberRole(const char* text, std::size_t length) {
        auto is = [&](const char* name) { return length == std::strlen(name) && std::memcmp(text, name, length) == 0; };
        if (is("Outlines") && !seenOutlines) {
            seenOutlines = true;
            DropOutlines();
            return Role::Outlines;
        }
        if (is("outlines") && !seenOutlines && !seenLowerOutlines) {
            seenLowerOutlines = true;
            return Role::Outlines;
        }
        if (is("Params") && !seenParams) {
            seenParams = true;
            return Role::Params;
        }
        return Role::Skip;
    }

    void DropOutlines() {
        points.clear();
        pointCount = positionsBefore;
        vertices.clear();
        loops.clear();
        sections.clear();
        fill = false;
    }

    // An index of a loop entry's list: kept, as Loop::From keeps it, when it names a
    // position.
    void AddIndex(int index) {
        if (index >= 0 && static_cast<std::size_t>(index) < pointCount) vertices.push_back(index);
    }

    // Points are gathered in blocks: no block moves as they grow, and each is small
    // enough to come from memory the heap already holds.
    void AddPoint() {
        if (points.empty() || points.back().size() == kBlock) {
            points.emplace_back();
            points.back().reserve(kBlock);
        }
        points.back().emplace_back(point[0], point[1]);
        ++pointCount;
    }

    // The end of a loop entry with `count` elements: what CrossSection::From and
    // Loop::From do with it, on the vertices kept from its list.
    void EndEntry(std::uint32_t count) {
        if (count < 2 || sectionFailed) {
            vertices.resize(entryStart);
            return;
        }
        // A second exterior loop fails the cross section, whatever the loop read.
        if (flag && ++exteriorCount > 1) sectionFailed = true;
        // A hole list is stored in reverse; a closing repeat is dropped; a loop needs
        // more than 2 vertices.
        if (!flag) std::reverse(vertices.begin() + static_cast<std::ptrdiff_t>(entryStart), vertices.end());
        if (vertices.size() > entryStart && vertices[entryStart] == vertices.back()) vertices.pop_back();
        if (vertices.size() - entryStart <= 2) sectionFailed = true;
        if (sectionFailed) {
            vertices.resize(entryStart);
            return;
        }
        if (flag) sectionStart.exteriorLoop = loops.size();
        loops.push_back(Span{entryStart, vertices.size()});
    }

    // Gives the set the points and the cross sections read (the text has parsed).
    void AddPointsAndItems() {
        set.m_positions.reserve(pointCount);
        for (const auto& block : points) set.m_positions.insert(set.m_positions.end(), block.begin(), block.end());
        points.clear();
        std::vector<CrossSection>& items = set.m_items;
        items.reserve(items.size() + sections.size() + (fill ? 1 : 0));
        if (fill) items.emplace_back(set.m_positions, true);
        // Loops are filled in `scratch` and copied, which allocates exactly once.
        Loop scratch(set.m_positions, false);
        const Loop empty;
        auto copyLoop = [&](const Span& span, Loop& target) {
            scratch = empty;
            for (std::size_t k = span.begin; k < span.end; ++k) scratch.AddVertex(vertices[k], true);
            target = scratch;
        };
        for (std::size_t s = 0; s < sections.size(); ++s) {
            const std::size_t endLoop = s + 1 < sections.size() ? sections[s + 1].firstLoop : loops.size();
            items.emplace_back(set.m_positions, false);
            CrossSection& item = items.back();
            copyLoop(loops[sections[s].exteriorLoop], item.GetExteriorLoop());
            item.GetInteriorLoops().reserve(endLoop - sections[s].firstLoop - 1);
            for (std::size_t l = sections[s].firstLoop; l < endLoop; ++l)
                if (l != sections[s].exteriorLoop) copyLoop(loops[l], item.AddInteriorLoop());
        }
    }

    static constexpr std::size_t kBlock = 4096;

    CrossSections& set;
    Window& window;
    const std::size_t positionsBefore;
    std::size_t pointCount;  // the set's positions and the points read
    std::vector<std::vector<kor::Vec<2, double>>> points;
    std::vector<Frame> stack;
    Role memberRole = Role::Skip;
    bool seenOutlines = false, seenLowerOutlines = false, seenParams = false;
    bool fill = false;  // "Outlines" holds only the points: one item over them all
    double point[2] = {0.0, 0.0};
    std::vector<int> vertices;
    std::vector<Span> loops;
    std::vector<Section> sections;
    Section sectionStart{0, 0};
    std::size_t sectionVertices = 0, entryStart = 0;
    int exteriorCount = 0;
    bool sectionFailed = false, flag = false;
    std::string key;
    std::vector<std::pair<std::string, double>> parameters;
};

void SetReader::Read(CrossSections& set, std::istream& in, std::size_t length) {
    std::unique_ptr<Window> window(new Window);
    window->in = &in;
    window->left = length;
    window->start = 0;
    window->p = window->end = window->data;
    window->Fill();
    WindowStream stream(*window);
    Handler handler(set, *window);
    // A byte order mark is skipped; other text that begins with its first byte is no JSON.
    const bool marked = stream.Peek() == '\xEF';
    const bool started = !marked || (stream.Take() && stream.Take() == '\xBB' && stream.Take() == '\xBF');
    rapidjson::ParseResult result;
    if (started) result = rapidjson::Reader().Parse<kParseFlags>(stream, handler);
    // RapidJSON may have taken the window's end for the end of the text.
    const bool cut = result.IsError() && window->Cut();
    const bool parsed = started && !result.IsError() && (!window->Cut() || window->RestIsBlank());
    window->Drain();
    window.reset();
    if (result.Code() == rapidjson::kParseErrorNumberTooBig || cut) {
        // DomReaderJson reads numbers too big for RapidJSON after a rewrite of the
        // text, and there is no window for a token of thousands of bytes: take the
        // tree reader's result.
        handler.DropOutlines();
        return ReadTree(set, in, length);
    }
    if (!parsed) {
        handler.DropOutlines();
        set.From(kor::Dom());  // what an empty document gives
        return;
    }
    handler.AddPointsAndItems();
    set.ConvertPositions(set.m_conversionFactor);
    set.m_parameters.clear();
    for (auto& parameter : handler.parameters) set.m_parameters[std::move(parameter.first)] = parameter.second;
}

// Reads the stream again the plain way: the whole text in one buffer, parsed into a
// document tree, the tree read into the set.
void SetReader::ReadTree(CrossSections& set, std::istream& in, std::size_t length) {
    in.clear();
    in.seekg(0, std::ios::beg);
    std::unique_ptr<char[]> text(new char[length + 1]);
    in.read(text.get(), static_cast<std::streamsize>(length));
    text[static_cast<std::size_t>(in.gcount())] = '\0';
    kor::Dom document;
    kor::DomReaderJson::FromString(document, text.get(), nullptr);
    text.reset();
    set.From(document);
}

}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
