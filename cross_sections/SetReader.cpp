#include "SetReader.h"

#include <kor/ShapeExport/ReadCrossSections.h>

#include <cmath>
#include <cstdint>
#include <iterator>

#if defined(__linux__)
#include <sys/mman.h>
#endif
#include <memory>
#include <string>
#include <vector>

#include <kor/DomReaderJson.h>

#include "JsonParse.h"
#include "SetReading.h"

namespace kor {
namespace ShapeExport {
namespace detail {

namespace {

// The events of the parser, fed to the builder as CrossSections::From(const Dom&)
// feeds it from the tree: what a value means follows from the role of the array or
// object it is in. Values in no role (and everything inside them) are passed over.
class SetEvents {
public:
    // `text`: where the parsed text begins, so that a number's place in it is known.
    SetEvents(SetBuilder& builder, const char* text) : m_builder(builder), m_text(text) {}

    // Whether the document is an object, and the byte offset of the first coordinate
    // of a point read that is not a finite number (npos: none).
    bool RootIsObject() const { return m_rootIsObject; }
    std::size_t NonFiniteOffset() const { return m_nonFinite; }

    bool Null() { return Value(kor::Dom()); }
    bool Bool(bool value) {
        if (!m_open.empty() && m_open.back().role == Role::Entry && m_open.back().count == 1) m_flag = value;
        return Value(kor::Dom(value));
    }
    bool String(const char*, rapidjson::SizeType, bool) { return Value(kor::Dom()); }
    bool RawNumber(const char* text, rapidjson::SizeType length, bool) {
        const kor::Dom value = kor::detail::NumberNode(text, length);
        if (!m_open.empty() && m_open.back().role == Role::Point && m_open.back().count < kCoordinates &&
            m_pointNonFinite == kNone && !std::isfinite(value.asDouble(0.0)))
            m_pointNonFinite = static_cast<std::size_t>(text - m_text);
        return Value(value);
    }
    bool Key(const char* text, rapidjson::SizeType length, bool) {
        m_key.assign(text, length);
        if (m_open.back().role == Role::Root)
            m_memberRole = m_builder.TakesOutlines(m_key) ? Role::Outlines
                           : m_builder.TakesParams(m_key) ? Role::Params
                                                          : Role::Skip;
        return true;
    }
    bool StartObject() { return Open(false); }
    bool StartArray() { return Open(true); }
    bool EndObject(rapidjson::SizeType) { return Close(); }
    bool EndArray(rapidjson::SizeType) { return Close(); }
    void Reset() {
        m_open.clear();
        m_builder.Reset();
        m_rootIsObject = false;
        m_nonFinite = kNone;
    }

private:
    // A point's coordinates: the first two elements of its array (any more are passed over).
    static constexpr std::size_t kCoordinates = 2;
    enum class Role : std::uint8_t { Skip, Root, Outlines, Points, Point, Sections, Section, Entry, Indices, Params };
    struct Frame {
        Role role;
        std::size_t count;  // elements or members begun so far
    };

    // A value (a container too) as an element or member of the open container: as
    // the tree reader reads it, by asDouble(0.0) or asInt(0).
    bool Value(const kor::Dom& value) {
        if (m_open.empty()) return true;
        Frame& parent = m_open.back();
        switch (parent.role) {
            case Role::Point:
                if (parent.count < kCoordinates) m_point[parent.count] = value.asDouble(0.0);
                break;
            case Role::Indices: m_builder.Index(value.asInt(0)); break;
            case Role::Params: m_builder.Parameter(m_key, value.asDouble(0.0)); break;
            case Role::Sections: m_builder.EndSection(); break;  // not a list of loop entries: dropped
            default: break;
        }
        ++parent.count;
        return true;
    }

    // The role of a container opened in the open one.
    Role RoleOf(bool array) const {
        if (m_open.empty()) return array ? Role::Skip : Role::Root;
        const Frame& parent = m_open.back();
        switch (parent.role) {
            case Role::Root: return m_memberRole == (array ? Role::Outlines : Role::Params) ? m_memberRole : Role::Skip;
            case Role::Outlines:
                return !array || parent.count > 1 ? Role::Skip : parent.count == 0 ? Role::Points : Role::Sections;
            case Role::Points: return array ? Role::Point : Role::Skip;
            case Role::Sections: return array ? Role::Section : Role::Skip;
            case Role::Section: return array ? Role::Entry : Role::Skip;
            case Role::Entry: return array && parent.count == 0 ? Role::Indices : Role::Skip;
            default: return Role::Skip;
        }
    }

