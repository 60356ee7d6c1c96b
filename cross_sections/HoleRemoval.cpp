// Hole removal: splices one hole into the working outline (entry 0 of the convex
// list) by a bridge from the hole's leftmost vertex M to the nearest point of the
// outline met by a ray from M towards -x. Holes go in order of their leftmost x, so
// the ray can only meet the outline and holes spliced before.
#include <kor/ShapeExport/CrossSection.h>

#include <climits>
#include <cstddef>

namespace kor {
namespace ShapeExport {

namespace {

const double kLargest = 1.7976931348623157e308;
const double kTouch2 = 1e-12;   // limit on the square of the touching measure
const double kCross = -1e-6;    // below this an edge crosses the ray's line

}  // namespace

bool CrossSection::RemoveHole() const {
    const std::size_t n = m_convex.size();
    if (n < 2) return false;
    std::vector<kor::Vec<2, double>>& positions = *m_positions;

    // The hole with the smallest leftmost x; the earlier entry wins a tie.
    double holeX = kLargest;
    std::size_t hole = 0;
    int m = -1;
    for (std::size_t h = 1; h < n; ++h) {
        const int leftMost = m_convex[h].LeftMostVertex();
        if (leftMost < 0) continue;
        const int index = m_convex[h].Vertices()[static_cast<std::size_t>(leftMost)].Index();
        const double x = positions[static_cast<std::size_t>(index)].x();
        if (x < holeX) {
            holeX = x;
            hole = h;
            m = leftMost;
        }
    }
    if (m < 0) return false;
    const Loop& holeLoop = m_convex[hole];
    const kor::Vec<2, double> M = positions[static_cast<std::size_t>(holeLoop.Vertices()[static_cast<std::size_t>(m)].Index())];

    // The outline's leftmost vertex as the outline stands after earlier splices.
    Loop& outline = m_convex[0];
    outline.m_leftMost = -1;
    const int leftMost = outline.LeftMostVertex();
    if (leftMost < 0) return false;
    double bx = Point(outline, leftMost).x() - 1.0;

    int candidate = -1;
    int split = -1;
    kor::Vec<2, double> candidatePoint;
    const int s = static_cast<int>(outline.Vertices().size());
    for (int i = 0; i < s; ++i) {
        const int j = Modulo(i + 1, s);
        const kor::Vec<2, double> A = Point(outline, i);
        const kor::Vec<2, double> B = Point(outline, j);
        if (A.x() >= M.x() && B.x() >= M.x()) continue;
        const double t = (B.y() - M.y()) * (A.y() - M.y());
        if (!(t * t > kTouch2)) {
            // The edge touches the ray's line at or near an endpoint.
            if (A.x() > bx) {
                bx = A.x();
                candidate = i;
                split = -1;
            }
            if (B.x() > bx) {
                bx = B.x();
                candidate = j;
                split = -1;
            }
        } else if (t < kCross) {
            // A and B lie strictly on opposite sides: the ray may meet the edge inside.
            const double xi = ((M.y() - A.y()) * (B.x() - A.x())) / (B.y() - A.y()) + A.x();
            if (xi < M.x() && xi > bx) {
                bx = xi;
                candidatePoint = kor::Vec<2, double>(xi, M.y());
                candidate = i;
                split = j;
            }
        }
    }
    if (candidate < 0) return false;

    int bridge = candidate;
    if (split >= 0) {
        // The bridge meets the inside of an edge: the meeting point becomes a new
        // position and a new vertex of the outline between `candidate` and `split`.
        if (positions.size() >= static_cast<std::size_t>(INT_MAX)) return false;
        const int added = static_cast<int>(positions.size());
        outline.InsertVertex(added, split);
        m_added.push_back(added);
        positions.push_back(candidatePoint);
        bridge = split;
    }

    outline.Add(m_convex[hole], bridge, m, -1);
    m_convex.erase(m_convex.begin() + static_cast<std::ptrdiff_t>(hole));
    return true;
}

}  // namespace ShapeExport
}  // namespace kor
