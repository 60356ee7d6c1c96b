// Helpers for mesh tests: Assimp meshes built in memory, meshes with exact double
// positions, and bitwise comparison of position arrays.
#pragma once

#include <kor/ShapeExport/Matrix.h>
#include <kor/ShapeExport/Mesh.h>
#include <kor/ShapeExport/Position.h>

#include <assimp/mesh.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
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
    if (!vertices.empty()) {
        mesh->mVertices = new aiVector3D[vertices.size()];
        for (std::size_t k = 0; k < vertices.size(); ++k)
            mesh->mVertices[k] = aiVector3D(vertices[k].x, vertices[k].y, vertices[k].z);
    }
    mesh->mNumFaces = static_cast<unsigned>(faces.size());
    if (!faces.empty()) {
        mesh->mFaces = new aiFace[faces.size()];
        for (std::size_t j = 0; j < faces.size(); ++j) {
            aiFace& f = mesh->mFaces[j];
            f.mNumIndices = static_cast<unsigned>(faces[j].size());
            if (!faces[j].empty()) {
                f.mIndices = new unsigned[faces[j].size()];
                for (std::size_t c = 0; c < faces[j].size(); ++c) f.mIndices[c] = faces[j][c];
            }
        }
    }
    return mesh;
}

// Triangles from a flat list of corner numbers (its length a multiple of three).
inline std::vector<std::vector<unsigned>> Triangles(const std::vector<unsigned>& corners) {
    std::vector<std::vector<unsigned>> faces;
    for (std::size_t k = 0; k + 2 < corners.size(); k += 3)
        faces.push_back({corners[k], corners[k + 1], corners[k + 2]});
    return faces;
}

// Appends one position with exactly the given coordinates (except that -0.0 becomes
// +0.0): the vertex (0, 0, 0) placed by a translation.
inline void AppendExact(Mesh& mesh, double x, double y, double z) {
    Mat4 mat = Mat4::Identity();
    mat.m[12] = x;
    mat.m[13] = y;
    mat.m[14] = z;
    const auto one = MakeAiMesh({{0.f, 0.f, 0.f}}, {});
    mesh.fromOBJ(one.get(), Matrix(mat));
}

// A mesh with exactly these positions and these triangles (corner numbers are
// unsigned 32-bit, as Assimp gives them).
inline Mesh MakeMesh(const std::vector<Position>& positions, const std::vector<unsigned>& corners,
                     const wchar_t* name = L"mesh") {
    Mesh mesh(name);
    for (const Position& p : positions) AppendExact(mesh, p.X(), p.Y(), p.Z());
    const auto faces = MakeAiMesh({}, Triangles(corners));
    mesh.fromOBJ(faces.get(), Matrix(kIdentity));
    return mesh;
}

inline bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

inline bool SameBits(const Position& a, const Position& b) {
    return SameBits(a.X(), b.X()) && SameBits(a.Y(), b.Y()) && SameBits(a.Z(), b.Z());
}

inline ::testing::AssertionResult SamePositions(const std::vector<Position>& actual,
                                                const std::vector<Position>& expected) {
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure() << "sizes " << actual.size() << " and " << expected.size();
    for (std::size_t k = 0; k < actual.size(); ++k) {
        if (!SameBits(actual[k], expected[k]))
            return ::testing::AssertionFailure()
                   << "position " << k << ": (" << actual[k].X() << ", " << actual[k].Y() << ", " << actual[k].Z()
                   << ") vs (" << expected[k].X() << ", " << expected[k].Y() << ", " << expected[k].Z() << ")";
    }
    return ::testing::AssertionSuccess();
}

}  // namespace meshtest
