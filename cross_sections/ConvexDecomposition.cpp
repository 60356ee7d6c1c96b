// Convex decomposition: repeatedly finds a corner that is not strictly convex,
// grows a convex piece forward from it, shrinks the piece until no other vertex of
// the loop lies inside it, and cuts it off along one diagonal.
#include <kor/ShapeExport/CrossSection.h>

#include <cstddef>
#include <vector>

namespace kor {
namespace ShapeExport {

namespace {

const double kConvex = -1e-6;  // a turn at or below this is a strictly convex corner
const double kInside = 1e-6;   // a turn at or above this is on the inner side of an edge
const double kSquare = 1e-12;  // limit on squared quantities: collinear, coincident

using Point2 = kor::Vec<2, double>;

// Cross product of A - B and C - B.
double Turn(const Point2& A, const Point2& B, const Point2& C) {
    return (A.x() - B.x()) * (C.y() - B.y()) - (A.y() - B.y()) * (C.x() - B.x());
}

double Distance2(const Point2& p, const Point2& q) {
    const double dx = p.x() - q.x();
    const double dy = p.y() - q.y();
    return dx * dx + dy * dy;
}

}  // namespace

void CrossSection::BuildConvexLoops() const {
    const std::size_t count = m_convex.size();
    for (std::size_t index = 0; index < count; ++index) {
        if (m_convex[index].Vertices().size() <= 3) continue;
        while (!BuildConvexLoop(index)) {
        }
    }
}

bool CrossSection::BuildConvexLoop(std::size_t index) const {
    if (index >= m_convex.size()) return true;
    // Guard: the list never holds more loops than there are positions.
    if (m_convex.size() >= m_positions->size()) return true;
    const Loop& Q = m_convex[index];
    const int s = static_cast<int>(Q.Vertices().size());
    if (s <= 3) return true;

    // The loop's points in list order: the turn tests below run O(s) times per
    // vertex in the worst case, so they index this array directly. Every list
    // position they use lies in -1 .. s.
    std::vector<Point2> points;
    points.reserve(static_cast<std::size_t>(s));
    for (const Vertex& v : Q.Vertices()) points.push_back((*m_positions)[static_cast<std::size_t>(v.Index())]);
    auto P = [&](int k) -> const Point2& {
        return points[static_cast<std::size_t>(k < 0 ? k + s : (k >= s ? k - s : k))];
    };
    auto next = [s](int k) { return k + 1 == s ? 0 : k + 1; };
    auto prev = [s](int k) { return k == 0 ? s - 1 : k - 1; };
    auto strictlyConvex = [&](int k) { return Turn(P(k - 1), P(k), P(k + 1)) <= kConvex; };

    // Scan for the first corner that is not strictly convex.
    int r = -1;
    for (int k = 0; k < s; ++k) {
        if (!strictlyConvex(k)) {
            r = k;
            break;
        }
    }
    if (r < 0) return true;  // Q is convex

    int a = r;
    int k = next(a);
    int c = -1;
    for (;;) {
        // Run: a becomes the last of a run of corners that are not strictly convex.
        if (k == r) return true;  // back at the start: Q cannot be split
        if (!strictlyConvex(k)) {
            a = k;
            k = next(k);
            continue;
        }
        k = next(k);

        // Grow the piece a .. k+1 while closing it keeps every corner strictly convex.
        for (;;) {
            if (next(k) == a || !strictlyConvex(k) || Turn(P(k), P(k + 1), P(a)) > kConvex ||
                Turn(P(k + 1), P(a), P(a + 1)) > kConvex) {
                c = k;
                break;
            }
            k = next(k);
        }

        // Check the vertices outside the piece, c+1 .. a-1; shrink the piece while one
        // of them lies inside it or on its boundary.
        bool gaveUp = false;
        k = next(c);
        while (k != a) {
            bool outside = Turn(P(a), P(c), P(k)) <= kConvex;
            for (int d = c; !outside && d != a; d = prev(d)) {
                const double u = Turn(P(d), P(d - 1), P(k));
                if (u >= kInside) continue;
                if (u * u > kSquare) {
                    outside = true;
                } else {
                    // On the edge's line: a point coinciding with an end (such as the
                    // two ends of a bridge) counts as outside.
                    const double toEnd = Distance2(P(k), P(d));
                    const double toStart = Distance2(P(k), P(d - 1));
                    outside = !(toEnd * toEnd > kSquare) || !(toStart * toStart > kSquare);
                }
            }
            if (outside) {
                k = next(k);
                continue;
            }
            c = prev(c);
            if (Modulo(c - a, s) < 2) {
                // The piece became too small: give up this start.
                a = next(a);
                k = next(a);
                gaveUp = true;
                break;
            }
        }
        if (!gaveUp) break;
    }

    // Cut the piece a .. c off Q.
    m_convex.emplace_back(*m_positions, false);
    Loop& piece = m_convex.back();
    Loop& rest = m_convex[index];
    piece.Add(rest, -1, a, c);
    rest.Cut(a, c);
    return false;
}

}  // namespace ShapeExport
}  // namespace kor
