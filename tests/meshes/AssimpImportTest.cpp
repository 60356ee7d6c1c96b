// Meshes filled from OBJ files imported by Assimp, with and without triangulation,
// then welded back to the file's own vertices.
#include "MeshTestSupport.h"

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace meshtest;
namespace fs = std::filesystem;

namespace {

// A temporary folder removed with everything in it.
class TempDir {
public:
    TempDir() {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_path = fs::temp_directory_path() / ("shapeexport_" + test + "_" + std::to_string(stamp));
        fs::create_directories(m_path);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    std::string Write(const std::string& name, const std::string& text) const {
        const fs::path file = m_path / name;
        std::ofstream(file) << text;
        return file.string();
    }

private:
    fs::path m_path;
};

// Five vertices: a triangle, a quad, a line, a point and another triangle.
const char* const kMixedObj =
    "o mixed\n"
    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 0 0\n"
    "f 1 2 3\n"
    "f 1 2 3 4\n"
    "l 1 5\n"
    "p 5\n"
    "f 2 5 3\n";

const char* const kTriangleObj =
    "o single\n"
    "v 0.5 0.25 2\nv 3 0 0\nv 0 3 0\n"
    "f 1 2 3\n";

std::vector<long long> TriangleCorners(const aiMesh* mesh) {
    std::vector<long long> corners;
    for (unsigned j = 0; j < mesh->mNumFaces; ++j)
        if (mesh->mFaces[j].mNumIndices == 3)
            for (unsigned c = 0; c < 3; ++c) corners.push_back(mesh->mFaces[j].mIndices[c]);
    return corners;
}

std::vector<Position> PlacedVertices(const aiMesh* mesh, const Mat4& m) {
    std::vector<Position> out;
    for (unsigned k = 0; k < mesh->mNumVertices; ++k) {
        const aiVector3D& v = mesh->mVertices[k];
        out.emplace_back(double(v.x), double(v.y), double(v.z), Matrix(m));
    }
    return out;
}

Mat4 ScaleAndShift() {
    Mat4 m = Mat4::Identity();
    m.m[0] = m.m[5] = m.m[10] = 0.5;
    m.m[12] = 10;
    m.m[13] = -20;
    m.m[14] = 30;
    return m;
}

}  // namespace

TEST(AssimpImport, MixedFacesWithAndWithoutTriangulation) {
    TempDir dir;
    const std::string path = dir.Write("mixed.obj", kMixedObj);
    struct Case {
        const char* name;
        unsigned flags;
        std::size_t triangles;
        std::vector<Position> weldedPositions;  // the file's vertices used by triangles, placed
        std::vector<long long> weldedIndices;   // the file's triangles, 0-based
    };
    const Case cases[] = {
        {"as in the file", 0u, 2, {{10, -20, 30}, {10.5, -20, 30}, {10.5, -19.5, 30}, {11, -20, 30}}, {0, 1, 2, 1, 3, 2}},
        {"triangulated",
         aiProcess_Triangulate,
         4,
         {{10, -20, 30}, {10.5, -20, 30}, {10.5, -19.5, 30}, {10, -19.5, 30}, {11, -20, 30}},
         {0, 1, 2, 0, 1, 2, 0, 2, 3, 1, 4, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(path, c.flags);
        ASSERT_NE(scene, nullptr) << importer.GetErrorString();
        ASSERT_EQ(scene->mNumMeshes, 1u);
        const aiMesh* ai = scene->mMeshes[0];

        Mesh mesh(L"mixed");
        const Mat4 m = ScaleAndShift();
        mesh.fromOBJ(ai, Matrix(m));
        EXPECT_TRUE(SamePositions(mesh.Positions(), PlacedVertices(ai, m)));
        EXPECT_EQ(mesh.Indices(), TriangleCorners(ai));
        EXPECT_EQ(mesh.Indices().size(), 3 * c.triangles);
        EXPECT_EQ(mesh.Transform(), m);
        EXPECT_EQ(mesh.Name(), L"mixed");

        const Mesh welded(mesh, true);
        EXPECT_TRUE(SamePositions(welded.Positions(), c.weldedPositions));
        EXPECT_EQ(welded.Indices(), c.weldedIndices);
    }
}

TEST(AssimpImport, TwoFilesIntoOneMesh) {
    TempDir dir;
    const std::string mixed = dir.Write("mixed.obj", kMixedObj);
    const std::string single = dir.Write("single.obj", kTriangleObj);
    Assimp::Importer first, second;
    const aiScene* a = first.ReadFile(mixed, aiProcess_Triangulate);
    const aiScene* b = second.ReadFile(single, 0u);
    ASSERT_NE(a, nullptr) << first.GetErrorString();
    ASSERT_NE(b, nullptr) << second.GetErrorString();

    Mesh mesh(L"both");
    const Mat4 m1 = ScaleAndShift();
    const Mat4 m2 = Mat4::Identity();
    mesh.fromOBJ(a->mMeshes[0], Matrix(m1));
    mesh.fromOBJ(b->mMeshes[0], Matrix(m2));

    std::vector<Position> expected = PlacedVertices(a->mMeshes[0], m1);
    const std::vector<Position> more = PlacedVertices(b->mMeshes[0], m2);
    expected.insert(expected.end(), more.begin(), more.end());
    EXPECT_TRUE(SamePositions(mesh.Positions(), expected));

    // The second file's corners are appended as Assimp numbers them, not shifted.
    std::vector<long long> indices = TriangleCorners(a->mMeshes[0]);
    const std::vector<long long> second3 = TriangleCorners(b->mMeshes[0]);
    indices.insert(indices.end(), second3.begin(), second3.end());
    EXPECT_EQ(mesh.Indices(), indices);
    EXPECT_EQ(mesh.Transform(), m2);
}
