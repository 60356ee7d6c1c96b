// The fast weld against the straightforward algorithm on seeded random meshes that
// mix every hard case: squared distances at, just below and just above 1e-8, chains,
// crowded cells and cell borders, huge coordinates (exact only as equal values, or
// overflowing squares), infinities, NaNs, exact duplicates, unnamed positions and
// indices that are negative or too large; and on inputs built to defeat a grid or a
// hash.
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

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

class Rng {
public:
    explicit Rng(std::uint64_t seed) : m_engine(seed) {}
    std::uint64_t Next() { return m_engine(); }
    std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }
    double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }  // [0, 1)
    double Symmetric(double r) { return (2.0 * Unit() - 1.0) * r; }
    bool Chance(double p) { return Unit() < p; }
    template <typename T, std::size_t N>
    T Pick(const T (&values)[N]) {
        return values[Below(N)];
    }

private:
    std::mt19937_64 m_engine;
};

struct Mix {
    double huge = 0;      // share of huge components
    double infinite = 0;  // share of infinite components
    double nan = 0;       // share of NaN components
};

double Component(Rng& rng, const Mix& mix) {
    const double u = rng.Unit();
    if (u < mix.nan) return kNaN;
    if (u < mix.nan + mix.infinite) return rng.Chance(0.5) ? kInf : -kInf;
    if (u < mix.nan + mix.infinite + mix.huge) {
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
                               std::numeric_limits<double>::max(),
                               -std::numeric_limits<double>::max()};
        return rng.Pick(huge);
    }
    switch (rng.Below(4)) {
        case 0: {  // values whose differences land on the tolerance
            const double below = std::nextafter(1e-4, 0.0);
            const double above = std::nextafter(1e-4, 1.0);
            const double diag = 7.0710678118654752e-5;
            const double edge[] = {0.0,    1e-4,   -1e-4,
                                   below,  -below, above,
                                   -above, 5e-5,   -5e-5,
                                   diag,   -diag,  std::nextafter(diag, 0.0),
                                   2e-4,   -2e-4,  5.7735026918962576e-5,
                                   1.5e-4, -0.0};
            return rng.Pick(edge);
        }
        case 1: {  // clusters on small lattices: chains and several near representatives
            const double step[] = {1e-4, 1.5e-4, 3e-4, 0x1.0p-9, 0x1.0p-10, 0x1.0p-12};
            const double offset = rng.Chance(0.3) ? 0.0 : rng.Symmetric(7e-5);
            return static_cast<double>(static_cast<int>(rng.Below(7)) - 3) * rng.Pick(step) + offset;
        }
        case 2: {  // near the borders of power-of-two cells
            const double offset[] = {1e-4, -1e-4, 1.0001e-4, -1.0001e-4, 0.9999e-4, -0.9999e-4, 0.0, 2e-5, -2e-5};
            const double base = std::ldexp(static_cast<double>(static_cast<int>(rng.Below(9)) - 4),
                                           -8 - static_cast<int>(rng.Below(5)));
            return base + (rng.Chance(0.7) ? rng.Pick(offset) : rng.Symmetric(1.2e-4));
        }
        default:  // a dense box
            return rng.Symmetric(4e-4) + (rng.Chance(0.2) ? 1000.0 : 0.0);
    }
}

Position RandomPosition(Rng& rng, const Mix& mix, const std::vector<Position>& earlier) {
    if (!earlier.empty() && rng.Chance(0.15)) {
        Position p = earlier[rng.Below(earlier.size())];
        if (rng.Chance(0.5)) return p;  // an exact duplicate
        // A neighbour along one axis.
        const double shift[] = {1e-4, -1e-4, 9.9e-5, 5e-5, 1.01e-4, 2e-4};
        switch (rng.Below(3)) {
            case 0: p.SetX(p.X() + rng.Pick(shift)); break;
            case 1: p.SetY(p.Y() + rng.Pick(shift)); break;
            default: p.SetZ(p.Z() + rng.Pick(shift)); break;
        }
        return p;
    }
    const double x = Component(rng, mix);
    const double y = Component(rng, mix);
    const double z = Component(rng, mix);
    return Position(x, y, z);
}

struct RandomMesh {
    std::vector<Position> positions;
    std::vector<long long> indices;
};

