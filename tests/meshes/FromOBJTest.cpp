// Mesh::fromOBJ on Assimp meshes built in memory: what is appended, what is skipped,
// how the arrays grow, and what null pointers do.
#include "MeshTestSupport.h"

#include <cstdint>
#include <limits>
#include <vector>

using namespace meshtest;

namespace {

const std::vector<Vec3f> kFour = {{0.1f, 0.2f, 0.3f}, {1.f, 0.f, 0.f}, {0.f, 1.f, 0.f}, {-2.5f, 1e-7f, 3e30f}};

Mat4 Placement() {
    Mat4 m = Mat4::Identity();
    m.m[0] = 2.0;
    m.m[5] = 0.1;
    m.m[12] = 5.0;
    m.m[14] = -1.0;
    m.m[3] = 0.25;  // a weight that depends on x
    return m;
}

std::vector<Position> Placed(const std::vector<Vec3f>& vertices, const Mat4& m) {
    std::vector<Position> out;
    for (const Vec3f& v : vertices) out.emplace_back(double(v.x), double(v.y), double(v.z), Matrix(m));
    return out;
}

}  // namespace

TEST(FromOBJ, AppendsTrianglesOnly) {
    using Faces = std::vector<std::vector<unsigned>>;
    struct Case {
        const char* name;
        Faces faces;
        std::vector<long long> indices;
    };
    const Case cases[] = {
        {"no faces", {}, {}},
        {"only quads", {{0, 1, 2, 3}, {3, 2, 1, 0}}, {}},
        {"mixed faces in order",
         {{0}, {0, 1, 2}, {1, 2}, {0, 1, 2, 3}, {3, 2, 1}, {}, {0, 1, 2, 3, 0}},
         {0, 1, 2, 3, 2, 1}},
        {"repeated corners", {{2, 2, 3}}, {2, 2, 3}},
        {"corners beyond the vertices, zero-extended", {{4, 1000, 4294967295u}}, {4, 1000, 4294967295LL}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Mesh mesh(L"name kept");
        const auto ai = MakeAiMesh(kFour, c.faces);
        const Mat4 m = Placement();
        mesh.fromOBJ(ai.get(), Matrix(m));
        EXPECT_TRUE(SamePositions(mesh.Positions(), Placed(kFour, m)));
        EXPECT_EQ(mesh.Indices(), c.indices);
        EXPECT_EQ(mesh.Transform(), m);
        EXPECT_EQ(mesh.Name(), L"name kept");
    }
    // With the identity the single-precision coordinates are widened, not reparsed.
    Mesh mesh(L"");
    const auto ai = MakeAiMesh(kFour, {});
    mesh.fromOBJ(ai.get(), Matrix(kIdentity));
    EXPECT_EQ(mesh.Positions()[0].X(), static_cast<double>(0.1f));
    EXPECT_EQ(mesh.Positions()[3].Z(), static_cast<double>(3e30f));
}

TEST(FromOBJ, TwoCallsAppendAndReplaceTheTransform) {
    Mesh mesh(L"two");
    const auto first = MakeAiMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    const auto second = MakeAiMesh({{5, 0, 0}, {6, 0, 0}, {5, 1, 0}, {9, 9, 9}}, {{0, 1, 2}});
    Mat4 m1 = Mat4::Identity();
    m1.m[12] = 100;
    const Mat4 m2 = Placement();
    mesh.fromOBJ(first.get(), Matrix(m1));
    mesh.fromOBJ(second.get(), Matrix(m2));

    std::vector<Position> expected = Placed({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, m1);
    const std::vector<Position> more = Placed({{5, 0, 0}, {6, 0, 0}, {5, 1, 0}, {9, 9, 9}}, m2);
    expected.insert(expected.end(), more.begin(), more.end());
    EXPECT_TRUE(SamePositions(mesh.Positions(), expected));
    EXPECT_EQ(mesh.Indices(), (std::vector<long long>{0, 1, 2, 0, 1, 2}));  // not shifted
    EXPECT_EQ(mesh.Transform(), m2);
    EXPECT_EQ(mesh.Name(), L"two");
}

TEST(FromOBJ, GrowsEachArrayOnceToItsExactSize) {
    Mesh mesh(L"growth");
    // Five faces reserve fifteen index places; only two triangles fill them.
    const auto a = MakeAiMesh(kFour, {{0, 1, 2}, {0, 1, 2, 3}, {1, 2}, {3, 2, 1}, {0}});
    mesh.fromOBJ(a.get(), Matrix(kIdentity));
    EXPECT_EQ(mesh.Positions().capacity(), 4u);
    EXPECT_EQ(mesh.Indices().size(), 6u);
    EXPECT_EQ(mesh.Indices().capacity(), 15u);

    // Enough room for three more triangles: the index array is not reallocated.
    const long long* before = mesh.Indices().data();
    const auto b = MakeAiMesh({{7, 7, 7}}, {{0, 0, 0}, {1, 1, 1}, {2, 3, 1}});
    mesh.fromOBJ(b.get(), Matrix(kIdentity));
    EXPECT_EQ(mesh.Indices().data(), before);
    EXPECT_EQ(mesh.Indices().capacity(), 15u);
    EXPECT_EQ(mesh.Positions().capacity(), 5u);  // raised to exactly 4 + 1

    // Too little room: raised to exactly the new size.
    const auto c = MakeAiMesh({}, {{0, 1, 2}, {2, 1, 0}});
    mesh.fromOBJ(c.get(), Matrix(kIdentity));
    EXPECT_EQ(mesh.Indices().size(), 21u);
    EXPECT_EQ(mesh.Indices().capacity(), 21u);
    EXPECT_EQ(mesh.Positions().size(), 5u);
}

TEST(FromOBJ, NullPointers) {
    const Mat4 m = Placement();
    Mat4 original = Mat4::Identity();
    original.m[13] = 7;

    // A null mesh changes nothing at all.
    Mesh mesh(L"null");
    const auto seed = MakeAiMesh({{1, 2, 3}}, {{0, 0, 0}});
    mesh.fromOBJ(seed.get(), Matrix(original));
    const Mesh before(mesh);
    mesh.fromOBJ(nullptr, Matrix(m));
    EXPECT_TRUE(SamePositions(mesh.Positions(), before.Positions()));
    EXPECT_EQ(mesh.Indices(), before.Indices());
    EXPECT_EQ(mesh.Transform(), original);

    // Null vertex array with a count: no positions; faces still read, transform replaced.
    auto noVertices = MakeAiMesh({}, {{0, 1, 2}});
    noVertices->mNumVertices = 5;
    mesh.fromOBJ(noVertices.get(), Matrix(m));
    EXPECT_EQ(mesh.Positions().size(), 1u);
    EXPECT_EQ(mesh.Indices(), (std::vector<long long>{0, 0, 0, 0, 1, 2}));
    EXPECT_EQ(mesh.Transform(), m);

    // Null face array with a count: no indices; vertices still read.
    auto noFaces = MakeAiMesh({{4, 5, 6}}, {});
    noFaces->mNumFaces = 3;
    mesh.fromOBJ(noFaces.get(), Matrix(original));
    EXPECT_EQ(mesh.Positions().size(), 2u);
    EXPECT_EQ(mesh.Indices().size(), 6u);
    EXPECT_EQ(mesh.Transform(), original);

    // A three-corner face without corner array is skipped; the others are read.
    auto noCorners = MakeAiMesh({{0, 0, 0}}, {{2, 1, 0}, {0, 0, 0}, {0, 1, 1}});
    delete[] noCorners->mFaces[1].mIndices;
    noCorners->mFaces[1].mIndices = nullptr;
    mesh.fromOBJ(noCorners.get(), Matrix(m));
    EXPECT_EQ(mesh.Positions().size(), 3u);
    EXPECT_EQ(mesh.Indices(), (std::vector<long long>{0, 0, 0, 0, 1, 2, 2, 1, 0, 0, 1, 1}));
    EXPECT_EQ(mesh.Name(), L"null");
}
