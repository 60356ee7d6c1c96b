// Bytes -> Assimp meshes built in memory, each placed by its own matrix, appended
// to one Mesh with fromOBJ -> the welded copy, compared with the straightforward
// quadratic weld (tests/meshes/ReferenceWeld.h): positions bit for bit, indices
// equal. fromOBJ itself is checked too (positions as Position's transforming
// constructor gives them, triangles only, corners unchanged, the last matrix as the
// transform), and so is the plain copy.
//
// Layout, repeated while bytes are left (at most 64 meshes, 2000 positions in all):
//   [flags] [tx] [ty] [tz] ([scale] when flags & 1) ([weight] when flags & 2)
//   ([shear] when flags & 4) [vertex count] vertices: 3 floats each
//   [face count] faces: [corner count byte] corners
// A double is one byte: an entry of an alphabet of awkward values (0, -0, 1, the
// tolerance 1e-4 and its neighbours, 1e300, infinities, NaN, denormals, ...), a
// multiple of 2^-14 (so that many positions lie near each other), or after the byte
// 255 eight raw bytes. Floats likewise, with four raw bytes. The translation makes
// the doubles exact positions (a vertex (0, 0, 0)); the other matrix entries mix them.
// A corner is one byte (a position number below 253), 253 + two bytes, 254 +
// four raw bytes, or 255 for 2^32 - 1; counts above the mesh's positions are kept on
// purpose. A face has three corners unless its corner-count byte is 0 mod 8.
#pragma once

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <vector>

#include <assimp/mesh.h>

#include <kor/ShapeExport/Matrix.h>
#include <kor/ShapeExport/Mesh.h>
#include <kor/ShapeExport/Position.h>
#include <kor/math/Mat.h>

#include "HarnessSupport.h"
#include "ReferenceWeld.h"

