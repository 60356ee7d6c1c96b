// Appending an Assimp mesh. Only the layouts of aiMesh, aiFace and aiVector3D are
// used; no Assimp function is called and the library does not link Assimp.
#include <kor/ShapeExport/Mesh.h>

#include <cstddef>

#include <assimp/mesh.h>

namespace kor {
namespace ShapeExport {

void Mesh::fromOBJ(const aiMesh* mesh, const Matrix& matrix) {
    if (mesh == nullptr) return;

    const std::size_t nv = mesh->mVertices != nullptr ? mesh->mNumVertices : 0u;
    if (m_positions.capacity() < m_positions.size() + nv) m_positions.reserve(m_positions.size() + nv);
    for (std::size_t k = 0; k < nv; ++k) {
        const aiVector3D& v = mesh->mVertices[k];
        m_positions.emplace_back(static_cast<double>(v.x), static_cast<double>(v.y),
                                 static_cast<double>(v.z), matrix);
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
