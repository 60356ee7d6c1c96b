// The JSON document form of loops, cross sections and sets (see CrossSections.h).
#include <kor/Dom.h>
#include <kor/ShapeExport/CrossSections.h>

#include "SetReader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kor {
namespace ShapeExport {

namespace {

// An index read from the document, kept to its low 32 bits as a signed int.
int LowBits(long long value) {
    return static_cast<int>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
}

}  // namespace

bool Loop::From(const kor::Dom& indices, bool exterior) {
    const std::size_t available = m_positions->size();
    const std::size_t count = indices.size();
    const std::size_t before = m_vertices.size();
    m_vertices.reserve(before + count);
    for (std::size_t i = 0; i < count; ++i) {
        const int v = LowBits(indices[i].asInt(0));
        if (v < 0 || static_cast<std::size_t>(v) >= available) continue;
        m_vertices.emplace_back(v, true);
    }
    // An interior list is stored in reverse: each index goes to the front, so the
    // indices read end up reversed ahead of the vertices the loop had.
    if (!exterior && m_vertices.size() > before) {
        const auto read = m_vertices.begin() + static_cast<std::ptrdiff_t>(before);
        std::reverse(read, m_vertices.end());
        std::rotate(m_vertices.begin(), read, m_vertices.end());
    }
    m_leftMost = -1;
    if (m_vertices.empty()) return false;
    if (m_vertices.front().Index() == m_vertices.back().Index()) m_vertices.pop_back();
    return m_vertices.size() > 2;
}

void Loop::To(kor::Dom& indices, bool exterior) const {
    if (exterior) {
        for (const Vertex& v : m_vertices) indices.append() = kor::Dom(v.Index());
    } else {
        for (auto it = m_vertices.rbegin(); it != m_vertices.rend(); ++it) indices.append() = kor::Dom(it->Index());
    }
}

bool CrossSection::From(const kor::Dom& entry) {
    const std::size_t count = entry.size();
    if (count == 0) return false;
    int exteriorCount = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const kor::Dom& element = entry[i];
        if (element.size() < 2) continue;
        const bool exterior = element[1].asBool(false);
        Loop* target = &m_exterior;
        if (exterior)
            ++exteriorCount;
        else
            target = &AddInteriorLoop();
        if (!target->From(element[0], exterior)) return false;
    }
    return exteriorCount == 1;
}

void CrossSection::To(kor::Dom& entries) const {
    kor::Dom& exterior = entries.append().toArray();
    m_exterior.To(exterior.append().toArray(), true);
    exterior.append() = kor::Dom(true);
    for (const Loop& loop : m_interiors) {
        kor::Dom& interior = entries.append().toArray();
        loop.To(interior.append().toArray(), false);
        interior.append() = kor::Dom(false);
    }
}

void CrossSections::From(std::istream& in) {
    in.seekg(0, std::ios::end);
    const std::streamoff length = in.tellg();
    in.seekg(0, std::ios::beg);
    if (length <= 0 || !in) return;
    detail::SetReader::Read(*this, in, static_cast<std::size_t>(length));
}

void CrossSections::From(const kor::Dom& document) {
    const kor::Dom& outlines = document.has("Outlines") ? document["Outlines"] : document["outlines"];
    if (outlines.size() >= 1) {
        const kor::Dom& points = outlines[0];
        const std::size_t pointCount = points.size();
        m_positions.reserve(m_positions.size() + pointCount);
        for (std::size_t i = 0; i < pointCount; ++i) {
            const kor::Dom& point = points[i];
            if (point.size() < 2) continue;
            m_positions.emplace_back(point[0].asDouble(0.0), point[1].asDouble(0.0));
        }
        if (outlines.size() == 1) {
            m_items.emplace_back(m_positions, true);
        } else {
            const kor::Dom& sections = outlines[1];
            const std::size_t sectionCount = sections.size();
            m_items.reserve(m_items.size() + sectionCount);
            for (std::size_t i = 0; i < sectionCount; ++i) {
                m_items.emplace_back(m_positions, false);
                if (!m_items.back().From(sections[i])) m_items.pop_back();
            }
        }
    }
    ConvertPositions(m_conversionFactor);
    m_parameters.clear();
    if (document.has("Params")) {
        const kor::Dom& params = document["Params"];
        if (params.isObject())
            for (const kor::Dom::Member& member : params.objects()) m_parameters[member.first] = member.second.asDouble(0.0);
    }
}

void CrossSections::To(kor::Dom& document) const {
    document["RefPoints"].toArray();
    kor::Dom& outlines = document["Outlines"].toArray();
    kor::Dom& points = outlines.append().toArray();
    for (const kor::Vec<2, double>& p : m_positions) {
        kor::Dom& point = points.append().toArray();
        point.append() = kor::Dom(p.x());
        point.append() = kor::Dom(p.y());
    }
    kor::Dom& sections = outlines.append().toArray();
    for (const CrossSection& item : m_items) item.To(sections.append().toArray());
    if (m_parameters.empty()) return;
    kor::Dom& params = document["Params"].toArray();
    for (const auto& parameter : m_parameters) params.append()[parameter.first] = kor::Dom(parameter.second);
}

}  // namespace ShapeExport
}  // namespace kor
