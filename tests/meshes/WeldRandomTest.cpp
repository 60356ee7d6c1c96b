// The weld against the straightforward algorithm on seeded random inputs of the weld
// fuzz harness (fuzz/HarnessWeld.h: near the tolerance, lattices, cell borders,
// duplicates and near copies, huge values, infinities, NaNs, unnamed positions,
// indices naming none), and on the inputs of WeldInputs.h built to defeat a grid or
// a hash.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "HarnessWeld.h"
#include "MeshTestSupport.h"
#include "WeldInputs.h"

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

TEST(WeldRandom, InputsBuiltToDefeatGridOrHashMatchReference) {
    for (int kind = 0; kind < weldinputs::kKinds; ++kind) {
        SCOPED_TRACE(weldinputs::kNames[kind]);
        const std::vector<meshtest::Position> source = weldinputs::Make(kind, 3000, 17);
        std::mt19937_64 random(source.size());
        std::vector<long long> indices;  // 1.5 per position, some positions unnamed
        for (std::size_t k = 0; k < source.size() * 3 / 2; ++k)
            indices.push_back(static_cast<long long>(random() % source.size()));
        const reference::Welded expected = reference::Weld(source, indices);
        for (auto weld : {&kor::ShapeExport::detail::Weld, &kor::ShapeExport::detail::WeldWide}) {
            std::vector<meshtest::Position> positions;
            std::vector<long long> welded;
            weld(source, indices, positions, welded);
            EXPECT_TRUE(meshtest::SamePositions(positions, expected.positions));
            EXPECT_EQ(welded, expected.indices);
        }
    }
}
