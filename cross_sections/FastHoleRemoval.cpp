// Hole removal with the same bridges, points and list order as the simple steps
// (SimpleDecomposition.cpp), without walking the whole, growing outline per hole:
//   - the holes are taken in the order the simple steps choose them (smallest
//     leftmost x, the earlier entry on a tie): a stable sort, once;
//   - the outline's leftmost x, which starts the ray's search bound, is kept as holes
//     are spliced in;
//   - the outline is a list of blocks of vertices, each with the bounding box of its
//     edges' ends, and the ray from M only looks into the blocks whose edges can
//     meet it: an edge whose ends both lie at or right of M, or both clearly above
//     or both clearly below the ray's line, gives no candidate (for the latter, the
//     product of the ends' heights exceeds the touching tolerance). The blocks it
//     looks into are walked edge by edge with the exact tests, in list order, so
//     the nearest meeting point and its tie-breaking are those of the simple steps.
#include <algorithm>
#include <climits>
#include <cmath>
#include <numeric>

#include <kor/math/BBox.h>

#include "Decomposition.h"
#include "DecompositionRules.h"

namespace kor {
namespace ShapeExport {
namespace detail {

namespace {

// Blocks are split when they grow beyond twice this many vertices.
constexpr std::size_t kBlockSize = 64;
// An edge whose ends both lie further than this above (or below) the ray's line
// cannot touch or cross it: the product of the heights exceeds kTouchTolerance.
constexpr double kRayBand = 1.001e-3;
static_assert(kRayBand * kRayBand > kTouchTolerance, "the band covers every touching edge");

using Box = kor::BBox<2, double>;

// A place in the outline: block and offset.
struct Place {
    std::size_t block;
    std::size_t offset;
};

class BlockOutline {
public:
    BlockOutline(const VertexList& outline, const Points& points) : m_points(points) {
        for (std::size_t i = 0; i < outline.size(); i += kBlockSize) {
            const auto end = outline.begin() + static_cast<std::ptrdiff_t>(std::min(outline.size(), i + kBlockSize));
            m_blocks.push_back(Block{VertexList(outline.begin() + static_cast<std::ptrdiff_t>(i), end), Box()});
            Measure(m_blocks.back());
        }
        for (const Vertex& v : outline) m_minX = std::min(m_minX, m_points[v.Index()].x());
    }

    bool Empty() const { return m_blocks.empty(); }
    double LeftMostX() const { return m_minX; }

    // Where the ray from M towards -x first meets the outline.
    RayHit<Place> CastRay(const Point& M, double bound) const {
        RayHit<Place> hit;
        double bestX = bound;
        for (std::size_t b = 0; b < m_blocks.size(); ++b) {
            const Place next{b + 1 < m_blocks.size() ? b + 1 : 0, 0};
            const Point& following = At(next);
            Box box = m_blocks[b].box;
            box.Extend(following);
            if (box.min.x() >= M.x() || box.min.y() - M.y() > kRayBand || box.max.y() - M.y() < -kRayBand) continue;
            const VertexList& vertices = m_blocks[b].vertices;
            for (std::size_t i = 0; i < vertices.size(); ++i) {
                const bool last = i + 1 == vertices.size();
                MeetEdge(m_points[vertices[i].Index()], last ? following : m_points[vertices[i + 1].Index()], M,
                         Place{b, i}, last ? next : Place{b, i + 1}, bestX, hit);
            }
        }
        return hit;
    }

    // Inserts `vertex` before the vertex at `place`; the vertex then stands there.
    // (The block is not split: the splice that follows does that.)
    void InsertBefore(const Place& place, const Vertex& vertex) {
        Block& block = m_blocks[place.block];
        block.vertices.insert(block.vertices.begin() + static_cast<std::ptrdiff_t>(place.offset), vertex);
        block.box.Extend(m_points[vertex.Index()]);
        m_minX = std::min(m_minX, m_points[vertex.Index()].x());
    }

    // Splices the hole in after the vertex at `place`, as SpliceBridge does.
    void SpliceAfter(const Place& place, const VertexList& hole, int first) {
        Block& block = m_blocks[place.block];
        double holeMinX = INFINITY;
        for (const Vertex& v : hole) holeMinX = std::min(holeMinX, m_points[v.Index()].x());
        SpliceBridge(block.vertices, static_cast<int>(place.offset), hole, first, first);
        m_minX = std::min(m_minX, holeMinX);
        Settle(place.block);
    }

    VertexList Flatten() const {
        VertexList all;
        for (const Block& block : m_blocks) all.insert(all.end(), block.vertices.begin(), block.vertices.end());
        return all;
    }

private:
    struct Block {
        VertexList vertices;
        Box box;  // of its vertices' points
    };

    const Point& At(const Place& place) const { return m_points[m_blocks[place.block].vertices[place.offset].Index()]; }

    void Measure(Block& block) const {
        block.box.Clear();
        for (const Vertex& v : block.vertices) block.box.Extend(m_points[v.Index()]);
    }

    // After block b grew: its box, and a split when it is too long.
    void Settle(std::size_t b) {
        if (m_blocks[b].vertices.size() <= 2 * kBlockSize) {
            Measure(m_blocks[b]);
            return;
        }
        VertexList all = std::move(m_blocks[b].vertices);
        std::vector<Block> pieces;
        for (std::size_t i = 0; i < all.size(); i += kBlockSize) {
            const auto end = all.begin() + static_cast<std::ptrdiff_t>(std::min(all.size(), i + kBlockSize));
            pieces.push_back(Block{VertexList(all.begin() + static_cast<std::ptrdiff_t>(i), end), Box()});
            Measure(pieces.back());
        }
        m_blocks.erase(m_blocks.begin() + static_cast<std::ptrdiff_t>(b));
        m_blocks.insert(m_blocks.begin() + static_cast<std::ptrdiff_t>(b), pieces.begin(), pieces.end());
    }

    const Points& m_points;
    std::vector<Block> m_blocks;
    double m_minX = INFINITY;
};

}  // namespace

void RemoveHolesFast(WorkingList& list, Points& points) {
    // The holes in the order they are chosen.
    std::vector<std::size_t> order;
    for (std::size_t h = 1; h < list.Size(); ++h)
        if (list.leftMost[h] >= 0) order.push_back(h);
    auto leftX = [&](std::size_t h) {
        return points[list.loops[h][static_cast<std::size_t>(list.leftMost[h])].Index()].x();
    };
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return leftX(a) < leftX(b); });

    BlockOutline outline(list.loops[0], points);
    std::vector<bool> spliced(list.Size(), false);
    for (std::size_t h : order) {
        if (outline.Empty()) break;
        const int m = list.leftMost[h];
        const Point M = points[list.loops[h][static_cast<std::size_t>(m)].Index()];
        const RayHit<Place> hit = outline.CastRay(M, outline.LeftMostX() - 1.0);
        if (!hit.found) break;
        Place bridge = hit.at;
        if (hit.split) {
            if (points.Size() >= static_cast<std::size_t>(INT_MAX)) break;  // no index left for it
            outline.InsertBefore(hit.end, Vertex(points.Append(hit.point), true));
            bridge = hit.end;
        }
        outline.SpliceAfter(bridge, list.loops[h], m);
        spliced[h] = true;
    }

    list.loops[0] = outline.Flatten();
    for (std::size_t h = list.Size(); h-- > 1;)
        if (spliced[h]) list.Erase(h);
}

}  // namespace detail
}  // namespace ShapeExport
}  // namespace kor
