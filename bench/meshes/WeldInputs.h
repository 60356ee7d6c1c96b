// Positions built to defeat a weld's grid or hash, for the weld benchmark: cubic
// lattices just wider and just narrower than the tolerance, one twice as wide (very
// many cells of a few positions each: the memory of the cell lists) and one on cell
// corners, huge and tiny magnitudes, points of a cell-border lattice moved by a few
// ulps, and cells that all collide under the earlier fixed, unseeded cell hash. In
// scan order.
#pragma once

#include <kor/ShapeExport/Position.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace weldinputs {

enum Kind {
    kWiderLattice,
    kNarrowerLattice,
    kTwiceLattice,
    kCellCorners,
    kHuge,
    kTiny,
    kLastBits,
    kOldHashCollisions,
    kKinds
};
inline constexpr const char* kNames[kKinds] = {
    "lattice_wider", "lattice_narrower", "lattice_twice",      "cell_corners", "huge",
    "tiny",          "last_bits",        "old_hash_collisions"};

// The earlier hash of a cell (x, y, z) run backwards: the x that hashes with y, z to
// h. (Its keys for magnitudes of 2^50 or more were the bits xor 0x5bd1e9955bd1e995.)
inline std::uint64_t OldHashPreimage(std::uint64_t h, std::uint64_t y, std::uint64_t z) {
    auto inverse = [](std::uint64_t odd) {  // modulo 2^64, by Newton's iteration
        std::uint64_t x = odd;
        for (int k = 0; k < 6; ++k) x *= 2 - odd * x;
        return x;
    };
    h ^= h >> 32;
    h = (h * inverse(0x165667B19E3779F9ull)) ^ z;
    h ^= (h >> 29) ^ (h >> 58);
    h = (h * inverse(0xC2B2AE3D27D4EB4Full)) ^ y;
    h ^= h >> 32;
    return h * inverse(0x9E3779B97F4A7C15ull);
}

// About n positions (a lattice rounds to a cube).
inline std::vector<kor::ShapeExport::Position> Make(int kind, std::size_t n, std::uint64_t seed) {
    std::vector<kor::ShapeExport::Position> out;
    if (kind <= kCellCorners) {  // the corners of 2^-9 cubes: 8 cells of a grid of that edge meet there
        const double step = kind == kWiderLattice      ? 1.000001e-4
                            : kind == kNarrowerLattice ? 0.999999e-4
                            : kind == kTwiceLattice    ? 2e-4
                                                       : 0x1.0p-9;
        const double origin = kind == kCellCorners ? 0.0 : 0.1;
        const int side = static_cast<int>(std::cbrt(static_cast<double>(n)) + 0.5);
        for (int k = 0; k < side; ++k)
            for (int j = 0; j < side; ++j)
                for (int i = 0; i < side; ++i)
                    out.emplace_back(origin + i * step, 2 * origin + j * step, 3 * origin + k * step);
        return out;
    }
    std::mt19937_64 rng(seed);
    const double farY = 1e300;
    std::uint64_t yBits;
    std::memcpy(&yBits, &farY, sizeof yBits);
    for (std::uint64_t t = 1; out.size() < n; ++t) {
        const std::uint64_t r = rng();
        double c[3];
        for (int a = 0; a < 3; ++a) {
            const std::uint64_t b = r >> (20 * a);
            const double mantissa = std::ldexp(1.0 + static_cast<double>(b & 0xFFFFF), -20) * ((b >> 19) & 1 ? -1 : 1);
            if (kind == kHuge) c[a] = std::ldexp(mantissa, 41 + static_cast<int>(b % 977));
            if (kind == kTiny) c[a] = std::ldexp(mantissa, -1054 + static_cast<int>(b % 60));
            if (kind == kLastBits) {  // one of 9^3 points of the 2^-9 lattice, moved by up to 64 ulps
                c[a] = std::ldexp(static_cast<double>((b >> 8) % 9) - 4, -9);
                for (int ulps = static_cast<int>((b & 0xFF) % 129) - 64; ulps != 0; ulps += ulps > 0 ? -1 : 1)
                    c[a] = std::nextafter(c[a], ulps > 0 ? HUGE_VAL : -HUGE_VAL);
            }
        }
        if (kind != kOldHashCollisions) {
            out.emplace_back(c[0], c[1], c[2]);
            continue;
        }
        // Hashes sharing their low 24 bits, so that all cells share one probe run.
        const std::uint64_t salt = 0x5bd1e9955bd1e995ull;
        const std::uint64_t bits = OldHashPreimage(t << 24, yBits ^ salt, (yBits | 1ull << 63) ^ salt) ^ salt;
        std::memcpy(&c[0], &bits, sizeof bits);
        if (std::isfinite(c[0]) && std::fabs(c[0]) >= 0x1.0p50) out.emplace_back(c[0], farY, -farY);
    }
    return out;
}

}  // namespace weldinputs
