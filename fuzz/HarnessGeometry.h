// Bytes -> a polygon with holes on a small integer grid (so that collinear runs,
// repeated points, touching holes and zero-length edges are common) -> convex
// decomposition. Checks that every index stays inside the array, that the added
// positions are counted, and that the signed areas of the convex loops add up to
// those of the input loops.
//
// Layout: [scale] then loops, each [count][count bytes, low nibble x, high nibble y].
// The first loop is the outline, the others holes. A scale byte of 255 gives huge
// coordinates, 254 tiny ones.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <kor/ShapeExport/CrossSection.h>

#include "HarnessSupport.h"
#include "Shapes.h"  // tests/support

namespace fuzzing {

inline void CheckGeometry(const std::uint8_t* data, std::size_t size) {
    using testing_support::Points;
    using testing_support::SignedArea;
    if (size < 2) return;
    const double scale = data[0] == 255 ? 1e9 : data[0] == 254 ? 1e-9 : 1.0 + (data[0] % 4);
    std::size_t at = 1;
    Points positions;
    std::vector<std::vector<int>> loops;
    while (at < size && loops.size() < 64) {
        const std::size_t count = data[at++] % 40;
        std::vector<int> loop;
        for (std::size_t i = 0; i < count && at < size; ++i, ++at) {
            const double x = (data[at] & 15) * scale;
            const double y = (data[at] >> 4) * scale;
            positions.emplace_back(x, y);
            loop.push_back(static_cast<int>(positions.size()) - 1);
        }
        loops.push_back(loop);
    }
    if (loops.empty()) return;

    kor::ShapeExport::CrossSection section(positions, false);
    for (int i : loops[0]) section.GetExteriorLoop().AddVertex(i, true);
    double expected = SignedArea(section.ExteriorLoop(), positions);
    double magnitude = std::fabs(expected);
    for (std::size_t h = 1; h < loops.size(); ++h) {
        kor::ShapeExport::Loop& hole = section.AddInteriorLoop();
        for (int i : loops[h]) hole.AddVertex(i, true);
        expected += SignedArea(hole, positions);
        magnitude += std::fabs(SignedArea(hole, positions));
    }

    if (loops[0].empty()) expected = 0.0;  // an empty outline is not decomposed
    const std::size_t before = positions.size();
    double total = 0.0;
    for (const kor::ShapeExport::Loop& loop : section.ConvexLoops()) {
        for (const kor::ShapeExport::Vertex& v : loop.Vertices())
            Require(v.Index() >= 0 && static_cast<std::size_t>(v.Index()) < positions.size(),
                    "convex-loop index inside the array");
        total += SignedArea(loop, positions);
    }
    Require(section.AddedVertices().size() == positions.size() - before, "every added position recorded");
    Require(!(std::fabs(total - expected) > 1e-9 * (magnitude + scale * scale)), "areas add up");
}

}  // namespace fuzzing
