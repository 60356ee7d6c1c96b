// Helpers for mesh tests: Assimp meshes built in memory, meshes with exact double
// positions.
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
