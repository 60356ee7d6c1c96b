// Bytes -> an outline with holes -> the decomposition, fast and simple, and the
// merged, cleaned and bounded pieces. The decomposition tests feed it seeded random
// bytes too. Checks:
//   - the fast steps give exactly what the simple steps give (loops, origins, new
//     points bit for bit, whether the guard on the number of loops stopped them);
//   - every index stays inside the positions, every new position is recorded;
//   - the signed areas of the pieces add up to those of the input loops;
//   - for every input, the merged, cleaned and bounded pieces are convex,
//     counter-clockwise and within the bound, as are those merged from the shape's
//     own loops (not convex, crossing, clockwise); so are those under a slop (a share of
//     the shape's size the options pick), which also keep the slop's promises
//     (Shapes.h, SlopViolation) and lose at most a strip of twice the slop along the
//     pieces' outlines;
//   - on the valid shapes (the families below, moved and scaled) whose pieces all
//     came out convex, the pieces and the merged ones tile the shape (Shapes.h,
//     CheckPieces).
//
// Layout: [family][change][options][size] then, for family 0, loops on a 16 x 16
// grid (collinear runs, repeated points, touching holes and zero-length edges are
// common), each [count][count bytes, low nibble x, high nibble y], the first loop
// the outline, `size` points long; for family 5, loops of any points, each [count,
// 2 bytes][count x, y pairs of 8-byte doubles] (the real polygons of
// tests/data/realworld are seeds: scripts/geometry-seeds.py); for the others
// (seeded stars, combs, plates, spirals) 8 bytes of seed. The change scales, moves,
// jitters, mirrors, rounds or breaks the points (see Change).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <kor/ShapeExport/ConvexMerge.h>
#include <kor/ShapeExport/CrossSections.h>
#include <kor/ShapeExport/LoopChecks.h>

#include "Decomposition.h"
#include "HarnessSupport.h"
#include "Shapes.h"

