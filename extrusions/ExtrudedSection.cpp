#include <kor/ShapeExport/ExtrudedSection.h>

#include <cstddef>
#include <utility>

#include <kor/Dom.h>

namespace kor {
namespace ShapeExport {

ExtrudedSection::ExtrudedSection() : m_exterior(true) {}
ExtrudedSection::ExtrudedSection(const ExtrudedSection& other) = default;
ExtrudedSection::ExtrudedSection(ExtrudedSection&& other) noexcept = default;
ExtrudedSection::~ExtrudedSection() = default;

ExtrudedSection& ExtrudedSection::operator=(const ExtrudedSection& other) {
    if (this != &other) {
        m_profiles = other.m_profiles;
        m_exterior = other.m_exterior;
    }
    return *this;
}

ExtrudedSection& ExtrudedSection::operator=(ExtrudedSection&& other) noexcept {
    if (this != &other) {
        m_profiles = std::move(other.m_profiles);
        m_exterior = other.m_exterior;
    }
    return *this;
}

bool ExtrudedSection::from(const kor::Dom& node) {
    // The flag is read before, and independently of, the profiles.
    if (node.has("Exterior")) m_exterior = node["Exterior"].asBool(false);
    if (!node.has("Profiles")) return true;
    const kor::Dom& profiles = node["Profiles"];
    if (!profiles.isArray()) return true;
    const std::size_t n = profiles.size();
    if (m_profiles.capacity() < m_profiles.size() + n) m_profiles.reserve(m_profiles.size() + n);
    for (std::size_t i = 0; i < n; ++i) {
        m_profiles.emplace_back();
        m_profiles.back().from(profiles[i]);
    }
    return true;
}

}  // namespace ShapeExport
}  // namespace kor
