// The decomposition driver: the fast steps where their preconditions hold, the
// simple ones otherwise.
#include <cmath>

#include "Decomposition.h"

namespace kor {
namespace ShapeExport {
namespace detail {

namespace {

bool Moderate(double value) { return std::fabs(value) <= kFastCoordinateLimit; }  // false for NaN

bool FastStepsApply(const std::vector<Point>& positions, const VertexList& outline, const std::vector<Hole>& holes) {
    auto moderate = [&positions](const VertexList& loop) {
        for (const Vertex& v : loop) {
            const Point& p = positions[static_cast<std::size_t>(v.Index())];
            if (!Moderate(p.x()) || !Moderate(p.y())) return false;
        }
        return true;
    };
    if (!moderate(outline)) return false;
    for (const Hole& hole : holes)
        if (!moderate(*hole.vertices)) return false;
    return true;
}

WorkingList StartList(const VertexList& outline, const std::vector<Hole>& holes) {
    WorkingList list;
    list.Add(outline, -1, WorkingList::kOutline);
    for (std::size_t h = 0; h < holes.size(); ++h) list.Add(*holes[h].vertices, holes[h].leftMost, static_cast<int>(h));
    return list;
}

}  // namespace

Decomposition Decompose(const std::vector<Point>& positions, const VertexList& outline,
                        const std::vector<Hole>& holes) {
    if (!FastStepsApply(positions, outline, holes)) return DecomposeSimply(positions, outline, holes);
    Decomposition result;
    result.list = StartList(outline, holes);
    Points points(positions);
    RemoveHolesFast(result.list, points);
    CutPiecesFast(result.list, points, result.limitedByPositions);
    result.added = points.Added();
    return result;
}

Decomposition DecomposeSimply(const std::vector<Point>& positions, const VertexList& outline,
                              const std::vector<Hole>& holes) {
    Decomposition result;
    result.list = StartList(outline, holes);
    Points points(positions);
    while (RemoveHole(result.list, points)) {}
    CutPieces(result.list, points, result.limitedByPositions);
    result.added = points.Added();
    return result;
}

}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
