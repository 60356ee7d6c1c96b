// The weld's grid: the reach of the tolerance, cells of two sizes under a random
// shift, and a seeded hash of cells with their neighbours within reach. How the weld
// uses them is told in Weld.cpp.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include <kor/ShapeExport/Position.h>

namespace kor {
namespace ShapeExport {
namespace detail {
namespace weld {
// Weld.cpp alone includes this: internal linkage, as if written there, so that the
// compiler inlines as freely as within one file.
namespace {

constexpr double kNearSquared = Position::kNearDistance2;

constexpr double SquareRoot(double x) {
    double y = x > 1.0 ? x : 1.0;
    for (int k = 0; k < 100; ++k) y = 0.5 * (y + x / y);
    return y;
}

constexpr double PowerOfTwoAbove(double x) {
    double p = 1.0;
    while (p > x) p *= 0.5;
    while (p <= x) p *= 2.0;
    return p;
}

// Above every distance between two Near finite positions (the margin covers the
// rounding of the squared distance many times over).
constexpr double kReach = SquareRoot(kNearSquared) * (1.0 + 0x1.0p-20);
static_assert(kReach * kReach > kNearSquared * (1.0 + 0x1.0p-30), "kReach must bound the tolerance");

constexpr double kFineEdge = PowerOfTwoAbove(2.0 * kReach);     // 2^-12 for the tolerance 1e-8
constexpr double kCoarseEdge = PowerOfTwoAbove(16.0 * kReach);  // 2^-9
// Coordinates at or beyond this are more than kReach apart from any other value (the
// spacing of doubles just below it is 2^-53 of it), so a near one holds the very
// same value.
constexpr double kHuge = PowerOfTwoAbove(kReach) * 0x1.0p53;  // 2^40
static_assert(kHuge * 0x1.0p-53 > kReach, "distinct huge coordinates are never near");
static_assert(kHuge / kCoarseEdge <= 0x1.0p62, "scaled coordinates below kHuge convert to 64-bit keys exactly");

constexpr int kShiftSteps = 512;         // grid shifts are multiples of 1/kShiftSteps of a coarse cell
constexpr int kMaxCellsPerPosition = 8;  // a cell and its neighbours within kReach

inline std::uint64_t Mix(std::uint64_t h) {  // a bijective 64-bit finaliser
    h = (h ^ (h >> 33)) * 0xFF51AFD7ED558CCDull;
    h = (h ^ (h >> 33)) * 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 33);
}

// The cell of one finite coordinate and the place in the cell, in [0, 1).
struct AxisCell {
    std::int64_t key;
    double place;
};

struct Cells {
    AxisCell axis[3];
};

template <const double& kEdge>
struct Level {
    static constexpr double kReachInCells = kReach / kEdge;
    static_assert(kReachInCells < 0.5, "at most one neighbour cell per axis");

    // The neighbour (-1, +1, or 0 for none) whose border lies within kReach of a place.
    static int Side(double place) {
        return static_cast<int>(1.0 - place < kReachInCells) - static_cast<int>(place < kReachInCells);
    }
    // The gap to that border in cell edges (without a neighbour: to the nearer border).
    static double Gap(double place) { return std::min(place, 1.0 - place); }

    static bool Inside(const Cells& c) {
        return Side(c.axis[0].place) == 0 && Side(c.axis[1].place) == 0 && Side(c.axis[2].place) == 0;
    }
};
using Coarse = Level<kCoarseEdge>;
using Fine = Level<kFineEdge>;
constexpr int kFinePerCoarse = static_cast<int>(kCoarseEdge / kFineEdge);
static_assert(kFinePerCoarse * kFineEdge == kCoarseEdge, "fine cells tile a coarse cell");

// A grid of cubic coarse cells of edge kCoarseEdge, each split into fine cells of
// edge kFineEdge, shifted per call by a random fraction of a coarse cell along each
// axis (a multiple of 1/kShiftSteps), so that positions cannot be placed on its
// borders on purpose. The key, floor(v / kCoarseEdge + shift), is a non-decreasing
// function of v, and the place within the cell is rounded by at most 2^-53 of a
// cell (2^-50 of a fine one), far inside the margin of kReach. A fine cell is found
// from the coarse cell's key and place alone (both edges are powers of two).
class Grid {
public:
    explicit Grid(std::uint64_t random) {
        for (double& shift : m_shift) {
            shift = static_cast<double>(random % kShiftSteps) / kShiftSteps;
            random /= kShiftSteps;
        }
    }

