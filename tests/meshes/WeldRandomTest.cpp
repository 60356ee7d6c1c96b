// The fast weld against the straightforward algorithm (ReferenceWeld.h) on seeded
// random meshes that mix every hard case: squared distances at, just below and just
// above 1e-8, chains, crowded cells and cell borders, huge coordinates (exact only
// as equal values, or overflowing squares), infinities, NaNs, exact duplicates,
// unnamed positions and indices that are negative or too large; and on the inputs of
// WeldInputs.h built to defeat a grid or a hash.
#include "MeshTestSupport.h"
#include "ReferenceWeld.h"
#include "Weld.h"
#include "WeldInputs.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

using namespace meshtest;
using kor::ShapeExport::detail::Weld;
using kor::ShapeExport::detail::WeldWide;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kMax = std::numeric_limits<double>::max();
constexpr long long kMinIndex = std::numeric_limits<long long>::min();

struct Random {
    std::mt19937_64 engine;
    std::size_t Below(std::size_t n) { return static_cast<std::size_t>(engine() % n); }
    double Unit() { return static_cast<double>(engine() >> 11) * 0x1.0p-53; }  // [0, 1)
    double Symmetric(double r) { return (2.0 * Unit() - 1.0) * r; }
    template <typename T, std::size_t N>
    T Pick(const T (&values)[N]) {
        return values[Below(N)];
    }
};

// One coordinate; `special` is the share of huge, infinite or NaN ones (by seed).
double Component(Random& random, int special, double share) {
    const double huge[] = {1e300,
                           -1e300,
                           1e154,
                           -1e154,
                           std::nextafter(1e154, 2e154),
                           1.5e154,
                           0x1.0p50,
                           -0x1.0p50,
                           0x1.0p50 - 0.125,
                           0x1.0p50 + 0.25,
                           -0x1.0p50 + 0.125,
                           0x1.0p53,
                           1e16,
                           0x1.0p62,
                           kMax,
                           -kMax};
    if (random.Unit() < share) {
        if (special == 1) return random.Pick(huge);
        if (special == 2) return random.Below(2) ? kInf : -kInf;
        return std::numeric_limits<double>::quiet_NaN();
    }
    const double below = std::nextafter(1e-4, 0.0), above = std::nextafter(1e-4, 1.0), diagonal = 7.0710678118654752e-5;
    const double onTolerance[] = {0.0,      1e-4,      -1e-4,
                                  below,    -below,    above,
                                  -above,   5e-5,      -5e-5,
                                  diagonal, -diagonal, std::nextafter(diagonal, 0.0),
                                  2e-4,     -2e-4,     5.7735026918962576e-5,
                                  1.5e-4,   -0.0};
    const double lattice[] = {1e-4, 1.5e-4, 3e-4, 0x1.0p-9, 0x1.0p-10, 0x1.0p-12};
    const double border[] = {1e-4, -1e-4, 1.0001e-4, -1.0001e-4, 0.9999e-4, -0.9999e-4, 0.0, 2e-5, -2e-5};
    switch (random.Below(4)) {
        case 0: return random.Pick(onTolerance);
        case 1:  // chains and several near representatives
            return static_cast<double>(static_cast<int>(random.Below(7)) - 3) * random.Pick(lattice) +
                   (random.Unit() < 0.3 ? 0.0 : random.Symmetric(7e-5));
        case 2:  // near the borders of power-of-two cells
            return std::ldexp(static_cast<double>(static_cast<int>(random.Below(9)) - 4),
                              -8 - static_cast<int>(random.Below(5))) +
                   (random.Unit() < 0.7 ? random.Pick(border) : random.Symmetric(1.2e-4));
        default: return random.Symmetric(4e-4) + (random.Unit() < 0.2 ? 1000.0 : 0.0);  // a dense box
    }
}

struct RandomMesh {
    std::vector<Position> positions;
    std::vector<long long> indices;
};

