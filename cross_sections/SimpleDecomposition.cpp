// The decomposition step by step, as it is described in Decomposition.h: every
// point read through the lists, every list position reduced with Modulo. Quadratic
// in the loop sizes; the fast steps must give exactly what these give.
#include <climits>
#include <cmath>
#include <limits>

#include "Decomposition.h"

namespace kor {
namespace ShapeExport {
namespace detail {

namespace {

// The first vertex with the smallest x, by the rule of Loop::LeftMostVertex.
int LeftMost(const VertexList& loop, const Points& points) {
    int found = -1;
    double best = std::numeric_limits<double>::max();
    for (std::size_t i = 0; i < loop.size(); ++i) {
        const double x = points[loop[i].Index()].x();
        if (!(x >= best)) {
            found = static_cast<int>(i);
            best = x;
        }
    }
    return found;
}

// ---- Hole removal ----

// The hole entry with the smallest leftmost x (the earlier entry on a tie), or 0.
std::size_t ChooseHole(const WorkingList& list, const Points& points) {
    std::size_t chosen = 0;
    double smallest = std::numeric_limits<double>::max();
    for (std::size_t h = 1; h < list.Size(); ++h) {
        const int m = list.leftMost[h];
        if (m < 0) continue;
        const double x = points[list.loops[h][static_cast<std::size_t>(m)].Index()].x();
        if (x < smallest) {
            smallest = x;
            chosen = h;
        }
    }
    return chosen;
}

// Where a ray from M towards -x first meets the outline: the list position of the
// vertex the bridge starts at (`at`), or of the edge start (`at`) and end (`split`)
// whose inside it meets at `point`. `at` stays -1 when it meets nothing.
struct RayHit {
    int at = -1;
    int split = -1;
    Point point;
};

RayHit CastRay(const VertexList& outline, const Points& points, const Point& M, double bound) {
    RayHit hit;
    double bx = bound;
    const int s = static_cast<int>(outline.size());
    for (int i = 0; i < s; ++i) {
        const int j = Modulo(i + 1, s);
        const Point& A = points[outline[static_cast<std::size_t>(i)].Index()];
        const Point& B = points[outline[static_cast<std::size_t>(j)].Index()];
        if (A.x() >= M.x() && B.x() >= M.x()) continue;
        const double t = (B.y() - M.y()) * (A.y() - M.y());
        if (!(std::fabs(t) > kTouchTolerance)) {
            // The edge touches the ray's line at or near an end.
            if (A.x() > bx) {
                bx = A.x();
                hit = RayHit{i, -1, Point()};
            }
            if (B.x() > bx) {
                bx = B.x();
                hit = RayHit{j, -1, Point()};
            }
        } else if (t < -kTouchTolerance) {
            // A and B lie strictly on either side: the ray's line crosses the edge.
            const double xi = ((M.y() - A.y()) * (B.x() - A.x())) / (B.y() - A.y()) + A.x();
            if (xi < M.x() && xi > bx) {
                bx = xi;
                hit = RayHit{i, j, Point(xi, M.y())};
            }
        }
    }
    return hit;
}

// ---- Convex cuts ----

// Entry `index` of the list with its points, taken cyclically.
class Ring {
public:
    Ring(const VertexList& loop, const Points& points)
        : m_loop(loop), m_points(points), m_size(static_cast<int>(loop.size())) {}

    int Size() const { return m_size; }
    int Next(int k) const { return Modulo(k + 1, m_size); }
    int Prev(int k) const { return Modulo(k - 1, m_size); }
    const Point& P(int k) const { return m_points[m_loop[static_cast<std::size_t>(Modulo(k, m_size))].Index()]; }
    bool StrictlyConvex(int k) const { return Turn(P(k - 1), P(k), P(k + 1)) <= -kTurnTolerance; }

