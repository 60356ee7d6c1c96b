// Bytes -> positions and indices -> the weld, with 32-bit and with 64-bit position
// numbers, against the plain reference (WeldSimply):
// the same positions bit for bit and the same indices. The weld tests feed it
// seeded random bytes too.
//
// Layout: [count: two bytes; at most kMaxPositions positions], then per position a
// byte that makes it a copy of an earlier position (0 mod 8), such a copy moved
// along one axis by a step near the tolerance (1 mod 8) or by a few ulps on each
// axis (2 mod 8), then bytes for which, the axis and the step; or three coordinates
// (else; then a byte per coordinate); then one index per byte until the input ends.
// Past the end every byte reads 0.
//
// A coordinate byte gives an awkward value (near the tolerance's square root or a
// diagonal on it, huge, on either side of the magnitude from which distinct doubles
// are never near, -0), a point of a small lattice (chains, several near
// representatives, steps just wider and narrower than the tolerance), a point near
// the border of a power-of-two cell, a point of a dense box, NaN (252), an infinity
// (253, 254), or eight raw bytes (255). An index byte below 240 names a position
// (modulo the count); above, a number naming none.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include <kor/ShapeExport/Position.h>

#include "HarnessSupport.h"
#include "Weld.h"

namespace fuzzing {

namespace weld {

constexpr std::size_t kMaxPositions = 2000;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kMax = std::numeric_limits<double>::max();
const double kBelow = std::nextafter(1e-4, 0.0), kAbove = std::nextafter(1e-4, 1.0);
constexpr double kDiagonal = 7.0710678118654752e-5;  // two such axes: exactly 1e-8
const double kBelowDiagonal = std::nextafter(kDiagonal, 0.0), kAbove1e154 = std::nextafter(1e154, 2e154);
constexpr double kDenormMin = std::numeric_limits<double>::denorm_min();

inline double Coordinate(Bytes& in) {
    // Near the tolerance and on a diagonal of it, -0, huge; at 2^38 the next double is
    // 2^-14 away (near), at 2^40 the previous one 2^-13 (not near).
    // clang-format off
    static const double kAwkward[] = {
        0.0, 1e-4, -1e-4, kBelow, -kBelow, kAbove, -kAbove, 5e-5, -5e-5, kDiagonal, -kDiagonal, kBelowDiagonal,
        2e-4, -2e-4, 5.7735026918962576e-5, 1.5e-4, -0.0, 1e300, -1e300, 1e154, -1e154, kAbove1e154, 1.5e154,
        0x1.0p38, 0x1.0p38 + 0x1.0p-14, -0x1.0p40, -(0x1.0p40 - 0x1.0p-13), 0x1.0p50, -0x1.0p50, 0x1.0p50 - 0.125,
        0x1.0p50 + 0.25, -0x1.0p50 + 0.125, 0x1.0p53, 1e16, 0x1.0p62, kMax, -kMax, kDenormMin, 1000.0};
    // clang-format on
    static const double kSteps[] = {1e-4, 1.000001e-4, 0.999999e-4, 1.5e-4, 3e-4, 0x1.0p-9, 0x1.0p-10, 0x1.0p-12};
    static const double kBorderOffsets[] = {1e-4,       -1e-4, 1.0001e-4, -1.0001e-4, 0.9999e-4,
                                            -0.9999e-4, 0.0,   2e-5,      -2e-5};
    constexpr int kLattice = static_cast<int>(std::size(kAwkward)),
                  kBorder = kLattice + 7 * static_cast<int>(std::size(kSteps)), kBox = kBorder + 45;
    const int b = in.Byte();
    if (b < kLattice) return kAwkward[b];
    if (b < kBorder) return ((b - kLattice) % 7 - 3) * kSteps[(b - kLattice) / 7];
    if (b < kBox) return std::ldexp((b - kBorder) % 9 - 4, -8 - (b - kBorder) / 9) + kBorderOffsets[in.Byte() % 9];
    if (b < 252) return (b - (kBox + 252) / 2) * 7e-6;
    if (b == 252) return std::numeric_limits<double>::quiet_NaN();
    if (b == 255) return in.RawDouble();
    return b == 253 ? kInf : -kInf;
}

}  // namespace weld

// What differs between the weld, 32-bit and 64-bit, with its grid placed by `seed`, and
// the reference ("" when nothing).
inline std::string WeldDifference(const std::vector<kor::ShapeExport::Position>& positions,
                                  const std::vector<long long>& indices, std::uint64_t seed) {
    std::vector<kor::ShapeExport::Position> expectedPositions;
    std::vector<long long> expectedIndices;
    kor::ShapeExport::detail::WeldSimply(positions, indices, expectedPositions, expectedIndices);
    for (auto weld : {&kor::ShapeExport::detail::Weld, &kor::ShapeExport::detail::WeldWide}) {
        std::vector<kor::ShapeExport::Position> kept;
        std::vector<long long> welded;
        weld(positions, indices, kept, welded, seed);
        if (!SameBits(kept, expectedPositions)) return "positions";
        if (welded != expectedIndices) return "indices";
    }
    return "";
}

// What differs between the weld and the reference for these bytes ("" when nothing).
inline std::string WeldDifference(const std::uint8_t* data, std::size_t size) {
    using kor::ShapeExport::Position;
    Bytes in(data, size);
    const std::size_t low = in.Byte();
    const std::size_t count = 1 + (low | std::size_t{in.Byte()} << 8) % weld::kMaxPositions;
    std::vector<Position> positions;
    while (positions.size() < count) {
        const std::uint8_t kind = in.Byte();
        if (kind % 8 > 2 || positions.empty()) {
            const double x = weld::Coordinate(in), y = weld::Coordinate(in);
            positions.emplace_back(x, y, weld::Coordinate(in));
            continue;
        }
        Position p = positions[in.Byte() % positions.size()];
        if (kind % 8 == 1) {
            static const double kShifts[] = {1e-4, -1e-4, 9.9e-5, 5e-5, 1.01e-4, 2e-4};
            const std::uint8_t axis = in.Byte() % 3;
            const double shift = kShifts[in.Byte() % std::size(kShifts)];
            axis == 0 ? p.SetX(p.X() + shift) : axis == 1 ? p.SetY(p.Y() + shift) : p.SetZ(p.Z() + shift);
        }
        if (kind % 8 == 2) {  // moved by up to 64 ulps on each axis, across cell borders
            double c[3] = {p.X(), p.Y(), p.Z()};
            for (double& v : c)
                for (int ulps = in.Byte() % 129 - 64; ulps != 0; ulps += ulps > 0 ? -1 : 1)
                    v = std::nextafter(v, ulps > 0 ? weld::kInf : -weld::kInf);
            p = Position(c[0], c[1], c[2]);
        }
        positions.push_back(p);
    }
    const long long n = static_cast<long long>(count), kExtreme = std::numeric_limits<long long>::max();
    const long long kOutside[] = {-1, -2, -n, n, n + 1, n + 17, 4294967295LL, -kExtreme - 1, kExtreme};
    std::vector<long long> indices;
    while (!in.Empty()) {
        const std::uint8_t b = in.Byte();
        indices.push_back(b < 240 ? b % n : kOutside[b % std::size(kOutside)]);
    }
    // The grid's place comes from the bytes too (FNV-1a), so that a run repeats.
    std::uint64_t seed = 0xCBF29CE484222325ull;
    for (std::size_t k = 0; k < size; ++k) seed = (seed ^ data[k]) * 0x100000001B3ull;
    return WeldDifference(positions, indices, seed);
}

inline void CheckWeld(const std::uint8_t* data, std::size_t size) {
    Require(WeldDifference(data, size).empty(), "the weld gives what the reference gives");
}

}  // namespace fuzzing