    AxisCell CellOf(int axis, double v) const {
        if (!(v < kHuge && v > -kHuge)) return HugeCell(v);
        // Without branches: signs, shifts and places in a cell are unpredictable.
        const double s = v * (1.0 / kCoarseEdge);  // exact: a power of two
        std::int64_t k = static_cast<std::int64_t>(s);
        k -= static_cast<std::int64_t>(static_cast<double>(k) > s);  // floor
        double place = (s - static_cast<double>(k)) + m_shift[axis];
        const int wrap = place >= 1.0 ? 1 : 0;
        return {k + wrap, place - wrap};
    }

    Cells CellsOf(const Position& p) const { return {{CellOf(0, p.X()), CellOf(1, p.Y()), CellOf(2, p.Z())}}; }

    static AxisCell FineOf(const AxisCell& coarse) {
        const double s = coarse.place * kFinePerCoarse;  // exact, in [0, kFinePerCoarse)
        const int sub = static_cast<int>(s);
        const std::uint64_t key = static_cast<std::uint64_t>(coarse.key) * kFinePerCoarse + static_cast<unsigned>(sub);
        return {static_cast<std::int64_t>(key), s - sub};
    }

    static Cells FineOf(const Cells& coarse) {
        return {{FineOf(coarse.axis[0]), FineOf(coarse.axis[1]), FineOf(coarse.axis[2])}};
    }

private:
    // Keyed by the bits; a clash with a key below only adds candidates. The place is
    // the middle of a fine cell: no neighbour on either level.
    static AxisCell HugeCell(double v) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        return {static_cast<std::int64_t>(bits), kHugePlace};
    }

    static constexpr double kHugePlace = (kFinePerCoarse / 2 + 0.5) / kFinePerCoarse;
    double m_shift[3];
};

// A hash of cells seeded per call, so that cells chosen to collide under one seed
// scatter under another: kx * a + ky * b + kz * c modulo 2^64 with random odd a, b,
// c, whose top bits are a universal hash of the cell (multiply-add-shift); a
// neighbour's hash is one addition away.
class CellHash {
public:
    explicit CellHash(std::uint64_t seed) {
        for (std::uint64_t& m : m_multiplier) m = (seed = Mix(seed + 0x9E3779B97F4A7C15ull)) | 1u;
    }

    std::uint64_t Of(const Cells& c) const {
        return Axis(0, c.axis[0].key) + Axis(1, c.axis[1].key) + Axis(2, c.axis[2].key);
    }

    // The hashes of the cell and of its neighbours within kReach, the cell first;
    // returns their count.
    template <typename G>
    int Around(const Cells& c, std::uint64_t (&out)[kMaxCellsPerPosition]) const {
        constexpr double kReach2 = G::kReachInCells * G::kReachInCells;
        struct Axis3 {
            std::int64_t key;
            int side;
            double gap;
        };
        auto with = [](const AxisCell& a) { return Axis3{a.key, G::Side(a.place), G::Gap(a.place)}; };
        const Axis3 ax = with(c.axis[0]), ay = with(c.axis[1]), az = with(c.axis[2]);
        const std::uint64_t x0 = Axis(0, ax.key), y0 = Axis(1, ay.key), z0 = Axis(2, az.key);
        const double gx = ax.gap * ax.gap, gy = ay.gap * ay.gap, gz = az.gap * az.gap;
        int n = 0;
        out[n++] = x0 + y0 + z0;
        const std::uint64_t x1 = ax.side != 0 ? Axis(0, ax.key + ax.side) : 0;
        const std::uint64_t y1 = ay.side != 0 ? Axis(1, ay.key + ay.side) : 0;
        if (ax.side != 0) out[n++] = x1 + y0 + z0;
        if (ay.side != 0) {
            out[n++] = x0 + y1 + z0;
            if (ax.side != 0 && gx + gy < kReach2) out[n++] = x1 + y1 + z0;
        }
        if (az.side != 0) {
            const std::uint64_t z1 = Axis(2, az.key + az.side);
            out[n++] = x0 + y0 + z1;
            if (ax.side != 0 && gx + gz < kReach2) out[n++] = x1 + y0 + z1;
            if (ay.side != 0) {
                if (gy + gz < kReach2) out[n++] = x0 + y1 + z1;
                if (ax.side != 0 && (gx + gy) + gz < kReach2) out[n++] = x1 + y1 + z1;
            }
        }
        return n;
    }

private:
    std::uint64_t Axis(int axis, std::int64_t key) const {
        return static_cast<std::uint64_t>(key) * m_multiplier[axis];
    }

    std::uint64_t m_multiplier[3];
};

}  // namespace
}  // namespace weld
}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
