// The decomposition step by step, as it is described in Decomposition.h: every
// point read through the lists, every list position reduced with Modulo. Quadratic
// in the loop sizes; the fast steps must give exactly what these give.
#include <climits>
#include <cmath>
#include <limits>

#include "Decomposition.h"
#include "DecompositionRules.h"

namespace kor {
namespace ShapeExport {
namespace detail {

namespace {

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

RayHit<int> CastRay(const VertexList& outline, const Points& points, const Point& M, double bound) {
    RayHit<int> hit;
    double bestX = bound;
    const int s = static_cast<int>(outline.size());
    for (int i = 0; i < s; ++i) {
        const int j = Modulo(i + 1, s);
        MeetEdge(points[outline[static_cast<std::size_t>(i)].Index()],
                 points[outline[static_cast<std::size_t>(j)].Index()], M, i, j, bestX, hit);
    }
    return hit;
}

// ---- Convex cuts ----

// A loop of the list with its points, taken cyclically, walked vertex by vertex.
class Ring {
public:
    Ring(const VertexList& loop, const Points& points)
        : m_loop(loop), m_points(points), m_size(static_cast<int>(loop.size())) {}

    int Count() const { return m_size; }
    int Next(int k) const { return Modulo(k + 1, m_size); }
    int Prev(int k) const { return Modulo(k - 1, m_size); }
    const Point& P(int k) const { return m_points[m_loop[static_cast<std::size_t>(k)].Index()]; }

    int FirstNotConvex() const {
        for (int k = 0; k < m_size; ++k)
            if (!StrictlyConvex(*this, k)) return k;
        return -1;
    }
    int FirstConvex(int k, int r) const {
        for (; k != r; k = Next(k))
            if (StrictlyConvex(*this, k)) return k;
        return -1;
    }
    void Bound(int, int) const {}
    int Candidate(int k, int, int) const { return k; }
    void Inside(int) const {}
    bool ShrinksAway(int, int) const { return false; }
    void Failed(int, int) const {}

private:
    const VertexList& m_loop;
    const Points& m_points;
    int m_size;
};

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
    // The outline's leftmost vertex as the outline stands now.
    const int leftMost = LeftMostPlace(outline, points.Size(), [&points](int i) { return points[i]; });
    if (leftMost < 0) return false;
    const RayHit<int> hit =
        CastRay(outline, points, M, points[outline[static_cast<std::size_t>(leftMost)].Index()].x() - 1.0);
    if (!hit.found) return false;

    int bridge = hit.at;
    if (hit.split) {
        if (points.Size() >= static_cast<std::size_t>(INT_MAX)) return false;  // no index left for it
        // The bridge meets the inside of an edge: that point becomes a new position
        // and a vertex of the outline between the edge's ends.
        const int added = static_cast<int>(points.Size());
        outline.insert(outline.begin() + hit.end, Vertex(added, true));
        points.Append(hit.point);
        bridge = hit.end;
    }
    SpliceBridge(outline, bridge, list.loops[hole], m, m);
    list.leftMost[0] = -1;
    list.Erase(hole);
    return true;
}

bool CutPiece(VertexList& loop, const Points& points, VertexList& piece) {
    Ring q(loop, points);
    int a = -1, c = -1;
    if (!FindPiece(q, a, c)) return false;
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
