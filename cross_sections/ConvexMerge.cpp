// Joining, cleaning and bounding convex pieces (see ConvexMerge.h).
//
// The pieces are rings of nodes, one node per vertex of each piece. Joining two
// pieces across a shared edge u -> v / v -> u relinks four nodes: the piece that
// runs u -> v keeps its nodes of u and v, the other one's nodes of u and v are
// retired and stand for the kept ones from then on. So every join costs a few
// steps, and a piece that grows by thousands of joins (a fan) is never copied.
#include <kor/ShapeExport/ConvexMerge.h>

#include <cmath>
#include <cstdint>
#include <numeric>
#include <utility>
#include <vector>

#include "Decomposition.h"

namespace kor {
namespace ShapeExport {

namespace {

using detail::Point;
using detail::Turn;
using detail::VertexList;

constexpr double kTurnTolerance = detail::kTurnTolerance;

// Whether the loop is a convex piece that takes part: at least three vertices on
// finite positions, no corner turning the other way beyond the tolerance, positive
// area.
bool IsPiece(const VertexList& loop, const std::vector<Point>& positions) {
    const std::size_t n = loop.size();
    if (n < 3) return false;
    for (const Vertex& v : loop) {
        if (v.Index() < 0 || static_cast<std::size_t>(v.Index()) >= positions.size()) return false;
        const Point& p = positions[static_cast<std::size_t>(v.Index())];
        if (!std::isfinite(p.x()) || !std::isfinite(p.y())) return false;
    }
    auto at = [&](std::size_t i) -> const Point& { return positions[static_cast<std::size_t>(loop[i % n].Index())]; };
    double twiceArea = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        if (Turn(at(i + n - 1), at(i), at(i + 1)) > kTurnTolerance) return false;
        twiceArea += at(i).x() * at(i + 1).y() - at(i + 1).x() * at(i).y();
    }
    return twiceArea > 0.0;
}

// The node of the first edge u -> v among edges (u, v) of position indices, each
// given by the node it starts at. Open addressing with linear probing over a table
// at most half full that holds only node numbers (the edge is read from the node):
// small, so that a call touches little fresh memory.
class EdgeTable {
public:
    // `keys[node]`: the edge that starts at the node, as Key(u, v).
    explicit EdgeTable(std::vector<std::uint64_t> keys) : m_keys(std::move(keys)) {
        std::size_t size = 16;
        for (m_shift = 60; size < 2 * m_keys.size(); size *= 2) --m_shift;
        m_slots.assign(size, -1);
        for (std::size_t node = 0; node < m_keys.size(); ++node)
            for (std::size_t i = Home(m_keys[node]);; i = (i + 1) & (size - 1)) {
                if (m_slots[i] < 0) m_slots[i] = static_cast<int>(node);
                if (m_keys[static_cast<std::size_t>(m_slots[i])] == m_keys[node]) break;
            }
    }

    // The node of the first edge with this key, or -1.
    int Find(std::uint64_t key) const {
        for (std::size_t i = Home(key);; i = (i + 1) & (m_slots.size() - 1)) {
            if (m_slots[i] < 0 || m_keys[static_cast<std::size_t>(m_slots[i])] == key) return m_slots[i];
        }
    }

    static std::uint64_t Key(int u, int v) {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(u)) << 32) | static_cast<std::uint32_t>(v);
    }

private:
    std::size_t Home(std::uint64_t key) const {  // the product's top bits
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> m_shift);
    }

    std::vector<std::uint64_t> m_keys;
    std::vector<int> m_slots;
    int m_shift = 60;
};

class PieceRings {
public:
    PieceRings(const std::vector<Point>& positions, const std::vector<const VertexList*>& pieces)
        : m_positions(positions) {
        for (std::size_t p = 0; p < pieces.size(); ++p) {
            const std::size_t first = m_nodes.size();
            const std::size_t n = pieces[p]->size();
            for (std::size_t i = 0; i < n; ++i)
                m_nodes.push_back(Node{(*pieces[p])[i], static_cast<int>(first + (i + 1) % n),
                                       static_cast<int>(first + (i + n - 1) % n), static_cast<int>(first + i),
                                       static_cast<int>(p)});
        }
        m_group.resize(pieces.size());
        std::iota(m_group.begin(), m_group.end(), 0);
    }

