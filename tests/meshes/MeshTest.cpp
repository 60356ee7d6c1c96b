// Mesh: construction, copies, moves and the welded copy (its documented cases).
#include "MeshTestSupport.h"
#include "ReferenceWeld.h"

#include <limits>
#include <string>
#include <utility>

using namespace meshtest;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

Mat4 SomeTransform() {
    Mat4 m;
    for (int k = 0; k < 16; ++k) m.m[k] = 0.5 * k - 3.0;
    return m;
}

// A small filled mesh with a non-identity transform.
Mesh Filled(const wchar_t* name = L"a fairly long mesh name, beyond small-string storage") {
    Mesh mesh(name);
    const auto ai = MakeAiMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{0, 1, 2}, {2, 1, 3}});
    const Mat4 t = SomeTransform();
    mesh.fromOBJ(ai.get(), Matrix(t));
    return mesh;
}

void ExpectEqualMeshes(const Mesh& a, const Mesh& b) {
    EXPECT_TRUE(SamePositions(a.Positions(), b.Positions()));
    EXPECT_EQ(a.Indices(), b.Indices());
    EXPECT_EQ(a.Transform(), b.Transform());
    EXPECT_EQ(a.Name(), b.Name());
}

void ExpectEmptyContents(const Mesh& m) {
    EXPECT_TRUE(m.Positions().empty());
    EXPECT_TRUE(m.Indices().empty());
    EXPECT_TRUE(m.Name().empty());
}

}  // namespace

TEST(Mesh, ConstructionCopiesAndMoves) {
    for (const wchar_t* name : {L"", L"short", L"a fairly long mesh name, beyond small-string storage"}) {
        const Mesh named = name;  // a name converts to a mesh
        EXPECT_EQ(named.Name(), name);
        EXPECT_TRUE(named.Positions().empty() && named.Indices().empty());
        EXPECT_EQ(named.Transform(), Mat4::Identity());

        Mesh a = Filled(name);
        const Mesh expected(a);
        ExpectEqualMeshes(Mesh(a, false), expected);
        Mesh assigned(L"x");
        assigned = a;
        const auto more = MakeAiMesh({{5, 5, 5}}, {{0, 0, 0}});
        assigned.fromOBJ(more.get(), Matrix(kIdentity));  // the copy is independent
        ExpectEqualMeshes(a, expected);

        Mesh b(std::move(a));
        ExpectEqualMeshes(b, expected);
        ExpectEmptyContents(a);  // NOLINT(bugprone-use-after-move)
        EXPECT_EQ(a.Transform(), SomeTransform());
        Mesh c(L"target");
        c = std::move(b);
        ExpectEqualMeshes(c, expected);
        ExpectEmptyContents(b);  // NOLINT(bugprone-use-after-move)
        EXPECT_EQ(b.Transform(), SomeTransform());
        a.fromOBJ(more.get(), Matrix(kIdentity));  // a moved-from mesh stays usable
        EXPECT_EQ(a.Indices(), (std::vector<long long>{0, 0, 0}));

        Mesh& alias = c;
        c = alias;
        c = std::move(alias);
        ExpectEqualMeshes(c, expected);
    }
}

// The welded copy, case by case: positions given exactly, triangles as corner lists.
TEST(MeshWeld, DocumentedCases) {
    const Position origin(0, 0, 0);
    struct Case {
        const char* name;
        std::vector<Position> positions;
        std::vector<unsigned> corners;
        std::vector<Position> expectedPositions;
        std::vector<long long> expectedIndices;
    };
    const Case cases[] = {
        {"no positions, no indices", {}, {}, {}, {}},
        {"positions but no indices", {{1, 2, 3}, {4, 5, 6}}, {}, {}, {}},
        {"same place: the first stays",
         {{1, 1, 1}, {5, 5, 5}, {1, 1, 1}},
         {2, 1, 0, 0, 2, 1},
         {{1, 1, 1}, {5, 5, 5}},
         {0, 1, 0, 0, 0, 1}},
        {"squared distance exactly 1e-8 is kept apart",
         {origin, {1e-4, 0, 0}, {0, 0, 0}},
         {0, 1, 2},
         {origin, {1e-4, 0, 0}},
         {0, 1, 0}},
        {"squared distance just below 1e-8 merges",
         {origin, {0, std::nextafter(1e-4, 0.0), 0}, {0, 0, 1}},
         {0, 1, 2},
         {origin, {0, 0, 1}},
         {0, 0, 1}},
        {"no chains: p1 joins p0, p2 stays",
         {{0, 0, 0}, {0.00007, 0, 0}, {0.00014, 0, 0}},
         {0, 1, 2},
         {{0, 0, 0}, {0.00014, 0, 0}},
         {0, 0, 1}},
        {"corners within tolerance collapse to a degenerate triangle",
         {{3, 3, 3}, {3.00005, 3, 3}, {3, 3.00005, 3}},
         {0, 1, 2},
         {{3, 3, 3}},
         {0, 0, 0}},
        {"the lowest near representative wins",
         {{0, 0, 0}, {0.00015, 0, 0}, {0.00008, 0, 0}},
         {1, 0, 2},
         {{0, 0, 0}, {0.00015, 0, 0}},
         {1, 0, 0}},
        {"unnamed positions vanish and are no representative",
         {{9, 9, 9}, {0, 0, 0}, {0.00008, 0, 0}, {-0.00008, 0, 0}},
         {3, 2, 3},
         {{0.00008, 0, 0}, {-0.00008, 0, 0}},
         {1, 0, 1}},
        {"unset positions merge with one another, not with set ones",
         {Position(), {0, 0, 0}, Position(), {1, 2, kInf}},
         {0, 1, 2, 3, 2, 1},
         {Position(), {0, 0, 0}},
         {0, 1, 0, 0, 0, 1}},
        {"a NaN position merges into the first representative",
         {{1, 1, 1}, {2, 2, 2}, {kNaN, 5, 5}},
         {1, 2, 0},
         {{1, 1, 1}, {2, 2, 2}},
         {1, 0, 0}},
        {"a NaN representative takes every later position",
         {{kNaN, 0, 0}, {1, 1, 1}, {-1e300, kInf, 0}, Position()},
         {1, 0, 2, 3, 3, 3},
         {{kNaN, 0, 0}},
         {0, 0, 0, 0, 0, 0}},
        {"indices naming no position are left out",
         {{0, 0, 0}, {1, 0, 0}},
         {0, 2, 1, 4000000000u, 1, 0},
         {{0, 0, 0}, {1, 0, 0}},
         {0, 1, 1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Mesh source = MakeMesh(c.positions, c.corners);
        const Mesh welded(source, true);
        EXPECT_TRUE(SamePositions(welded.Positions(), c.expectedPositions));
        EXPECT_EQ(welded.Indices(), c.expectedIndices);
        EXPECT_EQ(welded.Name(), source.Name());
        EXPECT_EQ(welded.Transform(), source.Transform());

        const reference::Welded ref = reference::Weld(source.Positions(), source.Indices());
        EXPECT_TRUE(SamePositions(ref.positions, c.expectedPositions));
        EXPECT_EQ(ref.indices, c.expectedIndices);
    }
}

TEST(MeshWeld, CopiesTransformAndNameAndLeavesSourceAlone) {
    const Mesh source = Filled(L"welded");
    const Mesh before(source);
    const Mesh welded(source, true);
    EXPECT_EQ(welded.Name(), L"welded");
    EXPECT_EQ(welded.Transform(), SomeTransform());
    ExpectEqualMeshes(source, before);
}
