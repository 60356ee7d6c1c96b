#include <kor/ShapeExport/Mesh.h>

#include <cstddef>
#include <type_traits>
#include <utility>

#include <assimp/mesh.h>

#include "Weld.h"

namespace kor {
namespace ShapeExport {

Mesh::Mesh(const wchar_t* name) : m_transform(kor::Mat<4, double>::Identity()), m_name(name != nullptr ? name : L"") {}

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

Mesh& Mesh::operator=(const Mesh& other) = default;

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

// Appending an Assimp mesh reads the layouts of aiMesh, aiFace and aiVector3D in
// place; no Assimp function is called and the library does not link Assimp.
static_assert(sizeof(aiVector3D) == 3 * sizeof(float) && std::is_same<decltype(aiVector3D::x), ai_real>::value &&
                  std::is_same<ai_real, float>::value,
              "aiVector3D is read as three single-precision floats");

void Mesh::fromOBJ(const aiMesh* mesh, const Matrix& matrix) {
    if (mesh == nullptr) return;

    const std::size_t nv = mesh->mVertices != nullptr ? mesh->mNumVertices : 0u;
    if (m_positions.capacity() < m_positions.size() + nv) m_positions.reserve(m_positions.size() + nv);
    for (std::size_t k = 0; k < nv; ++k) {
        const aiVector3D& v = mesh->mVertices[k];
        m_positions.emplace_back(static_cast<double>(v.x), static_cast<double>(v.y), static_cast<double>(v.z), matrix);
    }

    const std::size_t nf = mesh->mFaces != nullptr ? mesh->mNumFaces : 0u;
    if (m_indices.capacity() < m_indices.size() + 3 * nf) m_indices.reserve(m_indices.size() + 3 * nf);
    for (std::size_t j = 0; j < nf; ++j) {
        const aiFace& face = mesh->mFaces[j];
        if (face.mNumIndices != 3 || face.mIndices == nullptr) continue;
        m_indices.push_back(static_cast<long long>(face.mIndices[0]));
        m_indices.push_back(static_cast<long long>(face.mIndices[1]));
        m_indices.push_back(static_cast<long long>(face.mIndices[2]));
    }

    for (int k = 0; k < 16; ++k) m_transform.m[k] = matrix.m[k];
}

}  // namespace ShapeExport
}  // namespace kor