    // Joins pieces across their shared edges where the union stays convex, shared
    // edges taken piece by piece in list order.
    void Join() {
        // The pieces' own edges, each as the node it starts at and the node it ends at.
        std::vector<int> ends(m_nodes.size());
        std::vector<std::uint64_t> keys(m_nodes.size());
        for (std::size_t n = 0; n < m_nodes.size(); ++n) {
            ends[n] = m_nodes[n].next;
            keys[n] = EdgeTable::Key(Index(static_cast<int>(n)), Index(ends[n]));
        }
        const EdgeTable edges(std::move(keys));
        for (std::size_t n = 0; n < m_nodes.size(); ++n) {
            const int twin = edges.Find(EdgeTable::Key(Index(ends[n]), Index(static_cast<int>(n))));
            if (twin < 0 || m_nodes[static_cast<std::size_t>(twin)].piece <= m_nodes[n].piece) continue;
            TryJoin(static_cast<int>(n), ends[n], twin, ends[static_cast<std::size_t>(twin)]);
        }
    }

    // The joined pieces: for every piece, its group's ring when the piece is the
    // first of the group, else nothing.
    std::vector<VertexList> Rings() {
        std::vector<int> start(m_group.size(), -1);  // per group, its first living node
        for (std::size_t n = 0; n < m_nodes.size(); ++n) {
            const int group = Group(m_nodes[n].piece);
            if (m_nodes[n].self == static_cast<int>(n) && start[static_cast<std::size_t>(group)] < 0)
                start[static_cast<std::size_t>(group)] = static_cast<int>(n);
        }
        std::vector<VertexList> rings(m_group.size());
        for (std::size_t p = 0; p < m_group.size(); ++p) {
            if (Group(static_cast<int>(p)) != static_cast<int>(p)) continue;
            const int first = start[p];
            for (int n = first;;) {
                rings[p].push_back(m_nodes[static_cast<std::size_t>(n)].vertex);
                n = m_nodes[static_cast<std::size_t>(n)].next;
                if (n == first) break;
            }
        }
        return rings;
    }

private:
    struct Node {
        Vertex vertex;
        int next;
        int prev;
        int self;   // itself while it lives; once retired, the node that stands for it
        int piece;  // the piece it was made for
    };

    int Index(int n) const { return m_nodes[static_cast<std::size_t>(n)].vertex.Index(); }
    const Point& At(int n) const { return m_positions[static_cast<std::size_t>(Index(n))]; }
    Node& N(int n) { return m_nodes[static_cast<std::size_t>(n)]; }

    int Living(int n) {
        while (N(n).self != n) n = N(n).self;
        return n;
    }
    int Group(int piece) {
        while (m_group[static_cast<std::size_t>(piece)] != piece)
            piece = m_group[static_cast<std::size_t>(piece)] =
                m_group[static_cast<std::size_t>(m_group[static_cast<std::size_t>(piece)])];
        return piece;
    }

    // The edge u -> v runs from node u1 to node v1, its twin v -> u from v2 to u2.
    void TryJoin(int u1, int v1, int v2, int u2) {
        const int au = Living(u1), av = Living(v1), bv = Living(v2), bu = Living(u2);
        // Both edges must still be edges of their pieces, and the pieces apart.
        if (N(au).next != av || N(bv).next != bu) return;
        const int groupA = Group(N(au).piece), groupB = Group(N(bv).piece);
        if (groupA == groupB) return;
        const int beforeU = N(au).prev, afterU = N(bu).next, beforeV = N(bv).prev, afterV = N(av).next;
        // The corners where the pieces meet: convex, and not folding back on an edge
        // they also share.
        if (Index(beforeU) == Index(afterU) || Index(beforeV) == Index(afterV)) return;
        if (Turn(At(beforeU), At(au), At(afterU)) > kTurnTolerance ||
            Turn(At(beforeV), At(av), At(afterV)) > kTurnTolerance)
            return;
        N(au).next = afterU;
        N(afterU).prev = au;
        N(beforeV).next = av;
        N(av).prev = beforeV;
        // The edge arriving at v is now the other piece's.
        N(av).vertex.SetExterior(N(bv).vertex.Exterior());
        N(bu).self = au;
        N(bv).self = av;
        m_group[static_cast<std::size_t>(std::max(groupA, groupB))] = std::min(groupA, groupB);
    }

    const std::vector<Point>& m_positions;
    std::vector<Node> m_nodes;
    std::vector<int> m_group;  // per piece, a piece of the same group (the first one: itself)
};

