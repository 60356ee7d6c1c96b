// The weld against the straightforward algorithm on seeded random inputs of the weld
// fuzz harness (fuzz/HarnessWeld.h: near the tolerance, lattices, cell borders,
// duplicates and near copies, huge values, infinities, NaNs, unnamed positions,
// indices naming none).
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "HarnessWeld.h"
#include "MeshTestSupport.h"

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
