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
    const long long n = static_cast<long long>(positions.size());
    std::vector<std::int32_t> map(positions.size(), -1);
    for (long long i = 0; i < n; ++i) {
        const kor::ShapeExport::Position& p = positions[static_cast<std::size_t>(i)];
        std::int32_t entry = -1;
        for (std::size_t k = 0; k < out.positions.size(); ++k) {
            if (p.Near(out.positions[k])) {
                entry = static_cast<std::int32_t>(k);
                break;
            }
        }
        if (entry < 0) {
            bool named = false;
            for (const long long v : indices) {
                if (v == i) {
                    named = true;
                    break;
                }
            }
            if (named) {
                entry = static_cast<std::int32_t>(out.positions.size());
                out.positions.push_back(p);
            }
        }
        map[static_cast<std::size_t>(i)] = entry;
    }
    for (const long long v : indices) {
        if (v >= 0 && v < n && map[static_cast<std::size_t>(v)] >= 0)
            out.indices.push_back(map[static_cast<std::size_t>(v)]);
    }
    return out;
}

}  // namespace reference