RandomMesh MakeRandomMesh(std::uint64_t seed, std::size_t maxPositions) {
    Random random{std::mt19937_64(seed)};
    const int special = static_cast<int>(seed % 4);
    const double share = special == 1 ? 0.15 : special == 2 ? 0.12 : special == 3 ? 0.005 : 0.0;
    RandomMesh mesh;
    const std::size_t n = 1 + random.Below(maxPositions);
    while (mesh.positions.size() < n) {
        if (mesh.positions.empty() || random.Unit() >= 0.15) {
            const double x = Component(random, special, share), y = Component(random, special, share);
            mesh.positions.emplace_back(x, y, Component(random, special, share));
            continue;
        }
        Position p = mesh.positions[random.Below(mesh.positions.size())];  // a duplicate or an axis neighbour
        const double shift[] = {0.0, 1e-4, -1e-4, 9.9e-5, 5e-5, 1.01e-4, 2e-4};
        const std::size_t axis = random.Below(3);
        (axis == 0   ? p.SetX(p.X() + random.Pick(shift))
         : axis == 1 ? p.SetY(p.Y() + random.Pick(shift))
                     : p.SetZ(p.Z() + random.Pick(shift)));
        mesh.positions.push_back(p);
    }
    std::vector<long long> named;  // some positions are never named
    const double namedShare = 0.4 + 0.6 * random.Unit();
    for (std::size_t i = 0; i < n; ++i)
        if (random.Unit() < namedShare) named.push_back(static_cast<long long>(i));
    const long long size = static_cast<long long>(n);
    const long long outside[] = {
        size, size + 1, size + 17, 4294967295LL, -1, -2, -size, kMinIndex, std::numeric_limits<long long>::max()};
    for (std::size_t k = random.Below(3 * n + 1); k > 0; --k) {
        if (random.Unit() < 0.08)
            mesh.indices.push_back(random.Pick(outside));
        else if (!named.empty())
            mesh.indices.push_back(named[random.Below(named.size())]);
    }
    return mesh;
}

void ExpectReferenceResult(const std::vector<Position>& positions, const std::vector<long long>& indices,
                           bool alsoWide) {
    const reference::Welded expected = reference::Weld(positions, indices);
    for (auto weld : {&Weld, &WeldWide}) {
        std::vector<Position> weldedPositions;
        std::vector<long long> weldedIndices;
        weld(positions, indices, weldedPositions, weldedIndices);
        ASSERT_TRUE(SamePositions(weldedPositions, expected.positions));
        ASSERT_EQ(weldedIndices, expected.indices);
        if (!alsoWide) break;
    }
}

}  // namespace

TEST(WeldRandom, MatchesReferenceOnSeededMeshes) {
    std::size_t merged = 0, kept = 0;
    for (std::uint64_t seed = 1; seed <= 600; ++seed) {
        SCOPED_TRACE(seed);
        const RandomMesh mesh = MakeRandomMesh(seed, seed % 7 == 0 ? 600 : 120);
        ExpectReferenceResult(mesh.positions, mesh.indices, seed % 10 == 0);  // wide: for 2^31 positions or more
        const std::size_t welded = reference::Weld(mesh.positions, mesh.indices).positions.size();
        kept += welded;
        merged += mesh.positions.size() - welded;
    }
    EXPECT_GT(merged, 1000u);  // the generator really makes both
    EXPECT_GT(kept, 1000u);
}

TEST(WeldRandom, InputsBuiltToDefeatGridOrHashMatchReference) {
    for (int kind = 0; kind < weldinputs::kKinds; ++kind) {
        SCOPED_TRACE(weldinputs::kNames[kind]);
        const std::vector<Position> source = weldinputs::Make(kind, 3000, 17);
        std::mt19937_64 random(source.size());
        std::vector<long long> indices;  // 1.5 per position, some positions unnamed
        for (std::size_t k = 0; k < source.size() * 3 / 2; ++k)
            indices.push_back(static_cast<long long>(random() % source.size()));
        ExpectReferenceResult(source, indices, true);
    }
}
