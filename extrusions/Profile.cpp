#include <kor/ShapeExport/Profile.h>

#include <cstddef>
#include <utility>

#include <kor/Dom.h>

namespace kor {
namespace ShapeExport {

Profile::Profile() = default;
Profile::Profile(const Profile& other) = default;
Profile::Profile(Profile&& other) noexcept = default;
Profile::~Profile() = default;

Profile& Profile::operator=(const Profile& other) {
    if (this != &other) m_positions = other.m_positions;
    return *this;
}

Profile& Profile::operator=(Profile&& other) noexcept {
    // A vector moved into itself would be emptied; guard it.
    if (this != &other) m_positions = std::move(other.m_positions);
    return *this;
}

bool Profile::from(const kor::Dom& node) {
    if (!node.has("Points")) return true;
    const kor::Dom& points = node["Points"];
    if (!points.isArray()) return true;
    const std::size_t n = points.size();
    if (m_positions.capacity() < m_positions.size() + n) m_positions.reserve(m_positions.size() + n);
    for (std::size_t i = 0; i < n; ++i) {
        m_positions.emplace_back();
        m_positions.back().from(points[i]);
    }
    return true;
}

}  // namespace ShapeExport
}  // namespace kor