    bool Open(bool array) {
        const Role role = RoleOf(array);
        if (role == Role::Skip)
            Value(kor::Dom());  // read as a number, a container gives 0.0 or 0
        else if (!m_open.empty())
            ++m_open.back().count;
        if (role == Role::Point) {
            m_point[0] = m_point[1] = 0.0;
            m_pointNonFinite = kNone;
        }
        if (role == Role::Points) m_builder.BeginPoints();
        if (role == Role::Root) m_rootIsObject = true;
        if (role == Role::Entry) m_flag = false;
        m_open.push_back(Frame{role, 0});
        return true;
    }

    bool Close() {
        const Frame frame = m_open.back();
        m_open.pop_back();
        switch (frame.role) {
            case Role::Point:
                m_builder.Point(frame.count, m_point[0], m_point[1]);
                if (frame.count >= 2 && m_nonFinite == kNone) m_nonFinite = m_pointNonFinite;
                break;
            case Role::Entry: m_builder.EndEntry(frame.count, m_flag); break;
            case Role::Section: m_builder.EndSection(); break;
            case Role::Outlines: m_builder.EndOutlines(frame.count); break;
            default: break;
        }
        return true;
    }

    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    SetBuilder& m_builder;
    const char* m_text;
    std::vector<Frame> m_open;
    bool m_rootIsObject = false;
    std::size_t m_nonFinite = kNone, m_pointNonFinite = kNone;
    Role m_memberRole = Role::Skip;
    std::string m_key;
    double m_point[kCoordinates] = {0.0, 0.0};
    bool m_flag = false;
};

// A large text buffer is touched once, front to back: in pages of 2 MB where the
// system offers them (Linux), it costs a few hundred page faults instead of one per
// 4 KB, which dominate the reading of a fresh buffer on some machines.
void AskForHugePages(char* data, std::size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHugePage = std::uintptr_t(2) << 20;
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(data) + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kHugePage - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}

}  // namespace

void ReadSet(CrossSections& set, std::istream& in, std::size_t length) {
    SetBuilder builder(set);
    {
        std::unique_ptr<char[]> text(new char[length + 1]);
        AskForHugePages(text.get(), length + 1);
        in.read(text.get(), static_cast<std::streamsize>(length));
        const std::size_t read = static_cast<std::size_t>(in.gcount());
        text[read] = '\0';
        SetEvents events(builder, text.get());
        if (!kor::detail::ParseJson(text.get(), read, true, events, text.get()).ok) builder.Reset();
    }
    builder.Finish();
}

}  // namespace detail

ReadResult ReadCrossSections(std::string text, CrossSections& set) {
    using Status = ReadResult::Status;
    ReadResult result;
    auto fail = [&result](Status status, std::size_t offset, std::string message) {
        result.status = status;
        result.offset = offset;
        result.message = std::move(message);
        return result;
    };
    if (text.empty()) return fail(Status::Empty, 0, "is empty");
    const std::size_t zero = text.find('\0');
    if (zero != std::string::npos)
        return fail(Status::NotJson, zero,
                    "not JSON text: a zero byte at byte offset " + std::to_string(zero) + " (UTF-16 or binary data?)");
    detail::SetBuilder builder(set);
    detail::SetEvents events(builder, text.data());
    const kor::detail::JsonOutcome outcome = kor::detail::ParseJson(text.data(), text.size(), false, events, &text[0]);
    if (!outcome.ok) return fail(Status::NotJson, outcome.offset, outcome.Message());
    if (!events.RootIsObject()) return fail(Status::NotCrossSections, 0, "the JSON document is not an object");
    if (!builder.HasPointList())
        return fail(Status::NotCrossSections, 0,
                    "not a cross-section document (expected \"Outlines\": [[points], [cross sections]])");
    result.sections = builder.Sections();
    result.dropped = builder.Dropped();
    result.nonFinite = events.NonFiniteOffset() != static_cast<std::size_t>(-1);
    result.offset = result.nonFinite ? events.NonFiniteOffset() : 0;
    builder.Finish();
    return result;
}

ReadResult ReadCrossSections(std::istream& in, CrossSections& set) {
    std::string text(std::istreambuf_iterator<char>(in), {});
    if (in.bad()) {
        ReadResult result;
        result.status = ReadResult::Status::Unreadable;
        result.message = "cannot be read";
        return result;
    }
    return ReadCrossSections(std::move(text), set);
}

}  // namespace ShapeExport
}  // namespace kor
