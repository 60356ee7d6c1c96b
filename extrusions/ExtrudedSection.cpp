#include <kor/ShapeExport/ExtrudedSection.h>

#include <cstddef>
#include <utility>

#include <kor/Dom.h>

#include "ReadArray.h"

namespace kor {
namespace ShapeExport {

ExtrudedSection::ExtrudedSection() : m_exterior(true) {}
ExtrudedSection::ExtrudedSection(const ExtrudedSection& other) = default;
ExtrudedSection::ExtrudedSection(ExtrudedSection&& other) noexcept = default;
ExtrudedSection::~ExtrudedSection() = default;

ExtrudedSection& ExtrudedSection::operator=(const ExtrudedSection& other) = default;

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
    AppendFromArray(m_profiles, node, "Profiles");
    return true;
}

}  // namespace ShapeExport
}  // namespace kor