// Drops the vertices where the ring goes straight on or repeats a position, down to
// three; the edge that replaces two is a cut when either of them was.
VertexList Clean(VertexList ring, const std::vector<Point>& positions) {
    auto at = [&](const Vertex& v) -> const Point& { return positions[static_cast<std::size_t>(v.Index())]; };
    for (bool changed = true; changed && ring.size() > 3;) {
        changed = false;
        for (std::size_t i = 0; i < ring.size() && ring.size() > 3;) {
            const std::size_t n = ring.size();
            const Vertex& before = ring[(i + n - 1) % n];
            Vertex& after = ring[(i + 1) % n];
            if (!(std::fabs(Turn(at(before), at(ring[i]), at(after))) <= kTurnTolerance)) {
                ++i;
                continue;
            }
            after.SetExterior(after.Exterior() && ring[i].Exterior());
            ring.erase(ring.begin() + static_cast<std::ptrdiff_t>(i));
            changed = true;
        }
    }
    return ring;
}

// Whether some corner of the ring is strictly convex (it is not a flat run).
bool HasArea(const VertexList& ring, const std::vector<Point>& positions) {
    auto at = [&](std::size_t i) -> const Point& {
        return positions[static_cast<std::size_t>(ring[i % ring.size()].Index())];
    };
    for (std::size_t i = 0; i < ring.size(); ++i)
        if (Turn(at(i + ring.size() - 1), at(i), at(i + 1)) <= -kTurnTolerance) return true;
    return false;
}

// The run of the ring from i to j, closed by the diagonal j -> i (a cut).
VertexList Part(const VertexList& ring, std::size_t i, std::size_t j) {
    VertexList part;
    for (std::size_t k = i;; k = (k + 1) % ring.size()) {
        part.push_back(ring[k]);
        if (k == j) break;
    }
    part.front().SetExterior(false);
    return part;
}

// Splits a convex ring into rings of at most `limit` vertices: halved by a diagonal,
// recursively; the first diagonal (from vertex 0 on) that leaves area on both sides.
void Bound(const VertexList& ring, std::size_t limit, const std::vector<Point>& positions,
           std::vector<VertexList>& out) {
    const std::size_t m = ring.size();
    if (m <= limit) {
        out.push_back(ring);
        return;
    }
    for (std::size_t i = 0; i < m; ++i) {
        const std::size_t j = (i + m / 2) % m;
        VertexList first = Part(ring, i, j), second = Part(ring, j, i);
        if (!HasArea(first, positions) || !HasArea(second, positions)) continue;
        Bound(first, limit, positions, out);
        Bound(second, limit, positions, out);
        return;
    }
    out.push_back(ring);  // flat: nothing to split off
}

}  // namespace

std::vector<Loop> MergeConvexLoops(const std::vector<kor::Vec<2, double>>& positions, const std::vector<Loop>& loops,
                                   const ConvexMergeOptions& options) {
    std::vector<const VertexList*> pieces;
    std::vector<int> pieceOf(loops.size(), -1);
    for (std::size_t i = 0; i < loops.size(); ++i) {
        if (!IsPiece(loops[i].Vertices(), positions)) continue;
        pieceOf[i] = static_cast<int>(pieces.size());
        pieces.push_back(&loops[i].Vertices());
    }
    PieceRings rings(positions, pieces);
    if (options.merge) rings.Join();
    std::vector<VertexList> joined = rings.Rings();

    const std::size_t limit = options.maxVertices == 0 ? 0 : std::max<std::size_t>(options.maxVertices, 3);
    std::vector<Loop> result;
    std::vector<VertexList> bounded;
    for (std::size_t i = 0; i < loops.size(); ++i) {
        if (pieceOf[i] < 0) {
            result.push_back(loops[i]);
            continue;
        }
        VertexList& ring = joined[static_cast<std::size_t>(pieceOf[i])];
        if (ring.empty()) continue;  // joined into an earlier piece
        if (options.clean) ring = Clean(std::move(ring), positions);
        if (limit == 0) {
            result.emplace_back(positions, std::move(ring));
            continue;
        }
        bounded.clear();
        Bound(ring, limit, positions, bounded);
        for (VertexList& piece : bounded) result.emplace_back(positions, std::move(piece));
    }
    return result;
}

}  // namespace ShapeExport
}  // namespace kor
