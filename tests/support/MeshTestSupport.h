// Helpers for mesh tests: Assimp meshes built in memory, meshes with exact double
// positions, bitwise comparison of position arrays, and the reference weld.
#pragma once

#include <kor/ShapeExport/Matrix.h>
#include <kor/ShapeExport/Mesh.h>
#include <kor/ShapeExport/Position.h>

#include <assimp/mesh.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace meshtest {

using Mat4 = kor::Mat<4, double>;
using kor::ShapeExport::Matrix;
using kor::ShapeExport::Mesh;
using kor::ShapeExport::Position;
inline const Mat4 kIdentity = Mat4::Identity();

struct Vec3f {
    float x, y, z;
};

// An aiMesh owning its arrays the way Assimp does (new[]; freed by ~aiMesh).
inline std::unique_ptr<aiMesh> MakeAiMesh(const std::vector<Vec3f>& vertices,
                                          const std::vector<std::vector<unsigned>>& faces) {
    auto mesh = std::make_unique<aiMesh>();
    mesh->mNumVertices = static_cast<unsigned>(vertices.size());
    if (!vertices.empty()) mesh->mVertices = new aiVector3D[vertices.size()];
    for (std::size_t k = 0; k < vertices.size(); ++k)
        mesh->mVertices[k] = aiVector3D(vertices[k].x, vertices[k].y, vertices[k].z);
    mesh->mNumFaces = static_cast<unsigned>(faces.size());
    if (!faces.empty()) mesh->mFaces = new aiFace[faces.size()];
    for (std::size_t j = 0; j < faces.size(); ++j) {
        mesh->mFaces[j].mNumIndices = static_cast<unsigned>(faces[j].size());
        if (!faces[j].empty()) mesh->mFaces[j].mIndices = new unsigned[faces[j].size()];
        std::copy(faces[j].begin(), faces[j].end(), mesh->mFaces[j].mIndices);
    }
    return mesh;
}

// A mesh with exactly these positions (-0.0 becomes +0.0: each is the vertex
// (0, 0, 0) placed by a translation) and these triangles, as corner numbers.
inline Mesh MakeMesh(const std::vector<Position>& positions, const std::vector<unsigned>& corners) {
    Mesh mesh(L"mesh");
    const auto origin = MakeAiMesh({{0.f, 0.f, 0.f}}, {});
    for (const Position& p : positions) {
        Mat4 translation = kIdentity;
        translation.m[12] = p.X();
        translation.m[13] = p.Y();
        translation.m[14] = p.Z();
        mesh.fromOBJ(origin.get(), Matrix(translation));
    }
    std::vector<std::vector<unsigned>> triangles;
    for (std::size_t k = 0; k + 2 < corners.size(); k += 3)
        triangles.push_back({corners[k], corners[k + 1], corners[k + 2]});
    mesh.fromOBJ(MakeAiMesh({}, triangles).get(), Matrix(kIdentity));
    return mesh;
}

}  // namespace meshtest

// The straightforward welding algorithm, step by step: each position of the source,
// in order, is compared with every kept position from the first; one that is near
// none is kept only if some index names it (found by scanning all indices). The fast
// weld of the library must give exactly the same positions and indices.
namespace reference {

struct Welded {
    std::vector<kor::ShapeExport::Position> positions;
    std::vector<long long> indices;
};

inline Welded Weld(const std::vector<kor::ShapeExport::Position>& positions, const std::vector<long long>& indices) {
    Welded out;
    std::vector<long long> entry(positions.size(), -1);
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const auto near = std::find_if(out.positions.begin(), out.positions.end(),
                                       [&](const kor::ShapeExport::Position& kept) { return positions[i].Near(kept); });
        if (near != out.positions.end()) {
            entry[i] = near - out.positions.begin();
        } else if (std::find(indices.begin(), indices.end(), static_cast<long long>(i)) != indices.end()) {
            entry[i] = static_cast<long long>(out.positions.size());
            out.positions.push_back(positions[i]);
        }
    }
    for (const long long v : indices)
        if (v >= 0 && v < static_cast<long long>(positions.size()) && entry[static_cast<std::size_t>(v)] >= 0)
            out.indices.push_back(entry[static_cast<std::size_t>(v)]);
    return out;
}

}  // namespace reference
