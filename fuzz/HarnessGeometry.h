// Bytes -> an outline with holes -> the decomposition, fast and simple, and the
// merged, cleaned and bounded pieces. Checks:
//   - the fast steps give exactly what the simple steps give;
//   - every index stays inside the positions, every new position is recorded;
//   - the signed areas of the pieces add up to those of the input loops;
//   - merging, cleaning and bounding keep the area;
//   - for the valid shapes of mode 1 (seeded stars, combs, plates), every result is
//     a tiling by convex counter-clockwise pieces (PieceChecks.h).
//
// Layout: [mode][scale][options] then, in mode 0, loops on a 16 x 16 grid (so that
// collinear runs, repeated points, touching holes and zero-length edges are
// common), each [count][count bytes, low nibble x, high nibble y], the first loop
// the outline; in mode 1, a shape family and size and 8 bytes of seed. A scale
// byte of 255 gives huge coordinates, 254 tiny ones.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include <kor/ShapeExport/ConvexMerge.h>
#include <kor/ShapeExport/CrossSections.h>

#include "Decomposition.h"
#include "HarnessSupport.h"
#include "PieceChecks.h"
#include "Shapes.h"

namespace fuzzing {

inline testing_support::Shape GeometryInput(Bytes& in, bool& valid) {
    const std::uint8_t mode = in.Byte() % 2;
    const std::uint8_t scaleByte = in.Byte();
    const double scale = scaleByte == 255 ? 1e9 : scaleByte == 254 ? 1e-9 : 1.0 + (scaleByte % 4);
    testing_support::Shape shape;
    valid = mode == 1;
    if (valid) {
        const int family = in.Byte() % 3, size = 1 + in.Byte() % 24;
        const std::uint64_t seed = in.U64();
        shape = family == 0   ? testing_support::Star(4 + 4 * size, size % 10, seed)
                : family == 1 ? testing_support::Comb(size, seed)
                              : testing_support::Plate(1 + size % 5, 3 + size % 14, seed);
    } else {
        for (std::size_t loop = 0; !in.Empty() && loop < 64; ++loop) {
            std::vector<int>& target = loop == 0 ? shape.outline : shape.holes.emplace_back();
            const std::size_t count = in.Byte() % 40;
            for (std::size_t i = 0; i < count && !in.Empty(); ++i) {
                const std::uint8_t b = in.Byte();
                target.push_back(shape.Add(b & 15, b >> 4));
            }
        }
    }
    for (auto& p : shape.positions) p = kor::Vec<2, double>(p.x() * scale, p.y() * scale);
    return shape;
}

inline void CheckGeometry(const std::uint8_t* data, std::size_t size) {
    namespace detail = kor::ShapeExport::detail;
    Bytes in(data, size);
    const std::uint8_t optionBits = size > 2 ? data[2] : 0;
    bool valid = false;
    const testing_support::Shape shape = GeometryInput(in, valid);

    // The fast and the simple steps.
    const detail::Decomposition fast = testing_support::Decompose(shape, true);
    const detail::Decomposition simple = testing_support::Decompose(shape, false);
    Require(fast.list.loops == simple.list.loops && fast.list.origin == simple.list.origin,
            "fast and simple loops agree");
    Require(fast.added.size() == simple.added.size() &&
                (fast.added.empty() ||
                 std::memcmp(fast.added.data(), simple.added.data(), fast.added.size() * sizeof(detail::Point)) == 0),
            "fast and simple points agree");

    // The cross section.
    kor::ShapeExport::CrossSections set = testing_support::MakeSet(shape);
    const auto& item = set.Items()[0];
    double expected = shape.outline.empty() ? 0.0 : testing_support::SignedArea(item.ExteriorLoop(), set.Positions());
    double magnitude = std::fabs(expected);
    for (const auto& hole : item.InteriorLoops()) {
        const double area = shape.outline.empty() ? 0.0 : testing_support::SignedArea(hole, set.Positions());
        expected += area;
        magnitude += std::fabs(area);
    }
    const std::vector<kor::ShapeExport::Loop>& pieces = item.ConvexLoops();
    Require(item.AddedVertices().size() == set.Positions().size() - shape.positions.size(),
            "every new position recorded");
    auto total = [&](const std::vector<kor::ShapeExport::Loop>& loops) {
        double sum = 0.0;
        for (const auto& loop : loops) {
            for (const auto& v : loop.Vertices())
                Require(v.Index() >= 0 && static_cast<std::size_t>(v.Index()) < set.Positions().size(),
                        "index inside the positions");
            sum += testing_support::SignedArea(loop, set.Positions());
        }
        return sum;
    };
    const double scaleSquared = set.Positions().empty() ? 1.0 : std::pow(std::fabs(set.Positions()[0].x()) + 1.0, 2);
    Require(!(std::fabs(total(pieces) - expected) > 1e-9 * (magnitude + scaleSquared)), "areas add up");

    kor::ShapeExport::ConvexMergeOptions options;
    options.merge = (optionBits & 1) != 0;
    options.clean = (optionBits & 2) != 0;
    options.maxVertices = (optionBits >> 2) % 10;
    const std::vector<kor::ShapeExport::Loop> merged =
        kor::ShapeExport::MergeConvexLoops(set.Positions(), pieces, options);
    Require(!(std::fabs(total(merged) - total(pieces)) > 1e-9 * (magnitude + scaleSquared)), "merging keeps the area");
    if (valid) {
        Require(testing_support::CheckPieces(set.Positions(), pieces, expected).empty(), "the pieces tile the shape");
        const std::size_t bound = options.maxVertices == 0 ? 0 : std::max<std::size_t>(options.maxVertices, 3);
        Require(testing_support::CheckPieces(set.Positions(), merged, expected, bound).empty(),
                "the merged pieces tile the shape");
    }
}

}  // namespace fuzzing
