#include <kor/ShapeExport/Profile.h>

#include <cstddef>
#include <utility>

#include <kor/Dom.h>

#include "ReadArray.h"

namespace kor {
namespace ShapeExport {

Profile::Profile() = default;
Profile::Profile(const Profile& other) = default;
Profile::Profile(Profile&& other) noexcept = default;
Profile::~Profile() = default;

Profile& Profile::operator=(const Profile& other) = default;

Profile& Profile::operator=(Profile&& other) noexcept {
    // A vector moved into itself would be emptied; guard it.
    if (this != &other) m_positions = std::move(other.m_positions);
    return *this;
}

bool Profile::from(const kor::Dom& node) {
    AppendFromArray(m_positions, node, "Points");
    return true;
}

}  // namespace ShapeExport
}  // namespace kor
