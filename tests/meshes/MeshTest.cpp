// Mesh: construction, copies and moves, fromOBJ on Assimp meshes built in memory,
// the welded copy case by case (tests/data/meshes/weld.json), and the weld against
// the straightforward algorithm on seeded random inputs of the weld fuzz harness
// (fuzz/HarnessWeld.h: near the tolerance, lattices, cell borders, duplicates and
// near copies, huge values, infinities, NaNs, unnamed positions, indices naming none)
// and on a run that crowds grid cells, under many placements of the grid.
#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <kor/ShapeExport/WeldPositions.h>

#include "HarnessWeld.h"
#include "MeshTestSupport.h"
#include "TestData.h"
#include "WeldInputs.h"

using namespace meshtest;

namespace {

const std::vector<Vec3f> kFour = {{0.1f, 0.2f, 0.3f}, {1.f, 0.f, 0.f}, {0.f, 1.f, 0.f}, {-2.5f, 1e-7f, 3e30f}};

// A placement with a weight that depends on x, every element of it read.
const Mat4 kPlacement{{2.0, 0, 0, 0.25, 0, 0.1, 0, 0, 0, 0, 1, 0, 5.0, 0, -1.0, 2.0}};

void ExpectEqualMeshes(const Mesh& a, const Mesh& b) {
    EXPECT_TRUE(fuzzing::SameBits(a.Positions(), b.Positions()));
    EXPECT_EQ(a.Indices(), b.Indices());
    EXPECT_EQ(a.Transform(), b.Transform());
    EXPECT_EQ(a.Name(), b.Name());
}

TEST(Mesh, ConstructionCopiesAndMoves) {
    for (const wchar_t* name : {L"", L"a fairly long mesh name, beyond small-string storage"}) {
        const Mesh named = name;  // a name converts to a mesh
        EXPECT_TRUE(named.Name() == name && named.Positions().empty() && named.Indices().empty());
        EXPECT_EQ(named.Transform(), kIdentity);

        Mesh a(name);
        a.fromOBJ(MakeAiMesh(kFour, {{0, 1, 2}, {2, 1, 3}}).get(), Matrix(kPlacement));
        const Mesh expected(a);
        ExpectEqualMeshes(Mesh(a, false), expected);
        Mesh assigned(L"x");
        assigned = a;
        ExpectEqualMeshes(assigned, expected);
        assigned.fromOBJ(MakeAiMesh({{5, 5, 5}}, {{0, 0, 0}}).get(), Matrix(kIdentity));  // the copy is independent
        ExpectEqualMeshes(a, expected);

        Mesh b(std::move(a)), c(L"target");
        c = std::move(b);
        Mesh& alias = c;
        c = std::move(alias);
        ExpectEqualMeshes(c, expected);
        for (const Mesh* moved : {&a, &b}) {  // emptied, the transform kept
            EXPECT_TRUE(moved->Positions().empty() && moved->Indices().empty() && moved->Name().empty());
            EXPECT_EQ(moved->Transform(), kPlacement);
        }
    }
}

// Every vertex placed by the matrix, the corners of triangles only, unchanged and
// not shifted by earlier calls; the last matrix becomes the transform.
TEST(FromOBJ, AppendsVerticesAndTriangles) {
    using Faces = std::vector<std::vector<unsigned>>;
    const std::pair<Faces, std::vector<long long>> cases[] = {
        {{}, {}},
        {{{0, 1, 2, 3}, {3, 2, 1, 0}}, {}},
        {{{0}, {0, 1, 2}, {1, 2}, {0, 1, 2, 3}, {3, 2, 1}, {}, {0, 1, 2, 3, 0}}, {0, 1, 2, 3, 2, 1}},
        {{{2, 2, 3}, {4, 1000, 4294967295u}}, {2, 2, 3, 4, 1000, 4294967295LL}},
    };
    Mesh mesh(L"name kept");
    std::vector<Position> positions;
    std::vector<long long> indices;
    Mat4 m = kIdentity;
    for (const auto& [faces, triangles] : cases) {
        mesh.fromOBJ(MakeAiMesh(kFour, faces).get(), Matrix(m));
        for (const Vec3f& v : kFour) positions.emplace_back(double(v.x), double(v.y), double(v.z), Matrix(m));
        indices.insert(indices.end(), triangles.begin(), triangles.end());
        EXPECT_TRUE(fuzzing::SameBits(mesh.Positions(), positions));
        EXPECT_EQ(mesh.Indices(), indices);
        EXPECT_EQ(mesh.Transform(), m);
        EXPECT_EQ(mesh.Name(), L"name kept");
        m = kPlacement;
    }
    // Widened, not reparsed.
    EXPECT_TRUE(mesh.Positions()[0].X() == double(0.1f) && mesh.Positions()[3].Z() == double(3e30f));
}

TEST(FromOBJ, NullPointers) {
    Mat4 original = kIdentity;
    original.m[13] = 7;
    Mesh mesh(L"null");
    mesh.fromOBJ(MakeAiMesh({{1, 2, 3}}, {{0, 0, 0}}).get(), Matrix(original));
    const Mesh before(mesh);
    mesh.fromOBJ(nullptr, Matrix(kPlacement));  // changes nothing at all
    ExpectEqualMeshes(mesh, before);

    // Null vertex array with a count: no positions; faces still read, transform replaced.
    auto noVertices = MakeAiMesh({}, {{0, 1, 2}});
    noVertices->mNumVertices = 5;
    mesh.fromOBJ(noVertices.get(), Matrix(kPlacement));
    EXPECT_EQ(mesh.Positions().size(), 1u);
    EXPECT_EQ(mesh.Transform(), kPlacement);
    // Null face array with a count: no indices; vertices still read.
    auto noFaces = MakeAiMesh({{4, 5, 6}}, {});
    noFaces->mNumFaces = 3;
    mesh.fromOBJ(noFaces.get(), Matrix(original));
    EXPECT_EQ(mesh.Positions().size(), 2u);
    // A three-corner face without its corner array is skipped; the others are read.
    auto noCorners = MakeAiMesh({{0, 0, 0}}, {{2, 1, 0}, {0, 0, 0}, {0, 1, 1}});
    delete[] noCorners->mFaces[1].mIndices;
    noCorners->mFaces[1].mIndices = nullptr;
    mesh.fromOBJ(noCorners.get(), Matrix(original));
    EXPECT_EQ(mesh.Positions().size(), 3u);
    EXPECT_EQ(mesh.Indices(), (std::vector<long long>{0, 0, 0, 0, 1, 2, 2, 1, 0, 0, 1, 1}));
}

// tests/data/meshes/weld.json: the welded copy and the plain weld give the
// expected positions and indices; the name and the transform are copied.
TEST(MeshWeld, Cases) {
    auto positionsOf = [](const kor::Dom& list) {
        std::vector<Position> out;
        for (const kor::Dom& p : testing_support::Elements(list)) out.push_back(testing_support::PositionOf(p));
        return out;
    };
    const kor::Dom cases = testing_support::LoadData("meshes/weld.json")["Cases"];
    ASSERT_GT(cases.size(), 10u);
    for (const kor::Dom& row : testing_support::Elements(cases)) {
        SCOPED_TRACE(row["Name"].asString());
        std::vector<unsigned> corners;
        std::vector<long long> indices;
        for (const kor::Dom& k : testing_support::Elements(row["Corners"])) corners.push_back(unsigned(k.asInt(0)));
        for (const kor::Dom& k : testing_support::Elements(row["Indices"])) indices.push_back(k.asInt(-1));
        const std::vector<Position> expected = positionsOf(row["Welded"]);
        const Mesh source = MakeMesh(positionsOf(row["Positions"]), corners);
        const Mesh welded(source, true);
        EXPECT_TRUE(fuzzing::SameBits(welded.Positions(), expected));
        EXPECT_EQ(welded.Indices(), indices);
        EXPECT_EQ(welded.Name(), source.Name());
        EXPECT_EQ(welded.Transform(), source.Transform());
        // WeldPositions, on coordinates and indices as flat arrays, gives the same.
        auto coordinates = [](const std::vector<Position>& positions) {
            std::vector<double> xyz;
            for (const Position& p : positions) xyz.insert(xyz.end(), {p.X(), p.Y(), p.Z()});
            return xyz;
        };
        const std::vector<double> xyz = coordinates(source.Positions());
        const kor::ShapeExport::WeldedPositions arrays = kor::ShapeExport::WeldPositions(
            xyz.data(), source.Positions().size(), source.Indices().data(), source.Indices().size());
        EXPECT_TRUE(fuzzing::SameBits(arrays.xyz, coordinates(expected)));
        EXPECT_EQ(arrays.indices, indices);
        // Both widths, the arrays' weld and the plain one.
        EXPECT_EQ(fuzzing::WeldDifference(source.Positions(), source.Indices(), 7), "");
    }
}

TEST(WeldRandom, MatchesReferenceOnSeededInputs) {
    for (std::uint64_t seed = 1; seed <= 600; ++seed) {
        std::mt19937_64 random(seed);
        // Coordinates without NaNs and infinities mostly (a NaN is near anything).
        const unsigned coordinateBytes = seed % 4 == 0 ? 256 : 252;
        const std::size_t count = 1 + random() % (seed % 7 == 0 ? 600 : 120);
        std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(count >> 8)};
        for (std::size_t k = 0; k < 4 * count; ++k)
            bytes.push_back(static_cast<std::uint8_t>(random() % coordinateBytes));
        for (std::size_t k = random() % (3 * count + 1); k > 0; --k)
            bytes.push_back(static_cast<std::uint8_t>(random()));
        ASSERT_EQ(fuzzing::WeldDifference(bytes.data(), bytes.size()), "") << "seed " << seed;
    }
}

