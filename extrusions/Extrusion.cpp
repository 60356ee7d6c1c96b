#include <kor/ShapeExport/Extrusion.h>

#include <cstddef>
#include <utility>

#include <kor/Dom.h>

namespace kor {
namespace ShapeExport {

Extrusion::Extrusion() = default;
Extrusion::Extrusion(const Extrusion& other) = default;
Extrusion::Extrusion(Extrusion&& other) noexcept = default;
Extrusion::~Extrusion() = default;

Extrusion& Extrusion::operator=(const Extrusion& other) {
    if (this != &other) m_sections = other.m_sections;
    return *this;
}

Extrusion& Extrusion::operator=(Extrusion&& other) noexcept {
    if (this != &other) m_sections = std::move(other.m_sections);
    return *this;
}

bool Extrusion::from(const kor::Dom& node) {
    if (!node.has("Sections")) return true;
    const kor::Dom& sections = node["Sections"];
    if (!sections.isArray()) return true;
    const std::size_t n = sections.size();
    if (m_sections.capacity() < m_sections.size() + n) m_sections.reserve(m_sections.size() + n);
    for (std::size_t i = 0; i < n; ++i) {
        m_sections.emplace_back();
        m_sections.back().from(sections[i]);
    }
    return true;
}

}  // namespace ShapeExport
}  // namespace kor
