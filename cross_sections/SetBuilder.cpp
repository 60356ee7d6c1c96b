#include <algorithm>

#include "SetReading.h"

namespace kor {
namespace ShapeExport {
namespace detail {

bool FinishLoop(std::vector<Vertex>& vertices, std::size_t first, std::size_t before, bool exterior) {
    const auto start = vertices.begin() + static_cast<std::ptrdiff_t>(first);
    if (!exterior) {
        const auto read = vertices.begin() + static_cast<std::ptrdiff_t>(before);
        std::reverse(read, vertices.end());
        std::rotate(start, read, vertices.end());
    }
    if (vertices.size() == first) return false;
    if (vertices[first].Index() == vertices.back().Index()) vertices.pop_back();
    return vertices.size() - first > 2;
}

SetBuilder::SetBuilder(CrossSections& set)
    : m_set(set), m_positionsBefore(set.m_positions.size()), m_positions(m_positionsBefore) {}

bool SetBuilder::TakesOutlines(const std::string& key) {
    if (key == "Outlines" && !m_upperOutlines) {
        m_upperOutlines = true;
        DropOutlines();
        return true;
    }
    if (key == "outlines" && !m_upperOutlines && !m_lowerOutlines) {
        m_lowerOutlines = true;
        return true;
    }
    return false;
}

bool SetBuilder::TakesParams(const std::string& key) {
    if (key != "Params" || m_params) return false;
    m_params = true;
    return true;
}

void SetBuilder::EndEntry(std::size_t elements, bool exterior) {
    const std::size_t begin = m_entryVertices;
    if (SectionEntries::IsLoop(elements) && m_entries.Read(exterior, FinishLoop(m_vertices, begin, begin, exterior)))
        m_loops.push_back(LoopSpan{begin, m_vertices.size(), exterior});
    else
        m_vertices.erase(m_vertices.begin() + static_cast<std::ptrdiff_t>(begin), m_vertices.end());
    m_entryVertices = m_vertices.size();
}

void SetBuilder::EndSection() {
    ++m_sectionCount;
    if (m_entries.Valid()) {
        m_sections.push_back(m_sectionLoops);
    } else {
        m_vertices.erase(m_vertices.begin() + static_cast<std::ptrdiff_t>(m_sectionVertices), m_vertices.end());
        m_loops.erase(m_loops.begin() + static_cast<std::ptrdiff_t>(m_sectionLoops), m_loops.end());
    }
    m_sectionLoops = m_loops.size();
    m_sectionVertices = m_entryVertices = m_vertices.size();
    m_entries = SectionEntries();
}

void SetBuilder::DropOutlines() {
    m_points.clear();
    m_positions = m_positionsBefore;
    m_vertices.clear();
    m_loops.clear();
    m_sections.clear();
    m_sectionLoops = m_sectionVertices = m_entryVertices = 0;
    m_entries = SectionEntries();
    m_fill = m_pointList = false;
    m_sectionCount = 0;
}

void SetBuilder::Reset() {
    DropOutlines();
    m_upperOutlines = m_lowerOutlines = m_params = false;
    m_parameters.clear();
}

void SetBuilder::Finish() {
    std::vector<kor::Vec<2, double>>& positions = m_set.m_positions;
    positions.reserve(m_positions);
    for (const auto& block : m_points) positions.insert(positions.end(), block.begin(), block.end());
    m_points.clear();

    std::vector<CrossSection>& items = m_set.m_items;
    items.reserve(items.size() + m_sections.size() + (m_fill ? 1 : 0));
    if (m_fill) items.emplace_back(positions, true);
    for (std::size_t s = 0; s < m_sections.size(); ++s) {
        items.emplace_back(positions, false);
        CrossSection& item = items.back();
        const std::size_t end = s + 1 < m_sections.size() ? m_sections[s + 1] : m_loops.size();
        item.GetInteriorLoops().reserve(end - m_sections[s] - 1);  // one loop is the exterior one
        for (std::size_t l = m_sections[s]; l < end; ++l) {
            const LoopSpan& span = m_loops[l];
            Loop loop(positions, std::vector<Vertex>(m_vertices.begin() + static_cast<std::ptrdiff_t>(span.begin),
                                                     m_vertices.begin() + static_cast<std::ptrdiff_t>(span.end)));
            if (span.exterior)
                item.GetExteriorLoop() = loop;
            else
                item.GetInteriorLoops().push_back(loop);
        }
    }

    m_set.ConvertPositions(m_set.m_conversionFactor);
    m_set.m_parameters.clear();
    for (auto& parameter : m_parameters) m_set.m_parameters[std::move(parameter.first)] = parameter.second;
}

}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