// The weld under `placements` seeds of its grid gives the reference's result.
void ExpectWeldAsReference(const std::vector<Position>& positions, std::uint64_t placements) {
    std::vector<long long> indices(positions.size());
    std::iota(indices.begin(), indices.end(), 0);
    for (std::uint64_t seed = 0; seed < placements; ++seed)
        ASSERT_EQ(fuzzing::WeldDifference(positions, indices, seed * 1000003 + 7), "") << "seed " << seed;
}

// A run of representatives long enough to crowd several of the weld's coarse cells,
// then positions beyond its end, each followed later by a partner 0.68 of a reach
// back in x and y (near across a diagonal): under many grid placements, whichever
// cells the run holds or crowds next to them, the result is the reference's.
TEST(WeldRandom, RunEndsUnderManyGridPlacements) {
    constexpr double kReach = 1e-4;
    std::vector<Position> positions;
    for (int k = 0; k < 56; ++k) positions.emplace_back(0.25 + k * 1.05 * kReach, 0.5, 0.75);
    const double end = positions.back().X();
    for (const double back : {0.0, 0.68 * kReach})
        for (int j = 0; j < 40; ++j) positions.emplace_back(end + (1.5 + 0.5 * j) * kReach - back, 0.5 - back, 0.75);
    ExpectWeldAsReference(positions, 128);
}

// The weld benchmark's inputs built to defeat a grid or a hash (lattices just wider
// and narrower than the tolerance and twice as wide, cell corners, huge and tiny
// magnitudes, last bits, crafted collisions), a few thousand positions each, under
// four placements of the grid.
TEST(WeldRandom, InputsBuiltAgainstGridsAndHashes) {
    for (int kind = 0; kind < weldinputs::kKinds; ++kind) {
        SCOPED_TRACE(weldinputs::kNames[kind]);
        ExpectWeldAsReference(weldinputs::Make(kind, 3000, 11), 4);
    }
}

}  // namespace