RandomMesh MakeRandomMesh(std::uint64_t seed, std::size_t maxPositions, bool signedIndices) {
    Rng rng(seed);
    Mix mix;
    switch (seed % 5) {
        case 1: mix.huge = 0.15; break;
        case 2: mix.infinite = 0.12; break;
        case 3: mix.nan = 0.01; break;
        case 4:
            mix.huge = 0.05;
            mix.infinite = 0.05;
            mix.nan = 0.004;
            break;
        default: break;
    }
    RandomMesh mesh;
    const std::size_t n = 1 + rng.Below(maxPositions);
    for (std::size_t i = 0; i < n; ++i) mesh.positions.push_back(RandomPosition(rng, mix, mesh.positions));

    // Some positions are never named.
    std::vector<long long> nameable;
    const double share = 0.4 + 0.6 * rng.Unit();
    for (std::size_t i = 0; i < n; ++i)
        if (rng.Chance(share)) nameable.push_back(static_cast<long long>(i));
    const std::size_t count = rng.Below(3 * n + 1);
    const long long big = static_cast<long long>(n);
    for (std::size_t k = 0; k < count; ++k) {
        const double u = rng.Unit();
        if (u < 0.04) {
            const long long beyond[] = {big, big + 1, big + 17, 4294967295LL};
            mesh.indices.push_back(rng.Pick(beyond));
        } else if (signedIndices && u < 0.08) {
            const long long negative[] = {-1, -2, -big, std::numeric_limits<long long>::min()};
            mesh.indices.push_back(rng.Pick(negative));
        } else if (signedIndices && u < 0.09) {
            mesh.indices.push_back(std::numeric_limits<long long>::max());
        } else if (!nameable.empty()) {
            mesh.indices.push_back(nameable[rng.Below(nameable.size())]);
        }
    }
    return mesh;
}

std::size_t CountNaNs(const std::vector<Position>& ps) {
    std::size_t c = 0;
    for (const Position& p : ps) c += (std::isnan(p.X()) || std::isnan(p.Y()) || std::isnan(p.Z())) ? 1 : 0;
    return c;
}

}  // namespace

TEST(WeldRandom, MatchesReferenceOnSeededMeshes) {
    std::size_t merged = 0, kept = 0, nanMeshes = 0, infMeshes = 0;
    for (std::uint64_t seed = 1; seed <= 600; ++seed) {
        const RandomMesh mesh = MakeRandomMesh(seed, seed % 7 == 0 ? 600 : 120, true);
        const reference::Welded expected = reference::Weld(mesh.positions, mesh.indices);
        std::vector<Position> positions;
        std::vector<long long> indices;
        kor::ShapeExport::detail::Weld(mesh.positions, mesh.indices, positions, indices);
        ASSERT_TRUE(SamePositions(positions, expected.positions)) << "seed " << seed;
        ASSERT_EQ(indices, expected.indices) << "seed " << seed;
        if (seed % 10 == 0) {  // the variant for 2^31 positions or more
            std::vector<Position> widePositions;
            std::vector<long long> wideIndices;
            kor::ShapeExport::detail::WeldWide(mesh.positions, mesh.indices, widePositions, wideIndices);
            ASSERT_TRUE(SamePositions(widePositions, expected.positions)) << "seed " << seed;
            ASSERT_EQ(wideIndices, expected.indices) << "seed " << seed;
        }
        kept += expected.positions.size();
        merged += mesh.positions.size() - expected.positions.size();
        nanMeshes += CountNaNs(mesh.positions) > 0 ? 1 : 0;
        for (const Position& p : expected.positions)
            if (std::isinf(p.X()) || std::isinf(p.Y()) || std::isinf(p.Z())) ++infMeshes;
    }
    // The generator really produced the cases it is meant to.
    EXPECT_GT(merged, 1000u);
    EXPECT_GT(kept, 1000u);
    EXPECT_GT(nanMeshes, 20u);
    EXPECT_GT(infMeshes, 50u);
}

TEST(WeldRandom, InputsBuiltToDefeatGridOrHashMatchReference) {
    // Each input of WeldInputs.h with 1.5 random indices per position (some positions
    // unnamed), with both position widths.
    for (int kind = 0; kind < weldinputs::kKinds; ++kind) {
        SCOPED_TRACE(weldinputs::kNames[kind]);
        const std::vector<Position> source = weldinputs::Make(kind, 3000, 17);
        Rng rng(source.size());
        std::vector<long long> indices;
        for (std::size_t k = 0; k < source.size() * 3 / 2; ++k)
            indices.push_back(static_cast<long long>(rng.Below(source.size())));
        const reference::Welded expected = reference::Weld(source, indices);
        for (auto weld : {&kor::ShapeExport::detail::Weld, &kor::ShapeExport::detail::WeldWide}) {
            std::vector<Position> positions;
            std::vector<long long> out;
            weld(source, indices, positions, out);
            EXPECT_TRUE(SamePositions(positions, expected.positions));
            EXPECT_EQ(out, expected.indices);
        }
    }
}
