#include <kor/ShapeExport/Mesh.h>

#include <utility>

#include "Weld.h"

namespace kor {
namespace ShapeExport {

Mesh::Mesh(const wchar_t* name)
    : m_transform(kor::Mat<4, double>::Identity()), m_name(name != nullptr ? name : L"") {}

Mesh::Mesh(const Mesh& other) = default;

Mesh::Mesh(Mesh&& other) noexcept
    : m_positions(std::move(other.m_positions)),
      m_indices(std::move(other.m_indices)),
      m_transform(other.m_transform),
      m_name(std::move(other.m_name)) {
    // Moved-from containers are only "valid but unspecified"; promise empty ones.
    other.m_positions.clear();
    other.m_indices.clear();
    other.m_name.clear();
}

Mesh::Mesh(const Mesh& other, bool weld) : m_transform(other.m_transform), m_name(other.m_name) {
    if (weld) {
        detail::Weld(other.m_positions, other.m_indices, m_positions, m_indices);
    } else {
        m_positions = other.m_positions;
        m_indices = other.m_indices;
    }
}

Mesh::~Mesh() = default;

Mesh& Mesh::operator=(const Mesh& other) {
    if (this != &other) {
        m_positions = other.m_positions;
        m_indices = other.m_indices;
        m_transform = other.m_transform;
        m_name = other.m_name;
    }
    return *this;
}

Mesh& Mesh::operator=(Mesh&& other) noexcept {
    if (this != &other) {
        m_positions = std::move(other.m_positions);
        m_indices = std::move(other.m_indices);
        m_transform = other.m_transform;
        m_name = std::move(other.m_name);
        other.m_positions.clear();
        other.m_indices.clear();
        other.m_name.clear();
    }
    return *this;
}

}  // namespace ShapeExport
}  // namespace kor
