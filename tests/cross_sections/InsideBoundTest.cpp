// The box the fast cuts search their grid in (InsideBound) holds every point that the
// exact inside test takes: seeded convex pieces of 3 to 8 corners, and stars whose
// corners all turn left but that wind twice, thin and wide,
// tiny (where the tolerance band beyond an edge is wider than the piece) and far from
// the origin (where rounding moves the turns), with points sampled in the band along
// every line and where the bands of a corner's two lines meet, beyond the corner.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "DecompositionRules.h"

namespace {

namespace detail = kor::ShapeExport::detail;
using detail::Point;

// The piece as nodes 0 .. corners - 1 of a ring; the nodes after them are the sampled points.
struct PieceRing {
    std::vector<Point> points;
    int corners;
    int Next(int k) const { return k + 1 == corners ? 0 : k + 1; }
    int Prev(int k) const { return k == 0 ? corners - 1 : k - 1; }
    const Point& P(int k) const { return points[static_cast<std::size_t>(k)]; }
};

TEST(InsideBound, HoldsEveryPointTheInsideTestTakes) {
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    int bounded = 0, takenOutsideThePiecesBox = 0;
    for (const double scale : {1e-5, 1e-3, 1.0, 1e3})
        for (const double offset : {0.0, 1e7})
            for (int trial = 0; trial < 300; ++trial) {
                PieceRing q{{}, 3 + trial % 6};
                // Corners on an ellipse in counter-clockwise order; some arcs are narrow.
                std::vector<double> angles(static_cast<std::size_t>(q.corners));
                for (double& angle : angles) angle = 6.283185307179586 * std::pow(unit(random), 1 + trial % 3);
                std::sort(angles.begin(), angles.end());
                if (trial % 7 == 0)
                    for (double& angle : angles) angle *= 2.0;  // around twice
                const double squash = trial % 5 == 0 ? 1e-3 : 1.0;
                for (const double angle : angles)
                    q.points.emplace_back(offset + scale * std::cos(angle), offset + scale * squash * std::sin(angle));
                kor::BBox<2, double> pieceBox, all, box;
                // At each corner, points in the band of the line leaving it, along it and past
                // its ends, and points near where the lines at the corner, pushed out within the
                // band, meet: the bound is needed most there, beyond a sharp corner.
                for (int k = 0; k < q.corners; ++k) {
                    // Copies: the samples grow the array.
                    const Point before = q.P(q.Prev(k)), at = q.P(k), after = q.P(q.Next(k));
                    pieceBox.Extend(at);
                    const double ix = at.x() - before.x(), iy = at.y() - before.y();  // the line arriving
                    const double ox = after.x() - at.x(), oy = after.y() - at.y();    // the line leaving
                    const double length = std::hypot(ox, oy), det = ix * oy - iy * ox;
                    for (int s = 0; s < 40; ++s) {
                        const double t = unit(random) * 5.0 - 2.0;
                        const double out = (unit(random) * 3.0 - 1.0) * detail::kTurnTolerance / length;
                        q.points.emplace_back(at.x() + t * ox + out * oy / length, at.y() + t * oy - out * ox / length);
                    }
                    for (int s = 0; s < 20; ++s) {
                        const double in = 1.2 * unit(random), out = 1.2 * unit(random);
                        const double t = detail::kTurnTolerance / det;
                        const Point tip(t * (out * ix - in * ox), t * (out * iy - in * oy));
                        if (std::fabs(tip.x()) + std::fabs(tip.y()) < 1e3 * scale)  // within the loop's reach
                            q.points.emplace_back(at.x() + tip.x(), at.y() + tip.y());
                    }
                }
                for (const Point& p : q.points) all.Extend(p);
                if (!detail::InsideBound(q, 0, q.corners - 1, detail::kTurnTolerance, detail::LargerSide(all), box))
                    continue;
                ++bounded;
                for (int k = q.corners; k < static_cast<int>(q.points.size()); ++k) {
                    if (!detail::InsidePiece(q, k, 0, q.corners - 1)) continue;
                    takenOutsideThePiecesBox += !pieceBox.Contains(q.P(k));
                    ASSERT_TRUE(box.Contains(q.P(k)))
                        << "scale " << scale << " offset " << offset << " trial " << trial << " point " << k;
                }
            }
    // The samples reach where the bound is needed: most pieces are bounded, and many
    // points the test takes lie outside the piece's own box.
    EXPECT_GT(bounded, 1500);
    EXPECT_GT(takenOutsideThePiecesBox, 100);
}

}  // namespace