namespace fuzzing {

namespace weld {

constexpr std::size_t kMaxMeshes = 64;
constexpr std::size_t kMaxPositions = 2000;

// An awkward value (0, -0, the tolerance's square root and its neighbours, huge and
// denormal values, infinities, NaN), a multiple of 2^-14, or raw bits after 255.
inline double Double(Bytes& in) {
    constexpr double kInf = std::numeric_limits<double>::infinity(), kMin = std::numeric_limits<double>::denorm_min();
    static const double kAlphabet[] = {0.0,
                                       -0.0,
                                       1.0,
                                       -1.0,
                                       1e-4,
                                       -1e-4,
                                       std::nextafter(1e-4, 0.0),
                                       std::nextafter(1e-4, 1.0),
                                       5e-5,
                                       7.0710678118654752e-5,
                                       5.7735026918962576e-5,
                                       1e300,
                                       -1e300,
                                       kInf,
                                       -kInf,
                                       std::numeric_limits<double>::quiet_NaN(),
                                       kMin,
                                       -kMin,
                                       1.1125369292536007e-308,
                                       1e154,
                                       DBL_MAX,
                                       1e-9,
                                       0.5,
                                       2.0,
                                       1e16,
                                       0x1.0p53,
                                       -0x1.0p50,
                                       3.0};
    const std::uint8_t b = in.Byte();
    if (b == 255) return in.RawDouble();
    if (b < std::size(kAlphabet)) return kAlphabet[b];
    return static_cast<double>(static_cast<int>(b) - 140) * 0x1.0p-14;
}

inline float Float(Bytes& in) {
    constexpr float kInf = std::numeric_limits<float>::infinity();
    static const float kAlphabet[] = {0.0f,
                                      -0.0f,
                                      1.0f,
                                      -1.0f,
                                      1e-4f,
                                      5e-5f,
                                      kInf,
                                      -kInf,
                                      std::numeric_limits<float>::quiet_NaN(),
                                      std::numeric_limits<float>::denorm_min(),
                                      FLT_MAX,
                                      -FLT_MAX,
                                      1e-9f,
                                      0.5f,
                                      1e30f,
                                      16777216.0f};
    const std::uint8_t b = in.Byte();
    if (b == 255) return in.RawFloat();
    if (b < std::size(kAlphabet)) return kAlphabet[b];
    return static_cast<float>(static_cast<int>(b) - 136) * 0x1.0p-14f;
}

inline unsigned Corner(Bytes& in) {
    const std::uint8_t b = in.Byte();
    if (b < 253) return b;
    if (b == 253) return static_cast<unsigned>(in.Byte()) | (static_cast<unsigned>(in.Byte()) << 8);
    if (b == 254) return in.U32();
    return 0xFFFFFFFFu;
}

}  // namespace weld

inline void CheckWeld(const std::uint8_t* data, std::size_t size) {
    using kor::ShapeExport::Matrix;
    using kor::ShapeExport::Mesh;
    using kor::ShapeExport::Position;
    using Mat4 = kor::Mat<4, double>;

    Bytes in(data, size);
    Mesh mesh(L"fuzz");
    std::vector<Position> expectedPositions;
    std::vector<long long> expectedIndices;
    Mat4 lastMatrix = Mat4::Identity();
    bool placed = false;

    for (std::size_t meshes = 0; meshes < weld::kMaxMeshes && !in.Empty(); ++meshes) {
        const std::uint8_t flags = in.Byte();
        Mat4 mat = Mat4::Identity();
        mat.m[12] = weld::Double(in);
        mat.m[13] = weld::Double(in);
        mat.m[14] = weld::Double(in);
        if (flags & 1) mat.m[0] = mat.m[5] = mat.m[10] = weld::Double(in);
        if (flags & 2) mat.m[15] = weld::Double(in);
        if (flags & 4) mat.m[4] = mat.m[9] = weld::Double(in);

        // The Assimp mesh, and what fromOBJ must append of it. ~aiMesh frees the arrays
        // (new[], as Assimp allocates them).
        aiMesh ai;
        const Matrix matrix(mat);
        const std::size_t vertexCount =
            std::min<std::size_t>(in.Byte() % 64, weld::kMaxPositions - expectedPositions.size());
        ai.mNumVertices = static_cast<unsigned>(vertexCount);
        if (vertexCount > 0) ai.mVertices = new aiVector3D[vertexCount];
        for (std::size_t k = 0; k < vertexCount; ++k) {
            const float x = weld::Float(in), y = weld::Float(in), z = weld::Float(in);
            ai.mVertices[k] = aiVector3D(x, y, z);
            expectedPositions.emplace_back(static_cast<double>(x), static_cast<double>(y), static_cast<double>(z),
                                           matrix);
        }
        const std::size_t faceCount = in.Byte() % 32;
        ai.mNumFaces = static_cast<unsigned>(faceCount);
        if (faceCount > 0) ai.mFaces = new aiFace[faceCount];
        for (std::size_t j = 0; j < faceCount; ++j) {
            const std::uint8_t shape = in.Byte();
            aiFace& face = ai.mFaces[j];
            face.mNumIndices = shape % 8 == 0 ? (shape / 8) % 6 : 3u;
            if (face.mNumIndices > 0) face.mIndices = new unsigned[face.mNumIndices];
            for (unsigned c = 0; c < face.mNumIndices; ++c) face.mIndices[c] = weld::Corner(in);
            if (face.mNumIndices == 3) expectedIndices.insert(expectedIndices.end(), face.mIndices, face.mIndices + 3);
        }
        mesh.fromOBJ(&ai, matrix);
        lastMatrix = mat;
        placed = true;
    }

    auto samePositions = [](const std::vector<Position>& a, const std::vector<Position>& b) {
        return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(Position)) == 0);
    };
    Require(samePositions(mesh.Positions(), expectedPositions), "fromOBJ places every vertex by its matrix");
    Require(mesh.Indices() == expectedIndices, "fromOBJ appends the corners of triangles only");
    const Mat4 transform = placed ? lastMatrix : Mat4::Identity();
    Require(std::memcmp(mesh.Transform().m, transform.m, sizeof transform.m) == 0, "the transform is the last matrix");

    const Mesh plain(mesh, false);
    Require(samePositions(plain.Positions(), mesh.Positions()) && plain.Indices() == mesh.Indices() &&
                plain.Name() == mesh.Name(),
            "the plain copy equals its source");
    const Mesh welded(mesh, true);
    const reference::Welded expected = reference::Weld(mesh.Positions(), mesh.Indices());
    Require(samePositions(welded.Positions(), expected.positions), "welded positions equal the reference's");
    Require(welded.Indices() == expected.indices, "welded indices equal the reference's");
    Require(
        welded.Name() == mesh.Name() && std::memcmp(welded.Transform().m, mesh.Transform().m, sizeof transform.m) == 0,
        "the welded copy keeps the name and the transform");
}

}  // namespace fuzzing