namespace fuzzing {

namespace geometry {

constexpr int kChanges = 11;

// Changes the points; true when the shape stays valid (turns far from the tolerance,
// no crossings, finite products).
inline bool Change(testing_support::Shape& shape, int change, std::mt19937_64& random) {
    std::uniform_real_distribution<double> unit(-0.5, 0.5);
    for (auto& p : shape.positions) {
        double x = p.x(), y = p.y();
        switch (change) {
            case 1: x *= 1e9, y *= 1e9; break;
            case 2: x += 1e-7 * unit(random), y += 1e-7 * unit(random); break;
            case 3: x = 1e7 + x * 1e3, y = -1e7 + y * 1e3; break;
            case 4: x *= 1e149, y *= 1e149; break;  // the largest the fast steps take
            case 5: x *= 1e-5, y *= 1e-5; break;    // turns near the tolerance
            case 6: x *= 1e-9, y *= 1e-9; break;
            case 7: x = std::round(x * 2) / 2, y = std::round(y * 2) / 2; break;  // touching itself
            case 8: x = -x; break;                  // clockwise outline, holes the other way
            case 9: x *= 1e200, y *= 1e200; break;  // products overflow
            case 10:
                if (unit(random) > 0.45) x = unit(random) > 0 ? std::numeric_limits<double>::quiet_NaN() : INFINITY;
                break;
            default: break;
        }
        p = kor::Vec<2, double>(x, y);
    }
    return change <= 4;
}

inline testing_support::Shape Input(Bytes& in, bool& valid, int& change) {
    const int family = in.Byte() % 6;
    change = in.Byte() % kChanges;
    in.Byte();  // the options
    testing_support::Shape shape;
    const int size = 1 + in.Byte() % 40;
    const std::uint64_t seed = family == 0 || family == 5 ? 0 : in.U64();
    std::mt19937_64 random(seed);
    switch (family) {
        case 1: shape = testing_support::Star(4 + 3 * size, size % 10, seed); break;
        case 2: shape = testing_support::Comb(size, seed); break;
        case 3: shape = testing_support::Plate(1 + size % 5, 3 + size % 14, seed); break;
        case 4: shape = testing_support::Spiral(1 + size % 3, 6 + size % 20); break;
        case 5:
            for (std::size_t loop = 0; !in.Empty() && loop < 1024; ++loop) {
                std::vector<int>& target = loop == 0 ? shape.outline : shape.holes.emplace_back();
                const std::size_t count = in.Byte() | std::size_t{in.Byte()} << 8;
                for (std::size_t i = 0; i < count && !in.Empty(); ++i) {
                    const double x = in.RawDouble();
                    target.push_back(shape.Add(x, in.RawDouble()));
                }
            }
            break;
        default:
            for (std::size_t loop = 0; !in.Empty() && loop < 64; ++loop) {
                std::vector<int>& target = loop == 0 ? shape.outline : shape.holes.emplace_back();
                const std::size_t count = loop == 0 ? size : in.Byte() % 40;
                for (std::size_t i = 0; i < count && !in.Empty(); ++i) {
                    const std::uint8_t b = in.Byte();
                    target.push_back(shape.Add(b & 15, b >> 4));
                }
            }
    }
    // Shapes made without a seed (regular stars, combs, plates) have vertices aligned
    // exactly; moved off their lines by rounding or jitter they are near-degenerate,
    // where the greedy cuts may leave a piece that is not convex: checked as tilings
    // only unchanged.
    const bool aligned = seed == 0 && family != 4;
    valid = Change(shape, change, random) && family != 0 && family != 5 && !(aligned && change != 0);
    return shape;
}

}  // namespace geometry

// What is wrong for these bytes ("" when nothing is).
inline std::string GeometryDifference(const std::uint8_t* data, std::size_t size) {
    namespace detail = kor::ShapeExport::detail;
    Bytes in(data, size);
    const std::uint8_t optionBits = size > 2 ? data[2] : 0;
    bool valid = false;
    int change = 0;
    const testing_support::Shape shape = geometry::Input(in, valid, change);

    const detail::Decomposition fast = testing_support::Decompose(shape, true);
    const detail::Decomposition simple = testing_support::Decompose(shape, false);
    if (fast.list.loops != simple.list.loops || fast.list.origin != simple.list.origin) return "fast and simple loops";
    if (!SameBits(fast.added, simple.added)) return "fast and simple points";
    if (fast.limitedByPositions != simple.limitedByPositions) return "fast and simple stop alike";

    const kor::ShapeExport::CrossSections set = testing_support::MakeSet(shape);
    const auto& item = set.Items()[0];
    const std::vector<kor::ShapeExport::Loop>& pieces = item.ConvexLoops();
    if (item.AddedVertices().size() != set.Positions().size() - shape.positions.size()) return "new positions recorded";
    // Areas are sums of products that may nearly cancel (a self-crossing outline):
    // the slack follows the size of the areas summed, not of the result.
    bool inside = true;
    double summed = 0.0;
    auto total = [&](const std::vector<kor::ShapeExport::Loop>& loops) {
        double sum = 0.0;
        for (const auto& loop : loops) {
            for (const auto& v : loop.Vertices())
                inside = inside && v.Index() >= 0 && static_cast<std::size_t>(v.Index()) < set.Positions().size();
            const double area = inside ? kor::ShapeExport::SignedArea(loop, set.Positions()) : 0.0;
            sum += area;
            if (std::isfinite(area)) summed += std::fabs(area);  // a loop through NaN adds no size
        }
        return sum;
    };
    std::vector<kor::ShapeExport::Loop> input = item.InteriorLoops();
    input.push_back(item.ExteriorLoop());
    const double inputArea = total(input), piecesArea = total(pieces);
    const double expected = shape.outline.empty() ? 0.0 : inputArea;  // holes without an outline give no pieces
    // Each product is rounded relative to the squared coordinates: a shape of zero
    // area drawn at 1e149 sums to rounding noise of 1e283.
    const double extent = testing_support::FiniteExtent(set.Positions(), 1.0);
    const double slack = 1e-9 * summed + 1e-12 * extent * extent;
    if (std::fabs(piecesArea - expected) > slack) return "the areas add up";

    kor::ShapeExport::ConvexMergeOptions options;
    options.merge = (optionBits & 1) != 0;
    options.clean = (optionBits & 2) != 0;
    options.maxVertices = (optionBits >> 2) % 10;
    const std::vector<kor::ShapeExport::Loop> merged =
        kor::ShapeExport::MergeConvexLoops(set.Positions(), pieces, options);
    // Cleaning drops corners that turn within the tolerance, by design: the area may
    // change by half the tolerance for each.
    std::size_t vertexCount = 0;
    for (const auto& piece : pieces) vertexCount += piece.Vertices().size();
    const double droppedTurns = options.clean ? 1e-12 * extent * extent * 4 * static_cast<double>(vertexCount) : 0.0;
    const std::size_t bound = options.maxVertices == 0 ? 0 : std::max<std::size_t>(options.maxVertices, 3);
    // Whatever the input, the merged pieces are convex, counter-clockwise and within
    // the bound.
    const std::string shapes = testing_support::ConvexWithin(set.Positions(), merged, bound);
    if (!shapes.empty()) return "the merged pieces: " + shapes;
    const std::string own = testing_support::ConvexWithin(  // the step takes any loops: the shape's own too
        set.Positions(), kor::ShapeExport::MergeConvexLoops(set.Positions(), input, options), bound);
    if (!own.empty()) return "the shape's own loops merged: " + own;
    if (!inside) return "indices inside the positions";
    if (const int slopShare = optionBits >> 6; slopShare != 0 && std::isfinite(piecesArea)) {
        const kor::BBox<2, double> box = testing_support::FiniteBox(set.Positions());
        const double across = std::max(box.max.x() - box.min.x(), box.max.y() - box.min.y());
        options.slop = across * (slopShare == 1 ? 1e-4 : slopShare == 2 ? 1e-3 : 3e-2);
        const std::vector<kor::ShapeExport::Loop> slopped =
            kor::ShapeExport::MergeConvexLoops(set.Positions(), pieces, options);
        const std::string within = testing_support::ConvexWithin(set.Positions(), slopped, bound);
        if (!within.empty()) return "the pieces under a slop: " + within;
        const std::string promise = testing_support::SlopViolation(set.Positions(), slopped, options.slop);
        if (!promise.empty()) return "the pieces under a slop: " + promise;
        const double lost = total(merged) - total(slopped);
        // (Areas summed over coordinates near the largest double may overflow: no loss is told then.)
        if (std::isfinite(options.slop) && std::isfinite(lost) &&
            !(lost >= -slack && lost <= 2 * options.slop * testing_support::Perimeter(set.Positions(), merged) + slack))
            return "the pieces under a slop lose more than a strip along their outlines";
    }
    // Where the guard on the number of loops stopped the cuts, what remains is not
    // split further; and where the cuts found no way to split a loop (a bridge that
    // meets another hole, corners within the tolerance) it is handed back as it is:
    // there (and where it touches itself) the triangles of what is left may overlap:
    // the pieces, greedy and merged, tile valid shapes where the greedy ones all came
    // out convex.
    if (!valid || fast.limitedByPositions || !testing_support::ConvexWithin(set.Positions(), pieces).empty()) return "";
    const std::string tiling = testing_support::CheckPieces(set.Positions(), pieces, expected);
    if (!tiling.empty()) return "the pieces: " + tiling;
    const std::string mergedTiling =
        testing_support::CheckPieces(set.Positions(), merged, expected, bound, droppedTurns);
    if (!mergedTiling.empty()) return "the merged pieces: " + mergedTiling;
    if (bound == 0 && merged.size() > pieces.size()) return "merging or cleaning adds pieces";
    return "";
}

inline void CheckGeometry(const std::uint8_t* data, std::size_t size) {
    const std::string difference = GeometryDifference(data, size);
    Require(difference.empty(), ("the decomposition: " + difference).c_str());
}

}  // namespace fuzzing