    // Whether vertex k lies inside the piece a..c or on its boundary, without
    // coinciding with an end of the edge it lies on.
    bool InsidePiece(int k, int a, int c) const {
        if (Turn(P(a), P(c), P(k)) <= -kTurnTolerance) return false;  // beyond the diagonal
        for (int d = c; d != a; d = Prev(d)) {
            const double u = Turn(P(d), P(d - 1), P(k));
            if (u >= kTurnTolerance) continue;  // on the inner side of this edge
            if (std::fabs(u) > kTurnTolerance) return false;
            // On the edge's line: a point repeated at an end (such as the two ends of
            // a bridge) counts as outside.
            if (!(Distance2(P(k), P(d)) > kCoincidentDistance2) || !(Distance2(P(k), P(d - 1)) > kCoincidentDistance2))
                return false;
        }
        return true;
    }

private:
    const VertexList& m_loop;
    const Points& m_points;
    int m_size;
};

// The first corner that is not strictly convex, or -1.
int FirstNonConvexCorner(const Ring& q) {
    for (int k = 0; k < q.Size(); ++k)
        if (!q.StrictlyConvex(k)) return k;
    return -1;
}

// Grows the piece a..k forward while closing it after k+1 would not make the
// corner at k+1 or at a clearly non-convex; returns its last vertex c.
int GrowPiece(const Ring& q, int a, int k) {
    while (q.Next(k) != a && q.StrictlyConvex(k) && !(Turn(q.P(k), q.P(k + 1), q.P(a)) > -kTurnTolerance) &&
           !(Turn(q.P(k + 1), q.P(a), q.P(a + 1)) > -kTurnTolerance))
        k = q.Next(k);
    return k;
}

// Shrinks the piece a..c while a vertex outside it, checked in order from c+1 to
// a-1, lies inside it. Returns the final c, or -1 when the piece became too small.
int ShrinkPiece(const Ring& q, int a, int c) {
    for (int k = q.Next(c); k != a;) {
        if (!q.InsidePiece(k, a, c)) {
            k = q.Next(k);
            continue;
        }
        c = q.Prev(c);
        if (Modulo(c - a, q.Size()) < 2) return -1;
    }
    return c;
}

}  // namespace

void WorkingList::Erase(std::size_t entry) {
    loops.erase(loops.begin() + static_cast<std::ptrdiff_t>(entry));
    leftMost.erase(leftMost.begin() + static_cast<std::ptrdiff_t>(entry));
    origin.erase(origin.begin() + static_cast<std::ptrdiff_t>(entry));
}

bool RemoveHole(WorkingList& list, Points& points) {
    if (list.Size() < 2) return false;
    const std::size_t hole = ChooseHole(list, points);
    if (hole == 0) return false;
    const int m = list.leftMost[hole];
    const Point M = points[list.loops[hole][static_cast<std::size_t>(m)].Index()];

    VertexList& outline = list.loops[0];
    const int leftMost = LeftMost(outline, points);  // as the outline stands now
    if (leftMost < 0) return false;
    const RayHit hit =
        CastRay(outline, points, M, points[outline[static_cast<std::size_t>(leftMost)].Index()].x() - 1.0);
    if (hit.at < 0) return false;

    int bridge = hit.at;
    if (hit.split >= 0) {
        if (points.Size() >= static_cast<std::size_t>(INT_MAX)) return false;  // no index left for it
        // The bridge meets the inside of an edge: that point becomes a new position
        // and a vertex of the outline between the edge's ends.
        const int added = static_cast<int>(points.Size());
        outline.insert(outline.begin() + hit.split, Vertex(added, true));
        points.Append(hit.point);
        bridge = hit.split;
    }
    SpliceBridge(outline, bridge, list.loops[hole], m, m);
    list.leftMost[0] = -1;
    list.Erase(hole);
    return true;
}

bool CutPiece(VertexList& loop, const Points& points, VertexList& piece) {
    const Ring q(loop, points);
    if (q.Size() <= 3) return false;
    const int r = FirstNonConvexCorner(q);
    if (r < 0) return false;

    int a = r;
    int k = q.Next(a);
    int c = -1;
    for (;;) {
        // Run: a becomes the last of a run of corners that are not strictly convex.
        if (k == r) return false;  // all the way around: the loop cannot be split
        if (!q.StrictlyConvex(k)) {
            a = k;
            k = q.Next(k);
            continue;
        }
        c = ShrinkPiece(q, a, GrowPiece(q, a, q.Next(k)));
        if (c >= 0) break;
        // Too small: start again after a.
        a = q.Next(a);
        k = q.Next(a);
    }
    piece = CopyRun(loop, a, c);
    CutRun(loop, a, c);
    return true;
}

void CutPieces(WorkingList& list, const Points& points, bool& limited) {
    const std::size_t count = list.Size();
    list.ReserveForPieces();
    for (std::size_t index = 0; index < count; ++index) {
        if (list.loops[index].size() <= 3) continue;
        AddPieces(list, points, limited, [&](VertexList& piece) { return CutPiece(list.loops[index], points, piece); });
    }
}

}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
