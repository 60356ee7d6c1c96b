// Internal: the welded copy of a mesh's positions and indices.
#pragma once

#include <cstdint>
#include <vector>

#include <kor/ShapeExport/Position.h>

namespace kor {
namespace ShapeExport {
namespace detail {

// Bits that differ from call to call (the clock and a stack address, mixed).
std::uint64_t FreshSeed();

// Appends to keptOut every position that some index names and that is not Near
// (squared distance below 1e-8) a lower-numbered position kept before it, and to
// indicesOut, for every index of `indices` that names a position, the number of the
// kept position that the named one is near first (lowest kept number). Indices
// outside [0, positions.size()) are left out. Both outputs must be empty on entry;
// each is allocated once, at its final size.
// Works with 32-bit position numbers and cell tags internally (smaller tables, fewer
// cache misses), or with 64-bit ones (WeldWide) for 2^26 positions or more (which
// keeps the 32-bit tables below 2^30 slots).
// `seed` places the grids and seeds their cell hash; the result does not depend on it,
// only the time taken does. By default it is fresh per call, so that no input can be built
// against it; tests pass their own to be repeatable.
void Weld(const std::vector<Position>& positions, const std::vector<long long>& indices, std::vector<Position>& keptOut,
          std::vector<long long>& indicesOut, std::uint64_t seed = FreshSeed());

// The same with 64-bit position numbers whatever the size.
void WeldWide(const std::vector<Position>& positions, const std::vector<long long>& indices,
              std::vector<Position>& keptOut, std::vector<long long>& indicesOut, std::uint64_t seed = FreshSeed());

// The same result by the plain quadratic steps: the reference the fast weld is held to.
void WeldSimply(const std::vector<Position>& positions, const std::vector<long long>& indices,
                std::vector<Position>& keptOut, std::vector<long long>& indicesOut);

}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
